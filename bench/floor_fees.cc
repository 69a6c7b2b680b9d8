// The SQLite floor's budget refresh, recalculations and fees (floor.h).
#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>

#include "floor.h"
#include "floor_text.h"

namespace torva_bench {

// ---- the budget refresh ----

void FloorForm::WriteAmount(Stmt which, int field) {
  sqlite3_stmt* stmt = Run(which);
  std::string value;
  if (sqlite3_column_type(stmt, 0) == SQLITE_TEXT) {
    value = General(ToFloat(ColumnText(stmt, 0)));  // the two-decimal text of printf
  } else {
    value = General(sqlite3_column_double(stmt, 0));  // NULL and no row read as 0
  }
  sqlite3_reset(stmt);
  Set(field, value);
}

void FloorForm::WriteGroup(Stmt which, const std::array<std::string_view, 3>& keys,
                           const std::array<int, 3>& fields) {
  sqlite3_stmt* stmt = Prepared(which);
  sqlite3_reset(stmt);
  std::array<std::string, 3> values;
  std::array<bool, 3> found{};
  while (Step(stmt)) {
    const char* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    const std::string_view key = name ? std::string_view(name) : std::string_view();
    for (int i = 0; i < 3; ++i) {
      if (!found[i] && key == keys[i]) {
        found[i] = true;
        values[i] = ColumnText(stmt, 1);
      }
    }
  }
  sqlite3_reset(stmt);
  for (int i = 0; i < 3; ++i) {
    if (found[i]) Set(fields[i], values[i]);
  }
}

bool FloorForm::ReadFactor(Stmt which, std::string* factor) {
  sqlite3_stmt* stmt = Prepared(which);
  sqlite3_reset(stmt);
  const bool row = Step(stmt);
  const std::string expression = row ? ColumnText(stmt, 0) : std::string();
  sqlite3_reset(stmt);
  if (!row) return false;
  const size_t star = expression.rfind('*');
  if (star == std::string::npos) return false;
  *factor = expression.substr(star + 1);
  return true;
}

void FloorForm::WriteNegated(Stmt which, int field) {
  sqlite3_stmt* stmt = Prepared(which);
  sqlite3_reset(stmt);
  std::string stored;
  bool found = false;
  while (!found && Step(stmt)) {
    const char* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    if (name != nullptr && std::strcmp(name, "CLCY") == 0) {
      found = true;
      stored = ColumnText(stmt, 1);
    }
  }
  sqlite3_reset(stmt);
  if (!found) return;
  const double value = Strict(stored);
  if (value == 0) return Set(field, "");
  const auto [begin, end] = Trim(stored);
  const std::string digits = stored.substr(begin, end - begin);
  Set(field, digits[0] == '-' ? digits.substr(1) : "-" + digits);
}

void FloorForm::Refresh() {
  using Copies = std::initializer_list<std::pair<int, int>>;
  {
    sqlite3_stmt* stmt = Run(kAuditedInstall);
    audited_install_ = sqlite3_column_double(stmt, 0);
    sqlite3_reset(stmt);
  }
  const long double audited = audited_install_;
  Set(kJZAZ, General(yg_ ? audited : audited - context_.contractor_amount));

  const std::string& stage = context_.stage;
  const bool submitted =
      stage == "0" || stage == "1" || stage == "2" || stage == "3" || stage == "4";
  const bool first_review = stage == "3" || stage == "4";
  const bool auditor = stage == "4";
  std::string factor;
  if (submitted) {
    WriteAmount(kSubmittedDiscounted, T(36));
    WriteAmount(kSubmittedAuxiliary, T(37));
    WriteAmount(kSubmittedTax, T(38));
    WriteAmount(kSubmittedOther, T(39));
    WriteGroup(kSubmittedGroup, {"JGGR", "PGGR", "YGCL"}, {T(40), T(41), D(3)});
    for (auto [to, from] : Copies{{D(2), T(36)},
                                  {D(4), T(37)},
                                  {D(5), T(38)},
                                  {D(6), T(39)},
                                  {D(7), T(40)},
                                  {D(8), T(41)},
                                  {T(58), D(3)}}) {
      Set(to, std::string(fields_[from]));
    }
    WriteAmount(kSubmittedInstall, T(22));
  }
  if (first_review) {
    WriteAmount(kFirstDiscounted, TC(3));
    if (ReadFactor(kDiscountFactor, &factor)) {
      Set(T(45), General((1.0L - Strict(factor)) * 100.0L));
    }
    WriteAmount(kFirstAuxiliary, Date(1));
    if (ReadFactor(kAuxiliaryFactor, &factor)) {
      Set(Date(6), General(static_cast<long double>(Strict(factor)) * 100.0L));
    }
    WriteAmount(kFirstTax, Date(2));
    WriteAmount(kFirstOther, Date(3));
    WriteGroup(kFirstGroup, {"JGGR", "PGGR", "YGCL"}, {Date(4), Date(5), T(1)});
    WriteNegated(kFirstDifference, TC(4));
    for (auto [to, from] : Copies{{D(11), TC(3)},
                                  {T(2), Date(1)},
                                  {T(3), Date(2)},
                                  {T(4), Date(3)},
                                  {T(5), Date(4)},
                                  {T(6), Date(5)},
                                  {D(12), TC(4)},
                                  {T(59), T(1)}}) {
      Set(to, std::string(fields_[from]));
    }
    WriteAmount(kFirstInstall, T(28));
  }
  // At stage "3" the form also makes the design-fee page the active one: nothing to compute.
  if (auditor) {
    WriteAmount(kAuditDiscounted, T(9));
    if (ReadFactor(kDiscountFactor, &factor)) Set(T(42), factor);
    WriteAmount(kAuditAuxiliary, T(12));
    if (ReadFactor(kAuxiliaryFactor, &factor)) {
      Set(T(43), General(static_cast<long double>(Strict(factor)) * 100.0L));
    }
    WriteAmount(kAuditTax, T(13));
    WriteAmount(kAuditOther, T(14));
    WriteGroup(kAuditGroup, {"JGGR", "PGGR", "YGCL"}, {T(15), T(16), T(11)});
    WriteNegated(kAuditDifference, T(10));
    Set(T(51), General(context_.owner_amount));
  }
  Set(T(55), std::string(fields_[T(29)]));

  tag_ = 1;
  Cover(tag_, 1);
  Cover(tag_, 2);
  ReviewSubmitted(tag_);
  FeeSubmitted(tag_);
  ReviewOwner(tag_, 1);
  FeeOwner(tag_, 1);
  FeeAudit(tag_, 1);
  OnChange(T(22));
  OnChange(T(28));
  OnChange(T(34));
  SurveyDesignTotal(tag_);
  InstallFee(tag_);
  if (auditor) Set(T(30), SurveyFee(fields_[T(31)]));
}

// ---- recalculations ----

namespace {

template <size_t N>
std::string SumText(const std::array<std::string, kFieldCount>& fields, const int (&which)[N]) {
  long double sum = 0;
  for (int field : which) sum += ToFloat(fields[field]);
  return General(sum);
}

}  // namespace

void FloorForm::FeeSubmitted(int loaded) {
  if (loaded != 1) return;
  Set(D(1), SumText(fields_, {D(2), D(3), D(4), D(5), D(6)}));
}

void FloorForm::FeeOwner(int loaded, int scope) {
  if (loaded != 1) return;
  if (scope == 1) Set(D(10), SumText(fields_, {D(11), D(12)}));
  Set(D(9), SumText(fields_, {D(11), D(12), T(1), T(2), T(3), T(4)}));
}

void FloorForm::FeeAudit(int loaded, int scope) {
  if (loaded != 1) return;
  if (scope == 1) Set(T(8), SumText(fields_, {T(9), T(10)}));
  Set(T(7), SumText(fields_, {T(9), T(10), T(11), T(12), T(13), T(14)}));
  const double audited = Strict(fields_[T(7)]);
  if (!Blank(fields_[D(9)]) && audited > Strict(fields_[D(9)]))
    Set(T(7), std::string(fields_[D(9)]));
  Set(T(50), std::string(fields_[T(7)]));
}

void FloorForm::ReviewSubmitted(int loaded) {
  if (loaded != 1) return;
  Set(T(35), SumText(fields_, {T(36), T(37), T(38), T(39), T(58)}));
}

void FloorForm::ReviewOwner(int loaded, int scope) {
  if (loaded != 1) return;
  if (scope == 1) Set(TC(2), SumText(fields_, {TC(3), TC(4)}));
  Set(TC(1), SumText(fields_, {TC(3), TC(4), Date(1), Date(2), Date(3), T(59)}));
}

void FloorForm::Cover(int loaded, int scope) {
  if (loaded != 1) return;
  if (scope == 1) {
    Set(T(49), SumText(fields_, {T(50), T(51)}));
  } else if (scope == 2) {
    Set(T(53), SumText(fields_, {T(54), T(55), T(56)}));
  }
  Set(T(48), SumText(fields_, {T(49), T(52), T(53)}));
}

void FloorForm::SurveyDesignTotal(int loaded) {
  if (yj_) return Set(T(29), "0");
  if (loaded == 1) {
    long double sum = Num(T(30));
    sum += Num(T(32));
    sum += Num(T(33));
    Set(T(29), General(sum));
  }
  if (!Blank(fields_[T(23)])) {
    const bool has_total = !Blank(fields_[T(29)]);
    const double audited = has_total ? Strict(fields_[T(29)]) : 0;
    if (has_total && audited > Strict(fields_[T(23)])) Set(T(29), std::string(fields_[T(23)]));
  }
  Set(T(55), std::string(fields_[T(29)]));
}

void FloorForm::InstallFee(int loaded) {
  if (loaded != 1) return;
  const double installation = Num(kJZAZ);
  const double equipment = Num(T(52));
  const long double sum = static_cast<long double>(equipment) + installation;
  const int target = context_.stage == "4" ? T(34) : context_.stage == "3" ? T(28) : T(22);
  Set(target, General(sum));
}

double FloorForm::CoefficientFactor() const {
  const double percent = Num(T(44));
  return percent == 0 ? 1 : percent / 100;
}

double FloorForm::Evaluate(const std::string& expression) {
  const std::string sql = "select " + expression + " as HJ";
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(project_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
      SQLITE_OK) {
    throw std::runtime_error(sqlite3_errmsg(project_));
  }
  const bool row = sqlite3_step(stmt) == SQLITE_ROW;
  const bool null = !row || sqlite3_column_type(stmt, 0) == SQLITE_NULL;
  const double value = row ? sqlite3_column_double(stmt, 0) : 0;
  sqlite3_finalize(stmt);
  if (null) throw std::runtime_error("Division by zero");  // SQLite gives NULL for x/0
  return value;
}

std::string FloorForm::DesignFee(const std::string& amount) {
  const double x = ToFloat(amount);
  if (x == 0) return "0";
  const std::string v = General(static_cast<long double>(x) / 10000);
  sqlite3_stmt* band = Prepared(kDesignBand);
  sqlite3_reset(band);
  sqlite3_bind_double(band, 1, std::strtod(v.c_str(), nullptr));
  const bool found = Step(band);
  const double lower = (found ? sqlite3_column_double(band, 0) : 0) * 10000;
  const double upper = (found ? sqlite3_column_double(band, 1) : 0) * 10000;
  const double rate = found ? sqlite3_column_double(band, 2) : 0;
  sqlite3_reset(band);
  const double S = upper == 0 ? rate * x / 100 : rate * 10000;
  double P = 0;
  if (lower != 0) {
    sqlite3_stmt* previous = Prepared(kDesignPrevious);
    sqlite3_reset(previous);
    const std::string limit = General(static_cast<long double>(lower) / 10000);
    sqlite3_bind_double(previous, 1, std::strtod(limit.c_str(), nullptr));
    if (Step(previous)) P = sqlite3_column_double(previous, 0) * 10000;
    sqlite3_reset(previous);
  }
  std::string shown, evaluated;
  if (found && upper == 0) {
    shown = General(x) + "*" + General(rate) + "/100";
    evaluated = General(x) + "*" + General(rate) + "*1.0/100";
  } else if (lower == 0) {
    shown = General(x) + "*" + General(S) + "/" + General(upper);
    evaluated = General(x) + "*" + General(S) + "*1.0/" + General(upper);
  } else {
    const long double slope =
        (static_cast<long double>(S) - P) / (static_cast<long double>(upper) - lower);
    shown =
        "(" + General(P) + "+" + Fixed(slope, 4) + "*(" + General(x) + "-" + General(lower) + "))";
    evaluated = shown;
  }
  shown += "*0.85";
  evaluated += "*0.85";
  const double hj = Evaluate(evaluated);
  Set(kSJF, shown);
  return Fixed(static_cast<long double>(hj) * CoefficientFactor(), 2);
}

std::string FloorForm::SurveyFee(const std::string& length) {
  const double x = ToFloat(length);
  if (x == 0) return "0";
  std::string expression = "0";
  if (survey_type_ >= 0 && survey_type_ < 3) {
    sqlite3_stmt* band = Prepared(static_cast<Stmt>(kSurveyConduit + survey_type_));
    sqlite3_reset(band);
    const std::string text = General(x);
    sqlite3_bind_double(band, 1, std::strtod(text.c_str(), nullptr));
    if (Step(band)) {
      const std::string base = ColumnText(band, 1);
      const std::string per_km = ColumnText(band, 2);
      const std::string from = ColumnText(band, 0);
      const std::string multiplier = ColumnText(band, 3);
      const bool first_band = sqlite3_column_double(band, 0) == 0;
      const bool multiplied = sqlite3_column_double(band, 3) != 0;
      if (first_band) {
        expression = multiplied ? base + "*" + multiplier : base;
      } else {
        const std::string charge = base + "+" + per_km + "*(" + text + "-" + from + ")";
        expression = multiplied ? "(" + charge + ")*" + multiplier : charge;
      }
    }
    sqlite3_reset(band);
  }
  const double hj = Evaluate(kc_ ? "(" + expression + ")*0.8" : expression);
  Set(kKCF, expression);
  return Fixed(static_cast<long double>(hj) * CoefficientFactor(), 2);
}

}  // namespace torva_bench
