// The check of a fee expression before the project database evaluates it (CheckArithmeticExpression
// in dialect.h): one pass over its tokens that both admits each token and follows the grammar.
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "db/dialect.h"
#include "db/dialect_tokens.h"
#include "text/error.h"
#include "text/strings.h"

namespace torva::db {
namespace {

using text::EqualsIgnoreCase;

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

// Refuses a token that has no place in arithmetic wherever it stands.
void Admit(const Token& token) {
  switch (token.kind) {
    case TokenKind::kNumber:  // no hexadecimal
      if (token.text.find_first_of("xX") != std::string_view::npos) RejectArithmetic(token.text);
      return;
    case TokenKind::kOperator:
    case TokenKind::kWord:
      if (!IsArithmeticOperator(token) && !IsArithmeticWord(token)) RejectArithmetic(token.text);
      return;
    case TokenKind::kOpen:
    case TokenKind::kClose:
    case TokenKind::kComma: return;
    default: RejectArithmetic(token.text);  // strings, names, parameters, ';' and the like
  }
}

// One sum in the engine's grammar, so that "select EXPR as HJ" is one well-formed statement and
// wrapping the text in parentheses cannot change what it computes:
//   sum      := modulo (('+' | '-') modulo)*
//   modulo   := quotient ('Mod' quotient)*
//   quotient := product ('\' product)*
//   product  := negation (('*' | '/' | '%') negation)*
//   negation := ('+' | '-')* power
//   power    := primary ('^' ('+' | '-')* primary)*
//   primary  := number | '(' sum ')' | abs '(' sum ')' | round '(' sum [',' sum] ')'
// A fault is named as the whole text would show it first: a token that is no arithmetic anywhere
// in it, then parentheses that do not pair, then the token out of place.
class ArithmeticCheck {
 public:
  // Deeper than SQLite's parser can follow in any case; past it the message says so plainly.
  static constexpr int kMaxNesting = 100;

  explicit ArithmeticCheck(std::string_view expression)
      : expression_(expression), tokens_(Tokenize(expression)) {}

  void Run() {
    Skip();
    if (AtEnd()) throw Error("计算式为空");
    Sum();
    if (Is(TokenKind::kComma)) RejectArithmetic(tokens_[at_].text);
    if (!AtEnd()) OutOfPlace();
  }

 private:
  bool AtEnd() const { return at_ >= tokens_.size(); }
  bool Is(TokenKind kind) const { return !AtEnd() && tokens_[at_].kind == kind; }
  bool IsOp(char op) const {
    return Is(TokenKind::kOperator) && tokens_[at_].text.size() == 1 && tokens_[at_].text[0] == op;
  }
  bool IsMod() const { return Is(TokenKind::kWord) && EqualsIgnoreCase(tokens_[at_].text, "Mod"); }

  // To the next token that is not a blank, checking the blanks passed and admitting the token.
  void Skip() {
    while (!AtEnd() && tokens_[at_].kind == TokenKind::kBlank) CheckBlank(tokens_[at_++].text);
    if (!AtEnd()) Admit(tokens_[at_]);
  }
  void Advance() {
    previous_ = tokens_[at_].kind;
    ++at_;
    Skip();
  }

  void Sum() {
    Modulo();
    while (IsOp('+') || IsOp('-')) {
      Advance();
      Modulo();
    }
  }

  void Modulo() {
    Quotient();
    while (IsMod()) {
      Advance();
      Quotient();
    }
  }

  void Quotient() {
    Product();
    while (IsOp('\\')) {
      Advance();
      Product();
    }
  }

  void Product() {
    Negation();
    while (IsOp('*') || IsOp('/') || IsOp('%')) {
      Advance();
      Negation();
    }
  }

  void Signs() {
    while (IsOp('+') || IsOp('-')) Advance();
  }

  void Negation() {
    Signs();
    Power();
  }

  void Power() {
    Primary();
    while (IsOp('^')) {
      Advance();
      Signs();
      Primary();
    }
  }

  void Primary() {
    if (Is(TokenKind::kNumber)) return Advance();
    std::string_view function;
    if (Is(TokenKind::kWord) && !IsMod()) {
      function = tokens_[at_].text;
      Advance();
      if (!Is(TokenKind::kOpen)) RejectArithmetic(function);
    }
    if (!Is(TokenKind::kOpen)) OutOfPlace();
    if (++depth_ > kMaxNesting) {
      throw Error("计算式的括号嵌套太深（最多 " + std::to_string(kMaxNesting) + " 层）：" +
                  Excerpt(expression_, 200));
    }
    Advance();
    int arguments = 1;
    Sum();
    while (Is(TokenKind::kComma)) {
      if (function.empty()) RejectArithmetic(tokens_[at_].text);
      Advance();
      ++arguments;
      Sum();
    }
    if (!Is(TokenKind::kClose)) OutOfPlace();
    Advance();
    --depth_;
    const int most = EqualsIgnoreCase(function, "round") ? 2 : 1;
    if (arguments > most) {
      throw Error("计算式中 " + std::string(function) + " 的参数太多：" +
                  Excerpt(expression_, 200));
    }
  }

  bool Balanced() const {
    int depth = 0;
    for (const Token& token : tokens_) {
      if (token.kind == TokenKind::kOpen) ++depth;
      if (token.kind == TokenKind::kClose && --depth < 0) return false;
    }
    return depth == 0;
  }

  // The grammar stops at the current token (or at the end).
  [[noreturn]] void OutOfPlace() {
    for (std::size_t k = at_; k < tokens_.size(); ++k) {
      if (tokens_[k].kind == TokenKind::kBlank) {
        CheckBlank(tokens_[k].text);
      } else {
        Admit(tokens_[k]);
      }
    }
    if (!Balanced()) throw Error("计算式的括号不配对：" + std::string(expression_));
    if (AtEnd()) throw Error("计算式不完整：" + Excerpt(expression_, 200));
    // A number right after a number ("1 2", "1.2.3") is no arithmetic at all.
    if (Is(TokenKind::kNumber) && previous_ == TokenKind::kNumber) {
      RejectArithmetic(tokens_[at_].text);
    }
    throw Error("计算式中“" + Excerpt(tokens_[at_].text, 20) + "”的位置不对：" +
                Excerpt(expression_, 200));
  }

  std::string_view expression_;
  std::vector<Token> tokens_;
  std::size_t at_ = 0;
  TokenKind previous_ = TokenKind::kBlank;
  int depth_ = 0;
};

}  // namespace

void CheckArithmeticExpression(std::string_view expression) {
  // The check is a function of the text alone; the fee cascades check the same few expressions
  // at every keystroke, so texts once accepted are remembered (a bounded set, emptied when full).
  static std::unordered_set<std::string> accepted;
  constexpr std::size_t kRemembered = 256;
  if (accepted.count(std::string(expression)) != 0) return;
  ArithmeticCheck(expression).Run();
  if (accepted.size() >= kRemembered) accepted.clear();
  accepted.emplace(expression);
}

}  // namespace torva::db
