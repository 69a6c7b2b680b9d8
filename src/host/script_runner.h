// Script mode of torva-host: runs the form headless and replays user actions, one per line.
#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <string>

#include "audit/tfrm_main.h"

namespace torva::host {

// Writes the audit report of the form as it stands to a PDF file; returns the empty text on success,
// else the error to show.
using ReportWriter =
    std::function<std::string(const audit::TfrmMain& form, const std::string& pdf_path)>;

// Shows the form for `context`, replays the script read from `script` and closes the form at the end
// if it is still open. Dialogs and `print` go to `out`, diagnostics of the host to `err`. The command
// `report FILE` calls `write_report`, `export FILE` calls `write_workbook` (same contract, an .xlsx
// file), each showing its error as a dialog captioned "TORVA".
// Returns 0 when the form ended, 3 when it is still open after the last close.
int RunScript(const audit::FormContext& context, std::istream& script, std::ostream& out,
              std::ostream& err, const ReportWriter& write_report,
              const ReportWriter& write_workbook = {});

}  // namespace torva::host
