// Peak resident memory of one opening and closing of the demo project at audit stage "4", measured
// in a child process of its own by peak_rss (reported as the counter peak_kib):
//
// BM_PeakScript: torva-host's script mode (the headless form, no Qt loaded).
// BM_PeakRaw: a child that runs only the raw SQLite statements of the open and the save.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "sqlite_raw.h"

namespace {

constexpr char kRawChildFlag[] = "--raw-open-save";

torva_bench::AuditedDemo& TheDemo() {
  static torva_bench::AuditedDemo demo("torva-memory-bench");
  return demo;
}

// The peak resident memory in KiB of `args` run by peak_rss, or -1 when it failed.
long PeakKib(const std::vector<std::string>& args) {
  std::string command = "'" TORVA_BINARY_DIR "/bench/peak_rss'";
  for (const std::string& arg : args) command += " '" + arg + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  long kib = -1;
  if (std::fscanf(pipe, "%ld", &kib) != 1) kib = -1;
  return pclose(pipe) == 0 ? kib : -1;
}

void Report(benchmark::State& state, const std::vector<std::string>& args) {
  long peak = 0;
  for (auto _ : state) {
    peak = PeakKib(args);
    if (peak < 0) state.SkipWithError(("failed: " + args[0]).c_str());
  }
  state.counters["peak_kib"] = static_cast<double>(peak);
}

void BM_PeakScript(benchmark::State& state) {
  Report(state, {TORVA_BINARY_DIR "/torva-host", "--host-folder", TheDemo().host, "--script",
                 "/dev/null", TheDemo().db, "4", "", "", "12.5", "3"});
}
BENCHMARK(BM_PeakScript)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PeakRaw(benchmark::State& state) {
  Report(state, {TORVA_BINARY_DIR "/bench/memory_bench", kRawChildFlag, TheDemo().host,
                 TheDemo().db});
}
BENCHMARK(BM_PeakRaw)->Unit(benchmark::kMillisecond)->Iterations(5);

// The raw child: the statements of an opening and a save, nothing else.
int RunRawChild(const std::string& host, const std::string& db) {
  torva_bench::RawDb project(db, false);
  torva_bench::RawDb fees(host + "Data/GL.mgl", true);
  fees.Run("select 1 from GL_FYFile where 1=2");
  project.Run("select CSName,S_Val from G_GCCS where GCID=-1");
  project.Run("select XM,sum(SGHJFY),sum(SHHJFY),sum(HJFY) from G_QF group by XM");
  project.Run("BEGIN IMMEDIATE");
  project.Run("update G_GCCS set S_Val=S_Val where GCID=-1");
  project.Run("COMMIT");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], kRawChildFlag) == 0) return RunRawChild(argv[2], argv[3]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
