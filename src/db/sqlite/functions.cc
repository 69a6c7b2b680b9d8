#include "db/sqlite/functions.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "db/dialect_tokens.h"
#include "text/number_text.h"

namespace torva::db::sqlite {
namespace {

constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;

std::string_view TextOf(sqlite3_value* value) {
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
  return bytes == nullptr
             ? std::string_view()
             : std::string_view(bytes, static_cast<size_t>(sqlite3_value_bytes(value)));
}

// The number an argument stands for. A text counts only when it is a number as a whole; the
// engine's own habit of reading 'abc' as 0 would turn a wrong value into a quiet wrong result.
std::optional<long double> NumberOf(sqlite3_value* value) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
      return static_cast<long double>(sqlite3_value_int64(value));
    case SQLITE_FLOAT:
      return static_cast<long double>(sqlite3_value_double(value));
    case SQLITE_TEXT:
      return text::ParseStrict(TextOf(value));
    default:
      return std::nullopt;
  }
}

void ResultNotANumber(sqlite3_context* context, const char* function, sqlite3_value* value) {
  const std::string message = std::string("Data type mismatch in ") + function + ": '" +
                              std::string(TextOf(value)) + "' is not a number";
  sqlite3_result_error(context, message.c_str(), -1);
}

// Both operands of an arithmetic function as numbers; false (with the error set) when either is no
// number. NULL is handled by the caller.
bool Operands(sqlite3_context* context, const char* function, sqlite3_value** argv, int count,
              long double* out) {
  for (int k = 0; k < count; ++k) {
    const std::optional<long double> value = NumberOf(argv[k]);
    if (!value) {
      ResultNotANumber(context, function, argv[k]);
      return false;
    }
    out[k] = *value;
  }
  return true;
}

bool AnyNull(sqlite3_value** argv, int count) {
  for (int k = 0; k < count; ++k) {
    if (sqlite3_value_type(argv[k]) == SQLITE_NULL) return true;
  }
  return false;
}

// The divisor of a '/' as a real number, so that 7/2 is 3.5; a zero divisor is an error rather than
// NULL, so that a fee computed from a missing band is reported instead of silently becoming empty.
// Only the divisor is wrapped: a chain a/b/c stays flat, as the engine's parser wants it.
void Divisor(sqlite3_context* context, int, sqlite3_value** argv) {
  if (AnyNull(argv, 1)) return sqlite3_result_null(context);
  long double divisor = 0;
  if (!Operands(context, "division", argv, 1, &divisor)) return;
  if (divisor == 0) return sqlite3_result_error(context, kDivisionByZero, -1);
  sqlite3_result_double(context, static_cast<double>(divisor));
}

void Power(sqlite3_context* context, int, sqlite3_value** argv) {
  if (AnyNull(argv, 2)) return sqlite3_result_null(context);
  long double operand[2];
  if (!Operands(context, "power", argv, 2, operand)) return;
  const double base = static_cast<double>(operand[0]);
  const double exponent = static_cast<double>(operand[1]);
  if (base == 0 && exponent < 0) return sqlite3_result_error(context, kDivisionByZero, -1);
  const double result = std::pow(base, exponent);
  if (std::isnan(result)) {
    return sqlite3_result_error(context, "Invalid procedure call or argument", -1);
  }
  if (std::isinf(result)) return sqlite3_result_error(context, "Overflow", -1);
  sqlite3_result_double(context, result);
}

// An operand of \ or Mod as a whole number, as the desktop engine converts it: halves go to the even
// neighbour (2.5 gives 2, 3.5 gives 4). nullopt beyond the 64-bit range.
std::optional<int64_t> WholeNumber(long double value) {
  const long double rounded = std::nearbyint(value);  // the default mode: to nearest, ties to even
  if (!(rounded >= -9223372036854775808.0L && rounded < 9223372036854775808.0L)) return std::nullopt;
  return static_cast<int64_t>(rounded);
}

template <bool kRemainder>
void WholeDivision(sqlite3_context* context, int, sqlite3_value** argv) {
  if (AnyNull(argv, 2)) return sqlite3_result_null(context);
  long double operand[2];
  if (!Operands(context, kRemainder ? "Mod" : "integer division", argv, 2, operand)) return;
  const std::optional<int64_t> dividend = WholeNumber(operand[0]);
  const std::optional<int64_t> divisor = WholeNumber(operand[1]);
  if (!dividend || !divisor) return sqlite3_result_error(context, "Overflow", -1);
  if (*divisor == 0) return sqlite3_result_error(context, kDivisionByZero, -1);
  if (*divisor == -1) {
    // The one quotient that leaves the range: the smallest integer divided by -1.
    if (kRemainder) return sqlite3_result_int64(context, 0);
    if (*dividend == INT64_MIN) return sqlite3_result_error(context, "Overflow", -1);
  }
  // C++ truncates toward zero and gives the remainder the sign of the dividend, as the engine does.
  sqlite3_result_int64(context, kRemainder ? *dividend % *divisor : *dividend / *divisor);
}

// Format(value, "0.00"): the value as text with the pattern's number of decimals.
void Format(sqlite3_context* context, int, sqlite3_value** argv) {
  const std::optional<int> decimals =
      sqlite3_value_type(argv[1]) == SQLITE_NULL ? std::nullopt : FormatPatternDecimals(TextOf(argv[1]));
  if (!decimals) {
    const std::string message = "Format: unsupported pattern '" + std::string(TextOf(argv[1])) +
                                "' (supported: \"0\", \"0.00\", \"0.000\" and the like)";
    sqlite3_result_error(context, message.c_str(), -1);
    return;
  }
  const int type = sqlite3_value_type(argv[0]);
  if (type == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  if (type == SQLITE_TEXT && TextOf(argv[0]).empty()) {
    sqlite3_result_text(context, "", 0, SQLITE_STATIC);
    return;
  }
  const std::optional<long double> value = NumberOf(argv[0]);
  if (!value) return ResultNotANumber(context, "Format", argv[0]);
  const std::string formatted = text::FormatFixed(*value, *decimals);
  sqlite3_result_text(context, formatted.c_str(), static_cast<int>(formatted.size()),
                      SQLITE_TRANSIENT);
}

void IsNullFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  sqlite3_result_int(context, sqlite3_value_type(argv[0]) == SQLITE_NULL ? 1 : 0);
}

}  // namespace

int RegisterDialectFunctions(sqlite3* db) {
  struct Entry {
    const char* name;
    int arguments;
    void (*function)(sqlite3_context*, int, sqlite3_value**);
  };
  const Entry entries[] = {
      {kDivisorFunction, 1, Divisor},
      {kPowerFunction, 2, Power},
      {kIntegerDivideFunction, 2, WholeDivision<false>},
      {kModFunction, 2, WholeDivision<true>},
      {"Format", 2, Format},
      {kIsNullFunction, 1, IsNullFunction},
  };
  for (const Entry& entry : entries) {
    const int rc = sqlite3_create_function_v2(db, entry.name, entry.arguments, kFlags, nullptr,
                                              entry.function, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

}  // namespace torva::db::sqlite
