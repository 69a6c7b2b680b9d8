// A project and a host folder deep in Chinese folder names: paths far longer than SQLite's own
// limit of about 500 bytes, up to the 4,096 bytes Linux allows, open, save and open again.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "audit/tfrm_main.h"
#include "unit/form_test_support.h"

namespace torva::audit {
namespace {

namespace fs = std::filesystem;

using torva::testing::At;
using torva::testing::ContextFor;
using torva::testing::Insert;
using torva::testing::MakeTempFolder;
using torva::testing::ReadFile;
using torva::testing::RecordingUi;
using torva::testing::RunSql;
using torva::testing::Stored;

// `base` followed by folders named in Chinese until the path is about `length` bytes long.
fs::path DeepFolder(const fs::path& base, std::size_t length) {
  fs::path folder = base;
  for (int level = 0; folder.string().size() + 60 < length; ++level) {
    folder /= "审计项目资料第" + std::to_string(level) + "层文件夹（通信工程）";
  }
  fs::create_directories(folder);
  return folder;
}

TEST(LongPathsTest, AProjectDeepInChineseFoldersOpensSavesAndOpensAgain) {
  const fs::path dir = MakeTempFolder("torva-long");
  for (const std::size_t length : {std::size_t{700}, std::size_t{4000}}) {
    SCOPED_TRACE(length);
    const fs::path folder = DeepFolder(dir / std::to_string(length), length);
    const fs::path host = folder / "宿主";
    fs::create_directories(host / "Data");
    const fs::path db = folder / "项目.db";
    ASSERT_GT(db.string().size(), 600u);
    ASSERT_LT(db.string().size(), 4096u);
    // The fixtures are written at a short path by a program of SQLite's own limits, then moved.
    RunSql(dir / "fees.db", ReadFile(fs::path(TORVA_SOURCE_DIR) / "tests/data/small_fees.sql"));
    fs::rename(dir / "fees.db", host / "Data/GL.mgl");
    RunSql(dir / "project.db", ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/project_schema.sql") +
                                   Insert("Auto", "0") + Insert("T_46", "old"));
    fs::rename(dir / "project.db", db);
    {
      RecordingUi ui;
      TfrmMain form(ContextFor(db, host), ui);
      form.Show();
      EXPECT_EQ(form.Tag(), 1);
      form.UserAction([&] { form.SetText("T_46", "new"); });
      EXPECT_TRUE(form.RequestClose());
      EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    }
    EXPECT_EQ(At(Stored(db), "T_46"), "new");
    EXPECT_FALSE(fs::exists(folder / "项目.db-journal"));
    RecordingUi ui;
    TfrmMain form(ContextFor(db, host), ui);
    form.Show();
    EXPECT_EQ(form.Text("T_46"), "new");
    EXPECT_TRUE(form.RequestClose());
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
}

}  // namespace
}  // namespace torva::audit
