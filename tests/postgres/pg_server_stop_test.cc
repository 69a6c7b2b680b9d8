// The server stopped at once while a connection is open and while a save is under way: a cluster of
// the test's own, since stopping the shared one would fail every test running beside it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/failure.h"
#include "db/postgres/pg_backend.h"
#include "postgres/pg_test_support.h"

namespace torva::db {
namespace {

class PgServerStopTest : public torva::testing::OwnClusterTest {
 protected:
  PgServerStopTest() : OwnClusterTest(".") {}

  static std::string Rows(Connection& connection) {
    return connection
        .Open(
            "select coalesce(string_agg(CSName || '=' || S_Val, ',' order by CSName), '') as R "
            "from G_GCCS where GCID=-1")
        ->AsText("R");
  }

  static std::vector<std::string> Unit(const std::string& key, const std::string& value) {
    return {"Delete from G_GCCS where GCID=-1 and CSName='" + key + "'",
            "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'" + key + "','" + value + "')"};
  }
};

TEST_F(PgServerStopTest, AStatementWhileTheServerIsDownIsALostConnectionMendedWhenItIsBack) {
  auto connection = postgres::OpenDatabase(uri_, {});
  connection->Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'A','1')");
  ASSERT_EQ(Cluster("halt"), 0);
  try {
    connection->Open("select count(*) as N from G_GCCS");
    ADD_FAILURE() << "a statement succeeded on a stopped server";
  } catch (const DbError& error) {
    EXPECT_EQ(error.kind(), FailureKind::kConnectionLost) << error.what();
  }
  try {
    connection->Reconnect();
    ADD_FAILURE() << "reconnected to a stopped server";
  } catch (const DbError& error) {
    EXPECT_EQ(error.kind(), FailureKind::kConnectionLost) << error.what();
  }
  ASSERT_EQ(Cluster("resume"), 0);
  EXPECT_EQ(Rows(*connection), "A=1");  // the next read connects afresh
}

TEST_F(PgServerStopTest, ASaveCutOffBeforeItsCommitLeavesNothingHalfWrittenAndCanBeDoneAgain) {
  auto connection = postgres::OpenDatabase(uri_, {});
  connection->Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'A','old')");
  connection->Begin();
  const std::vector<std::vector<std::string>> units = {Unit("A", "new"), Unit("B", "2")};
  const auto outcomes = connection->RunUnits(units, "torva_key");
  ASSERT_EQ(outcomes.size(), 2u);
  ASSERT_EQ(Cluster("halt"), 0);
  try {
    connection->Commit();
    ADD_FAILURE() << "a commit succeeded on a stopped server";
  } catch (const DbError& error) {
    EXPECT_EQ(error.kind(), FailureKind::kConnectionLost) << error.what();
  }
  EXPECT_NO_THROW(connection->Rollback());  // nothing left to roll back
  ASSERT_EQ(Cluster("resume"), 0);
  EXPECT_EQ(Rows(*connection), "A=old");  // nothing of the cut-off save
  // The same save once the server is back: it connects afresh, and writes everything, once.
  connection->Begin();
  connection->RunUnits(units, "torva_key");
  connection->Commit();
  EXPECT_EQ(Rows(*connection), "A=new,B=2");
}

}  // namespace
}  // namespace torva::db
