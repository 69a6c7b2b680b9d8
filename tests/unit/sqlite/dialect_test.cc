#include "db/sqlite/sqlite_dialect.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <optional>
#include <string>
#include <vector>

#include "db/dialect.h"
#include "db/sqlite/functions.h"
#include "text/error.h"
#include "text/number_text.h"
#include "unit/error_of.h"

namespace torva::db::sqlite {
namespace {

using torva::testing::ErrorOf;

// ---------------------------------------------------------------------------------------------
// Translation, as text.

TEST(TranslateDialectTest, DoubleQuotedTextIsAStringLiteral) {
  EXPECT_EQ(TranslateDialect("select sum(HJFY) as HJ from G_QF where XM=\"税金\""),
            "select sum(HJFY) as HJ from G_QF where XM='税金'");
  EXPECT_EQ(TranslateDialect("select \"it's\""), "select 'it''s'");
  EXPECT_EQ(TranslateDialect("select \"say \"\"hi\"\"\""), "select 'say \"hi\"'");
  EXPECT_EQ(TranslateDialect("select \"\""), "select ''");
}

TEST(TranslateDialectTest, SingleQuotedLiteralsPassUnchanged) {
  const std::string sql = "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'a''b','say \"x\"')";
  EXPECT_EQ(TranslateDialect(sql), sql);
  EXPECT_EQ(TranslateDialect("select '' , 'a/b', '\"'"), "select '' , 'a/b', '\"'");
}

TEST(TranslateDialectTest, BracketedNamesBecomeSqliteNames) {
  EXPECT_EQ(TranslateDialect("select [Col Name] from [My Table]"),
            "select \"Col Name\" from \"My Table\"");
  EXPECT_EQ(TranslateDialect("select [a\"b]"), "select \"a\"\"b\"");
}

TEST(TranslateDialectTest, LiteralsAreNeverTouched) {
  EXPECT_EQ(TranslateDialect("select 'IsNull(1)', \"7/2\", '2--1', '2^3'"),
            "select 'IsNull(1)', '7/2', '2--1', '2^3'");
}

// The engine has no comments: what SQLite would skip as one is arithmetic.
TEST(TranslateDialectTest, TwoMinusSignsStayTwoMinusSigns) {
  EXPECT_EQ(TranslateDialect("select 2--1"), "select 2- -1");
  EXPECT_EQ(TranslateDialect("1500+600*(0.5--1)"), "1500+600*(0.5- -1)");
  EXPECT_EQ(TranslateDialect("select 1 -- x"), "select 1 - - x");
  EXPECT_EQ(TranslateDialect("3---2"), "3- - -2");
  EXPECT_EQ(TranslateDialect("3/--2"), "3/torva_divisor(- -2)");
}

TEST(TranslateDialectTest, IsNullCallsGetTheirRegisteredName) {
  EXPECT_EQ(TranslateDialect("select 1 where DepID=0 or IsNull(DepID)"),
            "select 1 where DepID=0 or torva_isnull(DepID)");
  EXPECT_EQ(TranslateDialect("select ISNULL ( x )"), "select torva_isnull ( x )");
  // SQLite's own postfix operator stays.
  EXPECT_EQ(TranslateDialect("select x isnull from t"), "select x isnull from t");
}

TEST(TranslateDialectTest, EveryDivisorIsWrapped) {
  EXPECT_EQ(TranslateDialect("select a*b/c"), "select a*b/torva_divisor(c)");
  EXPECT_EQ(TranslateDialect("a/b/c"), "a/torva_divisor(b)/torva_divisor(c)");
  EXPECT_EQ(TranslateDialect("a/b*c"), "a/torva_divisor(b)*c");
  EXPECT_EQ(TranslateDialect("-a/b"), "-a/torva_divisor(b)");
  EXPECT_EQ(TranslateDialect("a/-b"), "a/torva_divisor(-b)");
  EXPECT_EQ(TranslateDialect("a/(b+c)"), "a/torva_divisor((b+c))");
  EXPECT_EQ(TranslateDialect("f(x)/g(y)"), "f(x)/torva_divisor(g(y))");
  EXPECT_EQ(TranslateDialect("a-b/c-d"), "a-b/torva_divisor(c)-d");
  EXPECT_EQ(TranslateDialect("t.a/t.b"), "t.a/torva_divisor(t.b)");
  EXPECT_EQ(TranslateDialect("a/b^2"), "a/torva_divisor(torva_pow(b,2))");
  EXPECT_EQ(TranslateDialect("not a/b=1 and c/d or e"),
            "not a/torva_divisor(b)=1 and c/torva_divisor(d) or e");
}

TEST(TranslateDialectTest, EngineOperatorsTakeTheirOperandsByPrecedence) {
  EXPECT_EQ(TranslateDialect("2^3"), "torva_pow(2,3)");
  EXPECT_EQ(TranslateDialect("2^3^2"), "torva_pow(torva_pow(2,3),2)");
  EXPECT_EQ(TranslateDialect("-2^2"), "-torva_pow(2,2)");  // ^ before negation
  EXPECT_EQ(TranslateDialect("2^-1*3"), "torva_pow(2,-1)*3");
  EXPECT_EQ(TranslateDialect("7\\2"), "torva_idiv(7,2)");
  EXPECT_EQ(TranslateDialect("1+7\\2*3"), "1+torva_idiv(7,2*3)");  // * binds before integer division
  EXPECT_EQ(TranslateDialect("8\\2\\2"), "torva_idiv(torva_idiv(8,2),2)");
  EXPECT_EQ(TranslateDialect("7 Mod 2"), "torva_mod(7 , 2)");
  EXPECT_EQ(TranslateDialect("10 mod 4*2"), "torva_mod(10 , 4*2)");  // * before Mod
  EXPECT_EQ(TranslateDialect("9 Mod 7\\2"), "torva_mod(9 , torva_idiv(7,2))");  // \\ before Mod
  EXPECT_EQ(TranslateDialect("1-9 Mod 4+1"), "1-torva_mod(9 , 4)+1");  // Mod before + -
}

// The rewritten text grows with the statement alone, however long a chain is.
TEST(TranslateDialectTest, ALongChainOfDivisionsIsTranslatedFlat) {
  std::string chain = "1";
  std::string expected = "1";
  for (int k = 0; k < 20000; ++k) {
    chain += "/2";
    expected += "/torva_divisor(2)";
  }
  EXPECT_TRUE(TranslateDialect(chain) == expected);
}

TEST(TranslateDialectTest, DivisionIsFoundInsideCallsSubqueriesAndCase) {
  EXPECT_EQ(TranslateDialect("select round(a/b, 2) from t"),
            "select round(a/torva_divisor(b), 2) from t");
  EXPECT_EQ(TranslateDialect("select x from t where a in (select b^c from u)"),
            "select x from t where a in (select torva_pow(b,c) from u)");
  EXPECT_EQ(TranslateDialect("case when a\\b>1 then c/d else 0 end/2"),
            "case when torva_idiv(a,b)>1 then c/torva_divisor(d) else 0 end/torva_divisor(2)");
  EXPECT_EQ(TranslateDialect("select count(*)/2, t.*, a/b from t"),
            "select count(*)/torva_divisor(2), t.*, a/torva_divisor(b) from t");
  EXPECT_EQ(TranslateDialect("select cast(a as real) Mod 2"),
            "select torva_mod(cast(a as real) , 2)");
  EXPECT_EQ(TranslateDialect("select sum(x) over (partition by y)/2 from t"),
            "select sum(x) over (partition by y)/torva_divisor(2) from t");
}

TEST(TranslateDialectTest, RewritingKeepsBlanks) {
  EXPECT_EQ(TranslateDialect("select a / b as HJ"), "select a / torva_divisor(b) as HJ");
  EXPECT_EQ(TranslateDialect("select  2 ^ 3 "), "select  torva_pow(2 , 3) ");
}

TEST(TranslateDialectTest, AnOperatorWithoutItsOperandsIsAnError) {
  const std::string prefix = "Cannot translate the arithmetic in the SQL statement: ";
  EXPECT_EQ(ErrorOf([] { TranslateDialect("select /2"); }),
            prefix + "'/' has no operand before it (statement: select /2)");
  EXPECT_EQ(ErrorOf([] { TranslateDialect("select 1/ as HJ"); }),
            prefix + "'/' has no operand after it (statement: select 1/ as HJ)");
  EXPECT_EQ(ErrorOf([] { TranslateDialect("select 1/"); }),
            prefix + "'/' has no operand after it (statement: select 1/)");
  EXPECT_EQ(ErrorOf([] { TranslateDialect("select 1/ not 2"); }),
            prefix + "'/' has no operand after it (statement: select 1/ not 2)");
  EXPECT_EQ(ErrorOf([] { TranslateDialect("select (1/2"); }),
            prefix + "')' is missing (statement: select (1/2)");
  EXPECT_EQ(ErrorOf([] { TranslateDialect("select case when 1 then 1/2"); }),
            prefix + "CASE without END (statement: select case when 1 then 1/2)");
  EXPECT_EQ(ErrorOf([] { TranslateDialect("select 2^"); }),
            prefix + "'^' has no operand after it (statement: select 2^)");
  EXPECT_EQ(ErrorOf([] { TranslateDialect("select Mod 2"); }),
            prefix + "'Mod' has no operand before it (statement: select Mod 2)");
  EXPECT_EQ(ErrorOf([] { TranslateDialect("select 1/* x */"); }),
            prefix + "'/' has no operand after it (statement: select 1/* x */)");
}

TEST(TranslateDialectTest, DeepNestingIsRefusedNotOverflowed) {
  const std::string sql = "select " + std::string(100000, '(') + "1/2" + std::string(100000, ')');
  EXPECT_NE(ErrorOf([&] { TranslateDialect(sql); }).find("nested too deeply"), std::string::npos);
}

// SQLite's parser follows only some fifteen levels of the costliest nesting.
TEST(TranslateDialectTest, DeepArithmeticMovesIntoCommonTableExpressions) {
  EXPECT_EQ(TranslateDialect("select ((((((((1)))))))) as HJ"),
            "with torva_deep1(v) as (select ((((((1))))))) select ((select v from torva_deep1)) "
            "as HJ");
  EXPECT_EQ(TranslateDialect("select 2*abs(abs(abs(abs(abs(abs(abs(-1/2))))))) as HJ"),
            "with torva_deep1(v) as (select abs(abs(abs(abs(abs(abs(-1/torva_divisor(2)))))))) "
            "select 2*abs((select v from torva_deep1)) as HJ");
  // Shallow, not a select, or not arithmetic: as it stands.
  EXPECT_EQ(TranslateDialect("select ((((((1)))))) as HJ"), "select ((((((1)))))) as HJ");
  EXPECT_EQ(TranslateDialect("delete from t where a=((((((((1))))))))"),
            "delete from t where a=((((((((1))))))))");
  EXPECT_EQ(TranslateDialect("select (((((((('a'))))))))"), "select (((((((('a'))))))))");
}

TEST(LiteralsAsParametersTest, EachStringLiteralBecomesAParameterWithItsValue) {
  std::vector<std::string> values;
  EXPECT_EQ(LiteralsAsParameters("Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,'T_1','1.00')",
                                 &values),
            "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,?,?)");
  EXPECT_EQ(values, (std::vector<std::string>{"T_1", "1.00"}));
  EXPECT_EQ(LiteralsAsParameters("select 'it''s', \"say \"\"hi\"\"\", ''", &values),
            "select ?, ?, ?");
  EXPECT_EQ(values, (std::vector<std::string>{"it's", "say \"hi\"", ""}));
  EXPECT_EQ(LiteralsAsParameters("select x'AB', 12, IIF(ZZ=0,1,2)", &values),
            "select x'AB', 12, IIF(ZZ=0,1,2)");
  EXPECT_TRUE(values.empty());
}

TEST(LiteralsAsParametersTest, ANumberRightAfterALiteralStaysANumber) {
  std::vector<std::string> values;
  EXPECT_EQ(LiteralsAsParameters("select 'a'1", &values), "select ? 1");
}

TEST(LiteralsAsParametersTest, AStatementWithItsOwnParametersIsLeftAlone) {
  std::vector<std::string> values{"stale"};
  EXPECT_EQ(LiteralsAsParameters("select 'a', ?", &values), "select 'a', ?");
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(LiteralsAsParameters("select 'a', :b", &values), "select 'a', :b");
  EXPECT_EQ(LiteralsAsParameters("select 'a', 'b", &values), "select 'a', 'b");
  EXPECT_TRUE(values.empty());
  const std::string nul("select 'a', 'b\0c'", 17);
  EXPECT_EQ(LiteralsAsParameters(nul, &values), nul);
  EXPECT_TRUE(values.empty());
}

TEST(TranslateDialectTest, UnterminatedLiteralIsAnError) {
  EXPECT_EQ(ErrorOf([] { TranslateDialect("select 'abc"); }),
            "Syntax error in SQL statement: unterminated string or name at: 'abc "
            "(statement: select 'abc)");
  EXPECT_NE(ErrorOf([] { TranslateDialect("select \"abc"); }), "no error");
  EXPECT_NE(ErrorOf([] { TranslateDialect("select [abc"); }), "no error");
  EXPECT_NE(ErrorOf([] { TranslateDialect("select 'it''s"); }), "no error");
}

// ---------------------------------------------------------------------------------------------
// Translation and functions together, evaluated by SQLite.

class DialectEvalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
    ASSERT_EQ(RegisterDialectFunctions(db_), SQLITE_OK);
  }
  void TearDown() override { sqlite3_close(db_); }

  void Run(const std::string& sql) {
    ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db_);
  }

  // The first column of the first row of the translated statement: its text (REAL as general
  // number text), nullopt for NULL; throws torva::Error with SQLite's text on failure.
  std::optional<std::string> Value(const std::string& sql) {
    const std::string translated = TranslateDialect(sql);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, translated.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      throw Error(sqlite3_errmsg(db_));
    }
    const int rc = sqlite3_step(stmt);
    std::optional<std::string> value;
    if (rc == SQLITE_ROW && sqlite3_column_type(stmt, 0) == SQLITE_FLOAT) {
      value = text::FormatGeneral(sqlite3_column_double(stmt, 0));
    } else if (rc == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL) {
      value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    }
    const std::string message = sqlite3_errmsg(db_);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw Error(message);
    return value;
  }

  std::string ValueText(const std::string& sql) { return Value(sql).value_or("NULL"); }

  sqlite3* db_ = nullptr;
};

TEST_F(DialectEvalTest, SlashIsRealDivision) {
  EXPECT_EQ(ValueText("select 1000001*90000/2000000*0.85 as HJ"), "38250.03825");
  EXPECT_EQ(ValueText("select 7/2"), "3.5");
  EXPECT_EQ(ValueText("select 3/2*2"), "3");
  EXPECT_EQ(ValueText("select 100/10/5"), "2");
  EXPECT_EQ(ValueText("select -7/2"), "-3.5");
  EXPECT_EQ(ValueText("select 7/-2"), "-3.5");
  EXPECT_EQ(ValueText("select 1/(1+1)"), "0.5");
  EXPECT_EQ(ValueText("select 1+3/2"), "2.5");
  EXPECT_EQ(ValueText("select abs(-9)/abs(-2)"), "4.5");
  EXPECT_EQ(ValueText("select 1/3"), "0.333333333333333");
  EXPECT_EQ(ValueText("select '10'/'4'"), "2.5");
}

TEST_F(DialectEvalTest, DivisionByZeroIsAnError) {
  EXPECT_EQ(ErrorOf([&] { Value("select 1/0"); }), "Division by zero");
  EXPECT_EQ(ErrorOf([&] { Value("select 5*0/0*0.85 as HJ"); }), "Division by zero");
  EXPECT_EQ(ErrorOf([&] { Value("select 1/0.0"); }), "Division by zero");
  EXPECT_EQ(ErrorOf([&] { Value("select 1/(2-2)"); }), "Division by zero");
}

TEST_F(DialectEvalTest, DivisionByNullIsNull) {
  EXPECT_EQ(Value("select 1/NULL"), std::nullopt);
  EXPECT_EQ(Value("select NULL/2"), std::nullopt);
  EXPECT_EQ(Value("select 1/(select max(1) where 0)"), std::nullopt);
  // The divisor is judged on its own: a zero divisor is an error whatever it divides.
  EXPECT_EQ(ErrorOf([&] { Value("select NULL/0"); }), "Division by zero");
}

TEST_F(DialectEvalTest, DividingByTextThatIsNoNumberIsAnError) {
  EXPECT_EQ(ErrorOf([&] { Value("select 2/'abc'"); }),
            "Data type mismatch in division: 'abc' is not a number");
  EXPECT_EQ(ErrorOf([&] { Value("select 2/''"); }),
            "Data type mismatch in division: '' is not a number");
  EXPECT_EQ(ErrorOf([&] { Value("select 2^'x'"); }),
            "Data type mismatch in power: 'x' is not a number");
  EXPECT_EQ(ErrorOf([&] { Value("select 'x' Mod 2"); }),
            "Data type mismatch in Mod: 'x' is not a number");
}

TEST_F(DialectEvalTest, EngineOperatorsComputeAsTheEngineDoes) {
  EXPECT_EQ(ValueText("select 2^3"), "8");
  EXPECT_EQ(ValueText("select 7\\2"), "3");
  EXPECT_EQ(ValueText("select 7 Mod 2"), "1");
  EXPECT_EQ(ValueText("select 2--1"), "3");
  EXPECT_EQ(ValueText("select 1500+600*(0.5--1) as HJ"), "2400");
  EXPECT_EQ(ValueText("select -2^2"), "-4");
  EXPECT_EQ(ValueText("select 2^-1"), "0.5");
  EXPECT_EQ(ValueText("select 2^3^2"), "64");
  EXPECT_EQ(ValueText("select 1+7\\2*3"), "2");
  EXPECT_EQ(ValueText("select 10 Mod 4*2"), "2");
  EXPECT_EQ(ValueText("select 2*3 Mod 4"), "2");
  EXPECT_EQ(ValueText("select 100/10/5"), "2");
}

TEST_F(DialectEvalTest, WholeNumberOperatorsRoundTheirOperandsHalvesToEven) {
  EXPECT_EQ(ValueText("select 7.5\\2"), "4");  // 8\\2
  EXPECT_EQ(ValueText("select 6.5\\2"), "3");  // 6\\2
  EXPECT_EQ(ValueText("select 9\\2.5"), "4");  // 9\\2
  EXPECT_EQ(ValueText("select 9\\3.5"), "2");  // 9\\4
  EXPECT_EQ(ValueText("select 2.5 Mod 10"), "2");
  EXPECT_EQ(ValueText("select 3.5 Mod 10"), "4");
}

TEST_F(DialectEvalTest, WholeNumberOperatorsTruncateTowardZero) {
  EXPECT_EQ(ValueText("select -7\\2"), "-3");
  EXPECT_EQ(ValueText("select 7\\-2"), "-3");
  EXPECT_EQ(ValueText("select -7 Mod 2"), "-1");
  EXPECT_EQ(ValueText("select 7 Mod -2"), "1");
}

TEST_F(DialectEvalTest, EngineOperatorsReportWhatHasNoResult) {
  EXPECT_EQ(ErrorOf([&] { Value("select 7\\0"); }), "Division by zero");
  EXPECT_EQ(ErrorOf([&] { Value("select 7 Mod 0.4"); }), "Division by zero");  // 0.4 rounds to 0
  EXPECT_EQ(ErrorOf([&] { Value("select 0^-1"); }), "Division by zero");
  EXPECT_EQ(ErrorOf([&] { Value("select (-8)^0.5"); }), "Invalid procedure call or argument");
  EXPECT_EQ(ErrorOf([&] { Value("select 10^400"); }), "Overflow");
  EXPECT_EQ(ErrorOf([&] { Value("select 1e300\\1"); }), "Overflow");
  EXPECT_EQ(ErrorOf([&] { Value("select -9223372036854775808\\-1"); }), "Overflow");
  EXPECT_EQ(Value("select 2^NULL"), std::nullopt);
  EXPECT_EQ(Value("select NULL Mod 2"), std::nullopt);
}

TEST_F(DialectEvalTest, DoubleQuotedTextIsNeverAColumn) {
  Run("create table t(XM text, A text); insert into t values('税金', 'x')");
  EXPECT_EQ(ValueText("select \"XM\" as A from t"), "XM");
  EXPECT_EQ(ValueText("select count(*) from t where XM=\"税金\""), "1");
  EXPECT_EQ(ValueText("select count(*) from t where XM=\"XM\""), "0");
}

TEST_F(DialectEvalTest, IifWorksInsideWhere) {
  Run("create table GL_FYFile(LX integer, QS real, ZZ real, SFJJ real);"
      "insert into GL_FYFile values(4, 0, 200, 9), (4, 200, 500, 20), (4, 500, 0, 30),"
      " (2, 0, 0, 1)");
  const std::string band =
      "select SFJJ from GL_FYFile where LX=4 and IIF(ZZ=0,QS<{v},QS<{v} and ZZ>={v})";
  auto at = [&](const std::string& v) {
    std::string sql = band;
    for (std::size_t pos; (pos = sql.find("{v}")) != std::string::npos;) sql.replace(pos, 3, v);
    return ValueText(sql);
  };
  EXPECT_EQ(at("100"), "9");
  EXPECT_EQ(at("200"), "9");  // on the upper limit: still the lower band
  EXPECT_EQ(at("300"), "20");
  EXPECT_EQ(at("600"), "30");  // the open band
  EXPECT_EQ(ValueText("select count(*) from GL_FYFile where LX=4 and "
                      "IIF(ZZ=0,QS<300,QS<300 and ZZ>=300)"),
            "1");
}

TEST_F(DialectEvalTest, FormatGivesFixedDecimals) {
  EXPECT_EQ(ValueText("select Format(12.5,\"0.00\")"), "12.50");
  EXPECT_EQ(ValueText("select Format(3,\"0.00\")"), "3.00");
  EXPECT_EQ(ValueText("select Format(-0.125,\"0.00\")"), "-0.13");
  EXPECT_EQ(ValueText("select Format(4,\"0.000\")"), "4.000");
  EXPECT_EQ(ValueText("select Format(12.5,\"0\")"), "13");
  EXPECT_EQ(ValueText("select Format('12.5','0.00')"), "12.50");
  EXPECT_EQ(ValueText("select Format('','0.00')"), "");
  EXPECT_EQ(Value("select Format(NULL,\"0.00\")"), std::nullopt);
  Run("create table P_ZHZ(QTFY real); insert into P_ZHZ values(1234.5)");
  EXPECT_EQ(ValueText("select Format(QTFY,\"0.00\") as QTF from P_ZHZ"), "1234.50");
}

TEST_F(DialectEvalTest, FormatRefusesWhatItCannotFormat) {
  EXPECT_EQ(ErrorOf([&] { Value("select Format(1,\"#,##0.00\")"); }),
            "Format: unsupported pattern '#,##0.00' (supported: \"0\", \"0.00\", \"0.000\" and "
            "the like)");
  EXPECT_NE(ErrorOf([&] { Value("select Format(1,\"0.0x\")"); }), "no error");
  EXPECT_NE(ErrorOf([&] { Value("select Format(1,\"\")"); }), "no error");
  EXPECT_NE(ErrorOf([&] { Value("select Format(1,NULL)"); }), "no error");
  EXPECT_EQ(ErrorOf([&] { Value("select Format('abc',\"0.00\")"); }),
            "Data type mismatch in Format: 'abc' is not a number");
}

TEST_F(DialectEvalTest, IsNullTellsNullFromValues) {
  EXPECT_EQ(ValueText("select IsNull(NULL)"), "1");
  EXPECT_EQ(ValueText("select IsNull(0)"), "0");
  EXPECT_EQ(ValueText("select IsNull('')"), "0");
  Run("create table P_ZHZ(DepID integer, QTFY real);"
      "insert into P_ZHZ values(0, 1), (NULL, 2), (2, 4)");
  EXPECT_EQ(ValueText("select sum(QTFY) from P_ZHZ where DepID=0 or IsNull(DepID)"), "3");
}

// ---------------------------------------------------------------------------------------------
// Arithmetic check of typed expressions.

TEST(CheckArithmeticExpressionTest, AcceptsArithmetic) {
  for (const char* expression :
       {"1000000*90000/2000000*0.85", "50000+0.0375*(3000000-1000000)*0.85",
        "(1500+300*(12.5-10))*1.2", " -5 ", "+.5", "5.", "1.5E-7", "5e+3*2", "7 % 2", "abs(-3)",
        "ROUND(2.345, 2)", "round (abs(-1.5)/2,1)", "\t1\r\n+2", "- -1", "2^3", "7\\2",
        "7 Mod 2", "7 mod 2", "2--1", "1500+600*(0.5--1)", "-2^-2", "2^abs(-1)"}) {
    EXPECT_NO_THROW(CheckArithmeticExpression(expression)) << expression;
  }
}

TEST(CheckArithmeticExpressionTest, NamesWhatIsNotArithmetic) {
  const std::string prefix = "计算式只能包含数字和运算符：";
  const std::pair<const char*, const char*> cases[] = {{"1; delete from G_GCCS", ";"},
                                                       {"(select 1)", "select"},
                                                       {"1 -- x", "x"},
                                                       {"S_Val", "S_Val"},
                                                       {"'a'", "'a'"},
                                                       {"x\"", "x"},
                                                       {"\"1\"", "\"1\""},
                                                       {"1=1", "="},
                                                       {"1||2", "||"},
                                                       {"0x10", "0x10"},
                                                       {"1e", "e"},
                                                       {"abs", "abs"},
                                                       {"abs 1", "abs"},
                                                       {"max(1,2)", "max"},
                                                       {"1,2", ","},
                                                       {"(1,2)", ","},
                                                       {"round(1)+(2,3)", ","},
                                                       {"[a]", "[a]"},
                                                       {"?", "?"},
                                                       {":x", ":x"},
                                                       {"1.2.3", ".3"},
                                                       {"税金", "税金"},
                                                       {"1 union select 2", "union"},
                                                       {"1\x01", "\\x01"},
                                                       {"1 < 2", "<"},
                                                       {"1 2", "2"},
                                                       {"2 & 3", "&"}};
  for (const auto& [expression, found] : cases) {
    EXPECT_EQ(ErrorOf([&] { CheckArithmeticExpression(expression); }), prefix + found)
        << expression;
  }
}

TEST(CheckArithmeticExpressionTest, EmptyExpressionIsAnError) {
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression(""); }), "计算式为空");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("  \t "); }), "计算式为空");
}

}  // namespace
}  // namespace torva::db::sqlite
