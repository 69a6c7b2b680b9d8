// The audit report as data: its sections (one per page of the form), their title lines and tables,
// every cell's text already formatted for reading. Built from the form's fields as they stand; no
// figure is recomputed, except each row's reduction, which is derived from the two figures printed
// beside it. Nothing here knows how the report is drawn (report_layout.h does).
#pragma once

#include <string>
#include <vector>

namespace torva::audit {
class TfrmMain;
}

namespace torva::report {

enum class CellAlign { kLeft, kCenter, kRight };

struct Cell {
  std::string text;
  CellAlign align = CellAlign::kLeft;
  bool bold = false;
  int indent = 0;  // steps in from the side the text is aligned to
  // A figure: read on one line, set smaller rather than broken when its cell is narrow for it.
  bool figure = false;
};

// A table: column widths as shares of the page's width, an optional header row repeated on every
// page the table runs onto, then the body rows. Every row has one cell per column.
struct Table {
  bool ruled = true;   // cells framed; an unruled table sets its rows apart by a hairline
  bool large = false;  // the cover's rows read at a larger size
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
  std::vector<Section> sections;
  // The footer's texts before the page number, the same on every page.
  std::vector<std::string> footer;
};

// The report of `form` as it stands. `printed_date` is the date the footer shows.
ReportModel BuildReportModel(const audit::TfrmMain& form, const std::string& printed_date);

// The footer's page number: "第 n 页 共 m 页".
std::string PageNumberText(int page, int pages);

}  // namespace torva::report
