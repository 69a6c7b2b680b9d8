#include "report/figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "text/strings.h"

namespace torva::report {
namespace {

constexpr int kMaxExponent = 400;

using text::IsAsciiDigit;

std::string StripLeadingZeros(std::string digits) {
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return "0";
  digits.erase(0, first);
  return digits;
}

// Brings `value` to `scale` decimals (scale not below its own) by appending zeros.
std::string DigitsAtScale(const Decimal& value, int scale) {
  std::string digits = value.digits;
  if (digits != "0") digits.append(static_cast<std::size_t>(scale - value.scale), '0');
  return digits;
}

// Compares two magnitudes written without leading zeros.
int CompareMagnitudes(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

std::string AddMagnitudes(const std::string& a, const std::string& b) {
  std::string sum;
  int carry = 0;
  for (std::size_t i = 0; i < std::max(a.size(), b.size()) || carry != 0; ++i) {
    int d = carry;
    if (i < a.size()) d += a[a.size() - 1 - i] - '0';
    if (i < b.size()) d += b[b.size() - 1 - i] - '0';
    sum.push_back(static_cast<char>('0' + d % 10));
    carry = d / 10;
  }
  std::reverse(sum.begin(), sum.end());
  return StripLeadingZeros(sum);
}

// a - b for magnitudes with a >= b.
std::string SubtractMagnitudes(const std::string& a, const std::string& b) {
  std::string difference;
  int borrow = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    int d = a[a.size() - 1 - i] - '0' - borrow;
    if (i < b.size()) d -= b[b.size() - 1 - i] - '0';
    borrow = d < 0 ? 1 : 0;
    difference.push_back(static_cast<char>('0' + d + 10 * borrow));
  }
  std::reverse(difference.begin(), difference.end());
  return StripLeadingZeros(difference);
}

Decimal Normalized(Decimal value) {
  value.digits = StripLeadingZeros(std::move(value.digits));
  if (value.digits == "0") value.negative = false;
  return value;
}

long double ToLongDouble(const Decimal& value) {
  // strtold reads the point of the C locale only, so the exponent carries the scale instead.
  const std::string text = value.digits + "e-" + std::to_string(value.scale);
  const long double magnitude = std::strtold(text.c_str(), nullptr);
  return value.negative ? -magnitude : magnitude;
}

// The whole-number digits and the fraction of `value`, the fraction padded to `decimals`.
void SplitDigits(const Decimal& value, int decimals, std::string& whole, std::string& fraction) {
  std::string digits = value.digits;
  if (static_cast<int>(digits.size()) <= value.scale) {
    digits.insert(0, static_cast<std::size_t>(value.scale - static_cast<int>(digits.size()) + 1), '0');
  }
  whole = digits.substr(0, digits.size() - static_cast<std::size_t>(value.scale));
  fraction = digits.substr(digits.size() - static_cast<std::size_t>(value.scale));
  if (static_cast<int>(fraction.size()) < decimals) {
    fraction.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
  }
}

}  // namespace

std::optional<Decimal> ParseFigure(std::string_view text) {
  const std::string_view s = text::TrimBlanks(text);
  Decimal value;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    value.negative = s[i] == '-';
    ++i;
  }
  std::string digits;
  int scale = 0;
  bool point = false;
  for (; i < s.size() && (IsAsciiDigit(s[i]) || (s[i] == '.' && !point)); ++i) {
    if (s[i] == '.') {
      point = true;
    } else {
      digits.push_back(s[i]);
      if (point) ++scale;
    }
  }
  if (digits.empty()) return std::nullopt;
  long exponent = 0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
    ++i;
    bool negative_exponent = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
      negative_exponent = s[i] == '-';
      ++i;
    }
    if (i == s.size()) return std::nullopt;
    for (; i < s.size() && IsAsciiDigit(s[i]); ++i) {
      exponent = exponent * 10 + (s[i] - '0');
      if (exponent > kMaxExponent) return std::nullopt;
    }
    if (negative_exponent) exponent = -exponent;
  }
  if (i != s.size()) return std::nullopt;
  scale -= static_cast<int>(exponent);
  if (scale < 0) {
    digits.append(static_cast<std::size_t>(-scale), '0');
    scale = 0;
  }
  value.digits = std::move(digits);
  value.scale = scale;
  return Normalized(std::move(value));
}

Decimal RoundTo(const Decimal& value, int decimals) {
  if (value.scale <= decimals) return value;
  const std::size_t dropped = static_cast<std::size_t>(value.scale - decimals);
  const std::size_t cut = value.digits.size() > dropped ? value.digits.size() - dropped : 0;
  // The first dropped digit decides: halves go away from zero.
  const char first_dropped = value.digits.size() >= dropped ? value.digits[cut] : '0';
  Decimal rounded;
  rounded.negative = value.negative;
  rounded.scale = decimals;
  rounded.digits = cut == 0 ? "0" : value.digits.substr(0, cut);
  if (first_dropped >= '5') rounded.digits = AddMagnitudes(rounded.digits, "1");
  return Normalized(std::move(rounded));
}

Decimal RoundToCents(const Decimal& value) { return RoundTo(value, 2); }

Decimal Subtract(const Decimal& a, const Decimal& b) {
  const int scale = std::max(a.scale, b.scale);
  const std::string x = StripLeadingZeros(DigitsAtScale(a, scale));
  const std::string y = StripLeadingZeros(DigitsAtScale(b, scale));
  Decimal result;
  result.scale = scale;
  if (a.negative != b.negative) {  // a - (-|b|) or -|a| - |b|
    result.digits = AddMagnitudes(x, y);
    result.negative = a.negative;
  } else if (CompareMagnitudes(x, y) >= 0) {
    result.digits = SubtractMagnitudes(x, y);
    result.negative = a.negative;
  } else {
    result.digits = SubtractMagnitudes(y, x);
    result.negative = !a.negative;
  }
  return Normalized(std::move(result));
}

Decimal Add(const Decimal& a, const Decimal& b) {
  Decimal negated = b;
  negated.negative = !b.negative;
  return Subtract(a, Normalized(std::move(negated)));
}

std::optional<Decimal> Reduction(std::string_view submitted, std::string_view determined,
                                 int decimals) {
  if (text::IsBlank(submitted)) return std::nullopt;
  std::optional<Decimal> from = ParseFigure(submitted);
  std::optional<Decimal> to = text::IsBlank(determined) ? Decimal{} : ParseFigure(determined);
  if (!from || !to) return std::nullopt;
  if (decimals >= 0) {
    from = RoundTo(*from, decimals);
    to = RoundTo(*to, decimals);
  }
  return Subtract(*from, *to);
}

bool IsZero(const Decimal& value) { return value.digits == "0"; }

std::string FormatAmount(const Decimal& value) {
  const Decimal cents = RoundToCents(value);
  std::string whole, fraction;
  SplitDigits(cents, 2, whole, fraction);
  std::string grouped;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped.push_back(',');
    grouped.push_back(whole[i]);
  }
  return (cents.negative ? "-" : "") + grouped + "." + fraction;
}

std::string FormatPlain(const Decimal& value) {
  std::string whole, fraction;
  SplitDigits(value, 0, whole, fraction);
  return (value.negative ? "-" : "") + whole + (fraction.empty() ? "" : "." + fraction);
}

std::string FormatDays(const Decimal& value) {
  const Decimal rounded = RoundTo(value, 3);
  std::string whole, fraction;
  SplitDigits(rounded, 3, whole, fraction);
  return (rounded.negative ? "-" : "") + whole + "." + fraction;
}

double ToDouble(const Decimal& value) { return static_cast<double>(ToLongDouble(value)); }

std::optional<double> Ratio(const Decimal& part, const Decimal& whole) {
  if (IsZero(whole)) return std::nullopt;
  const long double ratio = ToLongDouble(part) / ToLongDouble(whole);
  if (!std::isfinite(ratio)) return std::nullopt;
  return static_cast<double>(ratio);
}

std::optional<std::string> FormatPercent(const Decimal& part, const Decimal& whole) {
  if (IsZero(whole)) return std::nullopt;
  const long double ratio = ToLongDouble(part) / ToLongDouble(whole);
  if (!std::isfinite(ratio)) return std::nullopt;
  // Hundredths of a per cent as a whole number; "%.0Lf" prints no point, whatever the locale.
  char buffer[6000];
  std::snprintf(buffer, sizeof buffer, "%.0Lf", std::round(std::fabs(ratio) * 10000.0L));
  Decimal percent;
  percent.digits = buffer;
  percent.scale = 2;
  percent.negative = ratio < 0;
  return FormatPlain(Normalized(std::move(percent))) + "%";
}

}  // namespace torva::report
