// The worker-day rows of the construction-fee and preliminary-review pages keep three decimals when
// the form saves them; every other number keeps two. Each of the ten keys is checked on its own, so
// that a key missing from the rule (or one too many) shows by name.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "audit/tfrm_main.h"
#include "unit/form_test_support.h"

namespace torva::audit {
namespace {

namespace fs = std::filesystem;
using torva::testing::At;
using torva::testing::ContextFor;
using torva::testing::Insert;
using torva::testing::RecordingUi;

const char* const kLabourDays[] = {"D_7", "D_8", "T_5",  "T_6",    "T_15",
                                   "T_16", "T_40", "T_41", "Date_4", "Date_5"};

// The row each neighbour stands on keeps two decimals: the rule belongs to the ten keys, not to a
// page or a column.
const char* const kNeighbours[] = {"D_6", "T_4", "T_14", "T_39", "Date_3", "Date_6"};

class LabourDaysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = torva::testing::MakeTempFolder("torva-labour");
    fs::create_directories(dir_ / "host");
    db_ = dir_ / "project.db";
    torva::testing::CreateProject(db_);
    torva::testing::RunSql(db_, Insert("Auto", "0"));
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  // Opens the project, types `text` into each of `keys` and closes the form; returns the rows saved.
  template <typename Keys>
  std::map<std::string, std::string> SaveEach(const Keys& keys, const std::string& text) {
    TfrmMain form(ContextFor(db_, dir_ / "host"), ui_);
    form.Show();
    for (const char* key : keys) form.UserAction([&] { form.SetText(key, text); });
    EXPECT_TRUE(form.RequestClose());
    return torva::testing::Stored(db_);
  }

  fs::path dir_;
  fs::path db_;
  RecordingUi ui_;
};

TEST_F(LabourDaysTest, EachOfTheTenKeysIsSavedWithThreeDecimals) {
  const auto stored = SaveEach(kLabourDays, "2.5");
  for (const char* key : kLabourDays) EXPECT_EQ(At(stored, key), "2.500") << key;
}

TEST_F(LabourDaysTest, TheirNeighboursAreSavedWithTwo) {
  const auto stored = SaveEach(kNeighbours, "2.5");
  for (const char* key : kNeighbours) EXPECT_EQ(At(stored, key), "2.50") << key;
}

}  // namespace
}  // namespace torva::audit
