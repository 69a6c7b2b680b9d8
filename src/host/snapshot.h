// Snapshot mode of torva-host: shows the form offscreen, writes one PNG per page, closes the form.
#pragma once

#include <string>

#include "audit/tfrm_main.h"

namespace torva::host {

// Writes TS_FM.png, TS_D.png, TS_T.png and TS_CS.png into `dir` (created when missing) after the form
// has been shown, then closes the form. Returns 0 when the form ended, 3 when it is still open.
// A QApplication must exist.
int RunSnapshot(const audit::FormContext& context, const std::string& dir);

}  // namespace torva::host
