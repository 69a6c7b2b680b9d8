// What the window manager is told about the form's window beyond Qt's own hints.
#pragma once

#include <QWidget>

namespace torva::gui {

// Under X11, asks the window manager for a frame with a title, system menu, minimise and close,
// and neither a maximise button nor resize handles: Qt always offers the resize function, which
// some window managers honour by drawing a maximise button that does nothing on a fixed-size
// window. `window` must have its native window; elsewhere this does nothing.
void AskForNoMaximise(QWidget* window);

}  // namespace torva::gui
