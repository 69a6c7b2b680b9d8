// A keystroke in the coefficient combo T_44 at audit stage "4" on the demo project with the built
// fee standard: the survey fee and the design fee are looked up and evaluated afresh, and both
// cascades run down to the auditor's total and the report cover. Reports the median time per
// keystroke.
//
//   design_bench [--benchmark_...]   (run from anywhere; the paths are compiled in)
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "audit/tfrm_main.h"
#include "audit/ui_port.h"

namespace {

namespace fs = std::filesystem;
using torva::audit::FormContext;
using torva::audit::MessageIcon;
using torva::audit::TfrmMain;

// Any dialog during the benchmark means the keystroke did not compute what it should.
class CountingUi : public torva::audit::UiPort {
 public:
  void ShowMessage(std::string_view, std::string_view text, MessageIcon) override {
    ++messages;
    last = text;
  }
  bool AskYesNo(std::string_view, std::string_view) override { return true; }

  int messages = 0;
  std::string last;
};

void RunSqlFile(const fs::path& db_path, const fs::path& sql_path) {
  std::ifstream in(sql_path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + sql_path.string());
  std::stringstream sql;
  sql << in.rdbuf();
  sqlite3* db = nullptr;
  sqlite3_open(db_path.c_str(), &db);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.str().c_str(), nullptr, nullptr, &error);
  const std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error(sql_path.string() + ": " + message);
}

// A host folder with the built fee standard and the demo project, removed afterwards.
class DemoFolder {
 public:
  DemoFolder() {
    std::string pattern = (fs::temp_directory_path() / "torva-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    fs::create_directories(dir_ / "Data");
    fs::copy_file(fs::path(TORVA_BINARY_DIR) / "Data/GL.mgl", dir_ / "Data/GL.mgl");
    const fs::path source(TORVA_SOURCE_DIR);
    RunSqlFile(project(), source / "data/project_schema.sql");
    RunSqlFile(project(), source / "data/demo_project.sql");
  }
  ~DemoFolder() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  fs::path project() const { return dir_ / "project.db"; }
  std::string host_folder() const { return dir_.string() + "/"; }

 private:
  fs::path dir_;
};

void BM_CoefficientKeystroke(benchmark::State& state) {
  DemoFolder folder;
  CountingUi ui;
  FormContext context;
  context.db_path = folder.project().string();
  context.stage = "4";
  context.host_folder = folder.host_folder();
  auto form = std::make_unique<TfrmMain>(context, ui);
  form->Show();
  // A route length and a construction-installation amount, as the auditor would have them.
  form->SetText("T_31", "12.5");
  form->UserAction([&] { form->model().edit("T_31").KeyDown(13); });
  form->UserAction([&] { form->SetText("T_JZAZ", "2422887.52"); });
  form->SetText("T_44", "4");
  ui.messages = 0;

  // Typing the second digit and taking it back: every keystroke changes the coefficient, so both
  // fees and every field below them change.
  bool second_digit = false;
  for (auto _ : state) {
    second_digit = !second_digit;
    form->UserAction([&] { form->SetText("T_44", second_digit ? "45" : "4"); });
  }
  if (ui.messages != 0) state.SkipWithError(("dialog shown: " + ui.last).c_str());
  // Both fees must have been computed from the scale, not short-cut to "0".
  const std::string factor = second_digit ? "45" : "4";
  if (form->Text("T_44") != factor || form->Text("T_30").find('.') == std::string::npos ||
      form->Text("T_32").find('.') == std::string::npos || form->Text("T_55").empty()) {
    state.SkipWithError("the keystroke computed no fee");
  }
  form->RequestClose();
}
BENCHMARK(BM_CoefficientKeystroke)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("max", [](const std::vector<double>& v) {
      return *std::max_element(v.begin(), v.end());
    });

}  // namespace

BENCHMARK_MAIN();
