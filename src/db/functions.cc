#include "db/functions.h"

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>

#include "text/number_text.h"

namespace torva::db {
namespace {

constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
// More decimals than any pattern of the form asks for, and still within what an 8-byte float holds.
constexpr int kMaxPatternDecimals = 15;

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

// a/b as real division: 7/2 is 3.5, and a zero divisor is an error rather than NULL, so that a fee
// computed from a missing band is reported instead of silently becoming empty.
void Divide(sqlite3_context* context, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  const std::optional<long double> dividend = NumberOf(argv[0]);
  const std::optional<long double> divisor = NumberOf(argv[1]);
  if (!dividend) return ResultNotANumber(context, "division", argv[0]);
  if (!divisor) return ResultNotANumber(context, "division", argv[1]);
  if (*divisor == 0) {
    sqlite3_result_error(context, kDivisionByZero, -1);
    return;
  }
  // Both operands as 8-byte floats, so that the quotient is the one correctly rounded result.
  sqlite3_result_double(context, static_cast<double>(*dividend) / static_cast<double>(*divisor));
}

// Number of decimals of a pattern "0", "0.0", "0.00", ...; nullopt for any other pattern.
std::optional<int> PatternDecimals(std::string_view pattern) {
  if (pattern == "0") return 0;
  if (pattern.size() < 3 || pattern.substr(0, 2) != "0.") return std::nullopt;
  const std::string_view zeros = pattern.substr(2);
  if (zeros.size() > kMaxPatternDecimals) return std::nullopt;
  if (zeros.find_first_not_of('0') != std::string_view::npos) return std::nullopt;
  return static_cast<int>(zeros.size());
}

// Format(value, "0.00"): the value as text with the pattern's number of decimals.
void Format(sqlite3_context* context, int, sqlite3_value** argv) {
  const std::optional<int> decimals =
      sqlite3_value_type(argv[1]) == SQLITE_NULL ? std::nullopt : PatternDecimals(TextOf(argv[1]));
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
      {kDivideFunction, 2, Divide},
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

}  // namespace torva::db
