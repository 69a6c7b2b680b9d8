// The keyboard of a Windows auditor and the form's messages: Enter presses a focused button, the
// page keys turn the pages, a close stopped by a field takes the focus to it, message boxes are set
// in the form's face, the fee expressions show whole as tooltips, Ctrl+E saves the workbook. Keys go
// to whichever widget has the focus, as a person's do.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "gui/gui_test_support.h"
#include "gui/page_control_view.h"

namespace torva::gui_test {
namespace {

class KeyboardTest : public ::testing::Test {
 protected:
  KeyboardTest() : session_(ShowForm(project_)) {}
  ~KeyboardTest() override {
    if (!form().ended()) form().RequestClose();
  }

  audit::TfrmMain& form() { return session_->form(); }
  gui::AuditWindow& window() { return session_->window(); }
  QWidget* Widget(const char* name) { return window().ControlWidget(name); }

  bool Focus(QWidget* widget) {
    window().activateWindow();
    widget->setFocus(Qt::OtherFocusReason);
    return WaitFor([widget] { return QApplication::focusWidget() == widget; }, 2000);
  }
  void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target != nullptr ? target : &window(), static_cast<Qt::Key>(key), modifiers);
  }
  int Page() { return form().model().page_control().active_index(); }
  void SetByUser(const char* name, const std::string& text) {
    form().UserAction([&] { form().SetText(name, text); });
  }

  TestProject project_{kNoAutoRefreshSql};
  DialogWatcher dialogs_;
  std::unique_ptr<gui::FormSession> session_;
};

TEST_F(KeyboardTest, EnterOnAFocusedButtonPressesIt) {
  ASSERT_TRUE(Focus(Widget("RzButton1")));
  Press(Qt::Key_Return);
  EXPECT_TRUE(WaitFor([this] { return form().ended(); }));
}

TEST_F(KeyboardTest, KeypadEnterOnAFocusedButtonPressesItToo) {
  ASSERT_TRUE(Focus(Widget("RzButton1")));
  Press(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(WaitFor([this] { return form().ended(); }));
}

TEST_F(KeyboardTest, PageKeysTurnThePagesFromAField) {
  ASSERT_TRUE(Focus(Widget("T_50")));
  Press(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Page(), 1);
  Press(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(Page(), 2);
  Press(Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(Page(), 1);
  // Shift+Tab arrives as Backtab from X11, as Tab with Shift from other platforms.
  Press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Page(), 0);
  Press(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Page(), 3);
  Press(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(Page(), 0);
  EXPECT_EQ(window().page_control()->current_index(), 0);
}

TEST_F(KeyboardTest, PageKeysTurnThePagesFromTheCoefficientCombo) {
  form().model().page_control().SetActiveIndex(2);
  ASSERT_TRUE(Focus(Widget("T_44")));
  Press(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(Page(), 3);
}

TEST_F(KeyboardTest, ACloseStoppedByAFieldTakesTheFocusToItWithItsTextSelected) {
  SetByUser("TC_4", "-");
  ASSERT_TRUE(Focus(Widget("RzButton1")));
  Press(Qt::Key_Return);
  auto* field = qobject_cast<QLineEdit*>(Widget("TC_4"));
  ASSERT_NE(field, nullptr);
  EXPECT_TRUE(WaitFor([field] { return QApplication::focusWidget() == field; }));
  EXPECT_FALSE(form().ended());
  EXPECT_EQ(Page(), 3);
  EXPECT_TRUE(field->isVisible());
  EXPECT_EQ(field->selectedText(), QStringLiteral("-"));
  ASSERT_FALSE(dialogs_.seen().empty());
  EXPECT_EQ(dialogs_.seen().back().text, QStringLiteral("'-' is not a valid floating point value."));
}

TEST_F(KeyboardTest, ACloseStoppedByTheCoefficientSelectsItsTypedText) {
  form().UserAction([&] { form().model().coefficient().SetText("1.2.3"); });
  form().RequestClose();
  auto* combo = qobject_cast<QComboBox*>(Widget("T_44"));
  ASSERT_NE(combo, nullptr);
  EXPECT_TRUE(WaitFor([combo] { return QApplication::focusWidget() == combo; }));
  EXPECT_EQ(Page(), 2);
  EXPECT_EQ(combo->lineEdit()->selectedText(), QStringLiteral("1.2.3"));
}

TEST_F(KeyboardTest, MessageBoxesAreSetInTheFormsFace) {
  SetByUser("D_2", "1.2.3");  // "请输入计算数字！"
  ASSERT_TRUE(WaitFor([this] { return !dialogs_.seen().empty(); }));
  const QFont& font = dialogs_.seen().front().font;
  EXPECT_EQ(font.family(), window().font().family());
  EXPECT_EQ(font.pixelSize(), 12);
}

TEST_F(KeyboardTest, FeeExpressionsShowTheirWholeTextAsTooltip) {
  const std::string expression = "(90000+0.0397*(2422887.52-2000000))*0.85+(1234.5678*0.8)";
  form().model().page_control().SetActiveIndex(2);
  SetByUser("T_SJF", expression);
  EXPECT_EQ(Widget("T_SJF")->toolTip().toStdString(), expression);
  auto* survey = qobject_cast<QLineEdit*>(Widget("T_KCF"));
  ASSERT_TRUE(Focus(survey));
  QTest::keyClicks(survey, "12*3");
  EXPECT_EQ(survey->toolTip(), QStringLiteral("12*3"));
  QTest::keyClick(survey, Qt::Key_Backspace);
  EXPECT_EQ(survey->toolTip(), QStringLiteral("12*"));
}

TEST_F(KeyboardTest, CtrlESavesTheWorkbookWhereTheAuditorChooses) {
  const QString chosen = QString::fromStdString((project_.folder() / "审定.xlsx").string());
  FileDialogAnswer answer(chosen);
  ASSERT_TRUE(Focus(Widget("T_50")));
  Press(Qt::Key_E, Qt::ControlModifier);
  ASSERT_TRUE(WaitFor([&] { return answer.answered(); }));
  EXPECT_EQ(answer.proposed().toStdString(), (project_.folder() / "project.xlsx").string());
  EXPECT_EQ(answer.owner(), &window());
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(chosen.toStdString()); }));
  EXPECT_EQ(ReadFile(chosen.toStdString()).substr(0, 2), "PK");  // a zip, as .xlsx files are
  EXPECT_TRUE(dialogs_.seen().empty());
}

TEST_F(KeyboardTest, AWorkbookThatCannotBeWrittenIsShownAndTheFormStaysOpen) {
  // A folder that is not there: the dialog takes the name, the file cannot be made.
  FileDialogAnswer answer(QString::fromStdString((project_.folder() / "gone/x.xlsx").string()));
  ASSERT_TRUE(Focus(Widget("T_50")));
  Press(Qt::Key_E, Qt::ControlModifier);
  ASSERT_TRUE(WaitFor([this] { return !dialogs_.seen().empty(); }));
  EXPECT_EQ(dialogs_.seen().front().title, QStringLiteral("TORVA"));
  EXPECT_TRUE(dialogs_.seen().front().text.startsWith(QString::fromUtf8("无法写入电子表格文件")))
      << dialogs_.seen().front().text.toStdString();
  EXPECT_FALSE(form().ended());
}

TEST_F(KeyboardTest, ACancelledSaveWritesNothing) {
  FileDialogAnswer answer{QString()};
  ASSERT_TRUE(Focus(Widget("T_50")));
  Press(Qt::Key_E, Qt::ControlModifier);
  ASSERT_TRUE(WaitFor([&] { return answer.answered(); }));
  QTest::qWait(50);
  EXPECT_FALSE(std::filesystem::exists(project_.folder() / "project.xlsx"));
  EXPECT_TRUE(dialogs_.seen().empty());
}

}  // namespace
}  // namespace torva::gui_test
