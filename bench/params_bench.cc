// Benchmarks of the parameter save at close.
//
// BM_SaveAllParams: every key (87 rows) saved as the form saves them when it closes: one
// transaction, a savepoint per key. Aim: under 10 ms.
// BM_SaveEachStatementCommitted: exactly the same 174 statements, each committed on its own, as a
// save without a transaction runs them.
// Both run on a project file in a real folder on disk (a folder under the build tree, or the folder
// named by TORVA_BENCH_DIR), so every commit pays its disk sync. The medians and their ratio are
// printed at the end. Aim: the transaction at least 20 times faster.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "audit/tfrm_main.h"
#include "audit/ui_port.h"
#include "bench_support.h"
#include "form/controls.h"

namespace {

namespace fs = std::filesystem;
using torva::audit::FormContext;
using torva::audit::TfrmMain;
using torva_bench::CountingUi;
using torva_bench::ExecSql;
using torva_bench::ReadFile;

// A project with every field filled, open in a shown form whose handlers are detached (the
// benchmark measures the save, not the recalculations), in a folder removed at exit.
class Project {
 public:
  Project() {
    const char* chosen = std::getenv("TORVA_BENCH_DIR");
    const fs::path base = chosen && *chosen ? fs::path(chosen) : fs::path(TORVA_BINARY_DIR);
    folder_ = base / ("params-bench-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "host");
    db_ = folder_ / "project.db";
    ExecSql(db_, ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/project_schema.sql") +
                  "insert into G_GCCS values(-1,'Auto','0');");
    FormContext context;
    context.db_path = db_.string();
    context.stage = "4";
    context.host_folder = (folder_ / "host").string() + "/";
    form_ = std::make_unique<TfrmMain>(context, ui_);
    form_->Show();
    for (torva::form::Control* control : form_->model().controls()) {
      if (auto* edit = dynamic_cast<torva::form::Edit*>(control)) edit->on_change = nullptr;
      if (auto* box = dynamic_cast<torva::form::CheckBox*>(control)) box->on_click = nullptr;
    }
    int n = 0;
    for (torva::form::Control* control : form_->model().controls()) {
      auto* edit = dynamic_cast<torva::form::Edit*>(control);
      if (edit != nullptr && edit->name() != "RzE_KC") edit->SetText(std::to_string(++n) + ".25");
    }
    form_->SaveAllParams();
    rows_ = torva_bench::StoredParamRows(db_);
    ui_.dialogs = 0;
  }
  ~Project() {
    form_.reset();
    fs::remove_all(folder_);
  }

  TfrmMain& form() { return *form_; }
  CountingUi& ui() { return ui_; }
  const std::vector<std::pair<std::string, std::string>>& rows() const { return rows_; }

 private:
  fs::path folder_;
  fs::path db_;
  CountingUi ui_;
  std::unique_ptr<TfrmMain> form_;
  std::vector<std::pair<std::string, std::string>> rows_;
};

Project& TheProject() {
  static Project project;
  return project;
}

void BM_SaveAllParams(benchmark::State& state) {
  Project& project = TheProject();
  for (auto _ : state) project.form().SaveAllParams();
  if (project.ui().dialogs != 0) state.SkipWithError(project.ui().last.c_str());
  state.counters["keys"] = static_cast<double>(project.rows().size());
}
BENCHMARK(BM_SaveAllParams)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.2)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

void BM_SaveEachStatementCommitted(benchmark::State& state) {
  Project& project = TheProject();
  for (auto _ : state) {
    // Outside SaveAllParams no transaction is open: each statement commits (and syncs) alone.
    for (const auto& [key, value] : project.rows()) project.form().SaveParam(key, value);
  }
  if (project.ui().dialogs != 0) state.SkipWithError(project.ui().last.c_str());
  state.counters["keys"] = static_cast<double>(project.rows().size());
}
BENCHMARK(BM_SaveEachStatementCommitted)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

// The console output, and the medians kept to print their ratio at the end.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal, so that the figures read cleanly in a log.
  MedianReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.aggregate_name == "median")
        medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatio() const {
    const auto one = medians_.find("BM_SaveAllParams");
    const auto each = medians_.find("BM_SaveEachStatementCommitted");
    if (one == medians_.end() || each == medians_.end() || one->second <= 0) return;
    std::printf(
        "median save of all keys: %.3f ms in one transaction, %.3f ms committed one by one: "
        "%.1f times faster\n",
        one->second, each->second, each->second / one->second);
  }

 private:
  std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio();
  benchmark::Shutdown();
  return 0;
}
