// Deeply nested arithmetic made shallow for SQLite's parser.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace torva::db::sqlite {

// SQLite's parser holds about a hundred symbols: some fifteen levels of nested calls or bracketed
// sums, however simple. The engine the form stands in for evaluates far deeper arithmetic. For a
// statement that begins with "select" and nests deeper than a few levels, every group of numbers
// and operators nested that deep is moved into a common table expression of its own and read back
// as a scalar subquery, so that no part of the text nests deeply, and SQLite computes the same
// value. Returns nullopt when nothing needs moving (or the text is no statement of that kind).
std::optional<std::string> FlattenDeepArithmetic(std::string_view sql);

}  // namespace torva::db::sqlite
