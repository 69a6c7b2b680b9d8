// The audit report as data: its sections (one per page of the form), their title lines and tables,
// every cell's text already formatted for reading. Built from the form's fields as they stand; no
// figure is recomputed, except each row's reduction, which is derived from the two figures printed
// beside it. Nothing here knows how the report is drawn (report_layout.h does).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace torva::audit {
class TfrmMain;
}

namespace torva::report {

enum class CellAlign { kLeft, kCenter, kRight };

// How a cell's number reads: money (two decimals, thousands grouped), labour days (three decimals),
// a count in the field's own notation (route length), a rate (per cent, two decimals).
enum class NumberFormat { kAmount, kDays, kAsShown, kRate };

// A cell derived from others, so that a spreadsheet can hold it as a formula: the difference of
// columns `first` and `second` of its row, the quotient of `first` by `second`, or the sum of its
// column over the table's rows above it.
enum class Derivation { kNone, kDifference, kQuotient, kSumAbove };

struct Cell {
  std::string text;
  CellAlign align = CellAlign::kLeft;
  bool bold = false;
  int indent = 0;  // steps in from the side the text is aligned to
  // A figure: read on one line, set smaller rather than broken when its cell is narrow for it.
  bool figure = false;
  // The number `text` shows, when it shows one (rounded as printed); a spreadsheet stores this.
  std::optional<double> number;
  NumberFormat format = NumberFormat::kAmount;
  Derivation derivation = Derivation::kNone;
  int first = -1, second = -1;  // the columns a derived cell is computed from
};

// A table: column widths as shares of the page's width, an optional header row repeated on every
// page the table runs onto, then the body rows. Every row has one cell per column.
struct Table {
  bool ruled = true;   // cells framed; an unruled table sets its rows apart by a hairline
  bool large = false;  // the cover's rows read at a larger size
  // The sign-off: rows set well apart, with room to sign and stamp, kept together on one page.
  bool sign_off = false;
  std::vector<double> widths;
  std::vector<Cell> header;
  std::vector<std::vector<Cell>> rows;
};

// A line of title text across the page, centred, wrapped when long.
struct TitleLine {
  std::string text;
  int size = 0;  // 0 the section heading, 1 the report title's first line, 2 its main line
};

struct Block {
  enum class Kind { kTitle, kTable } kind = Kind::kTitle;
  TitleLine title;
  Table table;
};

// One section starts a new page; a section longer than a page runs onto the next.
struct Section {
  std::string name;  // the form page's caption, also the section's heading
  std::vector<Block> blocks;
};

struct ReportModel {
  std::string document_title;  // the report's title for the file's properties
  std::string project_name;    // the name the cover gives the project
  std::vector<Section> sections;
  // The footer's texts before the page number, the same on every page.
  std::vector<std::string> footer;
};

// The report of `form` as it stands. `printed_date` is the date the footer and the sign-off show
// (ChineseDate).
ReportModel BuildReportModel(const audit::TfrmMain& form, const std::string& printed_date);

// The date a report made today carries, as a Chinese document writes it: "2026年12月8日".
std::string TodayText();
std::string ChineseDate(int year, int month, int day);

// The footer's page number: "第 n 页 共 m 页".
std::string PageNumberText(int page, int pages);

}  // namespace torva::report
