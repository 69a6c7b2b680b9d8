// A statement's rows, all received at once (the form reads a few rows of each result).
#include "db/postgres/pg_result.h"

#include <libpq-fe.h>

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace torva::db::postgres {
namespace {

// The type oids of the server's built-in types (fixed since the catalogue began).
constexpr Oid kBoolOid = 16;
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt2Oid = 21;
constexpr Oid kInt4Oid = 23;
constexpr Oid kOidOid = 26;
constexpr Oid kFloat4Oid = 700;
constexpr Oid kFloat8Oid = 701;
constexpr Oid kNumericOid = 1700;

ValueKind KindOfType(Oid type) {
  switch (type) {
    case kFloat4Oid: return ValueKind::kFloat4;
    case kFloat8Oid: return ValueKind::kFloat8;
    case kNumericOid: return ValueKind::kNumeric;
    case kInt2Oid:
    case kInt4Oid:
    case kInt8Oid:
    case kOidOid: return ValueKind::kInteger;
    default: return ValueKind::kText;
  }
}

// One statement's rows, all received at once (the form reads a few rows of each result).
class PgResult final : public Result {
 public:
  PgResult(PgResultPtr result, const std::vector<FormattedColumn>& formatted)
      : result_(std::move(result)), rows_(PQntuples(result_.get())) {
    const int columns = PQnfields(result_.get());
    decimals_.assign(static_cast<std::size_t>(columns), -1);
    for (const FormattedColumn& column : formatted) {
      if (column.column < columns)
        decimals_[static_cast<std::size_t>(column.column)] = column.decimals;
    }
    // Format's failures belong to the statement, as they do when an engine computes them: a text
    // that is no number fails the Open, not a later read.
    formatted_.resize(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns));
    for (int row = 0; row < rows_; ++row) {
      for (int column = 0; column < columns; ++column) {
        const int decimals = decimals_[static_cast<std::size_t>(column)];
        if (decimals < 0 || PQgetisnull(result_.get(), row, column)) continue;
        formatted_[Cell(row, column)] =
            FormatColumnValue(PQgetvalue(result_.get(), row, column),
                              KindOfType(PQftype(result_.get(), column)), decimals);
      }
    }
  }

  bool Eof() const override { return row_ >= rows_; }
  void Next() override {
    if (row_ < rows_) ++row_;
  }
  std::vector<std::string> ColumnNames() const override {
    std::vector<std::string> names;
    for (int k = 0; k < PQnfields(result_.get()); ++k)
      names.emplace_back(PQfname(result_.get(), k));
    return names;
  }

 protected:
  ValueType TypeAt(int index) const override {
    if (Eof() || PQgetisnull(result_.get(), row_, index)) return ValueType::kNull;
    if (decimals_[static_cast<std::size_t>(index)] >= 0) return ValueType::kText;
    const Oid type = PQftype(result_.get(), index);
    if (type == kBoolOid) return ValueType::kInteger;
    switch (KindOfType(type)) {
      case ValueKind::kInteger: return ValueType::kInteger;
      case ValueKind::kText: return ValueType::kText;
      default: return ValueType::kReal;
    }
  }

  std::string TextAt(int index) const override {
    if (Eof() || PQgetisnull(result_.get(), row_, index)) return std::string();
    if (decimals_[static_cast<std::size_t>(index)] >= 0) return formatted_[Cell(row_, index)];
    const char* value = PQgetvalue(result_.get(), row_, index);
    const Oid type = PQftype(result_.get(), index);
    // The engines the form knows write a truth value as a number.
    if (type == kBoolOid) return value[0] == 't' ? "1" : "0";
    return ValueAsText(value, KindOfType(type));
  }

  double NumberAt(int index) const override {
    if (Eof() || PQgetisnull(result_.get(), row_, index)) return 0;
    const char* value = PQgetvalue(result_.get(), row_, index);
    const Oid type = PQftype(result_.get(), index);
    if (type == kBoolOid) return value[0] == 't' ? 1 : 0;
    return ValueAsNumber(value, KindOfType(type)).value_or(0);
  }

 private:
  std::size_t Cell(int row, int column) const {
    return static_cast<std::size_t>(row) * decimals_.size() + static_cast<std::size_t>(column);
  }

  PgResultPtr result_;
  int rows_ = 0;
  int row_ = 0;
  std::vector<int> decimals_;           // per column: the Format's decimals, -1 when none
  std::vector<std::string> formatted_;  // per row and column: the Format columns' texts
};

}  // namespace

ResultPtr MakeResult(PgResultPtr result, const std::vector<FormattedColumn>& formatted) {
  return std::make_unique<PgResult>(std::move(result), formatted);
}

}  // namespace torva::db::postgres
