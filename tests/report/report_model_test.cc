// The report model of a form: which figures stand in which row, how they read, and each row's
// reduction. Fields come from saved rows loaded with automatic refresh off, so the form holds
// exactly the texts the test names (computed fields included: the report must not recompute them).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/report_model.h"
#include "report_test_support.h"

namespace torva::report_test {
namespace {

using report::Cell;
using report::ReportModel;
using report::Section;
using report::Table;

const Table& FirstTable(const Section& section) {
  for (const auto& block : section.blocks) {
    if (block.kind == report::Block::Kind::kTable) return block.table;
  }
  throw std::runtime_error("section without a table");
}

// The texts of the table row whose caption is `caption`.
std::vector<std::string> Row(const Table& table, const std::string& caption) {
  for (const auto& row : table.rows) {
    if (row.front().text == caption) {
      std::vector<std::string> texts;
      for (const Cell& cell : row) texts.push_back(cell.text);
      return texts;
    }
  }
  ADD_FAILURE() << "no row " << caption;
  return {};
}

class ReportModelTest : public ::testing::Test {
 protected:
  ReportModel Build(const std::vector<std::pair<std::string, std::string>>& fields) {
    project_ = std::make_unique<ReportProject>(Saved(fields));
    project_->Open();
    return report::BuildReportModel(project_->form(), "2026年12月8日");
  }
  std::unique_ptr<ReportProject> project_;
};

TEST_F(ReportModelTest, SectionsFollowThePagesOfTheForm) {
  const ReportModel report = Build({});
  ASSERT_EQ(report.sections.size(), 4u);
  EXPECT_EQ(report.sections[0].name, "报表封面");
  EXPECT_EQ(report.sections[1].name, "施工费定案");
  EXPECT_EQ(report.sections[2].name, "设计费定案");
  EXPECT_EQ(report.sections[3].name, "初步审核");
}

TEST_F(ReportModelTest, ConstructionFeeRowsShowTheFieldsTheirReductionAndRate) {
  // The saved total disagrees with its parts: the report shows the total the form holds.
  const ReportModel report = Build({{"D_1", "2590701.65"}, {"D_9", "2506556.18"},
                                    {"T_7", "2447027.72"}, {"D_2", "1116000"}, {"D_11", "1077120"},
                                    {"T_9", "1046700"}, {"D_3", "5"}});
  const Table& table = FirstTable(report.sections[1]);
  EXPECT_EQ(table.header.size(), 6u);
  EXPECT_EQ(Row(table, "合 计／合计工程款"),
            (std::vector<std::string>{"合 计／合计工程款", "2,590,701.65", "2,506,556.18",
                                      "2,447,027.72", "143,673.93", "5.55%"}));
  EXPECT_EQ(Row(table, "施工费(元)／应付施工费(元)"),
            (std::vector<std::string>{"施工费(元)／应付施工费(元)", "1,116,000.00", "1,077,120.00",
                                      "1,046,700.00", "69,300.00", "6.21%"}));
}

TEST_F(ReportModelTest, RowsWithoutASubmittedFigureHaveNoReduction) {
  const ReportModel report = Build({{"D_10", "1075620"}, {"T_8", "1045500"}, {"D_12", "-1500"}});
  const Table& table = FirstTable(report.sections[1]);
  EXPECT_EQ(Row(table, "实付施工费(元)"),
            (std::vector<std::string>{"实付施工费(元)", "", "1,075,620.00", "1,045,500.00", "", ""}));
  EXPECT_EQ(Row(table, "其中：材料差异(元)")[2], "-1,500.00");
}

TEST_F(ReportModelTest, AnEmptySubmittedTotalHasNoReductionAndNoRate) {
  // Nothing submitted by the designer: the determined total is no reduction of it.
  const ReportModel report = Build({{"T_17", ""}, {"T_23", ""}, {"T_29", "52444.51"}});
  EXPECT_EQ(Row(FirstTable(report.sections[2]), "合计勘察设计费"),
            (std::vector<std::string>{"合计勘察设计费", "", "", "52,444.51", "", ""}));
}

TEST_F(ReportModelTest, LabourDaysReadWithTheThreeDecimalsTheyAreSavedWith) {
  const ReportModel report = Build({{"D_7", "2968.42"}, {"T_5", "2875.300"}, {"T_15", "2810.5"},
                                    {"D_8", "10.0004"}, {"T_16", "10.0005"}});
  const Table& table = FirstTable(report.sections[1]);
  EXPECT_EQ(Row(table, "技工日(个)"),
            (std::vector<std::string>{"技工日(个)", "2968.420", "2875.300", "2810.500", "157.920",
                                      "5.32%"}));
  // Compared as printed: 10.000 less 10.001.
  EXPECT_EQ(Row(table, "普工日(个)"),
            (std::vector<std::string>{"普工日(个)", "10.000", "", "10.001", "-0.001", "-0.01%"}));
}

TEST_F(ReportModelTest, EmptyFieldsCountAsZeroAndOtherTextsStandAsTheyAre) {
  const ReportModel report = Build({{"D_4", "1,234"}, {"T_12", "100"}, {"D_5", "300"}});
  const Table& table = FirstTable(report.sections[1]);
  // "1,234" is no number the form can read: shown as typed, no reduction pretends it is 0.
  EXPECT_EQ(Row(table, "辅材费(元)"),
            (std::vector<std::string>{"辅材费(元)", "1,234", "", "100.00", "", ""}));
  // The determined tax was never entered: the whole submitted figure is the reduction.
  EXPECT_EQ(Row(table, "税  金(元)"),
            (std::vector<std::string>{"税  金(元)", "300.00", "", "", "300.00", "100.00%"}));
  // Nothing entered on either side: no reduction at all.
  EXPECT_EQ(Row(table, "其他费(元)"),
            (std::vector<std::string>{"其他费(元)", "", "", "", "", ""}));
}

TEST_F(ReportModelTest, NoRateWhereNothingWasSubmitted) {
  const ReportModel report = Build({{"D_6", "0"}, {"T_14", "25"}});
  EXPECT_EQ(Row(FirstTable(report.sections[1]), "其他费(元)"),
            (std::vector<std::string>{"其他费(元)", "0.00", "", "25.00", "-25.00", ""}));
}

TEST_F(ReportModelTest, CoverIndentsThePartsOfATotal) {
  const ReportModel report = Build({{"T_48", "2543667.71"}, {"T_50", "2447027.72"}});
  const Section& cover = report.sections[0];
  const Table& table = cover.blocks.back().table;
  ASSERT_EQ(table.rows.size(), 10u);
  EXPECT_EQ(table.rows[0][0].text, "工程总造价：");
  EXPECT_EQ(table.rows[0][1].text, "2,543,667.71");
  EXPECT_EQ(table.rows[0][0].indent, 0);
  EXPECT_EQ(table.rows[2][0].text, "1、支付施工单位工程款：");
  EXPECT_EQ(table.rows[2][0].indent, 1);
  EXPECT_EQ(table.rows[2][1].indent, 1);
  EXPECT_EQ(table.rows[4][0].text, "二、在安装设备投资：");
  EXPECT_EQ(table.rows[4][0].indent, 0);
}

TEST_F(ReportModelTest, FirstPageIsHeadedByTheReportTitleNotThePageName) {
  const ReportModel report = Build({{"T_46", "某某审计室"}, {"T_47", "结算审计报告"}});
  const auto& blocks = report.sections[0].blocks;
  ASSERT_GE(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].kind, report::Block::Kind::kTitle);
  EXPECT_EQ(blocks[0].title.text, "某某审计室");
  EXPECT_EQ(blocks[1].title.text, "结算审计报告");
  EXPECT_EQ(report.document_title, "某某审计室 结算审计报告");
  for (const auto& block : blocks) {
    if (block.kind == report::Block::Kind::kTitle) {
      EXPECT_NE(block.title.text, "报表封面");
    }
  }
}

TEST_F(ReportModelTest, EmptyTitleFieldsLeaveTheDefaultTitle) {
  const ReportModel report = Build({{"T_46", ""}, {"T_47", "  "}});
  const auto& blocks = report.sections[0].blocks;
  EXPECT_EQ(blocks[0].title.text, "审计报告");
  EXPECT_EQ(blocks[1].kind, report::Block::Kind::kTable);
}

TEST_F(ReportModelTest, CoverNamesTheProjectAndLeavesTheReportNumberBlank) {
  const ReportModel report = Build({});
  const Table& names = FirstTable(report.sections[0]);
  EXPECT_EQ(Row(names, "工程名称："), (std::vector<std::string>{"工程名称：", "project"}));
  EXPECT_EQ(Row(names, "报告编号："), (std::vector<std::string>{"报告编号：", ""}));
}

TEST_F(ReportModelTest, SignOffFollowsTheLastTableWithTheReportDate) {
  const ReportModel report = Build({});
  const auto& last = report.sections.back().blocks.back();
  ASSERT_EQ(last.kind, report::Block::Kind::kTable);
  EXPECT_TRUE(last.table.sign_off);
  EXPECT_EQ(Row(last.table, "审计人员："), (std::vector<std::string>{"审计人员：", ""}));
  EXPECT_EQ(Row(last.table, "复核人："), (std::vector<std::string>{"复核人：", ""}));
  EXPECT_EQ(Row(last.table, "审计单位（盖章）"), (std::vector<std::string>{"审计单位（盖章）", ""}));
  EXPECT_EQ(Row(last.table, "报告日期："),
            (std::vector<std::string>{"报告日期：", "2026年12月8日"}));
  EXPECT_EQ(report::ChineseDate(2027, 1, 31), "2027年1月31日");
}

TEST_F(ReportModelTest, ReductionsAreDerivedFromTheirRowsColumns) {
  // What a spreadsheet turns into formulas: 审减额 = first column less last, 审减率 = 审减额 / first.
  const ReportModel report = Build({{"D_2", "1116000"}, {"D_11", "1077120"}, {"T_9", "1046700"}});
  const Table& table = FirstTable(report.sections[1]);
  for (const auto& row : table.rows) {
    if (row.front().text != "施工费(元)／应付施工费(元)") continue;
    EXPECT_EQ(row[1].number, 1116000.0);
    EXPECT_EQ(row[4].derivation, report::Derivation::kDifference);
    EXPECT_EQ(row[4].first, 1);
    EXPECT_EQ(row[4].second, 3);
    EXPECT_EQ(row[4].number, 69300.0);
    EXPECT_EQ(row[5].derivation, report::Derivation::kQuotient);
    EXPECT_EQ(row[5].first, 4);
    EXPECT_EQ(row[5].second, 1);
    EXPECT_EQ(row[5].format, report::NumberFormat::kRate);
    ASSERT_TRUE(row[5].number.has_value());
    EXPECT_NEAR(*row[5].number, 69300.0 / 1116000.0, 1e-15);
    return;
  }
  ADD_FAILURE() << "no row";
}

TEST_F(ReportModelTest, DesignFeeShowsTotalsAuditorRowsAndSwitches) {
  const ReportModel report = Build({{"T_17", "120000"}, {"T_23", "100000"}, {"T_29", "96639.99"},
                                    {"T_31", "12.5"}, {"T_32", "87854.54"}, {"T_44", "45"}});
  const Section& design = report.sections[2];
  const Table& columns = FirstTable(design);
  EXPECT_EQ(Row(columns, "合计勘察设计费"),
            (std::vector<std::string>{"合计勘察设计费", "120,000.00", "100,000.00", "96,639.99",
                                      "23,360.01", "19.47%"}));
  EXPECT_EQ(Row(columns, "勘察路由(km)")[3], "12.5");
  EXPECT_EQ(Row(columns, "设  计  费")[3], "87,854.54");
  const Table& settings = design.blocks.back().table;
  EXPECT_EQ(Row(settings, "勘察设计费下浮系数")[1], "45 %");
  EXPECT_EQ(Row(settings, "应急工程")[1], "否");
  EXPECT_EQ(Row(settings, "一阶段勘察")[1], "否");
  EXPECT_EQ(Row(settings, "含乙供材料")[1], "是");
  EXPECT_EQ(Row(settings, "勘察类型")[1], "通信管道");
}

TEST_F(ReportModelTest, PreliminaryReviewComparesItsTwoColumns) {
  const ReportModel report = Build({{"T_35", "2590701.65"}, {"TC_1", "2506556.18"}});
  const Table& table = FirstTable(report.sections[3]);
  EXPECT_EQ(table.header.size(), 5u);
  EXPECT_EQ(Row(table, "合 计／合计工程款"),
            (std::vector<std::string>{"合 计／合计工程款", "2,590,701.65", "2,506,556.18",
                                      "84,145.47", "3.25%"}));
}

TEST_F(ReportModelTest, FooterNamesTheProjectFileStageAndDate) {
  const ReportModel report = Build({});
  EXPECT_EQ(report.footer, (std::vector<std::string>{"工程名称：project", "审计阶段：4",
                                                     "打印日期：2026年12月8日"}));
  EXPECT_EQ(report::PageNumberText(2, 5), "第 2 页 共 5 页");
}

}  // namespace
}  // namespace torva::report_test
