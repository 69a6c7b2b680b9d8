#include "floor.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "floor_text.h"

namespace torva_bench {

namespace {

struct StatementText {
  const char* sql;
  bool on_standard;
};

constexpr StatementText kStatements[] = {
    {"select CSName,S_Val from G_GCCS where GCID=-1", false},
    {"select sum(HJFY) as HJ from G_QF where XM='建筑安装工程费'", false},
    {"select sum(SGHJFY) as HJ from G_QF where XM='折扣后施工费'", false},
    {"select sum(SGHJFY) as HJ from G_QF where XM='辅助材料费'", false},
    {"select sum(SGHJFY) as HJ from G_QF where XM='税金'", false},
    {"select printf('%.2f',QTFY) as QTF from P_ZHZ where GCID=32000 and LX>100 and DepID=2", false},
    {"select CSName,S_Val from G_GCCS where GCID=-12", false},
    {"select sum(SGHJFY) as HJ from G_QF where XM='建筑安装工程费'", false},
    {"select sum(SHHJFY) as HJ from G_QF where XM='折扣后施工费'", false},
    {"select SGJSS from G_QF where XM='折扣后施工费'", false},
    {"select sum(SHHJFY) as HJ from G_QF where XM='辅助材料费'", false},
    {"select SGJSS from G_QF where XM='辅助材料费'", false},
    {"select sum(SHHJFY) as HJ from G_QF where XM='税金'", false},
    {"select printf('%.2f',QTFY) as QTF from P_ZHZ where GCID=32000 and LX>100 and DepID=3", false},
    {"select CSName,S_Val from G_GCCS where GCID=-13", false},
    {"select CSName,S_Val from G_GCCS where GCID=-16", false},
    {"select sum(SHHJFY) as HJ from G_QF where XM='建筑安装工程费'", false},
    {"select sum(HJFY) as HJ from G_QF where XM='折扣后施工费'", false},
    {"select sum(HJFY) as HJ from G_QF where XM='辅助材料费'", false},
    {"select sum(HJFY) as HJ from G_QF where XM='税金'", false},
    {"select printf('%.2f',QTFY) as QTF from P_ZHZ where GCID=32000 and LX>100 and "
     "(DepID=0 or DepID is null)",
     false},
    {"select CSName,S_Val from G_GCCS where GCID=-10", false},
    {"select CSName,S_Val from G_GCCS where GCID=-15", false},
    {"BEGIN IMMEDIATE", false},
    {"COMMIT", false},
    {"Delete from G_GCCS where GCID=-1 and CSName=?1", false},
    {"Insert into G_GCCS(GCID,CSName,S_Val) Values(-1,?1,?2)", false},
    {"select 1 from GL_FYFile where 1=2", true},
    {"select QS,ZZ,SFJJ from GL_FYFile where LX=4 and iif(ZZ=0,QS<?1,QS<?1 and ZZ>=?1)", true},
    {"select SFJJ from GL_FYFile where LX=4 and ZZ=?1", true},
    {"select QS,SFJJ,NCZ,FL from GL_FYFile where LX=2 and XM='通信管道' and "
     "iif(ZZ=0,QS<?1,QS<?1 and ZZ>=?1)",
     true},
    {"select QS,SFJJ,NCZ,FL from GL_FYFile where LX=1 and XM='埋式光(电)缆长途架空光(电)线路' and "
     "iif(ZZ=0,QS<?1,QS<?1 and ZZ>=?1)",
     true},
    {"select QS,SFJJ,NCZ,FL from GL_FYFile where LX=1 and XM='市内架空光电缆线路' and "
     "iif(ZZ=0,QS<?1,QS<?1 and ZZ>=?1)",
     true},
};
const char* const kSurveyTypes[] = {"通信管道", "长途线路", "市话线路"};

// ---- fields and keys ----

struct Family {
  const char* prefix;
  int first_slot;
  int count;
};
constexpr Family kFamilies[] = {{"D_", 0, 12}, {"T_", 12, 59}, {"TC_", 71, 4}, {"Date_", 75, 6}};

const std::array<std::string, kFieldCount>& Names() {
  static const std::array<std::string, kFieldCount> names = [] {
    std::array<std::string, kFieldCount> all;
    for (const Family& family : kFamilies) {
      for (int i = 0; i < family.count; ++i) {
        all[family.first_slot + i] = family.prefix + std::to_string(i + 1);
      }
    }
    all[kJZAZ] = "T_JZAZ";
    all[kSJF] = "T_SJF";
    all[kKCF] = "T_KCF";
    all[kRzE_KC] = "RzE_KC";
    return all;
  }();
  return names;
}

// The saved field of a key, or -1.
int SlotOf(const std::string& key) {
  for (const Family& family : kFamilies) {
    const size_t length = std::strlen(family.prefix);
    if (key.size() <= length || key.compare(0, length, family.prefix) != 0) continue;
    int n = 0;
    for (size_t i = length; i < key.size(); ++i) {
      if (key[i] < '0' || key[i] > '9' || n > 100) return -1;
      n = n * 10 + (key[i] - '0');
    }
    if (n < 1 || n > family.count || key[length] == '0') return -1;
    return family.first_slot + n - 1;
  }
  return -1;
}

bool IsLabourDay(int field) {
  return field == D(7) || field == D(8) || field == T(5) || field == T(6) || field == T(15) ||
         field == T(16) || field == T(40) || field == T(41) || field == Date(4) || field == Date(5);
}

std::string Normalised(int field, const std::string& text) {
  if (!IsNumeric(text)) return text;
  long double value = 0;
  if (!Parse(text, &value))
    throw std::runtime_error("'" + text + "' is not a valid floating point value");
  if (value == 0) return "0";
  return Fixed(value, IsLabourDay(field) ? 3 : 2);
}

// ---- files ----

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes->append(buffer, n);
  std::fclose(file);
  return true;
}

// Written beside, synced, renamed over the old file, folder synced: the list is never half
// written. The same durability as the form's, so that the two closes do the same disk work.
void ReplaceFile(const std::string& path, const std::string& content) {
  const std::string temp = path + ".floor.tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw std::runtime_error("cannot write " + temp);
  const bool written =
      ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()) &&
      ::fsync(fd) == 0;
  ::close(fd);
  if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
    throw std::runtime_error("cannot write " + path);
  }
  const std::string folder = path.substr(0, path.rfind('/') + 1);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace

std::string FieldName(int field) { return Names()[field]; }

FloorForm::FloorForm(FloorContext context)
    : context_(std::move(context)), statements_(kStmtCount, nullptr), coefficients_{"45", "65"} {
  fields_[T(46)] = "澄川通信公司审计部驻柳岸分公司审计室";
  fields_[T(47)] = "审计报告";
}

FloorForm::~FloorForm() {
  for (sqlite3_stmt*& stmt : statements_) {
    sqlite3_finalize(stmt);
    stmt = nullptr;
  }
  sqlite3_close(project_);
  sqlite3_close(standard_);
}

sqlite3_stmt* FloorForm::Prepared(Stmt which) {
  static_assert(std::size(kStatements) == kStmtCount, "one text for every statement");
  sqlite3_stmt*& stmt = statements_[which];
  if (stmt == nullptr) {
    sqlite3* db = kStatements[which].on_standard ? standard_ : project_;
    if (db == nullptr) throw std::runtime_error("database not open");
    if (sqlite3_prepare_v2(db, kStatements[which].sql, -1, &stmt, nullptr) != SQLITE_OK) {
      throw std::runtime_error(sqlite3_errmsg(db));
    }
  }
  return stmt;
}

bool FloorForm::Step(sqlite3_stmt* stmt) {
  const int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(stmt)));
}

std::string FloorForm::ColumnText(sqlite3_stmt* stmt, int column) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
      return std::string();
    case SQLITE_INTEGER:
      return std::to_string(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
      return General(sqlite3_column_double(stmt, column));
    default:
      return std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                         static_cast<size_t>(sqlite3_column_bytes(stmt, column)));
  }
}

sqlite3_stmt* FloorForm::Run(Stmt which) {
  sqlite3_stmt* stmt = Prepared(which);
  sqlite3_reset(stmt);
  Step(stmt);
  return stmt;
}

// ---- lifetime ----

void FloorForm::Open() {
  if (sqlite3_open_v2(context_.project.c_str(), &project_, SQLITE_OPEN_READWRITE, nullptr) !=
      SQLITE_OK) {
    throw std::runtime_error("cannot open " + context_.project);
  }
  sqlite3_busy_timeout(project_, 5000);

  std::string list;
  if (ReadWholeFile(context_.host_folder + "SJKS.txt", &list)) {
    coefficients_.clear();
    size_t start = 0;
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i] != '\r' && list[i] != '\n') continue;
      coefficients_.push_back(list.substr(start, i - start));
      if (list[i] == '\r' && i + 1 < list.size() && list[i + 1] == '\n') ++i;
      start = i + 1;
    }
    if (start < list.size()) coefficients_.push_back(list.substr(start));
    std::sort(coefficients_.begin(), coefficients_.end());
  }

  const std::string standard = context_.host_folder + "Data/GL.mgl";
  if (sqlite3_open_v2(standard.c_str(), &standard_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    throw std::runtime_error("cannot open " + standard);
  }
  sqlite3_reset(Run(kProbe));

  LoadParams();
  Set(kRzE_KC, kc_ ? "X0.8" : "");
  if (auto_refresh_) Refresh();
  tag_ = 1;
}

void FloorForm::LoadParams() {
  sqlite3_stmt* stmt = Prepared(kLoad);
  sqlite3_reset(stmt);
  std::vector<std::pair<std::string, std::string>> rows;
  while (Step(stmt)) rows.emplace_back(ColumnText(stmt, 0), ColumnText(stmt, 1));
  sqlite3_reset(stmt);
  if (rows.empty()) return;

  // The first row of each key.
  std::array<int, kFieldCount> row_of;
  row_of.fill(-1);
  int auto_row = -1, yj_row = -1, type_row = -1, yg_row = -1, kc_row = -1;
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const std::string& key = rows[i].first;
    const int slot = SlotOf(key);
    int* special = slot >= 0       ? &row_of[slot]
                   : key == "Auto" ? &auto_row
                   : key == "YJGC" ? &yj_row
                   : key == "KCLX" ? &type_row
                   : key == "YG"   ? &yg_row
                   : key == "KC"   ? &kc_row
                                   : nullptr;
    if (special != nullptr && *special < 0) *special = i;
  }

  auto_refresh_ = auto_row < 0 || Boolean(rows[auto_row].second);
  // The load's order: D_, T_, Date_, TC_.
  for (int family : {0, 1, 3, 2}) {
    for (int i = 0; i < kFamilies[family].count; ++i) {
      const int field = kFamilies[family].first_slot + i;
      if (row_of[field] >= 0) Set(field, rows[row_of[field]].second);
    }
  }
  if (yj_row >= 0) SetYJ(Boolean(rows[yj_row].second));
  survey_type_ = 0;
  if (type_row >= 0) {
    survey_type_ = -1;
    for (int i = 0; i < 3; ++i) {
      if (rows[type_row].second == kSurveyTypes[i]) survey_type_ = i;
    }
  }
  if (yg_row >= 0) SetYG(Boolean(rows[yg_row].second));
  if (kc_row >= 0) SetKC(Boolean(rows[kc_row].second));
}

void FloorForm::SaveAll() {
  static const std::string kKeyAuto = "Auto", kKeyYJ = "YJGC", kKeyType = "KCLX", kKeyYG = "YG",
                           kKeyKC = "KC", kKeyGCMS = "GCMS";
  sqlite3_stmt* remove = Prepared(kDelete);
  sqlite3_stmt* insert = Prepared(kInsert);
  const auto write = [&](const std::string& key, const std::string& value) {
    sqlite3_reset(remove);
    sqlite3_bind_text(remove, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    Step(remove);
    sqlite3_reset(insert);
    sqlite3_bind_text(insert, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_bind_text(insert, 2, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
    Step(insert);
  };
  sqlite3_reset(Run(kBegin));
  write(kKeyAuto, auto_refresh_ ? "-1" : "0");
  for (const Family& family : kFamilies) {  // the save's order: D_, T_, TC_, Date_
    for (int i = 0; i < family.count; ++i) {
      const int field = family.first_slot + i;
      write(Names()[field], Normalised(field, fields_[field]));
    }
  }
  write(kKeyYJ, yj_ ? "-1" : "0");
  write(kKeyType, survey_type_ >= 0 ? kSurveyTypes[survey_type_] : "");
  write(kKeyYG, yg_ ? "-1" : "0");
  write(kKeyKC, kc_ ? "-1" : "0");
  write(kKeyGCMS, yj_ ? "为应急工程，" : "");
  sqlite3_reset(remove);
  sqlite3_reset(insert);
  sqlite3_reset(Run(kCommit));
}

void FloorForm::Close() {
  SaveAll();
  std::string list;
  for (const std::string& item : coefficients_) list += item + "\r\n";
  ReplaceFile(context_.host_folder + "SJKS.txt", list);
  for (sqlite3_stmt*& stmt : statements_) {
    sqlite3_finalize(stmt);
    stmt = nullptr;
  }
  sqlite3_close(project_);
  sqlite3_close(standard_);
  project_ = nullptr;
  standard_ = nullptr;
}

// ---- fields and handlers ----

void FloorForm::Type(int field, const std::string& text) { Set(field, text); }

void FloorForm::EnterRouteLength() { Set(T(30), SurveyFee(fields_[T(31)])); }

double FloorForm::Num(int field) const { return ToFloat(fields_[field]); }

void FloorForm::Set(int field, const std::string& text) {
  if (fields_[field] == text) return;
  fields_[field] = text;
  OnChange(field);
}

void FloorForm::OnChange(int field) {
  switch (field) {
    case D(2):
    case D(3):
    case D(4):
    case D(5):
    case D(6):
      return FeeSubmitted(tag_);
    case D(11):
    case D(12):
      return FeeOwner(tag_, 1);
    case T(1):
    case T(2):
    case T(3):
    case T(4):
      return FeeOwner(tag_, 0);
    case T(9):
    case T(10):
      return FeeAudit(tag_, 1);
    case T(11):
    case T(12):
    case T(13):
    case T(14):
      return FeeAudit(tag_, 0);
    case T(36):
    case T(37):
    case T(38):
    case T(39):
    case T(58):
      return ReviewSubmitted(tag_);
    case TC(3):
    case TC(4):
      return ReviewOwner(tag_, 1);
    case Date(1):
    case Date(2):
    case Date(3):
    case T(59):
      return ReviewOwner(tag_, 0);
    case T(50):
    case T(51):
      return Cover(tag_, 1);
    case T(52):
      Cover(tag_, 0);
      return InstallFee(tag_);
    case T(54):
    case T(55):
    case T(56):
      return Cover(tag_, 2);
    case T(30):
    case T(33):
      return SurveyDesignTotal(tag_);
    case T(32):
      if (tag_ == 1) Set(T(33), Fixed(static_cast<long double>(Num(T(32))) * 0.1L, 2));
      return SurveyDesignTotal(tag_);
    case T(34):
      if (tag_ == 1) Set(T(32), DesignFee(fields_[T(34)]));
      return;
    case kJZAZ:
      return InstallFee(tag_);
    case T(44):
      if (tag_ != 1) return;
      Set(T(30), SurveyFee(fields_[T(31)]));
      Set(T(32), DesignFee(fields_[T(34)]));
      return;
    default:
      return;
  }
}

void FloorForm::SetYJ(bool checked) {
  if (yj_ == checked) return;
  yj_ = checked;
  if (yj_) {
    Set(T(29), "0");
  } else {
    SurveyDesignTotal(tag_);
  }
}

void FloorForm::SetYG(bool checked) {
  if (yg_ == checked) return;
  yg_ = checked;
  const long double audited = audited_install_;
  Set(kJZAZ, General(yg_ ? audited : audited - context_.contractor_amount));
}

void FloorForm::SetKC(bool checked) {
  if (kc_ == checked) return;
  kc_ = checked;
  if (fields_[kKCF].empty()) return;
  Set(kRzE_KC, kc_ ? "X0.8" : "");
  const std::string evaluated = kc_ ? "(" + fields_[kKCF] + ")*0.8" : fields_[kKCF];
  const std::string fee =
      Fixed(static_cast<long double>(Evaluate(evaluated)) * CoefficientFactor(), 2);
  if (context_.stage == "4") Set(T(30), fee);
}

}  // namespace torva_bench
