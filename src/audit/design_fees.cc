// Design fee and survey fee from the charge standard.
#include "audit/tfrm_main.h"

namespace torva::audit {

void TfrmMain::CalcDesignFee(const std::string&, bool, std::string& ResultText) { ResultText = "0"; }
void TfrmMain::CalcSurveyFee(const std::string&, bool, std::string& ResultText) { ResultText = "0"; }
double TfrmMain::CoefficientFactor() { return 1; }

}  // namespace torva::audit
