// The report from the window: Ctrl+P, the print preview of the report; Ctrl+E, its workbook saved
// where the auditor chooses (also a button of the preview). Each runs as one user action of the
// form, so that an error in it is shown by the general error display and the form stays open.
#pragma once

#include <QString>

class QWidget;

namespace torva::audit {
class TfrmMain;
}

namespace torva::gui {

// Adds Ctrl+P and Ctrl+E to `window`, the form's window.
void AddReportShortcuts(audit::TfrmMain& frm, QWidget* window);

// The file name the save dialog proposes for the workbook: the project's name with ".xlsx", in the
// project file's folder (for a project on a server, the user's home folder).
QString ProposedWorkbookPath(const audit::TfrmMain& frm);

// Asks where to save the workbook (a dialog over `parent`) and writes it there. Throws torva::Error
// with the text to show when it cannot be written; does nothing when the auditor cancels.
void ExportWorkbookWithDialog(const audit::TfrmMain& frm, QWidget* parent);

}  // namespace torva::gui
