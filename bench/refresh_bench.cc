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

#include <map>
#include <string>

#include "bench_support.h"

namespace {

using torva::audit::FormContext;
using torva::audit::TfrmMain;
using torva_bench::CountingUi;
namespace fs = std::filesystem;

// The temporary folder: host folder with the fee standard, and the project databases.
class Workspace {
 public:
  Workspace()
      : scratch_("torva-refresh-bench"),
        host_(torva_bench::MakeHostFolder(scratch_.dir() / "host")) {}

  const std::string& host_folder() const { return host_; }

  // The demo project: the schema and the demo budget.
  const fs::path& Demo() {
    if (demo_.empty()) {
      demo_ = scratch_.dir() / "demo.db";
      torva_bench::MakeDemoProject(demo_);
    }
    return demo_;
  }

  // The demo project with its G_QF replaced by `rows` rows over the demo's items, made once.
  const fs::path& WithRows(int rows) {
    fs::path& path = sized_[rows];
    if (path.empty()) {
      path = scratch_.dir() / ("rows-" + std::to_string(rows) + ".db");
      torva_bench::MakeBudgetProject(path, rows);
    }
    return path;
  }

 private:
  torva_bench::Scratch scratch_;
  std::string host_;
  fs::path demo_;
  std::map<int, fs::path> sized_;
};

Workspace& TheWorkspace() {
  static Workspace workspace;
  return workspace;
}

FormContext Context(const fs::path& db) {
  return torva_bench::StageFourContext(db, TheWorkspace().host_folder());
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
      form.model().button("RzButton2").Click();
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
