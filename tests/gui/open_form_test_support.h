// Calling OpenForm as a host does: libtorva.so loaded with dlopen, the form driven from outside
// through the widgets Qt shares with the library (the library's own classes are hidden in it).
#pragma once

#include <dlfcn.h>

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace torva::gui_test {

using OpenFormFn = void (*)(const char*, const char*, const char*, const char*, double, double);

// OpenForm of the built libtorva.so.0; the library stays loaded for the rest of the process.
inline OpenFormFn LoadOpenForm() {
  static void* handle = dlopen(TORVA_BINARY_DIR "/libtorva.so.0", RTLD_NOW | RTLD_LOCAL);
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

// Started as `HOST_FOLDER/host kChildFlag DB`, the test program is a host without any Qt
// application: it calls OpenForm twice and checks that the library made an application object and
// kept it. Exit status 0 when all held.
inline constexpr char kChildFlag[] = "--as-host-without-qt-application";
int RunChildHost(int argc, char** argv);

// The library takes the folder of its host's executable as the host folder. A test that calls
// OpenForm therefore runs in a second process of the test program, started through a link in the
// test's own host folder: started with kHostFolderFlag, the program runs the test bodies that the
// first process handed over.
inline constexpr char kHostFolderFlag[] = "--in-host-folder";
extern bool g_in_host_folder;

// Makes `folder`/host a link to this test program and runs the current test there (the test bodies
// check g_in_host_folder). Returns the child's exit status, -1 when it did not finish in time.
int RunCurrentTestFrom(const std::filesystem::path& folder);

// The folder this process was started from (through the link), without a trailing '/'.
std::filesystem::path StartedFromFolder();

// Put first in a test body: the body runs in the second process, whose host folder is a project
// folder made for the test (TestProject, gui_test_support.h); the first process only checks that
// it passed.
#define RUN_IN_HOST_FOLDER()                                                   \
  do {                                                                         \
    if (!g_in_host_folder) {                                                   \
      TestProject project(kNoAutoRefreshSql);                                  \
      EXPECT_EQ(RunCurrentTestFrom(project.folder()), 0) << "see output above"; \
      return;                                                                  \
    }                                                                          \
  } while (false)

}  // namespace torva::gui_test
