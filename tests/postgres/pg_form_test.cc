// The form with its project on the server: what the auditor meets when the server is slow to give
// way, stops, or is reached by a URI holding a password.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "audit/tfrm_main.h"
#include "db/connection.h"
#include "db/postgres/pg_backend.h"
#include "postgres/pg_test_support.h"
#include "unit/form_test_support.h"

namespace torva::audit {
namespace {

namespace fs = std::filesystem;
using torva::testing::ClusterFolder;
using torva::testing::RecordingUi;

// A host folder with the small fee standard, removed at the end.
class HostFolder {
 public:
  HostFolder() : dir_(torva::testing::MakeTempFolder("torva-pg-form")) {
    fs::create_directories(dir_ / "Data");
    torva::testing::RunSql(
        dir_ / "Data" / "GL.mgl",
        torva::testing::ReadFile(fs::path(TORVA_SOURCE_DIR) / "tests/data/small_fees.sql"));
  }
  ~HostFolder() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  const fs::path& dir() const { return dir_; }

 private:
  fs::path dir_;
};

FormContext ContextFor(const std::string& uri, const HostFolder& host) {
  FormContext context;
  context.db_path = uri;
  context.stage = "4";
  context.host_folder = host.dir().string() + "/";
  return context;
}

// The stored value of `key` among the form's rows; "(no row)" without one, values joined by '|'
// when there are several.
std::string StoredOn(db::Connection& connection, const std::string& key) {
  const db::ResultPtr rows = connection.Open(
      "select coalesce(string_agg(S_Val, '|'), '(no row)') as V from G_GCCS where GCID=-1 and "
      "CSName='" +
      key + "'");
  return rows->AsText("V");
}

class PgFormTest : public torva::testing::PgTest {
 protected:
  void SetUp() override {
    torva::testing::PgTest::SetUp();
    if (IsSkipped()) return;
    CreateProject();
    // Saved fields without automatic refresh: the form opens on them alone.
    Connect()->Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'Auto','0')");
  }
  HostFolder host_;
};

TEST_F(PgFormTest, APasswordInTheUriIsNeverShown) {
  RecordingUi ui;
  TfrmMain form(
      ContextFor("postgresql://postgres:s3cr%25et@/no_such_db?host=" + ClusterFolder(), host_), ui);
  form.Show();
  ASSERT_FALSE(ui.messages.empty());
  for (const std::string& message : ui.messages) {
    EXPECT_EQ(message.find("s3cr"), std::string::npos) << message;
  }
  EXPECT_TRUE(form.ended());
}

TEST_F(PgFormTest, TheReportNamesTheProjectAsHostDatabaseSchemaWithoutThePassword) {
  RecordingUi ui;
  const std::string uri = "postgresql://postgres:s3cret@/torva?host=" + ClusterFolder() +
                          "&options=-csearch_path%3D" + schema_ + "&password=s3cret";
  TfrmMain form(ContextFor(uri, host_), ui);
  form.Show();
  ASSERT_EQ(form.Tag(), 1) << (ui.messages.empty() ? "" : ui.messages.back());
  EXPECT_EQ(form.ProjectName(), ClusterFolder() + "/torva/" + schema_);
  EXPECT_TRUE(form.RequestClose());
}

TEST_F(PgFormTest, ASchemaWithoutTheProjectIsNamedWithoutThePassword) {
  RecordingUi ui;
  admin_->Execute("create schema " + schema_ + "_empty");
  TfrmMain form(ContextFor("postgresql://postgres:s3cret@/torva?host=" + ClusterFolder() +
                               "&options=-csearch_path%3D" + schema_ + "_empty",
                           host_),
                ui);
  form.Show();
  admin_->Execute("drop schema " + schema_ + "_empty");
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_NE(ui.messages.front().find(schema_ + "_empty"), std::string::npos) << ui.messages.front();
  EXPECT_EQ(ui.messages.front().find("s3cret"), std::string::npos) << ui.messages.front();
}

TEST_F(PgFormTest, ALockHeldByAnotherSessionIsWaitedForThenAskedAndNothingIsLost) {
  RecordingUi ui;
  TfrmMain form(ContextFor(uri_, host_), ui);
  form.Show();
  ASSERT_EQ(form.Tag(), 1) << (ui.messages.empty() ? "" : ui.messages.back());
  form.SetText("T_46", "审计部");
  auto other = Connect();
  other->Begin();               // another auditor's close under way, or a program writing the table
  ui.answers.push_back(false);  // keep the form open
  EXPECT_FALSE(form.RequestClose());
  EXPECT_TRUE(ui.Saw("是否不保存参数直接关闭")) << (ui.messages.empty() ? "" : ui.messages.back());
  EXPECT_EQ(form.Text("T_46"), "审计部");
  other->Rollback();
  EXPECT_TRUE(form.RequestClose());
  EXPECT_EQ(StoredOn(*other, "T_46"), "审计部");
}

TEST_F(PgFormTest, TwoAuditorsClosingTheSameProjectTheLaterCloseWinsEveryKey) {
  RecordingUi first_ui, second_ui;
  TfrmMain first(ContextFor(uri_, host_), first_ui);
  TfrmMain second(ContextFor(uri_, host_), second_ui);
  first.Show();
  second.Show();
  first.SetText("T_46", "一审");
  first.SetText("D_2", "100");
  second.SetText("T_46", "二审");
  EXPECT_TRUE(first.RequestClose());
  EXPECT_TRUE(second.RequestClose());
  auto connection = Connect();
  EXPECT_EQ(StoredOn(*connection, "T_46"), "二审");
  EXPECT_EQ(StoredOn(*connection, "D_2"), "");  // the second form's own (empty) field, one row
}

TEST_F(PgFormTest, AUriNamingTwoHostsOpensOnTheSecondWhenTheFirstIsDown) {
  RecordingUi ui;
  TfrmMain form(ContextFor("postgresql:///torva?host=/nonexistent/folder," + ClusterFolder() +
                               "&user=postgres&target_session_attrs=read-write&options="
                               "-csearch_path%3D" +
                               schema_,
                           host_),
                ui);
  form.Show();
  EXPECT_EQ(form.Tag(), 1) << (ui.messages.empty() ? "" : ui.messages.back());
  form.SetText("T_46", "审计部");
  EXPECT_TRUE(form.RequestClose());
  EXPECT_EQ(StoredOn(*Connect(), "T_46"), "审计部");
}

// The server stopped while the form is open: a cluster of the test's own.
class PgFormServerStopTest : public torva::testing::OwnClusterTest {
 protected:
  PgFormServerStopTest() : OwnClusterTest(".form.") {}
  void SetUp() override {
    OwnClusterTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    db::postgres::OpenDatabase(uri_, {})->Execute(
        "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'Auto','0')");
  }
  HostFolder host_;
};

TEST_F(PgFormServerStopTest, ACloseWhileTheServerIsDownKeepsTheFieldsAndTheNextCloseSavesThem) {
  RecordingUi ui;
  TfrmMain form(ContextFor(uri_, host_), ui);
  form.Show();
  ASSERT_EQ(form.Tag(), 1);
  form.SetText("T_46", "审计部");
  form.SetText("D_2", "12.345");
  ASSERT_EQ(Cluster("halt"), 0);
  ui.answers.push_back(false);  // keep the form open
  EXPECT_FALSE(form.RequestClose());
  EXPECT_TRUE(ui.Saw("是否不保存参数直接关闭"));
  EXPECT_EQ(form.Text("T_46"), "审计部");
  ASSERT_EQ(Cluster("resume"), 0);
  EXPECT_TRUE(form.RequestClose());
  auto connection = db::postgres::OpenDatabase(uri_, {});
  EXPECT_EQ(StoredOn(*connection, "T_46"), "审计部");
  EXPECT_EQ(StoredOn(*connection, "D_2"), "12.35");
}

TEST_F(PgFormServerStopTest, AnOpenWhileTheServerIsDownSaysSoInLibpqsWordsAndTheFormCloses) {
  ASSERT_EQ(Cluster("halt"), 0);
  RecordingUi ui;
  TfrmMain form(ContextFor(uri_, host_), ui);
  form.Show();
  EXPECT_TRUE(form.ended());
  ASSERT_EQ(ui.messages.size(), 1u);
  // A server's cause, not a file's, then libpq's words.
  EXPECT_EQ(ui.messages[0].rfind("[提示] 无法连接数据库服务器：connection to server", 0), 0u)
      << ui.messages[0];
  ASSERT_EQ(Cluster("resume"), 0);
}

}  // namespace
}  // namespace torva::audit
