// The form never holds the project file against other programs while it waits for the auditor:
// after the show and its refresh (at every audit stage) and after the refresh button, another
// program writes the file at once.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "audit/tfrm_main.h"
#include "unit/form_test_support.h"

namespace torva::audit {
namespace {

namespace fs = std::filesystem;

using torva::testing::ContextFor;
using torva::testing::MakeTempFolder;
using torva::testing::ReadFile;
using torva::testing::RecordingUi;
using torva::testing::RunSql;

class ProjectFileAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempFolder("torva-access");
    fs::create_directories(host() / "Data");
    RunSql(host() / "Data/GL.mgl", ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/fee_standard.sql"));
    db_ = dir_ / "project.db";
    // The demo budget, automatic refresh on: the show refreshes every column of its stage.
    RunSql(db_, ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/project_schema.sql") +
                    ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/demo_project.sql"));
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  fs::path host() const { return dir_ / "host"; }

  // Another program's write, by a program of its own that does not wait for locks: it fails at
  // once when the form holds the file.
  void AnotherProgramWrites(const std::string& what) {
    SCOPED_TRACE(what);
    RunSql(db_, "insert into G_GCCS values(-99, 'other program', '" + what + "');");
  }

  fs::path dir_;
  fs::path db_;
};

TEST_F(ProjectFileAccessTest, AnotherProgramWritesWhileTheFormIsOpenAtEveryStage) {
  for (const std::string stage : {"0", "1", "2", "3", "4"}) {
    RecordingUi ui;
    TfrmMain form(ContextFor(db_, host(), stage), ui);
    form.Show();
    ASSERT_EQ(form.Tag(), 1) << stage;
    EXPECT_TRUE(ui.messages.empty()) << stage << ": " << ui.messages.front();
    AnotherProgramWrites("after the show at stage " + stage);
    form.UserAction([&] { form.model().button("RzButton2").Click(); });
    AnotherProgramWrites("after the refresh button at stage " + stage);
    ui.answers = {true};
    ASSERT_TRUE(form.RequestClose()) << stage;
  }
}

}  // namespace
}  // namespace torva::audit
