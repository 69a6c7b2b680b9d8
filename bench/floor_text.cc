#include "floor_text.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace torva_bench {

namespace {

// Both renderings take the value to 18 significant digits first and then round half away from
// zero, as the form's rules say; printf alone would round the binary value instead, and a value
// such as 1371334.775 would come out as .77 where the form writes .78.
struct Digits {
  std::string digits;  // without sign or point; digits[0] stands at 10^power
  int power = 0;
};

Digits Digits18(long double magnitude) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17Le", magnitude);
  Digits d;
  const char* p = buffer;
  for (; *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') d.digits += *p;
  }
  d.power = std::atoi(p + 1);
  return d;
}

// Keeps the first `keep` digits, rounding half away from zero on the next one.
void RoundDigits(Digits* d, int keep) {
  if (keep < 0) {
    d->digits = "0";
    return;
  }
  const bool up = keep < static_cast<int>(d->digits.size()) && d->digits[keep] >= '5';
  d->digits.resize(static_cast<size_t>(keep));
  if (!up) return;
  int k = keep - 1;
  while (k >= 0 && d->digits[k] == '9') d->digits[k--] = '0';
  if (k >= 0) {
    ++d->digits[k];
  } else {
    d->digits.insert(0, "1");
    ++d->power;
  }
}

}  // namespace

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

bool Blank(const std::string& text) { return std::all_of(text.begin(), text.end(), IsBlank); }

// The text without blanks around it, as [begin, end) of `text`.
std::pair<size_t, size_t> Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return {begin, end};
}

bool IsNumeric(const std::string& text) {
  const auto [begin, end] = Trim(text);
  if (begin == end) return false;
  for (size_t i = begin; i < end; ++i) {
    const char c = text[i];
    if (!(c >= '0' && c <= '9') && c != '-' && c != '.') return false;
  }
  return true;
}

// strtold over the trimmed text, which must be consumed whole.
bool Parse(const std::string& text, long double* value) {
  const auto [begin, end] = Trim(text);
  if (begin == end) return false;
  char* stop = nullptr;
  *value = std::strtold(text.c_str() + begin, &stop);
  return stop == text.c_str() + end;
}

// The forgiving reading of a field: words are 0, a malformed number is 0.
double ToFloat(const std::string& text) {
  if (!IsNumeric(text)) return 0;
  long double value = 0;
  return Parse(text, &value) ? static_cast<double>(value) : 0;
}

double Strict(const std::string& text) {
  long double value = 0;
  if (!Parse(text, &value))
    throw std::runtime_error("'" + text + "' is not a valid floating point value");
  return static_cast<double>(value);
}

// General number text: 15 significant digits, no trailing zeros, E notation below 1E-4 and from
// 1E15.
std::string General(long double value) {
  if (value == 0) return "0";
  Digits d = Digits18(value < 0 ? -value : value);
  RoundDigits(&d, 15);
  if (d.digits.size() > 15) d.digits.resize(15);  // a carry made "1000..."
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  std::string text = value < 0 ? "-" : "";
  if (d.power < -4 || d.power >= 15) {
    text += d.digits.substr(0, 1);
    if (d.digits.size() > 1) text += "." + d.digits.substr(1);
    return text + "E" + std::to_string(d.power);
  }
  if (d.power < 0)
    return text + "0." + std::string(static_cast<size_t>(-d.power - 1), '0') + d.digits;
  if (static_cast<int>(d.digits.size()) <= d.power + 1) {
    return text + d.digits + std::string(static_cast<size_t>(d.power + 1) - d.digits.size(), '0');
  }
  return text + d.digits.substr(0, d.power + 1) + "." + d.digits.substr(d.power + 1);
}

std::string Fixed(long double value, int decimals) {
  if (value == 0) return "0." + std::string(static_cast<size_t>(decimals), '0');
  Digits d = Digits18(value < 0 ? -value : value);
  RoundDigits(&d, d.power + 1 + decimals);  // the digits down to the last decimal
  // Write them at their place: integer part (at least "0"), then exactly `decimals` decimals.
  std::string all;
  if (d.power < 0) {
    all = std::string(static_cast<size_t>(-d.power - 1), '0') + d.digits;
    if (d.digits == "0") all = "";
  } else {
    all = d.digits;
  }
  const int integer_digits = d.power < 0 ? 0 : d.power + 1;
  all.resize(static_cast<size_t>(integer_digits + decimals), '0');
  std::string integer = all.substr(0, static_cast<size_t>(integer_digits));
  if (integer.empty()) integer = "0";
  std::string text = integer;
  if (decimals > 0) text += "." + all.substr(static_cast<size_t>(integer_digits));
  const bool zero = text.find_first_of("123456789") == std::string::npos;
  return value < 0 && !zero ? "-" + text : text;
}

bool Boolean(const std::string& text) {
  long double value = 0;
  if (Parse(text, &value)) return value != 0;
  if (strcasecmp(text.c_str(), "true") == 0) return true;
  if (strcasecmp(text.c_str(), "false") == 0) return false;
  throw std::runtime_error("'" + text + "' is not a valid boolean value");
}

}  // namespace torva_bench
