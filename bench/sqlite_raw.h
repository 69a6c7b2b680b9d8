// The raw SQLite side of each figure: a statement prepared, stepped to its end, finalized.
#pragma once

#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace torva_bench {

class RawDb {
 public:
  RawDb(const std::string& path, bool read_only) {
    const int flags = read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      sqlite3_close(db_);
      throw std::runtime_error("cannot open " + path);
    }
    sqlite3_busy_timeout(db_, 5000);
  }
  ~RawDb() { sqlite3_close(db_); }
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  // Runs `sql` (with up to two text parameters) to its end; returns the rows seen, and the first
  // column of the last row read as a number in `*last`.
  int Run(const std::string& sql, const char* p1 = nullptr, const char* p2 = nullptr,
          double* last = nullptr) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
    }
    if (p1 != nullptr) sqlite3_bind_text(stmt, 1, p1, -1, SQLITE_STATIC);
    if (p2 != nullptr) sqlite3_bind_text(stmt, 2, p2, -1, SQLITE_STATIC);
    int rows = 0, rc = 0;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      ++rows;
      if (last != nullptr) *last = sqlite3_column_double(stmt, 0);
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
    return rows;
  }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace torva_bench
