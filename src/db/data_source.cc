#include "db/data_source.h"

#include <span>
#include <string_view>

#include "db/backend.h"

namespace torva::db {

bool IsFileSource(std::string_view data_source) {
  const std::span<const Backend> backends = Backends();
  for (const Backend& backend : backends) {
    if (backend.takes(data_source)) return &backend == &backends.back();
  }
  return true;
}

}  // namespace torva::db
