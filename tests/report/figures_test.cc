// Figures as the report prints them: read exactly from a field's text, rounded to the cent, grouped,
// and the reduction of a row to the cent.
#include <gtest/gtest.h>

#include <string>

#include "report/figures.h"

namespace torva::report {
namespace {

std::string Amount(const std::string& text) {
  const auto value = ParseFigure(text);
  return value ? FormatAmount(*value) : "<none>";
}

std::string Reduction(const std::string& a, const std::string& b) {
  return FormatAmount(Subtract(RoundToCents(*ParseFigure(a)), RoundToCents(*ParseFigure(b))));
}

std::string Percent(const std::string& part, const std::string& whole) {
  return FormatPercent(*ParseFigure(part), *ParseFigure(whole)).value_or("<none>");
}

TEST(ReportFigures, AmountsGroupThousandsAndShowTwoDecimals) {
  EXPECT_EQ(Amount("2590701.65"), "2,590,701.65");
  EXPECT_EQ(Amount("1500"), "1,500.00");
  EXPECT_EQ(Amount("999"), "999.00");
  EXPECT_EQ(Amount("-1200"), "-1,200.00");
  EXPECT_EQ(Amount("0.5"), "0.50");
  EXPECT_EQ(Amount(" 12.5 "), "12.50");
  EXPECT_EQ(Amount("+7"), "7.00");
}

TEST(ReportFigures, FifteenDigitsAndExponentsReadExactly) {
  // A double would turn the last digits of these into others.
  EXPECT_EQ(Amount("123456789012345"), "123,456,789,012,345.00");
  EXPECT_EQ(Amount("9999999999999.99"), "9,999,999,999,999.99");
  EXPECT_EQ(Amount("1E15"), "1,000,000,000,000,000.00");
  EXPECT_EQ(Amount("1.23456789012346E15"), "1,234,567,890,123,460.00");
  EXPECT_EQ(Amount("5E-5"), "0.00");
  EXPECT_EQ(Amount("-2.5e2"), "-250.00");
}

TEST(ReportFigures, CentsRoundHalvesAwayFromZero) {
  EXPECT_EQ(Amount("0.005"), "0.01");
  EXPECT_EQ(Amount("0.0049999"), "0.00");
  EXPECT_EQ(Amount("-0.005"), "-0.01");
  EXPECT_EQ(Amount("999.995"), "1,000.00");
  EXPECT_EQ(Amount("1.125"), "1.13");  // 1.125 is exact in binary too, and still rounds up
  EXPECT_EQ(Amount("-0.004"), "0.00");  // no sign on a zero
}

TEST(ReportFigures, TextsThatAreNoNumberAreNotFigures) {
  for (const char* text : {"", "   ", "-", ".", "1,234", "12a", "1.2.3", "--5", "1E", "1E+",
                           "E5", "0x10", "1 000", "１２"}) {
    EXPECT_FALSE(ParseFigure(text).has_value()) << "\"" << text << "\"";
  }
}

TEST(ReportFigures, HugeExponentsAreNoFigure) {
  EXPECT_FALSE(ParseFigure("1E401").has_value());
  EXPECT_FALSE(ParseFigure("1E-401").has_value());
  EXPECT_TRUE(ParseFigure("1E400").has_value());
}

TEST(ReportFigures, ReductionIsExactToTheCent) {
  EXPECT_EQ(Reduction("2590701.65", "2447027.72"), "143,673.93");
  EXPECT_EQ(Reduction("0.3", "0.1"), "0.20");  // 0.19999999999999998 in doubles
  EXPECT_EQ(Reduction("123456789012345.67", "0.01"), "123,456,789,012,345.66");
  EXPECT_EQ(Reduction("100", "250.5"), "-150.50");
  EXPECT_EQ(Reduction("-100", "50"), "-150.00");
  EXPECT_EQ(Reduction("-100", "-250"), "150.00");
  EXPECT_EQ(Reduction("1E15", "-1E15"), "2,000,000,000,000,000.00");
  EXPECT_EQ(Reduction("5", "5"), "0.00");
}

TEST(ReportFigures, LabourDayDifferencesKeepTheirDecimals) {
  EXPECT_EQ(FormatPlain(Subtract(*ParseFigure("2968.42"), *ParseFigure("2810.5"))), "157.92");
  EXPECT_EQ(FormatPlain(Subtract(*ParseFigure("2.000"), *ParseFigure("3"))), "-1.000");
  EXPECT_EQ(FormatPlain(*ParseFigure("0.25")), "0.25");
}

TEST(ReportFigures, LabourDaysShowThreeDecimalsRoundedHalfAwayFromZero) {
  EXPECT_EQ(FormatDays(*ParseFigure("2968.42")), "2968.420");
  EXPECT_EQ(FormatDays(*ParseFigure("1.0005")), "1.001");
  EXPECT_EQ(FormatDays(*ParseFigure("-1.0005")), "-1.001");
  EXPECT_EQ(FormatDays(*ParseFigure("0.0004")), "0.000");
  EXPECT_EQ(FormatDays(*ParseFigure("12345")), "12345.000");
}

TEST(ReportFigures, NothingSubmittedGivesNoReduction) {
  // An empty submitted figure: nothing to reduce. An empty determined one counts 0.
  EXPECT_FALSE(report::Reduction("", "52444.51", 2).has_value());
  EXPECT_FALSE(report::Reduction("  ", "1", 2).has_value());
  EXPECT_EQ(FormatAmount(*report::Reduction("300", "", 2)), "300.00");
  EXPECT_FALSE(report::Reduction("12a", "1", 2).has_value());
  EXPECT_FALSE(report::Reduction("1", "-", 2).has_value());
  EXPECT_EQ(FormatPlain(*report::Reduction("2.0004", "1", 3)), "1.000");
  EXPECT_EQ(FormatPlain(*report::Reduction("2.0004", "1", -1)), "1.0004");
}

TEST(ReportFigures, SumsAreExact) {
  EXPECT_EQ(FormatAmount(Add(*ParseFigure("0.1"), *ParseFigure("0.2"))), "0.30");
  EXPECT_EQ(FormatPlain(Add(*ParseFigure("123456789012345.67"), *ParseFigure("0.01"))),
            "123456789012345.68");
  EXPECT_EQ(FormatAmount(Add(*ParseFigure("-5"), *ParseFigure("5"))), "0.00");
  EXPECT_EQ(FormatAmount(Add(*ParseFigure("-5"), *ParseFigure("-2.5"))), "-7.50");
}

TEST(ReportFigures, RateIsThePerCentOfTheSubmittedFigure) {
  EXPECT_EQ(Percent("143673.93", "2590701.65"), "5.55%");
  EXPECT_EQ(Percent("-50", "200"), "-25.00%");
  EXPECT_EQ(Percent("1", "3"), "33.33%");
  EXPECT_EQ(Percent("2", "3"), "66.67%");
  EXPECT_EQ(Percent("0", "3"), "0.00%");
}

TEST(ReportFigures, NoRateWhereTheSubmittedFigureIsZero) {
  EXPECT_EQ(Percent("-10", "0"), "<none>");
  EXPECT_EQ(Percent("0", "0.00"), "<none>");
}

}  // namespace
}  // namespace torva::report
