// Every reaction of the design-fee page.
#include "audit/handlers.h"
#include "audit/tfrm_main.h"

namespace torva::audit {

void TfrmMain::CalcSurveyDesignTotal(int) {}
void TfrmMain::CalcInstallFee(int) {}

namespace {

const HandlerEntry kDesignPageHandlers[] = {
    {"T_18Change", [](TfrmMain&, int) {}},
};

}  // namespace

std::span<const HandlerEntry> DesignPageHandlers() { return kDesignPageHandlers; }

}  // namespace torva::audit
