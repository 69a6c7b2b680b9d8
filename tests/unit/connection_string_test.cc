#include "db/connection_string.h"

#include <gtest/gtest.h>

#include <string>

namespace torva::db {
namespace {

TEST(ParseConnectionStringTest, ReadsTheDesktopConnectionString) {
  const auto parts = ParseConnectionString(
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/p.mdb;Persist Security Info=True;"
      "jet oledb:database;");
  EXPECT_EQ(parts.at("provider"), "Microsoft.Jet.OLEDB.4.0");
  EXPECT_EQ(parts.at("data source"), "/data/p.mdb");
  EXPECT_EQ(parts.at("persist security info"), "True");
  // A part without '=' is a key with an empty value.
  EXPECT_EQ(parts.at("jet oledb:database"), "");
  EXPECT_EQ(parts.size(), 4u);
}

TEST(ParseConnectionStringTest, KeysAreCaseInsensitiveAndTrimmed) {
  const auto parts = ParseConnectionString("  DATA   Source =  /x/y.db  ; PROVIDER=p");
  EXPECT_EQ(parts.at("data   source"), "/x/y.db");  // inner blanks of a key are part of it
  EXPECT_EQ(ParseConnectionString(" DaTa SoUrCe = /x/y.db ").at("data source"), "/x/y.db");
  EXPECT_EQ(parts.at("provider"), "p");
}

TEST(ParseConnectionStringTest, QuotedValuesMayHoldSeparatorsAndQuotes) {
  EXPECT_EQ(ParseConnectionString("Data Source=\"/a;b=c/d.db\";X=1").at("data source"),
            "/a;b=c/d.db");
  EXPECT_EQ(ParseConnectionString("Data Source=\"/say \"\"hi\"\".db\"").at("data source"),
            "/say \"hi\".db");
  EXPECT_EQ(ParseConnectionString("Data Source='/it''s;here.db';X=1").at("data source"),
            "/it's;here.db");
  EXPECT_EQ(ParseConnectionString("Data Source=\"  blanks kept  \"").at("data source"),
            "  blanks kept  ");
  EXPECT_EQ(ParseConnectionString("Data Source=\"/a.db\" ;X=1").at("x"), "1");
}

TEST(ParseConnectionStringTest, UnquotedValueRunsToTheNextSemicolon) {
  const auto parts = ParseConnectionString("Data Source=/a=b/c.db;Mode=Read");
  EXPECT_EQ(parts.at("data source"), "/a=b/c.db");
  EXPECT_EQ(parts.at("mode"), "Read");
}

TEST(ParseConnectionStringTest, OddInputIsToleratedWithoutThrowing) {
  EXPECT_TRUE(ParseConnectionString("").empty());
  EXPECT_TRUE(ParseConnectionString(";;  ;").empty());
  EXPECT_EQ(ParseConnectionString("Data Source=\"/never/closed;X=1").at("data source"),
            "/never/closed;X=1");
  EXPECT_EQ(ParseConnectionString("Data Source=").at("data source"), "");
  EXPECT_EQ(ParseConnectionString("a=1;A=2").at("a"), "2");  // the last one counts
}

TEST(QuoteConnectionValueTest, PlainValuesStayAsTheyAre) {
  EXPECT_EQ(QuoteConnectionValue("/home/a/p.mdb"), "/home/a/p.mdb");
  EXPECT_EQ(QuoteConnectionValue("/home/审计 项目/p.mdb"), "/home/审计 项目/p.mdb");
  EXPECT_EQ(QuoteConnectionValue(""), "");
}

TEST(QuoteConnectionValueTest, ValuesThatWouldBreakTheStringAreQuoted) {
  EXPECT_EQ(QuoteConnectionValue("/a;b.db"), "\"/a;b.db\"");
  EXPECT_EQ(QuoteConnectionValue("/a=b.db"), "\"/a=b.db\"");
  EXPECT_EQ(QuoteConnectionValue("/a\"b.db"), "\"/a\"\"b.db\"");
  EXPECT_EQ(QuoteConnectionValue("/a'b.db"), "\"/a'b.db\"");
  EXPECT_EQ(QuoteConnectionValue(" /a.db"), "\" /a.db\"");
  EXPECT_EQ(QuoteConnectionValue("/a.db "), "\"/a.db \"");
}

TEST(QuoteConnectionValueTest, QuotedValuesParseBackUnchanged) {
  for (const std::string path :
       {"/a;b=c/d.db", "/x/\"q\"'s.db", "  /lead and trail  ", "/数据/;=\"'.mdb", "\"", "'", ";"}) {
    EXPECT_EQ(ParseConnectionString(JetConnectionString(path)).at("data source"), path) << path;
  }
}

TEST(JetConnectionStringTest, BuildsTheDesktopText) {
  EXPECT_EQ(JetConnectionString("/p/GL.mgl"),
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/p/GL.mgl;Persist Security Info=True;"
            "jet oledb:database;");
}

}  // namespace
}  // namespace torva::db
