// SJKS.txt on disk: read within bounds, replaced without ever losing the old list, never written
// through a file planted beside it, and what killed writers left behind removed with care.
#include "audit/coefficient_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "text/error.h"
#include "unit/form_test_support.h"

namespace torva::audit {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

const std::string kCannotWrite = "系数列表无法保存到主程序目录下的 SJKS.txt：";

class CoefficientFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::MakeTempFolder("torva-list");
    list_ = dir_ / "SJKS.txt";
  }
  void TearDown() override {
    FailListWritesAt(ListWriteStep::kNone, 0);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  static std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
  }
  static unsigned Mode(const fs::path& path) {
    struct stat file;
    if (::stat(path.c_str(), &file) != 0) return ~0u;
    return file.st_mode & 07777;
  }
  // The reason an unreadable list at `list_` gives, or "read" when it was read.
  std::string ReasonOfUnreadable() const {
    try {
      ReadCoefficientFile(list_.string());
      return "read";
    } catch (const UnreadableListError& e) {
      EXPECT_NE(std::string(e.what()).find("SJKS.txt"), std::string::npos) << e.what();
      return e.reason();
    }
  }

  fs::path dir_;
  fs::path list_;
};

// ---- reading ----

TEST_F(CoefficientFileTest, ReadsTheItemsAndTheEncodingOfTheFile) {
  WriteFile(list_, "65\r\n\xBE\xC5\xCE\xE5\xD5\xDB\r\n");  // "九五折" in code page 936
  const std::optional<CoefficientFile> list = ReadCoefficientFile(list_.string());
  ASSERT_TRUE(list.has_value());
  EXPECT_EQ(list->items, (std::vector<std::string>{"65", "九五折"}));
  EXPECT_EQ(list->encoding, ListEncoding::kGb18030);
  EXPECT_FALSE(ReadCoefficientFile((dir_ / "none.txt").string()).has_value());
}

// A list is a few lines; a file past 1 MB is something else and is not read at all.
TEST_F(CoefficientFileTest, FileLargerThanOneMegabyteIsRefusedUnread) {
  WriteFile(list_, std::string(kMaxListFileBytes - 4, '7') + "\r\n5\n");
  ASSERT_EQ(fs::file_size(list_), kMaxListFileBytes);
  EXPECT_EQ(ReasonOfUnreadable(), "read");
  WriteFile(list_, std::string(kMaxListFileBytes - 4, '7') + "\r\n55\n");
  EXPECT_EQ(ReasonOfUnreadable(), "它大于 1 MB，不是系数列表");
  // Sparse: what reading it would cost shows as time and memory, not as disk.
  fs::resize_file(list_, std::uintmax_t{64} << 20);
  EXPECT_EQ(ReasonOfUnreadable(), "它大于 1 MB，不是系数列表");
}

TEST_F(CoefficientFileTest, UnreadableFileTellsWhy) {
  WriteFile(list_, "45\r\n\x80\xFF\r\n");
  EXPECT_EQ(ReasonOfUnreadable(), "它既不是 UTF-8 文本，也不是 GB18030 文本");
  fs::remove(list_);
  fs::create_directory(list_);
  EXPECT_EQ(ReasonOfUnreadable(), "它不是普通文件");
}

// ---- writing ----

TEST_F(CoefficientFileTest, KeepsTheModeAndOwnerOfTheFileItReplaces) {
  WriteFile(list_, "45\r\n");
  fs::permissions(list_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // Only root may give the file away; anyone else checks the mode alone.
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(list_.c_str(), 65534, 65534), 0);
  }
  WriteCoefficientFile(list_.string(), {"45", "55"});
  EXPECT_EQ(ReadFile(list_), "45\r\n55\r\n");
  struct stat replaced;
  ASSERT_EQ(::stat(list_.c_str(), &replaced), 0);
  EXPECT_EQ(replaced.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(replaced.st_uid, 65534u);
    EXPECT_EQ(replaced.st_gid, 65534u);
  }
}

// A list of mode 000 (read by a privileged user) written back as 000 could never be opened again.
TEST_F(CoefficientFileTest, ListOfMode000IsWrittenBackReadableAndWritableByItsOwner) {
  WriteFile(list_, "45\r\n");
  fs::permissions(list_, fs::perms::group_read | fs::perms::others_read);
  WriteCoefficientFile(list_.string(), {"45", "55"});
  EXPECT_EQ(Mode(list_), 0644u);
  fs::permissions(list_, fs::perms::none);
  WriteCoefficientFile(list_.string(), {"45"});
  EXPECT_EQ(Mode(list_), 0600u);
  EXPECT_EQ(ReadFile(list_), "45\r\n");
}

TEST_F(CoefficientFileTest, WritesTheEncodingItIsGiven) {
  WriteCoefficientFile(list_.string(), {"45", "九五折"}, ListEncoding::kGb18030);
  EXPECT_EQ(ReadFile(list_), "45\r\n\xBE\xC5\xCE\xE5\xD5\xDB\r\n");
  WriteCoefficientFile(list_.string(), {"45", "九五折"});
  EXPECT_EQ(ReadFile(list_), "45\r\n九五折\r\n");
}

// Whoever may write the host folder could once predict the temporary file's name and plant a link
// there: the close then wrote through it into the file it led to and left SJKS.txt a link.
TEST_F(CoefficientFileTest, LinkPlantedAtAPredictableNameIsNeverWrittenThrough) {
  const fs::path victim = dir_ / "victim";
  WriteFile(victim, "not a list");
  fs::permissions(victim, fs::perms::owner_read | fs::perms::owner_write);
  const fs::path planted = dir_ / ("SJKS.txt." + std::to_string(::getpid()) + ".tmp");
  fs::create_symlink(victim, planted);
  WriteFile(list_, "45\r\n");
  WriteCoefficientFile(list_.string(), {"45", "55"});
  EXPECT_EQ(ReadFile(victim), "not a list");
  EXPECT_EQ(Mode(victim), 0600u);
  EXPECT_FALSE(fs::is_symlink(list_));
  EXPECT_EQ(ReadFile(list_), "45\r\n55\r\n");
  EXPECT_TRUE(fs::is_symlink(planted));
  EXPECT_EQ(Names(dir_), (std::set<std::string>{"SJKS.txt", "victim", planted.filename()}));
}

TEST_F(CoefficientFileTest, ListThatIsASymbolicLinkIsReplacedWhereItLeadsAndStaysALink) {
  fs::create_directory(dir_ / "shared");
  const fs::path target = dir_ / "shared" / "list.txt";
  WriteFile(target, "45\r\n");
  fs::create_symlink("shared/list.txt", list_);
  WriteCoefficientFile(list_.string(), {"45", "70"});
  ASSERT_TRUE(fs::is_symlink(list_));
  EXPECT_EQ(fs::read_symlink(list_), "shared/list.txt");
  EXPECT_EQ(ReadFile(target), "45\r\n70\r\n");
  EXPECT_EQ(Names(dir_ / "shared"), std::set<std::string>{"list.txt"});
}

// Anybody else who may write the host folder could otherwise choose which file of the auditor's the
// list overwrites.
TEST_F(CoefficientFileTest, LinkThatAnotherUserMadeIsNotFollowed) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can make a link another user's";
  const fs::path target = dir_ / "victim";
  WriteFile(target, "not a list");
  fs::create_symlink(target, list_);
  ASSERT_EQ(::lchown(list_.c_str(), 65534, 65534), 0);
  try {
    WriteCoefficientFile(list_.string(), {"45"});
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.what(), kCannotWrite + "它是其他用户建立的符号链接，系数列表不经由它写入");
  }
  EXPECT_EQ(ReadFile(target), "not a list");
  EXPECT_TRUE(fs::is_symlink(list_));
  // The owner of the folder may make links in it that everybody follows.
  ASSERT_EQ(::chown(dir_.c_str(), 65534, 65534), 0);
  WriteCoefficientFile(list_.string(), {"45"});
  EXPECT_EQ(ReadFile(target), "45\r\n");
}

TEST_F(CoefficientFileTest, LinkThatLeadsNowhereIsReportedAndStays) {
  fs::create_symlink(dir_ / "gone" / "list.txt", list_);
  try {
    WriteCoefficientFile(list_.string(), {"45"});
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.what(), kCannotWrite + "它是符号链接，指向的文件无法使用（" +
                            std::strerror(ENOENT) + "）");
  }
  EXPECT_TRUE(fs::is_symlink(list_));
  EXPECT_EQ(Names(dir_), std::set<std::string>{"SJKS.txt"});
}

// Whichever step of the replacement fails, the old list is there as it was and nothing else is.
TEST_F(CoefficientFileTest, FailureAtAnyStepLeavesTheOldListAndNoTemporaryFile) {
  const std::string old_list = "65\n45";
  WriteFile(list_, old_list);
  const struct {
    ListWriteStep step;
    int error;
  } faults[] = {{ListWriteStep::kWrite, ENOSPC},
                {ListWriteStep::kSync, EIO},
                {ListWriteStep::kRename, EXDEV}};
  for (const auto& fault : faults) {
    SCOPED_TRACE(std::strerror(fault.error));
    FailListWritesAt(fault.step, fault.error);
    try {
      WriteCoefficientFile(list_.string(), {"45", "55"});
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), kCannotWrite + std::strerror(fault.error));
    }
    EXPECT_EQ(ReadFile(list_), old_list);
    EXPECT_EQ(Names(dir_), std::set<std::string>{"SJKS.txt"});
  }
  FailListWritesAt(ListWriteStep::kNone, 0);
  WriteCoefficientFile(list_.string(), {"45", "55"});
  EXPECT_EQ(ReadFile(list_), "45\r\n55\r\n");
}

// ---- leftovers of killed writers ----

std::string DeadPid() {
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  EXPECT_GT(gone, 0);
  EXPECT_EQ(::waitpid(gone, nullptr, 0), gone);
  return std::to_string(gone);
}

TEST_F(CoefficientFileTest, OnlyRegularFilesOfThisUserNamedAsTheFormNamesThemAreRemoved) {
  const std::string dead = DeadPid();
  const std::string hex = ".0123456789abcdef.tmp";
  const std::set<std::string> stale = {"SJKS.txt." + dead + hex,
                                       "SJKS.txt." + std::to_string(::getpid()) + hex};
  const std::set<std::string> kept_files = {
      "SJKS.txt." + std::to_string(::getppid()) + hex,  // a writer still running
      "SJKS.txt." + dead + ".0123456789ABCDEF.tmp",      // not a name the form makes
      "SJKS.txt." + dead + ".0123456789abcde.tmp",
      "SJKS.txt.0" + dead + hex,
      "SJKS.txt." + dead + ".tmp",
      "notes." + dead + hex,
      "SJKS.txt." + dead + hex + ".bak"};
  for (const std::string& name : stale) WriteFile(dir_ / name, "45\r\n");
  for (const std::string& name : kept_files) WriteFile(dir_ / name, "45\r\n");
  // Named as the form names them, but not what it makes: a pipe (which must not hold the close),
  // a link (whose target must stay), a folder.
  const fs::path pipe = dir_ / ("SJKS.txt." + dead + ".1111111111111111.tmp");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  const fs::path link = dir_ / ("SJKS.txt." + dead + ".2222222222222222.tmp");
  WriteFile(dir_ / "target", "kept");
  fs::create_symlink(dir_ / "target", link);
  const fs::path folder = dir_ / ("SJKS.txt." + dead + ".3333333333333333.tmp");
  fs::create_directory(folder);
  std::set<std::string> expected = kept_files;
  expected.insert({pipe.filename(), link.filename(), folder.filename(), "target"});
  // Another user's file, where this user may make one (root).
  if (::geteuid() == 0) {
    const fs::path foreign = dir_ / ("SJKS.txt." + dead + ".4444444444444444.tmp");
    WriteFile(foreign, "45\r\n");
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    expected.insert(foreign.filename());
  }
  RemoveStaleTemporaries(list_.string());
  EXPECT_EQ(Names(dir_), expected);
  EXPECT_EQ(ReadFile(dir_ / "target"), "kept");
}

}  // namespace
}  // namespace torva::audit
