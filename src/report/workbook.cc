#include "report/workbook.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>

#include <xlsxwriter.h>

#include "audit/tfrm_main.h"

namespace torva::report {
namespace {

constexpr double kTitlePoints[] = {14, 14, 18};  // section heading, first title line, main title
constexpr double kSignOffRowPoints = 36;         // room to sign and stamp

const char* NumberFormatText(NumberFormat format) {
  switch (format) {
    case NumberFormat::kAmount:
      return "#,##0.00";
    case NumberFormat::kDays:
      return "0.000";
    case NumberFormat::kAsShown:
      return "General";
    case NumberFormat::kRate:
      return "0.00%";
  }
  return "General";
}

// "A1"-style name of a cell; `row` and `column` count from 0.
std::string CellName(int row, int column) {
  std::string letters;
  for (int c = column + 1; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), 'A' + (c - 1) % 26);
  return letters + std::to_string(row + 1);
}

// Formats are made once per look and shared by every cell with that look.
class Formats {
 public:
  explicit Formats(lxw_workbook* workbook) : workbook_(workbook) {}

  lxw_format* For(const Cell& cell, bool ruled, bool header) {
    const bool number = cell.number.has_value();
    const auto key = std::make_tuple(number ? static_cast<int>(cell.format) : -1, cell.bold, ruled,
                                     header, static_cast<int>(cell.align), cell.indent);
    lxw_format*& format = cells_[key];
    if (format != nullptr) return format;
    format = workbook_add_format(workbook_);
    if (number) format_set_num_format(format, NumberFormatText(cell.format));
    if (cell.bold) format_set_bold(format);
    if (ruled) format_set_border(format, LXW_BORDER_THIN);
    if (header) format_set_bg_color(format, 0xF2F2F2);
    if (cell.align == CellAlign::kCenter) format_set_align(format, LXW_ALIGN_CENTER);
    if (cell.align == CellAlign::kRight) format_set_align(format, LXW_ALIGN_RIGHT);
    if (cell.indent > 0) format_set_indent(format, static_cast<uint8_t>(cell.indent));
    format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    return format;
  }

  lxw_format* Title(int size) {
    lxw_format*& format = titles_[size];
    if (format != nullptr) return format;
    format = workbook_add_format(workbook_);
    format_set_bold(format);
    format_set_font_size(format, kTitlePoints[std::clamp(size, 0, 2)]);
    format_set_align(format, LXW_ALIGN_CENTER);
    format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    return format;
  }

 private:
  lxw_workbook* workbook_;
  std::map<std::tuple<int, bool, bool, bool, int, int>, lxw_format*> cells_;
  std::map<int, lxw_format*> titles_;
};

// Writes one cell; the first failure is kept in `error`.
// `body_row` is the first row of the cell's table below its header.
void WriteCell(lxw_worksheet* sheet, int row, int body_row, const Cell& cell, int column,
               lxw_format* format, lxw_error* error) {
  lxw_error result = LXW_NO_ERROR;
  const auto r = static_cast<lxw_row_t>(row);
  const auto c = static_cast<lxw_col_t>(column);
  // A number too large for a spreadsheet's cell stays as the text the report prints.
  const bool number = cell.number && std::isfinite(*cell.number);
  if (number && cell.derivation == Derivation::kSumAbove && row > body_row) {
    const std::string formula =
        "=SUM(" + CellName(body_row, column) + ":" + CellName(row - 1, column) + ")";
    result = worksheet_write_formula_num(sheet, r, c, formula.c_str(), format, *cell.number);
  } else if (number && cell.derivation != Derivation::kNone &&
             cell.derivation != Derivation::kSumAbove && cell.first >= 0 && cell.second >= 0) {
    const char op = cell.derivation == Derivation::kDifference ? '-' : '/';
    const std::string formula =
        "=" + CellName(row, cell.first) + op + CellName(row, cell.second);
    result = worksheet_write_formula_num(sheet, r, c, formula.c_str(), format, *cell.number);
  } else if (number) {
    result = worksheet_write_number(sheet, r, c, *cell.number, format);
  } else if (!cell.text.empty()) {
    // Always a string: a text beginning with '=' is never taken for a formula.
    result = worksheet_write_string(sheet, r, c, cell.text.c_str(), format);
  } else {
    result = worksheet_write_blank(sheet, r, c, format);
  }
  if (*error == LXW_NO_ERROR) *error = result;
}

int WriteTable(lxw_worksheet* sheet, Formats& formats, const Table& table, int row,
               lxw_error* error) {
  if (!table.header.empty()) {
    for (std::size_t c = 0; c < table.header.size(); ++c) {
      WriteCell(sheet, row, row, table.header[c], static_cast<int>(c),
                formats.For(table.header[c], table.ruled, true), error);
    }
    ++row;
  }
  const int body_row = row;
  for (const std::vector<Cell>& cells : table.rows) {
    if (table.sign_off) worksheet_set_row(sheet, static_cast<lxw_row_t>(row), kSignOffRowPoints, nullptr);
    for (std::size_t c = 0; c < cells.size(); ++c) {
      WriteCell(sheet, row, body_row, cells[c], static_cast<int>(c),
                formats.For(cells[c], table.ruled, false), error);
    }
    ++row;
  }
  return row;
}

// The spreadsheet's own number for A4 paper.
constexpr std::uint8_t kPaperA4 = 9;

void WriteSheet(lxw_workbook* workbook, Formats& formats, const Sheet& sheet, lxw_error* error) {
  lxw_worksheet* worksheet = workbook_add_worksheet(workbook, sheet.name.c_str());
  if (worksheet == nullptr) {
    if (*error == LXW_NO_ERROR) *error = LXW_ERROR_SHEETNAME_ALREADY_USED;
    return;
  }
  std::size_t columns = 1;
  for (const Block& block : sheet.blocks) columns = std::max(columns, block.table.widths.size());
  for (std::size_t c = 0; c < columns; ++c) {
    const double width = sheet.column_widths.empty()
                             ? 16
                             : sheet.column_widths[std::min(c, sheet.column_widths.size() - 1)];
    worksheet_set_column(worksheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width,
                         nullptr);
  }
  // Printed, each page's table keeps its columns together on A4 paper, as the report does.
  worksheet_set_paper(worksheet, kPaperA4);
  worksheet_fit_to_pages(worksheet, 1, 0);
  int row = 0;
  for (const Block& block : sheet.blocks) {
    if (block.kind == Block::Kind::kTitle) {
      lxw_format* format = formats.Title(block.title.size);
      const auto r = static_cast<lxw_row_t>(row);
      lxw_error result = columns > 1
                             ? worksheet_merge_range(worksheet, r, 0, r, static_cast<lxw_col_t>(columns - 1),
                                                     block.title.text.c_str(), format)
                             : worksheet_write_string(worksheet, r, 0, block.title.text.c_str(), format);
      worksheet_set_row(worksheet, r, kTitlePoints[std::clamp(block.title.size, 0, 2)] * 1.6, nullptr);
      if (*error == LXW_NO_ERROR) *error = result;
      row += 1;
    } else {
      row = WriteTable(worksheet, formats, block.table, row, error) + 1;
    }
  }
}

// A file name beside `path` that no other file has: the new workbook is written there and takes
// `path`'s place only when complete.
std::string TemporaryBeside(const std::string& path, std::string* error) {
  std::string name = path + ".XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    *error = std::strerror(errno);
    return {};
  }
  // mkstemp makes the file private; a workbook reads like any file the user makes.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  return name;
}

}  // namespace

std::string WriteWorkbook(const std::vector<Sheet>& sheets, const std::string& title,
                          const std::string& path) {
  if (path.empty()) return "未指定电子表格的文件名";
  std::string cause;
  const std::string temporary = TemporaryBeside(path, &cause);
  if (temporary.empty()) return "无法写入电子表格文件“" + path + "”：" + cause;
  lxw_workbook* workbook = workbook_new(temporary.c_str());
  if (workbook == nullptr) {
    std::remove(temporary.c_str());
    return "无法写入电子表格文件“" + path + "”";
  }
  std::string title_text = title;
  std::string creator = "TORVA";
  lxw_doc_properties properties{};
  properties.title = title_text.data();
  properties.author = creator.data();
  workbook_set_properties(workbook, &properties);
  Formats formats(workbook);
  lxw_error error = LXW_NO_ERROR;
  for (const Sheet& sheet : sheets) WriteSheet(workbook, formats, sheet, &error);
  const lxw_error closed = workbook_close(workbook);  // writes the file and frees the workbook
  if (error == LXW_NO_ERROR) error = closed;
  if (error != LXW_NO_ERROR) {
    std::remove(temporary.c_str());
    return "无法写入电子表格文件“" + path + "”：" + lxw_strerror(error);
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    cause = std::strerror(errno);
    std::remove(temporary.c_str());
    return "无法写入电子表格文件“" + path + "”：" + cause;
  }
  return {};
}

std::string WriteTextFile(const std::string& contents, const std::string& path) {
  if (path.empty()) return "未指定文件名";
  std::string cause;
  const std::string temporary = TemporaryBeside(path, &cause);
  if (temporary.empty()) return "无法写入文件“" + path + "”：" + cause;
  FILE* file = std::fopen(temporary.c_str(), "wb");
  bool written = file != nullptr &&
                 std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
  if (file != nullptr && std::fclose(file) != 0) written = false;
  if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    cause = std::strerror(errno);
    std::remove(temporary.c_str());
    return "无法写入文件“" + path + "”：" + cause;
  }
  return {};
}

std::vector<Sheet> ReportSheets(const ReportModel& report) {
  std::vector<Sheet> sheets;
  for (const Section& section : report.sections) {
    Sheet sheet;
    sheet.name = section.name;
    sheet.blocks = section.blocks;
    sheet.column_widths = {30, 18};
    sheets.push_back(std::move(sheet));
  }
  return sheets;
}

std::string WriteReportWorkbook(const audit::TfrmMain& form, const std::string& xlsx_path) {
  const ReportModel report = BuildReportModel(form, TodayText());
  return WriteWorkbook(ReportSheets(report), report.document_title, xlsx_path);
}

}  // namespace torva::report
