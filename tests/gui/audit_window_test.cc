// The audit window over the headless form: look, binding of widgets and model, closing, dialogs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <memory>

#include "db/failure.h"
#include "form/catalogue.h"
#include "gui/audit_window.h"
#include "gui/form_session.h"
#include "gui/gui_test_support.h"
#include "gui/page_control_view.h"
#include "text/error.h"

namespace torva::gui_test {

namespace {

using gui::AuditWindow;
using gui::FormSession;

const QColor kPink(255, 221, 221);

// A form on a quiet project, shown and loaded, with its dialogs answered by the watcher.
class AuditWindowTest : public ::testing::Test {
 protected:
  explicit AuditWindowTest(const std::string& sql = kNoAutoRefreshSql,
                           QMessageBox::StandardButton answer = QMessageBox::Yes)
      : project_(sql), dialogs_(answer) {
    audit::FormContext context;
    context.db_path = project_.db_path();
    context.stage = "4";
    context.host_folder = project_.host_folder();
    session_ = std::make_unique<FormSession>(context);
    window().show();
    EXPECT_TRUE(WaitFor([this] { return window().property(gui::kFormShownProperty).toBool(); }));
  }
  ~AuditWindowTest() override {
    if (!form().ended()) form().RequestClose();
  }

  audit::TfrmMain& form() { return session_->form(); }
  AuditWindow& window() { return session_->window(); }

  template <typename W>
  W* Widget(const char* name) {
    auto* widget = qobject_cast<W*>(window().ControlWidget(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QLineEdit* Edit(const char* name) { return Widget<QLineEdit>(name); }

  // Replaces the text of an edit the way a person does: select all, then type.
  void TypeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }

  // Gives `widget` the focus as a click or Tab would, and returns whether it holds it: what a
  // person types goes to the application's focus widget, whatever that widget's inner parts are.
  bool Focus(QWidget* widget) {
    window().activateWindow();
    widget->setFocus(Qt::OtherFocusReason);
    return WaitFor([widget] { return QApplication::focusWidget() == widget; }, 2000);
  }
  // Keys pressed by a person, delivered to whichever widget has the focus.
  void PressKey(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
  void TypeKeys(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
  // A double-click at the middle of `widget`, delivered by the window to what lies under the mouse.
  void DoubleClick(QWidget* widget) {
    const QPoint at = widget->mapTo(&window(), widget->rect().center());
    QTest::mouseDClick(window().windowHandle(), Qt::LeftButton, {}, at);
  }

  TestProject project_;
  DialogWatcher dialogs_;
  std::unique_ptr<FormSession> session_;
};

// ---- the window ----

TEST_F(AuditWindowTest, WindowHasItsCaptionFixedSizeAndNoMaximiseButton) {
  EXPECT_EQ(window().windowTitle(), QString::fromUtf8("审计信息"));
  EXPECT_EQ(window().size(), QSize(734, 573));
  EXPECT_EQ(window().minimumSize(), window().maximumSize());
  const Qt::WindowFlags flags = window().windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
}

TEST_F(AuditWindowTest, WindowIsCentredOnTheScreen) {
  const QRect screen = window().screen()->availableGeometry();
  const QPoint offset = window().geometry().center() - screen.center();
  EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
}

TEST_F(AuditWindowTest, FontIsTwelvePixelsOfAChineseFont) {
  EXPECT_EQ(window().font().pixelSize(), 12);
  const QFontMetrics metrics(window().font());
  EXPECT_TRUE(metrics.inFont(QChar(0x5BA1)));  // 审
}

TEST_F(AuditWindowTest, SongFaceStandsInForAMissingSimSun) {
  const QStringList installed = QFontDatabase::families();
  if (installed.contains(QString::fromUtf8("宋体")) || installed.contains("SimSun")) {
    GTEST_SKIP() << "SimSun itself is installed";
  }
  if (!installed.contains("AR PL UMing CN")) GTEST_SKIP() << "fonts-arphic-uming is not installed";
  // Ranked ahead of the sans faces (WenQuanYi Zen Hei) that are installed too.
  EXPECT_EQ(window().font().family(), "AR PL UMing CN");
  EXPECT_EQ(QFontInfo(Edit("T_46")->font()).family(), "AR PL UMing CN");
}

TEST_F(AuditWindowTest, FourPagesInOrderWithTheCoverActive) {
  gui::PageControlView* pages = window().page_control();
  ASSERT_EQ(pages->count(), 4);
  const char* names[] = {"TS_FM", "TS_D", "TS_T", "TS_CS"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(pages->page(i)->objectName(), names[i]);
  EXPECT_EQ(pages->current_index(), 0);
  EXPECT_TRUE(Widget<QWidget>("TS_FM")->isVisible());
  EXPECT_FALSE(Widget<QWidget>("TS_D")->isVisible());
}

TEST_F(AuditWindowTest, ControlsStandAtTheirCatalogueGeometry) {
  for (const form::ControlSpec& spec : form::Catalogue()) {
    if (spec.type != form::ControlType::kEdit && spec.type != form::ControlType::kButton &&
        spec.type != form::ControlType::kCheckBox && spec.type != form::ControlType::kComboEdit &&
        spec.type != form::ControlType::kListCombo) {
      continue;
    }
    QWidget* widget = window().ControlWidget(spec.name);
    ASSERT_NE(widget, nullptr) << spec.name;
    EXPECT_EQ(widget->geometry(), QRect(spec.left, spec.top, spec.width, spec.height))
        << spec.name;
  }
  // Pages open 27 pixels down the page control, below their tabs.
  EXPECT_EQ(Widget<QWidget>("TS_FM")->mapTo(&window(), QPoint(0, 0)), QPoint(2, 27));
}

TEST_F(AuditWindowTest, CoverRowLabelsEndAtLeft261) {
  for (const form::ControlSpec& spec : form::Catalogue()) {
    if (spec.parent != "TS_FM" || spec.type != form::ControlType::kLabel) continue;
    QWidget* label = window().ControlWidget(spec.name);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->geometry().right() + 1, 261) << spec.name;
  }
}

TEST_F(AuditWindowTest, HiddenFieldsAreNeverShown) {
  for (const char* name : {"T_42", "T_43", "T_45", "Date_6", "T_18", "T_19", "T_20", "T_21",
                           "T_22", "T_24", "T_25", "T_26", "T_27", "T_28"}) {
    const std::string& page = form().model().edit(name).spec().parent;
    form().model().page_control().SetActiveIndex(page == "TS_D" ? 1 : page == "TS_T" ? 2 : 3);
    EXPECT_FALSE(Edit(name)->isVisible()) << name;
  }
}

TEST_F(AuditWindowTest, EditKindsHaveTheirLook) {
  const QColor tooltip = QApplication::palette().color(QPalette::ToolTipBase);
  QLineEdit* computed = Edit("T_48");
  EXPECT_TRUE(computed->isReadOnly());
  EXPECT_EQ(computed->palette().color(QPalette::Base), tooltip);
  QLineEdit* marked = Edit("T_52");
  EXPECT_FALSE(marked->isReadOnly());
  EXPECT_EQ(marked->palette().color(QPalette::Base), kPink);
  EXPECT_FALSE(Edit("T_50")->isReadOnly());
  EXPECT_EQ(Edit("T_29")->palette().color(QPalette::Base), tooltip);
  EXPECT_FALSE(Edit("T_29")->isReadOnly());
  EXPECT_EQ(Edit("T_46")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_EQ(Edit("D_2")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

TEST_F(AuditWindowTest, SurveyFeeTurnsPinkOnlyWhileFocused) {
  form().model().page_control().SetActiveIndex(2);
  QLineEdit* survey = Edit("T_30");
  EXPECT_TRUE(survey->isReadOnly());
  const QColor plain = survey->palette().color(QPalette::Base);
  EXPECT_NE(plain, kPink);
  EXPECT_NE(plain, QApplication::palette().color(QPalette::ToolTipBase));
  window().activateWindow();
  survey->setFocus();
  EXPECT_TRUE(WaitFor([&] { return survey->hasFocus(); }, 2000));
  EXPECT_EQ(survey->palette().color(QPalette::Base), kPink);
  Edit("T_31")->setFocus();
  EXPECT_TRUE(WaitFor([&] { return !survey->hasFocus(); }, 2000));
  EXPECT_EQ(survey->palette().color(QPalette::Base), plain);
}

TEST_F(AuditWindowTest, LabelsHaveTheirWeightAndColour) {
  const auto* header = Widget<QLabel>("Lbl_TS_D_Head1");
  EXPECT_EQ(header->text(), QString::fromUtf8("施工单位送审"));
  EXPECT_TRUE(header->font().bold());
  const auto* hint = Widget<QLabel>("Lbl_TS_T_RouteHint");
  EXPECT_EQ(hint->text(), QString::fromUtf8("(输入完毕后回车)"));
  EXPECT_EQ(hint->palette().color(QPalette::WindowText), QColor(0, 128, 0));
}

TEST_F(AuditWindowTest, SurveyTypeTakesNoTextAndCoefficientKeepsItsListSorted) {
  auto* survey_type = Widget<QComboBox>("RzCB_1");
  EXPECT_FALSE(survey_type->isEditable());
  EXPECT_EQ(survey_type->currentText(), QString::fromUtf8("通信管道"));
  auto* coefficient = Widget<QComboBox>("T_44");
  EXPECT_TRUE(coefficient->isEditable());
  form().model().coefficient().AddItem("50");
  form().model().coefficient().AddItem("100");
  QStringList shown;
  for (int i = 0; i < coefficient->count(); ++i) shown << coefficient->itemText(i);
  EXPECT_EQ(shown, QStringList({"100", "45", "50", "65"}));
}

TEST_F(AuditWindowTest, EnterInTheCoefficientLeavesTheListToTheModel) {
  form().model().page_control().SetActiveIndex(2);
  form().model().coefficient().on_key_down = nullptr;
  auto* coefficient = Widget<QComboBox>("T_44");
  ASSERT_TRUE(Focus(coefficient));
  coefficient->lineEdit()->selectAll();
  TypeKeys("77");
  PressKey(Qt::Key_Return);
  EXPECT_EQ(form().Text("T_44"), "77");
  EXPECT_EQ(coefficient->count(), 2);
  EXPECT_EQ(coefficient->findText("77"), -1);
}

TEST_F(AuditWindowTest, KeystrokesInTheCoefficientLeaveTheShownListAlone) {
  form().model().page_control().SetActiveIndex(2);
  auto* coefficient = Widget<QComboBox>("T_44");
  int list_changes = 0;
  QAbstractItemModel* items = coefficient->model();
  for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
    QObject::connect(items, signal, [&] { ++list_changes; });
  }
  QObject::connect(items, &QAbstractItemModel::modelReset, [&] { ++list_changes; });
  ASSERT_TRUE(Focus(coefficient));
  TypeKeys("4");
  PressKey(Qt::Key_Backspace);
  EXPECT_EQ(list_changes, 0);
  form().model().coefficient().AddItem("50");
  EXPECT_GT(list_changes, 0);
  EXPECT_EQ(coefficient->findText("50"), 1);
}

// Where the cursor stands on the screen, relative to the edit's left edge, once it is drawn.
int DrawnCursorX(QLineEdit* edit) {
  edit->grab();
  return edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
}

TEST_F(AuditWindowTest, FeeExpressionsShowTheirStartAfterEveryWrite) {
  form().model().page_control().SetActiveIndex(2);
  std::string long_text = "(90000+0.0397*(2422887.52-2000000))";
  while (long_text.size() < 200) long_text += "*1.0000";
  const std::string shorter = "(90000+0.0397*(2422887.52-2000000))*0.85";
  for (const char* name : {"T_SJF", "T_KCF"}) {
    QLineEdit* edit = Edit(name);
    form().SetText(name, long_text);
    EXPECT_LT(DrawnCursorX(edit), 6) << name;
    // The auditor reads the end of the expression, then a refresh writes a new one.
    ASSERT_TRUE(Focus(edit));
    PressKey(Qt::Key_End);
    EXPECT_GT(DrawnCursorX(edit), edit->width() / 2) << name;
    form().SetText(name, shorter);
    EXPECT_EQ(edit->cursorPosition(), 0) << name;
    EXPECT_LT(DrawnCursorX(edit), 6) << name;
    // A refresh started from another page writes while the expression is out of sight.
    PressKey(Qt::Key_End);
    EXPECT_GT(DrawnCursorX(edit), edit->width() / 2) << name;
    form().model().page_control().SetActiveIndex(0);
    form().SetText(name, long_text + "*2");
    form().model().page_control().SetActiveIndex(2);
    EXPECT_LT(DrawnCursorX(edit), 6) << name;
  }
}

TEST_F(AuditWindowTest, TabOrderFollowsTheCatalogue) {
  form().model().page_control().SetActiveIndex(1);
  QLineEdit* d9 = Edit("D_9");
  EXPECT_EQ(d9->nextInFocusChain(), Edit("D_12"));
  EXPECT_EQ(Edit("D_12")->nextInFocusChain(), Edit("D_10"));
  EXPECT_EQ(Widget<QPushButton>("RzButton1")->nextInFocusChain(), Widget<QPushButton>("RzButton2"));
}

// ---- binding: user edits reach the model, model texts reach the widgets ----

TEST_F(AuditWindowTest, TypingReachesTheModelAndTheComputedTotalAppears) {
  form().model().page_control().SetActiveIndex(1);
  TypeInto(Edit("D_2"), "100");
  EXPECT_EQ(form().Text("D_2"), "100");
  // The change handler recomputed the column total; the window shows what the model wrote.
  EXPECT_EQ(form().Text("D_1"), "100");
  EXPECT_EQ(Edit("D_1")->text(), "100");
  TypeInto(Edit("D_3"), "23.5");
  EXPECT_EQ(Edit("D_1")->text(), "123.5");
}

TEST_F(AuditWindowTest, EachKeystrokePasteAndDeletionIsOneChange) {
  QLineEdit* edit = Edit("T_47");
  int changes = 0;
  form().model().edit("T_47").AddObserver([&] { ++changes; });
  edit->setFocus();
  edit->end(false);
  QTest::keyClicks(edit, "ab");
  EXPECT_EQ(changes, 2);
  QGuiApplication::clipboard()->setText("xyz");
  edit->paste();
  EXPECT_EQ(changes, 3);
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(form().Text("T_47"), "审计报告abxy");
  EXPECT_EQ(edit->text(), QString::fromUtf8("审计报告abxy"));
}

TEST_F(AuditWindowTest, ModelWritesShowWithoutComingBackAsEdits) {
  int changes = 0;
  form::Edit& title = form().model().edit("T_46");
  title.on_change = [&] { ++changes; };
  form().SetText("T_46", "新标题");
  EXPECT_EQ(Edit("T_46")->text(), QString::fromUtf8("新标题"));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(title.text(), "新标题");
}

TEST_F(AuditWindowTest, EnterAndKeypadEnterReachEveryKeyDownOfTheDesignPage) {
  form().model().page_control().SetActiveIndex(2);
  std::vector<int> keys;
  for (const char* name : {"T_31", "T_SJF", "T_KCF", "T_44"}) {
    keys.clear();
    form().model().edit(name).on_key_down = [&](int key) { keys.push_back(key); };
    ASSERT_TRUE(Focus(window().ControlWidget(name))) << name;
    PressKey(Qt::Key_A);
    PressKey(Qt::Key_Return);
    PressKey(Qt::Key_Enter);
    EXPECT_EQ(keys, std::vector<int>({13, 13})) << name;
  }
}

TEST_F(AuditWindowTest, EnterPutsBackTheCoefficientThatADoubleClickRemoved) {
  form().model().page_control().SetActiveIndex(2);
  auto* coefficient = Widget<QComboBox>("T_44");
  ASSERT_TRUE(Focus(coefficient));
  coefficient->lineEdit()->selectAll();
  TypeKeys("65");
  DoubleClick(coefficient->lineEdit());
  EXPECT_EQ(form().model().coefficient().items(), std::vector<std::string>({"45"}));
  EXPECT_EQ(coefficient->count(), 1);
  ASSERT_TRUE(Focus(coefficient));
  PressKey(Qt::Key_Return);
  EXPECT_EQ(form().model().coefficient().items(), std::vector<std::string>({"45", "65"}));
  EXPECT_EQ(coefficient->findText("65"), 1);
  coefficient->lineEdit()->selectAll();
  TypeKeys("50");
  PressKey(Qt::Key_Enter);
  EXPECT_EQ(form().model().coefficient().items(), std::vector<std::string>({"45", "50", "65"}));
  EXPECT_EQ(form().Text("T_44"), "50");
}

TEST_F(AuditWindowTest, EnterInTheRouteLengthComputesTheSurveyFee) {
  form().model().page_control().SetActiveIndex(2);
  ASSERT_TRUE(Focus(Edit("T_31")));
  TypeKeys("10");
  ASSERT_TRUE(form().Text("T_30").empty());
  PressKey(Qt::Key_Return);
  EXPECT_FALSE(form().Text("T_30").empty());
  EXPECT_EQ(Edit("T_30")->text().toStdString(), form().Text("T_30"));
}

TEST_F(AuditWindowTest, PicksReachTheModel) {
  form().model().page_control().SetActiveIndex(2);
  int selects = 0;
  form().model().survey_type().on_select = [&] { ++selects; };
  auto* survey_type = Widget<QComboBox>("RzCB_1");
  survey_type->setFocus();
  QTest::keyClick(survey_type, Qt::Key_Down);
  EXPECT_EQ(selects, 1);
  EXPECT_EQ(form().model().survey_type().SelectedText(), "长途线路");

  form().model().coefficient().on_change = nullptr;
  auto* coefficient = Widget<QComboBox>("T_44");
  coefficient->setFocus();
  QTest::keyClick(coefficient, Qt::Key_Down);
  EXPECT_EQ(form().Text("T_44"), coefficient->currentText().toStdString());
  EXPECT_FALSE(form().Text("T_44").empty());
}

TEST_F(AuditWindowTest, PagesFollowTheModelAndTheUser) {
  form().model().page_control().SetActiveIndex(3);
  EXPECT_TRUE(Widget<QWidget>("TS_CS")->isVisible());
  gui::PageControlView* pages = window().page_control();
  QTest::mouseClick(pages, Qt::LeftButton, {}, pages->TabShape(1).boundingRect().center());
  EXPECT_EQ(form().model().page_control().active_page(), "TS_D");
  EXPECT_TRUE(Widget<QWidget>("TS_D")->isVisible());
  EXPECT_FALSE(Widget<QWidget>("TS_CS")->isVisible());
}

TEST_F(AuditWindowTest, CheckBoxShowsWhatTheModelDecided) {
  form().model().page_control().SetActiveIndex(2);
  auto* box = Widget<QCheckBox>("RzCB_YJ");
  form::CheckBox& model_box = form().model().check_box("RzCB_YJ");
  // A handler that refuses the change: the box ends unchecked, and so does the widget.
  model_box.on_click = [&] {
    if (model_box.checked()) model_box.SetChecked(false);
  };
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_FALSE(model_box.checked());
  EXPECT_FALSE(box->isChecked());
  model_box.on_click = nullptr;
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_TRUE(model_box.checked());
  EXPECT_TRUE(box->isChecked());
}

// ---- dialogs ----

TEST_F(AuditWindowTest, UnreadableNumberShowsTheErrorBox) {
  form().model().page_control().SetActiveIndex(1);
  TypeInto(Edit("D_2"), "-");
  ASSERT_FALSE(dialogs_.seen().empty());
  const SeenDialog& box = dialogs_.seen().front();
  EXPECT_EQ(box.title, QString::fromUtf8("错误"));
  EXPECT_EQ(box.text, QString::fromUtf8("请输入计算数字！"));
  EXPECT_EQ(box.icon, QMessageBox::NoIcon);
  EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(box.owner, &window());
  EXPECT_EQ(box.modality, Qt::WindowModal);
  EXPECT_EQ(box.button_texts, QStringList({QString::fromUtf8("确定")}));
}

TEST_F(AuditWindowTest, ErrorEscapingAHandlerIsShownAndTheFormStaysOpen) {
  // A database failure: its cause in Chinese is decided by its kind, the engine's words after it.
  form().model().edit("T_47").on_change = [] {
    throw db::DbError(db::FailureKind::kMissingColumn, "no such column: XM");
  };
  TypeInto(Edit("T_47"), "x");
  ASSERT_EQ(dialogs_.seen().size(), 1u);
  EXPECT_EQ(dialogs_.seen()[0].title, "TORVA");
  EXPECT_EQ(dialogs_.seen()[0].text, QString::fromUtf8("数据表中没有这个字段：no such column: XM."));
  EXPECT_EQ(dialogs_.seen()[0].icon, QMessageBox::Critical);
  EXPECT_FALSE(form().ended());
  EXPECT_TRUE(window().isVisible());
}

// Another program renames the parameter table while the form is open: no key can be saved, so the
// close says why once and asks, instead of a box per statement.
TEST_F(AuditWindowTest, SaveWithoutItsTableSaysWhyOnceAndAsks) {
  ExecSql(project_.db_path(), "ALTER TABLE G_GCCS RENAME TO G_GCCS_elsewhere");
  Widget<QPushButton>("RzButton1")->click();
  ASSERT_EQ(dialogs_.seen().size(), 2u);
  EXPECT_TRUE(dialogs_.seen()[0].text.contains(QString::fromUtf8("no such table: G_GCCS")))
      << dialogs_.seen()[0].text.toStdString();
  EXPECT_EQ(dialogs_.seen()[1].buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_TRUE(form().ended());
}

// Every key's statement fails alike but the save goes on key by key: each distinct database error
// is shown once, then one box says how many keys kept their old rows.
TEST_F(AuditWindowTest, SaveFailingAtEveryKeyShowsEachDistinctErrorOnceThenHowOftenItRecurred) {
  ExecSql(project_.db_path(),
          "CREATE TRIGGER refuse BEFORE INSERT ON G_GCCS BEGIN SELECT RAISE(ABORT, 'refused'); END;");
  Widget<QPushButton>("RzButton1")->click();
  ASSERT_EQ(dialogs_.seen().size(), 2u);
  EXPECT_EQ(dialogs_.seen()[0].text, QString::fromUtf8("refused"));
  EXPECT_TRUE(dialogs_.seen()[1].text.contains(QString::fromUtf8("项参数未能保存到项目数据库")))
      << dialogs_.seen()[1].text.toStdString();
  EXPECT_TRUE(form().ended());
}

class RefusedQuestionTest : public AuditWindowTest {
 protected:
  RefusedQuestionTest() : AuditWindowTest(kNoAutoRefreshSql, QMessageBox::No) {}
};

TEST_F(RefusedQuestionTest, RefusedRefreshLeavesAutomaticRefreshUnchecked) {
  auto* automatic = Widget<QCheckBox>("RzCB_Auto");
  ASSERT_FALSE(automatic->isChecked());
  QTest::mouseClick(automatic, Qt::LeftButton);
  ASSERT_EQ(dialogs_.seen().size(), 1u);
  EXPECT_EQ(dialogs_.seen()[0].title, QString::fromUtf8("提示信息"));
  EXPECT_EQ(dialogs_.seen()[0].icon, QMessageBox::Question);
  EXPECT_EQ(dialogs_.seen()[0].buttons, QMessageBox::Yes | QMessageBox::No);
  const QString buttons = dialogs_.seen()[0].button_texts.join('|');
  EXPECT_TRUE(buttons.contains(QString::fromUtf8("是")) && buttons.contains(QString::fromUtf8("否")))
      << buttons.toStdString();
  EXPECT_FALSE(form().Checked("RzCB_Auto"));
  EXPECT_FALSE(automatic->isChecked());
}

TEST(DatabaseErrorTextTest, AFileThatIsNoDatabaseIsReportedInChinese) {
  TestProject project(kNoAutoRefreshSql);
  const std::string not_a_database = (project.folder() / "notes.db").string();
  {
    std::ofstream out(not_a_database);
    out << "这不是数据库，只是一段文字，长得足以让数据库引擎读它的文件头。\n";
  }
  DialogWatcher dialogs;
  audit::FormContext context;
  context.db_path = not_a_database;
  context.host_folder = project.host_folder();
  FormSession session(context);
  session.window().show();
  ASSERT_TRUE(WaitFor([&] { return session.form().ended(); }));
  ASSERT_EQ(dialogs.seen().size(), 1u);
  EXPECT_TRUE(dialogs.seen()[0].text.startsWith(QString::fromUtf8("该文件不是数据库：file is not a database")))
      << dialogs.seen()[0].text.toStdString();
}

TEST(QtChineseTextsTest, QtSpeaksChineseOnlyWhileTheFormIsOpen) {
  const QString ok = QCoreApplication::translate("QPlatformTheme", "OK");
  {
    TestProject project(kNoAutoRefreshSql);
    audit::FormContext context;
    context.db_path = project.db_path();
    FormSession session(context);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), QString::fromUtf8("确定"));
  }
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), ok);
}

// ---- closing ----

TEST_F(AuditWindowTest, CloseButtonEndsTheFormAndHidesTheWindow) {
  Widget<QPushButton>("RzButton1")->click();
  EXPECT_TRUE(form().ended());
  EXPECT_FALSE(window().isVisible());
}

TEST_F(AuditWindowTest, CloseBoxEndsTheForm) {
  window().windowHandle()->close();
  EXPECT_TRUE(form().ended());
  EXPECT_FALSE(window().isVisible());
}

TEST_F(AuditWindowTest, ExecReturnsOnceTheFormEnds) {
  QTimer::singleShot(50, [this] { window().close(); });
  session_->Exec();
  EXPECT_TRUE(form().ended());
  EXPECT_FALSE(window().isVisible());
}

}  // namespace

}  // namespace torva::gui_test
