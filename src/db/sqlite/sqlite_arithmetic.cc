// The form's arithmetic engine on a private in-memory SQLite database: the dialect's translation and
// functions give it the desktop engine's arithmetic, and it has no table to reach.
#include <sqlite3.h>

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "db/arithmetic_engine.h"
#include "db/sqlite/functions.h"
#include "db/sqlite/sqlite_connection.h"
#include "db/sqlite/sqlite_dialect.h"
#include "text/error.h"

namespace torva::db {
namespace sqlite {
namespace {

class SqliteArithmetic final : public ArithmeticEngine {
 public:
  SqliteArithmetic() {
    if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
            SQLITE_OK ||
        RegisterDialectFunctions(db_) != SQLITE_OK) {
      sqlite3_close(db_);
      db_ = nullptr;
    }
  }
  ~SqliteArithmetic() override {
    prepared_.clear();
    sqlite3_close(db_);
  }

  std::optional<double> Evaluate(const std::string& expression) override {
    if (db_ == nullptr) throw Error("计算式无法计算：计算引擎无法启动");
    sqlite3_stmt* const stmt = Prepared(expression);
    const int rc = sqlite3_step(stmt);
    std::optional<double> value;
    if (rc == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL) {
      value = sqlite3_column_double(stmt, 0);
    }
    const std::optional<DbError> error =
        rc == SQLITE_ROW ? std::nullopt : std::optional<DbError>(LastError(db_));
    sqlite3_reset(stmt);
    if (error) throw *error;
    return value;
  }

 private:
  // The statement of `expression`, prepared once: the fee cascades evaluate the same few
  // expressions at every keystroke (a bounded set, emptied when full).
  sqlite3_stmt* Prepared(const std::string& expression) {
    const auto found = prepared_.find(expression);
    if (found != prepared_.end()) return found->second.get();
    const std::string sql = TranslateDialect("select " + expression + " as HJ");
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) !=
        SQLITE_OK) {
      // SQLite's parser has a stack of about a hundred symbols and its expression trees are at
      // most 1000 deep: a well-formed sum can still be too much for them (deep nesting, a long
      // run of signs).
      throw Error("计算式太复杂，无法计算（" + std::string(sqlite3_errmsg(db_)) + "）");
    }
    Statement stmt(raw);
    if (prepared_.size() >= kPreparedKept) prepared_.clear();
    return prepared_.emplace(expression, std::move(stmt)).first->second.get();
  }

  static constexpr std::size_t kPreparedKept = 64;

  sqlite3* db_ = nullptr;
  std::unordered_map<std::string, Statement> prepared_;
};

}  // namespace
}  // namespace sqlite

std::unique_ptr<ArithmeticEngine> NewArithmeticEngine() {
  return std::make_unique<sqlite::SqliteArithmetic>();
}

}  // namespace torva::db
