// Fuzzes the dialect's translation for SQLite and the check of typed fee expressions.
//
// - TranslateDialect must translate or refuse (torva::Error) any text, never crash.
// - CheckArithmeticExpression must accept or refuse any text, never crash; and whatever it accepts
//   the form's arithmetic engine evaluates or refuses with an error, and, as "select EXPR as HJ" on
//   a project connection, prepares as one statement that reads and writes no table and evaluates
//   to one row of one column (or fails with the database's error, such as a division by zero).
#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "db/arithmetic_engine.h"
#include "db/dialect.h"
#include "db/sqlite/sqlite_connection.h"
#include "db/sqlite/sqlite_dialect.h"
#include "text/error.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view input, const std::string& detail) {
  std::fprintf(stderr, "dialect_fuzz: %s\n  input: \"%.*s\"\n  %s\n", what,
               static_cast<int>(input.size()), input.data(), detail.c_str());
  std::abort();
}

// Every access the statement asks for while it is prepared, beyond calling functions and reading
// nothing: a table read or write, a pragma, an attach all count as touching the database.
int touched = 0;
std::string touched_what;

int Authorize(void*, int action, const char* a, const char* b, const char*, const char*) {
  if (action == SQLITE_SELECT || action == SQLITE_FUNCTION) return SQLITE_OK;
  ++touched;
  touched_what = std::to_string(action) + " " + (a ? a : "") + " " + (b ? b : "");
  return SQLITE_OK;
}

// A project-like database with a table the expression must never reach.
torva::db::sqlite::SqliteConnection& ProjectConnection() {
  static torva::db::sqlite::SqliteConnection* connection = [] {
    char path[] = "/tmp/torva-dialect-fuzz-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) Fail("cannot create the scratch database", "", path);
    close(fd);
    auto* c = new torva::db::sqlite::SqliteConnection(path, {});
    c->Execute("create table G_GCCS(GCID integer, CSName text, S_Val text)");
    sqlite3_set_authorizer(c->handle(), Authorize, nullptr);
    unlink(path);  // the open handle keeps it alive
    return c;
  }();
  return *connection;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  try {
    (void)torva::db::sqlite::TranslateDialect(input);
  } catch (const torva::Error&) {
  }

  try {
    torva::db::CheckArithmeticExpression(input);
  } catch (const torva::Error&) {
    return 0;
  }

  static const std::unique_ptr<torva::db::ArithmeticEngine> engine =
      torva::db::NewArithmeticEngine();
  bool engine_refused = false;
  try {
    (void)engine->Evaluate(std::string(input));
  } catch (const torva::Error&) {
    engine_refused = true;
  }

  torva::db::sqlite::SqliteConnection& connection = ProjectConnection();
  touched = 0;
  torva::db::sqlite::Statement stmt;
  try {
    stmt = connection.Prepare("select " + std::string(input) + " as HJ", nullptr);
  } catch (const torva::Error& e) {
    // Too large for SQLite's parser: the engine said so too, and the form shows its message.
    if (engine_refused) return 0;
    Fail("an accepted expression does not prepare", input, e.what());
  }
  if (touched != 0) Fail("an accepted expression touches the database", input, touched_what);
  if (!sqlite3_stmt_readonly(stmt.get()))
    Fail("an accepted expression is not read-only", input, "");
  if (sqlite3_column_count(stmt.get()) != 1)
    Fail("an accepted expression gives several columns", input, "");
  const int first = sqlite3_step(stmt.get());
  if (first == SQLITE_ROW) {
    if (sqlite3_step(stmt.get()) != SQLITE_DONE)
      Fail("an accepted expression gives several rows", input, "");
  } else if (first != SQLITE_ERROR) {
    Fail("an accepted expression neither evaluates nor fails", input, std::to_string(first));
  }
  return 0;
}
