// Extra SQL functions of the desktop dialect, registered on every connection in one place.
#pragma once

struct sqlite3;

namespace torva::db::sqlite {

// The desktop engine's arithmetic operators, as TranslateDialect writes them: a/b becomes
// a/torva_divisor(b), a^b torva_pow(a,b), a\b torva_idiv(a,b) and a Mod b torva_mod(a,b).
inline constexpr const char* kDivisorFunction = "torva_divisor";
inline constexpr const char* kPowerFunction = "torva_pow";
inline constexpr const char* kIntegerDivideFunction = "torva_idiv";
inline constexpr const char* kModFunction = "torva_mod";
// Name under which IsNull(value) is registered. SQLite reads the bare word ISNULL as its postfix
// operator, so TranslateDialect writes a call of IsNull under this name.
inline constexpr const char* kIsNullFunction = "torva_isnull";
// Text of the error for a division by zero, as the desktop engine reports it.
inline constexpr const char* kDivisionByZero = "Division by zero";

// Registers on `db`:
// - torva_divisor(b): b as a real number, so that the '/' before it divides as reals (7/2 is 3.5);
//   the error "Division by zero" when b is 0; NULL for NULL;
// - torva_pow(a,b): a to the power b as a real number; "Division by zero" for 0 to a negative power,
//   "Invalid procedure call or argument" when there is no real result, "Overflow" when it is too
//   large;
// - torva_idiv(a,b) and torva_mod(a,b): both operands rounded to whole numbers first (halves to the
//   even neighbour), then the quotient truncated toward zero, or the remainder with the sign of the
//   dividend; "Division by zero" when the rounded divisor is 0, "Overflow" beyond 64-bit integers;
// - in all four NULL gives NULL and a text that is no number is an error;
// - Format(value, pattern) for the patterns "0", "0.0", "0.00", "0.000" and so on (text with that
//   many decimals, halves away from zero; NULL stays NULL, the empty text stays empty; any other
//   pattern, or a text value that is no number, is an error);
// - torva_isnull(value): 1 for NULL, else 0.
// IIF is SQLite's own. Returns SQLite's result code.
int RegisterDialectFunctions(sqlite3* db);

}  // namespace torva::db::sqlite
