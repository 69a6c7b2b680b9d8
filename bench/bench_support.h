// What the benchmark programs share: a scratch folder on disk, the fee standard, the demo project
// and its variants, and a UI that counts dialogs. Header-only: each *_bench.cc is one executable.
//
// Scratch folders live under $TORVA_BENCH_DIR when it is set (`make bench` points it into the
// build tree), else under the system's temporary folder; both are on a real disk here, so a commit
// pays its sync as it would for an auditor.
#pragma once

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "audit/tfrm_main.h"

// Each program measures the form beside SQLite running only the raw statements of the same work
// (prepared afresh each time, as written by hand): the figure that matters is the ratio.
#include "audit/ui_port.h"

namespace torva_bench {

namespace fs = std::filesystem;

inline const fs::path kSourceDir = TORVA_SOURCE_DIR;

// Seconds of processor time this process has used: a measurement without the waits for the disk.
inline double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Any dialog during a measurement means the work did not run as intended.
class CountingUi : public torva::audit::UiPort {
 public:
  void ShowMessage(std::string_view caption, std::string_view text,
                   torva::audit::MessageIcon) override {
    ++dialogs;
    last = std::string(caption) + ": " + std::string(text);
  }
  bool AskYesNo(std::string_view caption, std::string_view text) override {
    ++dialogs;
    last = std::string(caption) + ": " + std::string(text);
    return true;
  }
  int dialogs = 0;
  std::string last;
};

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs SQLite's own SQL on `db`, creating the file when needed.
inline void ExecSql(const fs::path& db_path, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open(db_path.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + db_path.string());
  }
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  const std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error(db_path.string() + ": " + message);
}

// A folder made for one program run and removed with everything in it at the end.
class Scratch {
 public:
  explicit Scratch(const std::string& name) {
    const char* chosen = std::getenv("TORVA_BENCH_DIR");
    const fs::path base = chosen && *chosen ? fs::path(chosen) : fs::temp_directory_path();
    dir_ = base / (name + "-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const fs::path& dir() const { return dir_; }

 private:
  fs::path dir_;
};

// A host folder: Data/GL.mgl built from the fee standard's SQL. Returns it with its final '/'.
inline std::string MakeHostFolder(const fs::path& dir) {
  fs::create_directories(dir / "Data");
  ExecSql(dir / "Data" / "GL.mgl", ReadFile(kSourceDir / "data/fee_standard.sql"));
  return dir.string() + "/";
}

// The demo project as delivered: the schema and the demo budget, no saved fields.
inline void MakeDemoProject(const fs::path& db) {
  ExecSql(db, ReadFile(kSourceDir / "data/project_schema.sql") +
                  ReadFile(kSourceDir / "data/demo_project.sql"));
}

// The demo project with its G_QF replaced by `rows` rows spread over the demo's twelve items, row
// for row the same for the form and for the raw statements.
inline void MakeBudgetProject(const fs::path& db_path, int rows) {
  MakeDemoProject(db_path);
  struct Item {
    const char* name;
    const char* expression;
  };
  static constexpr Item kItems[] = {
      {"人工费", "2968.42*114+2104.6*61"},
      {"材料费", "1198650.8+35959.52"},
      {"机械使用费", nullptr},
      {"仪表使用费", nullptr},
      {"施工费", nullptr},
      {"折扣后施工费", "756000*0.9"},
      {"辅助材料费", "1198650.8*0.03"},
      {"税金", "1410366.19*0.09"},
      {"建筑安装工程费", nullptr},
      {"规费", nullptr},
      {"企业管理费", nullptr},
      {"利润", nullptr},
  };
  sqlite3* db = nullptr;
  sqlite3_open(db_path.c_str(), &db);
  sqlite3_exec(db, "BEGIN; DELETE FROM G_QF;", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db,
                     "INSERT INTO G_QF (XM, SGHJFY, SHHJFY, HJFY, SGJSS) VALUES (?, ?, ?, ?, ?)",
                     -1, &insert, nullptr);
  for (int i = 0; i < rows; ++i) {
    const Item& item = kItems[i % std::size(kItems)];
    const double amount = 100 + (i % 997) * 1.25;
    sqlite3_bind_text(insert, 1, item.name, -1, SQLITE_STATIC);
    sqlite3_bind_double(insert, 2, amount * 1.04);
    sqlite3_bind_double(insert, 3, amount * 1.01);
    sqlite3_bind_double(insert, 4, amount);
    if (item.expression) {
      sqlite3_bind_text(insert, 5, item.expression, -1, SQLITE_STATIC);
    } else {
      sqlite3_bind_null(insert, 5);
    }
    if (sqlite3_step(insert) != SQLITE_DONE) {
      const std::string message = sqlite3_errmsg(db);
      sqlite3_finalize(insert);
      sqlite3_close(db);
      throw std::runtime_error(message);
    }
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  const int rc = sqlite3_exec(db, "COMMIT; ANALYZE;", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("cannot fill " + db_path.string());
}

// The context of every figure: stage "4", owner-supplied 12.5 and contractor-supplied 3.
inline torva::audit::FormContext StageFourContext(const fs::path& db, const std::string& host) {
  torva::audit::FormContext context;
  context.db_path = db.string();
  context.stage = "4";
  context.owner_amount = 12.5;
  context.contractor_amount = 3;
  context.host_folder = host;
  return context;
}

// Times one open of the form per iteration (connect, load, refresh at the context's stage, every
// recalculation); the close after it is not timed. Any dialog fails the figure.
inline void TimeOpens(benchmark::State& state, const torva::audit::FormContext& context) {
  for (auto _ : state) {
    CountingUi ui;
    torva::audit::TfrmMain form(context, ui);
    form.Show();
    state.PauseTiming();
    const bool clean = form.Tag() == 1 && form.RequestClose() && ui.dialogs == 0;
    state.ResumeTiming();
    if (!clean) state.SkipWithError(("the demo did not open cleanly: " + ui.last).c_str());
  }
}

// Times one close of the form per iteration (every field saved, SJKS.txt written); the open before
// it is not timed. Any dialog fails the figure.
inline void TimeCloses(benchmark::State& state, const torva::audit::FormContext& context) {
  for (auto _ : state) {
    state.PauseTiming();
    CountingUi ui;
    torva::audit::TfrmMain form(context, ui);
    form.Show();
    state.ResumeTiming();
    if (!form.RequestClose() || ui.dialogs != 0) {
      state.SkipWithError(("the demo did not close cleanly: " + ui.last).c_str());
    }
  }
}

// The demo project as an auditor leaves it: opened at stage "4", a route length of 12.5 km typed
// and entered, closed (every field saved, SJKS.txt written). The open and close figures start from
// this state, so the open loads every field and computes both fees.
inline void PrepareAuditedDemo(const fs::path& db, const std::string& host) {
  MakeDemoProject(db);
  CountingUi ui;
  torva::audit::TfrmMain form(StageFourContext(db, host), ui);
  form.Show();
  form.UserAction([&] {
    form.SetText("T_31", "12.5");
    form.model().edit("T_31").KeyDown(13);
  });
  if (!form.RequestClose() || ui.dialogs != 0) {
    throw std::runtime_error("the audited demo did not open and close cleanly: " + ui.last);
  }
}

// The audited demo in a scratch folder of its own: `host` (ends in '/') and `db`.
struct AuditedDemo {
  explicit AuditedDemo(const std::string& name) : scratch(name) {
    host = MakeHostFolder(scratch.dir() / "host");
    db = (scratch.dir() / "demo.db").string();
    PrepareAuditedDemo(db, host);
  }
  Scratch scratch;
  std::string host, db;
};

}  // namespace torva_bench
