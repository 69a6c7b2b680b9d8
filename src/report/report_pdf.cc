#include "report/report.h"

namespace torva::report {

std::string WriteReportPdf(const audit::TfrmMain&, const std::string&) {
  return "审计报表尚不能生成";
}

}  // namespace torva::report
