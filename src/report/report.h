// The audit report: the form's figures as they stand, laid out on A4 pages for printing or as PDF.
#pragma once

#include <string>

namespace torva::audit {
class TfrmMain;
}

namespace torva::report {

// Writes the report of `form` as it stands (its fields' texts, nothing recomputed) to the PDF file
// `pdf_path`, replacing it. Returns the empty text on success, else the text of the error to show.
// Needs a Qt GUI application object (QGuiApplication or QApplication) on the calling thread.
std::string WriteReportPdf(const audit::TfrmMain& form, const std::string& pdf_path);

}  // namespace torva::report
