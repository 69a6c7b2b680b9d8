#include "gui/window_hints.h"

#include <iconv.h>
#include <xcb/xcb.h>
#include <xcb/xproto.h>

#include <QGuiApplication>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

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

// The X connection of `window`'s native window; null off X11 (the offscreen platform among others
// may offer an X11 interface without a connection) or before the native window exists.
xcb_connection_t* XConnection(QWidget* window) {
  if (QGuiApplication::platformName() != QLatin1String("xcb") || window == nullptr ||
      !window->testAttribute(Qt::WA_WState_Created)) {
    return nullptr;
  }
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* connection, std::string_view name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, name.size(), name.data()), nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

// `utf8` in GB 2312 as EUC-CN bytes, by glibc's converter (no locale involved); nothing when a
// character is not in GB 2312.
std::optional<std::string> EucCn(std::string utf8) {
  iconv_t converter = iconv_open("EUC-CN", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(utf8.size() * 2 + 1, '\0');
  char* in_next = utf8.data();
  std::size_t in_left = utf8.size();
  char* out_next = out.data();
  std::size_t out_left = out.size();
  const bool ok =
      iconv(converter, &in_next, &in_left, &out_next, &out_left) != static_cast<std::size_t>(-1);
  iconv_close(converter);
  if (!ok || in_left != 0) return std::nullopt;
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace

void GiveLegacyTitle(QWidget* window) {
  xcb_connection_t* connection = XConnection(window);
  if (connection == nullptr) return;
  const std::optional<std::string> gb = EucCn(window->windowTitle().toStdString());
  if (!gb) return;
  bool ascii = true;
  for (const char c : *gb) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return;  // Qt's STRING is right for ASCII
  // COMPOUND_TEXT starts with ASCII on the left half; GB 2312 designated to the right half makes
  // EUC-CN bytes valid compound text as they are.
  const std::string text = "\x1b$)A" + *gb;
  const xcb_atom_t compound_text = Atom(connection, "COMPOUND_TEXT");
  if (compound_text == XCB_ATOM_NONE) return;
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()),
                      XCB_ATOM_WM_NAME, compound_text, 8, text.size(), text.data());
  xcb_flush(connection);
}

void AskForNoMaximise(QWidget* window) {
  xcb_connection_t* connection = XConnection(window);
  if (connection == nullptr) return;
  const xcb_atom_t atom = Atom(connection, "_MOTIF_WM_HINTS");
  if (atom == XCB_ATOM_NONE) return;
  const std::array<std::uint32_t, 5> hints = {
      kHintsFunctions | kHintsDecorations, kFunctionMove | kFunctionMinimise | kFunctionClose,
      kDecorationBorder | kDecorationTitle | kDecorationMenu | kDecorationMinimise, 0, 0};
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()),
                      atom, atom, 32, hints.size(), hints.data());
  xcb_flush(connection);
}

}  // namespace torva::gui
