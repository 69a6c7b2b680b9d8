// Q_KCSJ's way of reading: a statement on a database named by a connection string of its own,
// connected read-only for that one result.
#pragma once

#include <string>

#include "db/connection.h"

namespace torva::db {

// Connects read-only to `connection_string`, runs `sql` and returns its result, which keeps the
// connection until it is destroyed. Every call connects afresh, so that a file replaced or
// removed while the form is open is met (read, or its failure reported) exactly there. Throws as
// OpenConnection and Connection::Open do.
ResultPtr OpenOnOwnConnection(const std::string& connection_string, const std::string& sql);

}  // namespace torva::db
