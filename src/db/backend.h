// What a backend registers in backends.cc: how it is recognised from a connection's data source,
// how it connects, and how it makes a new project database. See connection.h for the contract.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "db/connection.h"

namespace torva::db {

struct Backend {
  const char* name;
  // Whether this backend takes `data_source` (the connection string's "Data Source").
  bool (*takes)(std::string_view data_source);
  std::unique_ptr<Connection> (*open)(const std::string& data_source, const OpenOptions& options);
  void (*create_project)(const std::string& data_source);
};

// Every backend, in the order they are asked; the last one takes any source.
std::span<const Backend> Backends();

}  // namespace torva::db
