// Benchmarks of the budget refresh.
//
// BM_OpenDemoStage4: the demo project opened at audit stage 4 headless, as a host would: connect,
// load the saved fields, refresh all three columns from the budget, every recalculation down to the
// design and survey fees, and close with the save. Aim: under 20 ms.
//
// BM_RefreshRows/N: the refresh alone (the button "重置默认数据") on a project whose G_QF holds N rows,
// spread over the demo's twelve budget items, so that the four summed items grow with N. Aim: linear
// growth; the complexity fit is reported.
//
// Every database lives in a temporary folder made once per run and removed at the end.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "audit/tfrm_main.h"
#include "audit/ui_port.h"

namespace {

namespace fs = std::filesystem;
using torva::audit::FormContext;
using torva::audit::MessageIcon;
using torva::audit::TfrmMain;

// Counts every dialog: a refresh that runs as intended shows none.
class CountingUi : public torva::audit::UiPort {
 public:
  void ShowMessage(std::string_view caption, std::string_view text, MessageIcon) override {
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

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class Database {
 public:
  explicit Database(const fs::path& path) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
      throw std::runtime_error("cannot open " + path.string());
    }
  }
  ~Database() { sqlite3_close(db_); }
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void Exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      const std::string text = error ? error : "error";
      sqlite3_free(error);
      throw std::runtime_error(text);
    }
  }
  sqlite3* get() { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

const fs::path kSource = TORVA_SOURCE_DIR;

// The temporary folder: host folder with the fee standard, and the project databases.
class Workspace {
 public:
  Workspace() {
    dir_ = fs::temp_directory_path() / ("torva-refresh-bench-" + std::to_string(getpid()));
    fs::create_directories(dir_ / "host" / "Data");
    Database(dir_ / "host" / "Data" / "GL.mgl").Exec(ReadFile(kSource / "data/fee_standard.sql"));
  }
  ~Workspace() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string host_folder() const { return (dir_ / "host").string() + "/"; }

  // The demo project: the schema and the demo budget.
  const fs::path& Demo() {
    if (demo_.empty()) {
      demo_ = dir_ / "demo.db";
      Database db(demo_);
      db.Exec(ReadFile(kSource / "data/project_schema.sql"));
      db.Exec(ReadFile(kSource / "data/demo_project.sql"));
    }
    return demo_;
  }

  // The demo project with its G_QF replaced by `rows` rows over the demo's items, made once.
  const fs::path& WithRows(int rows) {
    fs::path& path = sized_[rows];
    if (path.empty()) {
      path = dir_ / ("rows-" + std::to_string(rows) + ".db");
      Database db(path);
      db.Exec(ReadFile(kSource / "data/project_schema.sql"));
      db.Exec(ReadFile(kSource / "data/demo_project.sql"));
      FillBudget(db, rows);
    }
    return path;
  }

 private:
  static void FillBudget(Database& db, int rows) {
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
    db.Exec("BEGIN; DELETE FROM G_QF;");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db.get(),
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
        sqlite3_finalize(insert);
        throw std::runtime_error(sqlite3_errmsg(db.get()));
      }
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    db.Exec("COMMIT; ANALYZE;");
  }

  fs::path dir_;
  fs::path demo_;
  std::map<int, fs::path> sized_;
};

Workspace& TheWorkspace() {
  static Workspace workspace;
  return workspace;
}

FormContext Context(const fs::path& db) {
  FormContext context;
  context.db_path = db.string();
  context.stage = "4";
  context.owner_amount = 12.5;
  context.contractor_amount = 3;
  context.host_folder = TheWorkspace().host_folder();
  return context;
}

// One opening: shown (connect, load, refresh, recalculations), then closed with the save.
bool OpenAndClose(const FormContext& context, CountingUi& ui) {
  TfrmMain form(context, ui);
  form.Show();
  if (form.Tag() != 1) return false;
  return form.RequestClose();
}

void BM_OpenDemoStage4(benchmark::State& state) {
  const FormContext context = Context(TheWorkspace().Demo());
  {
    // The first opening finds no saved fields; every measured one loads what the previous saved.
    CountingUi ui;
    OpenAndClose(context, ui);
  }
  for (auto _ : state) {
    CountingUi ui;
    if (!OpenAndClose(context, ui) || ui.dialogs != 0) {
      state.SkipWithError(("the demo did not open cleanly: " + ui.last).c_str());
      break;
    }
  }
}
BENCHMARK(BM_OpenDemoStage4)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

void BM_RefreshRows(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const FormContext context = Context(TheWorkspace().WithRows(rows));
  CountingUi ui;
  TfrmMain form(context, ui);
  form.Show();  // the start-up refresh
  if (form.Tag() != 1 || ui.dialogs != 0) {
    state.SkipWithError(("the project did not open cleanly: " + ui.last).c_str());
    return;
  }
  try {
    for (auto _ : state) {
      form.RzButton2Click();
    }
  } catch (const std::exception& e) {
    state.SkipWithError((std::string("the refresh failed: ") + e.what()).c_str());
  }
  if (ui.dialogs != 0) state.SkipWithError(("the refresh showed a dialog: " + ui.last).c_str());
  state.SetComplexityN(rows);
  state.counters["rows"] = rows;
  form.RequestClose();
}
BENCHMARK(BM_RefreshRows)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
