// Small text helpers that every layer uses: blanks, ASCII case, UTF-8 characters. Texts are UTF-8
// std::string throughout; nothing here allocates unless it returns a new string.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace torva::text {

constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// Characters 0..32 count as blanks: spaces, tabs, line ends and the other control characters.
constexpr bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// `text` without blanks (characters 0..32) at either end.
constexpr std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// `text` without spaces (character 32 only) at either end: what a number conversion skips.
constexpr std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// True when `text` holds nothing but blanks (the empty text included).
constexpr bool IsBlank(std::string_view text) { return TrimBlanks(text).empty(); }

constexpr char ToLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// `text` with A-Z lowered; every other byte, UTF-8 included, unchanged.
inline std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToLowerAscii(c);
  return out;
}

// Equal when A-Z and a-z are taken as the same letters (SQL keywords, function and column names).
constexpr bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ToLowerAscii(a[i]) != ToLowerAscii(b[i])) return false;
  }
  return true;
}

// True for the second to fourth byte of a UTF-8 character.
constexpr bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The number of bytes of the UTF-8 character whose first byte is `lead` (1 for a stray byte).
constexpr std::size_t Utf8Length(char lead) {
  const auto u = static_cast<unsigned char>(lead);
  return u >= 0xF0 ? 4 : u >= 0xE0 ? 3 : u >= 0xC0 ? 2 : 1;
}

// The largest character boundary of `text` at or before `limit` (so that text.substr(0, result)
// never cuts a character in two).
constexpr std::size_t Utf8Boundary(std::string_view text, std::size_t limit) {
  if (limit >= text.size()) return text.size();
  while (limit > 0 && IsUtf8Continuation(text[limit])) --limit;
  return limit;
}

// The UTF-8 characters of `text`, one string each; a character cut short at the end is kept as it is.
inline std::vector<std::string> Utf8Characters(std::string_view text) {
  std::vector<std::string> chars;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = std::min(Utf8Length(text[i]), text.size() - i);
    chars.emplace_back(text.substr(i, n));
    i += n;
  }
  return chars;
}

// The last code point of a UTF-8 text (0 for the empty text).
constexpr char32_t LastCodePoint(std::string_view text) {
  if (text.empty()) return 0;
  std::size_t start = text.size() - 1;
  while (start > 0 && IsUtf8Continuation(text[start])) --start;
  const auto lead = static_cast<unsigned char>(text[start]);
  const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
  for (std::size_t i = start + 1; i < text.size(); ++i) {
    cp = (cp << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
  }
  return cp;
}

// True when `bytes` is well-formed UTF-8: no overlong form, no surrogate, nothing past U+10FFFF,
// no character cut short.
constexpr bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t extra = 0;
    char32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
      cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      cp = lead & 0x07;
    } else {
      return false;
    }
    if (i + extra >= bytes.size()) return false;  // cut short at the end
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto cont = static_cast<unsigned char>(bytes[i + k]);
      if ((cont & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cont & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) ||
        (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

// `text` with each %XX (two hexadecimal digits) made the byte it names, as in a URI; a '%' not
// followed by two hexadecimal digits is kept as it stands.
inline std::string PercentDecoded(std::string_view text) {
  const auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  out.reserve(text.size());
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] == '%' && k + 2 < text.size() && hex(text[k + 1]) >= 0 && hex(text[k + 2]) >= 0) {
      out += static_cast<char>(hex(text[k + 1]) * 16 + hex(text[k + 2]));
      k += 2;
      continue;
    }
    out += text[k];
  }
  return out;
}

}  // namespace torva::text
