// Extra SQL functions of the desktop dialect, registered on every connection in one place.
#pragma once

struct sqlite3;

namespace torva::db {

// Name of the division function that TranslateDialect writes for the '/' operator.
inline constexpr const char* kDivideFunction = "torva_div";
// Name under which IsNull(value) is registered. SQLite reads the bare word ISNULL as its postfix
// operator, so TranslateDialect writes a call of IsNull under this name.
inline constexpr const char* kIsNullFunction = "torva_isnull";
// Text of the error for a division by zero, as the desktop engine reports it.
inline constexpr const char* kDivisionByZero = "Division by zero";

// Registers on `db`: torva_div(a,b) (real division; error "Division by zero" when b is 0; NULL when
// either is NULL; an operand that is text and no number is an error), Format(value, pattern) for the
// patterns "0", "0.0", "0.00", "0.000" and so on (text with that many decimals, halves away from
// zero; NULL stays NULL, the empty text stays empty; any other pattern, or a text value that is no
// number, is an error), torva_isnull(value) (1 for NULL, else 0). IIF is SQLite's own. Returns
// SQLite's result code.
int RegisterDialectFunctions(sqlite3* db);

}  // namespace torva::db
