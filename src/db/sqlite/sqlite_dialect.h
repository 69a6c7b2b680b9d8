// The desktop SQL dialect (db/dialect.h) written for SQLite.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace torva::db::sqlite {

// Translates one statement of the desktop dialect into SQLite's. Double-quoted literals become
// single-quoted ones (inner quotes handled); every divisor of a '/' is wrapped in the registered
// divisor function (a/b/c is a/torva_divisor(b)/torva_divisor(c)); ^, \ and Mod become calls of
// their functions with the operands the engine's precedence gives them (-2^2 is -torva_pow(2,2),
// 1+7\2*3 is 1+torva_idiv(7,2*3)); two minus signs side by side are kept apart. Text inside string
// literals is never touched. A select whose arithmetic nests deeper than SQLite's parser follows is
// first made shallow (deep_arithmetic.h). A chain of operators takes time linear in its length.
// Throws torva::Error on an unterminated string literal and on an operator without its operands.
std::string TranslateDialect(std::string_view sql);

// The statement with each string literal ('text' or "text") replaced by a parameter "?", its value
// appended to `values` in order: statements that differ only in their texts then share one shape,
// translated and prepared once. A statement that has parameters of its own, an unterminated
// literal or a literal holding a NUL byte is returned unchanged with no values.
std::string LiteralsAsParameters(std::string_view sql, std::vector<std::string>* values);

}  // namespace torva::db::sqlite
