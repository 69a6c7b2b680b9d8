// A runtime folder of torva-host's own for the runs that draw off screen. Qt wants
// $XDG_RUNTIME_DIR and complains on standard error without it (root in a console, a container, a
// build machine), although nothing drawn off screen keeps anything there.
#pragma once

namespace torva::host {

// When $XDG_RUNTIME_DIR is unset or empty and $QT_QPA_PLATFORM is "offscreen", makes a
// private folder (mode 0700) under $TMPDIR or /tmp, points $XDG_RUNTIME_DIR at it and removes it,
// with whatever it holds, when the process ends. Elsewhere, or when one is set already, does
// nothing. Call before the Qt application is made.
void UsePrivateRuntimeDirOffscreen();

}  // namespace torva::host
