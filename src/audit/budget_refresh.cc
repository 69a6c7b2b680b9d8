// Refilling the fee columns from the budget tables.
//
// A refresh reads the three versions of the budget (the contractor's submission, the owner's first
// review, the auditor's determination) into the columns that the audit stage has reached, sets the
// installation amount of the design-fee page, and then recomputes every total of the form so that
// the whole form agrees with the budget.
//
// Q_Pub holds one result at a time, and writing a field runs that field's change handler, which may
// run statements of its own and so replace the result. Every step therefore takes what it needs out
// of Q_Pub first and writes the fields afterwards.
//
// Errors (a statement the database rejects, a factor or material difference that is no number, an
// error of a recalculation) end the refresh where they arise: the fields written so far keep their
// texts and the error travels to the boundary of the user action that started the refresh.
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "audit/handlers.h"
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

// A parameter key of a budget group and the field it fills.
struct KeyTarget {
  std::string_view key;
  std::string_view field;
};

// Amount: the first row's column as text, read the forgiving way and written as general number text.
// A sum over no items (NULL) and a result without rows both give the empty text, hence 0.
void WriteAmount(TfrmMain& form, const std::string& sql, const std::string& column,
                 std::string_view field) {
  form.OpenSql(sql);
  const std::string text = form.Q_Pub().AsText(column);
  const std::string value = text::FormatGeneral(form.TextToFloat(text));
  form.SetText(field, value);
}

// Every (CSName, S_Val) row of the group now open on Q_Pub, in the order read; Q_Pub is closed.
std::vector<std::pair<std::string, std::string>> ReadGroup(TfrmMain& form, const std::string& sql) {
  std::vector<std::pair<std::string, std::string>> rows;
  form.OpenSql(sql);
  db::Query& q = form.Q_Pub();
  while (!q.Eof()) {
    rows.emplace_back(q.AsText("CSName"), q.AsText("S_Val"));
    q.Next();
  }
  q.Close();
  return rows;
}

// The S_Val of the first row whose CSName is exactly `key`, or nothing.
std::optional<std::string> FindKey(const std::vector<std::pair<std::string, std::string>>& rows,
                                   std::string_view key) {
  for (const auto& [name, value] : rows) {
    if (name == key) return value;
  }
  return std::nullopt;
}

// Parameter: each key found in the group writes its stored text unchanged into its field; a key
// (or a whole group) that is missing leaves its field as it is.
void WriteParameters(TfrmMain& form, const std::string& sql,
                     std::initializer_list<KeyTarget> targets) {
  const auto rows = ReadGroup(form, sql);
  for (const KeyTarget& target : targets) {
    if (auto value = FindKey(rows, target.key)) form.SetText(target.field, *value);
  }
}

// Factor: the text after the last '*' of the first row's SGJSS (possibly empty), or nothing when
// there is no row or no '*'. The budget keeps the discount and the auxiliary-material rate as the
// trailing multiplier of the item's calculation expression.
std::optional<std::string> ReadFactor(TfrmMain& form, const std::string& sql) {
  form.OpenSql(sql);
  db::Query& q = form.Q_Pub();
  if (q.Eof()) return std::nullopt;
  const std::string expression = q.AsText("SGJSS");
  const size_t star = expression.rfind('*');
  if (star == std::string::npos) return std::nullopt;
  return expression.substr(star + 1);
}

// The strict conversion at extended precision, so that (1 - 0.9) * 100 comes out as 10.
long double StrictFactor(const std::string& factor) {
  const std::optional<long double> value = text::ParseStrict(factor);
  if (!value) throw Error(text::FloatConversionMessage(factor));
  return *value;
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

// Negated: the group's "CLCY" row, negated, into `field`; a missing row leaves the field as it is.
void WriteNegated(TfrmMain& form, const std::string& sql, std::string_view field) {
  const auto rows = ReadGroup(form, sql);
  const std::optional<std::string> stored = FindKey(rows, "CLCY");
  if (!stored) return;
  form.SetText(field, NegatedText(*stored));
}

// Copy: each target receives the source's text as it stands now.
void Copy(TfrmMain& form,
          std::initializer_list<std::pair<std::string_view, std::string_view>> pairs) {
  for (const auto& [target, source] : pairs) form.SetText(target, form.Text(source));
}

}  // namespace

// The private steps of RefreshFromBudget; TfrmMain befriends this struct so that the refresh can
// keep the audited installation amount.
struct BudgetRefreshSteps {
  // Columns "施工单位送审" of TS_CS and TS_D, and the designer column's installation fee on TS_T.
  static void RefreshSubmittedColumn(TfrmMain& f) {
    WriteAmount(f, R"(select sum(SGHJFY) as HJ from G_QF where XM="折扣后施工费")", "HJ", "T_36");
    WriteAmount(f, R"(select sum(SGHJFY) as HJ from G_QF where XM="辅助材料费")", "HJ", "T_37");
    WriteAmount(f, R"(select sum(SGHJFY) as HJ from G_QF where XM="税金")", "HJ", "T_38");
    WriteAmount(f,
                R"(select Format(QTFY,"0.00") as QTF from P_ZHZ )"
                R"(where GCID=32000 and LX>100 and DepID=2)",
                "QTF", "T_39");
    WriteParameters(f, "select CSName,S_Val from G_GCCS where GCID=-12",
                    {{"JGGR", "T_40"}, {"PGGR", "T_41"}, {"YGCL", "D_3"}});
    Copy(f, {{"D_2", "T_36"},
             {"D_4", "T_37"},
             {"D_5", "T_38"},
             {"D_6", "T_39"},
             {"D_7", "T_40"},
             {"D_8", "T_41"},
             {"T_58", "D_3"}});
    WriteAmount(f, R"(select sum(SGHJFY) as HJ from G_QF where XM="建筑安装工程费")", "HJ", "T_22");
    f.Q_Pub().Close();
  }

  // Column "建设单位初审" of TS_CS and TS_D, and the first-review installation fee on TS_T.
  static void RefreshFirstReviewColumn(TfrmMain& f) {
    WriteAmount(f, R"(select sum(SHHJFY) as HJ from G_QF where XM="折扣后施工费")", "HJ", "TC_3");
    // The first-review column shows the discount as a percentage: a factor of 0.9 shows 10.
    if (auto factor = ReadFactor(f, R"(select SGJSS from G_QF where XM="折扣后施工费")")) {
      f.SetText("T_45", text::FormatGeneral((1.0L - StrictFactor(*factor)) * 100.0L));
    }
    WriteAmount(f, R"(select sum(SHHJFY) as HJ from G_QF where XM="辅助材料费")", "HJ", "Date_1");
    if (auto factor = ReadFactor(f, R"(select SGJSS from G_QF where XM="辅助材料费")")) {
      f.SetText("Date_6", text::FormatGeneral(StrictFactor(*factor) * 100.0L));
    }
    WriteAmount(f, R"(select sum(SHHJFY) as HJ from G_QF where XM="税金")", "HJ", "Date_2");
    WriteAmount(f,
                R"(select Format(QTFY,"0.00") as QTF from P_ZHZ )"
                R"(where GCID=32000 and LX>100 and DepID=3)",
                "QTF", "Date_3");
    WriteParameters(f, "select CSName,S_Val from G_GCCS where GCID=-13",
                    {{"JGGR", "Date_4"}, {"PGGR", "Date_5"}, {"YGCL", "T_1"}});
    WriteNegated(f, "select CSName,S_Val from G_GCCS where GCID=-16", "TC_4");
    Copy(f, {{"D_11", "TC_3"},
             {"T_2", "Date_1"},
             {"T_3", "Date_2"},
             {"T_4", "Date_3"},
             {"T_5", "Date_4"},
             {"T_6", "Date_5"},
             {"D_12", "TC_4"},
             {"T_59", "T_1"}});
    WriteAmount(f, R"(select sum(SHHJFY) as HJ from G_QF where XM="建筑安装工程费")", "HJ", "T_28");
    f.Q_Pub().Close();
  }

  // Column "审计单位审定" of TS_D only: the preliminary review has no auditor column, and the
  // auditor's installation fee on TS_T is computed by the design-fee page.
  static void RefreshAuditorColumn(TfrmMain& f) {
    WriteAmount(f, R"(select sum(HJFY) as HJ from G_QF where XM="折扣后施工费")", "HJ", "T_9");
    // The auditor column keeps the discount factor itself, unconverted.
    if (auto factor = ReadFactor(f, R"(select SGJSS from G_QF where XM="折扣后施工费")")) {
      f.SetText("T_42", *factor);
    }
    WriteAmount(f, R"(select sum(HJFY) as HJ from G_QF where XM="辅助材料费")", "HJ", "T_12");
    if (auto factor = ReadFactor(f, R"(select SGJSS from G_QF where XM="辅助材料费")")) {
      f.SetText("T_43", text::FormatGeneral(StrictFactor(*factor) * 100.0L));
    }
    WriteAmount(f, R"(select sum(HJFY) as HJ from G_QF where XM="税金")", "HJ", "T_13");
    WriteAmount(f,
                R"(select Format(QTFY,"0.00") as QTF from P_ZHZ )"
                R"(where GCID=32000 and LX>100 and (DepID=0 or IsNull(DepID)))",
                "QTF", "T_14");
    WriteParameters(f, "select CSName,S_Val from G_GCCS where GCID=-10",
                    {{"JGGR", "T_15"}, {"PGGR", "T_16"}, {"YGCL", "T_11"}});
    WriteNegated(f, "select CSName,S_Val from G_GCCS where GCID=-15", "T_10");
  }

  // The cover's owner-supplied materials line, from the amount the host passed.
  static void RefreshCoverMaterialsFee(TfrmMain& f) {
    f.SetText("T_51", text::FormatGeneral(f.context().owner_amount));
  }

  static void SetAuditedInstallAmount(TfrmMain& f, double amount) {
    f.audited_install_amount_ = amount;
  }
};

void TfrmMain::RefreshFromBudget() {
  using Steps = BudgetRefreshSteps;

  OpenSql(kAuditedInstallSql);
  const double audited = Q_Pub().AsFloat("HJ");
  Q_Pub().Close();
  Steps::SetAuditedInstallAmount(*this, audited);

  // Without the contractor-supplied materials the design fee rests on the installation amount less
  // those materials.
  const long double install = Checked("RzCB_YG")
                                  ? static_cast<long double>(audited)
                                  : static_cast<long double>(audited) - context().contractor_amount;
  SetText("T_JZAZ", text::FormatGeneral(install));

  const std::string& stage = context().stage;
  if (stage == "0" || stage == "1" || stage == "2") {
    Steps::RefreshSubmittedColumn(*this);
  } else if (stage == "3") {
    Steps::RefreshSubmittedColumn(*this);
    Steps::RefreshFirstReviewColumn(*this);
    model().page_control().SetActiveIndex(2);  // TS_T "设计费定案"
  } else if (stage == "4") {
    Steps::RefreshSubmittedColumn(*this);
    Steps::RefreshFirstReviewColumn(*this);
    Steps::RefreshAuditorColumn(*this);
    Steps::RefreshCoverMaterialsFee(*this);
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
  CallHandler("T_22Change");
  CallHandler("T_28Change");
  CallHandler("T_34Change");
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
  if (!ui().AskYesNo(kQuestionCaption, kQuestionText)) {
    SetChecked("RzCB_Auto", false);  // clicks again; the box is then unchecked and nothing happens
    return;
  }
  RefreshFromBudget();
}

namespace {

const HandlerEntry kRefreshHandlers[] = {
    {"RzButton2Click", [](TfrmMain& f, int) { f.RzButton2Click(); }},
    {"RzCB_AutoClick", [](TfrmMain& f, int) { f.RzCB_AutoClick(); }},
};

}  // namespace

std::span<const HandlerEntry> RefreshHandlers() { return kRefreshHandlers; }

}  // namespace torva::audit
