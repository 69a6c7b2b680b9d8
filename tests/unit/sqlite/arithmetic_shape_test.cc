// The fee expressions an auditor types: only a well-formed sum of numbers passes the check, and
// whatever passes evaluates as "select EXPR as HJ" on the form's own arithmetic engine (an
// in-memory SQLite database without tables), within what SQLite's parser takes.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "db/arithmetic_engine.h"
#include "db/dialect.h"
#include "db/failure.h"
#include "text/error.h"
#include "text/number_text.h"
#include "unit/error_of.h"

namespace torva::db {
namespace {

using torva::testing::ErrorOf;

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// ---------------------------------------------------------------------------------------------
// Texts whose every character is allowed but which are no sum.

TEST(ArithmeticShapeTest, AnExpressionThatEndsEarlyIsIncomplete) {
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("2+"); }), "计算式不完整：2+");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("-"); }), "计算式不完整：-");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("3*(2-"); }), "计算式的括号不配对：3*(2-");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("round(1,"); }), "计算式的括号不配对：round(1,");
}

TEST(ArithmeticShapeTest, AnOperatorOrParenthesisOutOfPlaceIsNamed) {
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("*2"); }), "计算式中“*”的位置不对：*2");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("1+*2"); }), "计算式中“*”的位置不对：1+*2");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("()"); }), "计算式中“)”的位置不对：()");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("1 (2)"); }), "计算式中“(”的位置不对：1 (2)");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("(1)(2)"); }), "计算式中“(”的位置不对：(1)(2)");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("round(,1)"); }),
            "计算式中“,”的位置不对：round(,1)");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("1/* */"); }), "计算式中“*”的位置不对：1/* */");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("2 Mod"); }), "计算式不完整：2 Mod");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("Mod 2"); }), "计算式中“Mod”的位置不对：Mod 2");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("2^*3"); }), "计算式中“*”的位置不对：2^*3");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("7\\\\2"); }),
            "计算式中“\\”的位置不对：7\\\\2");
}

TEST(ArithmeticShapeTest, ATokenThatIsNoArithmeticIsNamedBeforeAShapeFault) {
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("*2; drop"); }),
            "计算式只能包含数字和运算符：;");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("(1+)x"); }), "计算式只能包含数字和运算符：x");
}

TEST(ArithmeticShapeTest, ParenthesesMustPair) {
  // Wrapped in parentheses for the one-stage factor, "1)+(2" would compute another sum.
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("1)+(2"); }), "计算式的括号不配对：1)+(2");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("(1"); }), "计算式的括号不配对：(1");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("(1))"); }), "计算式的括号不配对：(1))");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("(1500+300*)12.5-10))*1.2"); }),
            "计算式的括号不配对：(1500+300*)12.5-10))*1.2");
}

TEST(ArithmeticShapeTest, FunctionsTakeTheirNumberOfArguments) {
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("abs(1,2)"); }),
            "计算式中 abs 的参数太多：abs(1,2)");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("ROUND(1,2,3)"); }),
            "计算式中 ROUND 的参数太多：ROUND(1,2,3)");
  EXPECT_EQ(ErrorOf([] { CheckArithmeticExpression("round(2.345,2)+abs(-1)"); }), "no error");
}

TEST(ArithmeticShapeTest, NestingIsLimitedToAHundredLevels) {
  const std::string twelve = Repeat("(", 12) + "1" + Repeat(")", 12);
  const std::string eleven = Repeat("abs(", 11) + "1" + Repeat(")", 11);
  const std::string too_deep = Repeat("(", 101) + "1" + Repeat(")", 101);
  EXPECT_EQ(ErrorOf([&] { CheckArithmeticExpression(twelve); }), "no error");
  EXPECT_EQ(ErrorOf([&] { CheckArithmeticExpression(eleven); }), "no error");
  for (const char* level : {"(", "abs(", "1+(", "2*(3+", "1/(", "2^(", "7 Mod (", "7\\("}) {
    const std::string hundred = Repeat(level, 100) + "1" + Repeat(")", 100);
    EXPECT_EQ(ErrorOf([&] { CheckArithmeticExpression(hundred); }), "no error") << level;
  }
  EXPECT_EQ(ErrorOf([&] { CheckArithmeticExpression(too_deep); }),
            "计算式的括号嵌套太深（最多 100 层）：" + too_deep.substr(0, 200) + "...");
}

TEST(ArithmeticShapeTest, WhatSqliteCannotParseIsRefusedBeforeItRuns) {
  // SQLite's parser stack holds only so many nested calls, and so many signs; its expression trees
  // only so many operators in one chain.
  const std::unique_ptr<ArithmeticEngine> engine = NewArithmeticEngine();
  const std::string calls = Repeat("round(", 40) + "1" + Repeat(",1)", 40);
  const std::string signs = Repeat("- ", 200) + "1";
  const std::string chain = "1" + Repeat("/2", 1500);
  for (const std::string& expression : {calls, signs, chain}) {
    EXPECT_EQ(ErrorOf([&] { CheckArithmeticExpression(expression); }), "no error");
  }
  EXPECT_EQ(ErrorOf([&] { engine->Evaluate(calls); }),
            "计算式太复杂，无法计算（parser stack overflow）");
  EXPECT_EQ(ErrorOf([&] { engine->Evaluate(signs); }),
            "计算式太复杂，无法计算（parser stack overflow）");
  EXPECT_EQ(ErrorOf([&] { engine->Evaluate(chain); }),
            "计算式太复杂，无法计算（Expression tree is too large (maximum depth 1000)）");
  // A long text of a flat shape is no trouble at all.
  EXPECT_EQ(ErrorOf([&] { engine->Evaluate("1" + Repeat("/2+3", 200)); }), "no error");
  EXPECT_EQ(ErrorOf([&] { engine->Evaluate("1" + Repeat("/2", 500)); }), "no error");
}

// ---------------------------------------------------------------------------------------------
// What passes evaluates.

TEST(ArithmeticShapeTest, EveryAcceptedShapeEvaluatesOnTheFormsOwnEngine) {
  const std::unique_ptr<ArithmeticEngine> engine = NewArithmeticEngine();
  const std::pair<std::string, std::string> cases[] = {
      {"1000000*90000/2000000*0.85", "38250"},
      {"(1500+300*(12.5-10))*1.2", "2700"},
      {"- -1", "1"},
      {"+-+3", "-3"},
      {"7 % 2", "1"},
      {"round(abs(-200000.4))*0.5", "100000"},
      {"ROUND(2.345, 2)", "2.35"},
      {"5.", "5"},
      {Repeat("(", 12) + "1/4" + Repeat(")", 12), "0.25"},
      {Repeat("abs(", 11) + "-1" + Repeat(")", 11), "1"},
      {Repeat("abs(", 100) + "-1" + Repeat(")", 100), "1"},
      {Repeat("1+(", 100) + "1" + Repeat(")", 100), "101"},
      {Repeat("2*(3+", 100) + "1" + Repeat(")", 100), "8.87355420159761E30"},
      {Repeat("1/(", 100) + "2" + Repeat(")", 100), "2"},
      {"1" + Repeat("/1", 500), "1"},
      {"2^3", "8"},
      {"7\\2", "3"},
      {"7 Mod 2", "1"},
      {"2--1", "3"},
      {"1500+600*(0.5--1)", "2400"},
      {"1" + Repeat("+1", 400), "401"},
  };
  for (const auto& [expression, value] : cases) {
    ASSERT_EQ(ErrorOf([&] { CheckArithmeticExpression(expression); }), "no error") << expression;
    std::optional<double> result;
    ASSERT_EQ(ErrorOf([&] { result = engine->Evaluate(expression); }), "no error") << expression;
    ASSERT_TRUE(result.has_value()) << expression;
    EXPECT_EQ(text::FormatGeneral(*result), value) << expression;
  }
}

// The engine keeps what it prepared: an expression evaluated again, after an error of its own or
// of another expression, gives the same value or the same error.
TEST(ArithmeticShapeTest, AnExpressionEvaluatedAgainGivesTheSameValueOrError) {
  const std::unique_ptr<ArithmeticEngine> engine = NewArithmeticEngine();
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(ErrorOf([&] { engine->Evaluate("5*0/0*0.85"); }), "Division by zero");
    EXPECT_EQ(engine->Evaluate("(1500+300*(12.5-10))*1.2"), std::optional<double>(2700));
    EXPECT_EQ(engine->Evaluate("1%0"), std::nullopt);
    try {
      engine->Evaluate("7\\0");
      ADD_FAILURE() << "no error";
    } catch (const DbError& e) {
      EXPECT_EQ(e.kind(), FailureKind::kDivisionByZero);
    }
  }
}

}  // namespace
}  // namespace torva::db
