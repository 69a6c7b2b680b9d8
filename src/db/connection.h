// A connection to one database file, standing where the desktop database provider would.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include <sys/types.h>

struct sqlite3;
struct sqlite3_stmt;

namespace torva::db {

// Finalizes a prepared statement; the owner of a Statement never calls sqlite3_finalize itself.
struct StatementFinalizer {
  void operator()(sqlite3_stmt* stmt) const noexcept;
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens the file named by the connection string's "Data Source". The file must exist and be a
  // database: a path that names no file, a folder or a file that is not a database throws
  // torva::Error with a clear text, and no file is ever created. `read_only` opens it for reading
  // only. Registers the dialect's functions and a busy timeout, so that a lock held by another
  // program is waited for before a statement fails. Closes any connection open before.
  void Open(const std::string& connection_string, bool read_only = false);

  // Closes the connection; harmless when it is not open.
  void Close();

  bool IsOpen() const { return db_ != nullptr; }
  sqlite3* handle() const { return db_; }
  const std::string& path() const { return path_; }

  // Runs one statement of the desktop dialect that returns no rows; throws torva::Error with the
  // database's text on failure.
  void Execute(const std::string& sql);

  // Translates one statement of the desktop dialect and prepares it, its string literals bound as
  // parameters (LiteralsAsParameters). Throws torva::Error when the connection is not open, the
  // text is empty, holds more than one statement, or SQLite rejects it (with SQLite's text). Each
  // distinct shape is translated once and prepared once while the connection stays open: a
  // statement given back with Release is handed out again, reset, by the next Prepare of the same
  // shape. `key` receives what Release wants to know of the statement.
  Statement Prepare(const std::string& sql, std::string* key = nullptr);

  // Takes back a statement that Prepare handed out with `key`, to be reused; one of another
  // connection, or of this one before it was reopened, is simply finalized.
  void Release(Statement statement, const std::string& key);

  // True while the file opened is the same file, unchanged: same device, inode, size and
  // modification time. False when it was replaced, removed or written to since, or when the
  // connection is not open.
  bool FileUnchanged() const;

  // Runs SQLite's own SQL as it stands (transactions, savepoints); throws torva::Error on failure.
  void ExecuteNative(const std::string& sql);

  // True when the open file can only be read: opened read-only, or the file refuses writing (its
  // mode, an immutable file), so that SQLite opened it for reading only. False when not open.
  bool ReadOnly() const;

  // The kinds of failure after which no further write on this connection can succeed; a caller
  // that writes many rows stops at the first of them instead of reporting each row.
  enum class Failure {
    kOther,         // concerns the one statement (a lock, a constraint, a text SQLite refuses)
    kReadOnly,      // the file or its folder cannot be written
    kFull,          // the disk is full
    kCorrupt,       // the file is damaged
    kIo,            // the disk reports an error, or a file beside the database cannot be opened
    kMissingTable,  // a table the statement names is not there
  };
  // The kind of the latest failure on this connection. Meaningful right after a statement on this
  // connection threw, before anything else runs on it.
  Failure LastFailure() const;

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

  const std::string& Translation(const std::string& sql);
  // The kept statement of `key`, taken out of the cache; null when none is kept.
  Statement TakeIdle(const std::string& key);
  // Steps `statement` to its end, gives it back under `key`, and throws the database's error.
  void RunToEnd(Statement statement, const std::string& key);

  sqlite3* db_ = nullptr;
  std::string path_;
  FileIdentity identity_;
  // Both caches are emptied when they grow past their bound: the form runs a few dozen statement
  // shapes again and again.
  std::unordered_map<std::string, std::string> translations_;  // by the dialect's shape
  std::unordered_map<std::string, Statement> idle_;            // by the translated shape
};

}  // namespace torva::db
