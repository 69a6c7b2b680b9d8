// The budget refresh (the button "重置默认数据") on a project whose G_QF holds N rows spread over the
// demo's twelve budget items: it should grow linearly with N.
//
// BM_Refresh/N: the form. BM_RawRefresh/N: SQLite alone running the refresh's statements: the sums
// of the four items in each of the three columns, the two cost factors, the other fees, and the
// saved parameter groups.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "bench_support.h"
#include "form/controls.h"
#include "sqlite_raw.h"

namespace {

using torva::audit::TfrmMain;
using torva_bench::CountingUi;
using torva_bench::RawDb;

class Workspace {
 public:
  Workspace()
      : scratch_("torva-refresh-bench"),
        host_(torva_bench::MakeHostFolder(scratch_.dir() / "host")) {}

  const std::string& host() const { return host_; }

  // The project with `rows` budget rows, made once.
  const std::string& WithRows(int rows) {
    std::string& path = sized_[rows];
    if (path.empty()) {
      path = (scratch_.dir() / ("rows-" + std::to_string(rows) + ".db")).string();
      torva_bench::MakeBudgetProject(path, rows);
    }
    return path;
  }

 private:
  torva_bench::Scratch scratch_;
  std::string host_;
  std::map<int, std::string> sized_;
};

Workspace& TheWorkspace() {
  static Workspace workspace;
  return workspace;
}

void BM_Refresh(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  CountingUi ui;
  TfrmMain form(torva_bench::StageFourContext(TheWorkspace().WithRows(rows), TheWorkspace().host()),
                ui);
  form.Show();
  torva::form::Button* refresh = form.model().FindButton("RzButton2");
  for (auto _ : state) form.UserAction([&] { refresh->Click(); });
  if (ui.dialogs != 0) state.SkipWithError(("dialog shown: " + ui.last).c_str());
  state.SetComplexityN(rows);
  form.RequestClose();
}
BENCHMARK(BM_Refresh)->RangeMultiplier(10)->Range(12, 120000)->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_RawRefresh(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  RawDb project(TheWorkspace().WithRows(rows), false);
  static constexpr const char* kItems[] = {"折扣后施工费", "辅助材料费", "税金", "建筑安装工程费"};
  for (auto _ : state) {
    for (const char* column : {"SGHJFY", "SHHJFY", "HJFY"}) {
      for (const char* item : kItems) {
        project.Run(std::string("select sum(") + column + ") as HJ from G_QF where XM=?", item);
      }
      for (const char* item : {"折扣后施工费", "辅助材料费"}) {
        project.Run("select SGJSS from G_QF where XM=? limit 1", item);
      }
      project.Run("select QTFY from P_ZHZ");
    }
    for (int gcid : {-10, -12, -13, -15, -16}) {
      project.Run("select CSName,S_Val from G_GCCS where GCID=" + std::to_string(gcid));
    }
  }
  state.SetComplexityN(rows);
}
BENCHMARK(BM_RawRefresh)->RangeMultiplier(10)->Range(12, 120000)->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace

BENCHMARK_MAIN();
