// Script mode of torva-host: runs the form headless and replays user actions, one per line.
#pragma once

#include <istream>
#include <ostream>

#include "audit/tfrm_main.h"

namespace torva::host {

// Shows the form for `context`, replays the script read from `script` and closes the form at the end
// if it is still open. Dialogs and `print` go to `out`, diagnostics of the host to `err`.
// Returns 0 when the form ended, 3 when it is still open after the last close.
int RunScript(const audit::FormContext& context, std::istream& script, std::ostream& out,
              std::ostream& err);

}  // namespace torva::host
