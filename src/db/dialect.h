// The desktop SQL dialect, translated onto SQLite.
//
// What the form's statements rely on and SQLite does differently:
// - a double-quoted text is always a string literal (XM="税金"), never a column name;
// - '/' is real division (7/2 is 3.5), and division by zero is an error, not NULL;
// - the engine's arithmetic: ^ (power), \ (integer division) and Mod (remainder), binding, tightest
//   first: ^, negation, * and /, \, Mod, + and -;
// - there are no comments: "2--1" is 2 minus -1;
// - IIF, Format(value,"0.00"), IsNull exist (registered by functions.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace torva::db {

// Translates one statement of the desktop dialect into SQLite's. Double-quoted literals become
// single-quoted ones (inner quotes handled); every divisor of a '/' is wrapped in the registered
// divisor function (a/b/c is a/torva_divisor(b)/torva_divisor(c)); ^, \ and Mod become calls of
// their functions with the operands the engine's precedence gives them (-2^2 is -torva_pow(2,2),
// 1+7\2*3 is 1+torva_idiv(7,2*3)); two minus signs side by side are kept apart. Text inside string
// literals is never touched. A select whose arithmetic nests deeper than SQLite's parser follows is
// first made shallow (deep_arithmetic.h). A chain of operators takes time linear in its length.
// Throws torva::Error on an unterminated string literal and on an operator without its operands.
std::string TranslateDialect(std::string_view sql);

// The statement with each string literal ('text' or "text") replaced by a parameter "?", its value
// appended to `values` in order: statements that differ only in their texts then share one shape,
// translated and prepared once. A statement that has parameters of its own, an unterminated
// literal or a literal holding a NUL byte is returned unchanged with no values.
std::string LiteralsAsParameters(std::string_view sql, std::vector<std::string>* values);

// Checks that `expression` (the text an auditor typed, to be evaluated as "select EXPR as HJ") is
// arithmetic only: numbers (digits, one '.', an optional exponent), the operators + - * / % ^ \ and
// Mod, signs, parentheses, blanks, and calls of the arithmetic functions abs and round. Nothing else:
// no identifier (a column, a table), no statement separator, no string, no keyword.
// It must also be one well-formed sum: every operand in place, parentheses paired (at most 100
// levels), abs with one argument and round with one or two; and not too large for SQLite's parser.
// So what it accepts always prepares as "select EXPR as HJ", and reads and writes nothing.
// Throws torva::Error with a clear text (in Chinese, naming what was found) when it is not.
void CheckArithmeticExpression(std::string_view expression);

}  // namespace torva::db
