#include "report/report_print.h"

#include <QObject>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "report/report_layout.h"
#include "report/report_model.h"

namespace torva::report {

void ShowPrintPreview(const audit::TfrmMain& form, QWidget* parent) {
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
  preview.exec();
}

}  // namespace torva::report
