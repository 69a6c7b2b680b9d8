// The PostgreSQL backend as backends.cc registers it: a project database on a server, named by a
// libpq connection URI. See db/connection.h for the contract every backend keeps.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "db/connection.h"

namespace torva::db::postgres {

// Whether `data_source` is a PostgreSQL URI ("postgresql://..." or "postgres://...").
bool TakesSource(std::string_view data_source);

// Connects as libpq reads the URI (~/.pgpass or PGPASSFILE, PGSERVICE, sslmode, several hosts with
// target_session_attrs, ...), in UTF-8. The project's tables are those the connection's search_path
// finds. Throws DbError(kCannotConnect) with libpq's words, any password masked.
std::unique_ptr<Connection> OpenDatabase(const std::string& data_source,
                                         const OpenOptions& options);

// How many times this process's connections have sent the server something and waited for its
// answer since the program started, the connections' own set-up included and libpq's handshake
// not: the round trips that the tests and the bench count.
long RoundTrips();

// Creates the three tables of a project in the first schema of the connection's search path, in one
// transaction; refuses (torva::Error) when that schema holds any of them already, or when the
// search path names no schema that exists.
void CreateProject(const std::string& data_source);

}  // namespace torva::db::postgres
