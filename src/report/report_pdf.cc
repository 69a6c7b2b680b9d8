#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>

#include "audit/tfrm_main.h"
#include "report/chinese_face.h"
#include "report/report.h"
#include "report/report_layout.h"
#include "report/report_model.h"

namespace torva::report {

std::string WriteReportPdf(const audit::TfrmMain& form, const std::string& pdf_path) {
  // Fonts need a GUI application; a bare core application would abort inside Qt.
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
    return "没有图形应用程序，无法生成审计报表";
  }
  if (pdf_path.empty()) return "未指定审计报表的文件名";
  // A report of empty boxes would pass for a report; none is written.
  if (!DrawsChinese(ReportFont(10))) {
    return "没有能显示中文的字体，审计报表不能生成：" + MissingChineseFaceText(ReportFont(10));
  }
  const QString path = QString::fromStdString(pdf_path);

  // The report is written beside its final name and moved there only when complete, so that a
  // failure leaves an earlier report of the same name as it was.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    return "无法写入审计报表文件“" + pdf_path + "”：" + file.errorString().toStdString();
  }
  const ReportModel report = TodaysReportModel(form);
  {
    QPdfWriter writer(&file);
    writer.setPageLayout(ReportPageLayout());
    writer.setTitle(QString::fromStdString(report.document_title));
    writer.setCreator(QStringLiteral("TORVA"));
    if (!PaintReport(report, writer)) {
      file.cancelWriting();
      return "无法生成审计报表“" + pdf_path + "”";
    }
  }
  if (!file.commit()) {
    return "无法写入审计报表文件“" + pdf_path + "”：" + file.errorString().toStdString();
  }
  return {};
}

}  // namespace torva::report
