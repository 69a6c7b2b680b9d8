// A schema of its own on the tests' private PostgreSQL cluster (cluster.sh), for each test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <utility>

#include "db/connection.h"
#include "db/postgres/pg_backend.h"

namespace torva::testing {

// The socket folder of the cluster the fixture started.
inline std::string ClusterFolder() {
  const char* state = std::getenv("TORVA_PG_STATE");
  if (state == nullptr) return std::string();
  std::ifstream in(state);
  std::string folder;
  std::getline(in, folder);
  return folder;
}

// The tests' database as the superuser, on the cluster's socket.
inline std::string ClusterUri() {
  return "postgresql:///torva?host=" + ClusterFolder() + "&user=postgres";
}

class PgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ClusterFolder().empty()) GTEST_SKIP() << "no cluster: run through ctest (TORVA_PG_STATE)";
    static std::atomic<int> counter{0};
    schema_ = "t" + std::to_string(getpid()) + "_" + std::to_string(++counter) + "_" +
              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000);
    admin_ = db::postgres::OpenDatabase(ClusterUri(), {});
    admin_->Execute("CREATE SCHEMA " + schema_);
    uri_ = ClusterUri() + "&options=-csearch_path%3D" + schema_;
  }

  void TearDown() override {
    if (admin_) admin_->Execute("DROP SCHEMA " + schema_ + " CASCADE");
  }

  // A new connection to the test's schema.
  std::unique_ptr<db::Connection> Connect(const db::OpenOptions& options = {}) const {
    return db::postgres::OpenDatabase(uri_, options);
  }

  // The project's tables in the test's schema.
  void CreateProject() const { db::postgres::CreateProject(uri_); }

  std::string schema_;
  std::string uri_;
  std::unique_ptr<db::Connection> admin_;  // superuser, on the search path's default
};

// A cluster of the test's own, with an empty project in its database, for tests that stop the
// server: stopping the shared one would fail every test running beside them. `label` keeps the
// state files of two suites apart.
class OwnClusterTest : public ::testing::Test {
 protected:
  explicit OwnClusterTest(std::string label) : label_(std::move(label)) {}

  void SetUp() override {
    if (std::getenv("TORVA_PG_STATE") == nullptr) GTEST_SKIP() << "run through ctest";
    state_ = std::string(TORVA_PG_STOP_STATE) + label_ +
             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".state";
    ASSERT_EQ(Cluster("start"), 0);
    std::ifstream in(state_);
    std::string folder;
    std::getline(in, folder);
    uri_ = "postgresql:///torva?host=" + folder + "&user=postgres";
    db::postgres::CreateProject(uri_);
  }
  void TearDown() override {
    if (!state_.empty()) Cluster("stop");
  }

  // cluster.sh ACTION on this test's cluster (start, stop, halt, resume); its exit status.
  int Cluster(const std::string& action) const {
    const std::string command =
        std::string(TORVA_PG_CLUSTER) + " " + action + " " + state_ + " >/dev/null";
    return std::system(command.c_str());
  }

  std::string label_;
  std::string state_;
  std::string uri_;
};

}  // namespace torva::testing
