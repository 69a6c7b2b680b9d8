// The translation of a statement of the desktop dialect into SQLite's.
#include "db/sqlite/sqlite_dialect.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/sqlite/deep_arithmetic.h"
#include "db/dialect_tokens.h"
#include "db/sqlite/functions.h"
#include "text/error.h"
#include "text/strings.h"

namespace torva::db::sqlite {
namespace {

using text::EqualsIgnoreCase;

// Re-quotes a quoted token for SQLite: the inner text read with `inner_quote` doubled (none for
// brackets), written between `quote`s with `quote` doubled. "a""b'c" -> 'a"b''c'; [a"b] -> "a""b".
std::string Requote(std::string_view token, char inner_quote, char quote) {
  std::string out(1, quote);
  const std::string_view inner = token.substr(1, token.size() - 2);
  for (std::size_t k = 0; k < inner.size(); ++k) {
    // The first of a doubled quote. Brackets double nothing: '\0' stands for "no quote", and a
    // NUL byte inside a bracketed name is a character like any other.
    if (inner_quote != '\0' && inner[k] == inner_quote) ++k;
    if (inner[k] == quote) out += quote;
    out += inner[k];
  }
  return out + quote;
}

// A significant token with the blanks before it.
struct Piece {
  TokenKind kind;
  std::string lead;
  std::string text;  // translated
};

bool IsOperatorPiece(const Piece& piece, std::string_view op) {
  return piece.kind == TokenKind::kOperator && piece.text == op;
}

// The operators SQLite has not, or has with another meaning: written as calls of our functions.
bool IsRewrittenPiece(const Piece& piece) {
  return IsOperatorPiece(piece, "/") || IsOperatorPiece(piece, "^") ||
         IsOperatorPiece(piece, "\\") ||
         (piece.kind == TokenKind::kWord && EqualsIgnoreCase(piece.text, "Mod"));
}

// Turns the tokens into pieces, translating literals, bracketed names and IsNull calls. Sets
// `rewrite` when an operator of the desktop engine needs the rewriter. Blanks after the last
// piece go to `tail`.
std::vector<Piece> ToPieces(std::string_view sql, const std::vector<Token>& tokens,
                            std::string& tail, bool& rewrite) {
  std::vector<Piece> pieces;
  pieces.reserve(tokens.size());
  for (const Token& token : tokens) {
    switch (token.kind) {
      case TokenKind::kBlank: tail += token.text; continue;
      case TokenKind::kUnclosed:
        throw Error("Syntax error in SQL statement: unterminated string or name at: " +
                    Excerpt(token.text) + " (statement: " + Excerpt(sql, 200) + ")");
      case TokenKind::kTextLiteral:
        pieces.push_back({token.kind, std::move(tail), Requote(token.text, '"', '\'')});
        break;
      case TokenKind::kBracketName:
        pieces.push_back({token.kind, std::move(tail), Requote(token.text, '\0', '"')});
        break;
      default: pieces.push_back({token.kind, std::move(tail), std::string(token.text)}); break;
    }
    tail.clear();
    Piece& piece = pieces.back();
    // The engine has no comments: two minus signs side by side must not read as one to SQLite.
    if (piece.lead.empty() && IsOperatorPiece(piece, "-") && pieces.size() > 1 &&
        IsOperatorPiece(pieces[pieces.size() - 2], "-")) {
      piece.lead = " ";
    }
    rewrite = rewrite || IsRewrittenPiece(piece);
  }
  // IsNull(x) of the desktop dialect; SQLite would read ISNULL as its postfix operator.
  for (std::size_t k = 0; k + 1 < pieces.size(); ++k) {
    if (pieces[k].kind == TokenKind::kWord && EqualsIgnoreCase(pieces[k].text, "IsNull") &&
        pieces[k + 1].kind == TokenKind::kOpen) {
      pieces[k].text = kIsNullFunction;
    }
  }
  return pieces;
}

// Words that can never be an operand; any other word may be a column, a function or a value.
bool IsReservedWord(std::string_view word) {
  static constexpr std::string_view kReserved =
      " add all alter and as asc between by check collate commit constraint create default delete"
      " desc distinct drop else end escape except from glob group having in index insert intersect"
      " into is isnull join like limit match mod not notnull offset on or order regexp returning"
      " select set table then union update using values when where with ";
  return kReserved.find(" " + text::ToLowerAscii(word) + " ") != std::string_view::npos;
}

// lead, then `count` openings "function(", then body: a chain of one function, written left to right.
std::string Wrap(std::string lead, std::string_view function, int count, std::string body) {
  if (count == 0 && lead.empty()) return body;
  lead.reserve(lead.size() + (function.size() + 1) * static_cast<std::size_t>(count) + body.size());
  for (int k = 0; k < count; ++k) {
    lead += function;
    lead += '(';
  }
  lead += body;
  return lead;
}

// ---------------------------------------------------------------------------------------------
// The engine's arithmetic on SQLite. Its operators bind, tightest first: ^, negation, * and /, \,
// Mod, then + and -. SQLite has no ^, \ or Mod, and its '/' divides integers as integers, so those
// four are rewritten into the registered functions (functions.h), and their operands must be found
// exactly as the engine groups them. Only those levels are parsed; everything of lower precedence
// (+ -, comparisons, NOT, AND, OR, keywords, commas) ends an operand, and the rest of the statement
// passes through piece by piece. A chain a op b op c is written with all its openings first, so that
// the text is built in one pass whatever its length.

class ArithmeticRewriter {
 public:
  ArithmeticRewriter(std::string_view sql, std::vector<Piece> pieces)
      : sql_(sql), pieces_(std::move(pieces)) {}

  std::string Run() { return Sequence(Stop::kNone); }

 private:
  enum class Stop { kNone, kParen, kCaseEnd };

  // SQLite's parser gives up far earlier; the limit keeps hostile input from exhausting the stack
  // here first.
  static constexpr int kMaxDepth = 250;

  bool AtEnd() const { return at_ >= pieces_.size(); }
  bool IsKind(TokenKind kind) const { return !AtEnd() && pieces_[at_].kind == kind; }
  bool IsOp(std::string_view op) const { return !AtEnd() && IsOperatorPiece(pieces_[at_], op); }
  bool IsWord(std::string_view word) const {
    return IsKind(TokenKind::kWord) && EqualsIgnoreCase(pieces_[at_].text, word);
  }
  bool IsSign() const { return IsOp("-") || IsOp("+") || IsOp("~"); }
  bool IsMultiplicative() const { return IsOp("*") || IsOp("/") || IsOp("%"); }
  bool IsRewritten() const { return !AtEnd() && IsRewrittenPiece(pieces_[at_]); }

  bool StartsOperand() const {
    if (AtEnd()) return false;
    switch (pieces_[at_].kind) {
      case TokenKind::kString:
      case TokenKind::kTextLiteral:
      case TokenKind::kBracketName:
      case TokenKind::kQuotedName:
      case TokenKind::kNumber:
      case TokenKind::kBlob:
      case TokenKind::kParameter:
      case TokenKind::kOpen: return true;
      case TokenKind::kWord: return !IsReservedWord(pieces_[at_].text);
      default: return false;
    }
  }

  std::string Take() {
    const Piece& piece = pieces_[at_++];
    return piece.lead + piece.text;
  }

  // The blanks before the next piece, taken out so that an opening call goes after them.
  std::string TakeLead() { return AtEnd() ? std::string() : std::move(pieces_[at_].lead); }

  [[noreturn]] void Fail(const std::string& what) const {
    throw Error("Cannot translate the arithmetic in the SQL statement: " + what +
                " (statement: " + Excerpt(sql_, 200) + ")");
  }

  // Takes the operator piece and checks that an operand follows it.
  Piece TakeOperator() {
    Piece op = std::move(pieces_[at_++]);
    if (!StartsOperand() && !IsSign()) Fail("'" + op.text + "' has no operand after it");
    return op;
  }

  std::string Sequence(Stop stop) {
    if (++depth_ > kMaxDepth) Fail("the expression is nested too deeply");
    std::string out;
    bool after_operand = false;
    while (!AtEnd()) {
      if (stop != Stop::kNone && IsKind(TokenKind::kClose)) break;
      if (stop == Stop::kCaseEnd && IsWord("END")) break;
      if (IsRewritten()) Fail("'" + pieces_[at_].text + "' has no operand before it");
      if (StartsOperand() || (!after_operand && IsSign()) || IsOp("~")) {
        out += ModChain();
        after_operand = true;
        continue;
      }
      // A ')' closing nothing here ends an operand; a '*' where no operand stands is a wildcard.
      after_operand = IsKind(TokenKind::kClose) || (IsOp("*") && !after_operand);
      out += Take();
    }
    --depth_;
    return out;
  }

  // left op right op right ... -> function(function(left,right),right)
  template <typename AtOperator, typename Operand, typename RightOperand>
  std::string Chain(std::string_view function, AtOperator at_operator, Operand left,
                    RightOperand right) {
    std::string lead = TakeLead();
    std::string body = left();
    int count = 0;
    while (at_operator()) {
      const Piece op = TakeOperator();
      body += op.lead + ",";
      body += right();
      body += ")";
      ++count;
    }
    return Wrap(std::move(lead), function, count, std::move(body));
  }

  // a Mod b Mod c -> torva_mod(torva_mod(a,b),c)
  std::string ModChain() {
    const auto operand = [this] { return IntegerDivisionChain(); };
    return Chain(kModFunction, [this] { return IsWord("Mod"); }, operand, operand);
  }

  // a \ b \ c -> torva_idiv(torva_idiv(a,b),c)
  std::string IntegerDivisionChain() {
    const auto operand = [this] { return Product(); };
    return Chain(kIntegerDivideFunction, [this] { return IsOp("\\"); }, operand, operand);
  }

  // operand (('*' | '/' | '%') operand)*, left to right; a/b -> a/torva_divisor(b). The chain stays
  // flat: SQLite groups it as the engine does, and only each divisor is wrapped.
  std::string Product() {
    std::string body = Negation();
    while (IsMultiplicative()) {
      Piece op = std::move(pieces_[at_++]);
      if (!StartsOperand() && !IsSign()) {
        if (op.text == "/") Fail("'/' has no operand after it");
        body += op.lead + op.text;  // not arithmetic; SQLite judges it
        break;
      }
      body += op.lead;
      body += op.text;
      if (op.text == "/") {
        body += TakeLead();
        body += kDivisorFunction;
        body += "(";
        body += Negation();
        body += ")";
      } else {
        body += Negation();
      }
    }
    return body;
  }

  std::string Signs() {
    // A loop, not a recursion: a long run of signs must not use up the stack.
    std::string signs;
    while (IsSign()) signs += Take();
    return signs;
  }

  // Negation binds less tightly than ^ in the engine: -2^2 is -(2^2).
  std::string Negation() {
    std::string signs = Signs();
    if (signs.empty()) return PowerChain();
    return signs + PowerChain();
  }

  // a ^ b ^ c -> torva_pow(torva_pow(a,b),c); the exponent may carry signs (2^-1).
  std::string PowerChain() {
    return Chain(
        kPowerFunction, [this] { return IsOp("^"); }, [this] { return Concat(); },
        [this] {
          std::string signs = Signs();  // read before the operand they stand before
          return signs + Concat();
        });
  }

  std::string Concat() {
    std::string left = Primary();
    while (IsOp("||") || IsOp("->") || IsOp("->>")) {
      left += Take();
      left += Signs();
      left += Primary();
    }
    return left;
  }

  std::string Primary() {
    if (!StartsOperand()) {
      Fail(AtEnd() ? "the statement ends where an operand is expected"
                   : "'" + pieces_[at_].text + "' stands where an operand is expected");
    }
    if (IsKind(TokenKind::kOpen)) return Enclosed();
    if (IsWord("CASE")) {
      std::string out = Take();
      out += Sequence(Stop::kCaseEnd);
      if (!IsWord("END")) Fail("CASE without END");
      return out + Take();
    }
    const auto is_name = [this] {
      return IsKind(TokenKind::kWord) || IsKind(TokenKind::kBracketName) ||
             IsKind(TokenKind::kQuotedName);
    };
    const bool name = is_name();
    std::string out = Take();
    if (!name) return out;
    while (IsOp(".")) {  // table.column, table.*
      out += Take();
      if (!is_name() && !IsOp("*")) Fail("a name is missing after '.'");
      out += Take();
    }
    if (!IsKind(TokenKind::kOpen)) return out;
    out += Enclosed();  // a function call, perhaps with FILTER (...) and OVER (...)
    while ((IsWord("FILTER") || IsWord("OVER")) && at_ + 1 < pieces_.size() &&
           pieces_[at_ + 1].kind == TokenKind::kOpen) {
      out += Take();
      out += Enclosed();
    }
    return out;
  }

  std::string Enclosed() {
    std::string out = Take();
    out += Sequence(Stop::kParen);
    if (AtEnd()) Fail("')' is missing");
    return out + Take();
  }

  std::string_view sql_;
  std::vector<Piece> pieces_;
  std::size_t at_ = 0;
  int depth_ = 0;
};

}  // namespace

std::string LiteralsAsParameters(std::string_view sql, std::vector<std::string>* values) {
  values->clear();
  const std::vector<Token> tokens = Tokenize(sql);
  std::string shape;
  shape.reserve(sql.size());
  for (const Token& token : tokens) {
    switch (token.kind) {
      case TokenKind::kParameter:
      case TokenKind::kUnclosed: values->clear(); return std::string(sql);
      case TokenKind::kString:
      case TokenKind::kTextLiteral:
        // SQLite reads a statement's text only up to a NUL byte; bound, such a literal would pass
        // where the statement as written fails. It keeps meeting the failure of the text.
        if (token.text.find('\0') != std::string_view::npos) {
          values->clear();
          return std::string(sql);
        }
        values->push_back(LiteralValue(token.text));
        shape += '?';
        break;
      default:
        // "?1" would be a numbered parameter.
        if (!shape.empty() && shape.back() == '?' && text::IsAsciiDigit(token.text.front())) {
          shape += ' ';
        }
        shape += token.text;
        break;
    }
  }
  return shape;
}

std::string TranslateDialect(std::string_view sql) {
  if (const std::optional<std::string> flat = FlattenDeepArithmetic(sql)) {
    return TranslateDialect(*flat);  // nests no deeper than a few levels now: no second time
  }
  const std::vector<Token> tokens = Tokenize(sql);
  std::string tail;
  bool rewrite = false;
  std::vector<Piece> pieces = ToPieces(sql, tokens, tail, rewrite);
  std::string out;
  if (rewrite) {
    out = ArithmeticRewriter(sql, std::move(pieces)).Run();
  } else {
    out.reserve(sql.size());
    for (const Piece& piece : pieces) {
      out += piece.lead;
      out += piece.text;
    }
  }
  return out + tail;
}

}  // namespace torva::db::sqlite
