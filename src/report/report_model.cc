#include "report/report_model.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "audit/tfrm_main.h"
#include "form/catalogue.h"
#include "report/figures.h"
#include "text/strings.h"

namespace torva::report {
namespace {

// What a row of figures holds: money (two decimals, thousands grouped) or a count the reader knows
// in the field's own notation (labour days, route length).
enum class Figure { kAmount, kAsShown };

// The caption-less reduction and rate columns that every audit report carries beside the columns.
constexpr const char* kItemHeader = "项目";
constexpr const char* kReductionHeader = "审减额";
constexpr const char* kRateHeader = "审减率";
constexpr const char* kPageNumberFormat = "第 %d 页 共 %d 页";

std::string Trimmed(std::string_view text) { return std::string(text::TrimBlanks(text)); }

// The caption the form shows for catalogue label `name` ("" when there is none).
std::string LabelText(const std::string& name) {
  const form::ControlSpec* spec = form::FindSpec(name);
  return spec != nullptr ? spec->caption : std::string();
}

// A row caption of page `page`: the label standing beside field `field`.
std::string FieldCaption(const std::string& page, const std::string& field) {
  return LabelText("Lbl_" + page + "_" + field);
}

Cell Caption(std::string text, bool bold = false, int indent = 0) {
  return Cell{std::move(text), CellAlign::kLeft, bold, indent};
}

Cell Header(std::string text) { return Cell{std::move(text), CellAlign::kCenter, true, 0}; }

Cell Blank() { return Cell{}; }

// A field's figure as the reader sees it; a text that is no number stands as it is.
Cell FigureCell(const std::string& text, Figure kind, bool bold = false) {
  Cell cell{text, CellAlign::kRight, bold, 0, true};
  if (kind == Figure::kAmount) {
    if (const std::optional<Decimal> value = ParseFigure(text)) cell.text = FormatAmount(*value);
  }
  return cell;
}

// A figure for the reduction: an empty field counts as nothing yet entered, 0; any other text that
// is no number leaves the row without a reduction rather than pretending it is 0.
std::optional<Decimal> Operand(const std::string& text) {
  if (text::IsBlank(text)) return Decimal{};
  return ParseFigure(text);
}

// The reduction (submitted less determined) and its rate, from the figures as they are printed:
// amounts to the cent, counts exactly. Nothing when either side is no number or both are empty.
std::pair<Cell, Cell> ReductionCells(const std::string& submitted, const std::string& determined,
                                     Figure kind) {
  std::pair<Cell, Cell> cells{Cell{"", CellAlign::kRight, false, 0, true},
                              Cell{"", CellAlign::kRight, false, 0, true}};
  if (text::IsBlank(submitted) && text::IsBlank(determined)) return cells;
  std::optional<Decimal> from = Operand(submitted);
  std::optional<Decimal> to = Operand(determined);
  if (!from || !to) return cells;
  if (kind == Figure::kAmount) {
    from = RoundToCents(*from);
    to = RoundToCents(*to);
  }
  const Decimal reduction = Subtract(*from, *to);
  cells.first.text = kind == Figure::kAmount ? FormatAmount(reduction) : FormatPlain(reduction);
  cells.second.text = FormatPercent(reduction, *from).value_or("");
  return cells;
}

// One row of a page with columns: its fields from left to right ("" where the column has no field),
// which two of them the reduction compares, and how its figures read.
struct ColumnRow {
  std::vector<std::string> fields;
  Figure kind = Figure::kAmount;
  bool bold = false;
  std::string prefix;  // a heading the form shows beside the row ("其中：")
  int indent = 0;
};

// The row caption: the distinct captions of its columns, in column order, joined as the form reads
// them ("施工费(元)／应付施工费(元)").
std::string RowCaption(const std::string& page, const ColumnRow& row) {
  std::vector<std::string> captions;
  for (const std::string& field : row.fields) {
    if (field.empty()) continue;
    const std::string caption = FieldCaption(page, field);
    if (!caption.empty() && std::find(captions.begin(), captions.end(), caption) == captions.end()) {
      captions.push_back(caption);
    }
  }
  std::string joined = row.prefix;
  for (std::size_t i = 0; i < captions.size(); ++i) joined += (i > 0 ? "／" : "") + captions[i];
  return joined;
}

// A table of a page with columns: 项目, one column per heading, then 审减额 and 审减率 comparing
// the first column with the last.
Table ColumnTable(const audit::TfrmMain& form, const std::string& page,
                  const std::vector<std::string>& headings, const std::vector<ColumnRow>& rows) {
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

  for (const ColumnRow& row : rows) {
    std::vector<Cell> cells;
    if (row.fields.empty()) {  // a heading row ("施工工日")
      cells.push_back(Caption(row.prefix, false, row.indent));
      cells.resize(table.widths.size());
      table.rows.push_back(std::move(cells));
      continue;
    }
    cells.push_back(Caption(RowCaption(page, row), row.bold, row.indent));
    for (const std::string& field : row.fields) {
      cells.push_back(field.empty() ? Blank() : FigureCell(form.Text(field), row.kind, row.bold));
    }
    const std::string& first = row.fields.front();
    const std::string& last = row.fields.back();
    if (!first.empty() && !last.empty()) {
      auto [reduction, rate] = ReductionCells(form.Text(first), form.Text(last), row.kind);
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

Section StartSection(const std::string& page) {
  Section section;
  section.name = LabelText(page);
  section.blocks.push_back(TitleBlock(section.name, 0));
  return section;
}

std::vector<std::string> Headings(const std::string& page, int count) {
  std::vector<std::string> headings;
  for (int i = 1; i <= count; ++i) headings.push_back(LabelText("Lbl_" + page + "_Head" + std::to_string(i)));
  return headings;
}

// The cover: the two title lines, then each amount under its caption. The form sets the parts of a
// total in narrower fields than the totals; the report indents them one step for the same reason.
Section CoverSection(const audit::TfrmMain& form) {
  static const char* const kRows[] = {"T_48", "T_49", "T_50", "T_51", "T_52",
                                      "T_53", "T_54", "T_55", "T_56", "T_57"};
  Section section = StartSection("TS_FM");
  section.blocks.push_back(TitleBlock(form.Text("T_46"), 1));
  section.blocks.push_back(TitleBlock(form.Text("T_47"), 2));
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
    table.rows.push_back({Caption(FieldCaption("TS_FM", field), false, indent), std::move(amount)});
  }
  section.blocks.push_back(TableBlock(std::move(table)));
  return section;
}

std::vector<ColumnRow> LabourDayRows(const std::string& page, const std::string& heading_label,
                                     std::vector<std::string> skilled,
                                     std::vector<std::string> ordinary) {
  return {{{}, Figure::kAsShown, false, LabelText("Lbl_" + page + "_" + heading_label), 0},
          {std::move(skilled), Figure::kAsShown, false, "", 1},
          {std::move(ordinary), Figure::kAsShown, false, "", 1}};
}

Section ConstructionFeeSection(const audit::TfrmMain& form) {
  const std::string of = LabelText("Lbl_TS_D_Of");
  std::vector<ColumnRow> rows = {
      {{"D_1", "D_9", "T_7"}, Figure::kAmount, true, "", 0},
      {{"", "D_10", "T_8"}, Figure::kAmount, false, "", 0},
      {{"D_2", "D_11", "T_9"}, Figure::kAmount, false, "", 0},
      {{"", "D_12", "T_10"}, Figure::kAmount, false, of, 0},
      {{"D_3", "T_1", "T_11"}, Figure::kAmount, false, "", 0},
      {{"D_4", "T_2", "T_12"}, Figure::kAmount, false, "", 0},
      {{"D_5", "T_3", "T_13"}, Figure::kAmount, false, "", 0},
      {{"D_6", "T_4", "T_14"}, Figure::kAmount, false, "", 0},
  };
  for (ColumnRow& row : LabourDayRows("TS_D", "Days1", {"D_7", "T_5", "T_15"}, {"D_8", "T_6", "T_16"})) {
    rows.push_back(std::move(row));
  }
  Section section = StartSection("TS_D");
  section.blocks.push_back(TableBlock(ColumnTable(form, "TS_D", Headings("TS_D", 3), rows)));
  return section;
}

std::string YesNo(bool checked) { return checked ? "是" : "否"; }

Section DesignFeeSection(const audit::TfrmMain& form) {
  std::vector<ColumnRow> rows = {{{"T_17", "T_23", "T_29"}, Figure::kAmount, true, "", 0}};
  Table columns = ColumnTable(form, "TS_T", Headings("TS_T", 3), rows);
  // The auditor column's working rows; the other columns show only their totals on the form.
  const std::pair<const char*, const char*> kAuditorRows[] = {
      {"Survey", "T_30"}, {"Route", "T_31"}, {"Design", "T_32"}, {"Budget", "T_33"}, {"Install", "T_34"}};
  for (const auto& [label, field] : kAuditorRows) {
    const Figure kind = std::string(field) == "T_31" ? Figure::kAsShown : Figure::kAmount;
    std::vector<Cell> cells(columns.widths.size());
    cells[0] = Caption(LabelText(std::string("Lbl_TS_T_") + label));
    cells[3] = FigureCell(form.Text(field), kind);
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
      {LabelText("RzCB_YG"), Caption(YesNo(form.Checked("RzCB_YG")))},
      {"勘察类型", Caption(survey_type)},
      {LabelText("RzCB_KC"), Caption(YesNo(form.Checked("RzCB_KC")) +
                                     (one_stage_marker.empty() ? "" : "（" + one_stage_marker + "）"))},
      {LabelText("RzCB_YJ"), Caption(YesNo(form.Checked("RzCB_YJ")))},
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
  const std::string of = LabelText("Lbl_TS_CS_Of");
  std::vector<ColumnRow> rows = {
      {{"T_35", "TC_1"}, Figure::kAmount, true, "", 0},
      {{"", "TC_2"}, Figure::kAmount, false, "", 0},
      {{"T_36", "TC_3"}, Figure::kAmount, false, "", 0},
      {{"", "TC_4"}, Figure::kAmount, false, of, 0},
      {{"T_58", "T_59"}, Figure::kAmount, false, "", 0},
      {{"T_37", "Date_1"}, Figure::kAmount, false, "", 0},
      {{"T_38", "Date_2"}, Figure::kAmount, false, "", 0},
      {{"T_39", "Date_3"}, Figure::kAmount, false, "", 0},
  };
  for (ColumnRow& row : LabourDayRows("TS_CS", "Days1", {"T_40", "Date_4"}, {"T_41", "Date_5"})) {
    rows.push_back(std::move(row));
  }
  Section section = StartSection("TS_CS");
  section.blocks.push_back(TableBlock(ColumnTable(form, "TS_CS", Headings("TS_CS", 2), rows)));
  return section;
}

}  // namespace

ReportModel BuildReportModel(const audit::TfrmMain& form, const std::string& printed_date) {
  ReportModel report;
  const std::string title = Trimmed(Trimmed(form.Text("T_46")) + " " + Trimmed(form.Text("T_47")));
  report.document_title = title.empty() ? "审计报告" : title;
  report.sections.push_back(CoverSection(form));
  report.sections.push_back(ConstructionFeeSection(form));
  report.sections.push_back(DesignFeeSection(form));
  report.sections.push_back(PreliminaryReviewSection(form));
  const audit::FormContext& context = form.context();
  report.footer = {"工程文件：" + form.ProjectName(),
                   "审计阶段：" + context.stage, "打印日期：" + printed_date};
  return report;
}

std::string PageNumberText(int page, int pages) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, kPageNumberFormat, page, pages);
  return buffer;
}

}  // namespace torva::report
