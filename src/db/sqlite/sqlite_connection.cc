#include "db/sqlite/sqlite_connection.h"

#include <sqlite3.h>

#include <sys/stat.h>

#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "db/sqlite/functions.h"
#include "db/sqlite/long_paths.h"
#include "db/sqlite/sqlite_dialect.h"
#include "db/sqlite/sqlite_result.h"
#include "project_schema.h"
#include "text/error.h"

namespace torva::db::sqlite {
namespace {

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

FailureKind KindOf(int extended_code, std::string_view words) {
  switch (extended_code) {
    case SQLITE_READONLY_DIRECTORY:
      return FailureKind::kReadOnlyFolder;
    default:
      break;
  }
  switch (extended_code & 0xff) {
    case SQLITE_READONLY:
      return FailureKind::kReadOnly;
    case SQLITE_FULL:
      return FailureKind::kFull;
    case SQLITE_CORRUPT:
      return FailureKind::kDamaged;
    case SQLITE_NOTADB:
      return FailureKind::kNotADatabase;
    case SQLITE_IOERR:
      return FailureKind::kIo;
    case SQLITE_CANTOPEN:
      return FailureKind::kCannotOpen;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return FailureKind::kLocked;
    default:
      break;
  }
  // SQLite gives these no code of their own; its texts, and the text of the dialect's own
  // functions, are stable.
  if (words.starts_with("no such table")) return FailureKind::kMissingTable;
  if (words.starts_with("no such column")) return FailureKind::kMissingColumn;
  if (words == kDivisionByZero) return FailureKind::kDivisionByZero;
  return FailureKind::kOther;
}

constexpr std::size_t kTranslationsKept = 256;
constexpr std::size_t kStatementsKept = 64;

}  // namespace

DbError LastError(sqlite3* db) {
  if (db == nullptr) return DbError(FailureKind::kCannotOpen, sqlite3_errstr(SQLITE_NOMEM));
  const std::string words = sqlite3_errmsg(db);
  return DbError(KindOf(sqlite3_extended_errcode(db), words), words);
}

void StatementFinalizer::operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }

SqliteConnection::SqliteConnection(const std::string& path, const OpenOptions& options)
    : path_(path), options_(options) {
  Connect();
  if (options.check_integrity && !options.read_only && sqlite3_db_readonly(db_, "main") != 1) {
    // A damaged page the form's own statements never read would go unnoticed, and the save would
    // write into the damaged file.
    try {
      const ResultPtr check = Open("PRAGMA quick_check(1)");
      const std::string verdict = check->Eof() ? std::string() : check->AsText("quick_check");
      // The check's own report lists pages; the auditor reads what SQLite says of a damaged file.
      if (verdict != "ok") damaged_.emplace(FailureKind::kDamaged, sqlite3_errstr(SQLITE_CORRUPT));
    } catch (const DbError& e) {
      // Any other failure (a lock, the disk) is met again, and told, by the save itself.
      if (e.kind() == FailureKind::kDamaged || e.kind() == FailureKind::kNotADatabase) {
        damaged_.emplace(FailureKind::kDamaged, e.what());
      }
    }
  }
}

bool SqliteConnection::Identify(const std::string& path, FileIdentity* identity) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return false;
  identity->device = status.st_dev;
  identity->inode = status.st_ino;
  identity->size = status.st_size;
  identity->modified_ns =
      static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec;
  return true;
}

void SqliteConnection::Connect() {
  const std::string& path = path_;
  CheckFile(path);
  const OpenOptions& options = options_;
  const int flags = (options.read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                    SQLITE_OPEN_NOMUTEX;  // no SQLITE_OPEN_CREATE: never make a new file
  sqlite3* db = nullptr;
  name_ = std::make_unique<OpenableName>(path);
  int rc = sqlite3_open_v2(name_->name().c_str(), &db, flags, name_->vfs());
  if (rc == SQLITE_OK) rc = sqlite3_busy_timeout(db, kBusyTimeoutMs);
  // Reading the schema proves that the file is a database: sqlite3_open_v2 reads nothing yet.
  if (rc == SQLITE_OK) {
    rc = sqlite3_exec(db, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) rc = RegisterDialectFunctions(db);
  if (rc != SQLITE_OK) {
    const DbError error = db != nullptr ? LastError(db)
                                        : DbError(FailureKind::kCannotOpen, sqlite3_errstr(rc));
    sqlite3_close_v2(db);
    name_.reset();
    throw error;
  }
  db_ = db;
  // Taken after the schema was read, which is all an opening reads.
  if (!Identify(path_, &identity_)) identity_ = FileIdentity{};
}

void SqliteConnection::Disconnect() {
  idle_.clear();
  // close_v2: a result that still holds a statement keeps the handle alive until it lets go.
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

void SqliteConnection::FollowFile() {
  if (!options_.read_only) return;
  FileIdentity now;
  if (db_ != nullptr && Identify(path_, &now) && now == identity_) return;
  // Replaced, removed or written to since: the file as it is now is read, or its failure met here.
  Disconnect();
  Connect();
}

SqliteConnection::~SqliteConnection() { Disconnect(); }

const std::string& SqliteConnection::Translation(const std::string& sql) {
  const auto found = translations_.find(sql);
  if (found != translations_.end()) return found->second;
  std::string translated = TranslateDialect(sql);
  if (translations_.size() >= kTranslationsKept) translations_.clear();
  return translations_.emplace(sql, std::move(translated)).first->second;
}

void SqliteConnection::Release(Statement statement, const std::string& key) {
  if (!statement || sqlite3_db_handle(statement.get()) != db_) return;
  if (idle_.count(key) != 0) return;  // one of this shape is kept already
  sqlite3_reset(statement.get());
  sqlite3_clear_bindings(statement.get());
  if (idle_.size() >= kStatementsKept) idle_.clear();
  idle_.emplace(key, std::move(statement));
}

Statement SqliteConnection::TakeIdle(const std::string& key) {
  const auto idle = idle_.find(key);
  if (idle == idle_.end()) return Statement();
  Statement statement = std::move(idle->second);
  idle_.erase(idle);
  return statement;
}

void SqliteConnection::RunToEnd(Statement statement, const std::string& key) {
  int rc = SQLITE_ROW;
  while (rc == SQLITE_ROW) rc = sqlite3_step(statement.get());
  if (rc == SQLITE_DONE) return Release(std::move(statement), key);
  const DbError error = LastError(db_);
  Release(std::move(statement), key);
  throw error;
}

DbError SqliteConnection::NotConnected() {
  return DbError(FailureKind::kCannotOpen, "The database connection is not open.");
}

Statement SqliteConnection::Prepare(const std::string& sql, std::string* key) {
  if (db_ == nullptr) throw NotConnected();
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
    if (rc != SQLITE_OK) throw LastError(db_);
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
      throw LastError(db_);
    }
  }
  if (key != nullptr) *key = translated;
  return stmt;
}

ResultPtr SqliteConnection::Open(const std::string& sql) {
  FollowFile();
  std::string key;
  Statement stmt = Prepare(sql, &key);
  return std::make_unique<SqliteResult>(this, std::move(stmt), std::move(key));
}

void SqliteConnection::Execute(const std::string& sql) {
  FollowFile();
  std::string key;
  Statement stmt = Prepare(sql, &key);
  RunToEnd(std::move(stmt), key);
}

void SqliteConnection::RunNative(const std::string& sql) {
  // The save runs the same few transaction statements around every key: each is prepared once and
  // kept, beside the translated statements (a NUL in front keeps the two kinds of key apart).
  if (db_ == nullptr) throw NotConnected();
  const std::string key = std::string(1, '\0') + sql;
  Statement stmt = TakeIdle(key);
  if (!stmt) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
      throw LastError(db_);
    }
    stmt.reset(raw);
  }
  RunToEnd(std::move(stmt), key);
}

// IMMEDIATE: the write lock is taken now (waiting as any statement does), so that a save that
// cannot start is known before any of its statements runs.
void SqliteConnection::Begin() { RunNative("BEGIN IMMEDIATE"); }

void SqliteConnection::Commit() { RunNative("COMMIT"); }

void SqliteConnection::Rollback() {
  if (db_ == nullptr || sqlite3_get_autocommit(db_) != 0) return;  // no transaction, or SQLite rolled it back
  RunNative("ROLLBACK");
}

void SqliteConnection::Savepoint(const std::string& name) { RunNative("SAVEPOINT " + name); }

void SqliteConnection::ReleaseSavepoint(const std::string& name) { RunNative("RELEASE " + name); }

void SqliteConnection::RollbackToSavepoint(const std::string& name) {
  RunNative("ROLLBACK TO " + name);
}

std::optional<DbError> SqliteConnection::WriteBlocker() const {
  if (db_ == nullptr) return NotConnected();
  // SQLite lets a transaction begin on a file it may only read; the first write would fail.
  if (sqlite3_db_readonly(db_, "main") == 1) {
    return DbError(FailureKind::kReadOnly, sqlite3_errstr(SQLITE_READONLY));
  }
  return damaged_;
}

bool TakesDataSource(std::string_view) { return true; }

std::unique_ptr<Connection> OpenFile(const std::string& path, const OpenOptions& options) {
  return std::make_unique<SqliteConnection>(path, options);
}

void CreateProjectFile(const std::string& path) {
  sqlite3* db = nullptr;
  const OpenableName name(path);
  int rc = sqlite3_open_v2(name.name().c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                           name.vfs());
  char* words = nullptr;
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, kProjectSchemaSql, nullptr, nullptr, &words);
  if (rc != SQLITE_OK) {
    const DbError error = words != nullptr
                              ? DbError(KindOf(sqlite3_extended_errcode(db), words), words)
                              : LastError(db);
    sqlite3_free(words);
    sqlite3_close(db);
    throw error;
  }
  sqlite3_close(db);
}

}  // namespace torva::db::sqlite
