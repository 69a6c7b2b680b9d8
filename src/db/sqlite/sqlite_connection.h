// The project database in an SQLite file: the file engine behind the storage interface.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include <sys/types.h>

#include "db/connection.h"

struct sqlite3;
struct sqlite3_stmt;

namespace torva::db::sqlite {

class OpenableName;  // long_paths.h

// Finalizes a prepared statement; the owner of a Statement never calls sqlite3_finalize itself.
struct StatementFinalizer {
  void operator()(sqlite3_stmt* stmt) const noexcept;
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// The failure SQLite reports for its latest call on `db`, by kind, with SQLite's words.
DbError LastError(sqlite3* db);

class SqliteConnection final : public Connection {
 public:
  // Opens the file at `path`. It must exist and be a database: a path that names no file, a folder
  // or a file that is not a database throws with a clear text, and no file is ever created. Sets a
  // busy timeout, so that another program's lock is waited for before a statement fails, and
  // registers the dialect's functions. With options.check_integrity (and not read-only), runs
  // SQLite's quick check once: a damaged file opens, but WriteBlocker then tells kDamaged. A
  // read-only connection follows its file: a file replaced, removed or written to since the last
  // statement is connected afresh at the next one, so that the failure or the new contents are met
  // exactly there (the fee standard may be replaced while the form is open).
  SqliteConnection(const std::string& path, const OpenOptions& options);
  ~SqliteConnection() override;

  ResultPtr Open(const std::string& sql) override;
  void Execute(const std::string& sql) override;
  void Begin() override;
  void Commit() override;
  void Rollback() override;
  void Savepoint(const std::string& name) override;
  void ReleaseSavepoint(const std::string& name) override;
  void RollbackToSavepoint(const std::string& name) override;
  std::optional<DbError> WriteBlocker() const override;
  void Reconnect() override {}
  std::string DisplayName() const override { return path_; }

  // ---- for this folder (the result and the tests of the file engine) ----

  sqlite3* handle() const { return db_; }

  // Translates one statement of the desktop dialect and prepares it, its string literals bound as
  // parameters (LiteralsAsParameters). Throws when the text is empty, holds more than one
  // statement, or SQLite rejects it. Each distinct shape is translated once and prepared once: a
  // statement given back with Release is handed out again, reset, by the next Prepare of the same
  // shape. `key` receives what Release wants to know of the statement.
  Statement Prepare(const std::string& sql, std::string* key);
  // Takes back a statement that Prepare handed out with `key`, to be reused.
  void Release(Statement statement, const std::string& key);

  // Expires when the connection is destroyed: a result that outlives it (against the contract)
  // then finalizes its statement on the handle SQLite keeps for it, instead of touching this.
  std::weak_ptr<void> lifetime() const { return lifetime_; }

  // How long a statement waits for another program's lock before it fails.
  static constexpr int kBusyTimeoutMs = 5000;

 private:
  struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modified_ns = 0;
    bool operator==(const FileIdentity&) const = default;
  };
  static bool Identify(const std::string& path, FileIdentity* identity);

  static DbError NotConnected();
  void Connect();     // opens path_ with options_; throws, leaving db_ null, when it cannot
  void Disconnect();  // harmless when not connected
  // For a read-only connection: connects afresh unless connected to the file as it is now.
  void FollowFile();

  const std::string& Translation(const std::string& sql);
  // The kept statement of `key`, taken out of the cache; null when none is kept.
  Statement TakeIdle(const std::string& key);
  // Steps `statement` to its end, gives it back under `key`, and throws the database's error.
  void RunToEnd(Statement statement, const std::string& key);
  // Runs SQLite's own statement (transactions, savepoints), kept prepared; throws DbError.
  void RunNative(const std::string& sql);

  std::unique_ptr<OpenableName> name_;  // outlives db_: a long path's folder is held open by it
  sqlite3* db_ = nullptr;
  std::string path_;
  OpenOptions options_;
  FileIdentity identity_;
  std::shared_ptr<void> lifetime_ = std::make_shared<char>(0);
  std::optional<DbError> damaged_;  // what the quick check at opening found
  // Both caches are emptied when they grow past their bound: the form runs a few dozen statement
  // shapes again and again.
  std::unordered_map<std::string, std::string> translations_;  // by the dialect's shape
  std::unordered_map<std::string, Statement> idle_;            // by the translated shape
};

// The backend's entries for backends.cc.
bool TakesDataSource(std::string_view data_source);
std::unique_ptr<Connection> OpenFile(const std::string& path, const OpenOptions& options);
void CreateProjectFile(const std::string& path);

}  // namespace torva::db::sqlite
