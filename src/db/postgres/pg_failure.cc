#include "db/postgres/pg_failure.h"

#include <string_view>

namespace torva::db::postgres {

FailureKind KindOfSqlState(std::string_view sqlstate) {
  if (sqlstate.size() != 5) return FailureKind::kOther;
  const std::string_view code_class = sqlstate.substr(0, 2);
  if (code_class == "08") return FailureKind::kConnectionLost;
  struct Entry {
    std::string_view state;
    FailureKind kind;
  };
  static constexpr Entry kEntries[] = {
      {"57P01", FailureKind::kConnectionLost},  // admin_shutdown
      {"57P02", FailureKind::kConnectionLost},  // crash_shutdown
      {"57P03", FailureKind::kConnectionLost},  // cannot_connect_now
      {"55P03", FailureKind::kLocked},          // lock_not_available
      {"40P01", FailureKind::kLocked},          // deadlock_detected
      {"25006", FailureKind::kReadOnly},        // read_only_sql_transaction
      {"42501", FailureKind::kReadOnly},        // insufficient_privilege
      {"53100", FailureKind::kFull},            // disk_full
      {"42P01", FailureKind::kMissingTable},    // undefined_table
      {"3F000", FailureKind::kMissingTable},    // invalid_schema_name
      {"42703", FailureKind::kMissingColumn},   // undefined_column
      {"22012", FailureKind::kDivisionByZero},  // division_by_zero
      {"XX001", FailureKind::kDamaged},         // data_corrupted
      {"XX002", FailureKind::kDamaged},         // index_corrupted
      {"58030", FailureKind::kIo},              // io_error
  };
  for (const Entry& entry : kEntries) {
    if (entry.state == sqlstate) return entry.kind;
  }
  return FailureKind::kOther;
}

}  // namespace torva::db::postgres
