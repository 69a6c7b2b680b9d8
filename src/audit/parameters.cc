// Saved fields (G_GCCS rows with GCID -1) and the coefficient list SJKS.txt.
//
// Every field, check box and the survey type is written as one name/value row when the form closes
// and read back when it is shown. Four things are kept safe on top of the plain statements:
// - the whole save is one transaction (one disk sync), and each key's Delete and Insert are one
//   unit inside it: a key whose Insert fails keeps its old row;
// - a save that cannot succeed at all (the file is read-only, the disk full, the file damaged or
//   its table gone) says so once and lets the auditor choose between closing without the
//   parameters and staying, instead of failing key by key;
// - a load that ended early never lets the close overwrite the rows it did not reach: the save
//   writes only the values the model knows (form::KnownValues);
// - SJKS.txt is replaced through a temporary file and a rename (coefficient_file.h), only when it
//   was read, and a list that cannot be written never traps the auditor in the form.
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "audit/coefficient_file.h"
#include "audit/coefficient_list.h"
#include "audit/failure_text.h"
#include "audit/tfrm_main.h"
#include "text/error.h"
#include "text/number_text.h"
#include "text/strings.h"

namespace torva::audit {

namespace {

using db::DbError;
using db::FailureKind;

constexpr std::string_view kLoadSql = "select CSName,S_Val from G_GCCS where GCID=-1";
constexpr std::string_view kListFile = "SJKS.txt";
constexpr std::string_view kEmergencyText = "为应急工程，";
constexpr std::string_view kQuestionCaption = "提示信息";
constexpr std::string_view kLeaveWithoutList =
    "系数列表无法保存到 SJKS.txt。是否不保存系数列表直接关闭？";
constexpr std::string_view kListNotSaved = "系数列表没有保存，窗口保持打开";
constexpr std::string_view kNotice = "提示";
constexpr std::string_view kListLeftUnread =
    "系数列表没有写入主程序目录下的 SJKS.txt：打开窗口时无法读取这个文件（";
constexpr std::string_view kListLeftAsItWas = "），它保持原样。";
constexpr std::string_view kSaveNotStarted = "参数无法保存到项目数据库：";
constexpr std::string_view kLeaveWithoutParams =
    "参数无法保存到项目数据库。是否不保存参数直接关闭？（选“否”保持窗口打开，稍后再关闭。）";
constexpr std::string_view kSaveAbandoned = "参数没有保存，数据库中的参数保持关闭前的样子：";
constexpr const char* kSavepoint = "torva_param";

// What the auditor is told when the save cannot succeed, before the database's own words.
std::string CannotSaveText(FailureKind kind, std::string_view words) {
  std::string_view cause = kSaveNotStarted;
  switch (kind) {
    case FailureKind::kReadOnly:
      cause = "项目数据库文件只读，无法保存：";
      break;
    case FailureKind::kReadOnlyFolder:
      cause = "项目数据库文件所在的文件夹只读（文件本身可写），无法保存：";
      break;
    case FailureKind::kFull:
      cause = "项目数据库所在的磁盘已满，无法保存：";
      break;
    case FailureKind::kDamaged:
    case FailureKind::kNotADatabase:
      cause = "项目数据库文件已损坏，无法保存：";
      break;
    case FailureKind::kIo:
    case FailureKind::kCannotOpen:
      cause = "项目数据库文件读写出错，无法保存：";
      break;
    case FailureKind::kMissingTable:
      cause = "项目数据库缺少参数表，无法保存：";
      break;
    case FailureKind::kConnectionLost:
    case FailureKind::kCannotConnect:
      cause = "与项目数据库的连接已断开，无法保存：";
      break;
    case FailureKind::kOther:
    case FailureKind::kLocked:
    case FailureKind::kMissingColumn:
    case FailureKind::kDivisionByZero:
      break;
  }
  return std::string(cause) + std::string(words);
}

std::string CannotSaveText(const DbError& error) { return CannotSaveText(error.kind(), error.what()); }

// What a key is written from and read into.
enum class KeyKind {
  kField,       // the text of the control of the same name, normalised on save
  kCheckBox,    // "-1" / "0"
  kSurveyType,  // the selected item of RzCB_1
  kEmergency,   // "GCMS": from RzCB_YJ, never read back
};

struct SavedKey {
  std::string key;
  KeyKind kind;
  std::string control;  // the control it is written from and read into
};

// Every key, in the order in which the save writes them and the load restores them.
const std::vector<SavedKey>& Keys() {
  static const std::vector<SavedKey> keys = [] {
    std::vector<SavedKey> all;
    all.push_back({"Auto", KeyKind::kCheckBox, "RzCB_Auto"});
    const std::pair<std::string_view, int> families[] = {
        {"D_", 12}, {"T_", 59}, {"TC_", 4}, {"Date_", 6}};
    for (const auto& [prefix, count] : families) {
      for (int i = 1; i <= count; ++i) {
        const std::string key = std::string(prefix) + std::to_string(i);
        all.push_back({key, KeyKind::kField, key});
      }
    }
    all.push_back({"YJGC", KeyKind::kCheckBox, "RzCB_YJ"});
    all.push_back({"KCLX", KeyKind::kSurveyType, "RzCB_1"});
    all.push_back({"YG", KeyKind::kCheckBox, "RzCB_YG"});
    all.push_back({"KC", KeyKind::kCheckBox, "RzCB_KC"});
    // "GCMS" mirrors RzCB_YJ, so it is written exactly when "YJGC" is.
    all.push_back({"GCMS", KeyKind::kEmergency, "RzCB_YJ"});
    return all;
  }();
  return keys;
}

// The skilled and unskilled worker-day rows: saved with three decimals, every other field with two.
constexpr std::string_view kLabourDayKeys[] = {"D_7",  "D_8",  "T_5",  "T_6",    "T_15",
                                               "T_16", "T_40", "T_41", "Date_4", "Date_5"};

// The text enclosed in single quotes, each single quote inside doubled.
std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  quoted += '\'';
  return quoted;
}

bool IsLabourDayKey(std::string_view key) {
  for (std::string_view labour : kLabourDayKeys) {
    if (key == labour) return true;
  }
  return false;
}

// A field's text as it is stored: words unchanged; numbers as "0", or with three decimals for the
// labour-day keys and two for all others. Numeric-looking text that is no number ("-", "1.2.3")
// raises the conversion error, which stops the save.
std::string NormalisedField(std::string_view key, const std::string& text) {
  if (!text::IsNumeric(text)) return text;
  // Taken at extended precision, as the rendering expects (2.0005 gives 2.001).
  const std::optional<long double> value = text::ParseDecimal(text);
  if (!value) throw Error(text::FloatConversionMessage(text));
  if (*value == 0) return "0";
  return text::FormatFixed(*value, IsLabourDayKey(key) ? 3 : 2);
}

std::string BooleanText(bool value) { return value ? "-1" : "0"; }

// A stored boolean: a number (by the decimal rule) is true unless it is 0; "True" and "False" in
// any letter case; anything else is the conversion error.
bool StoredBoolean(const std::string& text) {
  if (const std::optional<long double> value = text::ParseDecimal(text)) return *value != 0;
  if (text::EqualsIgnoreCase(text, "true")) return true;
  if (text::EqualsIgnoreCase(text, "false")) return false;
  throw Error("'" + text + "' is not a valid boolean value");
}

// The stored survey type: the item whose text equals it (none when no item does); without a
// stored row, the first item.
void SelectSurveyType(form::ListCombo& survey, const std::string* stored) {
  if (stored == nullptr) return survey.SetItemIndex(0);
  int index = -1;
  for (size_t i = 0; i < survey.items().size(); ++i) {
    if (survey.items()[i] == *stored) {
      index = static_cast<int>(i);
      break;
    }
  }
  survey.SetItemIndex(index);
}

// The transaction of the save could not be kept (its savepoint or commit failed for a passing
// reason, such as another program's lock): nothing of this save is in the database.
class TransactionLost : public Error {
 public:
  explicit TransactionLost(const std::string& reason)
      : Error(std::string(kSaveAbandoned) + reason) {}
};

// A key's parameter row replaced: the old row deleted, the new one inserted.
std::vector<std::string> ParamStatements(const std::string& key, const std::string& value) {
  return {"Delete from G_GCCS where GCID=-1 and CSName=" + Quoted(key),
          "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1," + Quoted(key) + "," + Quoted(value) +
              ")"};
}

// A failure inside the save after which no statement of it can succeed.
class SaveCannotSucceed : public Error {
 public:
  explicit SaveCannotSucceed(const DbError& error) : Error(CannotSaveText(error)) {}
};

// The one rule for which failures end the save (db::NoWriteCanSucceed); any other failure
// concerns one statement only.
void ThrowIfSaveCannotSucceed(const DbError& error) {
  if (db::NoWriteCanSucceed(error.kind())) throw SaveCannotSucceed(error);
}

}  // namespace

// ---- saving ----

bool TfrmMain::ExecSql(const std::string& sql) {
  try {
    Project().Execute(sql);
  } catch (const std::exception& e) {
    ui_.ShowMessage(kAppTitle, ErrorText(e), MessageIcon::kNone);
    return false;
  }
  return true;
}

void TfrmMain::ShowSaveFailure(const std::string& text) {
  // A save whose statements all fail alike says so once, not once per key.
  if (save_errors_shown_.emplace(text).second) {
    ui_.ShowMessage(kAppTitle, text, MessageIcon::kNone);
  }
}

void TfrmMain::SaveParam(const std::string& key, const std::string& value) {
  for (const std::string& sql : ParamStatements(key, value)) ExecSql(sql);
}

void TfrmMain::AskToLeaveUnsaved(const std::string& cause) {
  ShowError(cause);
  if (ui_.AskYesNo(kQuestionCaption, kLeaveWithoutParams)) {
    leaving_unsaved_ = true;
    return;
  }
  throw QuietError(cause);
}

void TfrmMain::SaveAllParams() {
  const form::KnownValues& known = model_.known();
  // Each key's Delete and Insert, as one unit. A field that is no number stops the list there:
  // the keys before it are still written, as they would be one statement at a time.
  std::vector<std::vector<std::string>> units;
  std::exception_ptr stopped;
  const SavedKey* saving = nullptr;
  try {
    for (const SavedKey& key : Keys()) {
      if (!known.Known(key.control)) continue;
      saving = &key;
      std::string value;
      switch (key.kind) {
        case KeyKind::kField:
          value = NormalisedField(key.key, Text(key.key));
          break;
        case KeyKind::kCheckBox:
          value = BooleanText(Checked(key.control));
          break;
        case KeyKind::kSurveyType:
          value = model_.survey_type().SelectedText();
          break;
        case KeyKind::kEmergency:
          value = Checked(key.control) ? std::string(kEmergencyText) : std::string();
          break;
      }
      units.push_back(ParamStatements(key.key, value));
    }
  } catch (const std::exception&) {
    stopped = std::current_exception();
    // The close that this stops shows the field where it stopped.
    if (saving != nullptr && saving->kind == KeyKind::kField) StopCloseAt(saving->control);
  }
  if (units.empty()) {
    if (stopped) std::rethrow_exception(stopped);
    return;
  }

  // A file that can only be read, or that the check at opening found damaged: no statement of
  // the save could succeed. Say it once, and write nothing.
  if (const std::optional<DbError> blocker = ac_gc_->WriteBlocker()) {
    return AskToLeaveUnsaved(CannotSaveText(*blocker));
  }
  // One transaction for the whole save: one disk sync instead of two per key. When it cannot
  // start (another program holds the file beyond the wait), no statement of the save could succeed
  // either: rather than report each of them, say it once and let the auditor choose between
  // closing without the parameters and keeping the form open to try again. A connection that was
  // lost is mended once first.
  try {
    try {
      ac_gc_->Begin();
    } catch (const DbError& e) {
      if (e.kind() != FailureKind::kConnectionLost) throw;
      ac_gc_->Reconnect();
      ac_gc_->Begin();
    }
  } catch (const DbError& e) {
    return AskToLeaveUnsaved(CannotSaveText(e));
  }
  bool in_transaction = true;
  save_errors_shown_.clear();
  keys_not_saved_ = 0;
  const auto roll_back = [this, &in_transaction] {
    in_transaction = false;
    try {
      ac_gc_->Rollback();
    } catch (const std::exception&) {
      // Already rolled back by the database.
    }
  };
  const auto commit = [this, &roll_back, &in_transaction] {
    if (!in_transaction) return;
    in_transaction = false;
    try {
      ac_gc_->Commit();
    } catch (const DbError& e) {
      roll_back();
      ThrowIfSaveCannotSucceed(e);
      throw TransactionLost(e.what());
    }
  };

  try {
    // Inside the transaction a key whose statements fail keeps the row it had: its failures are
    // shown, and the save goes on; a failure that no later statement can escape ends the save at
    // once, to be told once.
    for (const db::Connection::UnitOutcome& unit : ac_gc_->RunUnits(units, kSavepoint)) {
      for (const db::Connection::StatementOutcome& statement : unit.statements) {
        if (!statement.error) continue;
        ThrowIfSaveCannotSucceed(*statement.error);
        ShowSaveFailure(ErrorText(*statement.error));
      }
      if (unit.savepoint_error) {
        ThrowIfSaveCannotSucceed(*unit.savepoint_error);
        throw TransactionLost(unit.savepoint_error->what());
      }
      if (unit.rolled_back) ++keys_not_saved_;
    }
    if (stopped) {
      // The field that is no number is the error to show; a commit that fails as well is told
      // before it.
      try {
        commit();
      } catch (const std::exception& e) {
        ShowError(e);
      }
      std::rethrow_exception(stopped);
    }
    commit();
    if (keys_not_saved_ > 0) {
      ui_.ShowMessage(kAppTitle,
                      "有 " + std::to_string(keys_not_saved_) +
                          " 项参数未能保存到项目数据库，它们保留上次保存的值。",
                      MessageIcon::kNone);
    }
  } catch (const SaveCannotSucceed& e) {
    roll_back();
    return AskToLeaveUnsaved(e.what());
  } catch (const TransactionLost&) {
    roll_back();
    throw;
  }
}

// ---- loading ----

std::vector<std::string> TfrmMain::LoadReads() { return {std::string(kLoadSql)}; }

void TfrmMain::LoadParams() {
  form::KnownValues& known = model_.known();
  form::KnownValues::Restore restoring(known);
  known.ForgetValues();

  std::vector<std::pair<std::string, std::string>> rows;
  for (const db::ResultPtr read = OpenSql(std::string(kLoadSql)); !read->Eof(); read->Next()) {
    rows.emplace_back(read->AsText("CSName"), read->AsText("S_Val"));
  }

  if (rows.empty()) {
    known.SettleAll();  // a new project: the layout's values are the ones to keep
    return;
  }
  const auto find = [&rows](std::string_view key) -> const std::string* {
    for (const auto& [name, value] : rows) {
      if (name == key) return &value;
    }
    return nullptr;
  };
  // Each key counts as reached before its value is applied: a value that fails (an unreadable
  // boolean, a handler that raises) is replaced at the next close instead of blocking every load.
  for (const SavedKey& key : Keys()) {
    if (key.kind == KeyKind::kEmergency) continue;  // never read back
    known.Settle(key.control);
    const std::string* stored = find(key.key);
    switch (key.kind) {
      case KeyKind::kField:
        if (stored != nullptr) SetText(key.control, *stored);
        break;
      case KeyKind::kCheckBox:
        // Automatic refresh is on unless a row says otherwise; the other boxes keep their state.
        if (stored != nullptr) {
          SetChecked(key.control, StoredBoolean(*stored));
        } else if (key.key == "Auto") {
          SetChecked(key.control, true);
        }
        break;
      case KeyKind::kSurveyType:
        SelectSurveyType(model_.survey_type(), stored);
        break;
      case KeyKind::kEmergency:
        break;
    }
  }
}

void TfrmMain::MarkOneStageSurvey() { SetText("RzE_KC", Checked("RzCB_KC") ? "X0.8" : ""); }

// ---- the coefficient list ----

void TfrmMain::LoadCoefficientList() {
  form::KnownValues& known = model_.known();
  form::KnownValues::Restore restoring(known);
  known.ForgetItems();
  std::optional<CoefficientFile> list;
  try {
    list = ReadCoefficientFile(context_.host_folder + std::string(kListFile));
  } catch (const UnreadableListError& e) {
    list_unread_reason_ = e.reason();
    throw;
  }
  if (list) {
    list_encoding_ = list->encoding;
    model_.coefficient().SetItems(std::move(list->items));
  }
  known.SettleItems();
}

void TfrmMain::SaveCoefficientList() {
  // The auditor chose to close without saving: nothing at all is written.
  if (leaving_unsaved_) return;
  // Never replace a list that could not be read, even one the auditor edited since: the file may
  // hold every item of a list the form never saw.
  if (!list_unread_reason_.empty()) {
    const std::string notice =
        std::string(kListLeftUnread) + list_unread_reason_ + std::string(kListLeftAsItWas);
    ui_.ShowMessage(kNotice, notice, MessageIcon::kExclamation);
    return;
  }
  const std::string path = context_.host_folder + std::string(kListFile);
  RemoveStaleTemporaries(path);
  if (!model_.known().ItemsKnown()) return;  // the form never came to read the list
  try {
    WriteCoefficientFile(path, model_.coefficient().items(), list_encoding_);
  } catch (const std::exception& e) {
    // The parameters are saved already; the auditor decides whether the list may be dropped, so a
    // folder that cannot be written never keeps the form from closing.
    ShowError(e.what());
    if (ui_.AskYesNo(kQuestionCaption, kLeaveWithoutList)) return;
    throw QuietError(std::string(kListNotSaved));
  }
}

}  // namespace torva::audit
