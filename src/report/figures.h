// Figures of the audit report: a field's number text read exactly as decimal digits (no binary
// rounding on the way), and the renderings a reader expects on paper.
//
// A report shows what the form holds, so the figures are taken from the fields' texts and never from
// a floating-point value: 0.1 stays 0.1 and the fifteenth digit of a large amount is the one the
// field shows. The reduction of a row is computed here, exactly, from the figures as printed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace torva::report {

// A decimal number: sign, the digits of its magnitude without leading zeros ("0" for zero), and how
// many of those digits stand after the point. The value is digits × 10^-scale.
struct Decimal {
  bool negative = false;
  std::string digits = "0";
  int scale = 0;
};

// Reads a field's text as a decimal number: blanks (characters 0..32) around, an optional sign,
// digits with at most one '.', at least one digit, an optional exponent (E or e, optional sign,
// digits). Nothing else is a number: empty text, "1,234", "12a" and "-" give nothing. Exponents
// beyond ±400 give nothing too, so that no figure runs to thousands of digits.
std::optional<Decimal> ParseFigure(std::string_view text);

// Rounded to `decimals` decimals (0 or more), halves away from zero.
Decimal RoundTo(const Decimal& value, int decimals);

// Rounded to two decimals, halves away from zero.
Decimal RoundToCents(const Decimal& value);

// a - b and a + b, exactly.
Decimal Subtract(const Decimal& a, const Decimal& b);
Decimal Add(const Decimal& a, const Decimal& b);

// The reduction of a row: the submitted figure less the determined one, each first rounded to
// `decimals` decimals as they are printed (-1: as they stand). Nothing was submitted when the
// submitted text is blank: there is then nothing to reduce, and no reduction. A blank determined
// text counts as nothing determined, 0. Nothing either when a text is no number: a reduction never
// pretends that a text is 0.
std::optional<Decimal> Reduction(std::string_view submitted, std::string_view determined,
                                 int decimals);

bool IsZero(const Decimal& value);

// Two decimals, thousands separated by ',', '-' before negatives and no sign on a zero:
// "1,234,567.89", "-0.50", "0.00", "1,000,000,000,000,000.00".
std::string FormatAmount(const Decimal& value);

// The digits as they stand, without grouping: "12.5", "-3", "0.250".
std::string FormatPlain(const Decimal& value);

// Labour days as the form saves them: three decimals, no grouping: "2968.420", "-1.000".
std::string FormatDays(const Decimal& value);

// The nearest double, for a spreadsheet's cell.
double ToDouble(const Decimal& value);

// `part` divided by `whole` as the nearest double; nothing when `whole` is zero.
std::optional<double> Ratio(const Decimal& part, const Decimal& whole);

// `part` as a per cent of `whole`, two decimals and "%": "5.54%". Nothing when `whole` is zero.
std::optional<std::string> FormatPercent(const Decimal& part, const Decimal& whole);

}  // namespace torva::report
