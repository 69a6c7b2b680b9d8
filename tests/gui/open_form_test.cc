// OpenForm as a host calls it: libtorva.so loaded with dlopen, the form driven through its widgets.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/auxv.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QPushButton>
#include <QWindow>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "gui/gui_test_support.h"
#include "gui/open_form_test_support.h"

extern char** environ;

namespace torva::gui_test {

bool g_in_host_folder = false;

namespace {

// Waits for `child` for up to a minute; its exit status, or -1 (killed) when it did not end.
int WaitForChild(pid_t child) {
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  pid_t done = 0;
  while ((done = waitpid(child, &status, WNOHANG)) == 0 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (done == 0) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return -1;
  }
  if (!WIFEXITED(status)) return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  return WEXITSTATUS(status);
}

// Starts this test program through the link `folder`/host with `args` after the program name.
int RunThroughLink(const std::filesystem::path& folder, std::vector<std::string> args) {
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
  const std::filesystem::path link = folder / "host";
  std::filesystem::create_symlink(self, link);
  args.insert(args.begin(), link.string());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawn(&child, link.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -2;
  return WaitForChild(child);
}

void ClickCloseButton(QWidget* window) {
  auto* button = window->findChild<QPushButton*>("RzButton1");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), QString::fromUtf8("关闭"));
  button->click();
}

class OpenFormTest : public ::testing::Test {
 protected:
  OpenFormTest() : folder_(g_in_host_folder ? StartedFromFolder() : std::filesystem::path()) {}

  std::string db_path() const { return (folder_ / "project.db").string(); }

  void CallOpenForm() { LoadOpenForm()(db_path().c_str(), "4", "", "", 12.5, 3); }

  std::filesystem::path folder_;  // the host folder, in the second process
  DialogWatcher dialogs_;
};

// ---- the three ways of closing all end the call ----

TEST_F(OpenFormTest, CloseButtonEndsTheCall) {
  RUN_IN_HOST_FOLDER();
  FormDriver driver([](QWidget* window) { ClickCloseButton(window); });
  CallOpenForm();
  EXPECT_EQ(driver.windows_driven(), 1);
  EXPECT_TRUE(dialogs_.seen().empty());
  // FormClose ran: the coefficient list was written to the host folder.
  EXPECT_TRUE(std::filesystem::exists(folder_ / "SJKS.txt"));
}

TEST_F(OpenFormTest, CloseBoxEndsTheCall) {
  RUN_IN_HOST_FOLDER();
  // The close box (and the system menu's Close) reach Qt as the window system's close request.
  FormDriver driver([](QWidget* window) { window->windowHandle()->close(); });
  CallOpenForm();
  EXPECT_EQ(driver.windows_driven(), 1);
  EXPECT_TRUE(std::filesystem::exists(folder_ / "SJKS.txt"));
}

TEST_F(OpenFormTest, WidgetCloseEndsTheCall) {
  RUN_IN_HOST_FOLDER();
  // Qt's own close of the widget (keyboard shortcuts, a host closing it) takes the same path.
  FormDriver driver([](QWidget* window) { window->close(); });
  CallOpenForm();
  EXPECT_EQ(driver.windows_driven(), 1);
  EXPECT_TRUE(std::filesystem::exists(folder_ / "SJKS.txt"));
}

TEST_F(OpenFormTest, WindowIsGoneWhenTheCallReturns) {
  RUN_IN_HOST_FOLDER();
  FormDriver driver([](QWidget* window) { ClickCloseButton(window); });
  CallOpenForm();
  ASSERT_EQ(driver.windows_driven(), 1);
  EXPECT_TRUE(driver.driven().front().isNull());
  EXPECT_EQ(FormWindowCount(), 0);
}

// ---- calls in one process ----

TEST_F(OpenFormTest, SecondCallShowsAFreshForm) {
  RUN_IN_HOST_FOLDER();
  bool second_opened_on_cover = false;
  FormDriver driver([&](QWidget* window) {
    if (driver.windows_driven() == 1) {
      // Leave the first form on another page.
      auto* pages = window->findChild<QWidget*>("PC_Main");
      ASSERT_NE(pages, nullptr);
      QTest::mouseClick(pages, Qt::LeftButton, {}, QPoint(2 + 2 * 176 + 100, 12));
      EXPECT_TRUE(window->findChild<QWidget*>("TS_T")->isVisible());
    } else {
      second_opened_on_cover = window->findChild<QWidget*>("TS_FM")->isVisible() &&
                               !window->findChild<QWidget*>("TS_T")->isVisible();
    }
    ClickCloseButton(window);
  });
  CallOpenForm();
  CallOpenForm();
  ASSERT_EQ(driver.windows_driven(), 2);
  EXPECT_TRUE(second_opened_on_cover);
  EXPECT_TRUE(dialogs_.seen().empty());
  EXPECT_EQ(FormWindowCount(), 0);
}

TEST_F(OpenFormTest, HostWindowsStayLiveWhileTheFormIsOpen) {
  RUN_IN_HOST_FOLDER();
  QWidget host_window;
  host_window.setWindowTitle("host");
  host_window.show();
  const bool quit_on_last = QGuiApplication::quitOnLastWindowClosed();
  bool host_live = false;
  FormDriver driver([&](QWidget* window) {
    host_live = host_window.isVisible() && host_window.isEnabled() &&
                QApplication::activeModalWidget() == nullptr;
    ClickCloseButton(window);
  });
  CallOpenForm();
  EXPECT_TRUE(host_live);
  EXPECT_TRUE(host_window.isVisible());
  EXPECT_EQ(QGuiApplication::quitOnLastWindowClosed(), quit_on_last);
}

// ---- the arguments ----

TEST_F(OpenFormTest, NullTextsAreEmptyTexts) {
  RUN_IN_HOST_FOLDER();
  // An empty database path names no file: the connection fails, the form closes, the call returns.
  LoadOpenForm()(nullptr, nullptr, nullptr, nullptr, 0, 0);
  ASSERT_EQ(dialogs_.seen().size(), 1u);
  EXPECT_EQ(dialogs_.seen()[0].title, QString::fromUtf8("提示"));
  EXPECT_EQ(dialogs_.seen()[0].icon, QMessageBox::Warning);
  EXPECT_EQ(dialogs_.seen()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(FormWindowCount(), 0);
}

TEST_F(OpenFormTest, CallersBuffersAreCopiedBeforeTheFormShows) {
  RUN_IN_HOST_FOLDER();
  std::string path = db_path();
  // Runs inside OpenForm's loop before FormShow connects: a form still reading the caller's buffer
  // would find no database there.
  QTimer::singleShot(0, [&path] { path.assign(path.size(), 'x'); });
  FormDriver driver([](QWidget* window) { ClickCloseButton(window); });
  LoadOpenForm()(path.c_str(), "4", "", "", 0, 0);
  EXPECT_EQ(driver.windows_driven(), 1);
  EXPECT_TRUE(dialogs_.seen().empty());
}

TEST_F(OpenFormTest, FailedConnectionShowsItsMessageAndReturns) {
  RUN_IN_HOST_FOLDER();
  const std::string missing = (folder_ / "no-such.db").string();
  LoadOpenForm()(missing.c_str(), "4", "", "", 0, 0);
  ASSERT_EQ(dialogs_.seen().size(), 1u);
  EXPECT_EQ(dialogs_.seen()[0].title, QString::fromUtf8("提示"));
  EXPECT_EQ(dialogs_.seen()[0].icon, QMessageBox::Warning);
  EXPECT_FALSE(std::filesystem::exists(missing));
  // The close after a failed connection keeps the saved coefficient list alone.
  EXPECT_FALSE(std::filesystem::exists(folder_ / "SJKS.txt"));
}

// ---- threads ----

TEST_F(OpenFormTest, CallFromAnotherThreadThanTheApplicationsIsRefused) {
  RUN_IN_HOST_FOLDER();
  // Widgets made on this thread would crash Qt; the call must return at once and show nothing.
  std::thread other([this] { CallOpenForm(); });
  other.join();
  EXPECT_EQ(FormWindowCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "SJKS.txt"));
}

// ---- the host folder ----

TEST_F(OpenFormTest, HostFolderThatCannotBeDeterminedIsReported) {
  RUN_IN_HOST_FOLDER();
  // The link this process was started through is gone: its path no longer leads to the program, and
  // no other folder may stand in for it.
  std::filesystem::remove(folder_ / "host");
  FormDriver driver([](QWidget* window) { ClickCloseButton(window); });
  CallOpenForm();
  EXPECT_EQ(driver.windows_driven(), 0);
  ASSERT_EQ(dialogs_.seen().size(), 1u);
  EXPECT_EQ(dialogs_.seen()[0].title, QString::fromUtf8("提示"));
  EXPECT_TRUE(dialogs_.seen()[0].text.contains(QString::fromUtf8("宿主程序所在的文件夹")));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "SJKS.txt"));
}

// ---- a host without a Qt application ----

TEST(OpenFormWithoutApplication, LibraryCreatesAndKeepsItsApplication) {
  TestProject project(kNoAutoRefreshSql);
  EXPECT_EQ(RunThroughLink(project.folder(), {kChildFlag, project.db_path()}), 0)
      << "the host without a Qt application failed (or did not return from OpenForm)";
}

int g_closed_windows = 0;

// Runs as the library's QApplication is constructed: sets up what drives the form from then on.
void StartChildDriver() {
  auto* dialogs = new DialogWatcher();
  dialogs->setParent(QCoreApplication::instance());
  new FormDriver(
      [](QWidget* window) {
        ++g_closed_windows;
        ClickCloseButton(window);
      },
      QCoreApplication::instance());
}

}  // namespace

int RunCurrentTestFrom(const std::filesystem::path& folder) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return RunThroughLink(folder, {std::string("--gtest_filter=") + test->test_suite_name() + "." +
                                     test->name(),
                                 kHostFolderFlag});
}

std::filesystem::path StartedFromFolder() {
  const auto* started_as = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
  return std::filesystem::absolute(started_as).parent_path();
}

int RunChildHost(int argc, char** argv) {
  if (argc != 1) return 20;
  qAddPreRoutine(StartChildDriver);
  const OpenFormFn open_form = LoadOpenForm();
  if (QCoreApplication::instance() != nullptr) return 21;
  open_form(argv[0], "4", "", "", 12.5, 3);
  QCoreApplication* application = QCoreApplication::instance();
  if (qobject_cast<QApplication*>(application) == nullptr) return 22;
  open_form(argv[0], "4", "", "", 12.5, 3);
  if (QCoreApplication::instance() != application) return 23;
  if (g_closed_windows != 2) return 24;
  if (FormWindowCount() != 0) return 25;
  return 0;
}

}  // namespace torva::gui_test
