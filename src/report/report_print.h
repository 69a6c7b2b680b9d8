// Printing the audit report from the window: the system's print preview, from which the auditor
// prints the report or saves it as PDF.
#pragma once

class QWidget;

namespace torva::audit {
class TfrmMain;
}

namespace torva::report {

// Shows the print preview of `form`'s report as it stands, modal over `parent`, and returns when it
// closes. The preview lays the report out for the chosen printer and page settings.
void ShowPrintPreview(const audit::TfrmMain& form, QWidget* parent);

}  // namespace torva::report
