#include "audit/handlers.h"

#include <string>
#include <unordered_map>

namespace torva::audit {

HandlerFn FindHandler(std::string_view name) {
  static const auto* const kAll = [] {
    auto* all = new std::unordered_map<std::string, HandlerFn>();
    for (auto table : {LifetimeHandlers(), RefreshHandlers(), FeePageHandlers(), DesignPageHandlers()}) {
      for (const HandlerEntry& entry : table) all->emplace(std::string(entry.name), entry.fn);
    }
    return all;
  }();
  const auto it = kAll->find(std::string(name));
  return it == kAll->end() ? nullptr : it->second;
}

}  // namespace torva::audit
