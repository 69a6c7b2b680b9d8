// The parameter store: saved fields as G_GCCS rows (GCID -1) and the coefficient list SJKS.txt,
// driven through the headless form on a real project database file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "audit/tfrm_main.h"
#include "form/controls.h"
#include "text/error.h"
#include "unit/form_test_support.h"

namespace torva::audit {
namespace {

namespace fs = std::filesystem;
using torva::testing::At;
using torva::testing::ContextFor;
using torva::testing::Insert;
using torva::testing::ReadFile;
using torva::testing::RecordingUi;
using torva::testing::RowsOf;
using torva::testing::RunSql;
using torva::testing::Stored;
using torva::testing::WriteFile;

// Every key in the order of the save.
std::vector<std::string> AllKeys() {
  std::vector<std::string> keys = {"Auto"};
  for (int i = 1; i <= 12; ++i) keys.push_back("D_" + std::to_string(i));
  for (int i = 1; i <= 59; ++i) keys.push_back("T_" + std::to_string(i));
  for (int i = 1; i <= 4; ++i) keys.push_back("TC_" + std::to_string(i));
  for (int i = 1; i <= 6; ++i) keys.push_back("Date_" + std::to_string(i));
  for (const char* key : {"YJGC", "KCLX", "YG", "KC", "GCMS"}) keys.push_back(key);
  return keys;
}

std::vector<std::string> FieldKeys() {
  std::vector<std::string> keys = AllKeys();
  return {keys.begin() + 1, keys.end() - 5};
}

// Removes every handler, so that a test sees the store alone and no recalculation rewrites the
// fields it set.
void DetachHandlers(TfrmMain& form) {
  for (form::Control* control : form.model().controls()) {
    control->on_key_down = nullptr;
    control->on_dbl_click = nullptr;
    if (auto* edit = dynamic_cast<form::Edit*>(control)) edit->on_change = nullptr;
    if (auto* box = dynamic_cast<form::CheckBox*>(control)) box->on_click = nullptr;
    if (auto* list = dynamic_cast<form::ListCombo*>(control)) list->on_select = nullptr;
  }
}

class ParamStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("torva-params-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "host");
    db_ = dir_ / "project.db";
    RunSql(db_, SchemaSql());
  }
  void TearDown() override {
    forms_.clear();
    fs::remove_all(dir_);
  }

  static std::string SchemaSql() {
    return ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/project_schema.sql");
  }

  // Shows a new form on the project (a new host program run); `prepare` runs before the show.
  TfrmMain& Open(const std::function<void(TfrmMain&)>& prepare = nullptr) {
    forms_.push_back(std::make_unique<TfrmMain>(ContextFor(db_, dir_ / "host"), ui_));
    if (prepare) prepare(*forms_.back());
    forms_.back()->Show();
    return *forms_.back();
  }

  // Saved rows that keep the budget refresh from running at show, plus `rows`.
  void Seed(const std::vector<std::pair<std::string, std::string>>& rows, bool quiet = true) {
    std::string sql = quiet ? Insert("Auto", "0") : "";
    for (const auto& [key, value] : rows) sql += Insert(key, value);
    RunSql(db_, sql);
  }

  fs::path list_path() const { return dir_ / "host" / "SJKS.txt"; }

  fs::path dir_;
  fs::path db_;
  RecordingUi ui_;
  std::vector<std::unique_ptr<TfrmMain>> forms_;
};

// ---- saving ----

TEST_F(ParamStoreTest, NumbersAreStoredWithTwoDecimalsAndLabourDaysWithThree) {
  Seed({});
  TfrmMain& form = Open();
  DetachHandlers(form);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"D_2", "12.345"}, {"D_7", "2.5"},    {"T_40", "2.5"},      {"Date_4", "4"},
      {"TC_1", "2.5"},   {"T_5", "2.0005"}, {"D_9", " 7"},        {"D_10", "-0.125"},
      {"D_12", "5."},    {"T_44", "45"},    {"Date_1", "1234.5"}, {"T_41", "-.5"}};
  for (const auto& [key, text] : cases) form.SetText(key, text);
  ASSERT_TRUE(form.RequestClose());
  const auto stored = Stored(db_);
  EXPECT_EQ(At(stored, "D_2"), "12.35");
  EXPECT_EQ(At(stored, "D_7"), "2.500");
  EXPECT_EQ(At(stored, "T_40"), "2.500");
  EXPECT_EQ(At(stored, "Date_4"), "4.000");
  EXPECT_EQ(At(stored, "TC_1"), "2.50");
  EXPECT_EQ(At(stored, "T_5"), "2.001");
  EXPECT_EQ(At(stored, "D_9"), "7.00");
  EXPECT_EQ(At(stored, "D_10"), "-0.13");
  EXPECT_EQ(At(stored, "D_12"), "5.00");
  EXPECT_EQ(At(stored, "T_44"), "45.00");
  EXPECT_EQ(At(stored, "Date_1"), "1234.50");
  EXPECT_EQ(At(stored, "T_41"), "-0.500");
}

TEST_F(ParamStoreTest, ZeroIsStoredAsZeroWhateverItsSpelling) {
  Seed({});
  TfrmMain& form = Open();
  DetachHandlers(form);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"D_2", "0.00"}, {"D_7", "-0"}, {"T_3", "."}, {"TC_2", "-."}, {"Date_5", "000.000"}};
  for (const auto& [key, text] : cases) form.SetText(key, text);
  ASSERT_TRUE(form.RequestClose());
  const auto stored = Stored(db_);
  for (const auto& [key, text] : cases) EXPECT_EQ(At(stored, key), "0") << key << " held " << text;
}

TEST_F(ParamStoreTest, TextThatIsNoNumberIsStoredUnchanged) {
  Seed({});
  TfrmMain& form = Open();
  DetachHandlers(form);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"T_46", "  审计 报告 "}, {"T_45", ""}, {"T_57", "1e5"}, {"T_58", "+5"}, {"T_59", "1,000"}};
  for (const auto& [key, text] : cases) form.SetText(key, text);
  ASSERT_TRUE(form.RequestClose());
  const auto stored = Stored(db_);
  for (const auto& [key, text] : cases) EXPECT_EQ(At(stored, key), text) << key;
}

TEST_F(ParamStoreTest, EveryKeyGetsExactlyOneRowInTheOrderOfTheSave) {
  Seed({{"D_2", "1.00"}, {"D_2", "2.00"}, {"T_46", "old"}});
  RunSql(db_, "insert into G_GCCS values(-12,'JGGR','3.5');");
  TfrmMain& form = Open();
  ASSERT_TRUE(form.RequestClose());
  std::vector<std::string> keys;
  for (const auto& row : RowsOf(db_)) keys.push_back(row.first);
  EXPECT_EQ(keys, AllKeys());
  // Rows of other writers are never touched.
  EXPECT_EQ(RowsOf(db_, -12), (std::vector<std::pair<std::string, std::string>>{{"JGGR", "3.5"}}));
}

TEST_F(ParamStoreTest, CheckBoxesSurveyTypeAndEmergencyTextAreStored) {
  Seed({});
  TfrmMain& form = Open();
  DetachHandlers(form);
  form.SetChecked("RzCB_YJ", true);
  form.SetChecked("RzCB_YG", false);
  form.SetChecked("RzCB_KC", true);
  form.model().survey_type().SetItemIndex(2);
  ASSERT_TRUE(form.RequestClose());
  auto stored = Stored(db_);
  EXPECT_EQ(At(stored, "Auto"), "0");
  EXPECT_EQ(At(stored, "YJGC"), "-1");
  EXPECT_EQ(At(stored, "YG"), "0");
  EXPECT_EQ(At(stored, "KC"), "-1");
  EXPECT_EQ(At(stored, "KCLX"), "市话线路");
  EXPECT_EQ(At(stored, "GCMS"), "为应急工程，");

  TfrmMain& again = Open();
  DetachHandlers(again);
  again.SetChecked("RzCB_YJ", false);
  again.model().survey_type().SetItemIndex(-1);
  ASSERT_TRUE(again.RequestClose());
  stored = Stored(db_);
  EXPECT_EQ(At(stored, "GCMS"), "");
  EXPECT_EQ(At(stored, "KCLX"), "");
}

TEST_F(ParamStoreTest, FieldThatIsNoNumberStopsTheSaveAndTheNextCloseSavesEverything) {
  Seed({{"T_9", "old"}, {"T_11", "old"}, {"Date_6", "old"}});
  TfrmMain& form = Open();
  DetachHandlers(form);
  form.SetText("T_9", "9");
  form.SetText("T_10", "1.2.3");
  form.SetText("T_11", "11");
  EXPECT_FALSE(form.RequestClose());
  EXPECT_FALSE(form.ended());
  EXPECT_TRUE(ui_.Saw("[TORVA] '1.2.3' is not a valid floating point value."));
  auto stored = Stored(db_);
  EXPECT_EQ(At(stored, "T_9"), "9.00");  // before the field: written and committed
  EXPECT_EQ(At(stored, "T_11"), "old");  // after it: untouched
  EXPECT_EQ(At(stored, "Date_6"), "old");
  EXPECT_EQ(stored.count("T_10"), 0u);
  EXPECT_FALSE(fs::exists(list_path()));  // the list is not written either

  form.SetText("T_10", "-");
  EXPECT_FALSE(form.RequestClose());
  EXPECT_TRUE(ui_.Saw("[TORVA] '-' is not a valid floating point value."));

  form.SetText("T_10", "10");
  ASSERT_TRUE(form.RequestClose());
  stored = Stored(db_);
  EXPECT_EQ(At(stored, "T_10"), "10.00");
  EXPECT_EQ(At(stored, "T_11"), "11.00");
  EXPECT_EQ(stored.size(), AllKeys().size());
  EXPECT_TRUE(fs::exists(list_path()));
}

TEST_F(ParamStoreTest, KeyWhoseInsertFailsKeepsItsOldRowAndTheSaveGoesOn) {
  Seed({{"T_5", "1.500"}, {"T_6", "old"}});
  RunSql(db_,
         "create trigger refuse_t5 before insert on G_GCCS when new.CSName='T_5' "
         "begin select raise(abort, 'T_5 refused'); end;");
  TfrmMain& form = Open();
  DetachHandlers(form);
  form.SetText("T_5", "9");
  form.SetText("T_6", "6");
  ASSERT_TRUE(form.RequestClose());
  EXPECT_TRUE(ui_.Saw("[TORVA] T_5 refused"));
  const auto stored = Stored(db_);
  EXPECT_EQ(At(stored, "T_5"), "1.500");
  EXPECT_EQ(At(stored, "T_6"), "6.000");
  EXPECT_EQ(stored.size(), AllKeys().size());
}

TEST_F(ParamStoreTest, SaveParamDoublesQuotesAndReplacesEveryRowOfTheKey) {
  Seed({{"X", "a"}, {"X", "b"}});
  TfrmMain& form = Open();
  form.SaveParam("X", "it's ''two''");
  form.SaveParam("Y'", "");
  const auto stored = Stored(db_);
  EXPECT_EQ(At(stored, "X"), "it's ''two''");
  EXPECT_EQ(At(stored, "Y'"), "");
}

TEST_F(ParamStoreTest, CommitThatCannotCompleteKeepsTheOldRowsAndTheFormOpen) {
  Seed({{"D_2", "1.00"}});
  TfrmMain& form = Open();
  DetachHandlers(form);
  form.SetText("D_2", "2");
  // Another program reading the file holds the lock that the commit needs.
  {
    const std::unique_ptr<db::Connection> reader =
        db::OpenConnection(db::JetConnectionString(db_.string()));
    const db::ResultPtr rows = reader->Open("select * from G_GCCS");
    ASSERT_FALSE(rows->Eof());
    EXPECT_FALSE(form.RequestClose());
  }
  EXPECT_TRUE(ui_.Saw("参数没有保存"));
  EXPECT_EQ(At(Stored(db_), "D_2"), "1.00");
  ASSERT_TRUE(form.RequestClose());
  EXPECT_EQ(At(Stored(db_), "D_2"), "2.00");
}

// ---- loading ----

TEST_F(ParamStoreTest, NewProjectShowsTheLayoutDefaults) {
  TfrmMain& form = Open();
  EXPECT_TRUE(form.Checked("RzCB_Auto"));
  EXPECT_TRUE(form.Checked("RzCB_YG"));
  EXPECT_FALSE(form.Checked("RzCB_YJ"));
  EXPECT_FALSE(form.Checked("RzCB_KC"));
  EXPECT_EQ(form.model().survey_type().SelectedText(), "通信管道");
  EXPECT_EQ(form.Text("T_47"), "审计报告");
  EXPECT_EQ(form.Text("RzE_KC"), "");
}

TEST_F(ParamStoreTest, StoredTextsComeBackUnchanged) {
  Seed({{"T_46", "it's \"x\""},
        {"T_47", ""},
        {"T_57", "  a b "},
        {"D_7", "2.500"},
        {"T_44", "45.00"}});
  TfrmMain& form = Open();
  EXPECT_EQ(form.Text("T_46"), "it's \"x\"");
  EXPECT_EQ(form.Text("T_47"), "");
  EXPECT_EQ(form.Text("T_57"), "  a b ");
  EXPECT_EQ(form.Text("D_7"), "2.500");
  EXPECT_EQ(form.Text("T_44"), "45.00");
  EXPECT_EQ(form.model().coefficient().items(), (std::vector<std::string>{"45", "65"}));
}

TEST_F(ParamStoreTest, FirstRowOfAKeyWins) {
  Seed({{"T_46", "first"}, {"T_46", "second"}});
  EXPECT_EQ(Open().Text("T_46"), "first");
}

TEST_F(ParamStoreTest, StoredBooleansReadAsNumbersOrTrueFalseInAnyCase) {
  for (const std::string text : {"-1", "1", "2.5", " 3 ", "TRUE", "true", "tRuE"}) {
    RunSql(db_, "delete from G_GCCS;");
    Seed({{"KC", text}});
    EXPECT_TRUE(Open().Checked("RzCB_KC")) << text;
  }
  for (const std::string text : {"0", "0.0", "-0", "FALSE", "False", "."}) {
    RunSql(db_, "delete from G_GCCS;");
    Seed({{"Auto", text}}, /*quiet=*/false);
    EXPECT_FALSE(Open().Checked("RzCB_Auto")) << text;
  }
  EXPECT_FALSE(ui_.Saw("boolean"));
}

TEST_F(ParamStoreTest, MissingAutoRowChecksAutomaticRefresh) {
  Seed({{"D_2", "1.00"}}, /*quiet=*/false);
  EXPECT_TRUE(Open().Checked("RzCB_Auto"));
}

TEST_F(ParamStoreTest, SurveyTypeSelectsTheStoredItemOrNothing) {
  Seed({{"KCLX", "市话线路"}});
  EXPECT_EQ(Open().model().survey_type().item_index(), 2);
  RunSql(db_, "update G_GCCS set S_Val='无此类型' where CSName='KCLX';");
  EXPECT_EQ(Open().model().survey_type().item_index(), -1);
  RunSql(db_, "delete from G_GCCS where CSName='KCLX';");
  EXPECT_EQ(Open().model().survey_type().item_index(), 0);
}

TEST_F(ParamStoreTest, OneStageSurveyMarkFollowsTheLoadedCheckBox) {
  Seed({{"KC", "-1"}});
  EXPECT_EQ(Open().Text("RzE_KC"), "X0.8");
  RunSql(db_, "update G_GCCS set S_Val='0' where CSName='KC';");
  EXPECT_EQ(Open().Text("RzE_KC"), "");
}

TEST_F(ParamStoreTest, UnreadableBooleanStopsTheLoadThere) {
  Seed({{"D_2", "5.00"}, {"YJGC", "yes"}, {"YG", "0"}, {"KCLX", "长途线路"}});
  TfrmMain& form = Open();
  EXPECT_TRUE(ui_.Saw("[TORVA] 'yes' is not a valid boolean value."));
  EXPECT_EQ(form.Text("D_2"), "5.00");   // loaded before it
  EXPECT_TRUE(form.Checked("RzCB_YG"));  // after it: layout state
  EXPECT_EQ(form.model().survey_type().item_index(), 0);
  EXPECT_EQ(form.Tag(), 0);
}

// ---- a load that ended early ----

TEST_F(ParamStoreTest, CloseAfterAnEarlyEndKeepsTheRowsTheLoadNeverReached) {
  Seed({{"Auto", "maybe"}, {"D_2", "12.35"}, {"T_46", "kept"}, {"KC", "-1"}, {"KCLX", "长途线路"}},
       /*quiet=*/false);
  TfrmMain& form = Open();
  EXPECT_TRUE(ui_.Saw("'maybe' is not a valid boolean value"));
  ASSERT_TRUE(form.RequestClose());
  const auto stored = Stored(db_);
  EXPECT_EQ(At(stored, "D_2"), "12.35");
  EXPECT_EQ(At(stored, "T_46"), "kept");
  EXPECT_EQ(At(stored, "KC"), "-1");
  EXPECT_EQ(At(stored, "KCLX"), "长途线路");
  // The unreadable value itself is replaced, so the next load gets past it.
  EXPECT_EQ(At(stored, "Auto"), "-1");
  EXPECT_EQ(stored.size(), 5u);
}

TEST_F(ParamStoreTest, WritesByHandlersOfAnEarlyEndedLoadDoNotCountAsChanges) {
  Seed({{"D_3", "3.00"}, {"D_5", "5.00"}, {"T_46", "stored"}});
  TfrmMain& form = Open([](TfrmMain& f) {
    f.model().edit("D_3").on_change = [&f] { f.SetText("T_46", "by handler"); };
    f.model().edit("D_5").on_change = [] { throw Error("handler failed"); };
  });
  EXPECT_TRUE(ui_.Saw("handler failed"));
  EXPECT_EQ(form.Text("T_46"), "by handler");
  ASSERT_TRUE(form.RequestClose());
  const auto stored = Stored(db_);
  EXPECT_EQ(At(stored, "T_46"), "stored");
  EXPECT_EQ(At(stored, "D_3"), "3.00");
  EXPECT_EQ(At(stored, "D_5"), "5.00");  // reached: it holds its stored text
}

TEST_F(ParamStoreTest, FieldChangedAfterAnEarlyEndIsSaved) {
  Seed({{"Auto", "maybe"}, {"D_2", "12.35"}, {"T_46", "kept"}, {"YJGC", "0"}}, /*quiet=*/false);
  TfrmMain& form = Open();
  form.UserAction([&] { form.SetText("T_46", "new"); });
  form.UserAction([&] { form.SetChecked("RzCB_YJ", true); });
  ASSERT_TRUE(form.RequestClose());
  const auto stored = Stored(db_);
  EXPECT_EQ(At(stored, "T_46"), "new");
  EXPECT_EQ(At(stored, "D_2"), "12.35");
  EXPECT_EQ(At(stored, "YJGC"), "-1");
  EXPECT_EQ(At(stored, "GCMS"), "为应急工程，");
}

// ---- the coefficient list ----

TEST_F(ParamStoreTest, ListLinesEndByCrLfOrBothAndEmptyLinesAreItems) {
  WriteFile(list_path(), "65\r\n100\n\r45\r\r\n7");
  TfrmMain& form = Open();
  EXPECT_EQ(form.model().coefficient().items(),
            (std::vector<std::string>{"", "", "100", "45", "65", "7"}));
}

TEST_F(ParamStoreTest, EmptyListFileGivesNoItems) {
  WriteFile(list_path(), "");
  EXPECT_TRUE(Open().model().coefficient().items().empty());
}

TEST_F(ParamStoreTest, WithoutTheFileTheLayoutItemsStayAndCloseCreatesIt) {
  TfrmMain& form = Open();
  EXPECT_EQ(form.model().coefficient().items(), (std::vector<std::string>{"45", "65"}));
  ASSERT_TRUE(form.RequestClose());
  EXPECT_EQ(ReadFile(list_path()), "45\r\n65\r\n");
}

TEST_F(ParamStoreTest, CloseWritesTheSortedListWithCrLfAndLeavesNoTemporaryFile) {
  WriteFile(list_path(), "65\n100\n45");
  TfrmMain& form = Open();
  form.model().coefficient().AddItem("55");
  ASSERT_TRUE(form.RequestClose());
  EXPECT_EQ(ReadFile(list_path()), "100\r\n45\r\n55\r\n65\r\n");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir_ / "host")) {
    names.push_back(entry.path().filename());
  }
  EXPECT_EQ(names, std::vector<std::string>{"SJKS.txt"});
}

TEST_F(ParamStoreTest, ListWrittenOnWindowsInGb18030IsReadAndRewrittenAsUtf8) {
  // "九五折" and "下浮八成" in GB18030 (code page 936), then "45", CR LF line ends.
  WriteFile(list_path(), "\xBE\xC5\xCE\xE5\xD5\xDB\r\n\xCF\xC2\xB8\xA1\xB0\xCB\xB3\xC9\r\n45\r\n");
  TfrmMain& form = Open();
  std::multiset<std::string> items(form.model().coefficient().items().begin(),
                                   form.model().coefficient().items().end());
  EXPECT_EQ(items, (std::multiset<std::string>{"九五折", "下浮八成", "45"}));
  ASSERT_TRUE(form.RequestClose());
  const std::string written = ReadFile(list_path());
  EXPECT_NE(written.find("九五折\r\n"), std::string::npos);
  EXPECT_NE(written.find("下浮八成\r\n"), std::string::npos);
}

TEST_F(ParamStoreTest, Utf8ByteOrderMarkIsNoPartOfTheFirstItem) {
  WriteFile(list_path(),
            "\xEF\xBB\xBF"
            "70\r\n50\r\n");
  EXPECT_EQ(Open().model().coefficient().items(), (std::vector<std::string>{"50", "70"}));
}

TEST_F(ParamStoreTest, UnreadableListEndsTheShowAndIsNeverReplaced) {
  Seed({{"D_2", "12.35"}});
  fs::create_directory(list_path());  // exists, but is no file that can be read
  TfrmMain& form = Open();
  EXPECT_TRUE(ui_.Saw("[TORVA] 无法读取主程序目录下的系数列表文件 SJKS.txt："));
  EXPECT_NE(form.Text("D_2"), "12.35");  // the load never ran
  EXPECT_EQ(form.Tag(), 0);
  ASSERT_TRUE(form.RequestClose());
  EXPECT_EQ(At(Stored(db_), "D_2"), "12.35");
  EXPECT_TRUE(fs::is_directory(list_path()));
  EXPECT_FALSE(ui_.Saw("系数列表无法保存"));
}

TEST_F(ParamStoreTest, UnreadableListStaysWhenTheFileIsNeitherUtf8NorGb18030) {
  const std::string bytes = "45\r\n\x80\xFF\r\n";
  WriteFile(list_path(), bytes);
  TfrmMain& form = Open();
  EXPECT_TRUE(ui_.Saw("SJKS.txt 既不是 UTF-8 文本，也不是 GB18030 文本"));
  ASSERT_TRUE(form.RequestClose());
  EXPECT_EQ(ReadFile(list_path()), bytes);
}

TEST_F(ParamStoreTest, ListThatCannotBeWrittenLetsTheAuditorLeaveWithTheParametersSaved) {
  Seed({});
  TfrmMain& form = Open();
  DetachHandlers(form);
  form.SetText("D_2", "3");
  // The folder refuses the file (a folder is in the way; chmod would not stop root).
  fs::create_directory(list_path());
  fs::create_directory(list_path() / "x");
  ui_.answers = {true};
  ASSERT_TRUE(form.RequestClose());
  EXPECT_TRUE(ui_.Saw("[TORVA] 系数列表无法保存到主程序目录下的 SJKS.txt："));
  EXPECT_TRUE(
      ui_.Saw("[提示信息] 系数列表无法保存到 SJKS.txt。是否不保存系数列表直接关闭？ -> yes"));
  EXPECT_EQ(At(Stored(db_), "D_2"), "3.00");
}

TEST_F(ParamStoreTest, ListThatCannotBeWrittenKeepsTheFormOpenWhenTheAuditorSaysNo) {
  Seed({});
  TfrmMain& form = Open();
  DetachHandlers(form);
  form.SetText("D_2", "3");
  fs::create_directory(list_path());
  fs::create_directory(list_path() / "x");
  ui_.answers = {false};
  EXPECT_FALSE(form.RequestClose());
  EXPECT_FALSE(form.ended());
  EXPECT_EQ(At(Stored(db_), "D_2"), "3.00");  // saved all the same
  fs::remove_all(list_path());
  ASSERT_TRUE(form.RequestClose());
  EXPECT_EQ(ReadFile(list_path()), "45\r\n65\r\n");
}

// Temporary files of the list that a writer killed before its rename left behind go at the next
// close; the file of a writer still running, and every other file, stay.
TEST_F(ParamStoreTest, CloseRemovesStaleTemporaryFilesOfTheListOnly) {
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_GT(gone, 0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const std::string dead = std::to_string(gone);
  const std::string running = std::to_string(::getppid());
  const std::vector<std::string> stale = {"SJKS.txt." + dead + ".tmp",
                                          "SJKS.txt." + std::to_string(::getpid()) + ".tmp"};
  const std::vector<std::string> others = {"SJKS.txt." + running + ".tmp", "SJKS.txt.x.tmp",
                                           "SJKS.txt.0" + dead + ".tmp", "notes." + dead + ".tmp",
                                           "SJKS.txt." + dead + ".tmp.bak"};
  for (const std::string& name : stale) WriteFile(dir_ / "host" / name, "45\r\n");
  for (const std::string& name : others) WriteFile(dir_ / "host" / name, "45\r\n");
  ASSERT_TRUE(Open().RequestClose());
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir_ / "host")) {
    names.insert(entry.path().filename());
  }
  std::set<std::string> expected(others.begin(), others.end());
  expected.insert("SJKS.txt");
  EXPECT_EQ(names, expected);
}

// A window may deliver a second close while a question of the first one waits for its answer: it
// does nothing, and the first close goes on.
TEST_F(ParamStoreTest, CloseAskedForDuringAQuestionOfTheCloseDoesNothing) {
  struct ClosingUi : RecordingUi {
    bool AskYesNo(std::string_view caption, std::string_view text) override {
      if (form != nullptr && std::exchange(form, nullptr)->RequestClose()) {
        messages.push_back("closed");
      }
      return RecordingUi::AskYesNo(caption, text);
    }
    TfrmMain* form = nullptr;
  } ui;
  Seed({});
  TfrmMain form(ContextFor(db_, dir_ / "host"), ui);
  form.Show();
  ui.messages.clear();  // this host folder has no fee standard
  // The list cannot be written: the close asks.
  fs::create_directory(list_path());
  fs::create_directory(list_path() / "x");
  ui.form = &form;
  EXPECT_TRUE(form.RequestClose());
  // The list's error and its question, once.
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_FALSE(ui.Saw("closed"));
}

// ---- a save killed in the middle ----

// The text of every field in save generation `g`: words, so nothing converts them.
std::string FieldText(const std::string& key, int g) { return "g" + std::to_string(g) + " " + key; }

// Sets every saved control to generation `g`.
void SetGeneration(TfrmMain& form, int g) {
  for (const std::string& key : FieldKeys()) form.SetText(key, FieldText(key, g));
  const bool odd = g % 2 == 1;
  form.SetChecked("RzCB_Auto", odd);
  form.SetChecked("RzCB_YJ", odd);
  form.SetChecked("RzCB_YG", !odd);
  form.SetChecked("RzCB_KC", odd);
  form.model().survey_type().SetItemIndex(odd ? 1 : 2);
}

// The generation of a stored field text, or -1.
int GenerationOf(const std::string& key, const std::string& text) {
  if (text.size() < 2 || text[0] != 'g') return -1;
  const size_t blank = text.find(' ');
  if (blank == std::string::npos || text.substr(blank + 1) != key) return -1;
  return std::stoi(text.substr(1, blank - 1));
}

TEST_F(ParamStoreTest, SaveKilledAtAnyMomentLeavesEveryKeyWithOneWholeGeneration) {
  // Generation 0 stands in the database before the first kill.
  {
    TfrmMain& form = Open();
    DetachHandlers(form);
    SetGeneration(form, 0);
    ASSERT_TRUE(form.RequestClose());
    forms_.clear();
  }
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> delay_us(0, 40000);
  int next_generation = 1;
  int newer_seen = 0;
  constexpr int kKills = 40;
  for (int round = 0; round < kKills; ++round) {
    const int first = next_generation;
    next_generation += 100000;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(ready[0]);
      RecordingUi ui;
      TfrmMain form(ContextFor(db_, dir_ / "host"), ui);
      form.Show();
      DetachHandlers(form);
      (void)!::write(ready[1], "r", 1);
      for (int g = first;; ++g) {
        SetGeneration(form, g);
        form.SaveAllParams();
        (void)!::write(ready[1], "s", 1);  // one save committed
      }
    }
    ::close(ready[1]);
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    // Every eighth kill waits for a committed save first, so that kills land between and during
    // later saves however slow the machine is (a sanitizer build, a loaded machine).
    if (round % 8 == 7) {
      ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    }
    ::close(ready[0]);
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    // A fresh reader rolls back whatever the killed save left half done.
    const auto rows = RowsOf(db_);
    std::map<std::string, int> count;
    std::set<int> generations;
    for (const auto& [key, value] : rows) {
      ++count[key];
      if (key.find('_') != std::string::npos) generations.insert(GenerationOf(key, value));
    }
    for (const std::string& key : AllKeys()) {
      ASSERT_EQ(count[key], 1) << "round " << round << ", key " << key;
    }
    ASSERT_EQ(count.size(), AllKeys().size());
    ASSERT_EQ(generations.size(), 1u) << "round " << round << ": a save was half kept";
    const int g = *generations.begin();
    ASSERT_GE(g, 0);
    const auto stored = Stored(db_);
    const bool odd = g % 2 == 1;
    EXPECT_EQ(At(stored, "Auto"), odd ? "-1" : "0");
    EXPECT_EQ(At(stored, "YG"), odd ? "0" : "-1");
    EXPECT_EQ(At(stored, "KCLX"), odd ? "长途线路" : "市话线路");
    EXPECT_EQ(At(stored, "GCMS"), odd ? "为应急工程，" : "");
    if (g >= first) ++newer_seen;
  }
  // The kills landed while saves were committing, not only before the first one.
  EXPECT_GT(newer_seen, 0);
}

}  // namespace
}  // namespace torva::audit
