// TORVA's figures that the other programs do not measure on their own, for the table of
// `make bench` (floor_bench measures the same work on the SQLite floor; the figures that wait for
// disk syncs, the save and the close, it measures in pairs with the form):
//
// BM_Open: the demo project as an auditor left it (bench_support.h), opened headless at stage "4":
//   the form created, connect, SJKS.txt, the fee-standard probe, every saved field loaded, the
//   refresh of all three columns, every recalculation down to both fees. Each form is then dropped
//   without its close (not timed), so that the project stays as it was.
// BM_AuditFeeKeystroke: one change of T_9 (the auditor's construction fee): the auditor column's
//   paid fee and total, the cap at the first-review total and the copy to the cover with its
//   totals. The text alternates between the refreshed amount and one that the cap holds down.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "bench_support.h"

namespace {

using torva::audit::TfrmMain;
using torva_bench::CountingUi;
using torva_bench::Scratch;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// The audited demo, made once per run.
struct Demo {
  Demo() : scratch("torva-figures-bench") {
    host = torva_bench::MakeHostFolder(scratch.dir() / "host");
    torva_bench::PrepareAuditedDemo(project(), host);
  }
  torva_bench::fs::path project() const { return scratch.dir() / "project.db"; }
  torva::audit::FormContext context() const {
    return torva_bench::StageFourContext(project(), host);
  }

  Scratch scratch;
  std::string host;
};

Demo& TheDemo() {
  static Demo demo;
  return demo;
}

void BM_Open(benchmark::State& state) {
  const auto context = TheDemo().context();
  double cpu = 0;
  for (auto _ : state) {
    CountingUi ui;
    const double cpu_start = torva_bench::CpuSeconds();
    const auto start = Clock::now();
    auto form = std::make_unique<TfrmMain>(context, ui);
    form->Show();
    const auto stop = Clock::now();
    cpu += torva_bench::CpuSeconds() - cpu_start;
    // Dropped without its close: nothing is written, so every opening loads the same rows.
    if (form->Tag() != 1 || ui.dialogs != 0) {
      state.SkipWithError(("the demo did not open cleanly: " + ui.last).c_str());
      break;
    }
    state.SetIterationTime(Seconds(start, stop));
  }
  // The processor time of the open alone: Google Benchmark's also counts the untimed rest of each
  // iteration.
  state.counters["cpu"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Open)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_AuditFeeKeystroke(benchmark::State& state) {
  CountingUi ui;
  TfrmMain form(TheDemo().context(), ui);
  form.Show();
  const std::string refreshed = form.Text("T_9");
  bool over_cap = false;
  for (auto _ : state) {
    over_cap = !over_cap;
    form.UserAction([&] { form.SetText("T_9", over_cap ? "1200000" : refreshed); });
  }
  // The last change held the total down to the first-review total and carried it to the cover.
  if (ui.dialogs != 0) state.SkipWithError(("a dialog was shown: " + ui.last).c_str());
  if (over_cap && (form.Text("T_7") != form.Text("D_9") || form.Text("T_50") != form.Text("T_7"))) {
    state.SkipWithError("the cap did not hold the auditor's total");
  }
  // Leave the project as it was for the next benchmark.
  form.UserAction([&] { form.SetText("T_9", refreshed); });
  form.RequestClose();
}
BENCHMARK(BM_AuditFeeKeystroke)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
