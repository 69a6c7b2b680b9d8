// The project database on a PostgreSQL server, through libpq.
//
// Every statement is sent with its literals as parameters (pg_dialect.h), so no text the auditor
// typed is ever read as SQL. A statement is one round trip; the session is set up in one round trip
// after connecting, the reads of an open in one (Prefetch), and a save in three (Begin, its units
// in one pipeline, Commit).
#include <libpq-fe.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/connection.h"
#include "db/failure.h"
#include "db/postgres/pg_backend.h"
#include "db/postgres/pg_dialect.h"
#include "db/postgres/pg_failure.h"
#include "db/postgres/pg_result.h"
#include "db/postgres/pg_uri.h"
#include "text/error.h"

namespace torva::db::postgres {
namespace {

// How long a statement waits for another session's lock before it fails with kLocked: the save
// then asks the auditor, as it does for a locked file.
constexpr const char* kLockTimeout = "5s";

// Every exchange with a server that waits for its answer, for the round trip counts of the tests
// and the bench.
std::atomic<long> round_trips{0};

std::string TrimmedWords(const char* words) {
  std::string out = words == nullptr ? std::string() : std::string(words);
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

class PgConnection final : public Connection {
 public:
  PgConnection(std::string uri, const OpenOptions& options)
      : uri_(std::move(uri)), options_(options) {
    Connect();
  }
  ~PgConnection() override { Disconnect(); }

  ResultPtr Open(const std::string& sql) override {
    const PgStatement statement = Translate(sql);
    if (PgResultPtr kept = TakeKept(sql)) return MakeResult(std::move(kept), statement.formatted);
    return MakeResult(Mended([&] { return Run(statement); }), statement.formatted);
  }

  void Execute(const std::string& sql) override {
    kept_.clear();
    Run(Translate(sql));
  }

  // The reads in one pipeline, each followed by its own synchronisation point, so that a read that
  // fails leaves the others' answers standing (the server would skip everything after a failure
  // up to the next one).
  void Prefetch(std::span<const std::string> statements) override {
    kept_.clear();
    if (in_transaction_) return;
    // As many as keep both sides' socket buffers from filling before the answers are read.
    constexpr std::size_t kMaxReads = 256;
    std::vector<std::pair<const std::string*, PgStatement>> reads;
    for (const std::string& sql : statements.first(std::min(statements.size(), kMaxReads))) {
      try {
        reads.emplace_back(&sql, TranslateForPostgres(sql));
      } catch (const Error&) {
        // Its Open reports why it does not translate.
      }
    }
    if (reads.empty()) return;
    try {
      RequireConnection();
    } catch (const DbError&) {
      return;  // the first Open meets the failure
    }
    ++round_trips;
    if (PQenterPipelineMode(conn_) != 1) return;
    bool sent = true;
    for (const auto& [sql, statement] : reads) {
      std::vector<const char*> values;
      for (const std::string& value : statement.values) values.push_back(value.c_str());
      sent = PQsendQueryParams(conn_, statement.sql.c_str(), static_cast<int>(values.size()),
                               nullptr, values.data(), nullptr, nullptr, 0) == 1 &&
             PQpipelineSync(conn_) == 1;
      if (!sent) break;
    }
    if (sent) {
      for (const auto& [sql, statement] : reads) {
        PgResultPtr result(PQgetResult(conn_));
        if (result == nullptr) break;
        const bool answered = PQresultStatus(result.get()) == PGRES_TUPLES_OK;
        // A command's results end with a null, then comes its synchronisation point.
        while (PgResultPtr(PQgetResult(conn_)) != nullptr) {
        }
        PgResultPtr sync(PQgetResult(conn_));
        if (sync == nullptr || PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC) break;
        if (answered) kept_[*sql].push_back(std::move(result));
      }
    }
    if (PQexitPipelineMode(conn_) != 1 || PQstatus(conn_) != CONNECTION_OK) {
      // The pipeline did not end cleanly: nothing it answered is trusted, and the next statement
      // finds the connection broken and opens it again.
      kept_.clear();
      lost_ = true;
    }
  }

  // The right to write G_GCCS, taken at once: EXCLUSIVE lets other sessions read but not write, so
  // two auditors closing the same project save one after the other, and the later close wins key
  // by key. Another session's write lock is waited for lock_timeout, then kLocked.
  // A connection lost since the last statement is opened again first: nothing uncommitted can be
  // lost at this point, and a close after the server came back saves everything.
  void Begin() override {
    kept_.clear();
    Mended([&] {
      PgResultPtr result = Native("BEGIN; LOCK TABLE G_GCCS IN EXCLUSIVE MODE", /*check=*/false);
      if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
        const DbError error = ErrorOf(result.get());
        RollbackQuietly();
        throw error;
      }
      return result;
    });
    in_transaction_ = true;
  }

  void Commit() override {
    // Still inside the transaction here: a connection that broke meanwhile fails the commit rather
    // than being opened again, where COMMIT would find no transaction and report success.
    RequireConnection();
    in_transaction_ = false;
    PgResultPtr result = Native("COMMIT");
    // A transaction that met an error is rolled back by COMMIT, which then reports success.
    if (std::strcmp(PQcmdStatus(result.get()), "COMMIT") != 0) {
      throw DbError(FailureKind::kOther, "the transaction had failed and was rolled back");
    }
  }

  void Rollback() override {
    in_transaction_ = false;
    // A broken connection has nothing left to roll back: the server ended the transaction.
    if (conn_ == nullptr || lost_ || PQstatus(conn_) != CONNECTION_OK) return;
    try {
      Native("ROLLBACK");
    } catch (const DbError& error) {
      if (error.kind() != FailureKind::kConnectionLost) throw;
    }
  }

  void Savepoint(const std::string& name) override { Native("SAVEPOINT " + name); }
  void ReleaseSavepoint(const std::string& name) override { Native("RELEASE SAVEPOINT " + name); }
  void RollbackToSavepoint(const std::string& name) override {
    Native("ROLLBACK TO SAVEPOINT " + name);
  }

  std::optional<DbError> WriteBlocker() const override {
    if (options_.read_only) return DbError(FailureKind::kReadOnly, "opened for reading only");
    if (server_read_only_) {
      return DbError(FailureKind::kReadOnly,
                     "the server accepts no writes in this session (transaction_read_only is on)");
    }
    if (!may_write_) {
      return DbError(FailureKind::kReadOnly,
                     "permission denied: the role may not insert into and delete from G_GCCS");
    }
    return std::nullopt;
  }

  void Reconnect() override {
    in_transaction_ = false;
    Disconnect();
    try {
      Connect();
    } catch (const DbError& error) {
      throw DbError(FailureKind::kConnectionLost, error.what());
    }
  }

  std::string DisplayName() const override { return display_name_; }

  // As the contract's loop, in as few round trips as the outcome allows: the units go to the server
  // together, in one pipeline, each inside its savepoint. The server skips everything after the
  // first failed statement, so the loop goes on from there: the failed unit statement by statement,
  // the units after it in a pipeline again. After a failed statement the transaction accepts
  // nothing until it is rolled back to the unit's savepoint, so that is done at once and the unit's
  // later statements run from the unit's start; the unit is undone anyway.
  std::vector<UnitOutcome> RunUnits(std::span<const std::vector<std::string>> units,
                                    const std::string& savepoint_name) override {
    std::vector<UnitOutcome> outcomes;
    std::size_t next = 0;
    while (next < units.size()) {
      std::size_t done = 0;
      if (PipelineUnits(units.subspan(next), savepoint_name, outcomes, &done)) return outcomes;
      next += done;
      if (next < units.size() && done == 0) {
        // A unit the pipeline could not take (a statement that does not translate): alone.
        UnitOutcome outcome;
        const bool stop = RunUnitFrom(units[next], 0, savepoint_name, outcome, /*savepoint=*/true);
        outcomes.push_back(std::move(outcome));
        if (stop) return outcomes;
        ++next;
      }
    }
    return outcomes;
  }

  // Creates the project's tables in the first schema of the search path (see pg_backend.h).
  void CreateTables() {
    PgResultPtr found = Native(
        "SELECT current_schema(), (SELECT string_agg(upper(c.relname), ', ' ORDER BY c.relname)"
        " FROM pg_class c WHERE c.relnamespace = to_regnamespace(current_schema())"
        " AND c.relname IN ('g_gccs', 'g_qf', 'p_zhz'))");
    if (PQgetisnull(found.get(), 0, 0)) {
      throw Error("no schema of the search path exists in " + display_name_ +
                  ": create the project's schema first");
    }
    const std::string schema = PQgetvalue(found.get(), 0, 0);
    if (!PQgetisnull(found.get(), 0, 1)) {
      throw Error("the schema " + schema + " holds a project already (" +
                  PQgetvalue(found.get(), 0, 1) + " exist)");
    }
    // The types an office's own loader may also use: amounts as double precision (numeric is read
    // as well), texts as text (varchar is read as well).
    Native(
        "BEGIN;"
        "CREATE TABLE G_GCCS (GCID integer, CSName text, S_Val text);"
        "CREATE INDEX G_GCCS_GCID ON G_GCCS (GCID, CSName);"
        "CREATE TABLE G_QF (XM text, SGHJFY double precision, SHHJFY double precision,"
        " HJFY double precision, SGJSS text);"
        "CREATE INDEX G_QF_XM ON G_QF (XM);"
        "CREATE TABLE P_ZHZ (GCID integer, LX integer, DepID integer, QTFY double precision);"
        "COMMIT");
  }

 private:
  void Connect() {
    lost_ = false;
    // connect_timeout before the URI, so that the URI's own wins; the encoding after it, since
    // every text of the form is UTF-8.
    const char* keywords[] = {"connect_timeout", "dbname", "client_encoding",
                              "fallback_application_name", nullptr};
    const char* values[] = {"10", uri_.c_str(), "UTF8", "torva", nullptr};
    conn_ = PQconnectdbParams(keywords, values, /*expand_dbname=*/1);
    if (conn_ == nullptr) throw DbError(FailureKind::kCannotConnect, "out of memory");
    // The server's notices and warnings ("there is no transaction in progress") are no concern of
    // the auditor's, and libpq would print them on standard error.
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
    if (PQstatus(conn_) != CONNECTION_OK) {
      const std::string words = Scrub(TrimmedWords(PQerrorMessage(conn_)));
      Disconnect();
      throw DbError(FailureKind::kCannotConnect, words);
    }
    // Floats in their shortest exact text, the lock wait, and what the session may do: one round
    // trip.
    std::string setup = "SET extra_float_digits = 3; SET lock_timeout = '";
    setup += kLockTimeout;
    setup += "'; SET standard_conforming_strings = on;";
    if (options_.read_only) setup += " SET default_transaction_read_only = on;";
    setup +=
        " SELECT current_database(), current_schema(), current_setting('transaction_read_only'),"
        " coalesce(has_table_privilege(to_regclass('g_gccs'), 'INSERT')"
        " AND has_table_privilege(to_regclass('g_gccs'), 'DELETE'), true)";
    PgResultPtr session;
    try {
      session = Native(setup);
    } catch (const DbError& error) {
      Disconnect();
      throw DbError(FailureKind::kCannotConnect, error.what());
    }
    const char* host = PQhost(conn_);
    display_name_ = std::string(host == nullptr ? "" : host) + "/" +
                    PQgetvalue(session.get(), 0, 0) + "/" + PQgetvalue(session.get(), 0, 1);
    server_read_only_ = std::string_view(PQgetvalue(session.get(), 0, 2)) == "on";
    may_write_ = PQgetvalue(session.get(), 0, 3)[0] == 't';
  }

  void Disconnect() {
    kept_.clear();
    if (conn_ != nullptr) PQfinish(conn_);
    conn_ = nullptr;
  }

  // The answer Prefetch kept for `sql`, once; null when none is kept.
  PgResultPtr TakeKept(const std::string& sql) {
    const auto found = kept_.find(sql);
    if (found == kept_.end()) return nullptr;
    PgResultPtr result = std::move(found->second.front());
    found->second.pop_front();
    if (found->second.empty()) kept_.erase(found);
    return result;
  }

  std::string Scrub(std::string_view words) const { return ScrubPasswords(words, uri_); }

  PgStatement Translate(const std::string& sql) const {
    try {
      return TranslateForPostgres(sql);
    } catch (const DbError&) {
      throw;
    } catch (const Error& error) {
      throw DbError(FailureKind::kOther, error.what());
    }
  }

  // Runs `action` (a read, or the start of a transaction: nothing is lost by running it again),
  // and once more on a new connection when the connection turns out to have broken since the last
  // statement, as it has when the server was restarted meanwhile.
  template <typename Action>
  PgResultPtr Mended(Action action) {
    if (in_transaction_) return action();
    try {
      return action();
    } catch (const DbError& error) {
      if (error.kind() != FailureKind::kConnectionLost) throw;
    }
    return action();  // RequireConnection connects afresh first
  }

  // A connection that broke is opened again before a statement outside a transaction (the
  // statement that met the break has failed with kConnectionLost already); inside a transaction the
  // break is final, since the server has dropped the transaction.
  void RequireConnection() {
    const bool broken = conn_ == nullptr || lost_ || PQstatus(conn_) != CONNECTION_OK;
    if (!broken) return;
    if (in_transaction_) throw DbError(FailureKind::kConnectionLost, "no connection to the server");
    Reconnect();
  }

  // The failure a result (or, without one, the connection) reports.
  DbError ErrorOf(const PGresult* result) const {
    const char* state = result == nullptr ? nullptr : PQresultErrorField(result, PG_DIAG_SQLSTATE);
    const char* primary =
        result == nullptr ? nullptr : PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
    std::string words = TrimmedWords(primary);
    if (words.empty() && result != nullptr) words = TrimmedWords(PQresultErrorMessage(result));
    if (words.empty()) words = TrimmedWords(PQerrorMessage(conn_));
    // Every failure the server reports carries its SQLSTATE; one without came from libpq itself:
    // the connection broke ("server closed the connection unexpectedly"), although libpq may not
    // have marked it bad yet.
    FailureKind kind =
        state == nullptr || *state == '\0' ? FailureKind::kConnectionLost : KindOfSqlState(state);
    if (PQstatus(conn_) != CONNECTION_OK) kind = FailureKind::kConnectionLost;
    if (kind == FailureKind::kConnectionLost) lost_ = true;
    return DbError(kind, Scrub(words));
  }

  PgResultPtr Check(PgResultPtr result) const {
    switch (PQresultStatus(result.get())) {
      case PGRES_COMMAND_OK:
      case PGRES_TUPLES_OK: return result;
      case PGRES_EMPTY_QUERY: throw DbError(FailureKind::kOther, "the statement is empty");
      default: throw ErrorOf(result.get());
    }
  }

  // The dialect's statement, its literals as parameters: one statement only, which the server
  // enforces for parameterised statements.
  PgResultPtr Run(const PgStatement& statement) {
    RequireConnection();
    std::vector<const char*> values;
    values.reserve(statement.values.size());
    for (const std::string& value : statement.values) values.push_back(value.c_str());
    ++round_trips;
    PgResultPtr result(PQexecParams(conn_, statement.sql.c_str(), static_cast<int>(values.size()),
                                    nullptr, values.data(), nullptr, nullptr, 0));
    return Check(std::move(result));
  }

  // The server's own SQL, as it stands (transactions, savepoints, set-up); several statements may
  // go at once.
  PgResultPtr Native(const std::string& sql, bool check = true) {
    RequireConnection();
    ++round_trips;
    PgResultPtr result(PQexec(conn_, sql.c_str()));
    return check ? Check(std::move(result)) : std::move(result);
  }

  // Runs the statements of `unit` from `from` on, one by one, then undoes the unit when one failed
  // and releases its savepoint (taken first when `savepoint`). Returns true when the run must stop.
  bool RunUnitFrom(const std::vector<std::string>& unit, std::size_t from, const std::string& name,
                   UnitOutcome& outcome, bool savepoint) {
    if (savepoint) {
      try {
        Savepoint(name);
      } catch (const DbError& error) {
        outcome.savepoint_error = error;
        return true;
      }
    }
    for (std::size_t k = from; k < unit.size(); ++k) {
      try {
        Execute(unit[k]);
        outcome.statements.push_back({});
      } catch (const DbError& error) {
        outcome.statements.push_back({error});
        outcome.rolled_back = true;
        if (NoWriteCanSucceed(error.kind()) || !RollbackToQuietly(name)) return true;
      }
    }
    try {
      if (outcome.rolled_back) RollbackToSavepoint(name);
      ReleaseSavepoint(name);
    } catch (const DbError& error) {
      outcome.savepoint_error = error;
      return true;
    }
    return false;
  }

  // What became of one command of a pipeline.
  struct CommandResult {
    bool skipped = false;          // after a failure: the server did not run it
    std::optional<DbError> error;  // it failed
  };

  // Sends the units that translate (up to a bound that keeps both sides' buffers from filling),
  // each as SAVEPOINT, its statements, RELEASE, in one round trip, and appends their outcomes up to
  // the first failure, which it handles as the loop would. `done` receives how many units were
  // settled. Returns true when the run must stop.
  bool PipelineUnits(std::span<const std::vector<std::string>> units, const std::string& name,
                     std::vector<UnitOutcome>& outcomes, std::size_t* done) {
    // The server answers while the pipeline is still being sent; past a few hundred units its
    // answers could fill both sides' socket buffers before libpq reads them. The form saves 87.
    constexpr std::size_t kMaxUnits = 256;
    const PgStatement savepoint{"SAVEPOINT " + name, {}, {}};
    const PgStatement release{"RELEASE SAVEPOINT " + name, {}, {}};
    std::vector<PgStatement> commands;
    std::size_t count = 0;
    for (; count < units.size() && count < kMaxUnits; ++count) {
      std::vector<PgStatement> unit_commands{savepoint};
      try {
        for (const std::string& sql : units[count])
          unit_commands.push_back(TranslateForPostgres(sql));
      } catch (const Error&) {
        break;
      }
      unit_commands.push_back(release);
      for (PgStatement& command : unit_commands) commands.push_back(std::move(command));
    }
    *done = 0;
    if (count == 0) return false;
    const std::vector<CommandResult> results = Pipeline(commands);
    std::size_t at = 0;
    for (std::size_t u = 0; u < count; ++u) {
      const std::vector<std::string>& unit = units[u];
      UnitOutcome outcome;
      if (results[at].error) {
        outcome.savepoint_error = results[at].error;
        outcomes.push_back(std::move(outcome));
        return true;
      }
      ++at;
      for (std::size_t k = 0; k < unit.size(); ++k, ++at) {
        if (!results[at].error) {
          outcome.statements.push_back({});
          continue;
        }
        outcome.statements.push_back({results[at].error});
        outcome.rolled_back = true;
        const bool stop = NoWriteCanSucceed(results[at].error->kind()) ||
                          !RollbackToQuietly(name) ||
                          RunUnitFrom(unit, k + 1, name, outcome, /*savepoint=*/false);
        outcomes.push_back(std::move(outcome));
        *done = u + 1;
        return stop;
      }
      if (results[at].error) {
        outcome.savepoint_error = results[at].error;
        outcomes.push_back(std::move(outcome));
        return true;
      }
      ++at;
      outcomes.push_back(std::move(outcome));
    }
    *done = count;
    return false;
  }

  // Sends `commands` in pipeline mode with one synchronisation point and reads what became of each.
  std::vector<CommandResult> Pipeline(const std::vector<PgStatement>& commands) {
    std::vector<CommandResult> results(commands.size());
    const auto lost = [&](std::size_t from) {
      const DbError error = ErrorOf(nullptr);
      for (std::size_t k = from; k < results.size(); ++k) {
        results[k].error = DbError(FailureKind::kConnectionLost, error.what());
      }
      return results;
    };
    RequireConnection();
    ++round_trips;
    if (PQenterPipelineMode(conn_) != 1) return lost(0);
    for (const PgStatement& command : commands) {
      std::vector<const char*> values;
      for (const std::string& value : command.values) values.push_back(value.c_str());
      if (PQsendQueryParams(conn_, command.sql.c_str(), static_cast<int>(values.size()), nullptr,
                            values.data(), nullptr, nullptr, 0) != 1) {
        return lost(0);
      }
    }
    if (PQpipelineSync(conn_) != 1) return lost(0);
    for (std::size_t k = 0; k < commands.size(); ++k) {
      PgResultPtr result(PQgetResult(conn_));
      if (result == nullptr) return lost(k);
      switch (PQresultStatus(result.get())) {
        case PGRES_COMMAND_OK:
        case PGRES_TUPLES_OK: break;
        case PGRES_PIPELINE_ABORTED:
          results[k].skipped = true;
          results[k].error = DbError(FailureKind::kOther, "not run after an earlier failure");
          break;
        default: results[k].error = ErrorOf(result.get()); break;
      }
      // Each command's results end with a null.
      while (PgResultPtr(PQgetResult(conn_)) != nullptr) {
      }
      if (PQstatus(conn_) != CONNECTION_OK) return lost(k + 1);
    }
    PgResultPtr sync(PQgetResult(conn_));
    if (sync == nullptr || PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC ||
        PQexitPipelineMode(conn_) != 1) {
      return lost(commands.size());
    }
    return results;
  }

  void RollbackQuietly() {
    if (conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK) return;
    ++round_trips;
    PgResultPtr(PQexec(conn_, "ROLLBACK"));
  }

  bool RollbackToQuietly(const std::string& name) {
    try {
      RollbackToSavepoint(name);
      return true;
    } catch (const DbError&) {
      return false;
    }
  }

  PGconn* conn_ = nullptr;
  std::string uri_;
  OpenOptions options_;
  std::string display_name_;
  bool server_read_only_ = false;
  bool may_write_ = true;
  bool in_transaction_ = false;  // between Begin and Commit or Rollback
  mutable bool lost_ = false;    // a statement met a broken connection
  // Prefetch's answers by the statement's text, in the order they were asked.
  std::map<std::string, std::deque<PgResultPtr>, std::less<>> kept_;
};

}  // namespace

bool TakesSource(std::string_view data_source) { return IsPostgresUri(data_source); }

std::unique_ptr<Connection> OpenDatabase(const std::string& data_source,
                                         const OpenOptions& options) {
  return std::make_unique<PgConnection>(data_source, options);
}

long RoundTrips() { return round_trips.load(); }

void CreateProject(const std::string& data_source) {
  PgConnection connection(data_source, OpenOptions{});
  connection.CreateTables();
}

}  // namespace torva::db::postgres
