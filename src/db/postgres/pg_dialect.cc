// The translation of a statement of the desktop dialect into PostgreSQL's, and the reading of the
// values that come back.
#include "db/postgres/pg_dialect.h"

#include <charconv>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "db/dialect_tokens.h"
#include "text/error.h"
#include "text/number_text.h"
#include "text/strings.h"

namespace torva::db::postgres {
namespace {

using text::EqualsIgnoreCase;

// A significant token with the blanks before it.
struct Piece {
  TokenKind kind;
  std::string_view lead;
  std::string_view text;
};

// [Name] or `Name` as the server's quoted name, in lower case: the bare name G_QF means g_qf there.
std::string QuotedName(std::string_view token) {
  const std::string inner = text::ToLowerAscii(token.substr(1, token.size() - 2));
  std::string out = "\"";
  for (char c : inner) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

bool IsLiteral(const Piece& piece) {
  return piece.kind == TokenKind::kString || piece.kind == TokenKind::kTextLiteral;
}

// Words that end a select list at its top level.
bool EndsSelectList(const Piece& piece) {
  if (piece.kind != TokenKind::kWord) return false;
  for (std::string_view word : {"from", "where", "group", "having", "order", "limit", "offset",
                                "union", "except", "intersect", "window", "into", "for"}) {
    if (EqualsIgnoreCase(piece.text, word)) return true;
  }
  return false;
}

// Words that can never be an operand.
bool IsReservedWord(std::string_view word) {
  static constexpr std::string_view kReserved =
      " all and as asc between by case check collate create default delete desc distinct else end"
      " except from group having in insert intersect into is isnull join like limit mod not notnull"
      " offset on or order select set table then union update using values when where with ";
  if (EqualsIgnoreCase(word, "case")) return false;  // CASE ... END is an operand
  return kReserved.find(" " + text::ToLowerAscii(word) + " ") != std::string_view::npos;
}

class Translator {
 public:
  // Far deeper than any statement of the form; the server's own parser stops earlier still.
  static constexpr int kMaxDepth = 200;

  Translator(std::string_view sql, std::vector<Piece> pieces, std::string_view tail)
      : sql_(sql), pieces_(std::move(pieces)), tail_(tail) {}

  PgStatement Run() {
    std::size_t start = 0;
    if (!pieces_.empty() && IsWord(0, "select")) {
      Append(pieces_[0].lead, pieces_[0].text);
      start = SelectList(1);
    }
    Range(start, pieces_.size());
    Append(tail_, "");
    out_.sql = std::move(sql_out_);
    return std::move(out_);
  }

 private:
  bool IsWord(std::size_t k, std::string_view word) const {
    return k < pieces_.size() && pieces_[k].kind == TokenKind::kWord &&
           EqualsIgnoreCase(pieces_[k].text, word);
  }
  bool IsKind(std::size_t k, TokenKind kind) const {
    return k < pieces_.size() && pieces_[k].kind == kind;
  }
  bool IsOp(std::size_t k, std::string_view op) const {
    return IsKind(k, TokenKind::kOperator) && pieces_[k].text == op;
  }
  bool IsCall(std::size_t k, std::string_view function) const {
    return IsWord(k, function) && IsKind(k + 1, TokenKind::kOpen);
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw Error("Cannot translate the SQL statement for PostgreSQL: " + what +
                " (statement: " + Excerpt(sql_, 200) + ")");
  }

  // Appends a piece, keeping apart what the server would read as the start or end of a comment.
  void Append(std::string_view lead, std::string_view text) {
    sql_out_ += lead;
    if (lead.empty() && !sql_out_.empty() && !text.empty()) {
      const char last = sql_out_.back();
      const char next = text.front();
      if ((last == '-' && next == '-') || (last == '/' && next == '*') ||
          (last == '*' && next == '/')) {
        sql_out_ += ' ';
      }
    }
    sql_out_ += text;
  }

  // The ')' that closes the '(' at `open`.
  std::size_t MatchingClose(std::size_t open) const {
    int depth = 0;
    for (std::size_t k = open; k < pieces_.size(); ++k) {
      if (pieces_[k].kind == TokenKind::kOpen) ++depth;
      if (pieces_[k].kind == TokenKind::kClose && --depth == 0) return k;
    }
    Fail("')' is missing");
  }

  // The arguments of the call whose '(' stands at `open` and ')' at `close`, split at the commas
  // of its own level: half-open ranges of pieces.
  std::vector<std::pair<std::size_t, std::size_t>> Arguments(std::size_t open,
                                                             std::size_t close) const {
    std::vector<std::pair<std::size_t, std::size_t>> arguments;
    std::size_t begin = open + 1;
    int depth = 0;
    for (std::size_t k = open + 1; k < close; ++k) {
      if (pieces_[k].kind == TokenKind::kOpen) ++depth;
      if (pieces_[k].kind == TokenKind::kClose) --depth;
      if (depth == 0 && pieces_[k].kind == TokenKind::kComma) {
        arguments.emplace_back(begin, k);
        begin = k + 1;
      }
    }
    arguments.emplace_back(begin, close);
    for (const auto& [from, to] : arguments) {
      if (from == to) Fail("an argument of " + std::string(pieces_[open - 1].text) + " is empty");
    }
    return arguments;
  }

  // The select list from `k`: items split at the commas of its own level, up to the word that
  // ends it. A Format(...) item is sent bare and formatted as it is read. Returns where it ends.
  std::size_t SelectList(std::size_t k) {
    int column = 0;
    while (k < pieces_.size() && !EndsSelectList(pieces_[k])) {
      std::size_t end = k;
      int depth = 0;
      while (end < pieces_.size()) {
        if (pieces_[end].kind == TokenKind::kOpen) ++depth;
        if (pieces_[end].kind == TokenKind::kClose) --depth;
        if (depth == 0 && (pieces_[end].kind == TokenKind::kComma || EndsSelectList(pieces_[end])))
          break;
        if (depth < 0) break;
        ++end;
      }
      if (!FormatItem(k, end, column)) Range(k, end);
      if (end < pieces_.size() && pieces_[end].kind == TokenKind::kComma) {
        Append(pieces_[end].lead, pieces_[end].text);
        ++end;
        ++column;
      } else if (end < pieces_.size() && !EndsSelectList(pieces_[end])) {
        return end;  // an unbalanced ')': the rest is written as it stands, the server judges it
      }
      k = end;
    }
    return k;
  }

  // Format(value, "pattern") [[AS] alias] as the whole item [from, to): written as the bare value.
  bool FormatItem(std::size_t from, std::size_t to, int column) {
    if (!IsCall(from, "Format")) return false;
    const std::size_t close = MatchingClose(from + 1);
    std::size_t alias = close + 1;
    if (IsWord(alias, "as")) ++alias;
    const bool bare = alias == close + 1 && alias == to;
    const bool named = alias + 1 == to &&
                       (IsKind(alias, TokenKind::kWord) || IsKind(alias, TokenKind::kBracketName) ||
                        IsKind(alias, TokenKind::kQuotedName));
    if (!bare && !named) return false;  // Format inside a larger item: refused by Range
    const auto arguments = Arguments(from + 1, close);
    if (arguments.size() != 2) Fail("Format needs a value and a pattern");
    const auto [pattern_from, pattern_to] = arguments[1];
    std::optional<int> decimals;
    if (pattern_to == pattern_from + 1 && IsLiteral(pieces_[pattern_from])) {
      decimals = FormatPatternDecimals(LiteralValue(pieces_[pattern_from].text));
    }
    if (!decimals) {
      Fail("Format: unsupported pattern " + std::string(Excerpt(pieces_[pattern_from].text)) +
           " (supported: \"0\", \"0.00\", \"0.000\" and the like)");
    }
    out_.formatted.push_back({column, *decimals});
    Append(pieces_[from].lead, "(");
    Range(arguments[0].first, arguments[0].second);
    Append("", ")");
    if (bare) {
      Append(" ", "AS \"format\"");
    } else {
      Range(close + 1, to);
    }
    return true;
  }

  // Where the operand that starts at `k` ends: signs, then a literal, a number, a name (with its
  // table), a call, a bracketed group or CASE ... END. `k` itself when no operand starts there.
  std::size_t OperandEnd(std::size_t k, std::size_t to) const {
    while (k < to && (IsOp(k, "-") || IsOp(k, "+"))) ++k;
    if (k >= to) return k;
    const Piece& piece = pieces_[k];
    switch (piece.kind) {
      case TokenKind::kOpen: return MatchingClose(k) + 1;
      case TokenKind::kString:
      case TokenKind::kTextLiteral:
      case TokenKind::kNumber: return k + 1;
      case TokenKind::kWord:
        if (EqualsIgnoreCase(piece.text, "case")) return CaseEnd(k) + 1;
        if (IsReservedWord(piece.text)) return k;
        [[fallthrough]];
      case TokenKind::kBracketName:
      case TokenKind::kQuotedName: {
        std::size_t end = k + 1;
        while (end + 1 < to && IsOp(end, ".")) end += 2;
        if (IsKind(end, TokenKind::kOpen)) end = MatchingClose(end) + 1;
        return end;
      }
      default: return k;
    }
  }

  // The END of the CASE at `k`.
  std::size_t CaseEnd(std::size_t k) const {
    int depth = 0;
    for (; k < pieces_.size(); ++k) {
      if (IsWord(k, "case")) ++depth;
      if (IsWord(k, "end") && --depth == 0) return k;
    }
    Fail("CASE without END");
  }

  // Writes the pieces [from, to).
  void Range(std::size_t from, std::size_t to) {
    // IIF, IsNull and divisors nest by recursion; hostile text must not exhaust the stack.
    if (++depth_ > kMaxDepth) Fail("the statement is nested too deeply");
    for (std::size_t k = from; k < to; ++k) {
      const Piece& piece = pieces_[k];
      switch (piece.kind) {
        case TokenKind::kString:
        case TokenKind::kTextLiteral: {
          std::string value = LiteralValue(piece.text);
          if (value.find('\0') != std::string::npos) {
            Fail("a text holds the character NUL, which the server's texts cannot hold");
          }
          out_.values.push_back(std::move(value));
          Append(piece.lead, "$" + std::to_string(out_.values.size()));
          continue;
        }
        case TokenKind::kBracketName:
        case TokenKind::kQuotedName: Append(piece.lead, QuotedName(piece.text)); continue;
        case TokenKind::kParameter: Fail("the statement has a parameter of its own");
        case TokenKind::kUnclosed: Fail("unterminated string or name at: " + Excerpt(piece.text));
        case TokenKind::kWord: k = Word(k, to); continue;
        case TokenKind::kOperator:
          if (piece.text == "^" || piece.text == "\\") {
            Fail("'" + std::string(piece.text) + "' belongs to fee expressions, not statements");
          }
          if (piece.text == "/") {
            k = Divisor(k, to);
            continue;
          }
          break;
        default: break;
      }
      Append(piece.lead, piece.text);
    }
    --depth_;
  }

  // a / b: b read as a double, so that two integers divide as reals. The server refuses a zero
  // divisor itself. Returns the last piece of the divisor.
  std::size_t Divisor(std::size_t slash, std::size_t to) {
    const std::size_t end = OperandEnd(slash + 1, to);
    if (end == slash + 1) Fail("'/' has no operand after it");
    if (end < to && IsOp(end, "^")) Fail("'^' belongs to fee expressions, not statements");
    Append(pieces_[slash].lead, "/");
    Append(pieces_[slash + 1].lead, "CAST((");
    const std::string_view lead = pieces_[slash + 1].lead;
    pieces_[slash + 1].lead = {};
    Range(slash + 1, end);
    pieces_[slash + 1].lead = lead;
    Append("", ") AS double precision)");
    return end - 1;
  }

  // A word at `k`: the dialect's own functions become the server's; returns the last piece used.
  std::size_t Word(std::size_t k, std::size_t to) {
    const Piece& piece = pieces_[k];
    if (EqualsIgnoreCase(piece.text, "Mod"))
      Fail("'Mod' belongs to fee expressions, not statements");
    if (IsCall(k, "IIF")) {
      const std::size_t close = MatchingClose(k + 1);
      if (close >= to) Fail("')' is missing");
      const auto arguments = Arguments(k + 1, close);
      if (arguments.size() != 3) Fail("IIF needs a condition and two values");
      Append(piece.lead, "(CASE WHEN ");
      Range(arguments[0].first, arguments[0].second);
      Append(" ", "THEN ");
      Range(arguments[1].first, arguments[1].second);
      Append(" ", "ELSE ");
      Range(arguments[2].first, arguments[2].second);
      Append(" ", "END)");
      return close;
    }
    if (IsCall(k, "IsNull")) {
      const std::size_t close = MatchingClose(k + 1);
      if (close >= to) Fail("')' is missing");
      const auto arguments = Arguments(k + 1, close);
      if (arguments.size() != 1) Fail("IsNull needs one value");
      Append(piece.lead, "((");
      Range(arguments[0].first, arguments[0].second);
      Append("", ") IS NULL)");
      return close;
    }
    if (IsCall(k, "Format")) {
      Fail(
          "Format is read only as a column of the result, as in select Format(QTFY,\"0.00\") as "
          "QTF");
    }
    Append(piece.lead, piece.text);
    return k;
  }

  std::string_view sql_;
  std::vector<Piece> pieces_;
  std::string_view tail_;
  std::string sql_out_;
  PgStatement out_;
  int depth_ = 0;
};

// Reads the shortest text of a float back as that very float, then widens it exactly.
template <typename Float>
std::optional<long double> ReadFloat(std::string_view text) {
  const std::string_view trimmed = text::TrimSpaces(text);
  const char* last = trimmed.data() + trimmed.size();
  Float value = 0;
  const std::from_chars_result result = std::from_chars(trimmed.data(), last, value);
  if (result.ec != std::errc() || result.ptr != last) return std::nullopt;
  return static_cast<long double>(value);
}

std::optional<long double> NumberOf(std::string_view text, ValueKind kind) {
  switch (kind) {
    // A real's text is the amount as it was written (1.1, where the float itself is
    // 1.10000002384...): read as a double, it is the value an SQLite file would hold for it.
    case ValueKind::kFloat4: return ReadFloat<double>(text);
    case ValueKind::kFloat8: return ReadFloat<double>(text);
    default: return text::ParseStrict(text);
  }
}

}  // namespace

PgStatement TranslateForPostgres(std::string_view sql) {
  const std::vector<Token> tokens = Tokenize(sql);
  std::vector<Piece> pieces;
  pieces.reserve(tokens.size());
  const char* lead_begin = sql.data();
  for (const Token& token : tokens) {
    if (token.kind == TokenKind::kBlank) continue;
    const std::string_view lead(lead_begin,
                                static_cast<std::size_t>(token.text.data() - lead_begin));
    pieces.push_back({token.kind, lead, token.text});
    lead_begin = token.text.data() + token.text.size();
  }
  const std::string_view tail(lead_begin,
                              static_cast<std::size_t>(sql.data() + sql.size() - lead_begin));
  return Translator(sql, std::move(pieces), tail).Run();
}

std::string FormatColumnValue(std::string_view text, ValueKind kind, int decimals) {
  if (kind == ValueKind::kText && text.empty()) return std::string();
  const std::optional<long double> value = NumberOf(text, kind);
  if (!value) {
    throw Error("Data type mismatch in Format: '" + std::string(text) + "' is not a number");
  }
  return text::FormatFixed(*value, decimals);
}

std::string ValueAsText(std::string_view text, ValueKind kind) {
  if (kind == ValueKind::kInteger || kind == ValueKind::kText) return std::string(text);
  const std::optional<long double> value = NumberOf(text, kind);
  if (!value) return std::string(text);  // "NaN", "Infinity": as the server wrote them
  return text::FormatGeneral(*value);
}

std::optional<double> ValueAsNumber(std::string_view text, ValueKind kind) {
  const std::optional<long double> value = NumberOf(text, kind);
  if (!value) return std::nullopt;
  return static_cast<double>(*value);
}

}  // namespace torva::db::postgres
