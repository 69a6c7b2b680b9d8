#include "db/postgres/pg_failure.h"

#include <gtest/gtest.h>

namespace torva::db::postgres {
namespace {

TEST(PgFailureTest, TheServersCodesAreToldByWhatTheyMeanToASave) {
  EXPECT_EQ(KindOfSqlState("08006"), FailureKind::kConnectionLost);  // connection_failure
  EXPECT_EQ(KindOfSqlState("08000"), FailureKind::kConnectionLost);
  EXPECT_EQ(KindOfSqlState("57P01"), FailureKind::kConnectionLost);  // admin_shutdown
  EXPECT_EQ(KindOfSqlState("55P03"), FailureKind::kLocked);          // lock_timeout
  EXPECT_EQ(KindOfSqlState("25006"), FailureKind::kReadOnly);        // read-only transaction
  EXPECT_EQ(KindOfSqlState("53100"), FailureKind::kFull);            // disk_full
  EXPECT_EQ(KindOfSqlState("42P01"), FailureKind::kMissingTable);    // undefined_table
  EXPECT_EQ(KindOfSqlState("42703"), FailureKind::kMissingColumn);   // undefined_column
  EXPECT_EQ(KindOfSqlState("22012"), FailureKind::kDivisionByZero);
  EXPECT_EQ(KindOfSqlState("XX001"), FailureKind::kDamaged);
}

TEST(PgFailureTest, AnythingElseConcernsTheOneStatement) {
  EXPECT_EQ(KindOfSqlState("23505"), FailureKind::kOther);  // unique_violation
  EXPECT_EQ(KindOfSqlState("P0001"), FailureKind::kOther);  // raised by a trigger
  EXPECT_EQ(KindOfSqlState("53200"), FailureKind::kOther);  // out of memory: not the disk
  EXPECT_EQ(KindOfSqlState(""), FailureKind::kOther);
  EXPECT_EQ(KindOfSqlState("0800"), FailureKind::kOther);
}

}  // namespace
}  // namespace torva::db::postgres
