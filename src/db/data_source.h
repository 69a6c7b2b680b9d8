// What the form may say of a project database's data source without knowing its backend.
#pragma once

#include <string_view>

namespace torva::db {

// True when the backend that takes `data_source` is the file engine (the last of backends.cc,
// which takes any source no other backend takes): the source is then a path, shown as it stands.
// A source of another backend may hold a password and is shown only through its connection
// (Connection::DisplayName).
bool IsFileSource(std::string_view data_source);

}  // namespace torva::db
