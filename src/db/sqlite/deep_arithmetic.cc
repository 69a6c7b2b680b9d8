#include "db/sqlite/deep_arithmetic.h"

#include <algorithm>
#include <string>
#include <vector>

#include "db/dialect_tokens.h"
#include "text/strings.h"

namespace torva::db::sqlite {
namespace {

using text::EqualsIgnoreCase;

// Levels kept inline: the costliest shape (a division by a bracketed sum) still parses at 15.
constexpr int kLevelsInline = 6;
// Past this the translation refuses the statement anyway.
constexpr int kDeepest = 250;

bool IsArithmetic(const Token& token) {
  switch (token.kind) {
    case TokenKind::kBlank:
    case TokenKind::kNumber:
    case TokenKind::kOpen:
    case TokenKind::kClose:
    case TokenKind::kComma: return true;
    case TokenKind::kOperator: return IsArithmeticOperator(token);
    case TokenKind::kWord: return IsArithmeticWord(token);
    default: return false;
  }
}

// One bracketed group being read: its text so far and what is known of it.
struct Group {
  std::string text;
  int height = 0;           // levels of brackets inside it
  bool arithmetic = true;   // only numbers, operators, brackets, abs, round
  bool call = false;        // the arguments of a function
  bool list = false;        // a comma at its own level
};

}  // namespace

std::optional<std::string> FlattenDeepArithmetic(std::string_view sql) {
  if (std::count(sql.begin(), sql.end(), '(') <= kLevelsInline) return std::nullopt;
  const std::vector<Token> tokens = Tokenize(sql);
  const auto first = std::find_if(tokens.begin(), tokens.end(), [](const Token& token) {
    return token.kind != TokenKind::kBlank;
  });
  if (first == tokens.end() || !EqualsIgnoreCase(first->text, "select")) return std::nullopt;

  // An explicit stack, not a recursion: the text may nest as deep as it likes here.
  std::vector<Group> open(1);
  std::vector<std::string> moved;  // the common table expressions, innermost first
  TokenKind previous = TokenKind::kBlank;
  for (const Token& token : tokens) {
    if (token.kind == TokenKind::kOpen) {
      if (open.size() >= kDeepest) return std::nullopt;
      open.emplace_back();
      open.back().call = previous == TokenKind::kWord;
    } else if (token.kind == TokenKind::kClose) {
      if (open.size() == 1) return std::nullopt;  // unpaired: left to the translation
      Group group = std::move(open.back());
      open.pop_back();
      Group& parent = open.back();
      int height = group.height + 1;
      if (height > kLevelsInline && group.arithmetic && !group.list) {
        const std::string name = "torva_deep" + std::to_string(moved.size() + 1);
        moved.push_back(name + "(v) as (select " + group.text + ")");
        const std::string read = "select v from " + name;
        group.text = group.call ? "(" + read + ")" : read;
        height = group.call ? 2 : 1;
      }
      parent.text += '(';
      parent.text += group.text;
      parent.text += ')';
      parent.height = std::max(parent.height, height);
      parent.arithmetic = parent.arithmetic && group.arithmetic;
    } else {
      Group& group = open.back();
      group.text += token.text;
      group.arithmetic = group.arithmetic && IsArithmetic(token);
      group.list = group.list || token.kind == TokenKind::kComma;
    }
    if (token.kind != TokenKind::kBlank) previous = token.kind;
  }
  if (open.size() != 1 || moved.empty()) return std::nullopt;

  std::string out = "with ";
  for (std::size_t k = 0; k < moved.size(); ++k) {
    if (k > 0) out += ", ";
    out += moved[k];
  }
  out += ' ';
  out += open.front().text;
  return out;
}

}  // namespace torva::db::sqlite
