// A keystroke in the coefficient combo T_44 at audit stage "4" on the demo project: the design fee
// and the survey fee are looked up in the fee standard and evaluated afresh, and both cascades run
// down to the auditor's total and the report cover.
//
// BM_CoefficientKeystroke: the form. BM_RawKeystroke: SQLite alone running the statements of one
// keystroke: the two band lookups of the design fee, the survey band, and the two fee expressions
// evaluated on the project database.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench_support.h"
#include "sqlite_raw.h"

namespace {

using torva::audit::TfrmMain;
using torva_bench::CountingUi;
using torva_bench::RawDb;

void BM_CoefficientKeystroke(benchmark::State& state) {
  torva_bench::AuditedDemo demo("torva-keystroke-bench");
  CountingUi ui;
  TfrmMain form(torva_bench::StageFourContext(demo.db, demo.host), ui);
  form.Show();
  form.UserAction([&] { form.SetText("T_44", "4"); });
  // Typing the second digit and taking it back: each keystroke changes both fees.
  bool second_digit = false;
  for (auto _ : state) {
    second_digit = !second_digit;
    form.UserAction([&] { form.SetText("T_44", second_digit ? "45" : "4"); });
  }
  if (ui.dialogs != 0) state.SkipWithError(("dialog shown: " + ui.last).c_str());
  if (form.Text("T_30").find('.') == std::string::npos ||
      form.Text("T_32").find('.') == std::string::npos) {
    state.SkipWithError("the keystroke computed no fee");
  }
  form.RequestClose();
}
BENCHMARK(BM_CoefficientKeystroke)->Unit(benchmark::kMicrosecond);

void BM_RawKeystroke(benchmark::State& state) {
  torva_bench::AuditedDemo demo("torva-keystroke-bench");
  RawDb project(demo.db, false);
  for (auto _ : state) {
    // The fee standard is opened by each lookup, as the form's query opens its connection.
    double lower = 0;
    {
      RawDb fees(demo.host + "Data/GL.mgl", true);
      fees.Run("select QS,ZZ,SFJJ from GL_FYFile where LX=4 and "
               "IIF(ZZ=0,QS<242.288752,QS<242.288752 and ZZ>=242.288752)",
               nullptr, nullptr, &lower);
    }
    {
      RawDb fees(demo.host + "Data/GL.mgl", true);
      fees.Run("select SFJJ from GL_FYFile where LX=4 and ZZ=" + std::to_string(lower));
    }
    {
      RawDb fees(demo.host + "Data/GL.mgl", true);
      fees.Run("select QS,SFJJ,NCZ,FL from GL_FYFile where LX=1 and "
               "XM='埋式光(电)缆长途架空光(电)线路' and IIF(ZZ=0,QS<12.5,QS<12.5 and ZZ>=12.5)");
    }
    project.Run("select (10.8+(242.288752-200)*(11.5-10.8)/(300-200))*10000*0.85*0.45 as HJ");
    project.Run("select (1.2+(12.5-10)*0.1)*10000*0.45 as HJ");
  }
}
BENCHMARK(BM_RawKeystroke)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
