// The handler tables: every event handler of the form by the name the catalogue gives it. Each
// concern's file supplies the table of its own handlers; the form wires controls to them by name.
#pragma once

#include <span>
#include <string_view>

namespace torva::audit {

class TfrmMain;

// `key` is the key code for KeyDown handlers (13 is Enter), 0 for every other event.
using HandlerFn = void (*)(TfrmMain& form, int key);

struct HandlerEntry {
  std::string_view name;
  HandlerFn fn;
};

std::span<const HandlerEntry> LifetimeHandlers();    // lifetime.cc
std::span<const HandlerEntry> RefreshHandlers();     // budget_refresh.cc
std::span<const HandlerEntry> FeePageHandlers();     // fee_pages.cc
std::span<const HandlerEntry> DesignPageHandlers();  // design_page.cc

// The handler named `name` from any table, or null.
HandlerFn FindHandler(std::string_view name);

}  // namespace torva::audit
