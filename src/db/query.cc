#include "db/query.h"

#include <sqlite3.h>

#include <string_view>

#include "db/connection.h"
#include "text/error.h"
#include "text/number_text.h"
#include "text/strings.h"

namespace torva::db {
namespace {

using text::EqualsIgnoreCase;

std::string ColumnText(sqlite3_stmt* stmt, int index) {
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
  if (bytes == nullptr) return std::string();
  return std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(stmt, index)));
}

}  // namespace

Query::Query(Connection* connection) : connection_(connection) {}

Query::Query() = default;

Query::~Query() { Close(); }

void Query::SetConnectionString(const std::string& connection_string) {
  if (connection_string != connection_string_) {
    Close();
    own_connection_.reset();
  }
  connection_string_ = connection_string;
}

void Query::SetSql(const std::string& sql) { sql_ = sql; }

Connection& Query::Connect() {
  if (connection_ != nullptr) return *connection_;
  // Asked of the file system at every opening: the fee standard may be replaced while the form is
  // open, and a lookup must then read the new file, or fail on a missing or damaged one.
  if (!own_connection_ || !own_connection_->FileUnchanged()) {
    own_connection_.reset();
    auto own = std::make_unique<Connection>();
    own->Open(connection_string_, /*read_only=*/true);
    own_connection_ = std::move(own);
  }
  return *own_connection_;
}

void Query::Prepare() {
  Connection& connection = Connect();
  stmt_ = connection.Prepare(sql_, &stmt_key_);
  stmt_connection_ = &connection;
}

void Query::Open() {
  Close();
  try {
    Prepare();
    Step();
  } catch (...) {
    Close();
    throw;
  }
}

void Query::Execute() {
  Close();
  try {
    Prepare();
    do {
      Step();
    } while (has_row_);
  } catch (...) {
    Close();
    throw;
  }
  Close();
}

void Query::Close() {
  // The own connection is only ever replaced by Connect, after this has let go of its statement.
  if (stmt_) stmt_connection_->Release(std::move(stmt_), stmt_key_);
  stmt_.reset();
  stmt_connection_ = nullptr;
  has_row_ = false;
}

bool Query::IsOpen() const { return stmt_ != nullptr; }

bool Query::Eof() const { return !has_row_; }

void Query::Step() {
  has_row_ = false;
  const int rc = sqlite3_step(stmt_.get());
  if (rc == SQLITE_ROW) {
    has_row_ = true;
  } else if (rc != SQLITE_DONE) {
    throw Error(sqlite3_errmsg(sqlite3_db_handle(stmt_.get())));
  }
}

void Query::Next() {
  if (has_row_) Step();
}

void Query::First() {
  if (!stmt_) return;
  // The result is not kept: going back runs the statement again from its start.
  sqlite3_reset(stmt_.get());
  Step();
}

bool Query::Locate(const std::string& column, const std::string& text) {
  const int index = ColumnIndex(column);
  for (First(); has_row_; Step()) {
    if (TextAt(index) == text) return true;
  }
  return false;
}

int Query::ColumnIndex(const std::string& column) const {
  if (!stmt_) {
    throw Error("The query is not open; its field '" + column + "' cannot be read.");
  }
  const int count = sqlite3_column_count(stmt_.get());
  for (int index = 0; index < count; ++index) {
    if (EqualsIgnoreCase(sqlite3_column_name(stmt_.get(), index), column)) return index;
  }
  throw Error("Field '" + column + "' not found in the query result.");
}

std::string Query::TextAt(int index) const {
  if (!has_row_) return std::string();
  switch (sqlite3_column_type(stmt_.get(), index)) {
    case SQLITE_NULL:
      return std::string();
    case SQLITE_INTEGER:
      return std::to_string(sqlite3_column_int64(stmt_.get(), index));
    case SQLITE_FLOAT:
      return text::FormatGeneral(sqlite3_column_double(stmt_.get(), index));
    default:
      return ColumnText(stmt_.get(), index);
  }
}

std::string Query::AsText(const std::string& column) const { return TextAt(ColumnIndex(column)); }

double Query::AsFloat(const std::string& column) const {
  const int index = ColumnIndex(column);
  if (!has_row_) return 0;
  switch (sqlite3_column_type(stmt_.get(), index)) {
    case SQLITE_NULL:
      return 0;
    case SQLITE_INTEGER:
      return static_cast<double>(sqlite3_column_int64(stmt_.get(), index));
    case SQLITE_FLOAT:
      return sqlite3_column_double(stmt_.get(), index);
    default:
      return text::StrictToFloat(ColumnText(stmt_.get(), index));
  }
}

bool Query::IsNull(const std::string& column) const {
  const int index = ColumnIndex(column);
  return !has_row_ || sqlite3_column_type(stmt_.get(), index) == SQLITE_NULL;
}

std::vector<std::string> Query::ColumnNames() const {
  std::vector<std::string> names;
  if (!stmt_) return names;
  const int count = sqlite3_column_count(stmt_.get());
  for (int index = 0; index < count; ++index) names.emplace_back(sqlite3_column_name(stmt_.get(), index));
  return names;
}

}  // namespace torva::db
