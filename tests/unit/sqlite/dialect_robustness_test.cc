// The dialect translation on texts no statement of the form contains, but which must still be
// translated or refused cleanly: NUL bytes, long runs of signs, deep nesting.
#include <gtest/gtest.h>

#include <string>

#include "db/sqlite/sqlite_dialect.h"
#include "text/error.h"

namespace torva::db::sqlite {
namespace {

TEST(TranslateDialectRobustnessTest, ANulByteInABracketedNameIsKeptAsItIs) {
  // Brackets double no character: the NUL is not the first half of a doubled quote.
  EXPECT_EQ(TranslateDialect(std::string("select [a\0]", 11)), std::string("select \"a\0\"", 11));
  EXPECT_EQ(TranslateDialect(std::string("select [\0\0]", 11)), std::string("select \"\0\0\"", 11));
}

TEST(TranslateDialectRobustnessTest, ALongRunOfSignsDoesNotExhaustTheStack) {
  std::string signs;
  for (int i = 0; i < 200000; ++i) signs += "- ";
  // (Compared as a whole, not printed: the text is long.)
  const std::string translated = TranslateDialect("select " + signs + "1/2");
  EXPECT_TRUE(translated == "select " + signs + "1/torva_divisor(2)") << translated.substr(0, 80);
}

TEST(TranslateDialectRobustnessTest, NestingBeyondWhatSqliteTakesIsRefused) {
  const std::string deep = "select " + std::string(250, '(') + "1/2" + std::string(250, ')');
  try {
    TranslateDialect(deep);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("the expression is nested too deeply"), std::string::npos);
  }
  const std::string fine = "select " + std::string(249, '(') + "1/2" + std::string(249, ')');
  EXPECT_NO_THROW(TranslateDialect(fine));
}

}  // namespace
}  // namespace torva::db::sqlite
