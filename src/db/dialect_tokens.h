// The desktop SQL dialect cut into tokens, the way its engine reads a statement.
//
// The translation must never look inside a string literal or a name, so everything that reads a
// statement (the translation, the arithmetic check) reads these tokens. The desktop engine has no
// comments: "--" is two minus signs and "/*" a division followed by a multiplication.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torva::db {

enum class TokenKind {
  kBlank,        // characters 0..32
  kString,       // 'text'
  kTextLiteral,  // the desktop dialect's "text"
  kBracketName,  // [name]
  kQuotedName,   // `name`
  kUnclosed,     // a quote or bracket never closed, with the rest of the statement
  kWord,         // names and keywords (Mod among them)
  kNumber,       // 1.5E3, .5, 0x1F
  kBlob,         // x'AB'
  kParameter,    // ? :a @a $a
  kOperator,     // + - * / % ^ \ || < <= = ... and the '.' of table.column
  kOpen,
  kClose,
  kComma,
  kOther,  // ';' and anything the engine does not know
};

struct Token {
  TokenKind kind;
  std::string_view text;  // a view into the statement
};

// Cuts `sql` into tokens covering it completely, in order. Never throws: an unclosed quote or
// bracket is one kUnclosed token running to the end.
std::vector<Token> Tokenize(std::string_view sql);

// What arithmetic is written with besides numbers, brackets and commas: the one-character operators
// + - * / % ^ \ and the words abs, round and Mod.
bool IsArithmeticOperator(const Token& token);
bool IsArithmeticWord(const Token& token);

// The value of a quoted literal token ('text' or the dialect's "text"): the text between the
// quotes, each doubled quote made one.
std::string LiteralValue(std::string_view token);

// The number of decimals of a Format pattern "0", "0.0", "0.00", ... (at most 15: more than any
// pattern of the form asks for, and still within what an 8-byte float holds); nothing for any
// other pattern. Every backend's Format reads its pattern so.
std::optional<int> FormatPatternDecimals(std::string_view pattern);

// The start of `text`, cut at a character boundary, with "..." when it was cut: for error messages.
std::string Excerpt(std::string_view text, std::size_t limit = 40);

}  // namespace torva::db
