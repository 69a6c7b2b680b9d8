#include "text/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

#include "text/error.h"
#include "text/strings.h"

// Locale: the Qt window sets the process locale from the environment, so LC_NUMERIC may well use a
// decimal comma. Nothing here may depend on it. Texts are read with std::from_chars and digits are
// produced with std::to_chars, which the standard defines to behave as in the "C" locale whatever
// the process locale is; no strtod, printf or stream touches a number here.

namespace torva::text {
namespace {


// A decimal exponent beyond this is far outside every float type; clamping keeps the sums from
// overflowing an integer on texts like "1E99999999999999999999".
constexpr int64_t kExponentClamp = int64_t{1} << 40;

// The two conversions differ in one point only: the decimal number rule reads a mantissa made of a
// lone point as 0, the strict conversion wants at least one digit.
std::optional<long double> Convert(std::string_view text, bool lone_point_is_zero) {
  // Only spaces: a tab or line end beside the digits makes numeric-looking text that is no number.
  const std::string_view s = TrimSpaces(text);
  const size_t n = s.size();
  size_t i = 0;

  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  const size_t mantissa_begin = i;

  // Where the first non-zero digit stands, as a power of ten relative to the point; found while
  // scanning so that an out-of-range result can be told apart as too large or too small.
  bool any_nonzero = false;
  int64_t lead_power = 0;

  size_t int_digits = 0;
  while (i < n && IsAsciiDigit(s[i])) {
    if (!any_nonzero && s[i] != '0') {
      any_nonzero = true;
      lead_power = -static_cast<int64_t>(int_digits);  // corrected below by the digit count
    }
    ++int_digits;
    ++i;
  }
  if (any_nonzero) lead_power += static_cast<int64_t>(int_digits) - 1;

  bool point = false;
  size_t frac_digits = 0;
  if (i < n && s[i] == '.') {
    point = true;
    ++i;
    while (i < n && IsAsciiDigit(s[i])) {
      if (!any_nonzero && s[i] != '0') {
        any_nonzero = true;
        lead_power = -static_cast<int64_t>(frac_digits) - 1;
      }
      ++frac_digits;
      ++i;
    }
  }

  if (int_digits + frac_digits == 0 && !(point && lone_point_is_zero)) return std::nullopt;

  int64_t exponent = 0;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool exponent_negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
      exponent_negative = s[i] == '-';
      ++i;
    }
    size_t exponent_digits = 0;
    while (i < n && IsAsciiDigit(s[i])) {
      if (exponent < kExponentClamp) exponent = exponent * 10 + (s[i] - '0');
      ++exponent_digits;
      ++i;
    }
    if (exponent_digits == 0) return std::nullopt;
    if (exponent_negative) exponent = -exponent;
  }
  if (i != n) return std::nullopt;

  // Zero needs no conversion at all ("0E99999" is 0, "." and "-." read as 0), and is always +0 so
  // that no "-0" leaks into later arithmetic.
  if (!any_nonzero) return 0.0L;

  // The syntax is checked; from_chars now does the correctly rounded conversion to the 64-bit
  // mantissa. It accepts "5.", ".5" and "5.e3" as this rule does, but no '+', hence the sign apart.
  const char* first = s.data() + mantissa_begin;
  const char* last = s.data() + n;
  long double value = 0.0L;
  const std::from_chars_result result =
      std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Too small for the extended type is 0, as it would be in any sum; too large is no number.
    if (lead_power + exponent < 0) return 0.0L;
    return std::nullopt;
  }
  if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

// The 8-byte result of a conversion; a value beyond the range of double is no number either.
std::optional<double> ToDouble(std::optional<long double> value) {
  if (!value) return std::nullopt;
  const double result = static_cast<double>(*value);
  if (!std::isfinite(result)) return std::nullopt;
  return result;
}

// The value taken to 18 significant decimal digits: digits[0..17] without sign or point, and the
// power of ten of digits[0]. Only for finite, non-zero values.
struct Decimal18 {
  char digits[18];
  int power;
};

Decimal18 ToDecimal18(long double magnitude) {
  // "d.ddddddddddddddddde[+-]x": at most 1 + 1 + 17 + 2 + 4 characters for the extended type.
  char buffer[64];
  const std::to_chars_result result = std::to_chars(
      buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 17);
  Decimal18 decimal{};
  int count = 0;
  const char* p = buffer;
  for (; p < result.ptr && *p != 'e'; ++p) {
    if (IsAsciiDigit(*p) && count < 18) decimal.digits[count++] = *p;
  }
  for (; count < 18; ++count) decimal.digits[count] = '0';
  int power = 0;
  bool power_negative = false;
  if (p < result.ptr) ++p;  // 'e'
  if (p < result.ptr && (*p == '+' || *p == '-')) power_negative = *p++ == '-';
  for (; p < result.ptr; ++p) power = power * 10 + (*p - '0');
  decimal.power = power_negative ? -power : power;
  return decimal;
}

// Adds one in the last place of the decimal `digits` whose first digit stands at 10^*power.
// All nines (or no digit at all) give the next power of ten.
void AddOneInLastPlace(std::string& digits, int* power) {
  int k = static_cast<int>(digits.size()) - 1;
  while (k >= 0 && digits[k] == '9') digits[k--] = '0';
  if (k >= 0) {
    ++digits[k];
  } else {
    digits.assign(1, '1');
    ++*power;
  }
}

// Keeps the first `keep` digits (0..18) of the decimal, rounding half away from zero on the digit
// that follows. A carry out of the first digit gives "1" and raises the power. Returns the kept
// digits, an empty string when nothing is kept and nothing rounds up.
std::string RoundDigits(const Decimal18& decimal, int keep, int* power) {
  *power = decimal.power;
  std::string digits(decimal.digits, static_cast<size_t>(keep));
  if (keep >= 18 || decimal.digits[keep] < '5') return digits;
  AddOneInLastPlace(digits, power);
  return digits;
}

// The magnitude rounded once to `significant` (1..18) decimal digits, halves away from zero:
// digits[0..significant) and the power of ten of digits[0]. Only for finite, non-zero values.
// to_chars rounds exactly but breaks ties to even; a tie is an exact value of one more digit ending
// in 5, which the long expansion below proves (a long double that is not that decimal differs from
// it well before the 120th digit within any range a fee reaches).
std::string RoundSignificant(long double magnitude, int significant, int* power) {
  char buffer[192];
  auto digits_of = [&](int count, int* exponent) {
    const std::to_chars_result result = std::to_chars(
        buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, count - 1);
    std::string digits;
    const char* p = buffer;
    for (; p < result.ptr && *p != 'e'; ++p) {
      if (IsAsciiDigit(*p)) digits.push_back(*p);
    }
    std::from_chars(p + 1 + (p[1] == '+'), result.ptr, *exponent);
    return digits;
  };
  // One digit more, rounded to nearest: below 5 the exact value rounds down, above 5 up.
  std::string digits = digits_of(significant + 1, power);
  const char next = digits.back();
  digits.pop_back();
  bool up = next > '5';
  if (next == '5') {
    int long_power = 0;
    const std::string exact = digits_of(120, &long_power);
    const bool tie = long_power == *power &&
                     exact.find_first_not_of('0', static_cast<size_t>(significant) + 1) ==
                         std::string::npos;
    if (!tie) return digits_of(significant, power);  // exactly rounded on the true side of the half
    up = true;
  }
  if (up) AddOneInLastPlace(digits, power);
  return digits;
}

std::string NonFiniteText(long double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

}  // namespace

bool IsNumeric(std::string_view text) {
  const std::string_view trimmed = TrimBlanks(text);
  if (trimmed.empty()) return false;
  for (char c : trimmed) {
    if (!IsAsciiDigit(c) && c != '-' && c != '.') return false;
  }
  return true;
}

std::optional<long double> ParseDecimal(std::string_view text) {
  return Convert(text, /*lone_point_is_zero=*/true);
}

std::optional<long double> ParseStrict(std::string_view text) {
  return Convert(text, /*lone_point_is_zero=*/false);
}

double TextToFloat(std::string_view text, const MessageSink& sink) {
  if (!IsNumeric(text)) return 0.0;
  const std::optional<double> value = ToDouble(ParseDecimal(text));
  if (value) return *value;
  if (sink) sink(kNotANumberCaption, kNotANumberText);
  return 0.0;
}

std::string FloatConversionMessage(std::string_view text) {
  std::string message = "'";
  message.append(text);
  message.append("' is not a valid floating point value");
  return message;
}

long double StrictToExtended(std::string_view text) {
  const std::optional<long double> value = ParseDecimal(text);
  if (!value) throw Error(FloatConversionMessage(text));
  return *value;
}

double StrictToFloat(std::string_view text) {
  const std::optional<double> value = ToDouble(ParseStrict(text));
  if (!value) throw Error(FloatConversionMessage(text));
  return *value;
}

std::string FormatGeneral(long double value) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (value == 0) return "0";

  // One rounding of the exact value: taking 18 digits first would round 0.49999... up to a half.
  constexpr int kSignificant = 15;
  int power = 0;
  std::string digits = RoundSignificant(std::fabs(value), kSignificant, &power);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out;
  if (value < 0) out.push_back('-');
  if (power < -4 || power >= kSignificant) {
    out.push_back(digits[0]);
    if (digits.size() > 1) {
      out.push_back('.');
      out.append(digits, 1, std::string::npos);
    }
    out.push_back('E');
    out.append(std::to_string(power));
  } else if (power < 0) {
    out.append("0.");
    out.append(static_cast<size_t>(-power - 1), '0');
    out.append(digits);
  } else {
    const size_t int_count = static_cast<size_t>(power) + 1;
    if (digits.size() <= int_count) {
      out.append(digits);
      out.append(int_count - digits.size(), '0');
    } else {
      out.append(digits, 0, int_count);
      out.push_back('.');
      out.append(digits, int_count, std::string::npos);
    }
  }
  return out;
}

std::string FormatFixed(long double value, int decimals) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (decimals < 0) decimals = 0;

  // Digits of the rounded magnitude from the highest place down to the last decimal; the text is
  // built from them with zeros filling the places the 18 digits do not reach.
  std::string digits;
  int power = 0;
  if (value != 0) {
    const Decimal18 decimal = ToDecimal18(std::fabs(value));
    // Places kept: from the first digit (10^power) down to 10^-decimals.
    const int64_t keep = int64_t{decimal.power} + decimals + 1;
    if (keep >= 0) digits = RoundDigits(decimal, static_cast<int>(keep < 18 ? keep : 18), &power);
  }
  const bool zero = digits.empty() || digits.find_first_not_of('0') == std::string::npos;

  // Lay the digits out on the places 10^max(power,0) .. 10^-decimals.
  std::string places;
  if (zero) {
    places.assign(static_cast<size_t>(decimals) + 1, '0');
  } else {
    const int top = power > 0 ? power : 0;
    places.assign(static_cast<size_t>(top) + 1 + static_cast<size_t>(decimals), '0');
    for (size_t k = 0; k < digits.size(); ++k) {
      const int64_t place = int64_t{power} - static_cast<int64_t>(k);  // 10^place
      const int64_t index = top - place;
      if (index >= 0 && index < static_cast<int64_t>(places.size())) places[index] = digits[k];
    }
  }

  std::string out;
  if (value < 0 && !zero) out.push_back('-');
  const size_t int_count = places.size() - static_cast<size_t>(decimals);
  out.append(places, 0, int_count);
  if (decimals > 0) {
    out.push_back('.');
    out.append(places, int_count, std::string::npos);
  }
  return out;
}

}  // namespace torva::text
