// A host that ends its Qt application while the form is open: the form still closes as the auditor
// would close it, so nothing typed is lost.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <string>

#include "gui/gui_test_support.h"
#include "gui/open_form_test_support.h"

namespace torva::gui_test {

namespace {

// The saved value of parameter `key`, or "(none)".
std::string SavedParam(const std::string& db_path, const std::string& key) {
  try {
    const std::unique_ptr<db::Connection> connection = ConnectTo(db_path);
    const db::ResultPtr row = connection->Open(
        "SELECT S_Val FROM G_GCCS WHERE GCID=-1 AND CSName='" + key + "'");
    if (!row->Eof()) return row->AsText("S_Val");
  } catch (const std::exception&) {
  }
  return "(none)";
}

class HostQuitTest : public ::testing::Test {
 protected:
  // The project in the host folder the test body runs from.
  std::string db_path() const { return (StartedFromFolder() / "project.db").string(); }

  // The host's application loop runs; from it the host opens the form, and `quit` ends the
  // application once the auditor has typed into T_47. Returns whether OpenForm returned.
  bool RunHostThatQuits(const std::function<void(QWidget*)>& quit) {
    bool returned = false;
    FormDriver driver([&](QWidget* window) {
      auto* title = window->findChild<QLineEdit*>("T_47");
      ASSERT_NE(title, nullptr);
      title->setFocus();
      title->selectAll();
      QTest::keyClicks(title, "typed before the host quit");
      quit(window);
    });
    QTimer::singleShot(0, [&] {
      LoadOpenForm()(db_path().c_str(), "4", "", "", 0, 0);
      returned = true;
    });
    // Ends the application loop should the form never return, so that a failure cannot hang.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    watchdog.start(20000);
    QApplication::exec();
    return returned;
  }

  DialogWatcher dialogs_{QMessageBox::No};
};

TEST_F(HostQuitTest, QuitWhileTheFormIsOpenStillSavesTheFields) {
  RUN_IN_HOST_FOLDER();
  EXPECT_TRUE(RunHostThatQuits([](QWidget*) { QCoreApplication::quit(); }));
  EXPECT_EQ(SavedParam(db_path(), "T_47"), "typed before the host quit");
  EXPECT_EQ(FormWindowCount(), 0);
}

TEST_F(HostQuitTest, ExitWithAStatusWhileTheFormIsOpenStillSavesTheFields) {
  RUN_IN_HOST_FOLDER();
  EXPECT_TRUE(RunHostThatQuits([](QWidget*) { QCoreApplication::exit(2); }));
  EXPECT_EQ(SavedParam(db_path(), "T_47"), "typed before the host quit");
}

// The close that follows the host's exit cannot save at once (another program holds the file): its
// message and question still wait for the auditor, who keeps the form open, and the next close saves.
TEST_F(HostQuitTest, AfterTheHostsExitTheCloseStillAsksAndTheFormStaysUntilItSaves) {
  RUN_IN_HOST_FOLDER();
  std::unique_ptr<db::Connection> locker = ConnectTo(db_path());
  QTimer answered;
  const bool returned = RunHostThatQuits([&](QWidget* window) {
    ASSERT_NO_THROW(locker->Begin());
    // Some time after the auditor has answered "stay open", the other program lets go and the
    // auditor closes again.
    QObject::connect(&answered, &QTimer::timeout, [&, w = QPointer<QWidget>(window)] {
      if (dialogs_.seen().size() < 2) return;
      answered.stop();
      QTimer::singleShot(300, [&, w] {
        locker->Commit();
        if (w) w->close();
      });
    });
    answered.start(10);
    QCoreApplication::exit(2);
  });
  locker.reset();
  EXPECT_TRUE(returned);
  ASSERT_EQ(dialogs_.seen().size(), 2u);
  EXPECT_EQ(dialogs_.seen()[1].buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(SavedParam(db_path(), "T_47"), "typed before the host quit");
  EXPECT_EQ(FormWindowCount(), 0);
}

}  // namespace

}  // namespace torva::gui_test
