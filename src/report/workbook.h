// The audit report as a spreadsheet (.xlsx), as offices exchange determinations: one sheet per page
// of the form, named as the page; figures as numbers in the formats they print in, texts that are
// no number as texts, each reduction and rate as a formula with its value stored (a reader that does
// not calculate still sees it), the sign-off on the last sheet. No Qt: the host writes it headless.
#pragma once

#include <string>
#include <vector>

#include "report/report_model.h"

namespace torva::audit {
class TfrmMain;
}

namespace torva::report {

// A sheet of a workbook: its name and its blocks (title lines and tables), written top to bottom.
struct Sheet {
  std::string name;
  std::vector<Block> blocks;
  // Widths of the first columns, in characters; the rest take the last.
  std::vector<double> column_widths;
};

// Writes `sheets` as an .xlsx workbook at `path`, replacing it only once the new one is complete.
// `title` becomes the workbook's title. Returns the empty text on success, else the error to show.
std::string WriteWorkbook(const std::vector<Sheet>& sheets, const std::string& title,
                          const std::string& path);

// Writes `contents` at `path`, replacing it only once the new file is complete. Returns the empty
// text on success, else the error to show.
std::string WriteTextFile(const std::string& contents, const std::string& path);

// The report of `form` as it stands, dated today, as a workbook at `xlsx_path`. Returns the empty
// text on success, else the error to show.
std::string WriteReportWorkbook(const audit::TfrmMain& form, const std::string& xlsx_path);

// The sheets of `report`: one per section.
std::vector<Sheet> ReportSheets(const ReportModel& report);

}  // namespace torva::report
