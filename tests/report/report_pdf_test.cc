// The report as a PDF file, read back with poppler: every caption and figure of the form is there as
// text, each reduction is submitted less determined to the cent, the Chinese face is embedded.
#include <gtest/gtest.h>

#include <QString>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "form/catalogue.h"
#include "report/report_model.h"
#include "report_test_support.h"

namespace torva::report_test {
namespace {

// Without blanks: pdftotext spreads a caption's blanks ("税  金(元)") as the layout needs.
std::string Squeezed(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != ' ' && c != '\n' && c != '\f' && c != '\t') out.push_back(c);
  }
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// An amount as an auditor writes it, from a field's plain decimal text (at most two decimals), in
// cents: "2590701.65" -> 259070165.
std::int64_t Cents(const std::string& text) {
  if (text.empty()) return 0;
  const bool negative = text[0] == '-';
  const std::string digits = negative ? text.substr(1) : text;
  const std::size_t point = digits.find('.');
  std::string whole = digits.substr(0, point);
  std::string fraction = point == std::string::npos ? "" : digits.substr(point + 1);
  fraction.resize(2, '0');
  const std::int64_t cents = std::stoll(whole.empty() ? "0" : whole) * 100 + std::stoll(fraction);
  return negative ? -cents : cents;
}

std::string Grouped(std::int64_t cents) {
  const bool negative = cents < 0;
  const std::uint64_t magnitude = negative ? -static_cast<std::uint64_t>(cents) : cents;
  std::string whole = std::to_string(magnitude / 100);
  for (int i = static_cast<int>(whole.size()) - 3; i > 0; i -= 3) whole.insert(static_cast<std::size_t>(i), ",");
  const std::string fraction = std::to_string(100 + magnitude % 100).substr(1);
  return (negative ? "-" : "") + whole + "." + fraction;
}

// Whether a line of the PDF's text holds `figures` as whole words, in this order, left to right.
bool HasLineWith(const std::string& text, const std::vector<std::string>& figures) {
  for (const std::string& line : Lines(text)) {
    std::istringstream words(line);
    std::size_t next = 0;
    for (std::string word; next < figures.size() && words >> word;) {
      if (word == figures[next]) ++next;
    }
    if (next == figures.size()) return true;
  }
  return false;
}

// The form's labels on its four pages, but not the hints on how to confirm an entry, and the
// captions of the pages but the first, which the report's title heads instead.
std::vector<std::string> PageCaptions() {
  std::vector<std::string> captions;
  for (const form::ControlSpec& spec : form::Catalogue()) {
    if (spec.type == form::ControlType::kPage && spec.name != "TS_FM") captions.push_back(spec.caption);
    if (spec.type != form::ControlType::kLabel || spec.font_color != 0) continue;
    std::istringstream words(spec.caption);  // a spaced caption line holds several captions
    for (std::string word; words >> word;) {
      if (word != "%") captions.push_back(word);
    }
  }
  return captions;
}

// Rows of the fee pages as (submitted, determined) fields, with the reduction between them.
const std::vector<std::pair<std::string, std::string>> kAmountRows = {
    {"D_1", "T_7"},   {"D_2", "T_9"},   {"D_3", "T_11"},  {"D_4", "T_12"},  {"D_5", "T_13"},
    {"D_6", "T_14"},  {"T_35", "TC_1"}, {"T_36", "TC_3"}, {"T_58", "T_59"}, {"T_37", "Date_1"},
    {"T_38", "Date_2"}, {"T_39", "Date_3"}, {"T_17", "T_29"}};

const char* const kAmountFields[] = {
    "T_48", "T_49", "T_50", "T_51", "T_52", "T_53", "T_54", "T_55", "T_56", "T_57", "D_9", "D_10",
    "D_11", "D_12", "T_1", "T_2", "T_3", "T_4", "T_8", "T_10", "T_23", "T_30", "T_32", "T_33",
    "T_34", "T_JZAZ", "TC_2", "TC_4"};
const char* const kAsShownFields[] = {"D_7", "D_8", "T_5", "T_6", "T_15", "T_16", "T_40",
                                      "T_41", "Date_4", "Date_5", "T_31", "T_SJF", "T_KCF"};

class ReportPdfTest : public ::testing::Test {};

TEST_F(ReportPdfTest, DemoReportHoldsEveryCaptionFigureAndReduction) {
  // The demo budget refreshed at stage 4, then what an auditor adds by hand.
  ReportProject project("", /*demo=*/true);
  audit::TfrmMain& form = project.Open("4");
  project.Set("T_17", "120000");
  project.Set("T_52", "35000");
  project.Set("T_54", "12000.5");
  project.Set("T_56", "800");
  project.Set("T_57", "2500000");
  project.Set("T_31", "3.2");
  const fs::path pdf = project.WriteReport();
  // Kept under build/ for a reader to look at.
  fs::create_directories(fs::path(TORVA_BINARY_DIR) / "report");
  fs::copy_file(pdf, fs::path(TORVA_BINARY_DIR) / "report/demo_report.pdf",
                fs::copy_options::overwrite_existing);

  const std::string text = PdfText(pdf);
  const std::string squeezed = Squeezed(text);
  for (const std::string& caption : PageCaptions()) {
    EXPECT_NE(squeezed.find(Squeezed(caption)), std::string::npos) << caption;
  }
  for (const char* caption : {"审减额", "审减率", "勘察设计费下浮系数", "建筑安装工程费", "勘察类型",
                              "勘察费计算式", "设计费计算式", "一阶段勘察", "应急工程", "含乙供材料"}) {
    EXPECT_NE(text.find(caption), std::string::npos) << caption;
  }
  EXPECT_NE(squeezed.find(Squeezed(form.Text("T_46"))), std::string::npos);
  EXPECT_NE(text.find(form.Text("T_47")), std::string::npos);
  for (const char* field : kAmountFields) {
    if (form.Text(field).empty()) continue;
    EXPECT_NE(text.find(Grouped(Cents(form.Text(field)))), std::string::npos)
        << field << "=" << form.Text(field);
  }
  for (const char* field : kAsShownFields) {
    EXPECT_NE(squeezed.find(Squeezed(form.Text(field))), std::string::npos)
        << field << "=" << form.Text(field);
  }
  for (const auto& [submitted, determined] : kAmountRows) {
    const std::int64_t a = Cents(form.Text(submitted)), b = Cents(form.Text(determined));
    EXPECT_TRUE(HasLineWith(text, {Grouped(a), Grouped(b), Grouped(a - b)}))
        << submitted << "=" << form.Text(submitted) << " " << determined << "=" << form.Text(determined);
  }
  EXPECT_NE(text.find("工程名称：project"), std::string::npos);
  EXPECT_EQ(text.find("报表封面"), std::string::npos);
  // The cover names the project, the sign-off follows the last table.
  for (const char* word : {"工程名称：", "报告编号：", "审计人员：", "复核人：", "审计单位（盖章）",
                           "报告日期："}) {
    EXPECT_NE(text.find(word), std::string::npos) << word;
  }
  EXPECT_NE(text.find(report::TodayText()), std::string::npos);
  EXPECT_LT(text.find("普工日"), text.find("审计人员："));
  EXPECT_NE(text.find("审计阶段：4"), std::string::npos);
  for (int page = 1; page <= 4; ++page) {
    EXPECT_NE(text.find("第 " + std::to_string(page) + " 页 共 4 页"), std::string::npos) << page;
  }
}

TEST_F(ReportPdfTest, ExtremeFiguresReadInFullWithTheirReductions) {
  const std::string long_title = "澄川通信公司审计部驻柳岸分公司审计室第二工程审计组（长途线路与市话线路合并结算）";
  fs::create_directories(fs::path(TORVA_BINARY_DIR) / "report");
  ReportProject project(
      "INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'Auto', '0'), (-1, 'T_46', '" +
      long_title + "'), (-1, 'D_1', '1E15'), (-1, 'T_7', '-123456789012345.67'), "
      "(-1, 'D_2', '-999999999999999.99'), (-1, 'T_9', '0.01'), (-1, 'D_3', '0.3'), "
      "(-1, 'T_11', '0.1'), (-1, 'D_4', ''), (-1, 'T_12', '-42'), (-1, 'D_5', '12a'), "
      "(-1, 'T_48', '1E15'), (-1, 'T_49', '-5');");
  project.Open();
  const fs::path pdf = project.WriteReport();
  fs::copy_file(pdf, fs::path(TORVA_BINARY_DIR) / "report/extreme_report.pdf",
                fs::copy_options::overwrite_existing);
  const std::string text = PdfText(pdf);
  EXPECT_TRUE(HasLineWith(text, {"1,000,000,000,000,000.00", "-123,456,789,012,345.67",
                                 "1,123,456,789,012,345.67"}));
  EXPECT_TRUE(HasLineWith(text, {"-999,999,999,999,999.99", "0.01", "-1,000,000,000,000,000.00"}));
  EXPECT_TRUE(HasLineWith(text, {"0.30", "0.10", "0.20", "66.67%"}));
  // Nothing submitted: no reduction and no rate.
  EXPECT_TRUE(HasLineWith(text, {"-42.00"}));
  EXPECT_FALSE(HasLineWith(text, {"-42.00", "42.00"}));
  EXPECT_TRUE(HasLineWith(text, {"12a"}));
  EXPECT_TRUE(HasLineWith(text, {"-5.00"}));
  EXPECT_NE(Squeezed(text).find(long_title), std::string::npos);
}

TEST_F(ReportPdfTest, TheChineseFaceIsEmbedded) {
  ReportProject project(Saved({}));
  project.Open();
  const fs::path pdf = project.WriteReport();
  const std::string fonts = RunCommand("pdffonts " + Quoted(pdf));
  int fonts_seen = 0, song_embedded = 0;
  for (const std::string& line : Lines(fonts)) {
    std::istringstream in(line);
    std::vector<std::string> tokens;
    for (std::string token; in >> token;) tokens.push_back(token);
    // name, type (one or two words), encoding, emb, sub, uni, object, ID
    if (tokens.size() < 8 || tokens[0] == "name" || tokens[0].front() == '-') continue;
    ++fonts_seen;
    const std::string& embedded = tokens[tokens.size() - 5];
    EXPECT_EQ(embedded, "yes") << line;
    if (line.find("UMing") != std::string::npos && embedded == "yes") ++song_embedded;
  }
  EXPECT_GT(fonts_seen, 0) << fonts;
  EXPECT_GT(song_embedded, 0) << fonts;
}

TEST_F(ReportPdfTest, WritingReplacesAnEarlierReport) {
  ReportProject project(Saved({}));
  project.Open();
  testing::WriteFile(project.dir() / "report.pdf", "an earlier report");
  const fs::path pdf = project.WriteReport();
  EXPECT_EQ(testing::ReadFile(pdf).substr(0, 5), "%PDF-");
}

TEST_F(ReportPdfTest, AFolderThatDoesNotExistIsReportedAndNothingIsWritten) {
  ReportProject project(Saved({}));
  audit::TfrmMain& form = project.Open();
  const fs::path pdf = project.dir() / "missing" / "report.pdf";
  const std::string error = report::WriteReportPdf(form, pdf.string());
  EXPECT_NE(error.find(pdf.string()), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(pdf));
  EXPECT_NE(report::WriteReportPdf(form, ""), "");
}

}  // namespace
}  // namespace torva::report_test
