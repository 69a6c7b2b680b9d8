#include "db/connection.h"

#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <string_view>
#include <system_error>

#include "db/connection_string.h"
#include "db/dialect.h"
#include "db/functions.h"
#include "text/error.h"

namespace torva::db {
namespace {

std::string DataSource(const std::string& connection_string) {
  const std::map<std::string, std::string> parts = ParseConnectionString(connection_string);
  const auto found = parts.find("data source");
  if (found == parts.end() || found->second.empty()) {
    throw Error(
        "The connection string names no database file (\"Data Source\" is missing or "
        "empty).");
  }
  return found->second;
}

// The file must be there before SQLite sees it: SQLite would report a missing file only as
// "unable to open database file", and a folder not at all until the first statement.
void CheckFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status)) throw Error("Could not find file '" + path + "'.");
  if (std::filesystem::is_directory(status)) {
    throw Error("'" + path + "' is a folder, not a database file.");
  }
}

// A relative path that begins with "file:" would be read as a URI by an SQLite built to accept
// URIs everywhere; "./" keeps it a plain file name.
std::string SqliteFileName(const std::string& path) {
  if (path.size() >= 5 && sqlite3_strnicmp(path.c_str(), "file:", 5) == 0) return "./" + path;
  return path;
}

// Runs `sql` (SQLite's own) to completion; returns SQLite's result code.
int RunNative(sqlite3* db, const std::string& sql) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

}  // namespace

Connection::~Connection() { Close(); }

void Connection::Open(const std::string& connection_string, bool read_only) {
  Close();
  const std::string path = DataSource(connection_string);
  CheckFile(path);
  const int flags = (read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                    SQLITE_OPEN_NOMUTEX;  // no SQLITE_OPEN_CREATE: never make a new file
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(SqliteFileName(path).c_str(), &db, flags, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_busy_timeout(db, kBusyTimeoutMs);
  // Reading the schema proves that the file is a database: sqlite3_open_v2 reads nothing yet.
  if (rc == SQLITE_OK) rc = RunNative(db, "select count(*) from sqlite_master");
  if (rc == SQLITE_OK) rc = RegisterDialectFunctions(db);
  if (rc != SQLITE_OK) {
    const std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    throw Error(message);
  }
  db_ = db;
  path_ = path;
}

void Connection::Close() {
  if (db_ == nullptr) return;
  // close_v2: a query that still holds a statement keeps the handle alive until it lets go.
  sqlite3_close_v2(db_);
  db_ = nullptr;
  path_.clear();
}

sqlite3_stmt* Connection::Prepare(const std::string& sql) {
  if (db_ == nullptr) throw Error("The database connection is not open.");
  const std::string translated = TranslateDialect(sql);
  const char* const end = translated.c_str() + translated.size();
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db_, translated.c_str(), static_cast<int>(translated.size()), &stmt,
                         &tail) != SQLITE_OK) {
    throw Error(sqlite3_errmsg(db_));
  }
  if (stmt == nullptr) throw Error("The SQL statement is empty.");
  // One statement only: a second one after ';' is refused, not silently run or dropped.
  sqlite3_stmt* next = nullptr;
  const bool more =
      tail != nullptr && tail < end &&
      (sqlite3_prepare_v2(db_, tail, static_cast<int>(end - tail), &next, nullptr) != SQLITE_OK ||
       next != nullptr);
  sqlite3_finalize(next);
  if (more) {
    sqlite3_finalize(stmt);
    throw Error("Characters found after end of SQL statement.");
  }
  return stmt;
}

void Connection::Execute(const std::string& sql) {
  sqlite3_stmt* stmt = Prepare(sql);
  int rc = SQLITE_ROW;
  while (rc == SQLITE_ROW) rc = sqlite3_step(stmt);
  const std::string message = rc == SQLITE_DONE ? std::string() : sqlite3_errmsg(db_);
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) throw Error(message);
}

void Connection::ExecuteNative(const std::string& sql) {
  if (db_ == nullptr) throw Error("The database connection is not open.");
  if (RunNative(db_, sql) != SQLITE_OK) throw Error(sqlite3_errmsg(db_));
}

bool Connection::ReadOnly() const {
  return db_ != nullptr && sqlite3_db_readonly(db_, "main") == 1;
}

Connection::Failure Connection::LastFailure() const {
  if (db_ == nullptr) return Failure::kOther;
  switch (sqlite3_errcode(db_)) {
    case SQLITE_READONLY:
      return Failure::kReadOnly;
    case SQLITE_FULL:
      return Failure::kFull;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return Failure::kCorrupt;
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
      return Failure::kIo;
    case SQLITE_ERROR:
      // SQLite gives a missing table no code of its own; its text is stable.
      if (std::string_view(sqlite3_errmsg(db_)).starts_with("no such table")) {
        return Failure::kMissingTable;
      }
      return Failure::kOther;
    default:
      return Failure::kOther;
  }
}

}  // namespace torva::db
