// Number text of the SQLite floor (floor.h): how the floor reads field texts as numbers and writes
// numbers back, by the same rules as the form (15 significant digits, "0.00", the forgiving and the
// strict conversion), written the short way on the C library.
#pragma once

#include <string>
#include <utility>

namespace torva_bench {

bool IsBlank(char c);
// True when the text holds nothing but blanks (characters 0..32).
bool Blank(const std::string& text);
// The text without blanks around it, as [begin, end) of `text`.
std::pair<size_t, size_t> Trim(const std::string& text);
// Something besides blanks, and only digits, '-' and '.'.
bool IsNumeric(const std::string& text);
// strtold over the trimmed text, which must be consumed whole.
bool Parse(const std::string& text, long double* value);
// The forgiving reading of a field: words are 0, a malformed number is 0.
double ToFloat(const std::string& text);
// The strict conversion; throws std::runtime_error "'%s' is not a valid floating point value".
double Strict(const std::string& text);
// General number text: 15 significant digits, no trailing zeros, E notation below 1E-4 and from
// 1E15.
std::string General(long double value);
// Exactly `decimals` decimals ("0.00" for 2).
std::string Fixed(long double value, int decimals);
// A stored boolean: a number (true unless 0), "True" or "False" in any case; throws otherwise.
bool Boolean(const std::string& text);

}  // namespace torva_bench
