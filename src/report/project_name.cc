#include "report/project_name.h"

#include <filesystem>
#include <string>

#include "db/data_source.h"
#include "text/strings.h"

namespace torva::report {
namespace {

// The first schema of a search path given in the connection's options ("-c search_path=a,b").
std::string SearchPathSchema(const std::string& options) {
  const std::size_t at = options.find("search_path");
  if (at == std::string::npos) return {};
  std::size_t start = options.find('=', at);
  if (start == std::string::npos) return {};
  ++start;
  while (start < options.size() && options[start] == ' ') ++start;
  const std::size_t end = options.find_first_of(", ", start);
  std::string schema = options.substr(start, end == std::string::npos ? end : end - start);
  if (schema.size() >= 2 && schema.front() == '"' && schema.back() == '"') {
    schema = schema.substr(1, schema.size() - 2);
  }
  return schema;
}

// The server's project name. The schema is what an office keeps one project in; when the URI names
// none, the database is the project.
std::string ServerProjectName(std::string_view uri) {
  const std::size_t scheme_end = uri.find("://") + 3;
  const std::size_t query_at = uri.find('?', scheme_end);
  const std::string_view query =
      query_at == std::string_view::npos ? std::string_view() : uri.substr(query_at + 1);
  for (std::size_t start = 0; start < query.size();) {
    std::size_t end = query.find('&', start);
    if (end == std::string_view::npos) end = query.size();
    const std::string_view pair = query.substr(start, end - start);
    if (pair.rfind("options=", 0) == 0) {
      const std::string schema = SearchPathSchema(text::PercentDecoded(pair.substr(8)));
      if (!schema.empty()) return schema;
    }
    start = end + 1;
  }
  const std::string_view rest = uri.substr(scheme_end, query_at - scheme_end);
  const std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return {};
  return text::PercentDecoded(rest.substr(slash + 1));
}

}  // namespace

std::string ProjectName(std::string_view project_db) {
  if (!db::IsFileSource(project_db)) return ServerProjectName(project_db);
  return std::filesystem::path(std::string(project_db)).stem().string();
}

}  // namespace torva::report
