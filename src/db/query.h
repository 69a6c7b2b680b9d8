// A query: one statement, its open result and a cursor on it.
//
// A query is either bound to a Connection (Q_Pub on the project database) or carries its own
// connection string and connects whenever it is opened (Q_KCSJ on the fee standard, read-only).
// Statements are in the desktop dialect (see dialect.h) and are translated before SQLite sees them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/connection.h"

namespace torva::db {

class Query {
 public:
  // A query on `connection` (not owned; must outlive the query).
  explicit Query(Connection* connection);
  // A query with its own connection string, connected read-only when the query is opened. The
  // connection stays open between openings while its file is unchanged (same device, inode, size
  // and modification time); a file replaced, removed or written to is connected afresh at the next
  // opening, so that the failure or the new contents are met exactly there.
  Query();
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  void SetConnectionString(const std::string& connection_string);
  void SetSql(const std::string& sql);
  const std::string& sql() const { return sql_; }

  // Runs the statement and positions the cursor on the first row (Eof() when there is none).
  // Rows are read from the database as the cursor moves; nothing is copied ahead. Throws
  // torva::Error with the database's text on failure (also a failure computing the first row, such
  // as a division by zero); the query is then closed. A query without a bound connection first
  // connects, read-only, from its connection string (see above): a missing file fails here.
  void Open();
  // Runs the statement as one that returns no rows. Throws torva::Error on failure.
  void Execute();
  // Releases the result; the statement goes back to its connection for reuse. Harmless when closed.
  void Close();

  bool IsOpen() const;
  bool Eof() const;    // no current row: empty result, or moved past the last row
  void Next();         // to the next row; throws torva::Error on a database failure
  void First();        // back to the first row (runs the statement again from its start)

  // Moves to the first row whose `column` reads (AsText) as `text`, searching from the first row;
  // returns false (and Eof()) when none does.
  bool Locate(const std::string& column, const std::string& text);

  // The current row's column by name (case-insensitive). A missing column, and any column of a
  // closed query, throws torva::Error naming it. On no current row, or a NULL value, the text is ""
  // and the number 0. A REAL reads as its general number text (1500, not 1500.0). A text value
  // read as a number goes through the strict conversion.
  std::string AsText(const std::string& column) const;
  double AsFloat(const std::string& column) const;
  bool IsNull(const std::string& column) const;

  std::vector<std::string> ColumnNames() const;

 private:
  // The connection to run on: the bound one, or the own one, (re)connected read-only unless it is
  // open on an unchanged file.
  Connection& Connect();
  // Prepares sql_ on the connection and remembers where and as what.
  void Prepare();
  int ColumnIndex(const std::string& column) const;  // throws when the column is not there
  std::string TextAt(int index) const;
  void Step();  // one row further; has_row_ tells whether there is one

  Connection* connection_ = nullptr;           // bound connection, or null
  std::unique_ptr<Connection> own_connection_;  // own connection, kept while its file is unchanged
  std::string connection_string_;
  std::string sql_;
  Statement stmt_;
  Connection* stmt_connection_ = nullptr;  // where stmt_ was prepared
  std::string stmt_key_;                   // what its connection knows stmt_ by
  bool has_row_ = false;
};

}  // namespace torva::db
