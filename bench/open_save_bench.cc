// Opening and closing the demo project at audit stage "4" headless, as a host would.
//
// BM_Open: connect, load every saved field, refresh the three columns from the budget, every
// recalculation. BM_Save: the close, which saves every field in one transaction and writes SJKS.txt.
// Beside each, SQLite alone: BM_RawOpen reads the saved fields and the budget sums, BM_RawSave
// writes every saved field back in one transaction.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "sqlite_raw.h"

namespace {

using torva_bench::RawDb;

torva_bench::AuditedDemo& TheDemo() {
  static torva_bench::AuditedDemo demo("torva-open-save-bench");
  return demo;
}

void BM_Open(benchmark::State& state) {
  torva_bench::TimeOpens(state, torva_bench::StageFourContext(TheDemo().db, TheDemo().host));
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
  torva_bench::TimeCloses(state, torva_bench::StageFourContext(TheDemo().db, TheDemo().host));
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

void BM_RawOpen(benchmark::State& state) {
  for (auto _ : state) {
    RawDb project(TheDemo().db, false);
    RawDb fees(TheDemo().host + "Data/GL.mgl", true);
    fees.Run("select 1 from GL_FYFile where 1=2");
    project.Run("select CSName,S_Val from G_GCCS where GCID=-1");
    project.Run("select XM,sum(SGHJFY),sum(SHHJFY),sum(HJFY) from G_QF group by XM");
    for (int gcid : {-10, -12, -13, -15, -16}) {
      project.Run("select CSName,S_Val from G_GCCS where GCID=" + std::to_string(gcid));
    }
  }
}
BENCHMARK(BM_RawOpen)->Unit(benchmark::kMillisecond);

void BM_RawSave(benchmark::State& state) {
  std::vector<std::pair<std::string, std::string>> rows;
  {
    sqlite3* db = nullptr;
    sqlite3_open_v2(TheDemo().db.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "select CSName,S_Val from G_GCCS where GCID=-1", -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                        reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
  }
  for (auto _ : state) {
    RawDb project(TheDemo().db, false);
    project.Run("BEGIN IMMEDIATE");
    // The two statements the form writes per key: the old row out, the new row in.
    for (const auto& [name, value] : rows) {
      project.Run("delete from G_GCCS where GCID=-1 and CSName=?1", name.c_str());
      project.Run("insert into G_GCCS(GCID,CSName,S_Val) values(-1,?1,?2)", name.c_str(),
                  value.c_str());
    }
    project.Run("COMMIT");
  }
  state.counters["fields"] = static_cast<double>(rows.size());
}
BENCHMARK(BM_RawSave)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
