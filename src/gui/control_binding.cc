#include "gui/control_binding.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QSignalBlocker>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

namespace torva::gui {

namespace {

QString ToQ(const std::string& text) { return QString::fromStdString(text); }

// A text the program writes shows from its start, as an edit box shows it when its text is set.
void ShowText(QLineEdit* widget, const std::string& text) {
  widget->setText(ToQ(text));
  widget->setCursorPosition(0);
}

QStringList ToQ(const std::vector<std::string>& items) {
  QStringList list;
  list.reserve(static_cast<qsizetype>(items.size()));
  for (const std::string& item : items) list << ToQ(item);
  return list;
}

class KeyAndDoubleClickForwarder : public QObject {
 public:
  KeyAndDoubleClickForwarder(audit::TfrmMain& frm, form::Control& control, QObject* parent)
      : QObject(parent), frm_(frm), control_(control) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
          !control_.spec().on_key_down.empty()) {
        frm_.UserAction([this] { control_.KeyDown(form::kKeyEnter); });
        return true;
      }
    } else if (event->type() == QEvent::MouseButtonDblClick &&
               !control_.spec().on_dbl_click.empty()) {
      frm_.UserAction([this] { control_.DblClick(); });
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  audit::TfrmMain& frm_;
  form::Control& control_;
};

// Enter or keypad Enter on a focused button presses it, as Windows does; Space still does too.
class EnterPresses : public QObject {
 public:
  explicit EnterPresses(QPushButton* button) : QObject(button) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
      if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!key->isAutoRepeat()) static_cast<QPushButton*>(watched)->click();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

class FocusTint : public QObject {
 public:
  FocusTint(QLineEdit* widget, const QColor& tint)
      : QObject(widget), plain_(widget->palette().color(QPalette::Base)), tint_(tint) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
      auto* edit = static_cast<QLineEdit*>(watched);
      QPalette palette = edit->palette();
      palette.setColor(QPalette::Base, event->type() == QEvent::FocusIn ? tint_ : plain_);
      edit->setPalette(palette);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QColor plain_;
  QColor tint_;
};

}  // namespace

void BindEdit(audit::TfrmMain& frm, form::Edit& edit, QLineEdit* widget) {
  widget->setText(ToQ(edit.text()));
  // setText never emits textEdited, so what the model writes is not echoed back as a user edit;
  // comparing first keeps the cursor where it is when the model stored what was typed.
  widget->setCursorPosition(0);
  edit.AddObserver([&edit, w = QPointer<QLineEdit>(widget)] {
    if (w && w->text() != ToQ(edit.text())) ShowText(w, edit.text());
  });
  QObject::connect(widget, &QLineEdit::textEdited, widget, [&frm, &edit](const QString& text) {
    frm.UserAction([&] { edit.SetText(text.toStdString()); });
  });
}

void BindComboEdit(audit::TfrmMain& frm, form::ComboEdit& combo, QComboBox* widget) {
  widget->setEditable(true);
  // The list is the model's: Qt must neither add typed texts to it nor complete them.
  widget->setInsertPolicy(QComboBox::NoInsert);
  widget->setCompleter(nullptr);
  // The list is sent to the widget only when it changed: with a long list, comparing or refilling
  // it at every keystroke in the typed text would cost more than the keystroke's whole cascade.
  auto show_model = [&combo, w = QPointer<QComboBox>(widget),
                     shown = std::make_shared<std::optional<std::uint64_t>>()] {
    if (!w) return;
    const QSignalBlocker blocker(w);
    if (*shown != combo.items_revision()) {
      w->clear();
      w->addItems(ToQ(combo.items()));
      *shown = combo.items_revision();
    }
    // Filling the list selects its first item, which replaces the typed text: restore it.
    if (w->currentText() != ToQ(combo.text())) ShowText(w->lineEdit(), combo.text());
  };
  show_model();
  combo.AddObserver(show_model);
  QObject::connect(widget->lineEdit(), &QLineEdit::textEdited, widget,
                   [&frm, &combo](const QString& text) {
                     frm.UserAction([&] { combo.SetText(text.toStdString()); });
                   });
  QObject::connect(widget, &QComboBox::activated, widget, [&frm, &combo](int index) {
    frm.UserAction([&] { combo.UserPick(index); });
  });
}

void BindListCombo(audit::TfrmMain& frm, form::ListCombo& list, QComboBox* widget) {
  widget->setEditable(false);
  widget->addItems(ToQ(list.items()));
  auto show_model = [&list, w = QPointer<QComboBox>(widget)] {
    if (!w) return;
    const QSignalBlocker blocker(w);
    w->setCurrentIndex(list.item_index());
  };
  show_model();
  list.AddObserver(show_model);
  QObject::connect(widget, &QComboBox::activated, widget, [&frm, &list](int index) {
    frm.UserAction([&] { list.UserSelect(index); });
  });
}

void BindCheckBox(audit::TfrmMain& frm, form::CheckBox& box, ModelCheckBox* widget) {
  auto show_model = [&box, w = QPointer<ModelCheckBox>(widget)] {
    if (w && w->isChecked() != box.checked()) w->setChecked(box.checked());
  };
  show_model();
  box.AddObserver(show_model);
  QObject::connect(widget, &QAbstractButton::clicked, widget, [&frm, &box, show_model] {
    frm.UserAction([&] { box.Click(); });
    // A handler may have refused the change; the widget shows where the model ended.
    show_model();
  });
}

void BindButton(audit::TfrmMain& frm, form::Button& button, QPushButton* widget) {
  QObject::connect(widget, &QPushButton::clicked, widget, [&frm, &button] {
    frm.UserAction([&] { button.Click(); });
  });
  widget->installEventFilter(new EnterPresses(widget));
}

void BindPageControl(audit::TfrmMain& frm, form::PageControl& pages, PageControlView* widget) {
  widget->SetCurrentIndex(pages.active_index());
  pages.AddObserver([&pages, w = QPointer<PageControlView>(widget)] {
    if (w) w->SetCurrentIndex(pages.active_index());
  });
  QObject::connect(widget, &PageControlView::currentChanged, widget, [&frm, &pages](int index) {
    frm.UserAction([&] { pages.SetActiveIndex(index); });
  });
}

void ForwardKeyAndDoubleClick(audit::TfrmMain& frm, form::Control& control, QWidget* widget) {
  if (control.spec().on_key_down.empty() && control.spec().on_dbl_click.empty()) return;
  widget->installEventFilter(new KeyAndDoubleClickForwarder(frm, control, widget));
  // An editable combo box keeps the focus itself and hands keys to its line edit by calling the
  // line edit's event() directly, past any filter there; but the mouse lands on the line edit.
  if (auto* combo = qobject_cast<QComboBox*>(widget); combo != nullptr && combo->lineEdit()) {
    combo->lineEdit()->installEventFilter(new KeyAndDoubleClickForwarder(frm, control, combo));
  }
}

void TintWhileFocused(QLineEdit* widget, const QColor& tint) {
  widget->installEventFilter(new FocusTint(widget, tint));
}

}  // namespace torva::gui
