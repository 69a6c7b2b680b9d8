// Number text: how the form reads numbers out of field texts and writes them back.
//
// Every value of the form is the text of a control. Calculations read a field with TextToFloat (the
// forgiving conversion), the caps compare with StrictToExtended, and results are written back in one of
// four renderings. Nothing here knows about any UI: the one message TextToFloat shows goes through a
// callback.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace torva::text {

// Caption and text of the message TextToFloat shows for numeric-looking text that is no number.
inline constexpr std::string_view kNotANumberCaption = "错误";
inline constexpr std::string_view kNotANumberText = "请输入计算数字！";

// Receives (caption, text) of a message box with an OK button and no icon.
using MessageSink = std::function<void(std::string_view caption, std::string_view text)>;

// True when, after trimming characters 0..32 at both ends, something is left and every remaining
// character is '-', '.' or a digit. Looks only at characters: "-", "1.2.3" and "--5" pass.
bool IsNumeric(std::string_view text);

// The decimal number rule: blanks around are skipped; an optional sign, digits, an optional '.'
// followed by digits, an optional exponent (E/e, optional sign, digits), nothing else. Something must
// follow the sign; a lone "." or "-." is 0; a lone "-" fails. The value is taken at extended precision.
// Only spaces are skipped: a tab or another control character beside the number makes the text no
// number, although IsNumeric, which trims characters 0..32, passes it. A value too large for the extended type fails; one too small for it is
// 0. Zero is always +0. Independent of the process locale: the point is always '.'.
std::optional<long double> ParseDecimal(std::string_view text);

// The strictest conversion, for figures read from the database: optional blanks around, an
// optional sign, digits with at most one '.', an optional exponent. Fails on anything else, on the
// empty text, on a lone sign and on a mantissa without a digit ("." and "-."). Range, spaces and
// locale as for ParseDecimal.
std::optional<long double> ParseStrict(std::string_view text);

// Reads a field: 0 silently when IsNumeric is false; otherwise ParseDecimal, and on failure calls
// `sink` with ("错误", "请输入计算数字！") and returns 0. The result is an 8-byte float; a value beyond
// the range of double counts as a failure too. An empty `sink` shows nothing.
double TextToFloat(std::string_view text, const MessageSink& sink);

// The text of the conversion error: "'%s' is not a valid floating point value".
std::string FloatConversionMessage(std::string_view text);

// The caps' conversion: the platform's own, without TextToFloat's character filter and message, at
// extended precision and range (a 64-bit mantissa; "2E308" is a number). That is ParseDecimal, so
// a lone "." or "-." is 0. Throws torva::Error(FloatConversionMessage(text)) on failure.
long double StrictToExtended(std::string_view text);

// ParseStrict as an 8-byte float (a text column read as a number), throwing
// torva::Error(FloatConversionMessage(text)) on failure or when the value is
// beyond the range of double.
double StrictToFloat(std::string_view text);

// General number text: the exact value rounded once to 15 significant digits, halves away from zero
// (123456789012344.4999 gives 123456789012344), no trailing zeros, no point for whole numbers, '-' for
// negatives, no grouping; E notation (mantissa, 'E', exponent with '-' only when negative) for
// non-zero magnitudes below 0.0001 or from 1E15, judged after rounding. Examples: 12.5, 3, 0.3,
// 5E-5, 1E15, 1.5E-7, 1.23456789012346E15; -0 gives 0. Infinities and NaN give "INF", "-INF", "NAN".
std::string FormatGeneral(long double value);

// Fixed-decimal text: the value taken to 18 significant digits, then rounded to `decimals` places,
// halves away from zero; '-' for negatives (never "-0.00"), at least one digit before the point.
// decimals 2 is the pattern "0.00", 3 is "0.000", 4 is "%.4f" (a negative count counts as 0). Large
// values are written in full, zeros beyond the 18 digits (1E20 gives 100000000000000000000.00).
// Infinities and NaN give "INF", "-INF", "NAN".
std::string FormatFixed(long double value, int decimals);

}  // namespace torva::text
