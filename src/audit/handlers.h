// The event handlers of the form by the names the catalogue spells, and the wiring of a control's
// events to them. The one table lives in handlers.cc (TfrmMain::Handlers).
#pragma once

#include <string_view>
#include <variant>

#include "audit/tfrm_main.h"
#include "form/controls.h"

namespace torva::audit {

// Change, click, double-click and select handlers take nothing; key-down handlers the key code
// (13 is Enter).
using EventHandler = void (TfrmMain::*)();
using KeyDownHandler = void (TfrmMain::*)(int Key);

struct HandlerEntry {
  std::string_view name;
  std::variant<EventHandler, KeyDownHandler> method;
};

// Connects every event of `control` that its catalogue entry names to that handler of `form`.
// Throws std::logic_error when the name is missing from TfrmMain::Handlers(), or names a key-down
// handler for another event or the reverse: a misspelt name must never leave a control silently
// dead.
void WireHandlers(TfrmMain& form, form::Control& control);

}  // namespace torva::audit
