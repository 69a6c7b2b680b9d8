// What every backend shares: reading a result's columns by name, the units of the save run one by
// one, and the one place that picks a backend.
#include "db/connection.h"

#include <map>

#include "db/backend.h"
#include "db/connection_string.h"
#include "text/error.h"
#include "text/number_text.h"
#include "text/strings.h"

namespace torva::db {

int Result::IndexOf(std::string_view column) const {
  if (names_.empty()) names_ = ColumnNames();
  for (std::size_t index = 0; index < names_.size(); ++index) {
    if (text::EqualsIgnoreCase(names_[index], column)) return static_cast<int>(index);
  }
  throw Error("Field '" + std::string(column) + "' not found in the query result.");
}

std::string Result::AsText(std::string_view column) const {
  const int index = IndexOf(column);
  return Eof() ? std::string() : TextAt(index);
}

double Result::AsFloat(std::string_view column) const {
  const int index = IndexOf(column);
  if (Eof()) return 0;
  switch (TypeAt(index)) {
    case ValueType::kNull:
      return 0;
    case ValueType::kInteger:
    case ValueType::kReal:
      return NumberAt(index);
    case ValueType::kText:
      break;
  }
  return text::StrictToFloat(TextAt(index));
}

bool Result::IsNull(std::string_view column) const {
  const int index = IndexOf(column);
  return Eof() || TypeAt(index) == ValueType::kNull;
}

std::vector<Connection::UnitOutcome> Connection::RunUnits(
    std::span<const std::vector<std::string>> units, const std::string& savepoint_name) {
  std::vector<UnitOutcome> outcomes;
  for (const std::vector<std::string>& unit : units) {
    UnitOutcome& outcome = outcomes.emplace_back();
    try {
      Savepoint(savepoint_name);
    } catch (const DbError& e) {
      outcome.savepoint_error = e;
      return outcomes;
    }
    bool failed = false;
    bool fatal = false;
    for (const std::string& sql : unit) {
      StatementOutcome& statement = outcome.statements.emplace_back();
      try {
        Execute(sql);
      } catch (const DbError& e) {
        statement.error = e;
      } catch (const Error& e) {
        statement.error.emplace(FailureKind::kOther, e.what());
      }
      if (statement.error) {
        failed = true;
        if (NoWriteCanSucceed(statement.error->kind())) {
          fatal = true;
          break;
        }
      }
    }
    if (fatal) return outcomes;
    try {
      if (failed) {
        RollbackToSavepoint(savepoint_name);
        outcome.rolled_back = true;
      }
      ReleaseSavepoint(savepoint_name);
    } catch (const DbError& e) {
      outcome.savepoint_error = e;
      return outcomes;
    }
  }
  return outcomes;
}

namespace {

std::string DataSource(const std::string& connection_string) {
  const std::map<std::string, std::string> parts = ParseConnectionString(connection_string);
  const auto found = parts.find("data source");
  if (found == parts.end() || found->second.empty()) {
    throw Error(
        "The connection string names no database file (\"Data Source\" is missing or "
        "empty).");
  }
  return found->second;
}

const Backend& BackendFor(const std::string& data_source) {
  for (const Backend& backend : Backends()) {
    if (backend.takes(data_source)) return backend;
  }
  return Backends().back();
}

}  // namespace

std::unique_ptr<Connection> OpenConnection(const std::string& connection_string,
                                           const OpenOptions& options) {
  const std::string data_source = DataSource(connection_string);
  return BackendFor(data_source).open(data_source, options);
}

void CreateProjectDatabase(const std::string& data_source) {
  BackendFor(data_source).create_project(data_source);
}

}  // namespace torva::db
