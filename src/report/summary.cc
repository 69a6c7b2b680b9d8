#include "report/summary.h"

#include <array>
#include <fstream>
#include <optional>

#include "report/figures.h"
#include "report/project_name.h"
#include "report/saved_fields.h"
#include "report/workbook.h"
#include "text/error.h"
#include "text/strings.h"

namespace torva::report {
namespace {

constexpr const char* kSheetName = "工程汇总";
constexpr const char* kTotalCaption = "合计";

// A fee compared across the three versions: the fields of the submitted, first-review and
// determined figures.
struct FeeColumns {
  const char* caption;
  std::array<const char*, 3> fields;
};

constexpr FeeColumns kFees[] = {
    {"施工费", {"D_1", "D_9", "T_7"}},
    {"勘察设计费", {"T_17", "T_23", "T_29"}},
};
constexpr const char* kVersions[] = {"送审", "初审", "审定"};
constexpr const char* kTotalCostField = "T_48";
constexpr const char* kTotalCostCaption = "工程总造价";

// The columns: name, then per fee its three figures, reduction and rate, then the total cost and
// the note.
constexpr int kFeeWidth = 5;
constexpr int kTotalCostColumn = 1 + kFeeWidth * 2;
constexpr int kNoteColumn = kTotalCostColumn + 1;
constexpr int kColumns = kNoteColumn + 1;

Cell TextCell(std::string text, CellAlign align = CellAlign::kLeft, bool bold = false) {
  Cell cell;
  cell.text = std::move(text);
  cell.align = align;
  cell.bold = bold;
  return cell;
}

Cell AmountCell(const Decimal& value, bool bold) {
  Cell cell = TextCell(FormatAmount(value), CellAlign::kRight, bold);
  cell.figure = true;
  cell.number = ToDouble(RoundToCents(value));
  cell.format = NumberFormat::kAmount;
  return cell;
}

Cell ReductionCell(const Decimal& value, int fee_column, bool bold) {
  Cell cell = AmountCell(value, bold);
  cell.derivation = Derivation::kDifference;
  cell.first = fee_column;
  cell.second = fee_column + 2;
  return cell;
}

std::optional<Cell> RateCell(const Decimal& reduction, const Decimal& submitted, int fee_column,
                             bool bold) {
  const std::optional<std::string> percent = FormatPercent(reduction, submitted);
  if (!percent) return std::nullopt;
  Cell cell = TextCell(*percent, CellAlign::kRight, bold);
  cell.figure = true;
  cell.number = Ratio(reduction, submitted);
  cell.format = NumberFormat::kRate;
  cell.derivation = Derivation::kQuotient;
  cell.first = fee_column + 3;
  cell.second = fee_column;
  return cell;
}

std::vector<Cell> HeaderRow() {
  std::vector<Cell> header{TextCell("工程名称", CellAlign::kCenter, true)};
  for (const FeeColumns& fee : kFees) {
    for (const char* version : kVersions) {
      header.push_back(TextCell(std::string(fee.caption) + version, CellAlign::kCenter, true));
    }
    header.push_back(TextCell(std::string(fee.caption) + "审减额", CellAlign::kCenter, true));
    header.push_back(TextCell(std::string(fee.caption) + "审减率", CellAlign::kCenter, true));
  }
  header.push_back(TextCell(kTotalCostCaption, CellAlign::kCenter, true));
  header.push_back(TextCell("说明", CellAlign::kCenter, true));
  return header;
}

// The running totals of the figure and reduction columns, exact.
struct Totals {
  std::array<Decimal, kColumns> sums{};
};

// A field's figure in its column; a text that is no number stands as it is and counts for nothing.
void PutFigure(std::vector<Cell>& row, int column, const std::string& text, Totals& totals) {
  if (const std::optional<Decimal> value = ParseFigure(text)) {
    row[static_cast<std::size_t>(column)] = AmountCell(*value, false);
    totals.sums[static_cast<std::size_t>(column)] =
        Add(totals.sums[static_cast<std::size_t>(column)], RoundToCents(*value));
  } else {
    row[static_cast<std::size_t>(column)] = TextCell(text, CellAlign::kRight);
  }
}

std::vector<Cell> ProjectRow(const std::string& project, Totals& totals) {
  std::vector<Cell> row(kColumns);
  const std::string name = ProjectName(project);
  row[0] = TextCell(name.empty() ? project : name);
  std::map<std::string, std::string, std::less<>> fields;
  try {
    fields = ReadSavedFields(project);
  } catch (const Error& e) {
    row[kNoteColumn] = TextCell(std::string("无法读取：") + e.what());
    return row;
  }
  auto field = [&fields](const char* key) {
    const auto it = fields.find(key);
    return it == fields.end() ? std::string() : it->second;
  };
  int column = 1;
  for (const FeeColumns& fee : kFees) {
    for (int v = 0; v < 3; ++v) PutFigure(row, column + v, field(fee.fields[v]), totals);
    const std::string submitted = field(fee.fields[0]);
    if (const std::optional<Decimal> reduction = Reduction(submitted, field(fee.fields[2]), 2)) {
      auto& sum = totals.sums[static_cast<std::size_t>(column + 3)];
      sum = Add(sum, *reduction);
      row[static_cast<std::size_t>(column + 3)] = ReductionCell(*reduction, column, false);
      if (auto rate = RateCell(*reduction, RoundToCents(*ParseFigure(submitted)), column, false)) {
        row[static_cast<std::size_t>(column + 4)] = std::move(*rate);
      }
    }
    column += kFeeWidth;
  }
  PutFigure(row, kTotalCostColumn, field(kTotalCostField), totals);
  return row;
}

// The total row: each figure and reduction column summed, each rate the summed reduction over the
// summed submitted figure.
std::vector<Cell> TotalRow(const Totals& totals) {
  std::vector<Cell> row(kColumns);
  row[0] = TextCell(kTotalCaption, CellAlign::kLeft, true);
  auto sum = [&](int column) {
    Cell cell = AmountCell(totals.sums[static_cast<std::size_t>(column)], true);
    cell.derivation = Derivation::kSumAbove;
    row[static_cast<std::size_t>(column)] = std::move(cell);
  };
  for (int column = 1; column < kTotalCostColumn; column += kFeeWidth) {
    for (int v = 0; v < 4; ++v) sum(column + v);
    if (auto rate = RateCell(totals.sums[static_cast<std::size_t>(column + 3)],
                             totals.sums[static_cast<std::size_t>(column)], column, true)) {
      row[static_cast<std::size_t>(column + 4)] = std::move(*rate);
    }
  }
  sum(kTotalCostColumn);
  return row;
}

// A CSV field: a figure without its grouping, a text guarded and quoted as it needs.
std::string CsvField(const Cell& cell) {
  std::string text = cell.text;
  if (cell.number) {
    std::string plain;
    for (char c : text) {
      if (c != ',') plain.push_back(c);
    }
    return plain;
  }
  if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@' ||
                        text[0] == '\t' || text[0] == '\r')) {
    text.insert(0, "'");
  }
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    quoted.push_back(c);
    if (c == '"') quoted.push_back('"');
  }
  return quoted + "\"";
}

std::string CsvLine(const std::vector<Cell>& cells) {
  std::string line;
  for (std::size_t i = 0; i < cells.size(); ++i) line += (i > 0 ? "," : "") + CsvField(cells[i]);
  return line + "\r\n";
}

bool EndsWith(const std::string& text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  for (std::size_t i = 0; i < ending.size(); ++i) {
    const char c = text[text.size() - ending.size() + i];
    if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != ending[i]) return false;
  }
  return true;
}

}  // namespace

Table BuildSummary(const std::vector<std::string>& projects, const SummaryProgress& progress) {
  Table table;
  table.header = HeaderRow();
  table.widths.assign(kColumns, 1.0 / kColumns);
  Totals totals;
  for (std::size_t i = 0; i < projects.size(); ++i) {
    table.rows.push_back(ProjectRow(projects[i], totals));
    if (progress) progress(i + 1, projects.size());
  }
  table.rows.push_back(TotalRow(totals));
  return table;
}

std::string SummaryCsv(const Table& summary) {
  std::string csv = "\xEF\xBB\xBF";
  csv += CsvLine(summary.header);
  for (const std::vector<Cell>& row : summary.rows) csv += CsvLine(row);
  return csv;
}

std::string WriteSummary(const Table& summary, const std::string& path) {
  if (EndsWith(path, ".xlsx")) {
    Sheet sheet;
    sheet.name = kSheetName;
    Block block;
    block.kind = Block::Kind::kTable;
    block.table = summary;
    sheet.blocks.push_back(std::move(block));
    sheet.column_widths = {24, 16};
    return WriteWorkbook({sheet}, kSheetName, path);
  }
  if (!EndsWith(path, ".csv")) return "汇总表的文件名须以 .xlsx 或 .csv 结尾：" + path;
  return WriteTextFile(SummaryCsv(summary), path);
}

}  // namespace torva::report
