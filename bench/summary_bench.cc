// The summary of a year's projects: 1,000 copies of the audited demo project summarised from their
// saved fields, as `torva-host --summary` does.
//
// BM_Summary: read every project's saved fields (read-only) and build the table with its total.
// BM_SummaryCsv, BM_SummaryXlsx: the same, written as CSV or as a workbook. Beside them, SQLite
// alone: BM_RawSummary opens each file read-only and reads its saved fields, nothing more.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "report/summary.h"
#include "sqlite_raw.h"

namespace {

constexpr int kProjects = 1000;

struct Year {
  Year() : demo("torva-summary-bench") {
    for (int i = 0; i < kProjects; ++i) {
      const auto path = demo.scratch.dir() / ("p" + std::to_string(i) + ".db");
      std::filesystem::copy_file(demo.db, path);
      projects.push_back(path.string());
    }
  }
  torva_bench::AuditedDemo demo;
  std::vector<std::string> projects;
};

Year& TheYear() {
  static Year year;
  return year;
}

void CheckRows(benchmark::State& state, const torva::report::Table& table) {
  if (table.rows.size() != kProjects + 1 || !table.rows.front().back().text.empty()) {
    state.SkipWithError("a project of the year could not be read");
  }
}

void BM_Summary(benchmark::State& state) {
  for (auto _ : state) CheckRows(state, torva::report::BuildSummary(TheYear().projects));
  state.counters["projects"] = kProjects;
}
BENCHMARK(BM_Summary)->Unit(benchmark::kMillisecond);

void WriteTo(benchmark::State& state, const std::string& name) {
  const std::string out = (TheYear().demo.scratch.dir() / name).string();
  for (auto _ : state) {
    const torva::report::Table table = torva::report::BuildSummary(TheYear().projects);
    CheckRows(state, table);
    const std::string error = torva::report::WriteSummary(table, out);
    if (!error.empty()) state.SkipWithError(error.c_str());
  }
  state.counters["projects"] = kProjects;
}

void BM_SummaryCsv(benchmark::State& state) { WriteTo(state, "summary.csv"); }
BENCHMARK(BM_SummaryCsv)->Unit(benchmark::kMillisecond);

void BM_SummaryXlsx(benchmark::State& state) { WriteTo(state, "summary.xlsx"); }
BENCHMARK(BM_SummaryXlsx)->Unit(benchmark::kMillisecond);

void BM_RawSummary(benchmark::State& state) {
  for (auto _ : state) {
    for (const std::string& project : TheYear().projects) {
      torva_bench::RawDb db(project, true);
      db.Run("select CSName,S_Val from G_GCCS where GCID=-1");
    }
  }
  state.counters["projects"] = kProjects;
}
BENCHMARK(BM_RawSummary)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
