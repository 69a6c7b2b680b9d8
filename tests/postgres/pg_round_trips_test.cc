// Round trips to the server, counted by the backend (never timed): the reads of an open asked
// together, and what the form's open, keystroke and close cost with the demo project.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "audit/tfrm_main.h"
#include "db/connection.h"
#include "db/failure.h"
#include "db/postgres/pg_backend.h"
#include "postgres/pg_test_support.h"
#include "unit/form_test_support.h"

namespace torva {
namespace {

namespace fs = std::filesystem;
using db::postgres::RoundTrips;

class PgPrefetchTest : public testing::PgTest {
 protected:
  void SetUp() override {
    testing::PgTest::SetUp();
    if (IsSkipped()) return;
    CreateProject();
    connection_ = Connect();
    connection_->Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'A','1')");
  }
  std::unique_ptr<db::Connection> connection_;
};

const std::string kRowsOfA = "select S_Val from G_GCCS where CSName=\"A\" order by S_Val";
const std::string kCount = "select count(*) as N from G_GCCS";

TEST_F(PgPrefetchTest, TheReadsGoTogetherAndEachKeptAnswerServesOneOpenOfItsText) {
  const std::vector<std::string> reads = {kRowsOfA, kCount, kRowsOfA};
  const long before = RoundTrips();
  connection_->Prefetch(reads);
  EXPECT_EQ(RoundTrips() - before, 1);
  EXPECT_EQ(connection_->Open(kCount)->AsText("N"), "1");
  EXPECT_EQ(connection_->Open(kRowsOfA)->AsText("S_Val"), "1");
  EXPECT_EQ(connection_->Open(kRowsOfA)->AsText("S_Val"), "1");
  EXPECT_EQ(RoundTrips() - before, 1);
  // Both kept answers are taken: the third asks the server.
  EXPECT_EQ(connection_->Open(kRowsOfA)->AsText("S_Val"), "1");
  EXPECT_EQ(RoundTrips() - before, 2);
}

TEST_F(PgPrefetchTest, AWriteDropsWhatWasKeptSoNoAnswerPredatesIt) {
  const std::vector<std::string> reads = {kCount, kRowsOfA};
  connection_->Prefetch(reads);
  connection_->Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'A','2')");
  EXPECT_EQ(connection_->Open(kCount)->AsText("N"), "2");
  connection_->Prefetch(reads);
  connection_->Begin();
  connection_->Execute("Delete from G_GCCS where S_Val=\"1\"");
  EXPECT_EQ(connection_->Open(kRowsOfA)->AsText("S_Val"), "2");
  connection_->Rollback();
}

TEST_F(PgPrefetchTest, AFailedReadLeavesTheOthersAnsweredAndItsOpenMeetsTheFailure) {
  const std::vector<std::string> reads = {"select X from NO_SUCH_TABLE", kCount,
                                          "select 1/0 as Q from G_GCCS", kRowsOfA};
  const long before = RoundTrips();
  connection_->Prefetch(reads);
  EXPECT_EQ(connection_->Open(kCount)->AsText("N"), "1");
  EXPECT_EQ(connection_->Open(kRowsOfA)->AsText("S_Val"), "1");
  EXPECT_EQ(RoundTrips() - before, 1);
  try {
    connection_->Open(reads[0]);
    ADD_FAILURE() << "a missing table was read";
  } catch (const db::DbError& error) {
    EXPECT_EQ(error.kind(), db::FailureKind::kMissingTable) << error.what();
  }
  try {
    connection_->Open(reads[2]);
    ADD_FAILURE() << "a division by zero was read";
  } catch (const db::DbError& error) {
    EXPECT_EQ(error.kind(), db::FailureKind::kDivisionByZero) << error.what();
  }
}

// The audited demo project at audit stage "4", as an auditor opens it: automatic refresh on.
class PgFormRoundTripsTest : public testing::PgTest {
 protected:
  void SetUp() override {
    testing::PgTest::SetUp();
    if (IsSkipped()) return;
    CreateProject();
    const std::string load = "psql -X -q -v ON_ERROR_STOP=1 -d '" + uri_ + "' -f '" +
                             std::string(TORVA_SOURCE_DIR) + "/data/demo_project.sql' >/dev/null";
    ASSERT_EQ(std::system(load.c_str()), 0);
    host_ = testing::MakeTempFolder("torva-pg-trips");
    fs::create_directories(host_ / "Data");
    testing::RunSql(host_ / "Data" / "GL.mgl",
                    testing::ReadFile(fs::path(TORVA_SOURCE_DIR) / "tests/data/small_fees.sql"));
  }
  void TearDown() override {
    std::error_code ignored;
    if (!host_.empty()) fs::remove_all(host_, ignored);
    testing::PgTest::TearDown();
  }
  audit::FormContext Context() const {
    audit::FormContext context;
    context.db_path = uri_;
    context.stage = "4";
    context.host_folder = host_.string() + "/";
    return context;
  }
  fs::path host_;
};

TEST_F(PgFormRoundTripsTest, OpenKeystrokeAndCloseEachTakeAtMostThreeRoundTrips) {
  testing::RecordingUi ui;
  audit::TfrmMain form(Context(), ui);
  // The connection's set-up counts; libpq's handshake does not.
  long before = RoundTrips();
  form.Show();
  const long open = RoundTrips() - before;
  ASSERT_EQ(form.Tag(), 1) << (ui.messages.empty() ? "" : ui.messages.back());
  ASSERT_TRUE(ui.messages.empty()) << ui.messages.front();
  EXPECT_EQ(form.Text("T_9"), "1046700");  // the auditor's fee, read by the refresh
  EXPECT_LE(open, 3) << "round trips of the open";

  before = RoundTrips();
  form.UserAction([&] { form.SetText("T_44", "45"); });
  EXPECT_EQ(RoundTrips() - before, 0);

  before = RoundTrips();
  EXPECT_TRUE(form.RequestClose());
  EXPECT_LE(RoundTrips() - before, 3) << "round trips of the close";
  EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
}

TEST_F(PgFormRoundTripsTest, ARefreshAfterAnOpenWithoutItReadsTheBudgetAsItIsThen) {
  Connect()->Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'Auto','0')");
  testing::RecordingUi ui;
  audit::TfrmMain form(Context(), ui);
  form.Show();
  ASSERT_EQ(form.Tag(), 1) << (ui.messages.empty() ? "" : ui.messages.back());
  // Another program changes the auditor's discounted fee after the open asked its reads.
  Connect()->Execute("Update G_QF set HJFY=HJFY+1000 where XM=\"折扣后施工费\"");
  form.UserAction([&] { form.model().button("RzButton2").Click(); });
  EXPECT_EQ(form.Text("T_9"), "1048700");
  EXPECT_TRUE(form.RequestClose());
}

}  // namespace
}  // namespace torva
