#include "host/snapshot.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QString>

#include <iostream>

#include "form/catalogue.h"
#include "gui/form_session.h"

namespace torva::host {

namespace {

// Lets queued work (FormShow, repaints) run; FormShow never waits for a person here because every
// dialog goes to standard output.
void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents(QEventLoop::AllEvents, 50);
}

}  // namespace

int RunSnapshot(const audit::FormContext& context, const std::string& dir) {
  const QString folder = QString::fromStdString(dir);
  if (!QDir().mkpath(folder)) {
    std::cerr << "torva-host: cannot create " << dir << '\n';
    return 1;
  }

  gui::FormSession session(context, &std::cout);
  gui::AuditWindow& window = session.window();
  window.show();
  Settle();
  if (session.form().ended()) {
    std::cerr << "torva-host: the form closed as it was shown; no snapshots written\n";
    return 1;
  }

  form::PageControl& pages = session.form().model().page_control();
  const int active = pages.active_index();
  int status = 0;
  for (int i = 0; i < static_cast<int>(form::PageNames().size()); ++i) {
    pages.SetActiveIndex(i);
    Settle();
    const QString file = QDir(folder).filePath(QString::fromStdString(form::PageNames()[i]) + ".png");
    if (!window.grab().save(file, "PNG")) {
      std::cerr << "torva-host: cannot write " << file.toStdString() << '\n';
      status = 1;
    }
  }
  pages.SetActiveIndex(active);
  Settle();

  window.close();
  Settle();
  if (status != 0) return status;
  return session.form().ended() ? 0 : 3;
}

}  // namespace torva::host
