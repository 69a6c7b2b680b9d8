// Fee expressions are evaluated by the form's own arithmetic engine: a keystroke in T_44, which
// recomputes both fees of the auditor column, sends not one statement to the project database.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "audit/tfrm_main.h"
#include "db/sqlite/sqlite_connection.h"
#include "unit/form_test_support.h"

namespace torva::audit {
namespace {

namespace fs = std::filesystem;

using torva::testing::ContextFor;
using torva::testing::MakeTempFolder;
using torva::testing::ReadFile;
using torva::testing::RecordingUi;
using torva::testing::RunSql;

int CountStatement(unsigned, void* count, void*, void*) {
  ++*static_cast<int*>(count);
  return 0;
}

TEST(FeeEngineTest, AKeystrokeInT44SendsNoStatementToTheProjectDatabase) {
  const fs::path dir = MakeTempFolder("torva-fee-engine");
  fs::create_directories(dir / "host/Data");
  RunSql(dir / "host/Data/GL.mgl",
         ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/fee_standard.sql"));
  RunSql(dir / "project.db", ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/project_schema.sql") +
                                 ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/demo_project.sql"));
  RecordingUi ui;
  TfrmMain form(ContextFor(dir / "project.db", dir / "host", "4"), ui);
  form.Show();
  ASSERT_EQ(form.Tag(), 1);
  auto* project = dynamic_cast<db::sqlite::SqliteConnection*>(form.project_database());
  ASSERT_NE(project, nullptr);
  int statements = 0;
  sqlite3_trace_v2(project->handle(), SQLITE_TRACE_STMT, CountStatement, &statements);

  const std::string design_fee = form.Text("T_32");
  // Two keystrokes: "8", then "80".
  form.UserAction([&] { form.SetText("T_44", "8"); });
  form.UserAction([&] { form.SetText("T_44", "80"); });
  EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
  // The design fee was recomputed with the coefficient, its expression evaluated...
  EXPECT_FALSE(design_fee.empty());
  EXPECT_NE(form.Text("T_32"), design_fee);
  // ...and not on the project database.
  EXPECT_EQ(statements, 0);

  sqlite3_trace_v2(project->handle(), 0, nullptr, nullptr);
  ASSERT_TRUE(form.RequestClose());
  std::error_code ignored;
  fs::remove_all(dir, ignored);
}

}  // namespace
}  // namespace torva::audit
