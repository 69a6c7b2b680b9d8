// Calling OpenForm as a host does: libtorva.so loaded with dlopen, the form driven from outside
// through the widgets Qt shares with the library (the library's own classes are hidden in it).
#pragma once

#include <dlfcn.h>

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace torva::gui_test {

using OpenFormFn = void (*)(const char*, const char*, const char*, const char*, double, double);

// OpenForm of the built libtorva.so; the library stays loaded for the rest of the process.
inline OpenFormFn LoadOpenForm() {
  static void* handle = dlopen(TORVA_BINARY_DIR "/libtorva.so", RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) throw std::runtime_error(dlerror());
  auto fn = reinterpret_cast<OpenFormFn>(dlsym(handle, "OpenForm"));
  if (fn == nullptr) throw std::runtime_error("libtorva.so has no OpenForm");
  return fn;
}

// The visible audit window whose loading is over, or null.
inline QWidget* ShownFormWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == "frmMain" && widget->isVisible() &&
        widget->property("formShown").toBool()) {
      return widget;
    }
  }
  return nullptr;
}

// Every audit window that still exists, shown or not.
inline int FormWindowCount() {
  int count = 0;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == "frmMain") ++count;
  }
  return count;
}

// Runs `act` once on every audit window that finishes loading (one per OpenForm call) while the
// form's loop runs.
class FormDriver : public QObject {
 public:
  explicit FormDriver(std::function<void(QWidget*)> act, QObject* parent = nullptr)
      : QObject(parent), act_(std::move(act)) {
    connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_.start(10);
  }

  int windows_driven() const { return static_cast<int>(driven_.size()); }
  const std::vector<QPointer<QWidget>>& driven() const { return driven_; }

 private:
  void Poll() {
    QWidget* window = ShownFormWindow();
    if (window == nullptr) return;
    for (const auto& seen : driven_) {
      if (seen == window) return;
    }
    driven_.emplace_back(window);
    act_(window);
  }

  std::function<void(QWidget*)> act_;
  QTimer timer_;
  std::vector<QPointer<QWidget>> driven_;
};

// Started as `torva_gui_tests kChildFlag DB HOST_FOLDER`, the test program is a host without any Qt
// application: it calls OpenForm twice and checks that the library made an application object and
// kept it. Exit status 0 when all held.
inline constexpr char kChildFlag[] = "--as-host-without-qt-application";
int RunChildHost(int argc, char** argv);

}  // namespace torva::gui_test
