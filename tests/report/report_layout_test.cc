// The report's layout on an A4 PDF page: every line of text fits the room it is drawn in, measured
// with the device's own font metrics; long titles wrap; a fifteen-digit amount stays on one line;
// a section longer than a page runs on with its table header and the page count follows.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFontMetricsF>
#include <QPdfWriter>

#include <string>
#include <vector>

#include "report/report_layout.h"
#include "report/report_model.h"
#include "report_test_support.h"

namespace torva::report_test {
namespace {

using report::PlacedText;
using report::ReportLayout;

constexpr double kTolerance = 0.01;  // device units, for rounding inside the text engine

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

const std::string kLongOffice = Repeat("澄川通信公司审计部驻柳岸分公司审计室", 4);

class ReportLayoutTest : public ::testing::Test {
 protected:
  ReportLayoutTest() : writer_(&buffer_) {
    buffer_.open(QIODevice::WriteOnly);
    writer_.setPageLayout(report::ReportPageLayout());
  }

  ReportLayout LayOut(const std::vector<std::pair<std::string, std::string>>& fields) {
    project_ = std::make_unique<ReportProject>(Saved(fields));
    project_->Open();
    return report::LayOutReport(report::BuildReportModel(project_->form(), "2026年12月8日"), writer_);
  }

  double Advance(const PlacedText& text) {
    return QFontMetricsF(text.font, &writer_).horizontalAdvance(text.text);
  }

  // Every placed text: fits its box, its box stands inside its cell, its cell on the page.
  void ExpectNothingOverflows(const ReportLayout& layout) {
    for (std::size_t p = 0; p < layout.pages.size(); ++p) {
      for (const PlacedText& text : layout.pages[p].texts) {
        const std::string where = "page " + std::to_string(p + 1) + " \"" + text.text.toStdString() + "\"";
        EXPECT_LE(Advance(text), text.box.width() + kTolerance) << where;
        EXPECT_GE(text.box.left(), text.cell.left() - kTolerance) << where;
        EXPECT_LE(text.box.right(), text.cell.right() + kTolerance) << where;
        EXPECT_GE(text.box.top(), text.cell.top() - kTolerance) << where;
        EXPECT_LE(text.box.bottom(), text.cell.bottom() + kTolerance) << where;
        EXPECT_TRUE(layout.page.adjusted(-kTolerance, -kTolerance, kTolerance, kTolerance)
                        .contains(text.cell))
            << where;
      }
    }
  }

  // The centred lines of page `page` that are pieces of `title`, in order.
  std::vector<QString> TitleLines(const ReportLayout& layout, std::size_t page,
                                  const std::string& title) {
    std::vector<QString> lines;
    for (const PlacedText& text : layout.pages.at(page).texts) {
      if (text.align == Qt::AlignHCenter && !text.text.isEmpty() &&
          QString::fromStdString(title).contains(text.text)) {
        lines.push_back(text.text);
      }
    }
    return lines;
  }

  QBuffer buffer_;
  QPdfWriter writer_;
  std::unique_ptr<ReportProject> project_;
};

TEST_F(ReportLayoutTest, FourPagesForAnOrdinaryProject) {
  const ReportLayout layout = LayOut({{"D_1", "2590701.65"}, {"T_7", "2447027.72"}});
  ASSERT_EQ(layout.pages.size(), 4u);
  ExpectNothingOverflows(layout);
}

TEST_F(ReportLayoutTest, LongTitleWrapsWithinThePage) {
  const ReportLayout layout = LayOut({{"T_46", kLongOffice}});
  const std::vector<QString> lines = TitleLines(layout, 0, kLongOffice);
  ASSERT_GE(lines.size(), 2u);
  QString joined;
  for (const QString& line : lines) joined += line;
  EXPECT_EQ(joined.toStdString(), kLongOffice);
  ExpectNothingOverflows(layout);
}

TEST_F(ReportLayoutTest, FifteenDigitAmountsStayOnOneLineInEveryColumn) {
  // The widest figures of fifteen digits, negative, in every column and in the reduction.
  const ReportLayout layout = LayOut({{"D_1", "-999999999999999.99"}, {"D_9", "-999999999999999.99"},
                                      {"T_7", "0"}, {"T_35", "-999999999999999.99"},
                                      {"TC_1", "0"}, {"T_48", "-999999999999999.99"}});
  int whole = 0;
  for (const auto& page : layout.pages) {
    for (const PlacedText& text : page.texts) {
      if (text.text == QStringLiteral("-999,999,999,999,999.99")) ++whole;
    }
  }
  // D_1, D_9 and their reduction against 0; T_35 and its reduction; T_48.
  EXPECT_EQ(whole, 6);
  ExpectNothingOverflows(layout);
}

TEST_F(ReportLayoutTest, ExtremeFiguresAndTextsOverflowNothing) {
  const ReportLayout layout =
      LayOut({{"T_46", Repeat(kLongOffice, 3)}, {"T_47", Repeat("审计报告", 20)},
              {"D_1", "1E15"}, {"T_7", "-1E15"}, {"D_2", "1E300"}, {"T_9", "-0.005"},
              {"D_3", Repeat("很长的说明文字", 30)}, {"T_11", Repeat("1234567890", 12)},
              {"T_5", Repeat("9", 40)}, {"T_31", "1E-300"}, {"T_44", Repeat("45", 40)},
              {"T_35", "-1E15"}, {"TC_1", "1E15"}});
  EXPECT_GE(layout.pages.size(), 4u);
  ExpectNothingOverflows(layout);
}

TEST_F(ReportLayoutTest, ASectionLongerThanAPageRunsOnWithItsHeaderAndPageCount) {
  const ReportLayout layout = LayOut({{"D_3", Repeat("很长的说明文字", 1500)}});
  ASSERT_GT(layout.pages.size(), 4u);
  const std::size_t pages = layout.pages.size();
  int headers = 0;
  for (std::size_t p = 0; p < pages; ++p) {
    bool numbered = false;
    for (const PlacedText& text : layout.pages[p].texts) {
      if (text.text == QString::fromUtf8("审减率")) ++headers;
      const std::string expected = report::PageNumberText(static_cast<int>(p + 1), static_cast<int>(pages));
      if (text.text.toStdString() == expected) numbered = true;
    }
    EXPECT_TRUE(numbered) << "page " << p + 1;
  }
  // The construction-fee header on each of its pages, the design and review headers once each.
  EXPECT_EQ(headers, static_cast<int>(pages) - 3 + 2);
  ExpectNothingOverflows(layout);
}

}  // namespace
}  // namespace torva::report_test
