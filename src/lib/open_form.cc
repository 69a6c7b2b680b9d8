// libtorva.so: the one export, OpenForm. Everything else in the library is hidden (the build links
// the static parts with --exclude-libs,ALL and compiles with hidden visibility).
#include <QApplication>

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "audit/host_folder.h"
#include "audit/tfrm_main.h"
#include "gui/form_session.h"

namespace {

std::string Copy(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

bool HasDisplay() {
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// The library's own application object, created by the first call in a process without one and kept
// until the process ends (Qt allows one per process, and a host may call again).
bool EnsureApplication() {
  if (QCoreApplication::instance() != nullptr) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) return true;
    std::cerr << "torva: the host's Qt application has no widgets; the form cannot be shown\n";
    return false;
  }
  // Without any display Qt would abort the whole host process; refuse the call instead.
  if (!HasDisplay()) {
    std::cerr << "torva: no display to show the form on (set DISPLAY or QT_QPA_PLATFORM)\n";
    return false;
  }
  static int argc = 1;
  static char name[] = "torva";
  static char* argv[] = {name, nullptr};
  auto* app = new QApplication(argc, argv);
  QGuiApplication::setQuitOnLastWindowClosed(false);
  (void)app;
  return true;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void OpenForm(const char* db_path,
                                                                const char* stage,
                                                                const char* text3,
                                                                const char* text4,
                                                                double owner_amount,
                                                                double contractor_amount) {
  // The caller's buffers are not used after this point.
  torva::audit::FormContext context;
  context.db_path = Copy(db_path);
  context.stage = Copy(stage);
  context.text3 = Copy(text3);
  context.text4 = Copy(text4);
  context.owner_amount = owner_amount;
  context.contractor_amount = contractor_amount;
  // A C caller cannot receive a C++ exception: whatever escapes the form is reported here.
  try {
    context.host_folder = torva::audit::HostFolder();
    if (!EnsureApplication()) return;
    torva::gui::FormSession session(std::move(context));
    session.Exec();
  } catch (const std::exception& e) {
    std::cerr << "torva: " << e.what() << '\n';
  } catch (...) {
    std::cerr << "torva: unexpected failure\n";
  }
}
