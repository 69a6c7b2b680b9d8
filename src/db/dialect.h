// The desktop SQL dialect, translated onto SQLite.
//
// What the form's statements rely on and SQLite does differently:
// - a double-quoted text is always a string literal (XM="税金"), never a column name;
// - '/' is real division (7/2 is 3.5), and division by zero is an error, not NULL;
// - IIF, Format(value,"0.00"), IsNull exist (registered by functions.h).
#pragma once

#include <string>
#include <string_view>

namespace torva::db {

// Translates one statement of the desktop dialect into SQLite's. Double-quoted literals become
// single-quoted ones (inner quotes handled); every '/' operator becomes a call of the registered
// division function with its two operands, respecting precedence (a*b/c is (a*b)/c; a/b/c is
// (a/b)/c; -a/b divides -a). Text inside string literals and comments is never touched. Throws
// torva::Error on an unterminated string literal.
std::string TranslateDialect(std::string_view sql);

// Checks that `expression` (the text an auditor typed, to be evaluated as "select EXPR as HJ") is
// arithmetic only: numbers (digits, one '.', an optional exponent), the operators + - * / %, unary
// signs, parentheses, blanks, and calls of the arithmetic functions abs and round. Nothing else: no
// identifier (a column, a table), no statement separator, no comment, no string, no keyword.
// It must also be one well-formed sum: every operand in place, parentheses paired (at most 10 levels),
// abs with one argument and round with one or two; and not too large for SQLite's parser. So what it
// accepts always prepares as "select EXPR as HJ", and reads and writes nothing.
// Throws torva::Error with a clear text (in Chinese, naming what was found) when it is not.
void CheckArithmeticExpression(std::string_view expression);

}  // namespace torva::db
