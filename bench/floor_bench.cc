// The SQLite floor of every figure in the table of `make bench`: the same work as the form's, done
// by FloorForm (floor.h) directly on SQLite's C API, on the same project files set up the same way
// as the TORVA benchmark it stands beside:
//
//   BM_FloorOpen, BM_FloorAuditFeeKeystroke   beside figures_bench (the audited demo)
//   BM_FloorCoefficientKeystroke              beside design_bench's BM_CoefficientKeystroke
//   BM_FloorRefreshRows/N                     beside refresh_bench's BM_RefreshRows/N
//
// The figures that wait for disk syncs are measured in pairs, the form and the floor in the same
// iteration, so that a slow spell of a shared disk falls on both (counters "torva" and "floor"):
//
//   BM_PairedSaveAll     the save of every field (the form's SaveAllParams)
//   BM_PairedClose       the whole close: save, SJKS.txt, disconnect
//   BM_PairedOpenClose   open and close of the demo as delivered (as refresh_bench's
//                        BM_OpenDemoStage4)
//
// Before anything is measured the program proves that the floor does the same work: it runs the
// form and the floor side by side on copies of the same files and compares every field after each
// step, then the saved rows and SJKS.txt after the close. Any difference is printed and the
// program exits with status 1 without measuring.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "floor.h"

namespace {

namespace fs = torva_bench::fs;
using torva::audit::FormContext;
using torva::audit::TfrmMain;
using torva_bench::CountingUi;
using torva_bench::FloorContext;
using torva_bench::FloorForm;
using torva_bench::Scratch;
using torva_bench::T;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

FloorContext ToFloor(const FormContext& context) {
  FloorContext floor;
  floor.project = context.db_path;
  floor.host_folder = context.host_folder;
  floor.stage = context.stage;
  floor.owner_amount = context.owner_amount;
  floor.contractor_amount = context.contractor_amount;
  return floor;
}

Scratch& TheScratch() {
  static Scratch scratch("torva-floor-bench");
  return scratch;
}

// A host folder and a project of its own for one fixture.
struct Place {
  std::string host;
  fs::path project;
};

Place NewPlace(const std::string& name) {
  const fs::path dir = TheScratch().dir() / name;
  fs::create_directories(dir);
  return {torva_bench::MakeHostFolder(dir / "host"), dir / "project.db"};
}

// A copy of `from` (project and SJKS.txt) for the other side of a comparison.
Place CopyPlace(const Place& from, const std::string& name) {
  Place to = NewPlace(name);
  fs::copy_file(from.project, to.project, fs::copy_options::overwrite_existing);
  const fs::path list = fs::path(from.host) / "SJKS.txt";
  if (fs::exists(list)) fs::copy_file(list, fs::path(to.host) / "SJKS.txt");
  return to;
}

// ---- the fixtures: the same states as the TORVA benchmarks start from ----

// The audited demo (figures_bench).
const Place& AuditedDemo() {
  static const Place place = [] {
    Place p = NewPlace("audited");
    torva_bench::PrepareAuditedDemo(p.project, p.host);
    return p;
  }();
  return place;
}

// The demo as delivered, opened and closed once (refresh_bench's BM_OpenDemoStage4).
const Place& DeliveredDemo() {
  static const Place place = [] {
    Place p = NewPlace("delivered");
    torva_bench::MakeDemoProject(p.project);
    FloorForm floor(ToFloor(torva_bench::StageFourContext(p.project, p.host)));
    floor.Open();
    floor.Close();
    return p;
  }();
  return place;
}

// The demo with N budget rows (refresh_bench's BM_RefreshRows).
const Place& BudgetRows(int rows) {
  static std::map<int, Place> places;
  auto found = places.find(rows);
  if (found == places.end()) {
    Place p = NewPlace("rows-" + std::to_string(rows));
    torva_bench::MakeBudgetProject(p.project, rows);
    found = places.emplace(rows, std::move(p)).first;
  }
  return found->second;
}

// design_bench's context: stage "4", no materials amounts.
FormContext KeystrokeContext(const Place& place) {
  FormContext context;
  context.db_path = place.project.string();
  context.stage = "4";
  context.host_folder = place.host;
  return context;
}

// design_bench's state before its keystrokes: route length 12.5 entered, the installation amount
// typed, the coefficient 4.
void PrepareKeystrokes(FloorForm& floor) {
  floor.Type(T(31), "12.5");
  floor.EnterRouteLength();
  floor.Type(torva_bench::kJZAZ, "2422887.52");
  floor.Type(T(44), "4");
}

void PrepareKeystrokes(TfrmMain& form) {
  form.UserAction([&] {
    form.SetText("T_31", "12.5");
    form.model().edit("T_31").KeyDown(13);
  });
  form.UserAction([&] { form.SetText("T_JZAZ", "2422887.52"); });
  form.UserAction([&] { form.SetText("T_44", "4"); });
}

// ---- the proof that the floor does the same work ----

int Compare(const char* step, const TfrmMain& form, const FloorForm& floor) {
  int differences = 0;
  for (int field = 0; field < torva_bench::kFieldCount; ++field) {
    const std::string name = torva_bench::FieldName(field);
    const std::string expected = form.Text(name);
    if (expected == floor.Text(field)) continue;
    if (++differences <= 10) {
      std::fprintf(stderr, "floor differs after %s: %s is '%s' in TORVA, '%s' in the floor\n", step,
                   name.c_str(), expected.c_str(), floor.Text(field).c_str());
    }
  }
  return differences;
}

int CompareSaved(const Place& torva, const Place& floor) {
  int differences = 0;
  const auto expected = torva_bench::StoredParamRows(torva.project);
  const auto saved = torva_bench::StoredParamRows(floor.project);
  for (size_t i = 0; i < std::max(expected.size(), saved.size()); ++i) {
    const auto row = [](const auto& rows, size_t k) {
      return k < rows.size() ? rows[k].first + "=" + rows[k].second : std::string("(none)");
    };
    if (row(expected, i) == row(saved, i)) continue;
    std::fprintf(stderr, "floor differs: saved row %zu is %s in TORVA, %s in the floor\n", i + 1,
                 row(expected, i).c_str(), row(saved, i).c_str());
    ++differences;
    break;
  }
  if (torva_bench::ReadFile(fs::path(torva.host) / "SJKS.txt") !=
      torva_bench::ReadFile(fs::path(floor.host) / "SJKS.txt")) {
    std::fprintf(stderr, "floor differs: SJKS.txt is not the same\n");
    ++differences;
  }
  return differences;
}

int ProveSameWork() {
  int differences = 0;
  int states = 0;
  const auto check = [&](const char* step, const TfrmMain& form, const FloorForm& floor,
                         const CountingUi& ui) {
    ++states;
    differences += Compare(step, form, floor);
    if (ui.dialogs != 0) {
      std::fprintf(stderr, "TORVA showed a dialog at %s: %s\n", step, ui.last.c_str());
      ++differences;
    }
  };

  {  // open, the T_9 keystroke both ways, close
    const Place torva = CopyPlace(AuditedDemo(), "check-audited-torva");
    const Place base = CopyPlace(AuditedDemo(), "check-audited-floor");
    CountingUi ui;
    TfrmMain form(torva_bench::StageFourContext(torva.project, torva.host), ui);
    FloorForm floor(ToFloor(torva_bench::StageFourContext(base.project, base.host)));
    form.Show();
    floor.Open();
    check("the open of the audited demo", form, floor, ui);
    const std::string refreshed = form.Text("T_9");
    form.UserAction([&] { form.SetText("T_9", "1200000"); });
    floor.Type(T(9), "1200000");
    check("T_9 typed over the cap", form, floor, ui);
    form.UserAction([&] { form.SetText("T_9", refreshed); });
    floor.Type(T(9), refreshed);
    check("T_9 typed back", form, floor, ui);
    form.RequestClose();
    floor.Close();
    differences += CompareSaved(torva, base);
  }
  {  // the T_44 keystrokes of design_bench
    const Place torva = NewPlace("check-keys-torva");
    const Place base = NewPlace("check-keys-floor");
    torva_bench::MakeDemoProject(torva.project);
    torva_bench::MakeDemoProject(base.project);
    CountingUi ui;
    TfrmMain form(KeystrokeContext(torva), ui);
    FloorForm floor(ToFloor(KeystrokeContext(base)));
    form.Show();
    floor.Open();
    check("the open of the demo", form, floor, ui);
    PrepareKeystrokes(form);
    PrepareKeystrokes(floor);
    check("the route length, the installation amount and the coefficient 4", form, floor, ui);
    for (const char* coefficient : {"45", "4"}) {
      form.UserAction([&] { form.SetText("T_44", coefficient); });
      floor.Type(T(44), coefficient);
      check("a keystroke in T_44", form, floor, ui);
    }
    form.RequestClose();
    floor.Close();
    differences += CompareSaved(torva, base);
  }
  {  // the refresh of a budget of 1,000 rows
    const Place torva = CopyPlace(BudgetRows(1000), "check-rows-torva");
    const Place base = CopyPlace(BudgetRows(1000), "check-rows-floor");
    CountingUi ui;
    TfrmMain form(torva_bench::StageFourContext(torva.project, torva.host), ui);
    FloorForm floor(ToFloor(torva_bench::StageFourContext(base.project, base.host)));
    form.Show();
    floor.Open();
    check("the open of 1,000 budget rows", form, floor, ui);
    form.model().button("RzButton2").Click();
    floor.Refresh();
    check("the refresh of 1,000 budget rows", form, floor, ui);
    form.RequestClose();
    floor.Close();
    differences += CompareSaved(torva, base);
  }
  if (differences == 0) {
    std::printf(
        "floor check: the floor computes every field as TORVA does (%d states, %d fields "
        "each), and saves the same rows and SJKS.txt\n",
        states, torva_bench::kFieldCount);
  }
  return differences;
}

// ---- the floors ----

void BM_FloorOpen(benchmark::State& state) {
  const FloorContext context =
      ToFloor(torva_bench::StageFourContext(AuditedDemo().project, AuditedDemo().host));
  double cpu = 0;
  for (auto _ : state) {
    const double cpu_start = torva_bench::CpuSeconds();
    const auto start = Clock::now();
    auto floor = std::make_unique<FloorForm>(context);
    floor->Open();
    const auto stop = Clock::now();
    cpu += torva_bench::CpuSeconds() - cpu_start;
    state.SetIterationTime(Seconds(start, stop));  // dropped without its close, as the form is
  }
  // The processor time of the open alone: Google Benchmark's also counts the untimed rest of each
  // iteration.
  state.counters["cpu"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FloorOpen)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_FloorAuditFeeKeystroke(benchmark::State& state) {
  FloorForm floor(
      ToFloor(torva_bench::StageFourContext(AuditedDemo().project, AuditedDemo().host)));
  floor.Open();
  const std::string refreshed = floor.Text(T(9));
  bool over_cap = false;
  for (auto _ : state) {
    over_cap = !over_cap;
    floor.Type(T(9), over_cap ? "1200000" : refreshed);
  }
  floor.Type(T(9), refreshed);
  floor.Close();
}
BENCHMARK(BM_FloorAuditFeeKeystroke)->Unit(benchmark::kMicrosecond);

void BM_FloorCoefficientKeystroke(benchmark::State& state) {
  // A fresh demo for every repetition, as design_bench makes one.
  static int repetition = 0;
  const Place place = NewPlace("keys-" + std::to_string(++repetition));
  torva_bench::MakeDemoProject(place.project);
  FloorForm floor(ToFloor(KeystrokeContext(place)));
  floor.Open();
  PrepareKeystrokes(floor);
  bool second_digit = false;
  for (auto _ : state) {
    second_digit = !second_digit;
    floor.Type(T(44), second_digit ? "45" : "4");
  }
  floor.Close();
}
BENCHMARK(BM_FloorCoefficientKeystroke)->Unit(benchmark::kMillisecond);

// ---- paired: the figures that wait for the disk ----
//
// Every commit of the save and the replaced SJKS.txt are synced to disk, and on a shared machine a
// sync may wait for someone else's writes. These benchmarks therefore run the form's work and the
// floor's in the same iteration, in alternating order, and time each: a slow spell of the disk
// falls on both. The counters "torva" and "floor" are each side's mean seconds per iteration.

class PairTimes {
 public:
  // Runs both sides, the form first on every other iteration; returns the iteration's time.
  template <typename TorvaWork, typename FloorWork>
  double Run(TorvaWork&& torva, FloorWork&& floor) {
    torva_first_ = !torva_first_;
    if (torva_first_) {
      Time(torva, &torva_);
      Time(floor, &floor_);
    } else {
      Time(floor, &floor_);
      Time(torva, &torva_);
    }
    return last_[0] + last_[1];
  }
  // "torva" and "floor": wall-clock seconds per iteration; "torva_cpu" and "floor_cpu": processor
  // seconds per iteration.
  void Report(benchmark::State& state) const {
    const auto average = [](double total) {
      return benchmark::Counter(total, benchmark::Counter::kAvgIterations);
    };
    state.counters["torva"] = average(torva_.wall);
    state.counters["floor"] = average(floor_.wall);
    state.counters["torva_cpu"] = average(torva_.cpu);
    state.counters["floor_cpu"] = average(floor_.cpu);
  }

 private:
  struct Side {
    double wall = 0;
    double cpu = 0;
  };
  template <typename Work>
  void Time(Work&& work, Side* side) {
    const double cpu = torva_bench::CpuSeconds();
    const auto start = Clock::now();
    work();
    const double wall = Seconds(start, Clock::now());
    side->wall += wall;
    side->cpu += torva_bench::CpuSeconds() - cpu;
    last_[side == &torva_ ? 0 : 1] = wall;
  }

  bool torva_first_ = false;
  Side torva_;
  Side floor_;
  double last_[2] = {0, 0};
};

// The save of every field, repeated on an open form and an open floor.
void BM_PairedSaveAll(benchmark::State& state) {
  static const Place torva_place = CopyPlace(AuditedDemo(), "pair-save-torva");
  static const Place floor_place = CopyPlace(AuditedDemo(), "pair-save-floor");
  CountingUi ui;
  TfrmMain form(torva_bench::StageFourContext(torva_place.project, torva_place.host), ui);
  form.Show();
  FloorForm floor(ToFloor(torva_bench::StageFourContext(floor_place.project, floor_place.host)));
  floor.Open();
  PairTimes times;
  for (auto _ : state) {
    state.SetIterationTime(times.Run([&] { form.SaveAllParams(); }, [&] { floor.SaveAll(); }));
  }
  if (ui.dialogs != 0) state.SkipWithError(("the save showed a dialog: " + ui.last).c_str());
  times.Report(state);
  form.RequestClose();
  floor.Close();
}
BENCHMARK(BM_PairedSaveAll)->UseManualTime()->Unit(benchmark::kMillisecond);

// The whole close of the audited demo: each iteration opens both (not timed) and closes both.
void BM_PairedClose(benchmark::State& state) {
  static const Place torva_place = CopyPlace(AuditedDemo(), "pair-close-torva");
  static const Place floor_place = CopyPlace(AuditedDemo(), "pair-close-floor");
  const FormContext context = torva_bench::StageFourContext(torva_place.project, torva_place.host);
  const FloorContext floor_context =
      ToFloor(torva_bench::StageFourContext(floor_place.project, floor_place.host));
  PairTimes times;
  for (auto _ : state) {
    CountingUi ui;
    auto form = std::make_unique<TfrmMain>(context, ui);
    form->Show();
    auto floor = std::make_unique<FloorForm>(floor_context);
    floor->Open();
    bool closed = false;
    state.SetIterationTime(
        times.Run([&] { closed = form->RequestClose(); }, [&] { floor->Close(); }));
    if (!closed || ui.dialogs != 0) {
      state.SkipWithError(("the demo did not close cleanly: " + ui.last).c_str());
      break;
    }
  }
  times.Report(state);
}
BENCHMARK(BM_PairedClose)->UseManualTime()->Unit(benchmark::kMillisecond);

// Open and close of the demo as delivered (refresh_bench's BM_OpenDemoStage4 and its floor).
void BM_PairedOpenClose(benchmark::State& state) {
  static const Place torva_place = CopyPlace(DeliveredDemo(), "pair-open-close-torva");
  const FormContext context = torva_bench::StageFourContext(torva_place.project, torva_place.host);
  const FloorContext floor_context =
      ToFloor(torva_bench::StageFourContext(DeliveredDemo().project, DeliveredDemo().host));
  PairTimes times;
  CountingUi ui;
  bool clean = true;
  for (auto _ : state) {
    const auto torva = [&] {
      TfrmMain form(context, ui);
      form.Show();
      clean = clean && form.Tag() == 1 && form.RequestClose();
    };
    const auto floor = [&] {
      FloorForm base(floor_context);
      base.Open();
      base.Close();
    };
    state.SetIterationTime(times.Run(torva, floor));
  }
  if (!clean || ui.dialogs != 0) {
    state.SkipWithError(("the demo did not open cleanly: " + ui.last).c_str());
  }
  times.Report(state);
}
BENCHMARK(BM_PairedOpenClose)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_FloorRefreshRows(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const Place& place = BudgetRows(rows);
  FloorForm floor(ToFloor(torva_bench::StageFourContext(place.project, place.host)));
  floor.Open();  // the start-up refresh
  for (auto _ : state) floor.Refresh();
  state.SetComplexityN(rows);
  state.counters["rows"] = rows;
  floor.Close();
}
BENCHMARK(BM_FloorRefreshRows)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  try {
    if (ProveSameWork() != 0) return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "floor check failed: %s\n", e.what());
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
