// Refilling the fee columns from the budget tables.
//
// A refresh reads the three versions of the budget (the contractor's submission, the owner's first
// review, the auditor's determination) into the columns that the audit stage has reached, sets the
// installation amount of the design-fee page, and then recomputes every total of the form so that
// the whole form agrees with the budget.
//
// Writing a field runs that field's change handler, which may run statements of its own. Every step
// therefore takes what it needs out of its result first, lets the result close (it holds a read
// lock on a project file), and writes the fields afterwards.
//
// Errors (a statement the database rejects, a factor or material difference that is no number, an
// error of a recalculation) end the refresh where they arise: the fields written so far keep their
// texts and the error travels to the boundary of the user action that started the refresh.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "audit/tfrm_main.h"
#include "text/error.h"
#include "text/number_text.h"
#include "text/strings.h"

namespace torva::audit {

namespace {

constexpr std::string_view kQuestionCaption = "提示信息";
constexpr std::string_view kQuestionText = "系统将自动根据预算数据进行刷新，是否继续？";

// The audited construction-and-installation amount, the base of the design-fee page.
constexpr const char* kAuditedInstallSql =
    R"(select sum(HJFY) as HJ from G_QF where XM="建筑安装工程费")";

}  // namespace

// What sets the three columns apart: the budget version they read and the fields they fill. The
// steps are the same for each and run in the same order; an empty field or group skips its step.
struct BudgetColumn {
  // How a column shows the factor of a budget item's calculation expression.
  enum class Factor {
    kNone,        // the column has no field for it
    kAsIs,        // the factor text unchanged
    kPercent,     // factor × 100
    kPercentOff,  // (1 − factor) × 100: a discount factor of 0.9 shows 10
  };

  std::string_view amount;      // the version's amount column of G_QF
  std::string_view other_fees;  // its rows of P_ZHZ, by DepID
  std::string_view group;       // its G_GCCS group of "JGGR", "PGGR" and "YGCL"
  std::string_view difference_group;  // its G_GCCS group of "CLCY"
  std::string_view fee, discount, auxiliary, auxiliary_rate, tax, other, skilled, ordinary,
      own_materials, difference;
  Factor discount_shown;
  // (target, source): the fields that take another field's text once the column is read, in this
  // order; the construction-fee and preliminary-review pages share these rows.
  std::vector<std::pair<std::string_view, std::string_view>> copies;
  std::string_view install;  // "建  安  费" of the design-fee page
};

namespace {

using Factor = BudgetColumn::Factor;

// Columns "施工单位送审" of TS_CS and TS_D, and the designer column's installation fee on TS_T.
const BudgetColumn kSubmitted = {
    .amount = "SGHJFY", .other_fees = "DepID=2", .group = "-12", .difference_group = "",
    .fee = "T_36", .discount = "", .auxiliary = "T_37", .auxiliary_rate = "", .tax = "T_38",
    .other = "T_39", .skilled = "T_40", .ordinary = "T_41", .own_materials = "D_3",
    .difference = "", .discount_shown = Factor::kNone,
    .copies = {{"D_2", "T_36"}, {"D_4", "T_37"}, {"D_5", "T_38"}, {"D_6", "T_39"},
               {"D_7", "T_40"}, {"D_8", "T_41"}, {"T_58", "D_3"}},
    .install = "T_22"};

// Column "建设单位初审" of TS_CS and TS_D, and the first-review installation fee on TS_T. The
// first-review column shows the discount as a percentage off.
const BudgetColumn kFirstReview = {
    .amount = "SHHJFY", .other_fees = "DepID=3", .group = "-13", .difference_group = "-16",
    .fee = "TC_3", .discount = "T_45", .auxiliary = "Date_1", .auxiliary_rate = "Date_6",
    .tax = "Date_2", .other = "Date_3", .skilled = "Date_4", .ordinary = "Date_5",
    .own_materials = "T_1", .difference = "TC_4", .discount_shown = Factor::kPercentOff,
    .copies = {{"D_11", "TC_3"}, {"T_2", "Date_1"}, {"T_3", "Date_2"}, {"T_4", "Date_3"},
               {"T_5", "Date_4"}, {"T_6", "Date_5"}, {"D_12", "TC_4"}, {"T_59", "T_1"}},
    .install = "T_28"};

// Column "审计单位审定" of TS_D only: the preliminary review has no auditor column, and the
// auditor's installation fee on TS_T is computed by the design-fee page. The auditor column keeps
// the discount factor itself, unconverted.
const BudgetColumn kAuditor = {
    .amount = "HJFY", .other_fees = "(DepID=0 or IsNull(DepID))", .group = "-10",
    .difference_group = "-15", .fee = "T_9", .discount = "T_42", .auxiliary = "T_12",
    .auxiliary_rate = "T_43", .tax = "T_13", .other = "T_14", .skilled = "T_15",
    .ordinary = "T_16", .own_materials = "T_11", .difference = "T_10",
    .discount_shown = Factor::kAsIs, .copies = {}, .install = ""};

using Rows = std::vector<std::pair<std::string, std::string>>;

// The S_Val of the first row whose CSName is exactly `key`, or nothing.
std::optional<std::string> FindKey(const Rows& rows, std::string_view key) {
  for (const auto& [name, value] : rows) {
    if (name == key) return value;
  }
  return std::nullopt;
}

// The strict conversion at extended precision, so that (1 - 0.9) * 100 comes out as 10.
long double StrictFactor(const std::string& factor) {
  const std::optional<long double> value = text::ParseStrict(factor);
  if (!value) throw Error(text::FloatConversionMessage(factor));
  return *value;
}

std::string ShownFactor(const std::string& factor, Factor shown) {
  switch (shown) {
    case Factor::kAsIs:
      return factor;
    case Factor::kPercent:
      return text::FormatGeneral(StrictFactor(factor) * 100.0L);
    case Factor::kPercentOff:
      return text::FormatGeneral((1.0L - StrictFactor(factor)) * 100.0L);
    case Factor::kNone:
      break;
  }
  return factor;
}

// The material difference as the form shows it: the budget stores it as an amount to add, the form
// as one to subtract. 0 shows as the empty text. A positive value keeps its stored digits behind a
// "-". A stored negative value shows as its negation ("-1500" gives "1500"): putting another "-" in
// front would make "--1500", which every later sum reads as 0. Blanks around the stored text are
// dropped for the same reason ("- 1500" would read as 0), and so is a "+" sign; a text in exponent
// form, which the form's sums cannot read, is written as the general number text of the negation.
std::string NegatedText(const std::string& stored) {
  const std::optional<long double> value = text::ParseStrict(stored);
  if (!value) throw Error(text::FloatConversionMessage(stored));
  if (*value == 0) return "";
  std::string_view digits = text::TrimBlanks(stored);
  std::string negated;
  if (digits.front() == '-') {
    negated = std::string(digits.substr(1));
  } else if (digits.front() == '+') {
    negated = "-" + std::string(digits.substr(1));
  } else {
    negated = "-" + std::string(digits);
  }
  if (!text::IsNumeric(negated)) negated = text::FormatGeneral(-*value);
  return negated;
}

// The budget items a column reads, and the statements that read them: RefreshColumn runs them and
// ColumnReads lists them in the same order, so that the open can ask them all at once.
constexpr std::string_view kFeeItem = "折扣后施工费";
constexpr std::string_view kAuxiliaryItem = "辅助材料费";
constexpr std::string_view kTaxItem = "税金";
constexpr std::string_view kInstallItem = "建筑安装工程费";

// The column's amount of one budget item, as HJ.
std::string ItemSumSql(const BudgetColumn& column, std::string_view item) {
  return "select sum(" + std::string(column.amount) + ") as HJ from G_QF where XM=\"" +
         std::string(item) + "\"";
}

// The calculation expressions of one budget item, as SGJSS.
std::string FactorSql(std::string_view item) {
  return "select SGJSS from G_QF where XM=\"" + std::string(item) + "\"";
}

// The column's other fees, as QTF.
std::string OtherFeesSql(const BudgetColumn& column) {
  return "select Format(QTFY,\"0.00\") as QTF from P_ZHZ where GCID=32000 and LX>100 and " +
         std::string(column.other_fees);
}

// A G_GCCS group's (CSName, S_Val) rows.
std::string GroupSql(std::string_view id) {
  return "select CSName,S_Val from G_GCCS where GCID=" + std::string(id);
}

// What RefreshColumn reads, in its order; a factor or group it skips is not read.
void AddColumnReads(const BudgetColumn& column, std::vector<std::string>& reads) {
  reads.push_back(ItemSumSql(column, kFeeItem));
  if (!column.discount.empty()) reads.push_back(FactorSql(kFeeItem));
  reads.push_back(ItemSumSql(column, kAuxiliaryItem));
  if (!column.auxiliary_rate.empty()) reads.push_back(FactorSql(kAuxiliaryItem));
  reads.push_back(ItemSumSql(column, kTaxItem));
  reads.push_back(OtherFeesSql(column));
  reads.push_back(GroupSql(column.group));
  if (!column.difference_group.empty()) reads.push_back(GroupSql(column.difference_group));
  if (!column.install.empty()) reads.push_back(ItemSumSql(column, kInstallItem));
}

// The columns a refresh fills at an audit stage, in the order it fills them.
std::vector<const BudgetColumn*> StageColumns(const std::string& stage) {
  if (stage == "0" || stage == "1" || stage == "2") return {&kSubmitted};
  if (stage == "3") return {&kSubmitted, &kFirstReview};
  if (stage == "4") return {&kSubmitted, &kFirstReview, &kAuditor};
  return {};
}

}  // namespace

void TfrmMain::RefreshColumn(const BudgetColumn& column) {
  // Amount: the first row's column as text, read the forgiving way and written as general number
  // text. A sum over no items (NULL) and a result without rows both give the empty text, hence 0.
  const auto amount = [this](const std::string& sql, const char* result, std::string_view field) {
    const std::string stored = OpenSql(sql)->AsText(result);
    SetText(field, text::FormatGeneral(TextToFloat(stored)));
  };
  const auto item_sum = [&](std::string_view item, std::string_view field) {
    amount(ItemSumSql(column, item), "HJ", field);
  };
  // Factor: the text after the last '*' of the item's first SGJSS (possibly empty); no row, or no
  // '*', writes nothing. The budget keeps the discount and the auxiliary-material rate as the
  // trailing multiplier of the item's calculation expression.
  const auto factor = [this](std::string_view item, std::string_view field, Factor shown) {
    if (field.empty()) return;
    std::string expression;
    {
      const db::ResultPtr read = OpenSql(FactorSql(item));
      if (read->Eof()) return;
      expression = read->AsText("SGJSS");
    }
    const size_t star = expression.rfind('*');
    if (star == std::string::npos) return;
    SetText(field, ShownFactor(expression.substr(star + 1), shown));
  };
  // Every (CSName, S_Val) row of a G_GCCS group, in the order read.
  const auto group = [this](std::string_view id) {
    Rows rows;
    for (const db::ResultPtr read = OpenSql(GroupSql(id)); !read->Eof(); read->Next()) {
      rows.emplace_back(read->AsText("CSName"), read->AsText("S_Val"));
    }
    return rows;
  };

  item_sum(kFeeItem, column.fee);
  factor(kFeeItem, column.discount, column.discount_shown);
  item_sum(kAuxiliaryItem, column.auxiliary);
  factor(kAuxiliaryItem, column.auxiliary_rate, Factor::kPercent);
  item_sum(kTaxItem, column.tax);
  amount(OtherFeesSql(column), "QTF", column.other);
  // Parameters: each key found writes its stored text unchanged; a key (or a whole group) that is
  // missing leaves its field as it is.
  const Rows parameters = group(column.group);
  for (const auto& [key, field] : {std::pair{"JGGR", column.skilled},
                                   std::pair{"PGGR", column.ordinary},
                                   std::pair{"YGCL", column.own_materials}}) {
    if (auto value = FindKey(parameters, key)) SetText(field, *value);
  }
  // The material difference, negated; a missing row leaves the field as it is.
  if (!column.difference_group.empty()) {
    if (auto stored = FindKey(group(column.difference_group), "CLCY")) {
      SetText(column.difference, NegatedText(*stored));
    }
  }
  // Each copy takes the source's text as it stands now.
  for (const auto& [target, source] : column.copies) SetText(target, Text(source));
  if (!column.install.empty()) item_sum(kInstallItem, column.install);
}

std::vector<std::string> TfrmMain::RefreshReads() const {
  std::vector<std::string> reads = {kAuditedInstallSql};
  for (const BudgetColumn* column : StageColumns(context_.stage)) AddColumnReads(*column, reads);
  return reads;
}

// The cover's owner-supplied materials line, from the amount the host passed.
void TfrmMain::RefreshCoverMaterialsFee() {
  SetText("T_51", text::FormatGeneral(context_.owner_amount));
}

void TfrmMain::RefreshFromBudget() {
  audited_install_amount_ = OpenSql(kAuditedInstallSql)->AsFloat("HJ");
  WriteInstallAmount();

  const std::string& stage = context_.stage;
  for (const BudgetColumn* column : StageColumns(stage)) RefreshColumn(*column);
  if (stage == "3") {
    model_.page_control().SetActiveIndex(2);  // TS_T "设计费定案"
  } else if (stage == "4") {
    RefreshCoverMaterialsFee();
  }

  SetText("T_55", Text("T_29"));

  // The flag goes up before the recalculations, which compute nothing without it. The order
  // matters: the first-review totals are recomputed before the auditor column is capped by them.
  SetTag(1);
  CalcCoverTotals(Tag(), 1);
  CalcCoverTotals(Tag(), 2);
  CalcReviewSubmittedTotal(Tag());
  CalcFeeSubmittedTotal(Tag());
  CalcReviewOwnerTotals(Tag(), 1);
  CalcFeeOwnerTotals(Tag(), 1);
  CalcFeeAuditTotals(Tag(), 1);
  T_22Change();
  T_28Change();
  T_34Change();
  CalcSurveyDesignTotal(Tag());
  CalcInstallFee(Tag());

  if (stage == "4") {
    std::string survey_fee;
    CalcSurveyFee(Text("T_31"), true, survey_fee);
    SetText("T_30", survey_fee);
  }
}

void TfrmMain::RzButton2Click() { RefreshFromBudget(); }

void TfrmMain::RzCB_AutoClick() {
  if (!Checked("RzCB_Auto")) return;
  // Restoring the saved state while the form loads asks nothing: the start-up itself decides
  // whether to refresh once every field is in place.
  if (model().known().restoring()) return;
  if (!ui_.AskYesNo(kQuestionCaption, kQuestionText)) {
    SetChecked("RzCB_Auto", false);  // clicks again; the box is then unchecked and nothing happens
    return;
  }
  RefreshFromBudget();
}

}  // namespace torva::audit
