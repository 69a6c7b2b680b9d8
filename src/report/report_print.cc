#include "report/report_print.h"

#include <QAction>
#include <QObject>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>

#include "report/report_layout.h"
#include "report/report_model.h"

namespace torva::report {

void ShowPrintPreview(const audit::TfrmMain& form, QWidget* parent,
                      const std::function<void(QWidget* preview)>& export_workbook) {
  // The figures are taken once, when the auditor asks for the report; the preview redraws them for
  // every change of printer or page settings.
  const ReportModel report = TodaysReportModel(form);
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageLayout(ReportPageLayout());
  printer.setDocName(QString::fromStdString(report.document_title));
  printer.setCreator(QStringLiteral("TORVA"));
  QPrintPreviewDialog preview(&printer, parent);
  preview.setWindowTitle(QString::fromUtf8("打印审计报表"));
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                   [&report](QPrinter* target) { PaintReport(report, *target); });
  if (export_workbook) {
    if (auto* tools = preview.findChild<QToolBar*>()) {
      tools->addSeparator();
      QAction* action = tools->addAction(QString::fromUtf8("导出电子表格"));
      action->setObjectName(QStringLiteral("exportWorkbook"));
      action->setToolTip(QString::fromUtf8("导出电子表格 (Ctrl+E)"));
      QObject::connect(action, &QAction::triggered, &preview,
                       [&preview, &export_workbook] { export_workbook(&preview); });
    }
  }
  preview.exec();
}

}  // namespace torva::report
