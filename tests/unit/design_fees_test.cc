// The survey and design fees on fee scales made for each case, and the design-fee page's total
// while the form loads. The scenario tests cover the page on the small fee standard; these cases
// need a scale of their own, the loaded flag at 0, or a look into the project database itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "audit/tfrm_main.h"
#include "audit/ui_port.h"
#include "form/controls.h"
#include "unit/form_test_support.h"

namespace torva::audit {
namespace {

namespace fs = std::filesystem;
using torva::testing::ContextFor;
using torva::testing::CreateProject;
using torva::testing::Dump;
using torva::testing::MakeTempFolder;
using torva::testing::ReadFile;
using torva::testing::RecordingUi;
using torva::testing::RunSql;

constexpr const char* kFeeTable =
    "create table GL_FYFile(LX integer, XM text, QS real, ZZ real, SFJJ real, NCZ real, FL real);";

// A host folder with a fee standard of the test's own bands, and a project database with automatic
// refresh off, so that the form opens with nothing but what each test sets.
class DesignFeeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempFolder("torva-design");
    fs::create_directories(dir_ / "Data");
    project_ = dir_ / "project.db";
    CreateProject(project_);
    RunSql(project_, "insert into G_GCCS values(-1, 'Auto', '0');");
  }
  void TearDown() override {
    form_.reset();
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  void FeeStandard(const std::string& rows, const char* table = kFeeTable) {
    RunSql(dir_ / "Data/GL.mgl", std::string(table) + rows);
  }
  void DemoProject() {
    RunSql(project_, ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/demo_project.sql"));
  }

  TfrmMain& Open(const std::string& stage = "4") {
    form_ = std::make_unique<TfrmMain>(ContextFor(project_, dir_, stage), ui_);
    form_->Show();
    ui_.messages.clear();
    return *form_;
  }

  // The user types `text` into `name` as one change.
  void Set(const std::string& name, const std::string& text) {
    form_->UserAction([&] { form_->SetText(name, text); });
  }
  void Enter(const std::string& name) {
    form_->UserAction([&] { form_->model().edit(name).KeyDown(form::kKeyEnter); });
  }

  fs::path dir_;
  fs::path project_;
  RecordingUi ui_;
  std::unique_ptr<TfrmMain> form_;
};

// ---- design fee on scales of its own ----

TEST_F(DesignFeeTest, SlopeEntersTheExpressionRoundedToFourDecimals) {
  // Charge 50000 at 100, 89660 at 200 (10,000 yuan): slope 0.03966 per yuan.
  FeeStandard("insert into GL_FYFile values(4,'d',0,100,5,0,0),(4,'d',100,200,8.966,0,0);");
  TfrmMain& form = Open();
  Set("T_34", "1500000");
  EXPECT_EQ(form.Text("T_SJF"), "(50000+0.0397*(1500000-1000000))*0.85");
  EXPECT_EQ(form.Text("T_32"), "59372.50");  // (50000 + 19850) * 0.85
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(DesignFeeTest, BandWithoutPreviousBandStartsFromZero) {
  FeeStandard("insert into GL_FYFile values(4,'d',100,500,20,0,0);");
  TfrmMain& form = Open();
  Set("T_34", "3000000");
  EXPECT_EQ(form.Text("T_SJF"), "(0+0.0500*(3000000-1000000))*0.85");
  EXPECT_EQ(form.Text("T_32"), "85000.00");
}

TEST_F(DesignFeeTest, OpenFirstBandChargesItsRateOnTheWholeAmount) {
  FeeStandard("insert into GL_FYFile values(4,'d',0,0,2,0,0);");
  TfrmMain& form = Open();
  Set("T_34", "1000000");
  EXPECT_EQ(form.Text("T_SJF"), "1000000*2/100*0.85");
  EXPECT_EQ(form.Text("T_32"), "17000.00");
}

TEST_F(DesignFeeTest, EmptyScaleReportsTheDivisionByZeroAndWritesNothing) {
  FeeStandard("");
  TfrmMain& form = Open();
  Set("T_34", "1000000");
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"[TORVA] 除数为零：Division by zero."});
  EXPECT_EQ(form.Text("T_SJF"), "");
  EXPECT_EQ(form.Text("T_32"), "");
}

TEST_F(DesignFeeTest, BandFiguresThatOverflowWriteNoFee) {
  // The charge at the band's end overflows once it is multiplied by the amount.
  FeeStandard("insert into GL_FYFile values(4,'d',0,200,1e300,0,0);");
  TfrmMain& form = Open();
  Set("T_34", "1000000");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_TRUE(ui_.messages[0].starts_with("[TORVA] 计算式的结果不是有效的数：")) << ui_.messages[0];
  EXPECT_EQ(form.Text("T_SJF"), "");
  EXPECT_EQ(form.Text("T_32"), "");
}

// ---- survey fee on scales of its own ----

TEST_F(DesignFeeTest, SurveyBandFiguresEnterAsTheDatabaseGivesThem) {
  // A text column keeps its own writing; a REAL column reads as general number text.
  FeeStandard("insert into GL_FYFile values(2,'通信管道',10,50,'1500.0',300.0,0);",
              "create table GL_FYFile(LX integer, XM text, QS real, ZZ real, SFJJ text, NCZ real,"
              " FL real);");
  TfrmMain& form = Open();
  Set("T_31", "12.5");
  Enter("T_31");
  EXPECT_EQ(form.Text("T_KCF"), "1500.0+300*(12.5-10)");
  EXPECT_EQ(form.Text("T_30"), "2250.00");
}

TEST_F(DesignFeeTest, SurveyBandWithAnEmptyFigureIsRejectedAndWritesNothing) {
  FeeStandard("insert into GL_FYFile values(2,'通信管道',10,50,1500,NULL,0);");
  TfrmMain& form = Open();
  Set("T_31", "12.5");
  Enter("T_31");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(form.Text("T_KCF"), "");
  EXPECT_EQ(form.Text("T_30"), "");
}

TEST_F(DesignFeeTest, SurveyBandFigureThatIsNoArithmeticIsNeverRun) {
  DemoProject();
  FeeStandard(
      "insert into GL_FYFile values(2,'通信管道',0,50,'1 as HJ; delete from G_QF; select 1',0,0);");
  TfrmMain& form = Open();
  const std::string before = Dump(project_);
  Set("T_31", "12.5");
  Enter("T_31");
  EXPECT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(form.Text("T_KCF"), "");
  EXPECT_EQ(form.Text("T_30"), "");
  EXPECT_EQ(Dump(project_), before);
}

TEST_F(DesignFeeTest, NoSurveyTypeSelectedGivesZeroFee) {
  FeeStandard("insert into GL_FYFile values(2,'通信管道',0,50,1000,0,0);");
  TfrmMain& form = Open();
  form.model().survey_type().SetItemIndex(-1);
  Set("T_31", "12.5");
  Enter("T_31");
  EXPECT_EQ(form.Text("T_KCF"), "0");
  EXPECT_EQ(form.Text("T_30"), "0.00");
}

TEST_F(DesignFeeTest, SurveyBandFiguresWithoutAFiniteValueWriteNoFee) {
  // A remainder by zero is NULL and an overflow infinity: neither may become "0.00" or "INF".
  for (const char* base : {"1%0", "1e308*10"}) {
    SCOPED_TRACE(base);
    FeeStandard(std::string("drop table if exists GL_FYFile;") +
                "create table GL_FYFile(LX integer, XM text, QS real, ZZ real, SFJJ text,"
                " NCZ real, FL real);"
                "insert into GL_FYFile values(2,'通信管道',0,50,'" + base + "',0,0);",
                "");
    TfrmMain& form = Open();
    Set("T_31", "12.5");
    Enter("T_31");
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_TRUE(ui_.messages[0].starts_with("[TORVA] 计算式的结果不是有效的数：")) << ui_.messages[0];
    EXPECT_EQ(form.Text("T_KCF"), "");
    EXPECT_EQ(form.Text("T_30"), "");
  }
}

TEST_F(DesignFeeTest, FeesOfTheHiddenColumnsLeaveT44Unread) {
  FeeStandard("insert into GL_FYFile values(2,'通信管道',0,50,1000,0,0);");
  TfrmMain& form = Open();
  form.model().coefficient().SetText("1.2.3");  // would show the conversion message if read
  ui_.messages.clear();
  Set("T_19", "12.5");
  Enter("T_19");
  EXPECT_EQ(form.Text("T_18"), "1000.00");
  EXPECT_TRUE(ui_.messages.empty());
}

// ---- expressions the auditor types ----

// Texts that would read or change the project database if they were run as they stand.
const char* const kHostile[] = {
    "1; delete from G_QF",
    "1 as HJ; drop table G_GCCS; select 1",
    "(select count(*) from G_QF)",
    "1 as HJ union select S_Val from G_GCCS",
    "1 -- *0",
    "1/*x*/+1",
    "1)*0 as HJ; delete from P_ZHZ; select (1",
    "randomblob(8)",
    "'1'",
    "1)+(2",
};

TEST_F(DesignFeeTest, HostileExpressionsShowAnErrorAndChangeNothing) {
  DemoProject();
  FeeStandard("");
  TfrmMain& form = Open();
  const std::string before = Dump(project_);
  for (const char* text : kHostile) {
    for (bool one_stage : {false, true}) {
      SCOPED_TRACE(std::string(text) + (one_stage ? " (one-stage)" : ""));
      form.model().check_box("RzCB_KC").on_click = nullptr;  // set the state without evaluating
      form.SetChecked("RzCB_KC", one_stage);
      ui_.messages.clear();
      Set("T_SJF", text);
      Enter("T_SJF");
      Set("T_KCF", text);
      Enter("T_KCF");
      EXPECT_EQ(ui_.messages.size(), 2u);
      EXPECT_EQ(form.Text("T_32"), "");
      EXPECT_EQ(form.Text("T_30"), "");
    }
  }
  EXPECT_EQ(Dump(project_), before);
}

TEST_F(DesignFeeTest, OneStageSwitchEvaluatesOnlyArithmetic) {
  DemoProject();
  FeeStandard("");
  TfrmMain& form = Open();
  const std::string before = Dump(project_);
  form.SetText("T_KCF", "1; delete from G_QF");
  form.UserAction([&] { form.model().check_box("RzCB_KC").Click(); });
  EXPECT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(form.Text("RzE_KC"), "X0.8");
  EXPECT_EQ(form.Text("T_30"), "");
  EXPECT_EQ(Dump(project_), before);
}

// ---- the auditor's total while the form loads (loaded flag 0) ----

TEST_F(DesignFeeTest, WhileLoadingTheTotalIsCappedAndCopiedButNotSummed) {
  FeeStandard("");
  TfrmMain& form = Open();
  form.model().button("RzButton1").tag = 0;  // as while the form loads
  form.SetText("T_23", "400");
  form.SetText("T_29", "500");
  form.UserAction([&] { form.SetText("T_30", "1000"); });
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(form.Text("T_29"), "400");
  EXPECT_EQ(form.Text("T_55"), "400");
}

TEST_F(DesignFeeTest, WhileLoadingAnEmptyFirstReviewTotalCapsNothing) {
  FeeStandard("");
  TfrmMain& form = Open();
  form.model().button("RzButton1").tag = 0;  // as while the form loads
  form.SetText("T_23", "");
  form.SetText("T_29", "500");
  form.UserAction([&] { form.SetText("T_30", "1000"); });
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(form.Text("T_29"), "500");
  EXPECT_EQ(form.Text("T_55"), "500");
}

TEST_F(DesignFeeTest, BlankFirstReviewTotalCapsNothing) {
  FeeStandard("");
  TfrmMain& form = Open();
  form.SetText("T_23", "  ");
  form.UserAction([&] { form.SetText("T_30", "1000"); });
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(form.Text("T_29"), "1000");
  EXPECT_EQ(form.Text("T_55"), "1000");
}

TEST_F(DesignFeeTest, WhileLoadingTheFeeHandlersComputeNothing) {
  FeeStandard("insert into GL_FYFile values(4,'d',0,100,5,0,0);");
  TfrmMain& form = Open();
  form.model().button("RzButton1").tag = 0;  // as while the form loads
  form.UserAction([&] { form.SetText("T_34", "1000000"); });
  form.UserAction([&] { form.SetText("T_44", "45"); });
  form.UserAction([&] { form.SetText("T_32", "5000"); });
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(form.Text("T_32"), "5000");
  EXPECT_EQ(form.Text("T_33"), "");
  EXPECT_EQ(form.Text("T_SJF"), "");
}

}  // namespace
}  // namespace torva::audit
