// Every handler the catalogue names is wired to code, and every handler in the tables belongs to a
// control: a misspelt name on either side would leave a field silently dead.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "audit/handlers.h"
#include "form/catalogue.h"

namespace torva::audit {
namespace {

std::set<std::string> CatalogueHandlerNames() {
  std::set<std::string> names;
  for (const form::ControlSpec& spec : form::Catalogue()) {
    for (const std::string* name : {&spec.on_change, &spec.on_key_down, &spec.on_dbl_click,
                                    &spec.on_click, &spec.on_select}) {
      if (!name->empty()) names.insert(*name);
    }
  }
  return names;
}

TEST(HandlersTest, EveryHandlerTheCatalogueNamesExists) {
  for (const std::string& name : CatalogueHandlerNames()) {
    EXPECT_NE(FindHandler(name), nullptr) << name;
  }
}

TEST(HandlersTest, EveryHandlerInTheTablesBelongsToAControl) {
  const std::set<std::string> named = CatalogueHandlerNames();
  for (auto table : {LifetimeHandlers(), RefreshHandlers(), FeePageHandlers(), DesignPageHandlers()}) {
    for (const HandlerEntry& entry : table) {
      EXPECT_TRUE(named.count(std::string(entry.name))) << entry.name;
    }
  }
}

}  // namespace
}  // namespace torva::audit
