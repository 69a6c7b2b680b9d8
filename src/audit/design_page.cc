// Every reaction of the design-fee page (TS_T): the survey fee from the route length, the design
// fee from the construction-and-installation fee, the budget-preparation fee as a tenth of the
// design fee, the auditor's total with its cap and its copy to the cover, the
// construction-and-installation fee of the stage's column, the two fee expressions, and the
// switches and the coefficient list.
//
// The audit stage picks the column a result goes to: "4" the auditor column, "3" the first-review
// column, any other text the submitted column.
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "audit/handlers.h"
#include "audit/tfrm_main.h"
#include "db/dialect.h"
#include "form/controls.h"
#include "text/error.h"
#include "text/number_text.h"

namespace torva::audit {

namespace {

// True when the text holds nothing but blanks: a total that was never entered.
bool IsBlank(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

// The field of the stage's column: `audit` at stage "4", `first_review` at "3", else `submitted`.
std::string_view StageField(const TfrmMain& f, std::string_view audit,
                            std::string_view first_review, std::string_view submitted) {
  if (f.context().stage == "4") return audit;
  if (f.context().stage == "3") return first_review;
  return submitted;
}

// Evaluates an expression the auditor typed (or left as the form built it) on the project database.
// Only arithmetic is let through: whatever else the text holds (a second statement, a table, a
// comment hiding the rest) is refused before any statement runs, so nothing is read or written.
double EvaluateTyped(TfrmMain& f, const std::string& typed, bool one_stage) {
  // The check also wants the parentheses paired: the one-stage factor wraps the text in
  // parentheses, and "1)+(2" would then evaluate as another sum than the one typed.
  db::CheckArithmeticExpression(typed);
  f.OpenSql(one_stage ? "select (" + typed + ")*0.8 as HJ" : "select " + typed + " as HJ");
  // Arithmetic can still end without a number: SQLite gives an overflow ("1e308*10") as infinity,
  // and a remainder by zero ("1%0") or infinity minus infinity as NULL. Neither is a fee.
  const bool no_value = f.Q_Pub().IsNull("HJ");
  const double hj = f.Q_Pub().AsFloat("HJ");
  f.Q_Pub().Close();
  if (no_value || !std::isfinite(hj)) throw Error("计算式的结果不是有效的数：" + typed);
  return hj;
}

// The fee of an evaluated expression with the page's coefficient applied, as "0.00".
std::string CoefficientFee(TfrmMain& f, double hj) {
  const double factor = f.CoefficientFactor();
  return text::FormatFixed(static_cast<long double>(hj) * factor, 2);
}

bool IsEnter(int key) { return key == form::kKeyEnter; }

}  // namespace

void TfrmMain::CalcSurveyDesignTotal(int Loaded) {
  // An emergency project is settled without survey and design fee.
  if (Checked("RzCB_YJ")) {
    SetText("T_29", "0");
    return;
  }
  if (Loaded == 1) {
    long double sum = Num("T_30");
    sum += Num("T_32");
    sum += Num("T_33");
    SetText("T_29", text::FormatGeneral(sum));
  }
  // The auditor's total may not exceed the first-review total. A total that was never entered
  // (empty) caps nothing; any other text that is no number is an error. This runs while the form
  // loads as well, so an empty first-review total must not stop the load.
  const std::string total = Text("T_29");
  const std::string first_review = Text("T_23");
  if (!IsBlank(first_review)) {
    // An empty total (possible only while the form loads) has nothing to cap.
    std::optional<long double> audited;
    if (!IsBlank(total)) audited = text::StrictToExtended(total);
    const long double cap = text::StrictToExtended(first_review);
    if (audited && *audited > cap) SetText("T_29", first_review);
  }
  SetText("T_55", Text("T_29"));
}

void TfrmMain::CalcInstallFee(int Loaded) {
  if (Loaded != 1) return;
  const double installation = Num("T_JZAZ");
  const double equipment = Num("T_52");
  // The equipment for installation is part of the base of the design fee.
  const long double sum = static_cast<long double>(equipment) + installation;
  SetText(StageField(*this, "T_34", "T_28", "T_22"), text::FormatGeneral(sum));
}

namespace {

void Nothing(TfrmMain&, int) {}

void SurveyDesignTotal(TfrmMain& f, int) { f.CalcSurveyDesignTotal(f.Tag()); }

void T_32Change(TfrmMain& f, int) {
  if (f.Tag() == 1) {
    // The budget-preparation fee is a tenth of the design fee.
    f.SetText("T_33", text::FormatFixed(static_cast<long double>(f.Num("T_32")) * 0.1L, 2));
  }
  f.CalcSurveyDesignTotal(f.Tag());
}

void AuditDesignFee(TfrmMain& f) {
  std::string fee;
  f.CalcDesignFee(f.Text("T_34"), true, fee);
  f.SetText("T_32", fee);
}

void AuditSurveyFee(TfrmMain& f) {
  std::string fee;
  f.CalcSurveyFee(f.Text("T_31"), true, fee);
  f.SetText("T_30", fee);
}

void T_34Change(TfrmMain& f, int) {
  if (f.Tag() == 1) AuditDesignFee(f);
}

void T_JZAZChange(TfrmMain& f, int) { f.CalcInstallFee(f.Tag()); }

void T_31KeyDown(TfrmMain& f, int key) {
  if (IsEnter(key)) AuditSurveyFee(f);
}

// The hidden route lengths of the submitted and first-review columns: their fees carry no
// coefficient.
void T_19KeyDown(TfrmMain& f, int key) {
  if (!IsEnter(key)) return;
  std::string fee;
  f.CalcSurveyFee(f.Text("T_19"), false, fee);
  f.SetText("T_18", fee);
}

void T_25KeyDown(TfrmMain& f, int key) {
  if (!IsEnter(key)) return;
  std::string fee;
  f.CalcSurveyFee(f.Text("T_25"), false, fee);
  f.SetText("T_24", fee);
}

// A new coefficient changes both fees of the auditor column.
void T_44Change(TfrmMain& f, int) {
  if (f.Tag() != 1) return;
  AuditSurveyFee(f);
  AuditDesignFee(f);
}

void T_44KeyDown(TfrmMain& f, int key) {
  if (!IsEnter(key)) return;
  form::ComboEdit& coefficient = f.model().coefficient();
  const std::string typed = coefficient.text();
  if (coefficient.IndexOf(typed) < 0) coefficient.AddItem(typed);
}

void T_44DblClick(TfrmMain& f, int) {
  form::ComboEdit& coefficient = f.model().coefficient();
  coefficient.RemoveItem(coefficient.text());
}

// The design-fee expression, as built or as edited: evaluated unchanged (a built one already ends
// in its factor 0.85), with the coefficient always applied.
void T_SJFKeyDown(TfrmMain& f, int key) {
  if (!IsEnter(key)) return;
  const double hj = EvaluateTyped(f, f.Text("T_SJF"), false);
  f.SetText(StageField(f, "T_32", "T_26", "T_20"), CoefficientFee(f, hj));
}

// The survey-fee expression never shows the one-stage factor; it is applied here. Only the auditor
// column receives the result.
void T_KCFKeyDown(TfrmMain& f, int key) {
  if (!IsEnter(key)) return;
  const double hj = EvaluateTyped(f, f.Text("T_KCF"), f.Checked("RzCB_KC"));
  const std::string fee = CoefficientFee(f, hj);
  if (f.context().stage == "4") f.SetText("T_30", fee);
}

void RzCB_KCClick(TfrmMain& f, int) {
  const std::string expression = f.Text("T_KCF");
  if (expression.empty()) return;
  const bool one_stage = f.Checked("RzCB_KC");
  f.SetText("RzE_KC", one_stage ? "X0.8" : "");
  const double hj = EvaluateTyped(f, expression, one_stage);
  const std::string fee = CoefficientFee(f, hj);
  if (f.context().stage == "4") f.SetText("T_30", fee);
}

// Outside the auditor's stage the new type applies from the next survey-fee calculation.
void RzCB_1Select(TfrmMain& f, int) {
  if (f.context().stage == "4") AuditSurveyFee(f);
}

void RzCB_YJClick(TfrmMain& f, int) {
  if (f.Checked("RzCB_YJ")) {
    f.SetText("T_29", "0");
  } else {
    f.CalcSurveyDesignTotal(f.Tag());
  }
}

// Whether the installation amount keeps the materials the contractor supplied.
void RzCB_YGClick(TfrmMain& f, int) {
  const long double audited = f.audited_install_amount();
  const long double amount =
      f.Checked("RzCB_YG") ? audited : audited - f.context().contractor_amount;
  f.SetText("T_JZAZ", text::FormatGeneral(amount));
}

const HandlerEntry kDesignPageHandlers[] = {
    // the hidden fields of the submitted and first-review columns start nothing
    {"T_18Change", Nothing},
    {"T_20Change", Nothing},
    {"T_22Change", Nothing},
    {"T_24Change", Nothing},
    {"T_26Change", Nothing},
    {"T_28Change", Nothing},
    // the auditor column
    {"T_30Change", SurveyDesignTotal},
    {"T_32Change", T_32Change},
    {"T_33Change", SurveyDesignTotal},
    {"T_34Change", T_34Change},
    {"T_JZAZChange", T_JZAZChange},
    {"T_19KeyDown", T_19KeyDown},
    {"T_25KeyDown", T_25KeyDown},
    {"T_31KeyDown", T_31KeyDown},
    // the coefficient combo
    {"T_44Change", T_44Change},
    {"T_44KeyDown", T_44KeyDown},
    {"T_44DblClick", T_44DblClick},
    // the fee expressions and the switches below the columns
    {"T_SJFKeyDown", T_SJFKeyDown},
    {"T_KCFKeyDown", T_KCFKeyDown},
    {"RzCB_KCClick", RzCB_KCClick},
    {"RzCB_1Select", RzCB_1Select},
    {"RzCB_YJClick", RzCB_YJClick},
    {"RzCB_YGClick", RzCB_YGClick},
};

}  // namespace

std::span<const HandlerEntry> DesignPageHandlers() { return kDesignPageHandlers; }

}  // namespace torva::audit
