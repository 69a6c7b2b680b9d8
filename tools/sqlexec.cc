// torva-sqlexec DB FILE...: runs the SQL files against the SQLite database DB (created when missing).
// Builds the fee standard at build time and the project databases of the tests.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: torva-sqlexec DB FILE...\n";
    return 2;
  }
  sqlite3* db = nullptr;
  if (sqlite3_open(argv[1], &db) != SQLITE_OK) {
    std::cerr << "torva-sqlexec: " << argv[1] << ": " << sqlite3_errmsg(db) << "\n";
    sqlite3_close(db);
    return 1;
  }
  int status = 0;
  for (int i = 2; i < argc && status == 0; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::cerr << "torva-sqlexec: cannot read " << argv[i] << "\n";
      status = 1;
      break;
    }
    std::stringstream sql;
    sql << in.rdbuf();
    char* error = nullptr;
    if (sqlite3_exec(db, sql.str().c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      std::cerr << "torva-sqlexec: " << argv[i] << ": " << (error ? error : "error") << "\n";
      sqlite3_free(error);
      status = 1;
    }
  }
  sqlite3_close(db);
  return status;
}
