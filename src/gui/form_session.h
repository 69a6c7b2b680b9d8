// FormSession: one showing of the audit form in a Qt window: the form, its window and the dialogs,
// from creation to the end of the form. OpenForm, torva-host's snapshots and the GUI tests use it.
#pragma once

#include <memory>
#include <ostream>

#include "audit/tfrm_main.h"
#include "gui/audit_window.h"
#include "gui/qt_translation.h"
#include "gui/qt_ui_port.h"

namespace torva::gui {

class FormSession {
 public:
  // Creates the form for `context` and its window, not shown yet. A QApplication must exist.
  // With `dialog_log`, dialogs are written there instead of waiting for a person (see QtUiPort).
  explicit FormSession(audit::FormContext context, std::ostream* dialog_log = nullptr);
  ~FormSession();
  FormSession(const FormSession&) = delete;
  FormSession& operator=(const FormSession&) = delete;

  audit::TfrmMain& form() { return *form_; }
  AuditWindow& window() { return *window_; }

  // Shows the window (its first show runs FormShow) and runs a local event loop on the calling
  // thread until the form has ended; the window is hidden then. Other windows of the application
  // stay live meanwhile, and closing ours does not quit the application.
  void Exec();

 private:
  QtChineseTexts qt_texts_;
  std::unique_ptr<QtUiPort> ui_;
  std::unique_ptr<audit::TfrmMain> form_;
  std::unique_ptr<AuditWindow> window_;
};

}  // namespace torva::gui
