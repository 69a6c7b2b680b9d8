// Printing the audit report from the window: the system's print preview, from which the auditor
// prints the report or saves it as PDF.
#pragma once

#include <functional>

class QWidget;

namespace torva::audit {
class TfrmMain;
}

namespace torva::report {

// Shows the print preview of `form`'s report as it stands, modal over `parent`, and returns when it
// closes. The preview lays the report out for the chosen printer and page settings. When
// `export_workbook` is given, the preview's tool bar has a button "导出电子表格" that calls it with
// the preview as the parent of whatever it shows.
void ShowPrintPreview(const audit::TfrmMain& form, QWidget* parent,
                      const std::function<void(QWidget* preview)>& export_workbook = {});

}  // namespace torva::report
