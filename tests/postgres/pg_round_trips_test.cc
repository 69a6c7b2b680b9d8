// Round trips to the server, counted by the backend (never timed): the reads of an open asked
// together.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/failure.h"
#include "db/postgres/pg_backend.h"
#include "postgres/pg_test_support.h"

namespace torva {
namespace {

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

}  // namespace
}  // namespace torva
