#include "gui/form_session.h"

#include <QEventLoop>
#include <QGuiApplication>

namespace torva::gui {

FormSession::FormSession(audit::FormContext context, std::ostream* dialog_log)
    : ui_(dialog_log != nullptr ? std::make_unique<QtUiPort>(*dialog_log)
                                : std::make_unique<QtUiPort>()),
      form_(std::make_unique<audit::TfrmMain>(std::move(context), *ui_)),
      window_(std::make_unique<AuditWindow>(*form_)) {
  ui_->set_window(window_.get());
  ui_->set_on_ended([w = window_.get()] { w->OnFormEnded(); });
}

FormSession::~FormSession() {
  // The window observes the form: it goes first.
  ui_->set_on_ended(nullptr);
  ui_->set_window(nullptr);
  window_.reset();
  form_.reset();
}

void FormSession::Exec() {
  // Our window may be the last one open: its closing must end our loop, not the host's application.
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  const bool quit_on_last = app != nullptr && QGuiApplication::quitOnLastWindowClosed();
  if (app != nullptr) QGuiApplication::setQuitOnLastWindowClosed(false);

  QEventLoop loop;
  QObject::connect(window_.get(), &AuditWindow::formEnded, &loop, &QEventLoop::quit);
  window_->show();
  if (!form_->ended()) loop.exec();
  if (!form_->ended()) {
    // Only the host ending its application (QCoreApplication::exit) ends our loop early, and no
    // event loop can run after that. The form closes as by its close box all the same, so that
    // the auditor's fields are saved; its boxes still wait for an answer, and should the auditor
    // keep the form open (the save could not be made), it is served by hand until it ends.
    ui_->set_application_ended(true);
    form_->RequestClose();
    while (!form_->ended()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    ui_->set_application_ended(false);
  }
  window_->hide();

  if (app != nullptr) QGuiApplication::setQuitOnLastWindowClosed(quit_on_last);
}

}  // namespace torva::gui
