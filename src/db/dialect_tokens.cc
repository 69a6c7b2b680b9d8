#include "db/dialect_tokens.h"

#include <array>
#include <cctype>

#include "text/strings.h"

namespace torva::db {
namespace {

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool IsIdStart(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalpha(u) || c == '_' || u >= 0x80;
}
bool IsIdChar(char c) { return IsIdStart(c) || text::IsAsciiDigit(c) || c == '$'; }

// Moves past a quoted token that opens at sql[pos] and ends with `close`; inside quotes (not
// brackets) a doubled closing character stands for one. False when it is never closed.
bool SkipQuoted(std::string_view sql, std::size_t& pos, char close) {
  for (++pos; pos < sql.size(); ++pos) {
    if (sql[pos] != close) continue;
    if (close != ']' && pos + 1 < sql.size() && sql[pos + 1] == close) {
      ++pos;
      continue;
    }
    ++pos;
    return true;
  }
  return false;
}

void SkipNumber(std::string_view sql, std::size_t& pos) {
  auto digits = [&] {
    while (pos < sql.size() && text::IsAsciiDigit(sql[pos])) ++pos;
  };
  const bool hex = sql[pos] == '0' && pos + 2 < sql.size() &&
                   (sql[pos + 1] == 'x' || sql[pos + 1] == 'X') && IsHexDigit(sql[pos + 2]);
  if (hex) {
    pos += 2;
    while (pos < sql.size() && IsHexDigit(sql[pos])) ++pos;
    return;
  }
  digits();
  if (pos < sql.size() && sql[pos] == '.') {
    ++pos;
    digits();
  }
  if (pos < sql.size() && (sql[pos] == 'e' || sql[pos] == 'E')) {
    std::size_t exp = pos + 1;
    if (exp < sql.size() && (sql[exp] == '+' || sql[exp] == '-')) ++exp;
    if (exp < sql.size() && text::IsAsciiDigit(sql[exp])) {
      pos = exp;
      digits();
    }
  }
}

TokenKind ScanOperator(std::string_view sql, std::size_t& pos) {
  static constexpr std::array<std::string_view, 10> kLong = {
      "->>", "||", "->", "<=", ">=", "<>", "!=", "==", "<<", ">>"};
  for (std::string_view op : kLong) {
    if (sql.substr(pos, op.size()) == op) {
      pos += op.size();
      return TokenKind::kOperator;
    }
  }
  const char c = sql[pos++];
  switch (c) {
    case '(': return TokenKind::kOpen;
    case ')': return TokenKind::kClose;
    case ',': return TokenKind::kComma;
    default:
      return std::string_view("+-*/%^\\<>=&|~.").find(c) != std::string_view::npos
                 ? TokenKind::kOperator
                 : TokenKind::kOther;
  }
}

// Reads one token starting at sql[pos] and moves pos past it.
TokenKind Scan(std::string_view sql, std::size_t& pos) {
  const char c = sql[pos];
  const char next = pos + 1 < sql.size() ? sql[pos + 1] : '\0';
  if (text::IsBlank(c)) {
    while (pos < sql.size() && text::IsBlank(sql[pos])) ++pos;
    return TokenKind::kBlank;
  }
  if ((c == 'x' || c == 'X') && next == '\'') {
    ++pos;
    return SkipQuoted(sql, pos, '\'') ? TokenKind::kBlob : TokenKind::kUnclosed;
  }
  switch (c) {
    case '\'': return SkipQuoted(sql, pos, '\'') ? TokenKind::kString : TokenKind::kUnclosed;
    case '"': return SkipQuoted(sql, pos, '"') ? TokenKind::kTextLiteral : TokenKind::kUnclosed;
    case '`': return SkipQuoted(sql, pos, '`') ? TokenKind::kQuotedName : TokenKind::kUnclosed;
    case '[': return SkipQuoted(sql, pos, ']') ? TokenKind::kBracketName : TokenKind::kUnclosed;
    default: break;
  }
  if (text::IsAsciiDigit(c) || (c == '.' && text::IsAsciiDigit(next))) {
    SkipNumber(sql, pos);
    return TokenKind::kNumber;
  }
  if (IsIdStart(c)) {
    while (pos < sql.size() && IsIdChar(sql[pos])) ++pos;
    return TokenKind::kWord;
  }
  if (c == '?' || ((c == ':' || c == '@' || c == '$') && IsIdChar(next))) {
    ++pos;
    while (pos < sql.size() && IsIdChar(sql[pos])) ++pos;
    return TokenKind::kParameter;
  }
  return ScanOperator(sql, pos);
}

}  // namespace

std::vector<Token> Tokenize(std::string_view sql) {
  std::vector<Token> tokens;
  std::size_t pos = 0;
  while (pos < sql.size()) {
    const std::size_t start = pos;
    const TokenKind kind = Scan(sql, pos);
    tokens.push_back({kind, sql.substr(start, pos - start)});
  }
  return tokens;
}

bool IsArithmeticOperator(const Token& token) {
  return token.kind == TokenKind::kOperator && token.text.size() == 1 &&
         std::string_view("+-*/%^\\").find(token.text[0]) != std::string_view::npos;
}

bool IsArithmeticWord(const Token& token) {
  if (token.kind != TokenKind::kWord) return false;
  using text::EqualsIgnoreCase;
  return EqualsIgnoreCase(token.text, "abs") || EqualsIgnoreCase(token.text, "round") ||
         EqualsIgnoreCase(token.text, "Mod");
}

std::string LiteralValue(std::string_view token) {
  const char quote = token.front();
  const std::string_view inner = token.substr(1, token.size() - 2);
  std::string value;
  value.reserve(inner.size());
  for (std::size_t k = 0; k < inner.size(); ++k) {
    if (inner[k] == quote) ++k;  // the first of a doubled quote
    value += inner[k];
  }
  return value;
}

std::optional<int> FormatPatternDecimals(std::string_view pattern) {
  constexpr std::size_t kMaxDecimals = 15;
  if (pattern == "0") return 0;
  if (pattern.size() < 3 || pattern.substr(0, 2) != "0.") return std::nullopt;
  const std::string_view zeros = pattern.substr(2);
  if (zeros.size() > kMaxDecimals) return std::nullopt;
  if (zeros.find_first_not_of('0') != std::string_view::npos) return std::nullopt;
  return static_cast<int>(zeros.size());
}

std::string Excerpt(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return std::string(text);
  return std::string(text.substr(0, text::Utf8Boundary(text, limit))) + "...";
}

}  // namespace torva::db
