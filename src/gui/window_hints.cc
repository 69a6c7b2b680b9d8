#include "gui/window_hints.h"

#include <xcb/xcb.h>

#include <QGuiApplication>

#include <array>
#include <cstdint>
#include <cstdlib>

namespace torva::gui {

namespace {

// The Motif window manager hints, as every X window manager reads them.
constexpr std::uint32_t kHintsFunctions = 1u << 0;
constexpr std::uint32_t kHintsDecorations = 1u << 1;
constexpr std::uint32_t kFunctionMove = 1u << 2;
constexpr std::uint32_t kFunctionMinimise = 1u << 3;
constexpr std::uint32_t kFunctionClose = 1u << 5;
constexpr std::uint32_t kDecorationBorder = 1u << 1;
constexpr std::uint32_t kDecorationTitle = 1u << 3;
constexpr std::uint32_t kDecorationMenu = 1u << 4;
constexpr std::uint32_t kDecorationMinimise = 1u << 5;

}  // namespace

void AskForNoMaximise(QWidget* window) {
  // Other platforms (offscreen among them) may offer an X11 interface without an X connection.
  if (QGuiApplication::platformName() != QLatin1String("xcb") || window == nullptr ||
      !window->testAttribute(Qt::WA_WState_Created)) {
    return;
  }
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
  if (connection == nullptr) return;
  constexpr char kName[] = "_MOTIF_WM_HINTS";
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, sizeof kName - 1, kName), nullptr);
  if (atom == nullptr) return;
  const std::array<std::uint32_t, 5> hints = {
      kHintsFunctions | kHintsDecorations, kFunctionMove | kFunctionMinimise | kFunctionClose,
      kDecorationBorder | kDecorationTitle | kDecorationMenu | kDecorationMinimise, 0, 0};
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()),
                      atom->atom, atom->atom, 32, hints.size(), hints.data());
  xcb_flush(connection);
  std::free(atom);
}

}  // namespace torva::gui
