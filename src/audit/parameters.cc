// Saved fields (G_GCCS rows with GCID -1) and the coefficient list SJKS.txt.
//
// Every field, check box and the survey type is written as one name/value row when the form closes
// and read back when it is shown. Three things are kept safe on top of the plain statements:
// - the whole save is one transaction (one disk sync), and each key's Delete and Insert are one
//   unit inside it: a key whose Insert fails keeps its old row;
// - a load that ended early never lets the close overwrite the rows it did not reach (see
//   param_state.h);
// - SJKS.txt is replaced through a temporary file and a rename, so it is always either the old list
//   or the new one, and a list that cannot be written never traps the auditor in the form.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "audit/coefficient_list.h"
#include "audit/param_state.h"
#include "audit/tfrm_main.h"
#include "text/error.h"
#include "text/number_text.h"

namespace torva::audit {

namespace {

constexpr std::string_view kLoadSql = "select CSName,S_Val from G_GCCS where GCID=-1";
constexpr std::string_view kListFile = "SJKS.txt";
constexpr std::string_view kEmergencyText = "为应急工程，";
constexpr std::string_view kQuestionCaption = "提示信息";
constexpr std::string_view kLeaveWithoutList =
    "系数列表无法保存到 SJKS.txt。是否不保存系数列表直接关闭？";
constexpr std::string_view kListNotSaved = "系数列表没有保存，窗口保持打开";
constexpr std::string_view kSaveNotStarted = "参数无法保存到项目数据库：";
constexpr std::string_view kLeaveWithoutParams =
    "参数无法保存到项目数据库。是否不保存参数直接关闭？（选“否”保持窗口打开，稍后再关闭。）";
constexpr std::string_view kSaveAbandoned = "参数没有保存，数据库中的参数保持关闭前的样子：";
constexpr std::string_view kSavepoint = "torva_param";
// The list file always lives in the host folder, so the texts name it without the folder.
constexpr std::string_view kCannotRead = "无法读取主程序目录下的系数列表文件 SJKS.txt：";
constexpr std::string_view kCannotWrite = "系数列表无法保存到主程序目录下的 SJKS.txt：";

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
  std::string control;  // the control it belongs to (for the check boxes and RzCB_1)
  std::string tracked;  // the key whose load and changes decide whether it is written
};

// The field families in the order of the save and in the order of the load (which differ: the
// load restores Date_ before TC_).
struct Family {
  std::string_view prefix;
  int count;
};
constexpr Family kSaveFamilies[] = {{"D_", 12}, {"T_", 59}, {"TC_", 4}, {"Date_", 6}};
constexpr Family kLoadFamilies[] = {{"D_", 12}, {"T_", 59}, {"Date_", 6}, {"TC_", 4}};

// The skilled and unskilled worker-day rows: saved with three decimals, every other field with two.
constexpr std::string_view kLabourDayKeys[] = {"D_7",  "D_8",  "T_5",  "T_6",    "T_15",
                                               "T_16", "T_40", "T_41", "Date_4", "Date_5"};

std::vector<std::string> FamilyKeys(const Family (&families)[4]) {
  std::vector<std::string> keys;
  for (const Family& family : families) {
    for (int i = 1; i <= family.count; ++i) {
      keys.push_back(std::string(family.prefix) + std::to_string(i));
    }
  }
  return keys;
}

// Every key in exactly the order of the save.
const std::vector<SavedKey>& SaveOrder() {
  static const std::vector<SavedKey> keys = [] {
    std::vector<SavedKey> all;
    all.push_back({"Auto", KeyKind::kCheckBox, "RzCB_Auto", "Auto"});
    for (const std::string& key : FamilyKeys(kSaveFamilies)) {
      all.push_back({key, KeyKind::kField, key, key});
    }
    all.push_back({"YJGC", KeyKind::kCheckBox, "RzCB_YJ", "YJGC"});
    all.push_back({"KCLX", KeyKind::kSurveyType, "RzCB_1", "KCLX"});
    all.push_back({"YG", KeyKind::kCheckBox, "RzCB_YG", "YG"});
    all.push_back({"KC", KeyKind::kCheckBox, "RzCB_KC", "KC"});
    // "GCMS" mirrors RzCB_YJ: it is as trustworthy as "YJGC".
    all.push_back({"GCMS", KeyKind::kEmergency, "RzCB_YJ", "YJGC"});
    return all;
  }();
  return keys;
}

const std::vector<std::string>& LoadFieldOrder() {
  static const std::vector<std::string> keys = FamilyKeys(kLoadFamilies);
  return keys;
}

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

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) {
      return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// A stored boolean: a number (by the decimal rule) is true unless it is 0; "True" and "False" in
// any letter case; anything else is the conversion error.
bool StoredBoolean(const std::string& text) {
  if (const std::optional<long double> value = text::ParseDecimal(text)) return *value != 0;
  if (EqualsIgnoringCase(text, "true")) return true;
  if (EqualsIgnoringCase(text, "false")) return false;
  throw Error("'" + text + "' is not a valid boolean value");
}

// ---- change tracking ----

// Marks a key as changed when its control changes while the store is not restoring it. Observers
// run after every visible change of the control.
void AttachChangeObservers(form::FormModel& model, ParamStateData& state) {
  if (state.observing) return;
  state.observing = true;
  ParamStateData* const s = &state;
  for (const std::string& key : LoadFieldOrder()) {
    form::Edit* edit = &model.edit(key);
    edit->AddObserver([s, edit, key, last = edit->text()]() mutable {
      if (edit->text() == last) return;  // T_44 also reports changes of its list
      last = edit->text();
      if (!s->restoring) s->changed_keys.insert(key);
    });
  }
  const std::pair<const char*, const char*> boxes[] = {
      {"RzCB_Auto", "Auto"}, {"RzCB_YJ", "YJGC"}, {"RzCB_YG", "YG"}, {"RzCB_KC", "KC"}};
  for (const auto& [name, key] : boxes) {
    model.check_box(name).AddObserver([s, key = std::string(key)] {
      if (!s->restoring) s->changed_keys.insert(key);
    });
  }
  form::ListCombo* survey = &model.survey_type();
  survey->AddObserver([s, survey, last = survey->item_index()]() mutable {
    if (survey->item_index() == last) return;
    last = survey->item_index();
    if (!s->restoring) s->changed_keys.insert("KCLX");
  });
  form::ComboEdit* coefficient = &model.coefficient();
  coefficient->AddObserver([s, coefficient, last = coefficient->items()]() mutable {
    if (coefficient->items() == last) return;
    last = coefficient->items();
    if (!s->restoring) s->list_known = true;
  });
}

// Marks the state as restoring for the lifetime of the scope, also when the load ends by an error.
class RestoringScope {
 public:
  explicit RestoringScope(ParamStateData& state) : state_(state) { state_.restoring = true; }
  ~RestoringScope() { state_.restoring = false; }
  RestoringScope(const RestoringScope&) = delete;
  RestoringScope& operator=(const RestoringScope&) = delete;

 private:
  ParamStateData& state_;
};

// The transaction of the save could not be kept (its savepoint or commit failed): nothing of this
// save is in the database.
class TransactionLost : public Error {
 public:
  explicit TransactionLost(const std::string& reason)
      : Error(std::string(kSaveAbandoned) + reason) {}
};

// ---- SJKS.txt ----

std::string SystemErrorText(int error) { return std::strerror(error); }

// The whole file, or nullopt when it does not exist. Throws torva::Error when it exists but cannot
// be read.
std::optional<std::string> ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    throw Error(std::string(kCannotRead) + SystemErrorText(errno));
  }
  std::string bytes;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      throw Error(std::string(kCannotRead) + SystemErrorText(error));
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return bytes;
}

// The items of the list file, or nullopt when there is none.
std::optional<std::vector<std::string>> ReadCoefficientFile(const std::string& path) {
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  return DecodeCoefficientList(*bytes);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Replaces the file at `path` by `content`: written beside it under a temporary name, synced, then
// renamed over it, so that a crash leaves either the old file or the new one, never half of one.
// Throws torva::Error with a clear text when it cannot.
void ReplaceFile(const std::string& path, std::string_view content) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string temp = path + "." + std::to_string(::getpid()) + ".tmp";
  const auto fail = [&](int error) {
    ::unlink(temp.c_str());
    throw Error(std::string(kCannotWrite) + SystemErrorText(error));
  };
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    // Nothing was created, so nothing is removed.
    throw Error(std::string(kCannotWrite) + SystemErrorText(error));
  }
  // The new file keeps the permissions of the one it replaces.
  struct stat old_file;
  if (::stat(path.c_str(), &old_file) == 0 && S_ISREG(old_file.st_mode)) {
    ::fchmod(fd, old_file.st_mode & 07777);
  }
  if (!WriteAll(fd, content) || ::fsync(fd) != 0) {
    const int error = errno;
    ::close(fd);
    fail(error);
  }
  if (::close(fd) != 0) fail(errno);
  if (::rename(temp.c_str(), path.c_str()) != 0) fail(errno);
  // Make the rename itself durable; a folder that cannot be synced changes nothing for the list.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace

// ---- saving ----

void TfrmMain::SaveParam(const std::string& key, const std::string& value) {
  const std::string remove = "Delete from G_GCCS where GCID=-1 and CSName=" + Quoted(key);
  const std::string insert =
      "Insert into G_GCCS(GCID,CSName,S_Val) Values(-1," + Quoted(key) + "," + Quoted(value) + ")";
  ParamStateData& state = *param_state_;
  if (!state.in_transaction) {
    ExecSql(remove);
    ExecSql(insert);
    return;
  }
  // Inside the save's transaction the two statements are one unit: when either fails, the key
  // keeps the row it had (the failure is still shown by ExecSql, and the save goes on).
  const auto native = [this](const std::string& sql) {
    try {
      ac_gc_.ExecuteNative(sql);
    } catch (const std::exception& e) {
      throw TransactionLost(e.what());
    }
  };
  const std::string savepoint(kSavepoint);
  native("SAVEPOINT " + savepoint);
  const bool removed = ExecSql(remove);
  const bool inserted = ExecSql(insert);
  if (!removed || !inserted) native("ROLLBACK TO " + savepoint);
  native("RELEASE " + savepoint);
}

void TfrmMain::SaveAllParams() {
  ParamStateData& state = *param_state_;
  const auto writable = [&state](const SavedKey& key) {
    return state.load_finished || state.settled_keys.contains(key.tracked) ||
           state.changed_keys.contains(key.tracked);
  };
  std::vector<const SavedKey*> keys;
  for (const SavedKey& key : SaveOrder()) {
    if (writable(key)) keys.push_back(&key);
  }
  if (keys.empty()) return;

  // One transaction for the whole save: one disk sync instead of two per key. When it cannot
  // start (another program holds the file beyond the wait, or the file is read-only), no statement
  // of the save could succeed either: rather than report each of them, say it once and let the
  // auditor choose between closing without the parameters and keeping the form open to try again.
  q_pub_.Close();
  try {
    ac_gc_.ExecuteNative("BEGIN IMMEDIATE");
    state.in_transaction = true;
  } catch (const std::exception& e) {
    state.in_transaction = false;
    ShowError(std::string(kSaveNotStarted) + e.what());
    if (ui_.AskYesNo(kQuestionCaption, kLeaveWithoutParams)) return;
    throw QuietError(std::string(kSaveNotStarted) + e.what());
  }
  const auto finish = [this, &state] {
    if (!state.in_transaction) return;
    state.in_transaction = false;
    try {
      ac_gc_.ExecuteNative("COMMIT");
    } catch (const std::exception& e) {
      const std::string reason = e.what();
      try {
        ac_gc_.ExecuteNative("ROLLBACK");
      } catch (const std::exception&) {
        // Already rolled back by the database.
      }
      throw TransactionLost(reason);
    }
  };

  try {
    for (const SavedKey* key : keys) {
      std::string value;
      switch (key->kind) {
        case KeyKind::kField:
          value = NormalisedField(key->key, Text(key->key));
          break;
        case KeyKind::kCheckBox:
          value = BooleanText(Checked(key->control));
          break;
        case KeyKind::kSurveyType:
          value = model_.survey_type().SelectedText();
          break;
        case KeyKind::kEmergency:
          value = Checked(key->control) ? std::string(kEmergencyText) : std::string();
          break;
      }
      SaveParam(key->key, value);
    }
  } catch (const TransactionLost&) {
    if (state.in_transaction) {
      state.in_transaction = false;
      try {
        ac_gc_.ExecuteNative("ROLLBACK");
      } catch (const std::exception&) {
        // Already rolled back by the database.
      }
    }
    throw;
  } catch (const std::exception&) {
    // A field that is no number stops the save there; the keys before it stay written, as they
    // would be without the transaction.
    try {
      finish();
    } catch (const std::exception& e) {
      ShowError(e.what());
    }
    throw;
  }
  finish();
}

// ---- loading ----

void TfrmMain::LoadParams() {
  ParamStateData& state = *param_state_;
  AttachChangeObservers(model_, state);
  RestoringScope restoring(state);
  state.load_finished = false;
  state.settled_keys.clear();

  OpenSql(std::string(kLoadSql));
  std::vector<std::pair<std::string, std::string>> rows;
  while (!q_pub_.Eof()) {
    rows.emplace_back(q_pub_.AsText("CSName"), q_pub_.AsText("S_Val"));
    q_pub_.Next();
  }
  // An open result would hold a read lock on the file for as long as the form stays open.
  q_pub_.Close();

  if (rows.empty()) {
    state.load_finished = true;  // a new project: the layout's values are the ones to keep
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
  const auto load_box = [&](std::string_view key, std::string_view box) {
    state.settled_keys.insert(std::string(key));
    if (const std::string* stored = find(key)) SetChecked(box, StoredBoolean(*stored));
  };

  state.settled_keys.insert("Auto");
  const std::string* autorefresh = find("Auto");
  SetChecked("RzCB_Auto", autorefresh == nullptr || StoredBoolean(*autorefresh));

  for (const std::string& key : LoadFieldOrder()) {
    state.settled_keys.insert(key);
    if (const std::string* stored = find(key)) SetText(key, *stored);
  }

  load_box("YJGC", "RzCB_YJ");

  state.settled_keys.insert("KCLX");
  form::ListCombo& survey = model_.survey_type();
  if (const std::string* stored = find("KCLX")) {
    int index = -1;
    for (size_t i = 0; i < survey.items().size(); ++i) {
      if (survey.items()[i] == *stored) {
        index = static_cast<int>(i);
        break;
      }
    }
    survey.SetItemIndex(index);
  } else {
    survey.SetItemIndex(0);
  }

  load_box("YG", "RzCB_YG");
  load_box("KC", "RzCB_KC");
  state.load_finished = true;
}

void TfrmMain::MarkOneStageSurvey() { SetText("RzE_KC", Checked("RzCB_KC") ? "X0.8" : ""); }

// ---- the coefficient list ----

void TfrmMain::LoadCoefficientList() {
  ParamStateData& state = *param_state_;
  AttachChangeObservers(model_, state);
  RestoringScope restoring(state);
  state.list_known = false;
  std::optional<std::vector<std::string>> items =
      ReadCoefficientFile(context_.host_folder + std::string(kListFile));
  if (items) model_.coefficient().SetItems(std::move(*items));
  state.list_known = true;
}

void TfrmMain::SaveCoefficientList() {
  const ParamStateData& state = *param_state_;
  if (!state.list_known) return;  // never replace a list that could not be read
  try {
    ReplaceFile(context_.host_folder + std::string(kListFile),
                EncodeCoefficientList(model_.coefficient().items()));
  } catch (const std::exception& e) {
    // The parameters are saved already; the auditor decides whether the list may be dropped, so a
    // folder that cannot be written never keeps the form from closing.
    ShowError(e.what());
    if (ui_.AskYesNo(kQuestionCaption, kLeaveWithoutList)) return;
    throw QuietError(std::string(kListNotSaved));
  }
}

}  // namespace torva::audit
