// Files the form cannot use as it would: a project file that refuses every write of the save
// (read-only, on a full disk, damaged, its table gone) and a list file that is a pipe. A save that
// cannot succeed is told once, with its cause, and the auditor chooses between closing without the
// parameters and staying; the file keeps what it held. A pipe never holds the form.
#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "audit/tfrm_main.h"
#include "unit/form_test_support.h"

namespace torva::audit {
namespace {

namespace fs = std::filesystem;
using torva::testing::ContextFor;
using torva::testing::CreateProject;
using torva::testing::Dump;
using torva::testing::MakeTempFolder;
using torva::testing::ReadFile;
using torva::testing::RecordingUi;
using torva::testing::RunSql;
using torva::testing::WriteFile;

// A child's exit status when it could not become what the test needs (an unprivileged user, a
// process with mounts of its own); the test is then skipped.
constexpr int kCannotArrange = 100;
// RunInChild's result for a child that did not end in time.
constexpr int kHung = -1;

enum class As { kThisUser, kUnprivileged, kOwnMounts };

// Runs `body` in a child process; its result is the exit status. A child still running after
// `limit` is killed. kUnprivileged makes a root child the user nobody (file modes do not stop
// root); kOwnMounts gives the child mounts that vanish with it.
int RunInChild(const std::function<int()>& body, As as,
               std::chrono::seconds limit = std::chrono::seconds(30)) {
  const pid_t child = ::fork();
  if (child < 0) return kCannotArrange;
  if (child == 0) {
    if (as == As::kUnprivileged && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      ::_exit(kCannotArrange);
    }
    if (as == As::kOwnMounts &&
        (::unshare(CLONE_NEWNS) != 0 ||
         ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)) {
      ::_exit(kCannotArrange);
    }
    ::_exit(body());
  }
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      return kHung;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

const std::string kQuestion =
    "[提示信息] 参数无法保存到项目数据库。是否不保存参数直接关闭？（选“否”保持窗口打开，稍后再关闭"
    "。）";

// A project with automatic refresh off and "old" in T_46, in a folder that an unprivileged child
// may use, beside a host folder with the small fee standard.
class UnsavableFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempFolder("torva-unsavable");
    fs::create_directories(host() / "Data");
    RunSql(host() / "Data/GL.mgl",
           ReadFile(fs::path(TORVA_SOURCE_DIR) / "tests/data/small_fees.sql"));
    db_ = dir_ / "project.db";
    CreateProject(db_);
    RunSql(db_,
           "insert into G_GCCS values(-1,'Auto','0');"
           "insert into G_GCCS values(-1,'T_46','old');");
    for (const fs::path& path : {dir_, host(), db_}) {
      fs::permissions(path, fs::perms::all);
    }
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::all, ignored);
    fs::remove_all(dir_, ignored);
  }

  FormContext Context(const fs::path& db) const { return ContextFor(db, host()); }

  // In a child: shows a form on `db`, types "new" into T_46 and closes twice, answering the
  // question "no" and then "yes"; `between` runs between the closes. Every dialog goes into the
  // transcript. The exit status has bit 0 set when the first close ended the form, bit 1 when the
  // second did.
  int TypeAndCloseTwice(const fs::path& db, const std::function<void(std::ostream&)>& between) {
    RecordingUi ui;
    ui.answers = {false, true};
    TfrmMain form(Context(db), ui);
    form.Show();
    form.UserAction([&] { form.SetText("T_46", "new"); });
    int outcome = form.RequestClose() ? 1 : 0;
    std::ofstream out(transcript());
    for (const std::string& m : ui.messages) out << m << '\n';
    ui.messages.clear();
    if (between) between(out);
    if (form.RequestClose()) outcome |= 2;
    for (const std::string& m : ui.messages) out << m << '\n';
    return outcome;
  }

  // The auditor's answers "no" and "yes" to a save that cannot succeed for `cause`.
  static std::string AskedTwice(const std::string& cause) {
    const std::string told = "[TORVA] " + cause + ".\n";
    return told + kQuestion + " -> no\n" + told + kQuestion + " -> yes\n";
  }

  fs::path host() const { return dir_ / "host"; }
  fs::path list_path() const { return host() / "SJKS.txt"; }
  // In the host folder: the project's folder may be read-only.
  fs::path transcript() const { return host() / "dialogs.txt"; }

  fs::path dir_;
  fs::path db_;
  RecordingUi ui_;
};

// ---- a project file that cannot be written ----

TEST_F(UnsavableFilesTest, ReadOnlyFileIsToldOnceAndTheAuditorChoosesToStayOrLeave) {
  fs::permissions(db_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string bytes = ReadFile(db_);
  const int status = RunInChild([&] { return TypeAndCloseTwice(db_, nullptr); }, As::kUnprivileged);
  if (status == kCannotArrange) GTEST_SKIP() << "root here cannot become an unprivileged user";
  EXPECT_EQ(status, 2);  // "no" kept the form open, "yes" closed it
  EXPECT_EQ(ReadFile(transcript()),
            AskedTwice("项目数据库文件只读，无法保存：attempt to write a readonly database"));
  EXPECT_TRUE(ReadFile(db_) == bytes);
  EXPECT_EQ(ReadFile(list_path()), "45\r\n65\r\n");  // the close went on to the list
}

TEST_F(UnsavableFilesTest, ProjectInAReadOnlyFolderIsToldOnceAsSuchAndLeftAsItWas) {
  // The file may be written, but its folder refuses the journal that every write needs: the
  // auditor is told which of the two to fix.
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                            fs::perms::group_exec | fs::perms::others_read |
                            fs::perms::others_exec);
  const std::string bytes = ReadFile(db_);
  const int status = RunInChild([&] { return TypeAndCloseTwice(db_, nullptr); }, As::kUnprivileged);
  fs::permissions(dir_, fs::perms::all);
  if (status == kCannotArrange) GTEST_SKIP() << "root here cannot become an unprivileged user";
  EXPECT_EQ(status, 2);
  EXPECT_EQ(ReadFile(transcript()),
            AskedTwice("项目数据库文件所在的文件夹只读（文件本身可写），无法保存："
                       "attempt to write a readonly database"));
  EXPECT_TRUE(ReadFile(db_) == bytes);
  EXPECT_FALSE(fs::exists(dir_ / "project.db-journal"));
}

// The project lives on a small file system of the child's own that is full when the form closes;
// once space is freed, the next close saves.
TEST_F(UnsavableFilesTest, FullDiskIsToldOnceAndTheCloseAfterSpaceIsFreedSaves) {
  const fs::path disk = dir_ / "disk";
  fs::create_directory(disk);
  const int status = RunInChild(
      [&] {
        if (::mount("tmpfs", disk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k") != 0) {
          return kCannotArrange;
        }
        const fs::path db = disk / "project.db";
        const fs::path filler = disk / "filler";
        fs::copy_file(db_, db);
        {
          std::FILE* file = std::fopen(filler.c_str(), "wb");
          const std::string block(4096, 'x');
          while (std::fwrite(block.data(), 1, block.size(), file) == block.size() &&
                 std::fflush(file) == 0) {
          }
          std::fclose(file);
        }
        RecordingUi ui;
        ui.answers = {false};
        TfrmMain form(Context(db), ui);
        form.Show();
        form.UserAction([&] { form.SetText("T_46", "new"); });
        int outcome = form.RequestClose() ? 1 : 0;
        std::ofstream out(transcript());
        for (const std::string& m : ui.messages) out << m << '\n';
        out << "kept: " << (Dump(db).find("-1|T_46|old|") != std::string::npos) << '\n';
        fs::remove(filler);
        if (form.RequestClose()) outcome |= 2;
        out << "saved: " << (Dump(db).find("-1|T_46|new|") != std::string::npos) << '\n';
        out << "dialogs after freeing space: " << ui.messages.size() - 2 << '\n';
        return outcome;
      },
      As::kOwnMounts);
  if (status == kCannotArrange) GTEST_SKIP() << "no small file system can be mounted here";
  EXPECT_EQ(status, 2);
  EXPECT_EQ(ReadFile(transcript()),
            "[TORVA] 项目数据库所在的磁盘已满，无法保存：database or disk is full.\n" + kQuestion +
                " -> no\n"
                "kept: 1\n"
                "saved: 1\n"
                "dialogs after freeing space: 0\n");
}

// ---- a damaged project file ----

// Writes `bytes` at `offset` into the first page of `table`, as a failing disk would.
void DamageTable(const fs::path& db_path, const std::string& table, long offset,
                 const std::string& bytes) {
  const auto rows = torva::testing::Select(
      db_path, "select rootpage, (select page_size from pragma_page_size()) as page_size "
               "from sqlite_master where name='" + table + "'");
  ASSERT_EQ(rows.size(), 1u);
  const long page = std::stol(rows[0].at(0));
  const long page_size = std::stol(rows[0].at(1));
  std::fstream file(db_path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp((page - 1) * page_size + offset);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The damage lies where only a write looks (the page's list of free space): the form loads, and
// the save meets the damage at its first key.
TEST_F(UnsavableFilesTest, DamageFoundBySaveIsToldOnceAndTheFileIsLeftAsItWas) {
  DamageTable(db_, "G_GCCS", 1, "\xFF\xFF");
  const std::string bytes = ReadFile(db_);
  EXPECT_EQ(TypeAndCloseTwice(db_, nullptr), 2);
  EXPECT_EQ(ReadFile(transcript()),
            AskedTwice("项目数据库文件已损坏，无法保存：database disk image is malformed"));
  EXPECT_TRUE(ReadFile(db_) == bytes);
}

// The damage lies in a table no statement of the form reads: only the check made when the project
// opens finds it, and the save then writes nothing into the damaged file.
TEST_F(UnsavableFilesTest, DamageNoStatementReadsIsFoundAtOpeningAndNothingIsWritten) {
  std::string rows;
  for (int i = 0; i < 200; ++i) rows += "insert into Notes values(" + std::to_string(i) + ", 'x');";
  RunSql(db_, "begin; create table Notes(N integer, T text);" + rows + "commit;");
  DamageTable(db_, "Notes", 0, std::string(8, '\xFF'));
  const std::string bytes = ReadFile(db_);
  EXPECT_EQ(TypeAndCloseTwice(db_, nullptr), 2);
  EXPECT_EQ(ReadFile(transcript()),
            AskedTwice("项目数据库文件已损坏，无法保存：database disk image is malformed"));
  EXPECT_TRUE(ReadFile(db_) == bytes);
}

// The damage breaks reading the rows: the load ends at its select, having reached no key, so the
// close has nothing to write and leaves without asking.
TEST_F(UnsavableFilesTest, DamageFoundByTheLoadLeavesNothingToSave) {
  DamageTable(db_, "G_GCCS", 0, std::string(8, '\xFF'));
  const std::string bytes = ReadFile(db_);
  TfrmMain form(Context(db_), ui_);
  form.Show();
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"[TORVA] 数据库文件已损坏：database disk image is malformed."});
  EXPECT_TRUE(form.RequestClose());
  EXPECT_EQ(ui_.messages.size(), 1u);
  EXPECT_TRUE(ReadFile(db_) == bytes);
}

TEST_F(UnsavableFilesTest, TableRemovedWhileTheFormIsOpenIsToldOnce) {
  TfrmMain form(Context(db_), ui_);
  form.Show();
  form.UserAction([&] { form.SetText("T_46", "new"); });
  RunSql(db_, "drop table G_GCCS;");
  ui_.answers = {true};
  EXPECT_TRUE(form.RequestClose());
  EXPECT_EQ(ui_.messages, (std::vector<std::string>{
                              "[TORVA] 项目数据库缺少参数表，无法保存：no such table: G_GCCS.",
                              kQuestion + " -> yes"}));
  EXPECT_EQ(Dump(db_).find("G_GCCS"), std::string::npos);  // not created again
}

// ---- a list file that is a pipe ----

TEST_F(UnsavableFilesTest, ListThatIsAPipeIsUnreadableAtOnceAndStaysAPipe) {
  ASSERT_EQ(::mkfifo(list_path().c_str(), 0644), 0);
  const int status = RunInChild(
      [&] {
        RecordingUi ui;
        TfrmMain form(Context(db_), ui);
        form.Show();
        const bool closed = form.RequestClose();
        std::ofstream out(transcript());
        for (const std::string& m : ui.messages) out << m << '\n';
        return closed ? 0 : 1;
      },
      As::kThisUser, std::chrono::seconds(10));
  ASSERT_NE(status, kHung) << "the form waited for a writer of the pipe";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFile(transcript()),
            "[TORVA] 无法读取主程序目录下的系数列表文件 SJKS.txt：它不是普通文件.\n");
  EXPECT_TRUE(fs::is_fifo(list_path()));
}

}  // namespace
}  // namespace torva::audit
