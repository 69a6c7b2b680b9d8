// Column totals of the construction-fee page (TS_D) and the preliminary-review page (TS_CS), the
// auditor's cap, and the report cover's totals (TS_FM), recalculated as the auditor types.
//
// Every method computes only when the loaded flag it is handed is exactly 1, so that writing saved
// values into the fields while the form loads recomputes nothing. Sums read their fields left to
// right with TextToFloat (a field read twice shows its message twice) and add in extended precision.
#include <initializer_list>
#include <string>
#include <string_view>

#include "audit/tfrm_main.h"
#include "text/number_text.h"
#include "text/strings.h"

namespace torva::audit {

std::string TfrmMain::SumText(std::initializer_list<std::string_view> fields) {
  long double sum = 0;
  for (std::string_view field : fields) sum += Num(field);
  return text::FormatGeneral(sum);
}

void TfrmMain::CalcFeeSubmittedTotal(int Loaded) {
  if (Loaded != 1) return;
  SetText("D_1", SumText({"D_2", "D_3", "D_4", "D_5", "D_6"}));
}

void TfrmMain::CalcFeeOwnerTotals(int Loaded, int Scope) {
  if (Loaded != 1) return;
  if (Scope == 1) SetText("D_10", SumText({"D_11", "D_12"}));
  SetText("D_9", SumText({"D_11", "D_12", "T_1", "T_2", "T_3", "T_4"}));
}

void TfrmMain::CalcFeeAuditTotals(int Loaded, int Scope) {
  if (Loaded != 1) return;
  if (Scope == 1) SetText("T_8", SumText({"T_9", "T_10"}));
  SetText("T_7", SumText({"T_9", "T_10", "T_11", "T_12", "T_13", "T_14"}));

  // The auditor's total may not exceed the first-review total. A first-review total that was never
  // computed (empty) caps nothing; any other text that is no number is an error.
  const long double audited = text::StrictToExtended(Text("T_7"));
  const std::string first_review = Text("D_9");
  if (!text::IsBlank(first_review) && audited > text::StrictToExtended(first_review)) {
    SetText("T_7", first_review);
  }
  SetText("T_50", Text("T_7"));
}

void TfrmMain::CalcReviewSubmittedTotal(int Loaded) {
  if (Loaded != 1) return;
  // The self-purchased material is added last although its row stands below the construction fee.
  SetText("T_35", SumText({"T_36", "T_37", "T_38", "T_39", "T_58"}));
}

void TfrmMain::CalcReviewOwnerTotals(int Loaded, int Scope) {
  if (Loaded != 1) return;
  if (Scope == 1) SetText("TC_2", SumText({"TC_3", "TC_4"}));
  SetText("TC_1", SumText({"TC_3", "TC_4", "Date_1", "Date_2", "Date_3", "T_59"}));
}

void TfrmMain::CalcCoverTotals(int Loaded, int Scope) {
  if (Loaded != 1) return;
  if (Scope == 1) {
    SetText("T_49", SumText({"T_50", "T_51"}));
  } else if (Scope == 2) {
    SetText("T_53", SumText({"T_54", "T_55", "T_56"}));
  }
  SetText("T_48", SumText({"T_49", "T_52", "T_53"}));
}

// ---- handlers: each hands the loaded flag to its column's recalculation ----

void TfrmMain::D_2Change() { CalcFeeSubmittedTotal(Tag()); }
void TfrmMain::D_3Change() { CalcFeeSubmittedTotal(Tag()); }
void TfrmMain::D_4Change() { CalcFeeSubmittedTotal(Tag()); }
void TfrmMain::D_5Change() { CalcFeeSubmittedTotal(Tag()); }
void TfrmMain::D_6Change() { CalcFeeSubmittedTotal(Tag()); }

// The two parts of the paid fee, then the other rows of the first-review column.
void TfrmMain::D_11Change() { CalcFeeOwnerTotals(Tag(), 1); }
void TfrmMain::D_12Change() { CalcFeeOwnerTotals(Tag(), 1); }
void TfrmMain::T_1Change() { CalcFeeOwnerTotals(Tag(), 0); }
void TfrmMain::T_2Change() { CalcFeeOwnerTotals(Tag(), 0); }
void TfrmMain::T_3Change() { CalcFeeOwnerTotals(Tag(), 0); }
void TfrmMain::T_4Change() { CalcFeeOwnerTotals(Tag(), 0); }

void TfrmMain::T_9Change() { CalcFeeAuditTotals(Tag(), 1); }
void TfrmMain::T_10Change() { CalcFeeAuditTotals(Tag(), 1); }
void TfrmMain::T_11Change() { CalcFeeAuditTotals(Tag(), 0); }
void TfrmMain::T_12Change() { CalcFeeAuditTotals(Tag(), 0); }
void TfrmMain::T_13Change() { CalcFeeAuditTotals(Tag(), 0); }
void TfrmMain::T_14Change() { CalcFeeAuditTotals(Tag(), 0); }

void TfrmMain::T_36Change() { CalcReviewSubmittedTotal(Tag()); }
void TfrmMain::T_37Change() { CalcReviewSubmittedTotal(Tag()); }
void TfrmMain::T_38Change() { CalcReviewSubmittedTotal(Tag()); }
void TfrmMain::T_39Change() { CalcReviewSubmittedTotal(Tag()); }
void TfrmMain::T_58Change() { CalcReviewSubmittedTotal(Tag()); }

void TfrmMain::TC_3Change() { CalcReviewOwnerTotals(Tag(), 1); }
void TfrmMain::TC_4Change() { CalcReviewOwnerTotals(Tag(), 1); }
void TfrmMain::Date_1Change() { CalcReviewOwnerTotals(Tag(), 0); }
void TfrmMain::Date_2Change() { CalcReviewOwnerTotals(Tag(), 0); }
void TfrmMain::Date_3Change() { CalcReviewOwnerTotals(Tag(), 0); }
void TfrmMain::T_59Change() { CalcReviewOwnerTotals(Tag(), 0); }

void TfrmMain::T_50Change() { CalcCoverTotals(Tag(), 1); }
void TfrmMain::T_51Change() { CalcCoverTotals(Tag(), 1); }

void TfrmMain::T_52Change() {
  CalcCoverTotals(Tag(), 0);
  // The equipment investment is part of the design fee's base on the design-fee page.
  CalcInstallFee(Tag());
}

void TfrmMain::T_54Change() { CalcCoverTotals(Tag(), 2); }
void TfrmMain::T_55Change() { CalcCoverTotals(Tag(), 2); }
void TfrmMain::T_56Change() { CalcCoverTotals(Tag(), 2); }

}  // namespace torva::audit
