// A year's projects in one table: for each project its construction fee and its survey and design
// fee as submitted, first reviewed and determined, their reductions and rates, and its total cost;
// then a total row. Read from the saved fields alone: no form is shown, nothing is refreshed or
// written. Written as a spreadsheet (.xlsx) or as CSV for any program that reads tables.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "report/report_model.h"

namespace torva::report {

// Called after each project read: how many are done, of how many.
using SummaryProgress = std::function<void(std::size_t done, std::size_t total)>;

// The summary table of `projects` (file paths or server URIs): a header, one row per project in the
// order given (a project that cannot be read has a row naming it and saying why in the last
// column), and the total row "合计" over the projects read.
Table BuildSummary(const std::vector<std::string>& projects, const SummaryProgress& progress = {});

// Writes `summary` at `path`: an .xlsx workbook (one sheet "工程汇总", sums and reductions as
// formulas with their values) or, for any other name ending in .csv, CSV. Returns the empty text on
// success, else the error to show.
std::string WriteSummary(const Table& summary, const std::string& path);

// The CSV text of `summary`: UTF-8 with a byte-order mark (so that office spreadsheet programs read
// the Chinese right), lines ended by CR LF, a field quoted when it holds a comma, a quote or a line
// break (quotes inside doubled), numbers without grouping. A text field that a spreadsheet would
// take for a formula (beginning with =, +, -, @, a tab or a carriage return) is preceded by a single
// quote, so that a project's name never runs as a formula on the auditor's machine.
std::string SummaryCsv(const Table& summary);

}  // namespace torva::report
