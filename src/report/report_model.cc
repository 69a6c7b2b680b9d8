#include "report/report_model.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

#include "audit/tfrm_main.h"
#include "db/data_source.h"
#include "form/catalogue.h"
#include "report/figures.h"
#include "report/project_name.h"
#include "text/strings.h"

namespace torva::report {
namespace {

// What a row of figures holds: money (two decimals, thousands grouped), labour days (three decimals,
// as the form saves them), or a count the reader knows in the field's own notation (route length).
enum class Figure { kAmount, kDays, kAsShown };

// The caption-less reduction and rate columns that every audit report carries beside the columns.
constexpr const char* kItemHeader = "项目";
constexpr const char* kReductionHeader = "审减额";
constexpr const char* kRateHeader = "审减率";
constexpr const char* kPageNumberFormat = "第 %d 页 共 %d 页";
constexpr const char* kDefaultTitle = "审计报告";
constexpr const char* kProjectNameCaption = "工程名称：";
constexpr const char* kReportNumberCaption = "报告编号：";
constexpr const char* kSignOffCaptions[] = {"审计人员：", "复核人：", "审计单位（盖章）", "报告日期："};

std::string Trimmed(std::string_view text) { return std::string(text::TrimBlanks(text)); }

std::string CaptionOf(const form::ControlSpec* label) {
  return label != nullptr ? label->caption : std::string();
}

// The caption the form shows beside field `field` ("" when there is none).
std::string FieldCaption(const std::string& field) { return CaptionOf(form::RowCaptionOf(field)); }

Cell TextCell(std::string text, CellAlign align, bool bold = false, int indent = 0) {
  Cell cell;
  cell.text = std::move(text);
  cell.align = align;
  cell.bold = bold;
  cell.indent = indent;
  return cell;
}

Cell Caption(std::string text, bool bold = false, int indent = 0) {
  return TextCell(std::move(text), CellAlign::kLeft, bold, indent);
}

Cell Header(std::string text) { return TextCell(std::move(text), CellAlign::kCenter, true); }

Cell Blank() { return Cell{}; }

Cell EmptyFigure(bool bold = false) {
  Cell cell = TextCell("", CellAlign::kRight, bold);
  cell.figure = true;
  return cell;
}

NumberFormat FormatOf(Figure kind) {
  switch (kind) {
    case Figure::kAmount:
      return NumberFormat::kAmount;
    case Figure::kDays:
      return NumberFormat::kDays;
    case Figure::kAsShown:
      return NumberFormat::kAsShown;
  }
  return NumberFormat::kAsShown;
}

int DecimalsOf(Figure kind) {
  switch (kind) {
    case Figure::kAmount:
      return 2;
    case Figure::kDays:
      return 3;
    case Figure::kAsShown:
      return -1;
  }
  return -1;
}

// A figure as it is printed: amounts to the cent, labour days to three decimals, counts exactly.
Decimal AsPrinted(const Decimal& value, Figure kind) {
  const int decimals = DecimalsOf(kind);
  return decimals < 0 ? value : RoundTo(value, decimals);
}

std::string FormatFigure(const Decimal& value, Figure kind) {
  switch (kind) {
    case Figure::kAmount:
      return FormatAmount(value);
    case Figure::kDays:
      return FormatDays(value);
    case Figure::kAsShown:
      return FormatPlain(value);
  }
  return FormatPlain(value);
}

// A field's figure as the reader sees it; a text that is no number stands as it is.
Cell FigureCell(const std::string& text, Figure kind, bool bold = false) {
  Cell cell = EmptyFigure(bold);
  cell.text = text;
  cell.format = FormatOf(kind);
  if (const std::optional<Decimal> value = ParseFigure(text)) {
    const Decimal printed = AsPrinted(*value, kind);
    cell.text = FormatFigure(printed, kind);
    cell.number = ToDouble(printed);
  }
  return cell;
}

// The reduction (submitted less determined) and its rate, from the figures as they are printed
// (see Reduction). The cells know the columns they come from (`first`, `last`, and the reduction's
// own, `reduction`), so that a spreadsheet holds them as formulas.
std::pair<Cell, Cell> ReductionCells(const std::string& submitted, const std::string& determined,
                                     Figure kind, int first, int last, int reduction) {
  std::pair<Cell, Cell> cells{EmptyFigure(), EmptyFigure()};
  const std::optional<Decimal> difference = Reduction(submitted, determined, DecimalsOf(kind));
  if (!difference) return cells;
  Cell& amount = cells.first;
  amount.text = FormatFigure(*difference, kind);
  amount.number = ToDouble(*difference);
  amount.format = FormatOf(kind);
  amount.derivation = Derivation::kDifference;
  amount.first = first;
  amount.second = last;
  const Decimal printed_from = AsPrinted(*ParseFigure(submitted), kind);
  if (const std::optional<std::string> percent = FormatPercent(*difference, printed_from)) {
    Cell& rate = cells.second;
    rate.text = *percent;
    rate.number = Ratio(*difference, printed_from);
    rate.format = NumberFormat::kRate;
    rate.derivation = Derivation::kQuotient;
    rate.first = reduction;
    rate.second = first;
  }
  return cells;
}

// One row of a page with columns: its fields from left to right ("" where the column has no field),
// which two of them the reduction compares, and how its figures read.
struct ColumnRow {
  std::vector<std::string> fields;
  Figure kind = Figure::kAmount;
  bool bold = false;
  bool headed = false;  // the form shows a heading in front of the row ("其中：")
  int indent = 0;
  // A row of its own for the heading of this field's row ("施工工日"), when `fields` is empty.
  std::string heading_of;
};

// The row caption: the distinct captions of its columns, in column order, joined as the form reads
// them ("施工费(元)／应付施工费(元)"), after the heading that introduces the row when it is part of it.
std::string RowCaption(const ColumnRow& row) {
  std::vector<std::string> captions;
  std::string heading;
  for (const std::string& field : row.fields) {
    if (field.empty()) continue;
    if (row.headed && heading.empty()) heading = CaptionOf(form::RowHeadingOf(field));
    const std::string caption = FieldCaption(field);
    if (!caption.empty() && std::find(captions.begin(), captions.end(), caption) == captions.end()) {
      captions.push_back(caption);
    }
  }
  std::string joined = heading;
  for (std::size_t i = 0; i < captions.size(); ++i) joined += (i > 0 ? "／" : "") + captions[i];
  return joined;
}

// A heading row ("施工工日") in a table of `columns` columns.
std::vector<Cell> HeadingRow(const std::string& text, std::size_t columns) {
  std::vector<Cell> cells{Caption(text)};
  cells.resize(columns);
  return cells;
}

// A table of a page with columns: 项目, one column per column header of the page, then 审减额 and
// 审减率 comparing the first column with the last.
Table ColumnTable(const audit::TfrmMain& form, const std::string& page,
                  const std::vector<ColumnRow>& rows) {
  std::vector<std::string> headings;
  for (const form::ControlSpec* header : form::ColumnHeaders(page)) headings.push_back(header->caption);
  Table table;
  const double item_share = headings.size() == 3 ? 0.21 : 0.25;
  const double rate_share = 0.09;
  const double figure_share = (1.0 - item_share - rate_share) / static_cast<double>(headings.size() + 1);
  table.widths.push_back(item_share);
  table.header.push_back(Header(kItemHeader));
  for (const std::string& heading : headings) {
    table.widths.push_back(figure_share);
    table.header.push_back(Header(heading));
  }
  table.widths.push_back(figure_share);
  table.header.push_back(Header(kReductionHeader));
  table.widths.push_back(rate_share);
  table.header.push_back(Header(kRateHeader));
  const int first_column = 1;
  const int last_column = static_cast<int>(headings.size());
  const int reduction_column = last_column + 1;

  for (const ColumnRow& row : rows) {
    std::vector<Cell> cells;
    if (row.fields.empty()) {
      table.rows.push_back(
          HeadingRow(CaptionOf(form::RowHeadingOf(row.heading_of)), table.widths.size()));
      continue;
    }
    cells.push_back(Caption(RowCaption(row), row.bold, row.indent));
    for (const std::string& field : row.fields) {
      cells.push_back(field.empty() ? Blank() : FigureCell(form.Text(field), row.kind, row.bold));
    }
    const std::string& first = row.fields.front();
    const std::string& last = row.fields.back();
    if (!first.empty() && !last.empty()) {
      auto [reduction, rate] = ReductionCells(form.Text(first), form.Text(last), row.kind,
                                              first_column, last_column, reduction_column);
      reduction.bold = rate.bold = row.bold;
      cells.push_back(std::move(reduction));
      cells.push_back(std::move(rate));
    } else {
      cells.push_back(Blank());
      cells.push_back(Blank());
    }
    table.rows.push_back(std::move(cells));
  }
  return table;
}

Block TitleBlock(std::string text, int size) {
  Block block;
  block.kind = Block::Kind::kTitle;
  block.title = TitleLine{std::move(text), size};
  return block;
}

Block TableBlock(Table table) {
  Block block;
  block.kind = Block::Kind::kTable;
  block.table = std::move(table);
  return block;
}

// A section named as its page, headed by the page's caption.
Section StartSection(const std::string& page, bool with_heading = true) {
  Section section;
  section.name = CaptionOf(form::FindSpec(page));
  if (with_heading) section.blocks.push_back(TitleBlock(section.name, 0));
  return section;
}

// The cover: headed by the report's title, then the project's name and a number to fill in by hand,
// then each amount under its caption. The form sets the parts of a total in narrower fields than the
// totals; the report indents them one step for the same reason.
Section CoverSection(const audit::TfrmMain& form, const std::string& project_name) {
  static const char* const kRows[] = {"T_48", "T_49", "T_50", "T_51", "T_52",
                                      "T_53", "T_54", "T_55", "T_56", "T_57"};
  Section section = StartSection("TS_FM", /*with_heading=*/false);
  const std::string first = Trimmed(form.Text("T_46"));
  const std::string main = Trimmed(form.Text("T_47"));
  if (!first.empty()) section.blocks.push_back(TitleBlock(first, 1));
  section.blocks.push_back(TitleBlock(main.empty() ? kDefaultTitle : main, 2));

  Table project;
  project.ruled = false;
  project.large = true;
  project.widths = {0.25, 0.75};
  project.rows.push_back({Caption(kProjectNameCaption), Caption(project_name)});
  project.rows.push_back({Caption(kReportNumberCaption), Caption("")});
  section.blocks.push_back(TableBlock(std::move(project)));

  int widest = 0;
  for (const char* field : kRows) widest = std::max(widest, form::FindSpec(field)->width);
  Table table;
  table.ruled = false;
  table.large = true;
  table.widths = {0.58, 0.42};
  for (const char* field : kRows) {
    const int indent = form::FindSpec(field)->width < widest ? 1 : 0;
    Cell amount = FigureCell(form.Text(field), Figure::kAmount);
    amount.indent = indent;
    table.rows.push_back({Caption(FieldCaption(field), false, indent), std::move(amount)});
  }
  section.blocks.push_back(TableBlock(std::move(table)));
  return section;
}

// The skilled and the ordinary labour-day rows under the heading the form shows beside them.
void AddLabourDayRows(std::vector<ColumnRow>& rows, std::vector<std::string> skilled,
                      std::vector<std::string> ordinary) {
  ColumnRow heading;
  heading.heading_of = skilled.front();
  rows.push_back(std::move(heading));
  rows.push_back({std::move(skilled), Figure::kDays, false, false, 1, ""});
  rows.push_back({std::move(ordinary), Figure::kDays, false, false, 1, ""});
}

Section ConstructionFeeSection(const audit::TfrmMain& form) {
  std::vector<ColumnRow> rows = {
      {{"D_1", "D_9", "T_7"}, Figure::kAmount, true, false, 0, ""},
      {{"", "D_10", "T_8"}, Figure::kAmount, false, false, 0, ""},
      {{"D_2", "D_11", "T_9"}, Figure::kAmount, false, false, 0, ""},
      {{"", "D_12", "T_10"}, Figure::kAmount, false, true, 0, ""},
      {{"D_3", "T_1", "T_11"}, Figure::kAmount, false, false, 0, ""},
      {{"D_4", "T_2", "T_12"}, Figure::kAmount, false, false, 0, ""},
      {{"D_5", "T_3", "T_13"}, Figure::kAmount, false, false, 0, ""},
      {{"D_6", "T_4", "T_14"}, Figure::kAmount, false, false, 0, ""},
  };
  AddLabourDayRows(rows, {"D_7", "T_5", "T_15"}, {"D_8", "T_6", "T_16"});
  Section section = StartSection("TS_D");
  section.blocks.push_back(TableBlock(ColumnTable(form, "TS_D", rows)));
  return section;
}

std::string YesNo(bool checked) { return checked ? "是" : "否"; }

Section DesignFeeSection(const audit::TfrmMain& form) {
  std::vector<ColumnRow> rows = {{{"T_17", "T_23", "T_29"}, Figure::kAmount, true, false, 0, ""}};
  Table columns = ColumnTable(form, "TS_T", rows);
  // The auditor column's working rows; the other columns show only their totals on the form.
  const std::size_t auditor_column = columns.widths.size() - 3;
  for (const char* field : {"T_30", "T_31", "T_32", "T_33", "T_34"}) {
    const Figure kind = std::string(field) == "T_31" ? Figure::kAsShown : Figure::kAmount;
    std::vector<Cell> cells(columns.widths.size());
    cells[0] = Caption(FieldCaption(field));
    cells[auditor_column] = FigureCell(form.Text(field), kind);
    columns.rows.push_back(std::move(cells));
  }

  Table settings;
  settings.widths = {0.30, 0.70};
  const std::string coefficient = form.Text("T_44");
  const std::string one_stage_marker = Trimmed(form.Text("RzE_KC"));
  const std::string survey_type = form.model().survey_type().SelectedText();
  const std::vector<std::pair<std::string, Cell>> kSettings = {
      {"勘察设计费下浮系数", Caption(coefficient.empty() ? "" : coefficient + " %")},
      {"建筑安装工程费", FigureCell(form.Text("T_JZAZ"), Figure::kAmount)},
      {CaptionOf(form::FindSpec("RzCB_YG")), Caption(YesNo(form.Checked("RzCB_YG")))},
      {"勘察类型", Caption(survey_type)},
      {CaptionOf(form::FindSpec("RzCB_KC")),
       Caption(YesNo(form.Checked("RzCB_KC")) +
               (one_stage_marker.empty() ? "" : "（" + one_stage_marker + "）"))},
      {CaptionOf(form::FindSpec("RzCB_YJ")), Caption(YesNo(form.Checked("RzCB_YJ")))},
      {"勘察费计算式", Caption(form.Text("T_KCF"))},
      {"设计费计算式", Caption(form.Text("T_SJF"))},
  };
  for (const auto& [caption, value] : kSettings) {
    Cell left = value;
    left.align = CellAlign::kLeft;
    left.figure = false;
    settings.rows.push_back({Caption(caption), std::move(left)});
  }

  Section section = StartSection("TS_T");
  section.blocks.push_back(TableBlock(std::move(columns)));
  section.blocks.push_back(TableBlock(std::move(settings)));
  return section;
}

Section PreliminaryReviewSection(const audit::TfrmMain& form) {
  std::vector<ColumnRow> rows = {
      {{"T_35", "TC_1"}, Figure::kAmount, true, false, 0, ""},
      {{"", "TC_2"}, Figure::kAmount, false, false, 0, ""},
      {{"T_36", "TC_3"}, Figure::kAmount, false, false, 0, ""},
      {{"", "TC_4"}, Figure::kAmount, false, true, 0, ""},
      {{"T_58", "T_59"}, Figure::kAmount, false, false, 0, ""},
      {{"T_37", "Date_1"}, Figure::kAmount, false, false, 0, ""},
      {{"T_38", "Date_2"}, Figure::kAmount, false, false, 0, ""},
      {{"T_39", "Date_3"}, Figure::kAmount, false, false, 0, ""},
  };
  AddLabourDayRows(rows, {"T_40", "Date_4"}, {"T_41", "Date_5"});
  Section section = StartSection("TS_CS");
  section.blocks.push_back(TableBlock(ColumnTable(form, "TS_CS", rows)));
  return section;
}

// Who audited and reviewed, the office's stamp and the date: signed by hand on the printed page.
Block SignOffBlock(const std::string& date) {
  Table table;
  table.ruled = false;
  table.sign_off = true;
  table.widths = {0.30, 0.70};
  for (const char* caption : kSignOffCaptions) table.rows.push_back({Caption(caption), Caption("")});
  table.rows.back()[1].text = date;
  return TableBlock(std::move(table));
}

}  // namespace

ReportModel BuildReportModel(const audit::TfrmMain& form, const std::string& printed_date) {
  ReportModel report;
  const audit::FormContext& context = form.context();
  const std::string title = Trimmed(Trimmed(form.Text("T_46")) + " " + Trimmed(form.Text("T_47")));
  report.document_title = title.empty() ? kDefaultTitle : title;
  report.project_name = ProjectName(context.db_path);
  report.sections.push_back(CoverSection(form, report.project_name));
  report.sections.push_back(ConstructionFeeSection(form));
  report.sections.push_back(DesignFeeSection(form));
  report.sections.push_back(PreliminaryReviewSection(form));
  report.sections.back().blocks.push_back(SignOffBlock(printed_date));
  // The footer names the project as the cover does; one kept on a server by where it is kept,
  // host/database/schema, since one schema name may recur on several servers.
  const std::string footer_name =
      db::IsFileSource(context.db_path) ? report.project_name : form.ProjectName();
  report.footer = {kProjectNameCaption + footer_name, "审计阶段：" + context.stage,
                   "打印日期：" + printed_date};
  return report;
}

std::string ChineseDate(int year, int month, int day) {
  return std::to_string(year) + "年" + std::to_string(month) + "月" + std::to_string(day) + "日";
}

std::string TodayText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return ChineseDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

std::string PageNumberText(int page, int pages) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, kPageNumberFormat, page, pages);
  return buffer;
}

}  // namespace torva::report
