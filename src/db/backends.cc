// Every backend, in the order they are asked whether they take a data source. A new backend adds
// its header and its entry here; the file engine stays last, as it takes any source.
#include "db/backend.h"

#include "db/postgres/pg_backend.h"
#include "db/sqlite/sqlite_connection.h"

namespace torva::db {

std::span<const Backend> Backends() {
  static const Backend kBackends[] = {
      {"postgresql", postgres::TakesSource, postgres::OpenDatabase, postgres::CreateProject},
      {"sqlite", sqlite::TakesDataSource, sqlite::OpenFile, sqlite::CreateProjectFile},
  };
  return kBackends;
}

}  // namespace torva::db
