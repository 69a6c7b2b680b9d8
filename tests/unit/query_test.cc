#include "db/query.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "db/connection.h"
#include "db/connection_string.h"
#include "text/error.h"
#include "unit/error_of.h"

namespace torva::db {
namespace {

namespace fs = std::filesystem;

using torva::testing::ErrorOf;

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

  int Count(Connection& connection, const std::string& where) {
    Query query(&connection);
    query.SetSql("select count(*) as N from G_GCCS where " + where);
    query.Open();
    return static_cast<int>(query.AsFloat("N"));
  }

  fs::path dir_;
  std::string path_;
  Connection connection_;
};

// ---------------------------------------------------------------------------------------------
// Connection

TEST_F(DbTest, OpensAnExistingDatabase) {
  connection_.Open(JetConnectionString(path_));
  EXPECT_TRUE(connection_.IsOpen());
  EXPECT_EQ(connection_.path(), path_);
  connection_.Close();
  EXPECT_FALSE(connection_.IsOpen());
  connection_.Close();  // harmless twice
}

TEST_F(DbTest, MissingFileFailsAndCreatesNothing) {
  const std::string missing = (dir_ / "none.mdb").string();
  EXPECT_EQ(ErrorOf([&] { connection_.Open(JetConnectionString(missing)); }),
            "Could not find file '" + missing + "'.");
  EXPECT_FALSE(connection_.IsOpen());
  EXPECT_FALSE(fs::exists(missing));
  EXPECT_EQ(ErrorOf([&] { connection_.Open(JetConnectionString(missing), true); }),
            "Could not find file '" + missing + "'.");
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(DbTest, EmptyDataSourceFails) {
  const std::string expected =
      "The connection string names no database file (\"Data Source\" is missing or empty).";
  EXPECT_EQ(ErrorOf([&] { connection_.Open(JetConnectionString("")); }), expected);
  EXPECT_EQ(ErrorOf([&] { connection_.Open("Provider=Microsoft.Jet.OLEDB.4.0;"); }), expected);
}

TEST_F(DbTest, WhatIsNoDatabaseFailsAtConnect) {
  EXPECT_EQ(ErrorOf([&] { connection_.Open(JetConnectionString(dir_.string())); }),
            "'" + dir_.string() + "' is a folder, not a database file.");
  const std::string junk = (dir_ / "junk.mdb").string();
  std::ofstream(junk) << std::string(4096, 'x') << "Standard Jet DB";
  EXPECT_EQ(ErrorOf([&] { connection_.Open(JetConnectionString(junk)); }),
            "file is not a database");
  EXPECT_FALSE(connection_.IsOpen());
}

TEST_F(DbTest, AnyPathOpensThroughTheConnectionString) {
  for (const char* name :
       {"a;b=c.db", "say \"hi\".db", "it's.db", " blank .db", "审计 项目.mdb", "file:x.db"}) {
    const std::string path = (dir_ / name).string();
    fs::copy_file(path_, path);
    Connection connection;
    EXPECT_NO_THROW(connection.Open(JetConnectionString(path))) << path;
    EXPECT_EQ(connection.path(), path);
    EXPECT_EQ(Count(connection, "GCID=-1"), 3) << path;
  }
  // "file:x.db" relative to the working folder is a file name, not a URI.
  const fs::path here = fs::current_path();
  fs::current_path(dir_);
  Connection relative;
  EXPECT_NO_THROW(relative.Open(JetConnectionString("file:x.db")));
  relative.Close();
  fs::current_path(here);
}

TEST_F(DbTest, ExecuteRunsTheDesktopDialect) {
  connection_.Open(JetConnectionString(path_));
  connection_.Execute("Delete from G_GCCS where GCID=-1 and CSName='x'");
  EXPECT_EQ(Count(connection_, "CSName='x'"), 0);
  connection_.Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'a''b','')");
  EXPECT_EQ(Count(connection_, "CSName=\"a'b\" and S_Val=''"), 1);
  connection_.Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,\"q\",7/2)");
  EXPECT_EQ(Count(connection_, "CSName='q' and S_Val='3.5'"), 1);
}

TEST_F(DbTest, ExecuteReportsSqliteText) {
  connection_.Open(JetConnectionString(path_));
  EXPECT_EQ(ErrorOf([&] { connection_.Execute("delete from nope"); }), "no such table: nope");
  EXPECT_EQ(ErrorOf([&] { connection_.Execute("insert into G_GCCS values(1/0,'a','b')"); }),
            "Division by zero");
  EXPECT_EQ(ErrorOf([&] { connection_.Execute("  \n "); }), "The SQL statement is empty.");
}

TEST_F(DbTest, ExecuteRunsOneStatementOnly) {
  connection_.Open(JetConnectionString(path_));
  EXPECT_EQ(ErrorOf([&] { connection_.Execute("delete from N; delete from G_GCCS"); }),
            "Characters found after end of SQL statement.");
  EXPECT_EQ(Count(connection_, "1=1"), 4);
  // The dialect has no comments: what follows "--" is a second statement.
  EXPECT_EQ(ErrorOf([&] { connection_.Execute("delete from G_GCCS; -- done"); }),
            "Characters found after end of SQL statement.");
  EXPECT_EQ(Count(connection_, "1=1"), 4);
  EXPECT_NO_THROW(connection_.Execute("delete from G_GCCS where GCID=-12;  "));
  EXPECT_EQ(Count(connection_, "1=1"), 3);
}

TEST_F(DbTest, ExecuteNativeRunsSqliteAsIs) {
  connection_.Open(JetConnectionString(path_));
  connection_.ExecuteNative("BEGIN; SAVEPOINT s");
  connection_.Execute("delete from G_GCCS");
  connection_.ExecuteNative("ROLLBACK TO s; RELEASE s; COMMIT");
  EXPECT_EQ(Count(connection_, "1=1"), 4);
  EXPECT_EQ(ErrorOf([&] { connection_.ExecuteNative("COMMIT"); }),
            "cannot commit - no transaction is active");
}

// The save repeats the same few native statements for every key; a kept statement behaves as a
// fresh one each time, after a failure too.
TEST_F(DbTest, NativeStatementRepeatedBehavesAsNewEachTime) {
  connection_.Open(JetConnectionString(path_));
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(ErrorOf([&] { connection_.ExecuteNative("RELEASE s"); }), "no such savepoint: s");
    connection_.ExecuteNative("SAVEPOINT s");
    connection_.Execute("delete from G_GCCS");
    connection_.ExecuteNative("ROLLBACK TO s");
    connection_.ExecuteNative("RELEASE s");
  }
  EXPECT_EQ(Count(connection_, "1=1"), 4);
}

TEST_F(DbTest, ReadOnlyConnectionRefusesWrites) {
  connection_.Open(JetConnectionString(path_), /*read_only=*/true);
  EXPECT_EQ(ErrorOf([&] { connection_.Execute("delete from G_GCCS"); }),
            "attempt to write a readonly database");
}

TEST_F(DbTest, ClosedConnectionRefusesStatements) {
  EXPECT_EQ(ErrorOf([&] { connection_.Execute("delete from G_GCCS"); }),
            "The database connection is not open.");
  Query query(&connection_);
  query.SetSql("select 1 as A");
  EXPECT_EQ(ErrorOf([&] { query.Open(); }), "The database connection is not open.");
  EXPECT_FALSE(query.IsOpen());
}

TEST_F(DbTest, WritesWaitForAnotherProgramsLock) {
  connection_.Open(JetConnectionString(path_));
  Connection other;
  other.Open(JetConnectionString(path_));
  other.ExecuteNative("BEGIN EXCLUSIVE");
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    other.ExecuteNative("COMMIT");
  });
  EXPECT_NO_THROW(connection_.Execute("delete from G_GCCS where GCID=-12"));
  release.join();
  EXPECT_EQ(Count(connection_, "1=1"), 3);
}

// ---------------------------------------------------------------------------------------------
// Query

TEST_F(DbTest, QueryWalksRowsInOrder) {
  connection_.Open(JetConnectionString(path_));
  Query query(&connection_);
  query.SetSql("select CSName,S_Val from G_GCCS where GCID=-1 order by CSName");
  query.Open();
  ASSERT_TRUE(query.IsOpen());
  EXPECT_EQ(query.AsText("CSName"), "T_1");
  query.Next();
  EXPECT_EQ(query.AsText("CSName"), "T_2");
  query.Next();
  EXPECT_EQ(query.AsText("CSName"), "x");
  query.Next();
  EXPECT_TRUE(query.Eof());
  query.Next();  // past the end stays there
  EXPECT_TRUE(query.Eof());
  query.First();
  EXPECT_EQ(query.AsText("CSName"), "T_1");
  EXPECT_EQ(query.ColumnNames(), (std::vector<std::string>{"CSName", "S_Val"}));
}

TEST_F(DbTest, AsTextRendersEachType) {
  connection_.Open(JetConnectionString(path_));
  Query query(&connection_);
  query.SetSql("select I, R, T, Z, 1000001*90000/2000000*0.85 as HJ from N");
  query.Open();
  EXPECT_EQ(query.AsText("I"), "3");
  EXPECT_EQ(query.AsText("R"), "1500");
  EXPECT_EQ(query.AsText("T"), "税金");
  EXPECT_EQ(query.AsText("Z"), "");
  EXPECT_EQ(query.AsText("HJ"), "38250.03825");
  query.Next();
  EXPECT_EQ(query.AsText("I"), "-4");
  EXPECT_EQ(query.AsText("R"), "0.1");
  EXPECT_EQ(query.AsText("T"), "");
}

TEST_F(DbTest, AsFloatReadsNumbersStrictly) {
  connection_.Open(JetConnectionString(path_));
  Query query(&connection_);
  query.SetSql("select I, R, Z, ' 12.5 ' as S, 'abc' as W, '' as E from N");
  query.Open();
  EXPECT_EQ(query.AsFloat("I"), 3.0);
  EXPECT_EQ(query.AsFloat("R"), 1500.0);
  EXPECT_EQ(query.AsFloat("Z"), 0.0);
  EXPECT_TRUE(query.IsNull("Z"));
  EXPECT_FALSE(query.IsNull("I"));
  EXPECT_EQ(query.AsFloat("S"), 12.5);
  EXPECT_EQ(ErrorOf([&] { query.AsFloat("W"); }), "'abc' is not a valid floating point value");
  EXPECT_EQ(ErrorOf([&] { query.AsFloat("E"); }), "'' is not a valid floating point value");
}

TEST_F(DbTest, ColumnsAreFoundByNameIgnoringCase) {
  connection_.Open(JetConnectionString(path_));
  Query query(&connection_);
  query.SetSql("select sum(I) as HJ from N");
  query.Open();
  EXPECT_EQ(query.AsText("hj"), "-1");
  EXPECT_EQ(ErrorOf([&] { query.AsText("QTF"); }), "Field 'QTF' not found in the query result.");
  EXPECT_EQ(ErrorOf([&] { query.AsFloat("QTF"); }), "Field 'QTF' not found in the query result.");
  query.Close();
  EXPECT_EQ(ErrorOf([&] { query.AsText("HJ"); }),
            "The query is not open; its field 'HJ' cannot be read.");
}

TEST_F(DbTest, NoCurrentRowReadsEmpty) {
  connection_.Open(JetConnectionString(path_));
  Query query(&connection_);
  query.SetSql("select S_Val, GCID from G_GCCS where 1=2");
  query.Open();
  EXPECT_TRUE(query.IsOpen());
  EXPECT_TRUE(query.Eof());
  EXPECT_EQ(query.AsText("S_Val"), "");
  EXPECT_EQ(query.AsFloat("GCID"), 0.0);
  EXPECT_TRUE(query.IsNull("GCID"));
}

TEST_F(DbTest, LocateSearchesFromTheFirstRow) {
  connection_.Open(JetConnectionString(path_));
  Query query(&connection_);
  query.SetSql("select CSName,S_Val from G_GCCS where GCID=-1 order by CSName");
  query.Open();
  query.Next();
  query.Next();
  EXPECT_TRUE(query.Locate("csname", "T_1"));
  EXPECT_EQ(query.AsText("S_Val"), "12.5");
  EXPECT_TRUE(query.Locate("CSName", "x"));
  EXPECT_EQ(query.AsText("S_Val"), "1");
  EXPECT_FALSE(query.Locate("CSName", "T_9"));
  EXPECT_TRUE(query.Eof());
  EXPECT_EQ(ErrorOf([&] { query.Locate("Nope", "x"); }),
            "Field 'Nope' not found in the query result.");
}

TEST_F(DbTest, FailingOpenLeavesTheQueryClosed) {
  connection_.Open(JetConnectionString(path_));
  Query query(&connection_);
  query.SetSql("select CSName from G_GCCS");
  query.Open();
  query.SetSql("select x from nope");
  EXPECT_EQ(ErrorOf([&] { query.Open(); }), "no such table: nope");
  EXPECT_FALSE(query.IsOpen());
  EXPECT_TRUE(query.Eof());
  query.SetSql("select 5*0/0*0.85 as HJ");
  EXPECT_EQ(ErrorOf([&] { query.Open(); }), "Division by zero");
  EXPECT_FALSE(query.IsOpen());
  query.SetSql("select 1 as A; delete from G_GCCS");
  EXPECT_EQ(ErrorOf([&] { query.Open(); }), "Characters found after end of SQL statement.");
  EXPECT_EQ(Count(connection_, "1=1"), 4);
}

TEST_F(DbTest, RowsAreComputedOnlyAsTheCursorMoves) {
  connection_.Open(JetConnectionString(path_));
  Query query(&connection_);
  // The second row divides by zero: opening shows the first row, moving on meets the error.
  query.SetSql("select 14/(I+4) as Q from N");
  query.Open();
  EXPECT_EQ(query.AsText("Q"), "2");
  EXPECT_EQ(ErrorOf([&] { query.Next(); }), "Division by zero");
  EXPECT_TRUE(query.Eof());
}

TEST_F(DbTest, SelectWithoutFromEvaluatesArithmetic) {
  connection_.Open(JetConnectionString(path_));
  Query query(&connection_);
  query.SetSql("select 50000+0.0375*(3000000-1000000)*0.85 as HJ");
  query.Open();
  EXPECT_EQ(query.AsFloat("HJ"), 113750.0);
  query.SetSql("select (1500+300*(12.5-10))*1.2 as HJ");
  query.Open();
  EXPECT_EQ(query.AsText("HJ"), "2700");
}

TEST_F(DbTest, QueryExecuteRunsToCompletion) {
  connection_.Open(JetConnectionString(path_));
  Query query(&connection_);
  query.SetSql("Delete from G_GCCS where GCID=-1");
  query.Execute();
  EXPECT_FALSE(query.IsOpen());
  EXPECT_EQ(Count(connection_, "1=1"), 1);
  query.SetSql("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'GCMS','为应急工程，')");
  query.Execute();
  EXPECT_EQ(Count(connection_, "S_Val='为应急工程，'"), 1);
  query.SetSql("delete from nope");
  EXPECT_EQ(ErrorOf([&] { query.Execute(); }), "no such table: nope");
}

TEST_F(DbTest, OwnConnectionQueryOpensReadOnlyPerOpen) {
  const std::string fee = (dir_ / "GL.mgl").string();
  CreateDatabase(fee,
                 "create table GL_FYFile(LX integer, XM text, QS real, ZZ real, SFJJ real);"
                 "insert into GL_FYFile values(4, '', 0, 200, 9), (4, '', 200, 500, 20)");
  Query query;
  query.SetConnectionString(JetConnectionString(fee));
  query.SetSql("select 1 from GL_FYFile where 1=2");
  query.Open();
  EXPECT_TRUE(query.Eof());
  query.Close();
  query.SetSql(
      "select QS,ZZ,SFJJ from GL_FYFile where LX=4 and IIF(ZZ=0,QS<300,QS<300 and ZZ>=300)");
  query.Open();
  EXPECT_EQ(query.AsFloat("SFJJ"), 20.0);
  query.Close();
  query.SetSql("delete from GL_FYFile");
  EXPECT_EQ(ErrorOf([&] { query.Execute(); }), "attempt to write a readonly database");
}

TEST_F(DbTest, OwnConnectionQueryFailsOnAMissingFile) {
  const std::string missing = (dir_ / "Data" / "GL.mgl").string();
  Query query;
  query.SetConnectionString(JetConnectionString(missing));
  query.SetSql("select 1 from GL_FYFile where 1=2");
  EXPECT_EQ(ErrorOf([&] { query.Open(); }), "Could not find file '" + missing + "'.");
  EXPECT_FALSE(query.IsOpen());
  EXPECT_FALSE(fs::exists(missing));
  // The file appears later: the next open finds it.
  fs::create_directory(dir_ / "Data");
  CreateDatabase(missing, "create table GL_FYFile(LX integer)");
  EXPECT_NO_THROW(query.Open());
}

// ---------------------------------------------------------------------------------------------
// What a connection keeps between statements

TEST_F(DbTest, AStatementGivenBackIsHandedOutAgainForTheSameShape) {
  connection_.Open(JetConnectionString(path_));
  std::string key;
  Statement first = connection_.Prepare("select S_Val from G_GCCS where CSName='T_1'", &key);
  sqlite3_stmt* const kept = first.get();
  ASSERT_EQ(sqlite3_step(kept), SQLITE_ROW);
  connection_.Release(std::move(first), key);
  Statement other = connection_.Prepare("select CSName from G_GCCS where CSName='T_1'");
  EXPECT_NE(other.get(), kept);
  // Another literal, the same shape: the same statement, reset, with the new text bound.
  Statement again = connection_.Prepare("select S_Val from G_GCCS where CSName=\"T_2\"");
  EXPECT_EQ(again.get(), kept);
  ASSERT_EQ(sqlite3_step(again.get()), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(again.get(), 0)), "abc");
  EXPECT_EQ(sqlite3_step(again.get()), SQLITE_DONE);
}

TEST_F(DbTest, AStatementOfAConnectionClosedSinceIsNotReused) {
  connection_.Open(JetConnectionString(path_));
  const std::string text = "select count(*) from G_GCCS";
  std::string key;
  Statement old = connection_.Prepare(text, &key);
  connection_.Close();
  connection_.Open(JetConnectionString(path_));
  connection_.Release(std::move(old), key);
  Statement fresh = connection_.Prepare(text);
  EXPECT_EQ(sqlite3_db_handle(fresh.get()), connection_.handle());
}

TEST_F(DbTest, LiteralsKeepTheirValuesWhenBound) {
  connection_.Open(JetConnectionString(path_));
  connection_.Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'q''1',\"say \"\"hi\"\"\")");
  connection_.Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'q2','')");
  EXPECT_EQ(Count(connection_, "CSName='q''1' and S_Val='say \"hi\"'"), 1);
  EXPECT_EQ(Count(connection_, "CSName=\"q2\" and S_Val=''"), 1);
  EXPECT_EQ(Count(connection_, "CSName='q2' and S_Val is null"), 0);
  Query query(&connection_);
  query.SetSql("select 'a'||\"b\" as A, '7'/2 as B");
  query.Open();
  EXPECT_EQ(query.AsText("A"), "ab");
  EXPECT_EQ(query.AsText("B"), "3.5");
}

TEST_F(DbTest, AQueryReusingAStatementReadsFreshRows) {
  connection_.Open(JetConnectionString(path_));
  Query query(&connection_);
  query.SetSql("select S_Val from G_GCCS where CSName='x'");
  query.Open();
  EXPECT_EQ(query.AsText("S_Val"), "1");
  query.Close();
  connection_.Execute("Delete from G_GCCS where CSName='x'");
  connection_.Execute("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'x','2')");
  query.Open();
  EXPECT_EQ(query.AsText("S_Val"), "2");
}

class FeeStandardFileTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    fee_ = (dir_ / "GL.mgl").string();
    CreateFee(fee_, 20);
    query_.SetConnectionString(JetConnectionString(fee_));
    query_.SetSql("select SFJJ from GL_FYFile where LX=4");
  }

  static void CreateFee(const std::string& path, int charge) {
    CreateDatabase(path, "create table GL_FYFile(LX integer, SFJJ real);"
                         "insert into GL_FYFile values(4, " + std::to_string(charge) + ")");
  }

  std::string Lookup() {
    query_.Open();
    const std::string charge = query_.AsText("SFJJ");
    query_.Close();
    return charge;
  }

  std::string fee_;
  Query query_;
};

TEST_F(FeeStandardFileTest, TheConnectionKnowsWhetherItsFileChanged) {
  Connection connection;
  connection.Open(JetConnectionString(fee_), /*read_only=*/true);
  EXPECT_TRUE(connection.FileUnchanged());
  {
    Connection writer;
    writer.Open(JetConnectionString(fee_));
    writer.ExecuteNative("insert into GL_FYFile values(5, 1)");
  }
  EXPECT_FALSE(connection.FileUnchanged());
  connection.Open(JetConnectionString(fee_), /*read_only=*/true);
  EXPECT_TRUE(connection.FileUnchanged());
  fs::remove(fee_);
  EXPECT_FALSE(connection.FileUnchanged());
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
  {
    Connection writer;
    writer.Open(JetConnectionString(fee_));
    writer.ExecuteNative("update GL_FYFile set SFJJ=25");
  }
  EXPECT_EQ(Lookup(), "25");
}

TEST_F(FeeStandardFileTest, ARemovedFileFailsAtTheNextLookup) {
  EXPECT_EQ(Lookup(), "20");
  fs::remove(fee_);
  EXPECT_EQ(ErrorOf([&] { Lookup(); }), "Could not find file '" + fee_ + "'.");
  EXPECT_FALSE(query_.IsOpen());
  CreateFee(fee_, 40);
  EXPECT_EQ(Lookup(), "40");
}

TEST_F(FeeStandardFileTest, ADamagedFileFailsAtTheNextLookup) {
  EXPECT_EQ(Lookup(), "20");
  std::ofstream(fee_, std::ios::trunc) << "no database in here";
  EXPECT_EQ(ErrorOf([&] { Lookup(); }), "file is not a database");
}

}  // namespace
}  // namespace torva::db
