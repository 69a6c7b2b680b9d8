// The interface between torva-host, which has no Qt, and its private Qt module torva-host-qt.so,
// which torva-host loads with dlopen only for the modes that draw: snapshots and reports. Plain C
// types cross the boundary, except the form itself for a report: both sides are built from the same
// sources in the same build, so they agree on TfrmMain.
#pragma once

#include "audit/tfrm_main.h"

extern "C" {

struct TorvaHostContext {
  const char* db_path;
  const char* stage;
  const char* text3;
  const char* text4;
  double owner_amount;
  double contractor_amount;
  const char* host_folder;  // ends in '/'
};

// Shows the form offscreen, writes TS_FM.png, TS_D.png, TS_T.png and TS_CS.png into `dir` (created
// when missing) and closes the form. Dialogs go to standard output as "[CAPTION] TEXT". Returns 0
// when the form ended, 3 when it is still open, 1 when a snapshot could not be written.
using TorvaHostSnapshotFn = int (*)(const TorvaHostContext* context, const char* dir);
inline constexpr char kTorvaHostSnapshot[] = "torva_host_snapshot";

// Writes the audit report of `form` as it stands to the PDF file `pdf_path`. Returns the empty text
// on success, else the error to show; the text stays valid until the next call.
using TorvaHostWriteReportFn = const char* (*)(const torva::audit::TfrmMain* form,
                                               const char* pdf_path);
inline constexpr char kTorvaHostWriteReport[] = "torva_host_write_report";

}  // extern "C"
