// Ctrl+P in the audit window: the print preview of the report opens over the window, with the
// report's pages, and the window's own layout stays as it was.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>

#include "gui/audit_window.h"
#include "gui/form_session.h"
#include "gui/gui_test_support.h"

namespace torva::gui_test {
namespace {

class PrintShortcutTest : public ::testing::Test {
 protected:
  PrintShortcutTest() : session_(ShowForm(project_)) {}
  ~PrintShortcutTest() override {
    if (!session_->form().ended()) session_->form().RequestClose();
  }

  // Puts the focus in a field of the cover, where the auditor's keys go.
  bool FocusAField() {
    auto* edit = qobject_cast<QLineEdit*>(session_->window().ControlWidget("T_50"));
    if (edit == nullptr) return false;
    session_->window().activateWindow();
    edit->setFocus();
    return WaitFor([edit] { return QApplication::focusWidget() == edit; });
  }

  TestProject project_{kNoAutoRefreshSql};
  DialogWatcher dialogs_;
  std::unique_ptr<gui::FormSession> session_;
};

TEST_F(PrintShortcutTest, CtrlPOpensThePreviewOfTheReport) {
  ASSERT_TRUE(FocusAField());
  const QSize window_size = session_->window().size();

  bool seen = false;
  int pages = 0;
  QWidget* owner = nullptr;
  // The preview is modal: look at it from inside its own event loop, then close it.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* preview = qobject_cast<QPrintPreviewDialog*>(widget);
      if (preview == nullptr || !preview->isVisible()) continue;
      auto* view = preview->findChild<QPrintPreviewWidget*>();
      if (view == nullptr || view->pageCount() == 0) continue;
      seen = true;
      pages = view->pageCount();
      owner = preview->parentWidget();
      preview->reject();
    }
  });
  poll.start(20);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
  ASSERT_TRUE(WaitFor([&] { return seen; }));
  poll.stop();

  EXPECT_EQ(pages, 4);
  EXPECT_EQ(owner, &session_->window());
  EXPECT_EQ(session_->window().size(), window_size);
  EXPECT_FALSE(session_->form().ended());
}

TEST_F(PrintShortcutTest, ThePreviewHasAButtonThatSavesTheWorkbook) {
  ASSERT_TRUE(FocusAField());
  const QString chosen = QString::fromStdString((project_.folder() / "preview.xlsx").string());
  FileDialogAnswer answer(chosen);
  bool pressed = false;
  QWidget* preview_seen = nullptr;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (pressed) return;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* preview = qobject_cast<QPrintPreviewDialog*>(widget);
      if (preview == nullptr || !preview->isVisible()) continue;
      auto* action = preview->findChild<QAction*>("exportWorkbook");
      if (action == nullptr) continue;
      pressed = true;
      preview_seen = preview;
      action->trigger();  // the save dialog, answered by `answer`, runs inside
      preview->reject();
    }
  });
  poll.start(20);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
  ASSERT_TRUE(WaitFor([&] { return pressed; }));
  poll.stop();
  EXPECT_TRUE(answer.answered());
  EXPECT_EQ(answer.owner(), preview_seen);
  EXPECT_TRUE(std::filesystem::exists(chosen.toStdString()));
  EXPECT_FALSE(session_->form().ended());
}

}  // namespace
}  // namespace torva::gui_test
