#include "db/dialect.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "db/functions.h"
#include "text/error.h"
#include "text/strings.h"

namespace torva::db {
namespace {

// ---------------------------------------------------------------------------------------------
// Tokens. The translation must never look inside a string literal or a comment, so the statement
// is cut into tokens the way SQLite itself reads it.

enum class Kind {
  kBlank,
  kComment,  // blanks and control characters; -- ... or /* ... */
  kString,
  kTextLiteral,  // 'text' and the desktop dialect's "text"
  kBracketName,
  kQuotedName,  // [name] and `name`
  kUnclosed,    // a quote or bracket never closed, with the rest
  kWord,
  kNumber,
  kBlob,
  kParameter,  // names and keywords; 1.5E3, 0x1F; x'AB'; ? :a @a $a
  kOperator,
  kOpen,
  kClose,
  kComma,
  kOther,  // ';' and anything SQLite does not know
};

struct Token {
  Kind kind;
  std::string_view text;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdStart(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalpha(u) || c == '_' || u >= 0x80;
}
bool IsIdChar(char c) { return IsIdStart(c) || IsDigit(c) || c == '$'; }

using text::EqualsIgnoreCase;

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
    while (pos < sql.size() && IsDigit(sql[pos])) ++pos;
  };
  const bool hex = sql[pos] == '0' && pos + 2 < sql.size() &&
                   (sql[pos + 1] == 'x' || sql[pos + 1] == 'X') &&
                   std::isxdigit(static_cast<unsigned char>(sql[pos + 2]));
  if (hex) {
    pos += 2;
    while (pos < sql.size() && std::isxdigit(static_cast<unsigned char>(sql[pos]))) ++pos;
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
    if (exp < sql.size() && IsDigit(sql[exp])) {
      pos = exp;
      digits();
    }
  }
}

Kind ScanOperator(std::string_view sql, std::size_t& pos) {
  static constexpr std::array<std::string_view, 10> kLong = {
      "->>", "||", "->", "<=", ">=", "<>", "!=", "==", "<<", ">>"};
  for (std::string_view op : kLong) {
    if (sql.substr(pos, op.size()) == op) {
      pos += op.size();
      return Kind::kOperator;
    }
  }
  const char c = sql[pos++];
  switch (c) {
    case '(': return Kind::kOpen;
    case ')': return Kind::kClose;
    case ',': return Kind::kComma;
    default:
      return std::string_view("+-*/%<>=&|~.").find(c) != std::string_view::npos ? Kind::kOperator
                                                                                : Kind::kOther;
  }
}

// Reads one token starting at sql[pos] and moves pos past it.
Kind Scan(std::string_view sql, std::size_t& pos) {
  const char c = sql[pos];
  const char next = pos + 1 < sql.size() ? sql[pos + 1] : '\0';
  if (static_cast<unsigned char>(c) <= ' ') {
    while (pos < sql.size() && static_cast<unsigned char>(sql[pos]) <= ' ') ++pos;
    return Kind::kBlank;
  }
  if (c == '-' && next == '-') {
    pos = std::min(sql.find('\n', pos), sql.size());
    return Kind::kComment;
  }
  if (c == '/' && next == '*') {
    const std::size_t end = sql.find("*/", pos + 2);
    pos = end == std::string_view::npos ? sql.size() : end + 2;
    return Kind::kComment;
  }
  if ((c == 'x' || c == 'X') && next == '\'') {
    ++pos;
    return SkipQuoted(sql, pos, '\'') ? Kind::kBlob : Kind::kUnclosed;
  }
  switch (c) {
    case '\'': return SkipQuoted(sql, pos, '\'') ? Kind::kString : Kind::kUnclosed;
    case '"': return SkipQuoted(sql, pos, '"') ? Kind::kTextLiteral : Kind::kUnclosed;
    case '`': return SkipQuoted(sql, pos, '`') ? Kind::kQuotedName : Kind::kUnclosed;
    case '[': return SkipQuoted(sql, pos, ']') ? Kind::kBracketName : Kind::kUnclosed;
    default: break;
  }
  if (IsDigit(c) || (c == '.' && IsDigit(next))) {
    SkipNumber(sql, pos);
    return Kind::kNumber;
  }
  if (IsIdStart(c)) {
    while (pos < sql.size() && IsIdChar(sql[pos])) ++pos;
    return Kind::kWord;
  }
  if (c == '?' || ((c == ':' || c == '@' || c == '$') && IsIdChar(next))) {
    ++pos;
    while (pos < sql.size() && IsIdChar(sql[pos])) ++pos;
    return Kind::kParameter;
  }
  return ScanOperator(sql, pos);
}

std::vector<Token> Tokenize(std::string_view sql) {
  std::vector<Token> tokens;
  std::size_t pos = 0;
  while (pos < sql.size()) {
    const std::size_t start = pos;
    const Kind kind = Scan(sql, pos);
    tokens.push_back({kind, sql.substr(start, pos - start)});
  }
  return tokens;
}

// The start of `text`, cut at a character boundary, for an error message.
std::string Excerpt(std::string_view text, std::size_t limit = 40) {
  if (text.size() <= limit) return std::string(text);
  return std::string(text.substr(0, text::Utf8Boundary(text, limit))) + "...";
}

// ---------------------------------------------------------------------------------------------
// Translation of single tokens.

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

// A significant token with the blanks and comments before it.
struct Piece {
  Kind kind;
  std::string lead;
  std::string text;  // translated
};

// Turns the tokens into pieces, translating literals, bracketed names and IsNull calls.
std::vector<Piece> ToPieces(std::string_view sql, const std::vector<Token>& tokens,
                            std::string& tail) {
  std::vector<Piece> pieces;
  for (const Token& token : tokens) {
    switch (token.kind) {
      case Kind::kBlank:
      case Kind::kComment: tail += token.text; continue;
      case Kind::kUnclosed:
        throw Error("Syntax error in SQL statement: unterminated string or name at: " +
                    Excerpt(token.text) + " (statement: " + Excerpt(sql, 200) + ")");
      case Kind::kTextLiteral:
        pieces.push_back({token.kind, std::move(tail), Requote(token.text, '"', '\'')});
        break;
      case Kind::kBracketName:
        pieces.push_back({token.kind, std::move(tail), Requote(token.text, '\0', '"')});
        break;
      default: pieces.push_back({token.kind, std::move(tail), std::string(token.text)}); break;
    }
    tail.clear();
  }
  // IsNull(x) of the desktop dialect; SQLite would read ISNULL as its postfix operator.
  for (std::size_t k = 0; k + 1 < pieces.size(); ++k) {
    if (pieces[k].kind == Kind::kWord && EqualsIgnoreCase(pieces[k].text, "IsNull") &&
        pieces[k + 1].kind == Kind::kOpen) {
      pieces[k].text = kIsNullFunction;
    }
  }
  return pieces;
}

// Words that can never be an operand; any other word may be a column, a function or a value.
bool IsReservedWord(std::string_view word) {
  static constexpr std::string_view kReserved =
      " ADD ALL ALTER AND AS ASC BETWEEN BY CHECK COLLATE COMMIT CONSTRAINT CREATE DEFAULT DELETE"
      " DESC DISTINCT DROP ELSE END ESCAPE EXCEPT FROM GLOB GROUP HAVING IN INDEX INSERT INTERSECT"
      " INTO IS ISNULL JOIN LIKE LIMIT MATCH NOT NOTNULL OFFSET ON OR ORDER REGEXP RETURNING"
      " SELECT SET TABLE THEN UNION UPDATE USING VALUES WHEN WHERE WITH ";
  std::string key = " ";
  for (char c : word) key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return kReserved.find(key + " ") != std::string_view::npos;
}

// ---------------------------------------------------------------------------------------------
// Division. Each '/' operator becomes torva_div(L, R), so its operands must be found exactly as
// SQLite groups them: unary signs bind tightest, then ||, then * / % from left to right; anything
// of lower precedence (+ -, comparisons, NOT, AND, OR, keywords, commas) ends an operand. Only
// those levels are parsed; the rest of the statement passes through piece by piece.

class DivisionRewriter {
 public:
  DivisionRewriter(std::string_view sql, std::vector<Piece> pieces)
      : sql_(sql), pieces_(std::move(pieces)) {}

  std::string Run() { return Sequence(Stop::kNone); }

 private:
  enum class Stop { kNone, kParen, kCaseEnd };

  bool AtEnd() const { return at_ >= pieces_.size(); }
  bool IsKind(Kind kind) const { return !AtEnd() && pieces_[at_].kind == kind; }
  bool IsOp(std::string_view op) const {
    return IsKind(Kind::kOperator) && pieces_[at_].text == op;
  }
  bool IsWord(std::string_view word) const {
    return IsKind(Kind::kWord) && EqualsIgnoreCase(pieces_[at_].text, word);
  }
  bool IsSign() const { return IsOp("-") || IsOp("+") || IsOp("~"); }
  bool IsMultiplicative() const { return IsOp("*") || IsOp("/") || IsOp("%"); }

  bool StartsOperand() const {
    if (AtEnd()) return false;
    switch (pieces_[at_].kind) {
      case Kind::kString:
      case Kind::kTextLiteral:
      case Kind::kBracketName:
      case Kind::kQuotedName:
      case Kind::kNumber:
      case Kind::kBlob:
      case Kind::kParameter:
      case Kind::kOpen: return true;
      case Kind::kWord: return !IsReservedWord(pieces_[at_].text);
      default: return false;
    }
  }

  std::string Take() {
    const Piece& piece = pieces_[at_++];
    return piece.lead + piece.text;
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw Error("Cannot translate the division in the SQL statement: " + what +
                " (statement: " + Excerpt(sql_, 200) + ")");
  }

  std::string Sequence(Stop stop) {
    // SQLite refuses expressions nested deeper than this anyway; the limit keeps hostile input
    // from exhausting the stack here first.
    if (++depth_ > kMaxDepth) Fail("the expression is nested too deeply");
    std::string out;
    bool after_operand = false;
    while (!AtEnd()) {
      if (stop != Stop::kNone && IsKind(Kind::kClose)) break;
      if (stop == Stop::kCaseEnd && IsWord("END")) break;
      if (IsOp("/")) Fail("'/' has no operand before it");
      if (StartsOperand() || (!after_operand && IsSign()) || IsOp("~")) {
        out += Term();
        after_operand = true;
        continue;
      }
      // A ')' closing nothing here ends an operand; a '*' where no operand stands is a wildcard.
      after_operand = IsKind(Kind::kClose) || (IsOp("*") && !after_operand);
      out += Take();
    }
    --depth_;
    return out;
  }

  // operand (('*' | '/' | '%') operand)*, left to right.
  std::string Term() {
    std::string lead = std::move(pieces_[at_].lead);
    pieces_[at_].lead.clear();
    std::string left = Concat();
    while (IsMultiplicative()) {
      const Piece op = pieces_[at_++];
      if (!StartsOperand() && !IsSign()) {
        if (op.text == "/") Fail("'/' has no operand after it");
        left += op.lead + op.text;  // not arithmetic; SQLite judges it
        break;
      }
      std::string right = Concat();
      if (op.text == "/") {
        left = std::string(kDivideFunction) + "(" + left + op.lead + "," + right + ")";
      } else {
        left += op.lead + op.text + right;
      }
    }
    return lead + left;
  }

  std::string Concat() {
    std::string left = Unary();
    while (IsOp("||") || IsOp("->") || IsOp("->>")) {
      left += Take();
      left += Unary();
    }
    return left;
  }

  std::string Unary() {
    // A loop, not a recursion: a long run of signs must not use up the stack.
    std::string signs;
    while (IsSign()) signs += Take();
    return signs + Primary();
  }

  std::string Primary() {
    if (!StartsOperand()) {
      Fail(AtEnd() ? "the statement ends where an operand is expected"
                   : "'" + pieces_[at_].text + "' stands where an operand is expected");
    }
    if (IsKind(Kind::kOpen)) return Enclosed();
    if (IsWord("CASE")) {
      std::string out = Take();
      out += Sequence(Stop::kCaseEnd);
      if (!IsWord("END")) Fail("CASE without END");
      return out + Take();
    }
    const bool name =
        IsKind(Kind::kWord) || IsKind(Kind::kBracketName) || IsKind(Kind::kQuotedName);
    std::string out = Take();
    if (!name) return out;
    while (IsOp(".")) {  // table.column, table.*
      out += Take();
      if (!IsKind(Kind::kWord) && !IsKind(Kind::kBracketName) && !IsKind(Kind::kQuotedName) &&
          !IsOp("*")) {
        Fail("a name is missing after '.'");
      }
      out += Take();
    }
    if (!IsKind(Kind::kOpen)) return out;
    out += Enclosed();  // a function call, perhaps with FILTER (...) and OVER (...)
    while ((IsWord("FILTER") || IsWord("OVER")) && at_ + 1 < pieces_.size() &&
           pieces_[at_ + 1].kind == Kind::kOpen) {
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
  static constexpr int kMaxDepth = 1000;
};

// ---------------------------------------------------------------------------------------------
// Arithmetic check.

[[noreturn]] void RejectArithmetic(std::string_view found) {
  std::string shown;
  for (char c : Excerpt(found, 20)) {
    if (static_cast<unsigned char>(c) < ' ') {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned>(c));
      shown += code;
    } else {
      shown += c;
    }
  }
  throw Error("计算式只能包含数字和运算符：" + shown);
}

void CheckBlank(std::string_view blank) {
  for (std::size_t k = 0; k < blank.size(); ++k) {
    const char c = blank[k];
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') RejectArithmetic(blank.substr(k, 1));
  }
}

bool IsArithmeticFunction(std::string_view word) {
  return EqualsIgnoreCase(word, "abs") || EqualsIgnoreCase(word, "round");
}

// The shape of an expression whose every token is allowed: one sum, with every operand and
// parenthesis in place, so that "select EXPR as HJ" is one well-formed statement and wrapping the
// text in parentheses cannot change what it computes. Ten levels of parentheses are more than any
// fee expression needs, and keep this check's own recursion short.
//   sum     := product (('+' | '-') product)*
//   product := unary (('*' | '/' | '%') unary)*
//   unary   := ('+' | '-')* primary
//   primary := number | '(' sum ')' | abs '(' sum ')' | round '(' sum [',' sum] ')'
class ArithmeticShape {
 public:
  static constexpr int kMaxNesting = 10;

  ArithmeticShape(std::string_view expression, const std::vector<Token>& tokens)
      : expression_(expression) {
    for (const Token& token : tokens) {
      if (token.kind != Kind::kBlank) tokens_.push_back(token);
    }
  }

  void Check() {
    int depth = 0;
    for (const Token& token : tokens_) {
      if (token.kind == Kind::kOpen) ++depth;
      if (token.kind == Kind::kClose && --depth < 0) break;
    }
    if (depth != 0) Unbalanced();
    Sum();
    if (!AtEnd()) Misplaced();  // an operand where an operator belongs
  }

 private:
  bool AtEnd() const { return at_ >= tokens_.size(); }
  bool Is(Kind kind) const { return !AtEnd() && tokens_[at_].kind == kind; }
  bool IsOp(std::string_view ops) const {
    return Is(Kind::kOperator) && ops.find(tokens_[at_].text) != std::string_view::npos;
  }

  void Sum() {
    Product();
    while (IsOp("+-")) {
      ++at_;
      Product();
    }
  }

  void Product() {
    Unary();
    while (IsOp("*/%")) {
      ++at_;
      Unary();
    }
  }

  void Unary() {
    while (IsOp("+-")) ++at_;
    Primary();
  }

  void Primary() {
    if (AtEnd()) throw Error("计算式不完整：" + Excerpt(expression_, 200));
    if (Is(Kind::kNumber)) {
      ++at_;
      return;
    }
    std::string_view function;
    if (Is(Kind::kWord)) function = tokens_[at_++].text;  // abs or round, its '(' next
    if (!Is(Kind::kOpen)) Misplaced();
    if (++depth_ > kMaxNesting) {
      throw Error("计算式的括号嵌套太深（最多 " + std::to_string(kMaxNesting) + " 层）：" +
                  Excerpt(expression_, 200));
    }
    ++at_;
    int arguments = 1;
    Sum();
    while (Is(Kind::kComma)) {
      ++at_;
      ++arguments;
      Sum();
    }
    if (!Is(Kind::kClose)) Misplaced();
    ++at_;
    --depth_;
    const int most = EqualsIgnoreCase(function, "round") ? 2 : 1;
    if (arguments > most) {
      throw Error("计算式中 " + std::string(function) + " 的参数太多：" +
                  Excerpt(expression_, 200));
    }
  }

  [[noreturn]] void Unbalanced() const {
    throw Error("计算式的括号不配对：" + std::string(expression_));
  }

  [[noreturn]] void Misplaced() const {
    if (AtEnd()) throw Error("计算式不完整：" + Excerpt(expression_, 200));
    throw Error("计算式中“" + Excerpt(tokens_[at_].text, 20) + "”的位置不对：" +
                Excerpt(expression_, 200));
  }

  std::string_view expression_;
  std::vector<Token> tokens_;
  std::size_t at_ = 0;
  int depth_ = 0;
};

// SQLite's parser has a stack of about a hundred symbols and its expression trees are at most 1000
// deep; a well-formed sum can still be too much for them (a long run of signs, a chain of
// divisions, each of which becomes a nested call). Whether it is, only SQLite knows: the expression
// is prepared, translated as the form would run it, on a private in-memory database that has no
// table to reach.
void CheckDatabaseTakes(std::string_view expression) {
  static sqlite3* const probe = [] {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr) !=
            SQLITE_OK ||
        RegisterDialectFunctions(db) != SQLITE_OK) {
      sqlite3_close(db);
      return static_cast<sqlite3*>(nullptr);
    }
    return db;
  }();
  if (probe == nullptr) throw Error("计算式无法检查：数据库引擎无法启动");
  const std::string sql = TranslateDialect("select " + std::string(expression) + " as HJ");
  sqlite3_stmt* stmt = nullptr;
  const int rc =
      sqlite3_prepare_v2(probe, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
  const std::string message = rc == SQLITE_OK ? std::string() : sqlite3_errmsg(probe);
  sqlite3_finalize(stmt);
  if (rc != SQLITE_OK) throw Error("计算式太复杂，无法计算（" + message + "）");
}

}  // namespace

std::string TranslateDialect(std::string_view sql) {
  const std::vector<Token> tokens = Tokenize(sql);
  std::string tail;
  std::vector<Piece> pieces = ToPieces(sql, tokens, tail);
  bool divides = false;
  for (const Piece& piece : pieces) {
    divides = divides || (piece.kind == Kind::kOperator && piece.text == "/");
  }
  std::string out;
  if (divides) {
    out = DivisionRewriter(sql, std::move(pieces)).Run();
  } else {
    for (const Piece& piece : pieces) out += piece.lead + piece.text;
  }
  return out + tail;
}

void CheckArithmeticExpression(std::string_view expression) {
  const std::vector<Token> tokens = Tokenize(expression);
  std::vector<bool> call_parens;  // per open parenthesis: does it hold a function's arguments?
  std::string_view function;      // abs or round just seen; its '(' must come next
  Kind previous = Kind::kBlank;   // the last token that is not a blank
  bool empty = true;
  for (const Token& token : tokens) {
    if (token.kind == Kind::kBlank) {
      CheckBlank(token.text);
      continue;
    }
    empty = false;
    if (!function.empty() && token.kind != Kind::kOpen) RejectArithmetic(function);
    const bool after_number = previous == Kind::kNumber;
    previous = token.kind;
    switch (token.kind) {
      case Kind::kNumber:  // no hexadecimal, and no number right after another ("1.2.3")
        if (token.text.find_first_of("xX") != std::string_view::npos || after_number) {
          RejectArithmetic(token.text);
        }
        break;
      case Kind::kOperator:
        if (token.text.size() != 1 ||
            std::string_view("+-*/%").find(token.text[0]) == std::string_view::npos) {
          RejectArithmetic(token.text);
        }
        break;
      case Kind::kOpen:
        call_parens.push_back(!function.empty());
        function = {};
        break;
      case Kind::kClose:
        if (!call_parens.empty()) call_parens.pop_back();
        break;
      case Kind::kComma:
        if (call_parens.empty() || !call_parens.back()) RejectArithmetic(token.text);
        break;
      case Kind::kWord:
        if (!IsArithmeticFunction(token.text)) RejectArithmetic(token.text);
        function = token.text;
        break;
      case Kind::kComment:  // "--" or "/*"
        RejectArithmetic(token.text.substr(0, 2));
      default:  // strings, names, parameters, ';' and the like
        RejectArithmetic(token.text);
    }
  }
  if (empty) throw Error("计算式为空");
  if (!function.empty()) RejectArithmetic(function);
  ArithmeticShape(expression, tokens).Check();
  CheckDatabaseTakes(expression);
}

}  // namespace torva::db
