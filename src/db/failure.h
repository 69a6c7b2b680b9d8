// What a failed statement means, told by kind: the form decides what to say and whether a save can
// go on from the kind, never from the words of the engine, which differ from one engine to the
// next.
#pragma once

#include <string>
#include <string_view>

#include "text/error.h"

namespace torva::db {

enum class FailureKind {
  kOther,           // concerns the one statement (a constraint, a text the engine refuses, ...)
  kReadOnly,        // the database refuses writing: opened read-only, a read-only file or role
  kReadOnlyFolder,  // the file could be written, but not the folder it lives in (a file engine
                    // keeps its journal beside the file)
  kFull,            // the disk (or the server's storage) is full
  kDamaged,         // the database is damaged
  kNotADatabase,    // what was opened is no database at all
  kLocked,          // another program or session holds a lock beyond the wait
  kMissingTable,    // a table the statement names is not there
  kMissingColumn,   // a column the statement names is not there
  kCannotOpen,      // the database file cannot be opened
  kCannotConnect,   // no connection to the database server could be made (unreachable, refused,
                    // the database or role unknown, the password wrong)
  kIo,              // the disk reports an error, or a file beside the database cannot be opened
  kConnectionLost,  // a networked connection broke; Connection::Reconnect may mend it
  kDivisionByZero,  // the dialect's "/", "\" or Mod divided by zero (an error, not NULL)
};

// True for the kinds after which no further write on the connection can succeed: read-only (file or
// folder), full, damaged, not a database, cannot open or connect, I/O, missing table, connection
// lost. A
// caller that writes many rows stops at the first of them instead of reporting each row; any other
// kind concerns the one statement.
bool NoWriteCanSucceed(FailureKind kind);

// A failure reported by a connection, a result or the arithmetic engine: what() is the engine's own
// words (for diagnosis, shown after the cause the form puts before them), kind() what they mean.
class DbError : public Error {
 public:
  DbError(FailureKind kind, const std::string& words) : Error(words), kind_(kind) {}
  FailureKind kind() const { return kind_; }

 private:
  FailureKind kind_;
};

}  // namespace torva::db
