// Saved fields (G_GCCS rows with GCID -1) and the coefficient list SJKS.txt.
#include "audit/tfrm_main.h"

namespace torva::audit {

void TfrmMain::SaveParam(const std::string&, const std::string&) {}
void TfrmMain::SaveAllParams() {}
void TfrmMain::LoadParams() {}
void TfrmMain::MarkOneStageSurvey() {}
void TfrmMain::LoadCoefficientList() {}
void TfrmMain::SaveCoefficientList() {}

}  // namespace torva::audit
