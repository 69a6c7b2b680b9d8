// A statement's rows as the server sent them, read as the form reads a result.
#pragma once

#include <libpq-fe.h>

#include <memory>
#include <vector>

#include "db/connection.h"
#include "db/postgres/pg_dialect.h"

namespace torva::db::postgres {

struct ResultClear {
  void operator()(PGresult* result) const noexcept { PQclear(result); }
};
using PgResultPtr = std::unique_ptr<PGresult, ResultClear>;

// The rows of `result` (a PGRES_TUPLES_OK result), with the Format columns that the statement's
// translation named formatted. Throws torva::Error when a Format column holds a text that is no
// number, as the statement itself would fail on an engine that formats.
ResultPtr MakeResult(PgResultPtr result, const std::vector<FormattedColumn>& formatted);

}  // namespace torva::db::postgres
