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

  // How long a statement waits for another program's lock before it fails.
  static constexpr int kBusyTimeoutMs = 5000;

 private:
  sqlite3* db_ = nullptr;
  std::string path_;
};

}  // namespace torva::db
