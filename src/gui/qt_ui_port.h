// QtUiPort: the audit form's dialogs as Qt message boxes, modal to the form's window.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "audit/ui_port.h"

namespace torva::gui {

class QtUiPort : public audit::UiPort {
 public:
  // Interactive: real message boxes that wait for the auditor.
  QtUiPort() = default;
  // Unattended (snapshots): every dialog is written to `log` as "[CAPTION] TEXT" instead of being
  // shown, questions are answered yes (" -> yes" is added), so nothing waits for a person.
  explicit QtUiPort(std::ostream& log) : log_(&log) {}

  // The window the boxes are modal to; may be null (the boxes are then application-modal).
  void set_window(QWidget* window) { window_ = window; }
  // Called once the form's close has completed.
  void set_on_ended(std::function<void()> on_ended) { on_ended_ = std::move(on_ended); }
  // The host has ended its application (QCoreApplication::exit): from then on every event loop
  // returns as soon as it starts, so the boxes wait for their answer by dispatching events by hand.
  void set_application_ended(bool ended) { application_ended_ = ended; }

  void ShowMessage(std::string_view caption, std::string_view text,
                   audit::MessageIcon icon) override;
  bool AskYesNo(std::string_view caption, std::string_view text) override;
  void FormEnded() override;
  void FocusField(std::string_view name) override;

 private:
  QPointer<QWidget> window_;
  std::function<void()> on_ended_;
  std::ostream* log_ = nullptr;
  bool application_ended_ = false;
};

}  // namespace torva::gui
