// Fuzzes the number text: the readers must accept or refuse any bytes without crashing, agree with
// one another, and every rendering of a value must read back as that value.
//
// Invariants checked on every input:
// - IsNumeric looks at characters only; TextToFloat is 0 and silent when it is false;
// - whatever the strict conversion reads, the decimal rule reads the same; zero is always +0;
// - TextToFloat shows its message exactly when the text looks numeric and is no number in the range
//   of double, and otherwise returns the double of the decimal rule's value;
// - the general text of a value reads back (strictly) within 1e-14 relative, and rendering that
//   again gives the same text;
// - the fixed texts ("0", "0.00", "0.000", "%.4f") have the expected shape, never "-0.00", and
//   read back within half a unit of their last place.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "text/number_text.h"

namespace {

using torva::text::FormatFixed;
using torva::text::FormatGeneral;
using torva::text::IsNumeric;
using torva::text::ParseDecimal;
using torva::text::ParseStrict;
using torva::text::TextToFloat;

[[noreturn]] void Fail(const char* what, std::string_view input, const std::string& detail) {
  std::fprintf(stderr, "number_text_fuzz: %s\n  input: \"%.*s\"\n  %s\n", what,
               static_cast<int>(input.size()), input.data(), detail.c_str());
  std::abort();
}

std::string Show(long double value) {
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "%.21Lg", value);
  return buffer;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// -?D(.D+)?E-?D+ or -?D+(.D+)?, at most 15 significant digits, no trailing zero after a point.
bool IsGeneralShape(const std::string& text) {
  size_t i = text.starts_with('-') ? 1 : 0;
  const size_t mantissa_begin = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  if (i == mantissa_begin) return false;
  const size_t int_end = i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    const size_t frac_begin = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i == frac_begin || text[i - 1] == '0') return false;
  }
  const size_t mantissa_end = i;
  if (i < text.size() && text[i] == 'E') {
    if (int_end - mantissa_begin != 1) return false;
    ++i;
    if (i < text.size() && text[i] == '-') ++i;
    const size_t exp_begin = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i == exp_begin) return false;
  }
  if (i != text.size()) return false;
  // Significant digits: from the first non-zero digit of the mantissa, points not counted, and the
  // zeros that only place a whole number ("1500") not counted either.
  std::string digits;
  for (size_t k = mantissa_begin; k < mantissa_end; ++k) {
    if (IsDigit(text[k])) digits += text[k];
  }
  const size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return text == "0";
  const size_t last = digits.find_last_not_of('0');
  return last - first + 1 <= 15;
}

// -?D+(.D{decimals})?
bool IsFixedShape(const std::string& text, int decimals) {
  size_t i = text.starts_with('-') ? 1 : 0;
  const size_t begin = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  if (i == begin) return false;
  if (decimals > 0) {
    if (i >= text.size() || text[i] != '.') return false;
    ++i;
    const size_t frac_begin = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i - frac_begin != static_cast<size_t>(decimals)) return false;
  }
  return i == text.size();
}

void CheckRenderings(std::string_view input, long double value) {
  const long double magnitude = std::fabs(value);
  const std::string general = FormatGeneral(value);
  if (!IsGeneralShape(general)) Fail("general text of odd shape", input, general);
  const std::optional<long double> back = ParseStrict(general);
  // Near the very top of the extended range the 15-digit rounding may step past the largest value;
  // everything the form can hold (doubles) is far below.
  if (magnitude < 1e4900L) {
    if (!back) Fail("general text does not read back", input, general);
    // Below the normal range the type itself keeps fewer digits than the text shows.
    const long double tolerance = magnitude >= std::numeric_limits<long double>::min()
                                      ? 1e-14L * magnitude
                                      : std::numeric_limits<long double>::denorm_min() * 4;
    if (std::fabs(*back - value) > tolerance) {
      Fail("general text reads back as another value", input,
           general + " -> " + Show(*back) + " for " + Show(value));
    }
    if (FormatGeneral(*back) != general) {
      Fail("general text is not stable", input, general + " then " + FormatGeneral(*back));
    }
  }
  // The fixed texts of values the form can hold (the fields are 8-byte floats).
  if (magnitude > 1e300L) return;
  for (int decimals = 0; decimals <= 4; ++decimals) {
    const std::string fixed = FormatFixed(value, decimals);
    if (!IsFixedShape(fixed, decimals)) Fail("fixed text of odd shape", input, fixed);
    const std::optional<long double> read = ParseStrict(fixed);
    if (!read) Fail("fixed text does not read back", input, fixed);
    if (fixed.starts_with('-') && *read == 0) Fail("negative zero in fixed text", input, fixed);
    // Half a unit of the last place, plus the 18 significant digits the value is first taken to.
    const long double half_unit = 0.5L * std::pow(10.0L, -decimals);
    const long double tolerance = half_unit * (1 + 1e-12L) + magnitude * 1e-17L;
    if (std::fabs(*read - value) > tolerance) {
      Fail("fixed text is off by more than half a unit", input,
           fixed + " for " + Show(value) + " (" + std::to_string(decimals) + " decimals)");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const bool numeric = IsNumeric(input);
  const std::optional<long double> decimal = ParseDecimal(input);
  const std::optional<long double> strict = ParseStrict(input);
  for (const std::optional<long double>& v : {decimal, strict}) {
    if (v && !std::isfinite(*v)) Fail("a reader returned a non-finite value", input, Show(*v));
    if (v && *v == 0 && std::signbit(*v)) Fail("a reader returned -0", input, "");
  }
  if (strict && (!decimal || *decimal != *strict)) {
    Fail("the strict conversion reads what the decimal rule does not", input, Show(*strict));
  }

  int messages = 0;
  const double read = TextToFloat(input, [&](std::string_view, std::string_view) { ++messages; });
  const bool in_double_range = decimal && std::isfinite(static_cast<double>(*decimal));
  if (!numeric) {
    if (read != 0 || messages != 0) Fail("TextToFloat read a text that is not numeric", input, "");
  } else if (in_double_range) {
    if (messages != 0) Fail("TextToFloat complained about a number", input, "");
    if (read != static_cast<double>(*decimal)) {
      Fail("TextToFloat differs from the decimal rule", input, Show(read));
    }
  } else if (messages != 1 || read != 0) {
    Fail("TextToFloat did not show its message exactly once", input, std::to_string(messages));
  }

  if (decimal) CheckRenderings(input, *decimal);
  if (read != 0) CheckRenderings(input, read);
  return 0;
}
