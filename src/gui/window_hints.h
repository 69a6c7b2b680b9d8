// What the window manager is told about the form's window beyond Qt's own hints.
#pragma once

#include <QWidget>

namespace torva::gui {

// Under X11, asks the window manager for a frame with a title, system menu, minimise and close,
// and neither a maximise button nor resize handles: Qt always offers the resize function, which
// some window managers honour by drawing a maximise button that does nothing on a fixed-size
// window. `window` must have its native window; elsewhere this does nothing.
void AskForNoMaximise(QWidget* window);

// Under X11, writes `window`'s title into the legacy WM_NAME property as COMPOUND_TEXT, as the
// ICCCM asks, whatever the process's locale. Qt converts it through the locale, which in the C
// locale stores the UTF-8 bytes labelled as Latin-1, and a window manager that reads WM_NAME shows
// them as "å®¡è®¡ä¿¡æ¯". A title outside ASCII and GB 2312 stays as Qt wrote it. `window` must have
// its native window; elsewhere this does nothing.
void GiveLegacyTitle(QWidget* window);

}  // namespace torva::gui
