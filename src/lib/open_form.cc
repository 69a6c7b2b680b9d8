// libtorva.so: the one export, OpenForm. Everything else in the library is hidden (the build links
// the static parts with --exclude-libs,ALL and compiles with hidden visibility).
#include <QApplication>
#include <QThread>

#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <string>

#include "torva/torva.h"

#include "lib/host_folder.h"
#include "audit/tfrm_main.h"
#include "gui/form_session.h"
#include "gui/qt_ui_port.h"

namespace {

constexpr const char* kNoHostFolderMessage =
    "无法确定宿主程序所在的文件夹（SJKS.txt 与 Data/GL.mgl 所在处），审计信息窗口不能打开。";

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
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
      std::cerr << "torva: the host's Qt application has no widgets; the form cannot be shown\n";
      return false;
    }
    // Widgets live on the application's thread only; a call from another thread would corrupt Qt.
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
      std::cerr << "torva: OpenForm was called on a thread other than the Qt application's\n";
      return false;
    }
    return true;
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

extern "C" void OpenForm(const char* db_path, const char* stage, const char* text3,
                         const char* text4, double owner_amount, double contractor_amount) {
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
    if (!EnsureApplication()) return;
    const std::optional<std::string> host_folder = torva::lib::HostFolder();
    if (!host_folder) {
      // Without its folder the form would read and write the coefficient list somewhere else.
      std::cerr << "torva: the folder of the host's executable cannot be determined\n";
      torva::gui::QtUiPort().ShowMessage("提示", kNoHostFolderMessage,
                                         torva::audit::MessageIcon::kExclamation);
      return;
    }
    context.host_folder = *host_folder;
    torva::gui::FormSession session(std::move(context));
    session.Exec();
  } catch (const std::exception& e) {
    std::cerr << "torva: " << e.what() << '\n';
  } catch (...) {
    std::cerr << "torva: unexpected failure\n";
  }
}
