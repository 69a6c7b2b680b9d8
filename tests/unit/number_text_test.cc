#include "text/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "text/error.h"

namespace torva::text {
namespace {

// Records every message TextToFloat shows.
struct RecordingSink {
  std::vector<std::pair<std::string, std::string>> messages;
  MessageSink Sink() {
    return [this](std::string_view caption, std::string_view text) {
      messages.emplace_back(std::string(caption), std::string(text));
    };
  }
};

// ---------------------------------------------------------------------------------------------
// IsNumeric

TEST(IsNumericTest, AcceptsDigitsPointsAndMinusWithBlanksAround) {
  EXPECT_TRUE(IsNumeric("12.5"));
  EXPECT_TRUE(IsNumeric("  12.5  "));
  EXPECT_TRUE(IsNumeric("\t-0.5\r\n"));
  EXPECT_TRUE(IsNumeric(std::string_view("\0 7\x1f", 4)));
}

TEST(IsNumericTest, LooksOnlyAtCharactersNotAtTheShapeOfANumber) {
  EXPECT_TRUE(IsNumeric("-"));
  EXPECT_TRUE(IsNumeric("."));
  EXPECT_TRUE(IsNumeric("1.2.3"));
  EXPECT_TRUE(IsNumeric("--5"));
  EXPECT_TRUE(IsNumeric("3-4"));
}

TEST(IsNumericTest, RejectsEmptyAndBlankOnlyTexts) {
  EXPECT_FALSE(IsNumeric(""));
  EXPECT_FALSE(IsNumeric("   "));
  EXPECT_FALSE(IsNumeric("\t\r\n"));
}

TEST(IsNumericTest, RejectsAnyOtherCharacter) {
  EXPECT_FALSE(IsNumeric("1,234"));
  EXPECT_FALSE(IsNumeric("+5"));
  EXPECT_FALSE(IsNumeric("1E5"));
  EXPECT_FALSE(IsNumeric("1 2"));
  EXPECT_FALSE(IsNumeric("abc"));
  EXPECT_FALSE(IsNumeric("１２"));  // full-width digits
  EXPECT_FALSE(IsNumeric("12\x7f"));
}

// ---------------------------------------------------------------------------------------------
// ParseDecimal: the rule behind TextToFloat and the save normalisation

TEST(ParseDecimalTest, ReadsPlainNumbers) {
  EXPECT_EQ(ParseDecimal("12.5"), 12.5L);
  EXPECT_EQ(ParseDecimal("-3"), -3.0L);
  EXPECT_EQ(ParseDecimal("+3"), 3.0L);
  EXPECT_EQ(ParseDecimal(".5"), 0.5L);
  EXPECT_EQ(ParseDecimal("5."), 5.0L);
  EXPECT_EQ(ParseDecimal("1e3"), 1000.0L);
  EXPECT_EQ(ParseDecimal("2.5E-1"), 0.25L);
  EXPECT_EQ(ParseDecimal("007"), 7.0L);
}

TEST(ParseDecimalTest, TakesTheValueAtExtendedPrecision) {
  // 0.1 read into the 64-bit mantissa differs from the double 0.1.
  EXPECT_EQ(ParseDecimal("0.1"), 0.1L);
  EXPECT_NE(*ParseDecimal("0.1"), static_cast<long double>(0.1));
}

TEST(ParseDecimalTest, SkipsSpacesAround) {
  EXPECT_EQ(ParseDecimal(" 12.5"), 12.5L);
  EXPECT_EQ(ParseDecimal("12.5  "), 12.5L);
}

TEST(ParseDecimalTest, FailsOnAControlCharacterBesideTheNumber) {
  for (const char* text : {"\t5", "5\t", "\r\n5", "5\n", "\x01" "5", "5\x1f", " \t5 "}) {
    EXPECT_FALSE(ParseDecimal(text).has_value()) << '"' << text << '"';
  }
}

TEST(ParseDecimalTest, ALonePointIsZero) {
  EXPECT_EQ(ParseDecimal("."), 0.0L);
  EXPECT_EQ(ParseDecimal("-."), 0.0L);
  EXPECT_EQ(ParseDecimal(" . "), 0.0L);
}

TEST(ParseDecimalTest, ZeroIsNeverNegative) {
  EXPECT_FALSE(std::signbit(*ParseDecimal("-0")));
  EXPECT_FALSE(std::signbit(*ParseDecimal("-0.000")));
}

TEST(ParseDecimalTest, FailsOnTextsThatAreNoNumber) {
  for (const char* text : {"", "   ", "-", "+", "1.2.3", "3-4", "--5", "1 2", "- 5", "1,5", "1e",
                           "1e+", "E5", "12a", "inf", "nan", "0x10"}) {
    EXPECT_FALSE(ParseDecimal(text).has_value()) << '"' << text << '"';
  }
}

TEST(ParseDecimalTest, FailsWhenTheValueIsTooLargeForTheExtendedType) {
  EXPECT_FALSE(ParseDecimal("1E5000").has_value());
  EXPECT_FALSE(ParseDecimal("-1E5000").has_value());
  EXPECT_FALSE(ParseDecimal("1E99999999999999999999999").has_value());
}

TEST(ParseDecimalTest, ReadsValuesTooSmallForTheExtendedTypeAsZero) {
  EXPECT_EQ(ParseDecimal("1E-5000"), 0.0L);
  EXPECT_EQ(ParseDecimal("-1E-99999999999999999999"), 0.0L);
  EXPECT_EQ(ParseDecimal("0E99999999999999999999"), 0.0L);
  EXPECT_EQ(ParseDecimal("0." + std::string(6000, '0') + "1"), 0.0L);
}

// ---------------------------------------------------------------------------------------------
// ParseStrict

TEST(ParseStrictTest, ReadsNumbersWithOptionalBlanksSignPointAndExponent) {
  EXPECT_EQ(ParseStrict("12.5"), 12.5L);
  EXPECT_EQ(ParseStrict("  -12.5  "), -12.5L);
  EXPECT_EQ(ParseStrict("+7"), 7.0L);
  EXPECT_EQ(ParseStrict(".5"), 0.5L);
  EXPECT_EQ(ParseStrict("5."), 5.0L);
  EXPECT_EQ(ParseStrict("1E3"), 1000.0L);
  EXPECT_EQ(ParseStrict("1e-2"), 0.01L);
  EXPECT_EQ(ParseStrict("-2.5e+1"), -25.0L);
}

TEST(ParseStrictTest, NeedsADigitInTheMantissa) {
  EXPECT_FALSE(ParseStrict("").has_value());
  EXPECT_FALSE(ParseStrict("   ").has_value());
  EXPECT_FALSE(ParseStrict(".").has_value());
  EXPECT_FALSE(ParseStrict("-").has_value());
  EXPECT_FALSE(ParseStrict("+").has_value());
  EXPECT_FALSE(ParseStrict("-.").has_value());
  EXPECT_FALSE(ParseStrict("e5").has_value());
}

TEST(ParseStrictTest, FailsOnAnythingElse) {
  for (const char* text : {"1.2.3", "3-4", "--5", "1,000", "1 000", "12a", "1e", "1e-", "1e2.5",
                           "inf", "nan", "0x1A", "1E5000", "\t8000", "8000\n"}) {
    EXPECT_FALSE(ParseStrict(text).has_value()) << '"' << text << '"';
  }
}

// ---------------------------------------------------------------------------------------------
// TextToFloat

TEST(TextToFloatTest, ReadsNumbersAsDoubles) {
  RecordingSink sink;
  EXPECT_EQ(TextToFloat(" 12.5", sink.Sink()), 12.5);
  EXPECT_EQ(TextToFloat(".5", sink.Sink()), 0.5);
  EXPECT_EQ(TextToFloat("5.", sink.Sink()), 5.0);
  EXPECT_EQ(TextToFloat("-1234.56", sink.Sink()), -1234.56);
  EXPECT_EQ(TextToFloat("0.1", sink.Sink()), 0.1);
  EXPECT_TRUE(sink.messages.empty());
}

TEST(TextToFloatTest, NonNumericTextIsZeroWithoutMessage) {
  RecordingSink sink;
  for (const char* text : {"", "   ", "abc", "+5", "1,234", "1E5", "1 2"}) {
    EXPECT_EQ(TextToFloat(text, sink.Sink()), 0.0) << '"' << text << '"';
  }
  EXPECT_TRUE(sink.messages.empty());
}

TEST(TextToFloatTest, ALonePointIsZeroWithoutMessage) {
  RecordingSink sink;
  EXPECT_EQ(TextToFloat(".", sink.Sink()), 0.0);
  EXPECT_EQ(TextToFloat("-.", sink.Sink()), 0.0);
  EXPECT_TRUE(sink.messages.empty());
}

TEST(TextToFloatTest, MalformedNumericTextIsZeroWithTheMessage) {
  for (const char* text : {"-", "1.2.3", "3-4", "--5", "5-", "..", " - "}) {
    RecordingSink sink;
    EXPECT_EQ(TextToFloat(text, sink.Sink()), 0.0) << '"' << text << '"';
    ASSERT_EQ(sink.messages.size(), 1u) << '"' << text << '"';
    EXPECT_EQ(sink.messages[0].first, "错误");
    EXPECT_EQ(sink.messages[0].second, "请输入计算数字！");
  }
}

TEST(TextToFloatTest, EachConversionShowsItsOwnMessage) {
  RecordingSink sink;
  for (int i = 0; i < 3; ++i) TextToFloat("-", sink.Sink());
  EXPECT_EQ(sink.messages.size(), 3u);
}

TEST(TextToFloatTest, AnEmptySinkIsTolerated) {
  EXPECT_EQ(TextToFloat("1.2.3", MessageSink()), 0.0);
}

TEST(TextToFloatTest, AValueBeyondTheRangeOfDoubleIsNoNumber) {
  RecordingSink sink;
  EXPECT_EQ(TextToFloat("1" + std::string(400, '0'), sink.Sink()), 0.0);
  EXPECT_EQ(TextToFloat("-1" + std::string(5000, '0'), sink.Sink()), 0.0);
  EXPECT_EQ(sink.messages.size(), 2u);
}

TEST(TextToFloatTest, AVanishinglySmallValueIsZeroWithoutMessage) {
  RecordingSink sink;
  EXPECT_EQ(TextToFloat("0." + std::string(400, '0') + "1", sink.Sink()), 0.0);
  EXPECT_TRUE(sink.messages.empty());
}

// ---------------------------------------------------------------------------------------------
// Conversion error and the throwing conversions

TEST(ConversionErrorTest, MessageQuotesTheText) {
  EXPECT_EQ(FloatConversionMessage("1.2.3"), "'1.2.3' is not a valid floating point value");
  EXPECT_EQ(FloatConversionMessage(""), "'' is not a valid floating point value");
}

TEST(ConversionErrorTest, StrictToFloatReadsNumbers) {
  EXPECT_EQ(StrictToFloat("8000"), 8000.0);
  EXPECT_EQ(StrictToFloat(" 6500.25 "), 6500.25);
  EXPECT_EQ(StrictToFloat("-1e2"), -100.0);
}

TEST(ConversionErrorTest, StrictToFloatThrowsOnTheEmptyTextAndALonePoint) {
  try {
    StrictToFloat("");
    FAIL() << "no error thrown";
  } catch (const torva::Error& error) {
    EXPECT_STREQ(error.what(), "'' is not a valid floating point value");
  }
  try {
    StrictToFloat(".");
    FAIL() << "no error thrown";
  } catch (const torva::Error& error) {
    EXPECT_STREQ(error.what(), "'.' is not a valid floating point value");
  }
  EXPECT_THROW(StrictToFloat("abc"), torva::Error);
  EXPECT_THROW(StrictToFloat("1E400"), torva::Error);
}

// The caps compare at extended precision and range.
TEST(ConversionErrorTest, StrictToExtendedReadsBeyondTheRangeOfDouble) {
  EXPECT_EQ(StrictToExtended("2E308"), 2E308L);
  EXPECT_EQ(StrictToExtended("-2E308"), -2E308L);
  EXPECT_GT(StrictToExtended("2E308"), StrictToExtended("1"));
}

TEST(ConversionErrorTest, StrictToExtendedTellsApartWhatDoublesMerge) {
  EXPECT_LT(StrictToExtended("99.9999999999999999"), StrictToExtended("100"));
  EXPECT_GT(StrictToExtended("100.000000000000001"), StrictToExtended("100"));
  EXPECT_EQ(StrictToExtended(" 100 "), 100.0L);
}

// The caps' conversion is the platform's own: it reads a mantissa without digits as 0, as
// TextToFloat does, but still fails on a lone sign.
TEST(ConversionErrorTest, StrictToExtendedReadsALonePointAsZero) {
  EXPECT_EQ(StrictToExtended("."), 0.0L);
  EXPECT_EQ(StrictToExtended("-."), 0.0L);
  EXPECT_EQ(StrictToExtended(" . "), 0.0L);
  EXPECT_THROW(StrictToExtended("-"), torva::Error);
}

TEST(ConversionErrorTest, StrictToExtendedThrowsTheConversionError) {
  try {
    StrictToExtended("\t5");
    FAIL() << "no error thrown";
  } catch (const torva::Error& error) {
    EXPECT_STREQ(error.what(), "'\t5' is not a valid floating point value");
  }
  EXPECT_THROW(StrictToExtended(""), torva::Error);
  EXPECT_THROW(StrictToExtended("1E5000"), torva::Error);
}

// ---------------------------------------------------------------------------------------------
// FormatGeneral

TEST(FormatGeneralTest, WritesWholeNumbersWithoutPoint) {
  EXPECT_EQ(FormatGeneral(3), "3");
  EXPECT_EQ(FormatGeneral(1500), "1500");
  EXPECT_EQ(FormatGeneral(-42), "-42");
  EXPECT_EQ(FormatGeneral(999999999999999.0L), "999999999999999");
}

TEST(FormatGeneralTest, WritesFractionsWithoutTrailingZeros) {
  EXPECT_EQ(FormatGeneral(12.5), "12.5");
  EXPECT_EQ(FormatGeneral(-12.5), "-12.5");
  EXPECT_EQ(FormatGeneral(0.1), "0.1");
  EXPECT_EQ(FormatGeneral(0.0001), "0.0001");
  EXPECT_EQ(FormatGeneral(1234.56), "1234.56");
}

TEST(FormatGeneralTest, ZeroIsZeroWhateverItsSign) {
  EXPECT_EQ(FormatGeneral(0), "0");
  EXPECT_EQ(FormatGeneral(-0.0L), "0");
}

TEST(FormatGeneralTest, RoundsToFifteenSignificantDigits) {
  const long double sum = static_cast<long double>(0.1) + static_cast<long double>(0.2);
  EXPECT_EQ(FormatGeneral(sum), "0.3");
  EXPECT_EQ(FormatGeneral(1.0L / 3), "0.333333333333333");
  EXPECT_EQ(FormatGeneral(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FormatGeneral(2.0L / 3), "0.666666666666667");
  EXPECT_EQ(FormatGeneral(-2.0L / 3), "-0.666666666666667");
}

TEST(FormatGeneralTest, RoundsHalvesAwayFromZero) {
  // Both are exact in binary with a 16th digit of exactly 5.
  EXPECT_EQ(FormatGeneral(123456789012345.5), "123456789012346");
  EXPECT_EQ(FormatGeneral(123456789012344.5), "123456789012345");
  EXPECT_EQ(FormatGeneral(-123456789012344.5), "-123456789012345");
  EXPECT_EQ(FormatGeneral(1234567890123455.0L), "1.23456789012346E15");
  EXPECT_EQ(FormatGeneral(9999999999999995.0L), "1E16");
}

// Sums of typed values just beside a half in the 16th digit: one rounding of the exact sum.
TEST(FormatGeneralTest, RoundsTheExactValueOnceNotAnEighteenDigitValue) {
  const auto sum = [](double a, double b) { return static_cast<long double>(a) + b; };
  EXPECT_EQ(FormatGeneral(sum(123456789012344, 0.4999)), "123456789012344");
  EXPECT_EQ(FormatGeneral(sum(1, 0.0000000000000049998)), "1");
  EXPECT_EQ(FormatGeneral(sum(1, 0.000000000000025)), "1.00000000000002");
  // Mirror images: negative, and just above the half.
  EXPECT_EQ(FormatGeneral(sum(-123456789012344, -0.4999)), "-123456789012344");
  EXPECT_EQ(FormatGeneral(sum(-1, -0.0000000000000049998)), "-1");
  EXPECT_EQ(FormatGeneral(sum(-1, -0.000000000000025)), "-1.00000000000002");
  EXPECT_EQ(FormatGeneral(sum(123456789012344, 0.5001)), "123456789012345");
  EXPECT_EQ(FormatGeneral(sum(1, 0.0000000000000050002)), "1.00000000000001");
  EXPECT_EQ(FormatGeneral(sum(-1, -0.0000000000000050002)), "-1.00000000000001");
}

TEST(FormatGeneralTest, UsesExponentFormOnlyBelowOneTenThousandthAndFromOneE15) {
  EXPECT_EQ(FormatGeneral(0.00005), "5E-5");
  EXPECT_EQ(FormatGeneral(0.00001), "1E-5");
  EXPECT_EQ(FormatGeneral(1.5e-7), "1.5E-7");
  EXPECT_EQ(FormatGeneral(-1.5e-7), "-1.5E-7");
  EXPECT_EQ(FormatGeneral(1e15), "1E15");
  EXPECT_EQ(FormatGeneral(1234567890123456.0), "1.23456789012346E15");
  EXPECT_EQ(FormatGeneral(1e20), "1E20");
  EXPECT_EQ(FormatGeneral(-2.5e300), "-2.5E300");
  EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::denorm_min()), "4.94065645841247E-324");
}

TEST(FormatGeneralTest, ChoosesTheFormAfterRounding) {
  // Rounding carries these across the limits of the plain form.
  EXPECT_EQ(FormatGeneral(999999999999999.9), "1E15");
  EXPECT_EQ(FormatGeneral(0.0000999999999999999999), "0.0001");
}

TEST(FormatGeneralTest, WritesExtremesAndNonFiniteValuesWithoutCrashing) {
  EXPECT_EQ(FormatGeneral(std::numeric_limits<long double>::max()), "1.18973149535723E4932");
  EXPECT_EQ(FormatGeneral(std::numeric_limits<long double>::infinity()), "INF");
  EXPECT_EQ(FormatGeneral(-std::numeric_limits<long double>::infinity()), "-INF");
  EXPECT_EQ(FormatGeneral(std::numeric_limits<long double>::quiet_NaN()), "NAN");
}

TEST(FormatGeneralTest, ReadsBackToTheSameText) {
  for (const char* text : {"12.5", "0.3", "1500", "5E-5", "1.23456789012346E15", "-0.0001"}) {
    EXPECT_EQ(FormatGeneral(*ParseDecimal(text)), text);
  }
}

// ---------------------------------------------------------------------------------------------
// FormatFixed: "0.00", "0.000" and "%.4f"

TEST(FormatFixedTest, TwoDecimals) {
  EXPECT_EQ(FormatFixed(2.5, 2), "2.50");
  EXPECT_EQ(FormatFixed(1234.5, 2), "1234.50");
  EXPECT_EQ(FormatFixed(0, 2), "0.00");
  EXPECT_EQ(FormatFixed(0.5, 2), "0.50");
  EXPECT_EQ(FormatFixed(38250, 2), "38250.00");
  EXPECT_EQ(FormatFixed(-7.1, 2), "-7.10");
}

TEST(FormatFixedTest, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(FormatFixed(0.125, 2), "0.13");
  EXPECT_EQ(FormatFixed(-0.125, 2), "-0.13");
  EXPECT_EQ(FormatFixed(0.375, 2), "0.38");
}

TEST(FormatFixedTest, RoundsTheEighteenDigitValue) {
  // The double 2.675 is 2.67499999999999982...: its 18 digits end in ...982, so it rounds down,
  // while 2.675 at extended precision is just above the half.
  EXPECT_EQ(FormatFixed(2.675, 2), "2.67");
  EXPECT_EQ(FormatFixed(2.675L, 2), "2.68");
  // The double 2.0005 is 2.000499999999999989...: taken to 18 digits it is 2.0005 exactly.
  EXPECT_EQ(FormatFixed(2.0005, 3), "2.001");
  // The double 0.995 is 0.994999999999999995...: 18 digits keep it below the half.
  EXPECT_EQ(FormatFixed(0.995, 2), "0.99");
}

TEST(FormatFixedTest, CarriesIntoANewLeadingDigit) {
  EXPECT_EQ(FormatFixed(9.999, 2), "10.00");
  EXPECT_EQ(FormatFixed(0.996, 2), "1.00");
  EXPECT_EQ(FormatFixed(-99.999, 2), "-100.00");
  EXPECT_EQ(FormatFixed(0.005, 2), "0.01");
}

TEST(FormatFixedTest, NeverWritesANegativeZero) {
  EXPECT_EQ(FormatFixed(-0.0L, 2), "0.00");
  EXPECT_EQ(FormatFixed(-0.004, 2), "0.00");
  EXPECT_EQ(FormatFixed(-1e-30, 4), "0.0000");
  EXPECT_EQ(FormatFixed(-0.0004, 3), "0.000");
}

TEST(FormatFixedTest, ThreeDecimals) {
  EXPECT_EQ(FormatFixed(4, 3), "4.000");
  EXPECT_EQ(FormatFixed(12.3456, 3), "12.346");
  EXPECT_EQ(FormatFixed(-0.0005, 3), "-0.001");
}

TEST(FormatFixedTest, FourDecimals) {
  EXPECT_EQ(FormatFixed(0.5, 4), "0.5000");
  EXPECT_EQ(FormatFixed(0.03966, 4), "0.0397");
  EXPECT_EQ(FormatFixed(0.0375, 4), "0.0375");
  EXPECT_EQ(FormatFixed(90000.0L / 2000000, 4), "0.0450");
}

TEST(FormatFixedTest, WritesLargeValuesInFull) {
  EXPECT_EQ(FormatFixed(1e20, 2), "100000000000000000000.00");
  EXPECT_EQ(FormatFixed(1e15, 3), "1000000000000000.000");
  // Beyond 18 significant digits the places are zeros.
  EXPECT_EQ(FormatFixed(123456789012345678901234.0L, 2), "123456789012345679000000.00");
  const std::string largest = FormatFixed(std::numeric_limits<long double>::max(), 2);
  EXPECT_EQ(largest.size(), 4933u + 3u);
  EXPECT_EQ(largest.substr(0, 18), "118973149535723177");
}

TEST(FormatFixedTest, WritesSmallValuesAsZeroOrTheirRoundedPlaces) {
  EXPECT_EQ(FormatFixed(0.0049999, 2), "0.00");
  EXPECT_EQ(FormatFixed(1e-30, 2), "0.00");
  EXPECT_EQ(FormatFixed(0.00005, 4), "0.0001");
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::denorm_min(), 4), "0.0000");
}

TEST(FormatFixedTest, WritesNonFiniteValuesWithoutCrashing) {
  EXPECT_EQ(FormatFixed(std::numeric_limits<long double>::infinity(), 2), "INF");
  EXPECT_EQ(FormatFixed(-std::numeric_limits<long double>::infinity(), 3), "-INF");
  EXPECT_EQ(FormatFixed(std::numeric_limits<long double>::quiet_NaN(), 4), "NAN");
}

// ---------------------------------------------------------------------------------------------
// The process locale: the window sets it from the environment, and a decimal comma there must not
// change a single text.

TEST(NumberTextLocaleTest, IgnoresADecimalCommaInTheProcessLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  const char* comma_locale = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "ru_RU.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      comma_locale = name;
      break;
    }
  }
  if (comma_locale == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";

  const std::optional<long double> parsed = ParseStrict("1.5");
  const double read = TextToFloat("12.25", MessageSink());
  const std::string general = FormatGeneral(12.5);
  const std::string fixed = FormatFixed(2.5, 2);
  std::setlocale(LC_NUMERIC, saved.c_str());

  EXPECT_EQ(parsed, 1.5L);
  EXPECT_EQ(read, 12.25);
  EXPECT_EQ(general, "12.5");
  EXPECT_EQ(fixed, "2.50");
}

}  // namespace
}  // namespace torva::text
