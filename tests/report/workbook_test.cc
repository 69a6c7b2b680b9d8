// The report as a workbook, read back with openpyxl: four sheets named as the pages, figures as
// numbers in their formats, texts that are no number as texts, reductions and rates as formulas
// with their values stored, the sign-off on the last sheet.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "report/figures.h"
#include "report/workbook.h"
#include "workbook_test_support.h"

namespace torva::report_test {
namespace {

fs::path WriteWorkbookOf(ReportProject& project, const std::string& name = "report.xlsx") {
  const fs::path xlsx = project.dir() / name;
  EXPECT_EQ(report::WriteReportWorkbook(project.form(), xlsx.string()), "");
  return xlsx;
}

bool HasNumber(const std::vector<double>& numbers, double value) {
  for (double n : numbers) {
    if (std::fabs(n - value) < 0.0005) return true;
  }
  return false;
}

TEST(ReportWorkbookTest, DemoWorkbookHoldsEveryFigureAsANumber) {
  ReportProject project("", /*demo=*/true);
  audit::TfrmMain& form = project.Open("4");
  project.Set("T_17", "120000");
  project.Set("T_52", "35000");
  const fs::path xlsx = WriteWorkbookOf(project);
  fs::create_directories(fs::path(TORVA_BINARY_DIR) / "report");
  fs::copy_file(xlsx, fs::path(TORVA_BINARY_DIR) / "report/demo_report.xlsx",
                fs::copy_options::overwrite_existing);
  const ReadWorkbook book = ReadBack(xlsx);
  ASSERT_EQ(book.sheets, (std::vector<std::string>{"报表封面", "施工费定案", "设计费定案", "初步审核"}))
      << book.output;

  const std::pair<const char*, std::vector<const char*>> kFigures[] = {
      {"报表封面", {"T_48", "T_49", "T_50", "T_51", "T_52", "T_53", "T_55"}},
      {"施工费定案", {"D_1", "D_9", "T_7", "D_10", "T_8", "D_2", "D_11", "T_9", "D_12", "T_10",
                      "D_3", "T_1", "T_11", "D_4", "T_2", "T_12", "D_5", "T_3", "T_13", "D_6",
                      "T_4", "T_14", "D_7", "T_5", "T_15", "D_8", "T_6", "T_16"}},
      {"设计费定案", {"T_17", "T_29", "T_30", "T_32", "T_33", "T_34", "T_JZAZ"}},
      {"初步审核", {"T_35", "TC_1", "TC_2", "T_36", "TC_3", "TC_4", "T_58", "T_59", "T_37",
                    "Date_1", "T_38", "Date_2", "T_39", "Date_3", "T_40", "Date_4", "T_41",
                    "Date_5"}},
  };
  for (const auto& [sheet, fields] : kFigures) {
    const std::vector<double> numbers = book.Numbers(sheet);
    for (const char* field : fields) {
      ASSERT_FALSE(form.Text(field).empty()) << field;
      EXPECT_TRUE(HasNumber(numbers, std::stod(form.Text(field))))
          << sheet << " " << field << "=" << form.Text(field);
    }
  }
}

TEST(ReportWorkbookTest, FiguresCarryTheirFormatsAndReductionsAreFormulasWithStoredValues) {
  ReportProject project(Saved({{"D_1", "2590701.65"}, {"D_9", "2506556.18"}, {"T_7", "2447027.72"},
                               {"D_7", "2968.42"}, {"T_15", "2810.5"}}));
  project.Open();
  const ReadWorkbook book = ReadBack(WriteWorkbookOf(project));
  // Row 3 of 施工费定案: the totals, under the heading and the column header.
  EXPECT_EQ(Describe(book.At("施工费定案", "B3")), "n|2590701.65|#,##0.00") << book.output;
  EXPECT_EQ(Describe(book.At("施工费定案", "E3")), "f|=B3-D3|#,##0.00");
  EXPECT_NEAR(std::stod(book.At("施工费定案", "E3")->stored), 143673.93, 1e-6);
  EXPECT_EQ(Describe(book.At("施工费定案", "F3")), "f|=E3/B3|0.00%");
  EXPECT_NEAR(std::stod(book.At("施工费定案", "F3")->stored), 143673.93 / 2590701.65, 1e-12);
  // Labour days: three decimals.
  bool days_seen = false;
  for (const auto& [name, cell] : book.cells) {
    if (name.rfind("施工费定案!B", 0) == 0 && cell.stored == "2968.42") {
      days_seen = true;
      EXPECT_EQ(cell.format, "0.000");
    }
  }
  EXPECT_TRUE(days_seen) << book.output;
}

TEST(ReportWorkbookTest, TextThatIsNoNumberStaysTextAndNeverBecomesAFormula) {
  ReportProject project(Saved({{"D_4", "1,234"}, {"T_46", "=HYPERLINK(\"http://x\")"}}));
  project.Open();
  const ReadWorkbook book = ReadBack(WriteWorkbookOf(project));
  bool text_seen = false, title_seen = false;
  for (const auto& [name, cell] : book.cells) {
    if (cell.text == "1,234") text_seen = cell.kind == 's';
    if (cell.text.rfind("=HYPERLINK", 0) == 0) title_seen = cell.kind == 's';
  }
  EXPECT_TRUE(text_seen) << book.output;
  EXPECT_TRUE(title_seen) << book.output;
}

TEST(ReportWorkbookTest, TheLastSheetEndsWithTheSignOff) {
  ReportProject project(Saved({}));
  project.Open();
  const ReadWorkbook book = ReadBack(WriteWorkbookOf(project));
  std::vector<std::string> last_sheet_texts, other_texts;
  for (const auto& [name, cell] : book.cells) {
    (name.rfind("初步审核!", 0) == 0 ? last_sheet_texts : other_texts).push_back(cell.text);
  }
  for (const char* word : {"审计人员：", "复核人：", "审计单位（盖章）", "报告日期："}) {
    EXPECT_NE(std::find(last_sheet_texts.begin(), last_sheet_texts.end(), word),
              last_sheet_texts.end())
        << word << "\n" << book.output;
    EXPECT_EQ(std::find(other_texts.begin(), other_texts.end(), word), other_texts.end()) << word;
  }
  EXPECT_NE(book.output.find(report::TodayText()), std::string::npos);
}

TEST(ReportWorkbookTest, AFailedWriteLeavesTheEarlierFileAndSaysWhy) {
  ReportProject project(Saved({}));
  project.Open();
  const fs::path xlsx = project.dir() / "kept.xlsx";
  testing::WriteFile(xlsx, "earlier");
  const std::string error =
      report::WriteReportWorkbook(project.form(), (project.dir() / "no/such/folder.xlsx").string());
  EXPECT_NE(error.find("无法写入电子表格文件"), std::string::npos) << error;
  EXPECT_EQ(testing::ReadFile(xlsx), "earlier");
  EXPECT_EQ(report::WriteReportWorkbook(project.form(), xlsx.string()), "");
  EXPECT_NE(testing::ReadFile(xlsx), "earlier");
  // Nothing left beside it.
  int files = 0;
  for (const auto& entry : fs::directory_iterator(project.dir())) {
    files += entry.path().filename().string().rfind("kept.xlsx", 0) == 0;
  }
  EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace torva::report_test
