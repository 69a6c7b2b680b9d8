// The PostgreSQL backend through the storage interface, on the private cluster.
#include "db/postgres/pg_backend.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "db/connection.h"
#include "db/failure.h"
#include "postgres/pg_test_support.h"
#include "text/error.h"
#include "unit/error_of.h"

namespace torva::db {
namespace {

using torva::testing::ClusterFolder;
using torva::testing::ClusterUri;
using torva::testing::ErrorOf;

class PgBackendTest : public torva::testing::PgTest {};

// The kind of the DbError `action` throws; nullopt when it throws none.
template <typename Action>
std::optional<FailureKind> KindOf(Action action) {
  try {
    action();
  } catch (const DbError& error) {
    return error.kind();
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// A new project

TEST_F(PgBackendTest, InitCreatesTheTablesInTheFirstSchemaOfTheSearchPathOnce) {
  CreateProject();
  const ResultPtr tables =
      admin_->Open("select count(*) as N from pg_tables where schemaname='" + schema_ + "'");
  EXPECT_EQ(tables->AsText("N"), "3");
  const std::string again = ErrorOf([&] { CreateProject(); });
  EXPECT_NE(again.find("G_GCCS, G_QF, P_ZHZ"), std::string::npos) << again;
}

TEST_F(PgBackendTest, InitRefusesASearchPathWithoutASchemaThatExists) {
  const std::string uri = ClusterUri() + "&options=-csearch_path%3Dno_such_schema";
  EXPECT_NE(ErrorOf([&] { postgres::CreateProject(uri); }).find("no schema"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// The form's statements

TEST_F(PgBackendTest, TheRefreshReadsTheSameFiguresAsFromAFile) {
  CreateProject();
  auto connection = Connect();
  connection->Execute(
      "insert into G_QF(XM,SGHJFY,HJFY,SGJSS) values('税金',0.1,1.005,'500*0.9'),"
      "('税金',0.2,NULL,NULL)");
  connection->Execute("insert into P_ZHZ values(32000,101,2,2.675),(32000,101,NULL,1500)");
  ResultPtr sum = connection->Open("select sum(SGHJFY) as HJ from G_QF where XM=\"税金\"");
  EXPECT_EQ(sum->AsText("HJ"), "0.3");
  EXPECT_DOUBLE_EQ(sum->AsFloat("hj"), 0.1 + 0.2);
  sum = connection->Open("select sum(SGHJFY) as HJ from G_QF where XM=\"没有\"");
  EXPECT_TRUE(sum->IsNull("HJ"));
  EXPECT_EQ(sum->AsText("HJ"), "");
  // The doubles nearest 2.675 and 1.005 lie below the half: "0.00" rounds them down, as SQLite.
  ResultPtr other = connection->Open(
      "select Format(QTFY,\"0.00\") as QTF from P_ZHZ where GCID=32000 and LX>100 and DepID=2");
  EXPECT_EQ(other->AsText("QTF"), "2.67");
  other = connection->Open(
      "select Format(QTFY,\"0.00\") as QTF from P_ZHZ where GCID=32000 and LX>100 and "
      "(DepID=0 or IsNull(DepID))");
  EXPECT_EQ(other->AsText("QTF"), "1500.00");
  EXPECT_DOUBLE_EQ(other->AsFloat("QTF"), 1500);
  const ResultPtr real = connection->Open("select 7/2 as HJ, IIF(1=1,\"是\",\"否\") as T");
  EXPECT_EQ(real->AsText("HJ"), "3.5");
  EXPECT_EQ(real->AsText("T"), "是");
}

TEST_F(PgBackendTest, AmountsAsNumericAndTextsAsVarcharAreReadAlike) {
  auto connection = Connect();
  connection->Execute("create table G_QF (XM varchar(40), HJFY numeric(14,3))");
  connection->Execute("create table P_ZHZ (GCID integer, LX integer, DepID integer, QTFY numeric)");
  connection->Execute("insert into G_QF values('税金',12.500),('税金',0.005)");
  connection->Execute("insert into P_ZHZ values(32000,101,3,1.005)");
  const ResultPtr sum = connection->Open("select sum(HJFY) as HJ from G_QF where XM=\"税金\"");
  EXPECT_EQ(sum->AsText("HJ"), "12.505");
  EXPECT_DOUBLE_EQ(sum->AsFloat("HJ"), 12.505);
  // An exact decimal keeps its digits: 1.005 is a half, rounded away from zero.
  const ResultPtr other = connection->Open(
      "select Format(QTFY,\"0.00\") as QTF from P_ZHZ where GCID=32000 and LX>100 and DepID=3");
  EXPECT_EQ(other->AsText("QTF"), "1.01");
}

TEST_F(PgBackendTest, TextsGoThroughUnchangedWhateverTheyHold) {
  CreateProject();
  auto connection = Connect();
  const std::string value = "it's \\ \"引号\" $1 --; drop table G_QF";
  connection->Execute(
      "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'T_46','it''s \\ \"引号\" $1 "
      "--; drop table G_QF')");
  const ResultPtr rows = connection->Open("select CSName,S_Val from G_GCCS where GCID=-1");
  ASSERT_FALSE(rows->Eof());
  EXPECT_EQ(rows->AsText("S_Val"), value);
  EXPECT_NO_THROW(connection->Open("select XM from G_QF"));
}

// ---------------------------------------------------------------------------------------------
// Failures by kind, in the engine's words

TEST_F(PgBackendTest, FailuresAreToldByKind) {
  auto connection = Connect();
  EXPECT_EQ(KindOf([&] { connection->Open("select XM from G_QF"); }), FailureKind::kMissingTable);
  CreateProject();
  EXPECT_EQ(KindOf([&] { connection->Open("select NOPE from G_QF"); }),
            FailureKind::kMissingColumn);
  EXPECT_EQ(KindOf([&] { connection->Open("select 1/0 as HJ"); }), FailureKind::kDivisionByZero);
  EXPECT_EQ(KindOf([&] { connection->Open("select 2^2 as HJ"); }), FailureKind::kOther);
  EXPECT_EQ(KindOf([&] { connection->Execute("delete from G_QF; delete from P_ZHZ"); }),
            FailureKind::kOther);
}

TEST_F(PgBackendTest, AReadOnlyConnectionWritesNothingAndSaysSoBeforehand) {
  CreateProject();
  auto connection = Connect({.read_only = true});
  ASSERT_TRUE(connection->WriteBlocker().has_value());
  EXPECT_EQ(connection->WriteBlocker()->kind(), FailureKind::kReadOnly);
  EXPECT_EQ(KindOf([&] { connection->Execute("Insert into G_GCCS(GCID) Values(-1)"); }),
            FailureKind::kReadOnly);
  EXPECT_FALSE(Connect()->WriteBlocker().has_value());
}

TEST_F(PgBackendTest, ARoleWithoutWriteRightsIsKnownBeforeTheSave) {
  CreateProject();
  admin_->Execute("drop role if exists " + schema_ + "_reader");
  admin_->Execute("create role " + schema_ + "_reader login");
  admin_->Execute("grant usage on schema " + schema_ + " to " + schema_ + "_reader");
  admin_->Execute("grant select on all tables in schema " + schema_ + " to " + schema_ + "_reader");
  {
    auto reader =
        postgres::OpenDatabase("postgresql:///torva?host=" + ClusterFolder() + "&user=" + schema_ +
                                   "_reader&options=-csearch_path%3D" + schema_,
                               {});
    ASSERT_TRUE(reader->WriteBlocker().has_value());
    EXPECT_EQ(reader->WriteBlocker()->kind(), FailureKind::kReadOnly);
    EXPECT_EQ(KindOf([&] { reader->Execute("Delete from G_GCCS where GCID=-1"); }),
              FailureKind::kReadOnly);
  }
  admin_->Execute("drop owned by " + schema_ + "_reader");
  admin_->Execute("drop role " + schema_ + "_reader");
}

// ---------------------------------------------------------------------------------------------
// The save's transaction

TEST_F(PgBackendTest, AFailedUnitLeavesNoTraceAndTheOthersAreKept) {
  CreateProject();
  auto connection = Connect();
  connection->Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'B','old')");
  connection->Begin();
  const std::vector<std::vector<std::string>> units = {
      {"Delete from G_GCCS where GCID=-1 and CSName='A'",
       "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'A','1')"},
      {"Delete from G_GCCS where GCID=-1 and CSName='B'",
       "Insert into G_GCCS(GCID,CSName,NOPE) Values(-1,'B','2')"},
      {"Delete from G_GCCS where GCID=-1 and CSName='C'",
       "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'C','3')"}};
  const auto outcomes = connection->RunUnits(units, "torva_key");
  connection->Commit();
  ASSERT_EQ(outcomes.size(), 3u);
  EXPECT_FALSE(outcomes[0].rolled_back);
  EXPECT_TRUE(outcomes[1].rolled_back);
  ASSERT_EQ(outcomes[1].statements.size(), 2u);
  EXPECT_FALSE(outcomes[1].statements[0].error.has_value());
  ASSERT_TRUE(outcomes[1].statements[1].error.has_value());
  EXPECT_EQ(outcomes[1].statements[1].error->kind(), FailureKind::kMissingColumn);
  EXPECT_FALSE(outcomes[2].rolled_back);
  const ResultPtr rows = connection->Open(
      "select string_agg(CSName || '=' || S_Val, ',' order by CSName) as R "
      "from G_GCCS where GCID=-1");
  EXPECT_EQ(rows->AsText("R"), "A=1,B=old,C=3");
}

TEST_F(PgBackendTest, ManyUnitsSentTogetherKeepEveryUnitButTheFailedOnes) {
  CreateProject();
  auto connection = Connect();
  std::vector<std::vector<std::string>> units;
  for (int k = 0; k < 300; ++k) {
    const std::string key = "K" + std::to_string(k);
    units.push_back({"Delete from G_GCCS where GCID=-1 and CSName='" + key + "'",
                     "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'" + key + "','v')"});
  }
  units[3][0] = "Delete from G_GCCS where GCID=-1 and NOPE='K3'";  // fails first, insert still runs
  units[70][1] =
      "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'K70',2^2)";  // does not translate
  units[280][1] =
      "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'K280',1/0)";  // a later pipeline
  connection->Begin();
  const auto outcomes = connection->RunUnits(units, "torva_key");
  connection->Commit();
  ASSERT_EQ(outcomes.size(), 300u);
  for (int k = 0; k < 300; ++k) {
    const bool failed = k == 3 || k == 70 || k == 280;
    EXPECT_EQ(outcomes[k].rolled_back, failed) << k;
    EXPECT_EQ(outcomes[k].statements.size(), 2u) << k;
  }
  EXPECT_FALSE(outcomes[3].statements[1].error.has_value());  // ran, and was undone with its unit
  EXPECT_EQ(outcomes[280].statements[1].error->kind(), FailureKind::kDivisionByZero);
  const ResultPtr rows = connection->Open(
      "select count(*) as N, count(distinct CSName) as D from G_GCCS where GCID=-1");
  EXPECT_EQ(rows->AsText("N"), "297");
  EXPECT_EQ(rows->AsText("D"), "297");
}

TEST_F(PgBackendTest, ACommitOfAFailedTransactionIsNoSuccess) {
  CreateProject();
  auto connection = Connect();
  connection->Begin();
  EXPECT_THROW(connection->Execute("Insert into G_GCCS(NOPE) Values(1)"), DbError);
  EXPECT_THROW(connection->Commit(), DbError);
  connection->Rollback();
  EXPECT_NO_THROW(connection->Execute("Insert into G_GCCS(GCID) Values(1)"));
}

TEST_F(PgBackendTest, AWriteLockOfAnotherSessionIsWaitedForThenTold) {
  CreateProject();
  auto other = Connect();
  other->Begin();  // holds the right to write, as a save in progress does
  auto connection = Connect();
  const auto kind = KindOf([&] { connection->Begin(); });
  EXPECT_EQ(kind, FailureKind::kLocked);
  other->Rollback();
  EXPECT_NO_THROW(connection->Begin());
  connection->Rollback();
}

TEST_F(PgBackendTest, TwoSavesOfOneProjectFollowEachOtherAndTheLaterWinsEveryKey) {
  CreateProject();
  const auto units = [](const std::string& value) {
    std::vector<std::vector<std::string>> all;
    for (const char* key : {"D_1", "D_2", "T_1"}) {
      all.push_back({std::string("Delete from G_GCCS where GCID=-1 and CSName='") + key + "'",
                     std::string("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'") + key +
                         "','" + value + "')"});
    }
    return all;
  };
  auto first = Connect();
  auto second = Connect();
  first->Begin();
  first->RunUnits(units("first"), "torva_key");
  // The second close starts while the first is under way: it waits for the first to commit.
  std::thread later([&] {
    second->Begin();
    second->RunUnits(units("second"), "torva_key");
    second->Commit();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  first->Commit();
  later.join();
  const ResultPtr rows = first->Open(
      "select string_agg(CSName || '=' || S_Val, ',' order by CSName) as R from G_GCCS where "
      "GCID=-1");
  EXPECT_EQ(rows->AsText("R"), "D_1=second,D_2=second,T_1=second");
}

// ---------------------------------------------------------------------------------------------
// The connection

TEST_F(PgBackendTest, TheProjectIsNamedHostDatabaseSchema) {
  EXPECT_EQ(Connect()->DisplayName(), ClusterFolder() + "/torva/" + schema_);
}

TEST_F(PgBackendTest, ASessionTheServerEndedIsOpenedAgainOutsideATransactionOnly) {
  CreateProject();
  auto connection = Connect();
  const auto end_session = [&] {
    const std::string backend = connection->Open("select pg_backend_pid() as P")->AsText("P");
    admin_->Open("select pg_terminate_backend(" + backend + ") as T");
  };
  // A read is run again on a new connection.
  end_session();
  EXPECT_EQ(connection->Open("select count(*) as N from G_GCCS")->AsText("N"), "0");
  // A write is not: it fails, and the next statement finds a new connection.
  end_session();
  EXPECT_EQ(KindOf([&] { connection->Execute("Insert into G_GCCS(GCID) Values(1)"); }),
            FailureKind::kConnectionLost);
  EXPECT_NO_THROW(connection->Execute("Insert into G_GCCS(GCID) Values(2)"));
  // Inside a transaction the break is final: its statements and its commit fail.
  connection->Begin();
  connection->Execute("Insert into G_GCCS(GCID) Values(3)");
  const std::string backend = connection->Open("select pg_backend_pid() as P")->AsText("P");
  admin_->Open("select pg_terminate_backend(" + backend + ") as T");
  EXPECT_EQ(KindOf([&] { connection->Execute("Insert into G_GCCS(GCID) Values(4)"); }),
            FailureKind::kConnectionLost);
  EXPECT_EQ(KindOf([&] { connection->Commit(); }), FailureKind::kConnectionLost);
  connection->Rollback();
  EXPECT_EQ(
      connection->Open("select string_agg(cast(GCID as text), ',') as G from G_GCCS")->AsText("G"),
      "2");
}

TEST_F(PgBackendTest, TheSecondHostServesWhenTheFirstIsDown) {
  const std::string uri = "postgresql:///torva?host=/nonexistent/folder," + ClusterFolder() +
                          "&user=postgres&target_session_attrs=read-write";
  auto connection = postgres::OpenDatabase(uri, {});
  EXPECT_EQ(connection->Open("select 1 as N")->AsText("N"), "1");
  EXPECT_EQ(connection->DisplayName().substr(0, ClusterFolder().size()), ClusterFolder());
}

TEST_F(PgBackendTest, APasswordNeverAppearsInTheWordsOfAFailure) {
  const std::string uri = "postgresql://postgres:s3cr%25zz@/no_such_db?host=" + ClusterFolder();
  const std::string words = ErrorOf([&] { postgres::OpenDatabase(uri, {}); });
  EXPECT_NE(words, "no error");
  EXPECT_EQ(words.find("s3cr"), std::string::npos) << words;
  const std::string bad = "postgresql://postgres:s3cr%zz@/torva?host=" + ClusterFolder();
  const std::string bad_words = ErrorOf([&] { postgres::OpenDatabase(bad, {}); });
  EXPECT_NE(bad_words, "no error");
  EXPECT_EQ(bad_words.find("s3cr"), std::string::npos) << bad_words;
  EXPECT_EQ(KindOf([&] { postgres::OpenDatabase(uri, {}); }), FailureKind::kCannotConnect);
}

}  // namespace
}  // namespace torva::db
