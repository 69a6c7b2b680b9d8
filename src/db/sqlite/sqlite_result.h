// One statement's rows on an SQLite connection, read from the file as the cursor moves.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/sqlite/sqlite_connection.h"

namespace torva::db::sqlite {

class SqliteResult final : public Result {
 public:
  // Runs `statement` (prepared by `connection` under `key`) to its first row; throws DbError when
  // that fails, the statement then going back to the connection.
  SqliteResult(SqliteConnection* connection, Statement statement, std::string key);
  // Gives the statement back to its connection, reset: the read lock it held is let go.
  ~SqliteResult() override;

  bool Eof() const override { return !has_row_; }
  void Next() override;
  std::vector<std::string> ColumnNames() const override;

 protected:
  ValueType TypeAt(int index) const override;
  std::string TextAt(int index) const override;
  double NumberAt(int index) const override;

 private:
  void Step();  // one row further; has_row_ tells whether there is one

  SqliteConnection* connection_;
  std::weak_ptr<void> connection_alive_;
  Statement stmt_;
  std::string key_;
  bool has_row_ = false;
};

}  // namespace torva::db::sqlite
