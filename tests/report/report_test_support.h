// Shared pieces of the report tests: a headless form on a real project file (schema, optionally the
// demo budget, then the test's own saved fields), and poppler's tools run on a written PDF.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "audit/tfrm_main.h"
#include "report/report.h"
#include "unit/form_test_support.h"

namespace torva::report_test {

namespace fs = std::filesystem;

// Output of a shell command, standard error included.
inline std::string RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  pclose(pipe);
  return output;
}

// Saved fields as the form loads them, with automatic refresh off: the form then holds exactly these
// texts, computed fields included.
inline std::string Saved(const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string sql = "INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'Auto', '0');\n";
  for (const auto& [name, value] : fields) {
    sql += "INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, '" + name + "', '" + value + "');\n";
  }
  return sql;
}

inline std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// The text of a PDF as pdftotext reads it, each table row on one line.
inline std::string PdfText(const fs::path& pdf) {
  return RunCommand("pdftotext -layout -enc UTF-8 " + Quoted(pdf) + " -");
}

// A host folder with the fee standard and a project file; the form opened on it headless.
class ReportProject {
 public:
  // `saved_sql` runs last (saved fields as G_GCCS rows with GCID -1, usually).
  explicit ReportProject(const std::string& saved_sql, bool demo = false) {
    dir_ = testing::MakeTempFolder("torva-report");
    fs::create_directories(dir_ / "Data");
    fs::copy_file(fs::path(TORVA_BINARY_DIR) / "Data/GL.mgl", dir_ / "Data/GL.mgl");
    testing::CreateProject(db_path());
    if (demo) {
      testing::RunSql(db_path(),
                      testing::ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/demo_project.sql"));
    }
    if (!saved_sql.empty()) testing::RunSql(db_path(), saved_sql);
  }
  ~ReportProject() {
    form_.reset();
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  ReportProject(const ReportProject&) = delete;
  ReportProject& operator=(const ReportProject&) = delete;

  fs::path db_path() const { return dir_ / "project.db"; }
  fs::path dir() const { return dir_; }

  audit::TfrmMain& Open(const std::string& stage = "4") {
    form_ = std::make_unique<audit::TfrmMain>(torva::testing::ContextFor(db_path(), dir_, stage), ui_);
    form_->Show();
    return *form_;
  }
  audit::TfrmMain& form() { return *form_; }

  // The user types `text` into `name` as one change.
  void Set(const std::string& name, const std::string& text) {
    form_->UserAction([&] { form_->SetText(name, text); });
  }

  // Writes the report to `name` in the project's folder; the test fails when that reports an error.
  fs::path WriteReport(const std::string& name = "report.pdf") {
    const fs::path pdf = dir_ / name;
    const std::string error = report::WriteReportPdf(*form_, pdf.string());
    EXPECT_EQ(error, "");
    return pdf;
  }

 private:
  fs::path dir_;
  testing::RecordingUi ui_;
  std::unique_ptr<audit::TfrmMain> form_;
};

}  // namespace torva::report_test
