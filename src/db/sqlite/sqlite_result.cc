#include "db/sqlite/sqlite_result.h"

#include <sqlite3.h>

#include <utility>

#include "text/number_text.h"

namespace torva::db::sqlite {

SqliteResult::SqliteResult(SqliteConnection* connection, Statement statement, std::string key)
    : connection_(connection),
      connection_alive_(connection->lifetime()),
      stmt_(std::move(statement)),
      key_(std::move(key)) {
  Step();
}

SqliteResult::~SqliteResult() {
  if (!connection_alive_.expired()) connection_->Release(std::move(stmt_), key_);
}

void SqliteResult::Step() {
  has_row_ = false;
  const int rc = sqlite3_step(stmt_.get());
  if (rc == SQLITE_ROW) {
    has_row_ = true;
  } else if (rc != SQLITE_DONE) {
    DbError error = LastError(sqlite3_db_handle(stmt_.get()));
    // The statement is done with: a failed step leaves no lock behind.
    sqlite3_reset(stmt_.get());
    throw error;
  }
}

void SqliteResult::Next() {
  if (has_row_) Step();
}

std::vector<std::string> SqliteResult::ColumnNames() const {
  std::vector<std::string> names;
  const int count = sqlite3_column_count(stmt_.get());
  for (int index = 0; index < count; ++index) {
    names.emplace_back(sqlite3_column_name(stmt_.get(), index));
  }
  return names;
}

Result::ValueType SqliteResult::TypeAt(int index) const {
  switch (sqlite3_column_type(stmt_.get(), index)) {
    case SQLITE_NULL:
      return ValueType::kNull;
    case SQLITE_INTEGER:
      return ValueType::kInteger;
    case SQLITE_FLOAT:
      return ValueType::kReal;
    default:
      return ValueType::kText;
  }
}

std::string SqliteResult::TextAt(int index) const {
  switch (sqlite3_column_type(stmt_.get(), index)) {
    case SQLITE_NULL:
      return std::string();
    case SQLITE_INTEGER:
      return std::to_string(sqlite3_column_int64(stmt_.get(), index));
    case SQLITE_FLOAT:
      return text::FormatGeneral(sqlite3_column_double(stmt_.get(), index));
    default: {
      const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_.get(), index));
      if (bytes == nullptr) return std::string();
      return std::string(bytes,
                         static_cast<std::size_t>(sqlite3_column_bytes(stmt_.get(), index)));
    }
  }
}

double SqliteResult::NumberAt(int index) const {
  if (sqlite3_column_type(stmt_.get(), index) == SQLITE_INTEGER) {
    return static_cast<double>(sqlite3_column_int64(stmt_.get(), index));
  }
  return sqlite3_column_double(stmt_.get(), index);
}

}  // namespace torva::db::sqlite
