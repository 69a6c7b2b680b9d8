// The name a report gives a project: what the auditor calls it, taken from where it is stored.
#pragma once

#include <string>
#include <string_view>

namespace torva::report {

// For a project file, its name without folder and extension ("/data/2026/光缆迁改.db" gives
// "光缆迁改"). For a server connection (postgresql://… or postgres://…), the project is the schema
// its search path names first ("…?options=-csearch_path%3Dp2026_017" gives "p2026_017"), else the
// database's name; no part of the connection's credentials is ever part of it. Empty when nothing
// names the project.
std::string ProjectName(std::string_view project_db);

}  // namespace torva::report
