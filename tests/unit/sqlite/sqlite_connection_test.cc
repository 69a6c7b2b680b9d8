// The SQLite backend of the storage interface: opening files, statements of the dialect, results,
// the save's transaction and savepoints, failures by kind, and what a connection keeps.
#include "db/sqlite/sqlite_connection.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "db/connection.h"
#include "db/connection_string.h"
#include "text/error.h"
#include "unit/error_of.h"

namespace torva::db::sqlite {
namespace {

namespace fs = std::filesystem;

using torva::testing::ErrorOf;

// The kind of the DbError `action` throws; kOther with a failure when it throws none or another.
template <typename Action>
FailureKind KindOf(Action action) {
  try {
    action();
  } catch (const DbError& e) {
    return e.kind();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "not a DbError: " << e.what();
    return FailureKind::kOther;
  }
  ADD_FAILURE() << "no error";
  return FailureKind::kOther;
}

// A fresh folder per test with a project database "project.db" in it.
class DbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "torva-db-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    path_ = (dir_ / "project.db").string();
    CreateDatabase(path_,
                   "create table G_GCCS(GCID integer, CSName text, S_Val text);"
                   "insert into G_GCCS values(-1,'T_1','12.5'),(-1,'T_2','abc'),(-1,'x','1'),"
                   "(-12,'JGGR','7');"
                   "create table N(I integer, R real, T text, Z);"
                   "insert into N values(3, 1500.0, '税金', NULL), (-4, 0.1, '', NULL);");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  static void CreateDatabase(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
  }

  std::unique_ptr<Connection> Connect(OpenOptions options = {}) const {
    return OpenConnection(JetConnectionString(path_), options);
  }

  static int Count(Connection& connection, const std::string& where) {
    return static_cast<int>(
        connection.Open("select count(*) as N from G_GCCS where " + where)->AsFloat("N"));
  }

  fs::path dir_;
  std::string path_;
};

// ---------------------------------------------------------------------------------------------
// Opening

TEST_F(DbTest, AFilePathIsTheFileEngines) {
  const std::unique_ptr<Connection> connection = Connect();
  EXPECT_NE(dynamic_cast<SqliteConnection*>(connection.get()), nullptr);
  EXPECT_EQ(connection->DisplayName(), path_);
}

TEST_F(DbTest, MissingFileFailsAndCreatesNothing) {
  const std::string missing = (dir_ / "none.mdb").string();
  EXPECT_EQ(ErrorOf([&] { OpenConnection(JetConnectionString(missing)); }),
            "Could not find file '" + missing + "'.");
  EXPECT_FALSE(fs::exists(missing));
  EXPECT_EQ(ErrorOf([&] { OpenConnection(JetConnectionString(missing), {.read_only = true}); }),
            "Could not find file '" + missing + "'.");
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(DbTest, EmptyDataSourceFails) {
  const std::string expected =
      "The connection string names no database file (\"Data Source\" is missing or empty).";
  EXPECT_EQ(ErrorOf([&] { OpenConnection(JetConnectionString("")); }), expected);
  EXPECT_EQ(ErrorOf([&] { OpenConnection("Provider=Microsoft.Jet.OLEDB.4.0;"); }), expected);
}

TEST_F(DbTest, WhatIsNoDatabaseFailsAtConnect) {
  EXPECT_EQ(ErrorOf([&] { OpenConnection(JetConnectionString(dir_.string())); }),
            "'" + dir_.string() + "' is a folder, not a database file.");
  const std::string junk = (dir_ / "junk.mdb").string();
  std::ofstream(junk) << std::string(4096, 'x') << "Standard Jet DB";
  EXPECT_EQ(ErrorOf([&] { OpenConnection(JetConnectionString(junk)); }), "file is not a database");
  EXPECT_EQ(KindOf([&] { OpenConnection(JetConnectionString(junk)); }),
            FailureKind::kNotADatabase);
}

TEST_F(DbTest, AnyPathOpensThroughTheConnectionString) {
  for (const char* name :
       {"a;b=c.db", "say \"hi\".db", "it's.db", " blank .db", "审计 项目.mdb", "file:x.db"}) {
    const std::string path = (dir_ / name).string();
    fs::copy_file(path_, path);
    std::unique_ptr<Connection> connection;
    EXPECT_NO_THROW(connection = OpenConnection(JetConnectionString(path))) << path;
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(connection->DisplayName(), path);
    EXPECT_EQ(Count(*connection, "GCID=-1"), 3) << path;
  }
  // "file:x.db" relative to the working folder is a file name, not a URI.
  const fs::path here = fs::current_path();
  fs::current_path(dir_);
  EXPECT_NO_THROW(OpenConnection(JetConnectionString("file:x.db")));
  fs::current_path(here);
}

// ---------------------------------------------------------------------------------------------
// Statements and failures by kind

TEST_F(DbTest, ExecuteRunsTheDesktopDialect) {
  const std::unique_ptr<Connection> connection = Connect();
  connection->Execute("Delete from G_GCCS where GCID=-1 and CSName='x'");
  EXPECT_EQ(Count(*connection, "CSName='x'"), 0);
  connection->Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'a''b','')");
  EXPECT_EQ(Count(*connection, "CSName=\"a'b\" and S_Val=''"), 1);
  connection->Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,\"q\",7/2)");
  EXPECT_EQ(Count(*connection, "CSName='q' and S_Val='3.5'"), 1);
}

TEST_F(DbTest, FailuresCarrySqlitesWordsAndTheirKind) {
  const std::unique_ptr<Connection> connection = Connect();
  EXPECT_EQ(ErrorOf([&] { connection->Execute("delete from nope"); }), "no such table: nope");
  EXPECT_EQ(KindOf([&] { connection->Execute("delete from nope"); }), FailureKind::kMissingTable);
  EXPECT_EQ(KindOf([&] { connection->Open("select Nope from G_GCCS"); }),
            FailureKind::kMissingColumn);
  EXPECT_EQ(ErrorOf([&] { connection->Execute("insert into G_GCCS values(1/0,'a','b')"); }),
            "Division by zero");
  EXPECT_EQ(KindOf([&] { connection->Execute("insert into G_GCCS values(1/0,'a','b')"); }),
            FailureKind::kDivisionByZero);
  EXPECT_EQ(KindOf([&] { connection->Execute("insert into G_GCCS values(1,2"); }),
            FailureKind::kOther);
  EXPECT_EQ(ErrorOf([&] { connection->Execute("  \n "); }), "The SQL statement is empty.");
}

TEST_F(DbTest, ExecuteRunsOneStatementOnly) {
  const std::unique_ptr<Connection> connection = Connect();
  EXPECT_EQ(ErrorOf([&] { connection->Execute("delete from N; delete from G_GCCS"); }),
            "Characters found after end of SQL statement.");
  EXPECT_EQ(Count(*connection, "1=1"), 4);
  // The dialect has no comments: what follows "--" is a second statement.
  EXPECT_EQ(ErrorOf([&] { connection->Execute("delete from G_GCCS; -- done"); }),
            "Characters found after end of SQL statement.");
  EXPECT_EQ(Count(*connection, "1=1"), 4);
  EXPECT_NO_THROW(connection->Execute("delete from G_GCCS where GCID=-12;  "));
  EXPECT_EQ(Count(*connection, "1=1"), 3);
}

TEST_F(DbTest, ReadOnlyConnectionRefusesWritesAndSaysSoBeforeAnyWrite) {
  const std::unique_ptr<Connection> connection = Connect({.read_only = true});
  ASSERT_TRUE(connection->WriteBlocker().has_value());
  EXPECT_EQ(connection->WriteBlocker()->kind(), FailureKind::kReadOnly);
  EXPECT_STREQ(connection->WriteBlocker()->what(), "attempt to write a readonly database");
  EXPECT_EQ(ErrorOf([&] { connection->Execute("delete from G_GCCS"); }),
            "attempt to write a readonly database");
  EXPECT_EQ(KindOf([&] { connection->Execute("delete from G_GCCS"); }), FailureKind::kReadOnly);
  EXPECT_FALSE(Connect()->WriteBlocker().has_value());
}

TEST_F(DbTest, WritesWaitForAnotherProgramsLock) {
  const std::unique_ptr<Connection> connection = Connect();
  const std::unique_ptr<Connection> other = Connect();
  other->Begin();
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    other->Commit();
  });
  EXPECT_NO_THROW(connection->Execute("delete from G_GCCS where GCID=-12"));
  release.join();
  EXPECT_EQ(Count(*connection, "1=1"), 3);
}

// ---------------------------------------------------------------------------------------------
// The save's transaction

TEST_F(DbTest, SavepointsUndoOnlyTheirPartOfTheTransaction) {
  const std::unique_ptr<Connection> connection = Connect();
  connection->Begin();
  connection->Execute("delete from G_GCCS where CSName='x'");
  connection->Savepoint("s");
  connection->Execute("delete from G_GCCS");
  connection->RollbackToSavepoint("s");
  connection->ReleaseSavepoint("s");
  connection->Commit();
  EXPECT_EQ(Count(*connection, "1=1"), 3);
  EXPECT_EQ(ErrorOf([&] { connection->Commit(); }), "cannot commit - no transaction is active");
}

TEST_F(DbTest, RollbackUndoesTheTransactionAndIsHarmlessWithoutOne) {
  const std::unique_ptr<Connection> connection = Connect();
  EXPECT_NO_THROW(connection->Rollback());
  connection->Begin();
  connection->Execute("delete from G_GCCS");
  connection->Rollback();
  EXPECT_EQ(Count(*connection, "1=1"), 4);
  EXPECT_NO_THROW(connection->Rollback());
}

// The save repeats the same few savepoint commands for every key; each behaves as a fresh one each
// time, after a failure too.
TEST_F(DbTest, SavepointCommandsRepeatedBehaveAsNewEachTime) {
  const std::unique_ptr<Connection> connection = Connect();
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(ErrorOf([&] { connection->ReleaseSavepoint("s"); }), "no such savepoint: s");
    connection->Savepoint("s");
    connection->Execute("delete from G_GCCS");
    connection->RollbackToSavepoint("s");
    connection->ReleaseSavepoint("s");
  }
  EXPECT_EQ(Count(*connection, "1=1"), 4);
}

TEST_F(DbTest, BeginTakesTheWriteLockAtOnce) {
  const std::unique_ptr<Connection> connection = Connect();
  connection->Begin();
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &other), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_BUSY);
  sqlite3_close(other);
  connection->Rollback();
}

TEST_F(DbTest, UnitsThatFailLeaveNoTraceAndTheOthersStay) {
  const std::unique_ptr<Connection> connection = Connect();
  connection->Begin();
  const std::vector<std::vector<std::string>> units = {
      {"delete from G_GCCS where CSName='T_1'", "insert into G_GCCS values(-1,'T_1','new')"},
      {"delete from G_GCCS where CSName='T_2'", "insert into G_GCCS values(-1,'T_2'"},
      {"delete from G_GCCS where CSName='x'", "insert into G_GCCS values(-1,'x','2')"},
  };
  const std::vector<Connection::UnitOutcome> outcomes = connection->RunUnits(units, "torva_unit");
  connection->Commit();
  ASSERT_EQ(outcomes.size(), 3u);
  EXPECT_FALSE(outcomes[0].rolled_back);
  EXPECT_TRUE(outcomes[1].rolled_back);
  ASSERT_EQ(outcomes[1].statements.size(), 2u);
  EXPECT_FALSE(outcomes[1].statements[0].error.has_value());
  ASSERT_TRUE(outcomes[1].statements[1].error.has_value());
  EXPECT_EQ(outcomes[1].statements[1].error->kind(), FailureKind::kOther);
  EXPECT_FALSE(outcomes[2].rolled_back);
  EXPECT_EQ(connection->Open("select S_Val from G_GCCS where CSName='T_1'")->AsText("S_Val"),
            "new");
  EXPECT_EQ(Count(*connection, "CSName='T_2'"), 1);
  EXPECT_EQ(connection->Open("select S_Val from G_GCCS where CSName='x'")->AsText("S_Val"), "2");
}

TEST_F(DbTest, UnitsStopAtAFailureNoLaterWriteCanEscape) {
  const std::unique_ptr<Connection> connection = Connect({.read_only = true});
  connection->Begin();
  const std::vector<std::vector<std::string>> units = {
      {"delete from G_GCCS where CSName='T_1'", "insert into G_GCCS values(-1,'T_1','new')"},
      {"delete from G_GCCS where CSName='T_2'"},
  };
  const std::vector<Connection::UnitOutcome> outcomes = connection->RunUnits(units, "torva_unit");
  connection->Rollback();
  ASSERT_EQ(outcomes.size(), 1u);
  ASSERT_EQ(outcomes[0].statements.size(), 1u);
  EXPECT_EQ(outcomes[0].statements[0].error->kind(), FailureKind::kReadOnly);
}

// ---------------------------------------------------------------------------------------------
// Results

TEST_F(DbTest, AResultWalksRowsInOrder) {
  const std::unique_ptr<Connection> connection = Connect();
  const ResultPtr result =
      connection->Open("select CSName,S_Val from G_GCCS where GCID=-1 order by CSName");
  EXPECT_EQ(result->AsText("CSName"), "T_1");
  result->Next();
  EXPECT_EQ(result->AsText("CSName"), "T_2");
  result->Next();
  EXPECT_EQ(result->AsText("CSName"), "x");
  result->Next();
  EXPECT_TRUE(result->Eof());
  result->Next();  // past the end stays there
  EXPECT_TRUE(result->Eof());
  EXPECT_EQ(result->ColumnNames(), (std::vector<std::string>{"CSName", "S_Val"}));
}

TEST_F(DbTest, AsTextRendersEachType) {
  const std::unique_ptr<Connection> connection = Connect();
  const ResultPtr result =
      connection->Open("select I, R, T, Z, 1000001*90000/2000000*0.85 as HJ from N");
  EXPECT_EQ(result->AsText("I"), "3");
  EXPECT_EQ(result->AsText("R"), "1500");
  EXPECT_EQ(result->AsText("T"), "税金");
  EXPECT_EQ(result->AsText("Z"), "");
  EXPECT_EQ(result->AsText("HJ"), "38250.03825");
  result->Next();
  EXPECT_EQ(result->AsText("I"), "-4");
  EXPECT_EQ(result->AsText("R"), "0.1");
  EXPECT_EQ(result->AsText("T"), "");
}

TEST_F(DbTest, AsFloatReadsNumbersStrictly) {
  const std::unique_ptr<Connection> connection = Connect();
  const ResultPtr result =
      connection->Open("select I, R, Z, ' 12.5 ' as S, 'abc' as W, '' as E from N");
  EXPECT_EQ(result->AsFloat("I"), 3.0);
  EXPECT_EQ(result->AsFloat("R"), 1500.0);
  EXPECT_EQ(result->AsFloat("Z"), 0.0);
  EXPECT_TRUE(result->IsNull("Z"));
  EXPECT_FALSE(result->IsNull("I"));
  EXPECT_EQ(result->AsFloat("S"), 12.5);
  EXPECT_EQ(ErrorOf([&] { result->AsFloat("W"); }), "'abc' is not a valid floating point value");
  EXPECT_EQ(ErrorOf([&] { result->AsFloat("E"); }), "'' is not a valid floating point value");
}

TEST_F(DbTest, ColumnsAreFoundByNameIgnoringCase) {
  const std::unique_ptr<Connection> connection = Connect();
  const ResultPtr result = connection->Open("select sum(I) as HJ from N");
  EXPECT_EQ(result->AsText("hj"), "-1");
  EXPECT_EQ(ErrorOf([&] { result->AsText("QTF"); }), "Field 'QTF' not found in the query result.");
  EXPECT_EQ(ErrorOf([&] { result->AsFloat("QTF"); }),
            "Field 'QTF' not found in the query result.");
}

TEST_F(DbTest, NoCurrentRowReadsEmpty) {
  const std::unique_ptr<Connection> connection = Connect();
  const ResultPtr result = connection->Open("select S_Val, GCID from G_GCCS where 1=2");
  EXPECT_TRUE(result->Eof());
  EXPECT_EQ(result->AsText("S_Val"), "");
  EXPECT_EQ(result->AsFloat("GCID"), 0.0);
  EXPECT_TRUE(result->IsNull("GCID"));
}

TEST_F(DbTest, AFailingOpenRunsNothingFurther) {
  const std::unique_ptr<Connection> connection = Connect();
  EXPECT_EQ(ErrorOf([&] { connection->Open("select x from nope"); }), "no such table: nope");
  EXPECT_EQ(ErrorOf([&] { connection->Open("select 5*0/0*0.85 as HJ"); }), "Division by zero");
  EXPECT_EQ(ErrorOf([&] { connection->Open("select 1 as A; delete from G_GCCS"); }),
            "Characters found after end of SQL statement.");
  EXPECT_EQ(Count(*connection, "1=1"), 4);
}

TEST_F(DbTest, RowsAreComputedOnlyAsTheCursorMoves) {
  const std::unique_ptr<Connection> connection = Connect();
  // The second row divides by zero: opening shows the first row, moving on meets the error.
  const ResultPtr result = connection->Open("select 14/(I+4) as Q from N");
  EXPECT_EQ(result->AsText("Q"), "2");
  EXPECT_EQ(ErrorOf([&] { result->Next(); }), "Division by zero");
  EXPECT_TRUE(result->Eof());
}

// A result holds a read lock on the file while it is open; closing it lets another program write.
TEST_F(DbTest, AResultLetsGoOfTheFileWhenItCloses) {
  const std::unique_ptr<Connection> connection = Connect();
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &other), SQLITE_OK);
  const auto other_writes = [other] {
    return sqlite3_exec(other, "insert into N values(9, 9, 'x', NULL)", nullptr, nullptr,
                        nullptr);
  };
  {
    const ResultPtr result = connection->Open("select I from N");
    EXPECT_EQ(other_writes(), SQLITE_BUSY);
  }
  EXPECT_EQ(other_writes(), SQLITE_OK);
  // So does a result whose first step failed.
  EXPECT_NE(ErrorOf([&] { connection->Open("select 1/(I-9) as Q from N order by I desc"); }),
            "no error");
  EXPECT_EQ(other_writes(), SQLITE_OK);
  sqlite3_close(other);
}

// Against the contract, a result kept after its connection: it closes without touching the
// connection that is gone (the sanitizer build watches for that).
TEST_F(DbTest, AResultOutlivingItsConnectionClosesSafely) {
  ResultPtr result;
  {
    const std::unique_ptr<Connection> connection = Connect();
    result = connection->Open("select CSName from G_GCCS order by CSName");
  }
  EXPECT_EQ(result->AsText("CSName"), "JGGR");
  result.reset();
  // The file is free again.
  EXPECT_NO_THROW(Connect()->Execute("delete from G_GCCS"));
}

TEST_F(DbTest, LiteralsKeepTheirValuesWhenBound) {
  const std::unique_ptr<Connection> connection = Connect();
  connection->Execute(
      "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'q''1',\"say \"\"hi\"\"\")");
  connection->Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'q2','')");
  EXPECT_EQ(Count(*connection, "CSName='q''1' and S_Val='say \"hi\"'"), 1);
  EXPECT_EQ(Count(*connection, "CSName=\"q2\" and S_Val=''"), 1);
  EXPECT_EQ(Count(*connection, "CSName='q2' and S_Val is null"), 0);
  const ResultPtr result = connection->Open("select 'a'||\"b\" as A, '7'/2 as B");
  EXPECT_EQ(result->AsText("A"), "ab");
  EXPECT_EQ(result->AsText("B"), "3.5");
}

TEST_F(DbTest, AStatementReusedReadsFreshRows) {
  const std::unique_ptr<Connection> connection = Connect();
  EXPECT_EQ(connection->Open("select S_Val from G_GCCS where CSName='x'")->AsText("S_Val"), "1");
  connection->Execute("Delete from G_GCCS where CSName='x'");
  connection->Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'x','2')");
  EXPECT_EQ(connection->Open("select S_Val from G_GCCS where CSName='x'")->AsText("S_Val"), "2");
}

// ---------------------------------------------------------------------------------------------
// What a connection keeps between statements

TEST_F(DbTest, AStatementGivenBackIsHandedOutAgainForTheSameShape) {
  SqliteConnection connection(path_, {});
  std::string key;
  Statement first = connection.Prepare("select S_Val from G_GCCS where CSName='T_1'", &key);
  sqlite3_stmt* const kept = first.get();
  ASSERT_EQ(sqlite3_step(kept), SQLITE_ROW);
  connection.Release(std::move(first), key);
  Statement other = connection.Prepare("select CSName from G_GCCS where CSName='T_1'", nullptr);
  EXPECT_NE(other.get(), kept);
  // Another literal, the same shape: the same statement, reset, with the new text bound.
  Statement again = connection.Prepare("select S_Val from G_GCCS where CSName=\"T_2\"", nullptr);
  EXPECT_EQ(again.get(), kept);
  ASSERT_EQ(sqlite3_step(again.get()), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(again.get(), 0)), "abc");
  EXPECT_EQ(sqlite3_step(again.get()), SQLITE_DONE);
}

TEST_F(DbTest, AStatementOfAnotherConnectionIsNotKept) {
  SqliteConnection first(path_, {});
  SqliteConnection second(path_, {});
  const std::string text = "select count(*) from G_GCCS";
  std::string key;
  Statement old = first.Prepare(text, &key);
  second.Release(std::move(old), key);
  Statement fresh = second.Prepare(text, nullptr);
  EXPECT_EQ(sqlite3_db_handle(fresh.get()), second.handle());
}

// ---------------------------------------------------------------------------------------------
// The fee standard: a read-only connection kept open reads the file as it is at each statement

class FeeStandardFileTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    fee_ = (dir_ / "GL.mgl").string();
    CreateFee(fee_, 20);
    connection_ = OpenConnection(JetConnectionString(fee_), {.read_only = true});
  }

  static void CreateFee(const std::string& path, int charge) {
    CreateDatabase(path, "create table GL_FYFile(LX integer, SFJJ real);"
                         "insert into GL_FYFile values(4, " + std::to_string(charge) + ")");
  }

  std::string Lookup() {
    return connection_->Open("select SFJJ from GL_FYFile where LX=4")->AsText("SFJJ");
  }

  std::string fee_;
  std::unique_ptr<Connection> connection_;
};

TEST_F(FeeStandardFileTest, AnUnchangedFileKeepsItsConnectionAndItsStatements) {
  auto* sqlite = dynamic_cast<SqliteConnection*>(connection_.get());
  ASSERT_NE(sqlite, nullptr);
  EXPECT_EQ(Lookup(), "20");
  sqlite3* const handle = sqlite->handle();
  EXPECT_EQ(Lookup(), "20");
  EXPECT_EQ(sqlite->handle(), handle);
  EXPECT_EQ(ErrorOf([&] { connection_->Execute("delete from GL_FYFile"); }),
            "attempt to write a readonly database");
}

TEST_F(FeeStandardFileTest, AReplacedFileIsReadAtTheNextLookup) {
  EXPECT_EQ(Lookup(), "20");
  const std::string replacement = (dir_ / "new.mgl").string();
  CreateFee(replacement, 30);
  fs::rename(replacement, fee_);
  EXPECT_EQ(Lookup(), "30");
}

TEST_F(FeeStandardFileTest, AFileWrittenInPlaceIsReadAtTheNextLookup) {
  EXPECT_EQ(Lookup(), "20");
  OpenConnection(JetConnectionString(fee_))->Execute("update GL_FYFile set SFJJ=25");
  EXPECT_EQ(Lookup(), "25");
}

TEST_F(FeeStandardFileTest, ARemovedFileFailsAtTheNextLookup) {
  EXPECT_EQ(Lookup(), "20");
  fs::remove(fee_);
  EXPECT_EQ(ErrorOf([&] { Lookup(); }), "Could not find file '" + fee_ + "'.");
  EXPECT_FALSE(fs::exists(fee_));
  CreateFee(fee_, 40);
  EXPECT_EQ(Lookup(), "40");
}

TEST_F(FeeStandardFileTest, ADamagedFileFailsAtTheNextLookup) {
  EXPECT_EQ(Lookup(), "20");
  std::ofstream(fee_, std::ios::trunc) << "no database in here";
  EXPECT_EQ(ErrorOf([&] { Lookup(); }), "file is not a database");
}

}  // namespace
}  // namespace torva::db::sqlite
