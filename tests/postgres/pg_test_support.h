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

}  // namespace torva::testing
