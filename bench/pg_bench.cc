// The project database on a PostgreSQL server a round trip away. A private cluster is started for
// the run (tests/postgres/cluster.sh) and reached through a delay proxy (delay_proxy.h) that holds
// every chunk back 0 or 10 ms each way; at 10 ms each round trip costs 20 ms of wall time, so the
// wall time of a figure divided by 20 ms counts its round trips.
//
// BM_PgOpen: connect, load, refresh at stage "4", every recalculation. BM_PgSave: the close (87
// keys). BM_PgKeystroke: a keystroke in T_44, both fee cascades down to the cover (no round trip:
// the fee standard is a file and fee expressions never reach the server). Beside them, a raw libpq
// program that sends the same statements one by one: BM_RawPgOpen, BM_RawPgSave. The form's figures
// also report the round trips the backend counted (round_trips), exact where the timing is not.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "db/postgres/pg_backend.h"
#include "delay_proxy.h"

namespace {

using torva::audit::TfrmMain;
using torva_bench::CountingUi;
namespace fs = std::filesystem;

std::string Shell(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  if (pclose(pipe) != 0) throw std::runtime_error("failed: " + command);
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

// The cluster, the audited demo project in a schema of it, and a proxy per delay.
class PgSetup {
 public:
  PgSetup() : scratch_("torva-pg-bench") {
    cluster_ = (torva_bench::kSourceDir / "tests/postgres/cluster.sh").string();
    state_ = (scratch_.dir() / "cluster.state").string();
    Shell(cluster_ + " start " + state_);
    const std::string schema = Shell(cluster_ + " schema " + state_);
    socket_dir_ = Shell("cat " + state_);
    direct_uri_ = Shell(cluster_ + " uri " + state_ + " " + schema);
    host_ = torva_bench::MakeHostFolder(scratch_.dir() / "host");
    Shell("'" + std::string(TORVA_BINARY_DIR) + "/torva-host' --init '" + direct_uri_ + "'");
    Shell("psql -X -q -v ON_ERROR_STOP=1 -d '" + direct_uri_ + "' -f '" +
          (torva_bench::kSourceDir / "data/demo_project.sql").string() + "'");
    // As an auditor leaves it: opened, a route length entered, closed.
    CountingUi ui;
    TfrmMain form(torva_bench::StageFourContext(direct_uri_, host_), ui);
    form.Show();
    form.UserAction([&] {
      form.SetText("T_31", "12.5");
      form.model().edit("T_31").KeyDown(13);
    });
    if (!form.RequestClose() || ui.dialogs != 0) throw std::runtime_error("demo: " + ui.last);
    schema_ = schema;
  }
  ~PgSetup() {
    proxies_.clear();
    std::system((cluster_ + " stop " + state_).c_str());
  }

  // The project's URI through a proxy that delays each way by `delay_ms`.
  std::string Uri(int delay_ms) {
    const fs::path dir = scratch_.dir() / ("proxy" + std::to_string(delay_ms));
    if (!fs::exists(dir)) {
      fs::create_directories(dir);
      proxies_.push_back(std::make_unique<torva_bench::DelayProxy>(
          (dir / ".s.PGSQL.5432").string(), socket_dir_ + "/.s.PGSQL.5432",
          std::chrono::milliseconds(delay_ms)));
    }
    return "postgresql:///torva?host=" + dir.string() + "&user=postgres&options=-csearch_path%3D" +
           schema_;
  }

  const std::string& host() const { return host_; }

 private:
  torva_bench::Scratch scratch_;
  std::string cluster_, state_, socket_dir_, direct_uri_, schema_, host_;
  std::vector<std::unique_ptr<torva_bench::DelayProxy>> proxies_;
};

PgSetup& Setup() {
  static PgSetup setup;
  return setup;
}

// The round trips of one more open (`open`) or close of the form, as the backend counts them (the
// connection's set-up included, libpq's handshake not), reported beside the figure.
void CountRoundTrips(benchmark::State& state, const torva::audit::FormContext& context, bool open) {
  CountingUi ui;
  TfrmMain form(context, ui);
  long before = torva::db::postgres::RoundTrips();
  form.Show();
  if (open) state.counters["round_trips"] = torva::db::postgres::RoundTrips() - before;
  before = torva::db::postgres::RoundTrips();
  form.RequestClose();
  if (!open) state.counters["round_trips"] = torva::db::postgres::RoundTrips() - before;
}

void BM_PgOpen(benchmark::State& state) {
  const auto context = torva_bench::StageFourContext(Setup().Uri(state.range(0)), Setup().host());
  torva_bench::TimeOpens(state, context);
  CountRoundTrips(state, context, /*open=*/true);
}
BENCHMARK(BM_PgOpen)->Arg(0)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PgSave(benchmark::State& state) {
  const auto context = torva_bench::StageFourContext(Setup().Uri(state.range(0)), Setup().host());
  torva_bench::TimeCloses(state, context);
  CountRoundTrips(state, context, /*open=*/false);
}
BENCHMARK(BM_PgSave)->Arg(0)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PgKeystroke(benchmark::State& state) {
  CountingUi ui;
  TfrmMain form(torva_bench::StageFourContext(Setup().Uri(state.range(0)), Setup().host()), ui);
  form.Show();
  bool second_digit = false;
  const long before = torva::db::postgres::RoundTrips();
  for (auto _ : state) {
    second_digit = !second_digit;
    form.UserAction([&] { form.SetText("T_44", second_digit ? "45" : "4"); });
  }
  state.counters["round_trips"] = torva::db::postgres::RoundTrips() - before;
  if (ui.dialogs != 0) state.SkipWithError(("dialog shown: " + ui.last).c_str());
  form.RequestClose();
}
BENCHMARK(BM_PgKeystroke)->Arg(0)->Arg(10)->Unit(benchmark::kMicrosecond)->UseRealTime();

// ---- the raw program: libpq, the same statements one by one ----

struct Raw {
  explicit Raw(const std::string& uri) : conn(PQconnectdb(uri.c_str())) {
    if (PQstatus(conn) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn));
  }
  ~Raw() { PQfinish(conn); }
  void Run(const std::string& sql, std::vector<const char*> values = {}) {
    PGresult* result = PQexecParams(conn, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                    values.data(), nullptr, nullptr, 0);
    const ExecStatusType status = PQresultStatus(result);
    PQclear(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      throw std::runtime_error(sql + ": " + PQerrorMessage(conn));
    }
  }
  PGconn* conn;
};

// The open's reads as the form sends them: the saved fields, then each refresh statement.
void BM_RawPgOpen(benchmark::State& state) {
  const std::string uri = Setup().Uri(state.range(0));
  for (auto _ : state) {
    Raw raw(uri);
    raw.Run("select CSName,S_Val from G_GCCS where GCID=-1");
    raw.Run("select sum(HJFY) as HJ from G_QF where XM=$1", {"建筑安装工程费"});
    for (const char* column : {"SGHJFY", "SHHJFY", "HJFY"}) {
      for (const char* item : {"折扣后施工费", "辅助材料费", "税金", "建筑安装工程费"}) {
        raw.Run(std::string("select sum(") + column + ") as HJ from G_QF where XM=$1", {item});
      }
    }
    for (const char* item : {"折扣后施工费", "辅助材料费", "折扣后施工费", "辅助材料费"}) {
      raw.Run("select SGJSS from G_QF where XM=$1", {item});
    }
    for (const char* dep : {"DepID=2", "DepID=3", "(DepID=0 or DepID is null)"}) {
      raw.Run(std::string("select QTFY from P_ZHZ where GCID=32000 and LX>100 and ") + dep);
    }
    for (int gcid : {-12, -13, -16, -10, -15}) {
      raw.Run("select CSName,S_Val from G_GCCS where GCID=" + std::to_string(gcid));
    }
  }
}
BENCHMARK(BM_RawPgOpen)->Arg(0)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

// The close as a hand-written program sends it: 87 keys, delete and insert each, one by one.
void BM_RawPgSave(benchmark::State& state) {
  Raw raw(Setup().Uri(state.range(0)));
  std::vector<std::string> keys;
  for (int k = 0; k < 87; ++k) keys.push_back("K" + std::to_string(k));
  for (auto _ : state) {
    raw.Run("BEGIN");
    for (const std::string& key : keys) {
      raw.Run("delete from G_GCCS where GCID=-2 and CSName=$1", {key.c_str()});
      raw.Run("insert into G_GCCS(GCID,CSName,S_Val) values(-2,$1,$2)", {key.c_str(), "1.00"});
    }
    raw.Run("COMMIT");
  }
}
BENCHMARK(BM_RawPgSave)->Arg(0)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
