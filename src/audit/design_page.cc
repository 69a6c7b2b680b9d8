// Every reaction of the design-fee page (TS_T): the survey fee from the route length, the design
// fee from the construction-and-installation fee, the budget-preparation fee as a tenth of the
// design fee, the auditor's total with its cap and its copy to the cover, the
// construction-and-installation fee of the stage's column, the two fee expressions, and the
// switches and the coefficient list.
//
// The audit stage picks the column a result goes to: "4" the auditor column, "3" the first-review
// column, any other text the submitted column.
#include <optional>
#include <string>
#include <string_view>

#include "audit/tfrm_main.h"
#include "form/controls.h"
#include "text/number_text.h"
#include "text/strings.h"

namespace torva::audit {

namespace {

// The field of the stage's column: `audit` at stage "4", `first_review` at "3", else `submitted`.
std::string_view StageField(const std::string& stage, std::string_view audit,
                            std::string_view first_review, std::string_view submitted) {
  if (stage == "4") return audit;
  if (stage == "3") return first_review;
  return submitted;
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
  if (!text::IsBlank(first_review)) {
    // An empty total (possible only while the form loads) has nothing to cap.
    std::optional<long double> audited;
    if (!text::IsBlank(total)) audited = text::StrictToExtended(total);
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
  SetText(StageField(context_.stage, "T_34", "T_28", "T_22"), text::FormatGeneral(sum));
}

void TfrmMain::WriteInstallAmount() {
  const long double audited = audited_install_amount_;
  // Without the contractor-supplied materials the design fee rests on the installation amount less
  // those materials.
  const long double amount = Checked("RzCB_YG") ? audited : audited - context_.contractor_amount;
  SetText("T_JZAZ", text::FormatGeneral(amount));
}

// ---- handlers ----

// The hidden fields of the submitted and first-review columns start nothing.
void TfrmMain::T_18Change() {}
void TfrmMain::T_20Change() {}
void TfrmMain::T_22Change() {}
void TfrmMain::T_24Change() {}
void TfrmMain::T_26Change() {}
void TfrmMain::T_28Change() {}

void TfrmMain::T_30Change() { CalcSurveyDesignTotal(Tag()); }

void TfrmMain::T_32Change() {
  if (Tag() == 1) {
    // The budget-preparation fee is a tenth of the design fee.
    SetText("T_33", text::FormatFixed(static_cast<long double>(Num("T_32")) * 0.1L, 2));
  }
  CalcSurveyDesignTotal(Tag());
}

void TfrmMain::T_33Change() { CalcSurveyDesignTotal(Tag()); }

void TfrmMain::T_34Change() {
  if (Tag() != 1) return;
  DesignFeeInto("T_34", "T_32");
}

void TfrmMain::SurveyFeeInto(std::string_view source, std::string_view target,
                             bool apply_coefficient) {
  std::string fee;
  CalcSurveyFee(Text(source), apply_coefficient, fee);
  SetText(target, fee);
}

void TfrmMain::DesignFeeInto(std::string_view source, std::string_view target) {
  std::string fee;
  CalcDesignFee(Text(source), true, fee);
  SetText(target, fee);
}

void TfrmMain::T_JZAZChange() { CalcInstallFee(Tag()); }

void TfrmMain::T_31KeyDown(int Key) {
  if (!IsEnter(Key)) return;
  SurveyFeeInto("T_31", "T_30", true);
}

// The hidden route lengths of the submitted and first-review columns: their fees carry no
// coefficient.
void TfrmMain::T_19KeyDown(int Key) {
  if (!IsEnter(Key)) return;
  SurveyFeeInto("T_19", "T_18", false);
}

void TfrmMain::T_25KeyDown(int Key) {
  if (!IsEnter(Key)) return;
  SurveyFeeInto("T_25", "T_24", false);
}

// A new coefficient changes both fees of the auditor column.
void TfrmMain::T_44Change() {
  if (Tag() != 1) return;
  SurveyFeeInto("T_31", "T_30", true);
  DesignFeeInto("T_34", "T_32");
}

void TfrmMain::T_44KeyDown(int Key) {
  if (!IsEnter(Key)) return;
  form::ComboEdit& coefficient = model_.coefficient();
  const std::string typed = coefficient.text();
  if (coefficient.IndexOf(typed) < 0) coefficient.AddItem(typed);
}

void TfrmMain::T_44DblClick() {
  form::ComboEdit& coefficient = model_.coefficient();
  coefficient.RemoveItem(coefficient.text());
}

// The design-fee expression, as built or as edited: evaluated unchanged (a built one already ends
// in its factor 0.85), with the coefficient always applied.
void TfrmMain::T_SJFKeyDown(int Key) {
  if (!IsEnter(Key)) return;
  const std::string fee = FeeOf(Text("T_SJF"), false, true);
  SetText(StageField(context_.stage, "T_32", "T_26", "T_20"), fee);
}

// The survey-fee expression never shows the one-stage factor; it is applied here. Only the auditor
// column receives the result.
void TfrmMain::T_KCFKeyDown(int Key) {
  if (!IsEnter(Key)) return;
  const std::string fee = FeeOf(Text("T_KCF"), Checked("RzCB_KC"), true);
  if (context_.stage == "4") SetText("T_30", fee);
}

void TfrmMain::RzCB_KCClick() {
  const std::string expression = Text("T_KCF");
  if (expression.empty()) return;
  const bool one_stage = Checked("RzCB_KC");
  SetText("RzE_KC", one_stage ? "X0.8" : "");
  const std::string fee = FeeOf(expression, one_stage, true);
  if (context_.stage == "4") SetText("T_30", fee);
}

// Outside the auditor's stage the new type applies from the next survey-fee calculation.
void TfrmMain::RzCB_1Select() {
  if (context_.stage != "4") return;
  SurveyFeeInto("T_31", "T_30", true);
}

void TfrmMain::RzCB_YJClick() {
  if (Checked("RzCB_YJ")) {
    SetText("T_29", "0");
  } else {
    CalcSurveyDesignTotal(Tag());
  }
}

// Whether the installation amount keeps the materials the contractor supplied.
void TfrmMain::RzCB_YGClick() { WriteInstallAmount(); }

}  // namespace torva::audit
