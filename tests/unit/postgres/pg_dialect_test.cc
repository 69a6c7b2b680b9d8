#include "db/postgres/pg_dialect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/error.h"
#include "unit/error_of.h"

namespace torva::db::postgres {
namespace {

using torva::testing::ErrorOf;

// ---------------------------------------------------------------------------------------------
// The form's own statements, as the server receives them.

TEST(PgDialectTest, TheRefreshSumSendsItsItemAsAParameter) {
  const PgStatement s =
      TranslateForPostgres("select sum(SGHJFY) as HJ from G_QF where XM=\"税金\"");
  EXPECT_EQ(s.sql, "select sum(SGHJFY) as HJ from G_QF where XM=$1");
  EXPECT_EQ(s.values, std::vector<std::string>{"税金"});
  EXPECT_TRUE(s.formatted.empty());
}

TEST(PgDialectTest, TheSaveSendsKeyAndValueAsParametersWhateverTheyHold) {
  const PgStatement s = TranslateForPostgres(
      "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'T_46','it''s \\ \"审计\" $1 --x')");
  EXPECT_EQ(s.sql, "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,$1,$2)");
  EXPECT_EQ(s.values, (std::vector<std::string>{"T_46", "it's \\ \"审计\" $1 --x"}));
  EXPECT_EQ(TranslateForPostgres("Delete from G_GCCS where GCID=-1 and CSName=''").values,
            std::vector<std::string>{""});
  EXPECT_EQ(TranslateForPostgres("select \"say \"\"hi\"\"\"").values,
            std::vector<std::string>{"say \"hi\""});
}

TEST(PgDialectTest, FormatAtTheTopOfTheSelectListIsFormattedAsItIsRead) {
  const PgStatement s = TranslateForPostgres(
      "select Format(QTFY,\"0.00\") as QTF from P_ZHZ where GCID=32000 and LX>100 and DepID=2");
  EXPECT_EQ(s.sql, "select (QTFY) as QTF from P_ZHZ where GCID=32000 and LX>100 and DepID=2");
  EXPECT_TRUE(s.values.empty());  // the pattern is not sent
  ASSERT_EQ(s.formatted.size(), 1u);
  EXPECT_EQ(s.formatted[0].column, 0);
  EXPECT_EQ(s.formatted[0].decimals, 2);

  const PgStatement second =
      TranslateForPostgres("select XM, Format(f(a,b), '0.000') QTF, 1 from t");
  EXPECT_EQ(second.sql, "select XM, (f(a,b)) QTF, 1 from t");
  ASSERT_EQ(second.formatted.size(), 1u);
  EXPECT_EQ(second.formatted[0].column, 1);
  EXPECT_EQ(second.formatted[0].decimals, 3);
}

TEST(PgDialectTest, IsNullBecomesIsNull) {
  const PgStatement s = TranslateForPostgres(
      "select Format(QTFY,\"0.00\") as QTF from P_ZHZ where GCID=32000 and LX>100 and "
      "(DepID=0 or IsNull(DepID))");
  EXPECT_EQ(s.sql,
            "select (QTFY) as QTF from P_ZHZ where GCID=32000 and LX>100 and "
            "(DepID=0 or ((DepID) IS NULL))");
}

TEST(PgDialectTest, IifBecomesCaseWithItsArgumentsTranslated) {
  const PgStatement s =
      TranslateForPostgres("select sum(IIF(IsNull(HJFY),0,HJFY/2)) as HJ from G_QF where XM=\"a\"");
  EXPECT_EQ(s.sql,
            "select sum((CASE WHEN ((HJFY) IS NULL) THEN 0 ELSE HJFY/CAST((2) AS double precision) "
            "END)) as HJ from G_QF where XM=$1");
  const PgStatement nested = TranslateForPostgres("select IIF(a=\"x\",IIF(b,\"y\",\"z\"),\"w\")");
  EXPECT_EQ(nested.sql,
            "select (CASE WHEN a=$1 THEN (CASE WHEN b THEN $2 ELSE $3 END) ELSE $4 END)");
  EXPECT_EQ(nested.values, (std::vector<std::string>{"x", "y", "z", "w"}));
}

TEST(PgDialectTest, DivisionIsRealDivisionOfItsDivisorAlone) {
  EXPECT_EQ(TranslateForPostgres("select 7/2 as HJ").sql,
            "select 7/CAST((2) AS double precision) as HJ");
  EXPECT_EQ(TranslateForPostgres("select a/b*c/-(d+e) / f(g,h) / t.x").sql,
            "select a/CAST((b) AS double precision)*c/CAST((-(d+e)) AS double precision)"
            " / CAST((f(g,h)) AS double precision) / CAST((t.x) AS double precision)");
}

TEST(PgDialectTest, CommentsOfTheServerAreKeptApart) {
  EXPECT_EQ(TranslateForPostgres("select 2--1 as HJ").sql, "select 2- -1 as HJ");
  EXPECT_EQ(TranslateForPostgres("select 2*-(-1)").sql, "select 2*-(-1)");
}

TEST(PgDialectTest, BracketedNamesNameWhatTheBareNameNames) {
  EXPECT_EQ(TranslateForPostgres("select [S_Val] from [G_GCCS]").sql,
            "select \"s_val\" from \"g_gccs\"");
  EXPECT_EQ(TranslateForPostgres("select [a\"b]").sql, "select \"a\"\"b\"");
}

TEST(PgDialectTest, WhatCannotBeSentFaithfullyIsRefusedWithAClearText) {
  EXPECT_NE(ErrorOf([] { TranslateForPostgres("select \"abc"); }).find("unterminated"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { TranslateForPostgres(std::string("select 'a\0b'", 12)); }).find("NUL"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { TranslateForPostgres("select 2^3 as HJ"); }).find("'^'"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { TranslateForPostgres("select 7\\2 as HJ"); }).find("'\\'"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { TranslateForPostgres("select 7 Mod 2 as HJ"); }).find("'Mod'"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { TranslateForPostgres("select 7/ as HJ"); }).find("'/'"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { TranslateForPostgres("select IIF(a,b) as HJ"); }).find("IIF"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] {
              TranslateForPostgres("select Format(a,\"#,##0\") as F");
            }).find("unsupported pattern"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] {
              TranslateForPostgres("select 1 from t where Format(a,\"0.00\")='1.00'");
            }).find("column of the result"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { TranslateForPostgres("select ? as HJ"); }).find("parameter"),
            std::string::npos);
}

TEST(PgDialectTest, HostileNestingIsRefusedNotACrash) {
  std::string iifs = "select ";
  std::string divisions = "select 1";
  for (int k = 0; k < 100000; ++k) {
    iifs += "IIF(a,b,";
    divisions += "/(1";
  }
  iifs += "c" + std::string(100000, ')');
  divisions += std::string(100000, ')');
  EXPECT_NE(ErrorOf([&] { TranslateForPostgres(iifs); }).find("nested too deeply"),
            std::string::npos);
  EXPECT_NE(ErrorOf([&] { TranslateForPostgres(divisions); }).find("nested too deeply"),
            std::string::npos);
  std::string nested = "select ";
  for (int k = 0; k < 50; ++k) nested += "IIF(a=\"x\",1/(";
  nested += "2";
  for (int k = 0; k < 50; ++k) nested += "),0)";
  EXPECT_NO_THROW(TranslateForPostgres(nested));
}

// ---------------------------------------------------------------------------------------------
// Values read back.

TEST(PgFormatColumnTest, ADoubleIsFormattedAsTheVeryFloatTheServerHolds) {
  // The double nearest 1.005 lies below the half, as it does in an SQLite file.
  EXPECT_EQ(FormatColumnValue("1.005", ValueKind::kFloat8, 2), "1.00");
  EXPECT_EQ(FormatColumnValue("2.675", ValueKind::kFloat8, 2), "2.67");
  EXPECT_EQ(FormatColumnValue("0.125", ValueKind::kFloat8, 2), "0.13");
  EXPECT_EQ(FormatColumnValue("-0.125", ValueKind::kFloat8, 2), "-0.13");
  EXPECT_EQ(FormatColumnValue("28536.4", ValueKind::kFloat8, 2), "28536.40");
  EXPECT_EQ(FormatColumnValue("1e+20", ValueKind::kFloat8, 2), "100000000000000000000.00");
  EXPECT_EQ(FormatColumnValue("-0.001", ValueKind::kFloat8, 2), "0.00");
  // A real is read as the amount written: the double nearest 2.675, as an SQLite file holds it.
  EXPECT_EQ(FormatColumnValue("2.675", ValueKind::kFloat4, 2), "2.67");
}

TEST(PgFormatColumnTest, ANumericKeepsItsDecimalDigits) {
  EXPECT_EQ(FormatColumnValue("1.005", ValueKind::kNumeric, 2), "1.01");
  EXPECT_EQ(FormatColumnValue("2.675", ValueKind::kNumeric, 2), "2.68");
  EXPECT_EQ(FormatColumnValue("28536.40", ValueKind::kNumeric, 2), "28536.40");
  EXPECT_EQ(FormatColumnValue("7", ValueKind::kInteger, 2), "7.00");
}

TEST(PgFormatColumnTest, ATextIsANumberOrAnError) {
  EXPECT_EQ(FormatColumnValue("", ValueKind::kText, 2), "");
  EXPECT_EQ(FormatColumnValue(" 12.345 ", ValueKind::kText, 2), "12.35");
  EXPECT_NE(ErrorOf([] { FormatColumnValue("abc", ValueKind::kText, 2); }).find("'abc'"),
            std::string::npos);
}

TEST(PgValueAsTextTest, NumbersReadAsTheirGeneralText) {
  EXPECT_EQ(ValueAsText("1500", ValueKind::kFloat8), "1500");
  EXPECT_EQ(ValueAsText("0.30000000000000004", ValueKind::kFloat8), "0.3");
  EXPECT_EQ(ValueAsText("2562165.25", ValueKind::kFloat8), "2562165.25");
  EXPECT_EQ(ValueAsText("1.1", ValueKind::kFloat4), "1.1");  // not the float's 1.10000002384186
  EXPECT_EQ(ValueAsText("12.50", ValueKind::kNumeric), "12.5");
  EXPECT_EQ(ValueAsText("0.00", ValueKind::kNumeric), "0");
  EXPECT_EQ(ValueAsText("1234567890123456789", ValueKind::kInteger), "1234567890123456789");
  EXPECT_EQ(ValueAsText("0.00", ValueKind::kText), "0.00");
  EXPECT_EQ(ValueAsText("NaN", ValueKind::kNumeric), "NaN");
}

}  // namespace
}  // namespace torva::db::postgres
