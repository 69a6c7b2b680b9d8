// The desktop SQL dialect, translated onto PostgreSQL.
//
// What the form's statements rely on and PostgreSQL does differently:
// - a double-quoted text is a string literal (XM="税金"), never a name: every literal, in double or
//   single quotes, is sent as a parameter, so that no quoting rule of the server ever touches it;
// - names are folded to lower case by the server; a bracketed name [G_QF] is sent quoted in lower
//   case, so that it names the same table as the bare G_QF;
// - '/' is real division (7/2 is 3.5); the server already refuses a division by zero;
// - IIF(condition, a, b) and IsNull(value) do not exist: they become CASE and IS NULL;
// - Format(value,"0.00") must give exactly the number text's two decimals, halves away from zero on
//   the value as the column holds it. The server cannot do that on a double exactly (its casts to
//   numeric keep 15 digits), so the column is sent bare and formatted as it is read;
// - "--" and "/*" begin comments there; the desktop engine has none, so they are kept apart.
// The desktop engine's ^, \ and Mod belong to fee expressions, which the form evaluates itself; a
// statement sent to the server with them is refused with a clear text rather than computed with
// the server's other precedence.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torva::db::postgres {

// A result column whose value is formatted as it is read: Format(value,"0.00") at the top of the
// select list.
struct FormattedColumn {
  int column = 0;    // 0-based position in the select list
  int decimals = 0;  // "0" is 0, "0.00" is 2
};

struct PgStatement {
  std::string sql;                  // PostgreSQL's SQL, its literals as $1, $2, ...
  std::vector<std::string> values;  // the parameters' texts, in order
  std::vector<FormattedColumn> formatted;
};

// Translates one statement of the desktop dialect. Throws torva::Error with a clear text on an
// unterminated literal or name, a literal holding a NUL byte (the server's texts cannot hold one),
// a parameter of the statement's own, IIF without three arguments, IsNull without one, Format
// elsewhere than as a column of the result or with a pattern other than "0", "0.0", "0.00" ...,
// an operator without its operand, and the fee-expression operators ^, \ and Mod.
PgStatement TranslateForPostgres(std::string_view sql);

// How a column's value came from the server, for the readings below.
enum class ValueKind {
  kFloat4,   // real: its text is the shortest that reads back as that float, read as a double
  kFloat8,   // double precision: likewise
  kNumeric,  // numeric: the text is the exact decimal value
  kInteger,  // smallint, integer, bigint
  kText,     // anything else, read as text
};

// The value of a Format column, as the dialect's Format gives it on every backend: the empty text
// stays empty; a number (a text column's value through the strict conversion) becomes
// FormatFixed(value, decimals), where a float column's value is first read back as the very float
// the server holds (so a double 1.005, which lies below the half, gives 1.00, as it does in an
// SQLite file) and an exact decimal keeps its digits. Throws torva::Error on a text that is no
// number. NULL is the caller's affair.
std::string FormatColumnValue(std::string_view text, ValueKind kind, int decimals);

// A value as the form reads it as text: a float's general number text (1500, not 1500.0; 0.3 for
// the sum 0.1+0.2), a numeric's general number text (12.50 is 12.5), anything else, integers
// included, unchanged.
std::string ValueAsText(std::string_view text, ValueKind kind);

// A number column's value as an 8-byte float (a float exactly as the server holds it, a numeric or
// an integer rounded once); nullopt when the text is no number ("NaN").
std::optional<double> ValueAsNumber(std::string_view text, ValueKind kind);

}  // namespace torva::db::postgres
