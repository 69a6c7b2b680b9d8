// Showing and closing the form, the two connections, the statement helpers and the error display.
#include <algorithm>
#include <exception>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "audit/failure_text.h"
#include "audit/handlers.h"
#include "audit/tfrm_main.h"
#include "db/connection_string.h"
#include "db/data_source.h"
#include "form/catalogue.h"
#include "text/error.h"
#include "text/number_text.h"
#include "text/strings.h"

namespace torva::audit {

namespace {

constexpr std::string_view kNotice = "提示";
constexpr std::string_view kFeeStandardError = "打开勘察设计费用文件错误！";
constexpr std::string_view kFeeStandardFile = "Data/GL.mgl";
constexpr std::string_view kFeeStandardProbe = "select 1 from GL_FYFile where 1=2";
// Proves that the project file holds the parameter table with the columns the form reads and
// writes, without reading a row: a file without it (an empty file, another program's database)
// is no project database, and the form must not write into it.
constexpr std::string_view kProjectProbe = "select GCID,CSName,S_Val from G_GCCS where 1=2";
constexpr std::string_view kNoProjectDatabase = "文件不是项目数据库：";

}  // namespace

TfrmMain::TfrmMain(FormContext context, UiPort& ui) : context_(std::move(context)), ui_(ui) {
  for (form::Control* control : model_.controls()) WireHandlers(*this, *control);
}

TfrmMain::~TfrmMain() = default;

// ---- lifetime ----

void TfrmMain::Show() {
  // Once shown, the form is either connected or ended.
  if (ac_gc_ || ended_) return;
  try {
    FormShow();
  } catch (const QuietError&) {
    // Already shown or answered.
  } catch (const std::exception& e) {
    ShowError(e);
  }
}

void TfrmMain::FormShow() {
  if (!Connect()) {
    // Nothing was loaded: the close that follows must write nothing (see FormClose).
    RequestClose();
    return;
  }
  // Whatever the open asked in advance and did not read (automatic refresh off, or an error ended
  // the open early) is dropped when it ends: a later refresh reads the budget as it is then. The
  // connection is looked up then, since a window closed while a dialog of the open waited has
  // closed it.
  struct DropUnread {
    TfrmMain& form;
    ~DropUnread() {
      if (form.ac_gc_) form.ac_gc_->Prefetch({});
    }
  } drop_unread{*this};
  try {
    LoadCoefficientList();
  } catch (const std::exception& e) {
    // An unreadable list ends the show, but the fee lookups of the design-fee page do not depend
    // on it: probe the fee standard all the same, after the list's message.
    ShowError(e.what());
    ProbeFeeStandard();
    throw QuietError(e.what());
  }
  ProbeFeeStandard();
  LoadParams();
  MarkOneStageSurvey();
  if (Checked("RzCB_Auto")) RefreshFromBudget();
  SetTag(1);
}

bool TfrmMain::RequestClose() {
  if (ended_) return true;
  // A window may deliver another close while a dialog of this close waits for an answer.
  if (closing_) return false;
  closing_ = true;
  close_stopped_at_.clear();
  try {
    FormClose();
  } catch (const QuietError&) {
    closing_ = false;
    return false;
  } catch (const std::exception& e) {
    closing_ = false;
    ShowError(e);
    if (!close_stopped_at_.empty()) ui_.FocusField(close_stopped_at_);
    return false;
  }
  closing_ = false;
  ended_ = true;
  ui_.FormEnded();
  return true;
}

void TfrmMain::FormClose() {
  // After a failed connection nothing was loaded: saving would only report failed statements, and
  // writing the list would replace the saved SJKS.txt by the layout's two items.
  if (ac_gc_) {
    SaveAllParams();
    SaveCoefficientList();
  }
  ac_gc_.reset();
  q_kcsj_.reset();
}

void TfrmMain::StopCloseAt(const std::string& field) {
  close_stopped_at_ = field;
  const form::ControlSpec* spec = form::FindSpec(field);
  if (spec == nullptr) return;
  const std::vector<std::string>& pages = form::PageNames();
  const auto page = std::find(pages.begin(), pages.end(), spec->parent);
  if (page != pages.end()) {
    model_.page_control().SetActiveIndex(static_cast<int>(page - pages.begin()));
  }
}

void TfrmMain::RzButton1Click() { RequestClose(); }

bool TfrmMain::Connect() {
  ac_gc_.reset();
  std::unique_ptr<db::Connection> connection;
  try {
    // Checked for damage as it opens: the save must not write into a damaged file.
    connection = db::OpenConnection(db::JetConnectionString(context_.db_path),
                                    db::OpenOptions{.check_integrity = true});
    // Every read of the open is known now, before any answer: the probe, the load, and the
    // refresh at this stage, read even when the saved state turns automatic refresh off. A server
    // is asked them all at once.
    std::vector<std::string> reads = {std::string(kProjectProbe)};
    for (std::string& read : LoadReads()) reads.push_back(std::move(read));
    for (std::string& read : RefreshReads()) reads.push_back(std::move(read));
    connection->Prefetch(reads);
    connection->Open(std::string(kProjectProbe));
  } catch (const std::exception& e) {
    std::string text = ErrorText(e);
    const auto* failure = dynamic_cast<const db::DbError*>(&e);
    if (connection && failure != nullptr &&
        failure->kind() == db::FailureKind::kMissingTable) {
      text = std::string(kNoProjectDatabase) + connection->DisplayName() + "（" + e.what() + "）";
    }
    ui_.ShowMessage(kNotice, text, MessageIcon::kExclamation);
    return false;
  }
  ac_gc_ = std::move(connection);
  return true;
}

std::string TfrmMain::ProjectName() const {
  if (db::IsFileSource(context_.db_path)) {
    return std::filesystem::path(context_.db_path).filename().string();
  }
  return ac_gc_ ? ac_gc_->DisplayName() : std::string();
}

void TfrmMain::ProbeFeeStandard() {
  q_kcsj_connection_ =
      db::JetConnectionString(context_.host_folder + std::string(kFeeStandardFile));
  q_kcsj_.reset();
  try {
    OpenFeeStandard(std::string(kFeeStandardProbe));
  } catch (const std::exception&) {
    ui_.ShowMessage(kNotice, kFeeStandardError, MessageIcon::kExclamation);
  }
}

void TfrmMain::UserAction(const std::function<void()>& action) {
  try {
    action();
  } catch (const QuietError&) {
    // Already shown or answered.
  } catch (const std::exception& e) {
    ShowError(e);
  }
}

void TfrmMain::ShowError(const std::exception& error) { ShowError(ErrorText(error)); }

void TfrmMain::ShowError(std::string_view text) {
  std::string shown(text);
  if (!shown.empty() && text::LastCodePoint(shown) > U'.') shown += '.';
  ui_.ShowMessage(kAppTitle, shown, MessageIcon::kStop);
}

// ---- statement helpers ----

db::Connection& TfrmMain::Project() {
  if (!ac_gc_) throw Error("The database connection is not open.");
  return *ac_gc_;
}

db::ResultPtr TfrmMain::OpenSql(const std::string& sql) { return Project().Open(sql); }

db::ResultPtr TfrmMain::OpenFeeStandard(const std::string& sql) {
  if (!q_kcsj_) q_kcsj_ = db::OpenConnection(q_kcsj_connection_, db::OpenOptions{.read_only = true});
  return q_kcsj_->Open(sql);
}

double TfrmMain::TextToFloat(std::string_view text) {
  return text::TextToFloat(text, [this](std::string_view caption, std::string_view message) {
    ui_.ShowMessage(caption, message, MessageIcon::kNone);
  });
}

// ---- fields ----

int TfrmMain::Tag() const { return model_.button("RzButton1").tag; }

void TfrmMain::SetTag(int tag) { model_.button("RzButton1").tag = tag; }

std::string TfrmMain::Text(std::string_view name) const { return model_.edit(name).text(); }

void TfrmMain::SetText(std::string_view name, const std::string& text) {
  model_.edit(name).SetText(text);
}

double TfrmMain::Num(std::string_view name) { return TextToFloat(model_.edit(name).text()); }

bool TfrmMain::Checked(std::string_view name) const { return model_.check_box(name).checked(); }

void TfrmMain::SetChecked(std::string_view name, bool checked) {
  model_.check_box(name).SetChecked(checked);
}

}  // namespace torva::audit
