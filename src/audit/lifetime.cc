// Showing and closing the form, the two connections, the statement helpers and the error display.
#include <exception>

#include "audit/handlers.h"
#include "audit/param_state.h"
#include "audit/tfrm_main.h"
#include "db/connection_string.h"
#include "text/error.h"
#include "text/number_text.h"
#include "text/strings.h"

namespace torva::audit {

namespace {

constexpr std::string_view kNotice = "提示";
constexpr std::string_view kFeeStandardError = "打开勘察设计费用文件错误！";
constexpr std::string_view kFeeStandardFile = "Data/GL.mgl";
constexpr std::string_view kFeeStandardProbe = "select 1 from GL_FYFile where 1=2";

}  // namespace

TfrmMain::TfrmMain(FormContext context, UiPort& ui)
    : context_(std::move(context)), ui_(ui), param_state_(std::make_unique<ParamStateData>()) {
  for (form::Control* control : model_.controls()) WireHandlers(*this, *control);
}

TfrmMain::~TfrmMain() = default;

// ---- lifetime ----

void TfrmMain::Show() {
  if (shown_ || ended()) return;
  shown_ = true;
  state_ = State::kLoading;
  try {
    FormShow();
  } catch (const QuietError&) {
    // Already shown or answered.
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
  if (state_ == State::kLoading) {
    state_ = Tag() == 1 ? State::kLive : State::kLoadedWithoutRecalc;
  }
}

void TfrmMain::FormShow() {
  if (!Connect()) {
    // Nothing was loaded: the close that follows must write nothing (see FormClose).
    RequestClose();
    return;
  }
  LoadCoefficientList();
  ProbeFeeStandard();
  LoadParams();
  MarkOneStageSurvey();
  if (Checked("RzCB_Auto")) RefreshFromBudget();
  SetTag(1);
}

bool TfrmMain::RequestClose() {
  if (ended()) return true;
  const State previous = state_;
  state_ = State::kClosing;
  try {
    FormClose();
  } catch (const QuietError&) {
    state_ = previous;
    return false;
  } catch (const std::exception& e) {
    state_ = previous;
    ShowError(e.what());
    return false;
  }
  state_ = State::kEnded;
  ui_.FormEnded();
  return true;
}

void TfrmMain::FormClose() {
  // After a failed connection nothing was loaded: saving would only report failed statements, and
  // writing the list would replace the saved SJKS.txt by the layout's two items.
  if (connected_) {
    SaveAllParams();
    SaveCoefficientList();
  }
  ac_gc_.Close();
  connected_ = false;
  q_kcsj_.Close();
}

void TfrmMain::RzButton1Click() { RequestClose(); }

bool TfrmMain::Connect() {
  ac_gc_.Close();
  connected_ = false;
  try {
    ac_gc_.Open(db::JetConnectionString(context_.db_path));
  } catch (const std::exception& e) {
    ui_.ShowMessage(kNotice, e.what(), MessageIcon::kExclamation);
    return false;
  }
  connected_ = true;
  return true;
}

void TfrmMain::ProbeFeeStandard() {
  try {
    q_kcsj_.Close();
    q_kcsj_.SetConnectionString(
        db::JetConnectionString(context_.host_folder + std::string(kFeeStandardFile)));
    q_kcsj_.SetSql(std::string(kFeeStandardProbe));
    q_kcsj_.Open();
    q_kcsj_.Close();
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
    ShowError(e.what());
  }
}

void TfrmMain::ShowError(std::string_view text) {
  std::string shown(text);
  if (!shown.empty() && text::LastCodePoint(shown) > U'.') shown += '.';
  ui_.ShowMessage(kAppTitle, shown, MessageIcon::kStop);
}

// ---- statement helpers ----

void TfrmMain::OpenSql(const std::string& sql) {
  q_pub_.Close();
  q_pub_.SetSql(sql);
  q_pub_.Open();
}

bool TfrmMain::ExecSql(const std::string& sql) {
  q_pub_.Close();
  q_pub_.SetSql(sql);
  try {
    q_pub_.Execute();
  } catch (const std::exception& e) {
    ui_.ShowMessage(kAppTitle, e.what(), MessageIcon::kNone);
    return false;
  }
  return true;
}

double TfrmMain::TextToFloat(std::string_view text) {
  return text::TextToFloat(text, [this](std::string_view caption, std::string_view message) {
    ui_.ShowMessage(caption, message, MessageIcon::kNone);
  });
}

// ---- fields ----

int TfrmMain::Tag() const { return model_.button("RzButton1").tag; }

void TfrmMain::SetTag(int tag) {
  model_.button("RzButton1").tag = tag;
  if (tag == 1 && state_ == State::kLoadedWithoutRecalc) state_ = State::kLive;
}

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
