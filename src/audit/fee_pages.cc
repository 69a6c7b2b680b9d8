// Column totals of the construction-fee page (TS_D) and the preliminary-review page (TS_CS), the
// auditor's cap, and the report cover's totals (TS_FM), recalculated as the auditor types.
//
// Every method computes only when the loaded flag it is handed is exactly 1, so that writing saved
// values into the fields while the form loads recomputes nothing. Sums read their fields left to
// right with TextToFloat (a field read twice shows its message twice) and add in extended precision.
#include <initializer_list>
#include <string>
#include <string_view>

#include "audit/handlers.h"
#include "audit/tfrm_main.h"
#include "text/number_text.h"

namespace torva::audit {

namespace {

// The fields' values added left to right in extended precision, as general number text.
std::string SumText(TfrmMain& form, std::initializer_list<std::string_view> fields) {
  long double sum = 0;
  for (std::string_view field : fields) sum += form.Num(field);
  return text::FormatGeneral(sum);
}

// True when the text holds nothing but blanks: a total that was never computed.
bool IsBlank(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

}  // namespace

void TfrmMain::CalcFeeSubmittedTotal(int Loaded) {
  if (Loaded != 1) return;
  SetText("D_1", SumText(*this, {"D_2", "D_3", "D_4", "D_5", "D_6"}));
}

void TfrmMain::CalcFeeOwnerTotals(int Loaded, int Scope) {
  if (Loaded != 1) return;
  if (Scope == 1) SetText("D_10", SumText(*this, {"D_11", "D_12"}));
  SetText("D_9", SumText(*this, {"D_11", "D_12", "T_1", "T_2", "T_3", "T_4"}));
}

void TfrmMain::CalcFeeAuditTotals(int Loaded, int Scope) {
  if (Loaded != 1) return;
  if (Scope == 1) SetText("T_8", SumText(*this, {"T_9", "T_10"}));
  SetText("T_7", SumText(*this, {"T_9", "T_10", "T_11", "T_12", "T_13", "T_14"}));

  // The auditor's total may not exceed the first-review total. A first-review total that was never
  // computed (empty) caps nothing; any other text that is no number is an error.
  const long double audited = text::StrictToExtended(Text("T_7"));
  const std::string first_review = Text("D_9");
  if (!IsBlank(first_review) && audited > text::StrictToExtended(first_review)) {
    SetText("T_7", first_review);
  }
  SetText("T_50", Text("T_7"));
}

void TfrmMain::CalcReviewSubmittedTotal(int Loaded) {
  if (Loaded != 1) return;
  // The self-purchased material is added last although its row stands below the construction fee.
  SetText("T_35", SumText(*this, {"T_36", "T_37", "T_38", "T_39", "T_58"}));
}

void TfrmMain::CalcReviewOwnerTotals(int Loaded, int Scope) {
  if (Loaded != 1) return;
  if (Scope == 1) SetText("TC_2", SumText(*this, {"TC_3", "TC_4"}));
  SetText("TC_1", SumText(*this, {"TC_3", "TC_4", "Date_1", "Date_2", "Date_3", "T_59"}));
}

void TfrmMain::CalcCoverTotals(int Loaded, int Scope) {
  if (Loaded != 1) return;
  if (Scope == 1) {
    SetText("T_49", SumText(*this, {"T_50", "T_51"}));
  } else if (Scope == 2) {
    SetText("T_53", SumText(*this, {"T_54", "T_55", "T_56"}));
  }
  SetText("T_48", SumText(*this, {"T_49", "T_52", "T_53"}));
}

namespace {

void SubmittedFee(TfrmMain& f, int) { f.CalcFeeSubmittedTotal(f.Tag()); }
void OwnerFeePaid(TfrmMain& f, int) { f.CalcFeeOwnerTotals(f.Tag(), 1); }
void OwnerFee(TfrmMain& f, int) { f.CalcFeeOwnerTotals(f.Tag(), 0); }
void AuditFeePaid(TfrmMain& f, int) { f.CalcFeeAuditTotals(f.Tag(), 1); }
void AuditFee(TfrmMain& f, int) { f.CalcFeeAuditTotals(f.Tag(), 0); }
void ReviewSubmitted(TfrmMain& f, int) { f.CalcReviewSubmittedTotal(f.Tag()); }
void ReviewOwnerPaid(TfrmMain& f, int) { f.CalcReviewOwnerTotals(f.Tag(), 1); }
void ReviewOwner(TfrmMain& f, int) { f.CalcReviewOwnerTotals(f.Tag(), 0); }
void CoverInstallation(TfrmMain& f, int) { f.CalcCoverTotals(f.Tag(), 1); }
void CoverDeferred(TfrmMain& f, int) { f.CalcCoverTotals(f.Tag(), 2); }

const HandlerEntry kFeePageHandlers[] = {
    // construction-fee page, submitted column
    {"D_2Change", SubmittedFee},
    {"D_3Change", SubmittedFee},
    {"D_4Change", SubmittedFee},
    {"D_5Change", SubmittedFee},
    {"D_6Change", SubmittedFee},
    // first-review column: the two parts of the paid fee, then the other rows
    {"D_11Change", OwnerFeePaid},
    {"D_12Change", OwnerFeePaid},
    {"T_1Change", OwnerFee},
    {"T_2Change", OwnerFee},
    {"T_3Change", OwnerFee},
    {"T_4Change", OwnerFee},
    // auditor column
    {"T_9Change", AuditFeePaid},
    {"T_10Change", AuditFeePaid},
    {"T_11Change", AuditFee},
    {"T_12Change", AuditFee},
    {"T_13Change", AuditFee},
    {"T_14Change", AuditFee},
    // preliminary-review page
    {"T_36Change", ReviewSubmitted},
    {"T_37Change", ReviewSubmitted},
    {"T_38Change", ReviewSubmitted},
    {"T_39Change", ReviewSubmitted},
    {"T_58Change", ReviewSubmitted},
    {"TC_3Change", ReviewOwnerPaid},
    {"TC_4Change", ReviewOwnerPaid},
    {"Date_1Change", ReviewOwner},
    {"Date_2Change", ReviewOwner},
    {"Date_3Change", ReviewOwner},
    {"T_59Change", ReviewOwner},
    // report cover
    {"T_50Change", CoverInstallation},
    {"T_51Change", CoverInstallation},
    {"T_52Change",
     [](TfrmMain& f, int) {
       f.CalcCoverTotals(f.Tag(), 0);
       // The equipment investment is part of the design fee's base on the design-fee page.
       f.CalcInstallFee(f.Tag());
     }},
    {"T_54Change", CoverDeferred},
    {"T_55Change", CoverDeferred},
    {"T_56Change", CoverDeferred},
};

}  // namespace

std::span<const HandlerEntry> FeePageHandlers() { return kFeePageHandlers; }

}  // namespace torva::audit
