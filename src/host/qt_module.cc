// torva-host-qt.so: the drawing half of torva-host (snapshots and reports), loaded only when needed.
#include "host/qt_module.h"

#include <QApplication>

#include <cstdlib>
#include <memory>
#include <string>

#include "host/runtime_dir.h"
#include "host/snapshot.h"
#include "report/report.h"

namespace {

// Nothing here is shown on a screen: the pictures and the PDF come out the same with or without a
// display, and no window flashes on the auditor's screen. An explicit platform choice is respected.
void EnsureApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform == nullptr || *platform == '\0') setenv("QT_QPA_PLATFORM", "offscreen", 1);
  torva::host::UsePrivateRuntimeDirOffscreen();
  static int argc = 1;
  static char name[] = "torva-host";
  static char* argv[] = {name, nullptr};
  static auto* app = new QApplication(argc, argv);
  (void)app;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int torva_host_snapshot(
    const TorvaHostContext* c, const char* dir) {
  EnsureApplication();
  torva::audit::FormContext context;
  context.db_path = c->db_path;
  context.stage = c->stage;
  context.text3 = c->text3;
  context.text4 = c->text4;
  context.owner_amount = c->owner_amount;
  context.contractor_amount = c->contractor_amount;
  context.host_folder = c->host_folder;
  return torva::host::RunSnapshot(context, dir);
}

extern "C" __attribute__((visibility("default"))) const char* torva_host_write_report(
    const torva::audit::TfrmMain* form, const char* pdf_path) {
  EnsureApplication();
  static std::string error;
  error = torva::report::WriteReportPdf(*form, pdf_path);
  return error.c_str();
}
