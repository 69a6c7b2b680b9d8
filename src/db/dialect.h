// The desktop SQL dialect: what every backend's translation keeps, and the check of a fee
// expression (what an auditor may type), which is the same whatever engine evaluates it.
//
// What the form's statements rely on:
// - a double-quoted text is always a string literal (XM="税金"), never a column name;
// - '/' is real division (7/2 is 3.5), and division by zero is an error, not NULL;
// - the engine's arithmetic: ^ (power), \ (integer division) and Mod (remainder), binding, tightest
//   first: ^, negation, * and /, \, Mod, + and -;
// - there are no comments: "2--1" is 2 minus -1;
// - IIF, Format(value,"0.00"), IsNull exist.
#pragma once

#include <string_view>

namespace torva::db {

// Checks that `expression` (the text an auditor typed, to be evaluated as "select EXPR as HJ") is
// arithmetic only: numbers (digits, one '.', an optional exponent), the operators + - * / % ^ \ and
// Mod, signs, parentheses, blanks, and calls of the arithmetic functions abs and round. Nothing else:
// no identifier (a column, a table), no statement separator, no string, no keyword.
// It must also be one well-formed sum: every operand in place, parentheses paired (at most 100
// levels), abs with one argument and round with one or two. So what it accepts reads and writes
// nothing; whether an engine's parser takes a sum that large is the arithmetic engine's to say.
// Throws torva::Error with a clear text (in Chinese, naming what was found) when it is not.
void CheckArithmeticExpression(std::string_view expression);

}  // namespace torva::db
