// What the server's SQLSTATE codes mean to the form.
#pragma once

#include <string_view>

#include "db/failure.h"

namespace torva::db::postgres {

// The kind of a failure from its SQLSTATE (five characters; empty when the server gave none, as
// when the connection broke before an answer came). Connection failures (class 08, and the server
// shutting down, 57P01..57P03) are kConnectionLost; a lock not granted within lock_timeout (55P03)
// and a deadlock (40P01) kLocked; a read-only transaction (25006) and a missing privilege (42501)
// kReadOnly; a full disk (53100) kFull; an undefined table or schema (42P01, 3F000)
// kMissingTable; an undefined column (42703) kMissingColumn; a division by zero (22012)
// kDivisionByZero; damaged data (XX001, XX002) kDamaged; an I/O error (58030) kIo; anything else
// kOther.
FailureKind KindOfSqlState(std::string_view sqlstate);

}  // namespace torva::db::postgres
