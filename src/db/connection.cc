#include "db/connection.h"

#include <sqlite3.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

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

// The file must be there, and be a regular file, before SQLite sees it: SQLite would report a
// missing file only as "unable to open database file", and a folder not at all until the first
// statement.
void CheckFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status)) throw Error("Could not find file '" + path + "'.");
  if (std::filesystem::is_directory(status)) {
    throw Error("'" + path + "' is a folder, not a database file.");
  }
  // A pipe or a device would hold the opening (a pipe without a writer for ever) before SQLite
  // could say that it is no database.
  if (!std::filesystem::is_regular_file(status)) {
    throw Error("'" + path + "' is a special file (a pipe or a device), not a database file.");
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

constexpr std::size_t kTranslationsKept = 256;
constexpr std::size_t kStatementsKept = 64;

}  // namespace

void StatementFinalizer::operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }

Connection::~Connection() { Close(); }

bool Connection::Identify(const std::string& path, FileIdentity* identity) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return false;
  identity->device = status.st_dev;
  identity->inode = status.st_ino;
  identity->size = status.st_size;
  identity->modified_ns =
      static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec;
  return true;
}

bool Connection::FileUnchanged() const {
  FileIdentity now;
  return db_ != nullptr && Identify(path_, &now) && now == identity_;
}

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
  // Taken after the schema was read, which is all an opening reads.
  if (!Identify(path_, &identity_)) identity_ = FileIdentity{};
}

void Connection::Close() {
  if (db_ == nullptr) return;
  idle_.clear();
  // close_v2: a query that still holds a statement keeps the handle alive until it lets go.
  sqlite3_close_v2(db_);
  db_ = nullptr;
  path_.clear();
}

const std::string& Connection::Translation(const std::string& sql) {
  const auto found = translations_.find(sql);
  if (found != translations_.end()) return found->second;
  std::string translated = TranslateDialect(sql);
  if (translations_.size() >= kTranslationsKept) translations_.clear();
  return translations_.emplace(sql, std::move(translated)).first->second;
}

void Connection::Release(Statement statement, const std::string& key) {
  // A statement of a connection closed since cannot share this handle: close_v2 keeps the old
  // handle alive, and so distinct, until its last statement is finalized here.
  if (!statement || db_ == nullptr || sqlite3_db_handle(statement.get()) != db_) return;
  if (idle_.count(key) != 0) return;  // one of this shape is kept already
  sqlite3_reset(statement.get());
  sqlite3_clear_bindings(statement.get());
  if (idle_.size() >= kStatementsKept) idle_.clear();
  idle_.emplace(key, std::move(statement));
}

Statement Connection::TakeIdle(const std::string& key) {
  const auto idle = idle_.find(key);
  if (idle == idle_.end()) return Statement();
  Statement statement = std::move(idle->second);
  idle_.erase(idle);
  return statement;
}

void Connection::RunToEnd(Statement statement, const std::string& key) {
  int rc = SQLITE_ROW;
  while (rc == SQLITE_ROW) rc = sqlite3_step(statement.get());
  const std::string message = rc == SQLITE_DONE ? std::string() : sqlite3_errmsg(db_);
  Release(std::move(statement), key);
  if (rc != SQLITE_DONE) throw Error(message);
}

Statement Connection::Prepare(const std::string& sql, std::string* key) {
  if (db_ == nullptr) throw Error("The database connection is not open.");
  std::vector<std::string> values;
  const std::string& translated = Translation(LiteralsAsParameters(sql, &values));
  Statement stmt = TakeIdle(translated);
  if (!stmt) {
    const char* const end = translated.c_str() + translated.size();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db_, translated.c_str(), static_cast<int>(translated.size()),
                                      &raw, &tail);
    stmt.reset(raw);
    if (rc != SQLITE_OK) throw Error(sqlite3_errmsg(db_));
    if (!stmt) throw Error("The SQL statement is empty.");
    // One statement only: a second one after ';' is refused, not silently run or dropped.
    if (tail != nullptr && tail < end) {
      sqlite3_stmt* next = nullptr;
      const int next_rc =
          sqlite3_prepare_v2(db_, tail, static_cast<int>(end - tail), &next, nullptr);
      const Statement second(next);
      if (next_rc != SQLITE_OK || second) throw Error("Characters found after end of SQL statement.");
    }
  }
  if (sqlite3_bind_parameter_count(stmt.get()) != static_cast<int>(values.size())) {
    throw Error("The SQL statement's literals cannot be bound.");  // the shape lost one
  }
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (sqlite3_bind_text(stmt.get(), static_cast<int>(k) + 1, values[k].data(),
                          static_cast<int>(values[k].size()), SQLITE_TRANSIENT) != SQLITE_OK) {
      throw Error(sqlite3_errmsg(db_));
    }
  }
  if (key != nullptr) *key = translated;
  return stmt;
}

void Connection::Execute(const std::string& sql) {
  std::string key;
  Statement stmt = Prepare(sql, &key);
  RunToEnd(std::move(stmt), key);
}

void Connection::ExecuteNative(const std::string& sql) {
  if (db_ == nullptr) throw Error("The database connection is not open.");
  // The save runs the same few transaction statements around every key: each is prepared once and
  // kept, beside the translated statements (a NUL in front keeps the two kinds of key apart).
  const std::string key = std::string(1, '\0') + sql;
  Statement stmt = TakeIdle(key);
  if (!stmt) {
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, &tail);
    stmt.reset(raw);
    if (rc != SQLITE_OK) throw Error(sqlite3_errmsg(db_));
    if (!stmt || (tail != nullptr && *tail != '\0')) {
      // Several statements (or none) in one text: run as they stand, nothing kept.
      stmt.reset();
      if (RunNative(db_, sql) != SQLITE_OK) throw Error(sqlite3_errmsg(db_));
      return;
    }
  }
  RunToEnd(std::move(stmt), key);
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
