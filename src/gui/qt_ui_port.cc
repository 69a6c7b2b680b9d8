#include "gui/qt_ui_port.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QString>

#include <string>

#include "audit/tfrm_main.h"

namespace torva::gui {

namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::Icon ToQtIcon(audit::MessageIcon icon) {
  switch (icon) {
    case audit::MessageIcon::kNone:
      return QMessageBox::NoIcon;
    case audit::MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case audit::MessageIcon::kStop:
      return QMessageBox::Critical;
    case audit::MessageIcon::kQuestion:
      return QMessageBox::Question;
    case audit::MessageIcon::kInformation:
      return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

// Modal to the form's window only, so that a host's own windows stay live while a box is up; in the
// form's face, as the form's own boxes are (a window's font does not reach the windows it opens).
void MakeModalToForm(QMessageBox& box, QWidget* window) {
  box.setWindowModality(window != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
  if (window != nullptr) box.setFont(window->font());
}

// Shows `box` until it is answered and returns the standard button chosen.
QMessageBox::StandardButton Answer(QMessageBox& box, bool application_ended) {
  if (!application_ended) return static_cast<QMessageBox::StandardButton>(box.exec());
  box.show();
  while (box.isVisible()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return box.standardButton(box.clickedButton());
}

}  // namespace

void QtUiPort::ShowMessage(std::string_view caption, std::string_view text,
                           audit::MessageIcon icon) {
  if (log_ != nullptr) {
    *log_ << audit::DialogLine(caption, text) << std::endl;
    return;
  }
  QMessageBox box(ToQtIcon(icon), ToQString(caption), ToQString(text), QMessageBox::Ok, window_);
  MakeModalToForm(box, window_);
  Answer(box, application_ended_);
}

bool QtUiPort::AskYesNo(std::string_view caption, std::string_view text) {
  if (log_ != nullptr) {
    *log_ << audit::DialogLine(caption, text, true) << std::endl;
    return true;
  }
  QMessageBox box(QMessageBox::Question, ToQString(caption), ToQString(text),
                  QMessageBox::Yes | QMessageBox::No, window_);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  MakeModalToForm(box, window_);
  return Answer(box, application_ended_) == QMessageBox::Yes;
}

void QtUiPort::FocusField(std::string_view name) {
  if (window_ == nullptr || log_ != nullptr) return;
  QWidget* field = window_->findChild<QWidget*>(ToQString(name));
  auto* combo = qobject_cast<QComboBox*>(field);
  auto* edit = combo != nullptr ? combo->lineEdit() : qobject_cast<QLineEdit*>(field);
  if (edit == nullptr || !field->isVisibleTo(window_)) return;
  window_->activateWindow();
  field->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
}

void QtUiPort::FormEnded() {
  if (on_ended_) on_ended_();
}

}  // namespace torva::gui
