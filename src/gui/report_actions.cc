#include "gui/report_actions.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>

#include <string>

#include "audit/tfrm_main.h"
#include "db/data_source.h"
#include "report/project_name.h"
#include "report/report_print.h"
#include "report/workbook.h"
#include "text/error.h"

namespace torva::gui {

QString ProposedWorkbookPath(const audit::TfrmMain& frm) {
  const std::string& db = frm.context().db_path;
  const std::string name = report::ProjectName(db);
  const QString file = QString::fromStdString(name.empty() ? "审计报告" : name) + ".xlsx";
  const QFileInfo project(QString::fromStdString(db));
  const bool on_disk = db::IsFileSource(db) && project.absoluteDir().exists();
  return QDir(on_disk ? project.absolutePath() : QDir::homePath()).filePath(file);
}

void ExportWorkbookWithDialog(const audit::TfrmMain& frm, QWidget* parent) {
  QFileDialog dialog(parent, QString::fromUtf8("导出电子表格"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QString::fromUtf8("Excel 工作簿 (*.xlsx)"));
  dialog.setDefaultSuffix(QStringLiteral("xlsx"));
  const QFileInfo proposed(ProposedWorkbookPath(frm));
  dialog.setDirectory(proposed.absolutePath());
  dialog.selectFile(proposed.fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const std::string error =
      report::WriteReportWorkbook(frm, dialog.selectedFiles().first().toStdString());
  if (!error.empty()) throw Error(error);
}

void AddReportShortcuts(audit::TfrmMain& frm, QWidget* window) {
  // From the preview the workbook is one button away; it is made over the preview, with the
  // same boundary as the key.
  const auto export_from = [&frm](QWidget* parent) {
    frm.UserAction([&] { ExportWorkbookWithDialog(frm, parent); });
  };
  auto* print = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), window);
  QObject::connect(print, &QShortcut::activated, window, [&frm, window, export_from] {
    frm.UserAction([&] { report::ShowPrintPreview(frm, window, export_from); });
  });
  auto* export_key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), window);
  QObject::connect(export_key, &QShortcut::activated, window,
                   [window, export_from] { export_from(window); });
}

}  // namespace torva::gui
