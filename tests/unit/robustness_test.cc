// Robustness of the audit form against damaged, locked, oversized and hostile input. Every case
// must end with a clear dialog, without a crash, and with nothing already stored lost: the project
// file, its other tables and SJKS.txt stay as they were unless the auditor's save replaced them.
//
// Neighbouring cases live with their concern and are not repeated here:
// - a database path that names no file: scenarios/lifetime_missing_database;
// - saves that cannot succeed (read-only, full or damaged project file) and a list file that is a
//   pipe: unsavable_files_test;
// - a commit held up by another reader: parameters_test,
// CommitThatCannotCompleteKeepsTheOldRows...;
// - SJKS.txt that is a folder, so unreadable: parameters_test, UnreadableListEndsTheShow...;
// - SJKS.txt whose host folder is gone: scenarios/params_list_unwritable;
// - Data/GL.mgl missing: scenarios/design_no_fee_standard and lifetime_no_fee_standard;
// - Data/GL.mgl empty, without GL_FYFile or no database: scenarios/robust_fees_*;
// - hostile fee expressions: design_fees_test, HostileExpressionsShowAnErrorAndChangeNothing, and
//   scenarios/design_expressions; more of them here and in scenarios/robust_hostile_expressions.
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "audit/tfrm_main.h"
#include "audit/ui_port.h"
#include "form/controls.h"
#include "unit/form_test_support.h"

namespace torva::audit {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using torva::testing::At;
using torva::testing::ContextFor;
using torva::testing::Dump;
using torva::testing::Insert;
using torva::testing::ReadFile;
using torva::testing::RecordingUi;
using torva::testing::RunSql;
using torva::testing::Stored;
using torva::testing::WriteFile;

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

// How many keys a complete save writes: Auto, D_1..12, T_1..59, TC_1..4, Date_1..6, YJGC, KCLX,
// YG, KC, GCMS.
constexpr size_t kSavedKeys = 1 + 12 + 59 + 4 + 6 + 5;

// Fields that no handler reads or rewrites while automatic refresh is off: what is stored in them
// must come back exactly.
const char* const kWordFields[] = {"T_46", "T_47", "T_57", "T_45"};

// A host folder with the small fee standard, and a project file that each test makes itself.
class RobustnessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = torva::testing::MakeTempFolder("torva-robust");
    fs::create_directories(host() / "Data");
    RunSql(host() / "Data/GL.mgl",
           ReadFile(fs::path(TORVA_SOURCE_DIR) / "tests/data/small_fees.sql"));
    db_ = dir_ / "project.db";
  }
  void TearDown() override {
    forms_.clear();
    std::error_code ignored;
    fs::permissions(host(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(dir_, ignored);
  }

  // A project with every table and automatic refresh off, plus `rows` of the form.
  void NewProject(const std::vector<std::pair<std::string, std::string>>& rows = {}) {
    std::string sql = ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/project_schema.sql");
    sql += Insert("Auto", "0");
    for (const auto& [key, value] : rows) sql += Insert(key, value);
    RunSql(db_, sql);
  }

  FormContext Context() const { return ContextFor(db_, host()); }

  // Shows a new form on the project, as a new run of the host program would.
  TfrmMain& Open() {
    forms_.push_back(std::make_unique<TfrmMain>(Context(), ui_));
    forms_.back()->Show();
    return *forms_.back();
  }

  // The auditor types `text` into the field `name`.
  static void Type(TfrmMain& form, const std::string& name, const std::string& text) {
    form.UserAction([&] { form.SetText(name, text); });
  }

  fs::path host() const { return dir_ / "host"; }
  fs::path list_path() const { return host() / "SJKS.txt"; }

  void ExpectNoProjectDatabase();

  fs::path dir_;
  fs::path db_;
  RecordingUi ui_;
  std::vector<std::unique_ptr<TfrmMain>> forms_;
};

// ---- a project file that is damaged ----

TEST_F(RobustnessTest, FileOfRandomBytesEndsTheFormAndIsLeftAsItWas) {
  const std::string garbage = RandomBytes(64 * 1024, 8);
  WriteFile(db_, garbage);
  WriteFile(list_path(), "65\n45");  // a list the close would rewrite as "45\r\n65\r\n"
  TfrmMain& form = Open();
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"[提示] 该文件不是数据库：file is not a database"});
  EXPECT_TRUE(form.ended());
  EXPECT_EQ(ReadFile(db_), garbage);
  EXPECT_EQ(ReadFile(list_path()), "65\n45");
  EXPECT_FALSE(fs::exists(dir_ / "project.db-journal"));
}

// A file that SQLite opens but that holds no parameter table is no project database: the form
// says so, ends as after a failed connection, and neither the file nor the list is touched.
void RobustnessTest::ExpectNoProjectDatabase() {
  fs::last_write_time(db_, fs::file_time_type::clock::now() - std::chrono::hours(24 * 365));
  const fs::file_time_type modified = fs::last_write_time(db_);
  const std::string bytes = ReadFile(db_);
  const std::string list = "100\r\n45\r\n65\r\n";
  WriteFile(list_path(), list);
  TfrmMain& form = Open();
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"[提示] 文件不是项目数据库：" + db_.string() +
                                                   "（no such table: G_GCCS）"});
  EXPECT_TRUE(form.ended());
  EXPECT_EQ(form.Tag(), 0);
  EXPECT_TRUE(ReadFile(db_) == bytes);
  EXPECT_EQ(fs::last_write_time(db_), modified);
  EXPECT_FALSE(fs::exists(dir_ / "project.db-journal"));
  EXPECT_EQ(ReadFile(list_path()), list);
}

TEST_F(RobustnessTest, EmptyFileIsNoProjectDatabaseAndIsLeftUntouched) {
  WriteFile(db_, "");
  ExpectNoProjectDatabase();
}

TEST_F(RobustnessTest, DatabaseWithoutTheParameterTableIsNoProjectDatabaseAndIsLeftUntouched) {
  RunSql(db_,
         "create table G_QF (XM TEXT, SGHJFY REAL, SHHJFY REAL, HJFY REAL, SGJSS TEXT);"
         "insert into G_QF values('建筑安装工程费', 100, 90, 80, '1+2');"
         "create table P_ZHZ (GCID INTEGER, LX INTEGER, DepID INTEGER, QTFY REAL);"
         "insert into P_ZHZ values(32000, 101, 1, 12.5);");
  ExpectNoProjectDatabase();
}

// ---- a project file locked by another program ----

// Another program that begins a transaction holding the write lock on the project file when told to, and commits its own
// write when released or when `hold` has passed. It is a child process forked before the form opens
// the file, so that no connection of the form is ever carried into it.
class LockHolder {
 public:
  LockHolder(const fs::path& db, std::chrono::milliseconds hold) {
    // One socket pair to talk both ways: a send to a program that has already ended then fails
    // instead of raising SIGPIPE in the test.
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ends[0]);
      Child(db, static_cast<int>(hold.count()), ends[1]);
    }
    ::close(ends[1]);
    socket_ = ends[0];
  }
  ~LockHolder() {
    Release();
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (socket_ >= 0) ::close(socket_);
  }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;

  // Takes the lock; true once the other program holds it.
  bool Lock() { return pid_ > 0 && Send('L') && Reply() == 'l'; }
  // Lets the other program commit now.
  void Release() { Send('R'); }
  // Waits for the other program to end; true when it committed its write.
  bool Committed() {
    const bool committed = Reply() == 'c';
    int status = 0;
    ::waitpid(pid_, &status, 0);
    reaped_ = true;
    return committed && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

 private:
  [[noreturn]] static void Child(const fs::path& db_path, int hold_ms, int socket) {
    const auto say = [socket](char c) { (void)!::send(socket, &c, 1, MSG_NOSIGNAL); };
    char c = 0;
    if (::recv(socket, &c, 1, 0) != 1 || c != 'L') ::_exit(2);
    std::unique_ptr<db::Connection> connection;
    try {
      connection = db::OpenConnection(db::JetConnectionString(db_path.string()));
      connection->Begin();
      connection->Execute("insert into G_GCCS values(-12, 'JGGR', '7.5')");
    } catch (const std::exception&) {
      say('e');
      ::_exit(4);
    }
    say('l');
    pollfd wait_for_release{socket, POLLIN, 0};
    ::poll(&wait_for_release, 1, hold_ms);
    bool committed = true;
    try {
      connection->Commit();
    } catch (const std::exception&) {
      committed = false;
    }
    say(committed ? 'c' : 'e');
    connection.reset();
    ::_exit(committed ? 0 : 5);
  }

  bool Send(char c) { return socket_ >= 0 && ::send(socket_, &c, 1, MSG_NOSIGNAL) == 1; }
  char Reply() {
    char c = 0;
    return socket_ >= 0 && ::recv(socket_, &c, 1, 0) == 1 ? c : 0;
  }

  pid_t pid_ = -1;
  int socket_ = -1;
  bool reaped_ = false;
};

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST_F(RobustnessTest, SaveWaitsForALockHeldTwoSecondsAndSucceeds) {
  NewProject({{"T_46", "old"}});
  LockHolder other(db_, std::chrono::milliseconds(2000));
  TfrmMain& form = Open();
  Type(form, "T_46", "new");
  ASSERT_TRUE(other.Lock());
  const Clock::time_point start = Clock::now();
  ASSERT_TRUE(form.RequestClose());
  EXPECT_GE(SecondsSince(start), 1.0);  // it did wait for the other program
  EXPECT_TRUE(ui_.messages.empty());
  ASSERT_TRUE(other.Committed());
  const auto stored = Stored(db_);
  EXPECT_EQ(At(stored, "T_46"), "new");
  EXPECT_EQ(stored.size(), kSavedKeys);
  EXPECT_NE(Dump(db_).find("-12|JGGR|7.5|"), std::string::npos);  // the other program's write
  EXPECT_EQ(ReadFile(list_path()), "45\r\n65\r\n");
}

TEST_F(RobustnessTest, LockHeldBeyondTheBusyTimeoutKeepsTheFormOpenAndTheNextCloseSavesAll) {
  NewProject({{"T_46", "old"}, {"T_47", "old"}});
  LockHolder other(db_, std::chrono::seconds(60));
  TfrmMain& form = Open();
  Type(form, "T_46", "new");
  ASSERT_TRUE(other.Lock());
  ui_.answers = {false};
  const Clock::time_point start = Clock::now();
  EXPECT_FALSE(form.RequestClose());
  EXPECT_GE(SecondsSince(start), 4.5);  // the busy timeout, 5 s
  EXPECT_EQ(
      ui_.messages,
      (std::vector<std::string>{
          "[TORVA] 参数无法保存到项目数据库：database is locked.",
          "[提示信息] 参数无法保存到项目数据库。是否不保存参数直接关闭？（选“否”保持窗口打开，"
          "稍后再关闭。） -> no"}));
  EXPECT_FALSE(form.ended());
  EXPECT_EQ(form.Tag(), 1);
  EXPECT_FALSE(fs::exists(list_path()));  // the close stopped before the list

  other.Release();
  ASSERT_TRUE(other.Committed());
  EXPECT_EQ(At(Stored(db_), "T_46"), "old");
  Type(form, "T_47", "new too");
  ASSERT_TRUE(form.RequestClose());
  EXPECT_EQ(ui_.messages.size(), 2u);
  const auto stored = Stored(db_);
  EXPECT_EQ(At(stored, "T_46"), "new");
  EXPECT_EQ(At(stored, "T_47"), "new too");
  EXPECT_EQ(stored.size(), kSavedKeys);
  EXPECT_NE(Dump(db_).find("-12|JGGR|7.5|"), std::string::npos);
  EXPECT_EQ(ReadFile(list_path()), "45\r\n65\r\n");
}

// ---- field texts ----

TEST_F(RobustnessTest, MegabyteFieldIsSavedAndRestoredUnchanged) {
  NewProject();
  std::string big;
  for (int i = 0; big.size() < (1 << 20); ++i) {
    big += "第" + std::to_string(i) + "行：审计 'quoted' \"double\" \\ \r\n";
  }
  TfrmMain& form = Open();
  Type(form, "T_46", big);
  ASSERT_TRUE(form.RequestClose());
  EXPECT_TRUE(ui_.messages.empty());
  // Compared with EXPECT_TRUE: a failure's diff of a megabyte would drown the report.
  EXPECT_TRUE(At(Stored(db_), "T_46") == big);
  EXPECT_TRUE(Open().Text("T_46") == big);
  EXPECT_TRUE(ui_.messages.empty());
}

// Texts that a statement built by quoting could break or change: every kind of quote, the
// characters other dialects give a meaning, line and paragraph separators, control characters,
// characters outside the Basic Multilingual Plane and characters only GB18030 (not GBK) holds.
std::vector<std::string> HardTexts() {
  std::string controls;
  for (char c = 1; c < 0x20; ++c) controls += c;
  controls += '\x7F';
  return {
      "'",
      "''",
      "'); delete from G_GCCS; --",
      "\"",
      "\"G_QF\"",
      "`",
      "\\",
      "\\'",
      "[G_GCCS]",
      "#2024-01-01#",
      "% _ * ? & | ; :name @p $x ?1",
      "/* not a comment */ -- nor this",
      "\r",
      "\n",
      "\r\n",
      "\t",
      "a\rb\nc\r\nd\n\re",
      controls,
      "\u2028\u2029",
      "\uFEFF BOM in the middle \uFEFF",
      "\u200B\u200D",
      "😀 👨‍👩‍👧 🇨🇳",
      "𠀀 𪚥 㐀 䶵 龦",
      "e\u0301 ¥ € ·",
      "  leading and trailing  ",
      "x'41'",
      "1'2",
  };
}

TEST_F(RobustnessTest, EveryKindOfQuoteAndControlCharacterIsSavedAndRestoredUnchanged) {
  const std::vector<std::string> texts = HardTexts();
  NewProject();
  for (size_t first = 0; first < texts.size(); first += std::size(kWordFields)) {
    TfrmMain& form = Open();
    std::map<std::string, std::string> typed;
    for (size_t k = 0; k < std::size(kWordFields) && first + k < texts.size(); ++k) {
      typed[kWordFields[k]] = texts[first + k];
      Type(form, kWordFields[k], texts[first + k]);
    }
    ASSERT_TRUE(form.RequestClose());
    const auto stored = Stored(db_);
    TfrmMain& again = Open();
    for (const auto& [field, text] : typed) {
      EXPECT_EQ(At(stored, field), text) << field;
      EXPECT_EQ(again.Text(field), text) << field;
    }
    ASSERT_TRUE(again.RequestClose());
  }
  EXPECT_TRUE(ui_.messages.empty()) << ui_.messages.front();
  // No text escaped its quotes: the table still holds exactly the form's keys, once each.
  EXPECT_EQ(Stored(db_).size(), kSavedKeys);
}

TEST_F(RobustnessTest, AllHardTextsInOneFieldComeBackUnchanged) {
  std::string all;
  for (const std::string& text : HardTexts()) all += text;
  NewProject();
  TfrmMain& form = Open();
  Type(form, "T_46", all);
  ASSERT_TRUE(form.RequestClose());
  EXPECT_EQ(At(Stored(db_), "T_46"), all);
  EXPECT_EQ(Open().Text("T_46"), all);
  EXPECT_TRUE(ui_.messages.empty());
}

// SaveParam quotes the value into its statement, and SQLite reads a statement only up to a NUL
// byte: a text with a NUL inside cannot be saved. The auditor is told, and the key keeps the row it
// had instead of being cut or emptied.
TEST_F(RobustnessTest, FieldWithANulByteKeepsItsStoredRowAndTheOtherFieldsAreSaved) {
  NewProject({{"T_46", "old"}});
  TfrmMain& form = Open();
  Type(form, "T_46", std::string("before\0after", 12));
  Type(form, "T_47", "saved");
  ASSERT_TRUE(form.RequestClose());
  EXPECT_EQ(ui_.messages,
            (std::vector<std::string>{"[TORVA] unrecognized token: \"'before\"",
                                      "[TORVA] 有 1 项参数未能保存到项目数据库，它们保留上次保存的值。"}));
  const auto stored = Stored(db_);
  EXPECT_EQ(At(stored, "T_46"), "old");
  EXPECT_EQ(At(stored, "T_47"), "saved");
  EXPECT_EQ(stored.size(), kSavedKeys);
}

// ---- fee expressions ----

// Expressions that design_fees_test does not try: other statements and table access in other
// spellings, characters from outside ASCII that look like arithmetic, and texts far beyond any fee
// expression (nested, long, or both).
std::vector<std::string> MoreHostileExpressions() {
  return {
      "attach database 'x.db' as x",
      "pragma writable_schema=1",
      "abs((select count(*) from G_QF))",
      "round(1,(select 2))",
      "[G_QF]",
      "\"G_QF\"",
      "`G_QF`",
      "1 union all select 2",
      "1;\tdelete from P_ZHZ",
      "1\ndelete from P_ZHZ",
      "load_extension('x')",
      "1；delete from G_QF",
      "１+１",
      "1 #",
      std::string("1\0; delete from G_QF", 20),
      std::string(200000, '(') + "1" + std::string(200000, ')') + "/2",
      [] {  // each division becomes a nested call of the translation
        std::string text;
        for (int i = 0; i < 5000; ++i) text += "1/";
        return text + "1";
      }(),
      [] {
        std::string text;
        for (int i = 0; i < 100000; ++i) text += "abs(";
        return text + "1" + std::string(100000, ')');
      }(),
  };
}

// Arithmetic that SQLite evaluates without an error but without a number either.
const char* const kNoNumber[] = {"1%0", "1e308*10", "-(1e308*1e308)", "1e309", "1e999-1e999"};

class FeeExpressionTest : public RobustnessTest {
 protected:
  TfrmMain& OpenDemo() {
    NewProject();
    RunSql(db_, ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/demo_project.sql"));
    TfrmMain& form = Open();
    ui_.messages.clear();
    return form;
  }

  // Types `text` into both expressions and presses Enter in each, with and without the one-stage
  // factor; expects one error for each and no fee written.
  void ExpectRefused(TfrmMain& form, const std::string& text) {
    for (bool one_stage : {false, true}) {
      SCOPED_TRACE(text.substr(0, 60) + (one_stage ? " (one-stage)" : ""));
      form.model().check_box("RzCB_KC").on_click = nullptr;  // the state without an evaluation
      form.SetChecked("RzCB_KC", one_stage);
      ui_.messages.clear();
      for (const char* field : {"T_SJF", "T_KCF"}) {
        Type(form, field, text);
        form.UserAction([&] { form.model().edit(field).KeyDown(form::kKeyEnter); });
      }
      ASSERT_EQ(ui_.messages.size(), 2u);
      for (const std::string& m : ui_.messages) EXPECT_TRUE(m.starts_with("[TORVA] ")) << m;
      EXPECT_EQ(form.Text("T_32"), "");
      EXPECT_EQ(form.Text("T_30"), "");
    }
  }
};

TEST_F(FeeExpressionTest, MoreHostileTextsAreRefusedAndTheDatabaseIsUnchanged) {
  TfrmMain& form = OpenDemo();
  const std::string before = Dump(db_);
  for (const std::string& text : MoreHostileExpressions()) ExpectRefused(form, text);
  EXPECT_EQ(Dump(db_), before);
}

TEST_F(FeeExpressionTest, ArithmeticWithoutAFiniteValueIsRefusedAndWritesNoFee) {
  TfrmMain& form = OpenDemo();
  for (const char* text : kNoNumber) {
    ExpectRefused(form, text);
    EXPECT_EQ(ui_.messages.back(), "[TORVA] 计算式的结果不是有效的数：" + std::string(text) +
                                       (std::string(text).ends_with(')') ? "" : "."));
  }
}

// ---- SJKS.txt ----

TEST_F(RobustnessTest, ListOfBinaryGarbageIsReportedAndNeitherItNorTheParametersAreTouched) {
  NewProject({{"D_2", "12.35"}, {"T_46", "kept"}});
  const std::string garbage = RandomBytes(256 * 1024, 17);  // NUL bytes and invalid sequences
  WriteFile(list_path(), garbage);
  const std::string before = Dump(db_);
  TfrmMain& form = Open();
  EXPECT_EQ(
      ui_.messages,
      std::vector<std::string>{
          "[TORVA] 主程序目录下的系数列表文件 SJKS.txt 既不是 UTF-8 文本，也不是 GB18030 文本."});
  EXPECT_EQ(form.Tag(), 0);
  ASSERT_TRUE(form.RequestClose());
  EXPECT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ReadFile(list_path()), garbage);
  EXPECT_EQ(Dump(db_), before);
}

TEST_F(RobustnessTest, TenMegabyteListIsReadAndWrittenBackWhole) {
  NewProject();
  std::string list;
  size_t lines = 0;
  char line[64];
  while (list.size() < 10 * 1024 * 1024) {
    std::snprintf(line, sizeof line, "下浮%08zu\r\n", lines++);
    list += line;
  }
  WriteFile(list_path(), list);  // sorted already, CRLF: the close writes the same bytes
  TfrmMain& form = Open();
  EXPECT_TRUE(ui_.messages.empty());
  const std::vector<std::string>& items = form.model().coefficient().items();
  ASSERT_EQ(items.size(), lines);
  EXPECT_EQ(items.front(), "下浮00000000");
  EXPECT_EQ(items.back(), "下浮" + std::string(line).substr(6, 8));
  ASSERT_TRUE(form.RequestClose());
  EXPECT_TRUE(ReadFile(list_path()) == list);
}

TEST_F(RobustnessTest, ListInAReadOnlyFolderIsKeptAndTheParametersAreSaved) {
  NewProject({{"T_46", "old"}});
  const std::string list = "65\n45";
  WriteFile(list_path(), list);
  // The form runs in a child as an unprivileged user (root ignores a folder's permissions): the
  // host folder may be read but not written, the project file and its folder may be written.
  fs::permissions(dir_, fs::perms::all);
  fs::permissions(db_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                           fs::perms::group_write | fs::perms::others_read |
                           fs::perms::others_write);
  fs::permissions(host(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec);
  const fs::path transcript = dir_ / "dialogs.txt";
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      ::_exit(100);
    }
    int outcome = 0;
    {
      RecordingUi ui;
      ui.answers = {false, true};
      TfrmMain form(Context(), ui);
      form.Show();
      Type(form, "T_46", "new");
      if (form.RequestClose()) outcome |= 1;  // "no": must stay open
      if (form.RequestClose()) outcome |= 2;  // "yes": closes without the list
      std::ofstream out(transcript);
      for (const std::string& m : ui.messages) out << m << '\n';
    }
    ::_exit(outcome);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 100) GTEST_SKIP() << "root here cannot become an unprivileged user";
  EXPECT_EQ(WEXITSTATUS(status), 2);
  const std::string question =
      "[提示信息] 系数列表无法保存到 SJKS.txt。是否不保存系数列表直接关闭？";
  EXPECT_EQ(ReadFile(transcript),
            "[TORVA] 系数列表无法保存到主程序目录下的 SJKS.txt：Permission denied.\n" + question +
                " -> no\n"
                "[TORVA] 系数列表无法保存到主程序目录下的 SJKS.txt：Permission denied.\n" +
                question + " -> yes\n");
  EXPECT_EQ(At(Stored(db_), "T_46"), "new");
  EXPECT_EQ(ReadFile(list_path()), list);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(host())) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Data", "SJKS.txt"}));
}

}  // namespace
}  // namespace torva::audit
