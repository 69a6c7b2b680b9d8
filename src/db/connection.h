// A connection to one database file, standing where the desktop database provider would.
#pragma once

#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace torva::db {

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

  // Translates one statement of the desktop dialect and prepares it; the caller finalizes the
  // statement. Throws torva::Error when the connection is not open, the text is empty, holds more
  // than one statement, or SQLite rejects it (with SQLite's text).
  sqlite3_stmt* Prepare(const std::string& sql);

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
  sqlite3* db_ = nullptr;
  std::string path_;
};

}  // namespace torva::db
