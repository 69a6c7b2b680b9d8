// The storage seam: a connection to a project database and the results of its statements, as the
// form needs them, behind an interface with one implementation per engine (src/db/<engine>/).
//
// Contract every backend keeps:
// - Statements are in the desktop dialect (dialect.h): one statement per text; a double-quoted text
//   is a string literal; "/" is real division and division by zero the error kDivisionByZero; IIF,
//   IsNull(x), Format(x,"0.00"), sum, count. The backend translates them for its engine; no caller
//   ever sends an engine's own SQL.
// - Every failure throws DbError (failure.h) with the engine's words and their kind. Errors that are
//   no failure of the database (the connection string names nothing, a statement is empty) may be
//   a plain torva::Error.
// - A lock held by another program is waited for a few seconds before a statement fails (kLocked).
// - A result reads its rows forward, by column name (case-insensitive) as text or number, and
//   whether NULL. It closes itself when destroyed; a backend whose results hold locks on the
//   database (a file engine) releases them then, so no result a caller forgot keeps other programs
//   out. A result must not outlive its connection.
// - The save's transaction: Begin takes the right to write at once (a file engine takes its write
//   lock now, so that a save that cannot start is known before any statement of it runs); the
//   savepoints nest inside it. Nothing is ever committed implicitly.
// - A password in a connection string never appears in an error's words.
//
// Backends are chosen in one place, OpenConnection, from the connection string's "Data Source":
// each backend registered in backends.cc is asked in turn whether it takes that source; the file
// engine takes whatever no other backend takes. A new backend is its own folder
// src/db/<engine>/ (its sources, and a backend.cmake that adds them to torva_core and links its
// client library) plus its two lines in backends.cc.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/failure.h"

namespace torva::db {

// One statement's rows, read forward. Obtained from Connection::Open; closes itself when destroyed.
class Result {
 public:
  virtual ~Result() = default;
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;

  // No current row: the result is empty, or Next moved past its last row.
  virtual bool Eof() const = 0;
  // To the next row; harmless at Eof. Throws DbError when computing the row fails.
  virtual void Next() = 0;
  // The columns' names, as the statement names them.
  virtual std::vector<std::string> ColumnNames() const = 0;

  // The current row's column by name (case-insensitive). A column the result does not have throws
  // torva::Error naming it. At Eof, or on a NULL value, the text is "" and the number 0. A real
  // number reads as text as its general number text (1500, not 1500.0); a text read as a number
  // goes through the strict conversion (its error when it is no number).
  std::string AsText(std::string_view column) const;
  double AsFloat(std::string_view column) const;
  bool IsNull(std::string_view column) const;

 protected:
  Result() = default;

  // What a backend tells of one value of the current row (index as in ColumnNames).
  enum class ValueType { kNull, kInteger, kReal, kText };
  virtual ValueType TypeAt(int index) const = 0;
  // The value as text: an integer in decimal, a real as its general number text, a text as stored.
  virtual std::string TextAt(int index) const = 0;
  // The value of a kInteger or kReal column as a number.
  virtual double NumberAt(int index) const = 0;

 private:
  int IndexOf(std::string_view column) const;  // throws when the result has no such column
  // The columns' names, asked of the backend once: a result's columns never change, and every
  // read by name looks them up.
  mutable std::vector<std::string> names_;
};
using ResultPtr = std::unique_ptr<Result>;

struct OpenOptions {
  // Never write (the fee standard); a file engine opens the file so. A read-only connection reads
  // the database as it is at each statement: a file replaced, removed or written to by another
  // program since is connected afresh there, and its failure met there.
  bool read_only = false;
  // Check the database's pages once when it opens for writing: a damaged database is then known
  // (WriteBlocker) before the save writes into it.
  bool check_integrity = false;
};

class Connection {
 public:
  virtual ~Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Runs one statement that returns rows and positions its result on the first row. Throws DbError
  // (also for a failure computing the first row, such as a division by zero).
  virtual ResultPtr Open(const std::string& sql) = 0;
  // Runs one statement that returns no rows (or whose rows nobody reads). Throws DbError.
  virtual void Execute(const std::string& sql) = 0;

  // The reads the caller is about to Open, in the order it will open them, all known before the
  // first answer is needed. A backend whose round trips are dear asks them all at once and keeps
  // each answer until Open is given the identical text (each kept answer serves one Open); a
  // failed read is not kept, so its Open meets the failure itself. Whatever is kept is dropped by
  // the next Execute, Begin or Reconnect, so no kept answer predates a write of this connection,
  // and by the next Prefetch (none: what is kept is dropped).
  // The file engine, whose reads cost no round trip, does nothing. Never throws a failure of the
  // database: a read that could not be asked is asked again by its Open.
  virtual void Prefetch(std::span<const std::string> /*statements*/) {}

  // The save's transaction. Begin takes the right to write now (waiting for another program's lock
  // as a statement does); Commit makes everything since Begin durable; Rollback undoes it and is
  // harmless when no transaction is open (the engine may have rolled back already). Throw DbError.
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  // Savepoints inside the transaction, by a plain name ([A-Za-z_][A-Za-z0-9_]*). Throw DbError.
  virtual void Savepoint(const std::string& name) = 0;
  virtual void ReleaseSavepoint(const std::string& name) = 0;
  virtual void RollbackToSavepoint(const std::string& name) = 0;

  // Why no write can succeed, as far as can be told without writing: kReadOnly (opened read-only,
  // or the database refuses writing), kReadOnlyFolder, kDamaged (found by the check at opening),
  // with the engine's words. Nothing when a write may succeed.
  virtual std::optional<DbError> WriteBlocker() const = 0;

  // Opens the connection again, with the string and options it was opened with, after a failure of
  // kind kConnectionLost; anything not committed is gone. Throws DbError when it cannot. A file
  // engine, whose connection is never lost, does nothing.
  virtual void Reconnect() = 0;

  // The project, for the auditor's eyes (the report's footer): a file's path, or a server's
  // host/database/schema. Never a password.
  virtual std::string DisplayName() const = 0;

  // ---- many units of statements at once ----
  //
  // The save runs each key's statements as one unit inside the transaction. A backend whose
  // round trips are dear sends them all at once; the file engine runs them one by one. Either way
  // the outcome is the same as this loop:
  //   for each unit: Savepoint(name); run each of its statements (all of them, even after one
  //   failed); when one failed, RollbackToSavepoint(name); ReleaseSavepoint(name).
  // It stops after the first statement that failed with a kind after which no write can succeed
  // (NoWriteCanSucceed), and after a failed savepoint command. Needs an open transaction.
  struct StatementOutcome {
    std::optional<DbError> error;  // nothing when the statement succeeded
  };
  struct UnitOutcome {
    std::vector<StatementOutcome> statements;  // one per statement run, in order
    bool rolled_back = false;                  // a statement failed; the unit left no trace
    std::optional<DbError> savepoint_error;    // a savepoint command failed: the run stopped
  };
  // Outcomes in order, one per unit run; fewer than `units` when the run stopped.
  virtual std::vector<UnitOutcome> RunUnits(std::span<const std::vector<std::string>> units,
                                            const std::string& savepoint_name);

 protected:
  Connection() = default;
};

// Opens the database named by a connection string of the desktop form ("Provider=...;Data
// Source=...;..."): the one place that picks a backend (see above). A file path names a project
// file that must exist (nothing is created); a "postgresql://" or "postgres://" URI a server's
// database. Throws DbError (kCannotOpen, kNotADatabase, kCannotConnect, ...) or torva::Error with a
// clear text.
std::unique_ptr<Connection> OpenConnection(const std::string& connection_string,
                                           const OpenOptions& options = {});

// Makes `data_source` (a file path or a server URI) a project database: creates the tables the
// form reads and writes. A project file is created when missing and keeps the tables it has; a
// server backend may refuse a schema that holds them already. Throws on failure.
void CreateProjectDatabase(const std::string& data_source);

}  // namespace torva::db
