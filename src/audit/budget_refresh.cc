// Refilling the fee columns from the budget tables.
#include "audit/handlers.h"
#include "audit/tfrm_main.h"

namespace torva::audit {

void TfrmMain::RefreshFromBudget() {}
void TfrmMain::RzButton2Click() { RefreshFromBudget(); }
void TfrmMain::RzCB_AutoClick() {}

namespace {

const HandlerEntry kRefreshHandlers[] = {
    {"RzButton2Click", [](TfrmMain& f, int) { f.RzButton2Click(); }},
    {"RzCB_AutoClick", [](TfrmMain& f, int) { f.RzCB_AutoClick(); }},
};

}  // namespace

std::span<const HandlerEntry> RefreshHandlers() { return kRefreshHandlers; }

}  // namespace torva::audit
