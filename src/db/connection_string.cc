#include "db/connection_string.h"

#include <cstddef>

#include "text/strings.h"

namespace torva::db {
namespace {

using text::IsBlank;
using text::ToLowerAscii;
using text::TrimBlanks;

void SkipBlanks(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
}

// Reads a value enclosed in `quote` starting at text[pos] (the opening quote); a doubled quote
// inside stands for one. Stops at the closing quote, or at the end when the quote never closes.
std::string ReadQuoted(std::string_view text, std::size_t& pos) {
  const char quote = text[pos++];
  std::string value;
  while (pos < text.size()) {
    const char c = text[pos++];
    if (c != quote) {
      value += c;
    } else if (pos < text.size() && text[pos] == quote) {
      value += quote;
      ++pos;
    } else {
      break;
    }
  }
  return value;
}

// Reads the value after '=' up to the next ';' (not included).
std::string ReadValue(std::string_view text, std::size_t& pos) {
  SkipBlanks(text, pos);
  if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
    std::string value = ReadQuoted(text, pos);
    // Anything between the closing quote and the next ';' is not part of the value.
    while (pos < text.size() && text[pos] != ';') ++pos;
    return value;
  }
  const std::size_t end = text.find(';', pos);
  const std::size_t stop = end == std::string_view::npos ? text.size() : end;
  std::string value(TrimBlanks(text.substr(pos, stop - pos)));
  pos = stop;
  return value;
}

}  // namespace

std::map<std::string, std::string> ParseConnectionString(std::string_view text) {
  std::map<std::string, std::string> parts;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t key_end = text.find_first_of("=;", pos);
    const std::size_t stop = key_end == std::string_view::npos ? text.size() : key_end;
    const std::string key = ToLowerAscii(TrimBlanks(text.substr(pos, stop - pos)));
    pos = stop;
    std::string value;
    if (pos < text.size() && text[pos] == '=') {
      ++pos;
      value = ReadValue(text, pos);
    }
    if (pos < text.size()) ++pos;  // the ';'
    // As with the desktop provider, a key given twice takes its last value.
    if (!key.empty()) parts[key] = std::move(value);
  }
  return parts;
}

std::string QuoteConnectionValue(std::string_view value) {
  const bool needs_quotes = value.find_first_of(";=\"'") != std::string_view::npos ||
                            (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back())));
  if (!needs_quotes) return std::string(value);
  std::string quoted = "\"";
  for (char c : value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string JetConnectionString(std::string_view path) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + QuoteConnectionValue(path) +
         ";Persist Security Info=True;jet oledb:database;";
}

}  // namespace torva::db
