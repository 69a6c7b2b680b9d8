#include "audit/coefficient_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string_view>

namespace torva::audit {

namespace {

constexpr std::string_view kCannotRead = "无法读取主程序目录下的系数列表文件 SJKS.txt：";
constexpr std::string_view kCannotWrite = "系数列表无法保存到主程序目录下的 SJKS.txt：";
constexpr std::string_view kNotAFile = "它不是普通文件";
constexpr std::string_view kTooLarge = "它大于 1 MB，不是系数列表";
constexpr std::string_view kNotText = "它既不是 UTF-8 文本，也不是 GB18030 文本";
constexpr std::string_view kLinkLeadsNowhere = "它是符号链接，指向的文件无法使用（";
constexpr std::string_view kLinkOfAnother = "它是其他用户建立的符号链接，系数列表不经由它写入";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr size_t kRandomDigits = 16;
// Names already taken by someone else are tried again under new ones, but not for ever.
constexpr int kNameAttempts = 64;

// The fault that tests may ask WriteCoefficientFile to meet.
ListWriteStep injected_step = ListWriteStep::kNone;
int injected_error = 0;

// Whether the test seam says that `step` fails now; errno is then the injected error.
bool Injected(ListWriteStep step) {
  if (injected_step != step) return false;
  errno = injected_error;
  return true;
}

// A file descriptor closed when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now; false when close itself reports a failure (a write it completes failed).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

std::string SystemErrorText(int error) { return std::strerror(error); }

[[noreturn]] void ThrowUnreadable(std::string_view reason) {
  throw UnreadableListError(std::string(kCannotRead) + std::string(reason), std::string(reason));
}

[[noreturn]] void ThrowCannotWrite(std::string_view reason) {
  throw Error(std::string(kCannotWrite) + std::string(reason));
}

bool WriteAll(int fd, std::string_view bytes) {
  if (Injected(ListWriteStep::kWrite)) return false;
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

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

// The file that a write of the list at `path` replaces: `path` itself, or the file a symbolic link
// there leads to, so that the link stays a link. A link is followed only when this user or the
// owner of its folder made it (as the system itself does in shared folders): a link that anybody
// else who may write the folder planted would otherwise choose which of this user's files the
// list overwrites.
std::string ReplacedFile(const std::string& path) {
  struct stat link;
  if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  struct stat folder;
  if (link.st_uid != ::geteuid() &&
      (::stat(FolderOf(path).c_str(), &folder) != 0 || folder.st_uid != link.st_uid)) {
    ThrowCannotWrite(kLinkOfAnother);
  }
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) {
    const int error = errno;
    ThrowCannotWrite(std::string(kLinkLeadsNowhere) + SystemErrorText(error) + "）");
  }
  std::string target(resolved);
  std::free(resolved);
  return target;
}

// PATH.<pid>.<16 random hex digits>.tmp: the pid tells a leftover of a killed writer from a write
// in progress; the random part makes the name one that nobody can prepare in advance.
std::string TemporaryName(const std::string& path) {
  static std::random_device device;
  const unsigned long long random =
      (static_cast<unsigned long long>(device()) << 32) | static_cast<unsigned long long>(device());
  char digits[kRandomDigits + 1];
  std::snprintf(digits, sizeof digits, "%016llx", random);
  return path + "." + std::to_string(::getpid()) + "." + digits + std::string(kTemporarySuffix);
}

// The process id in the name of a temporary file of the list named `base`
// (BASE.<pid>.<16 hex digits>.tmp), or 0 when the name is not one.
pid_t TemporaryFilePid(std::string_view name, std::string_view base) {
  if (!name.starts_with(base) || !name.ends_with(kTemporarySuffix)) return 0;
  name.remove_prefix(base.size());
  name.remove_suffix(kTemporarySuffix.size());
  // ".<pid>.<hex>"
  if (name.size() < kRandomDigits + 3 || name.front() != '.') return 0;
  const std::string_view random = name.substr(name.size() - kRandomDigits);
  if (name[name.size() - kRandomDigits - 1] != '.' ||
      random.find_first_not_of("0123456789abcdef") != std::string_view::npos) {
    return 0;
  }
  const std::string_view pid_text = name.substr(1, name.size() - kRandomDigits - 2);
  if (pid_text.empty() || pid_text.front() == '0') return 0;
  long pid = 0;
  const auto [end, error] =
      std::from_chars(pid_text.data(), pid_text.data() + pid_text.size(), pid);
  if (error != std::errc() || end != pid_text.data() + pid_text.size() || pid <= 0 ||
      pid > INT_MAX) {
    return 0;
  }
  return static_cast<pid_t>(pid);
}

// Whether the process `pid` may still be writing: it runs (EPERM: it runs under another user).
bool Running(pid_t pid) { return pid != ::getpid() && (::kill(pid, 0) == 0 || errno != ESRCH); }

// Whether `name` in the folder open as `folder` is a regular file of this process's user, checked
// on the file itself as opened (never following a link, never waiting on a pipe) and on the name.
bool IsOwnRegularFile(int folder, const char* name) {
  struct stat by_name;
  if (::fstatat(folder, name, &by_name, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(by_name.st_mode)) {
    return false;
  }
  FileDescriptor fd(
      ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat opened;
  return fd.valid() && ::fstat(fd.get(), &opened) == 0 && S_ISREG(opened.st_mode) &&
         opened.st_uid == ::geteuid() && opened.st_dev == by_name.st_dev &&
         opened.st_ino == by_name.st_ino;
}

}  // namespace

std::optional<CoefficientFile> ReadCoefficientFile(const std::string& path) {
  // O_NONBLOCK: a pipe without a writer would otherwise hold the form before its window appears.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd.valid()) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    ThrowUnreadable(SystemErrorText(errno));
  }
  struct stat file;
  if (::fstat(fd.get(), &file) != 0) ThrowUnreadable(SystemErrorText(errno));
  if (!S_ISREG(file.st_mode)) ThrowUnreadable(kNotAFile);
  if (static_cast<unsigned long long>(file.st_size) > kMaxListFileBytes) ThrowUnreadable(kTooLarge);
  std::string bytes;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowUnreadable(SystemErrorText(errno));
    }
    bytes.append(buffer, static_cast<size_t>(n));
    // A file that grows while it is read is read no further than the bound either.
    if (bytes.size() > kMaxListFileBytes) ThrowUnreadable(kTooLarge);
  }
  CoefficientFile list;
  try {
    list.items = DecodeCoefficientList(bytes, &list.encoding);
  } catch (const Error& e) {
    throw UnreadableListError(e.what(), std::string(kNotText));
  }
  return list;
}

void WriteCoefficientFile(const std::string& path, const std::vector<std::string>& items,
                          ListEncoding encoding) {
  const std::string content = EncodeCoefficientList(items, encoding);
  const std::string target = ReplacedFile(path);
  std::string temp;
  int created = -1;
  for (int attempt = 0; attempt < kNameAttempts && created < 0; ++attempt) {
    temp = TemporaryName(target);
    // O_EXCL: never a file, a link or a pipe that is already there; O_NOFOLLOW says so twice.
    created = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (created < 0 && errno != EEXIST) break;
  }
  FileDescriptor fd(created);
  // Nothing was created, so nothing is removed.
  if (!fd.valid()) ThrowCannotWrite(SystemErrorText(errno));
  const auto fail = [&temp](int error) {
    ::unlink(temp.c_str());
    ThrowCannotWrite(SystemErrorText(error));
  };
  struct stat old_file;
  if (::stat(target.c_str(), &old_file) == 0 && S_ISREG(old_file.st_mode)) {
    // Only a privileged process may give a file away; anyone else keeps being its owner. The mode
    // comes after the owner, which may clear its set-id bits. A list its owner could not read (a
    // file of mode 000 that only a privileged process read) would be lost to every later opening.
    (void)!::fchown(fd.get(), old_file.st_uid, old_file.st_gid);
    ::fchmod(fd.get(), (old_file.st_mode & 07777) | S_IRUSR | S_IWUSR);
  }
  if (!WriteAll(fd.get(), content)) fail(errno);
  if (Injected(ListWriteStep::kSync) || ::fsync(fd.get()) != 0) fail(errno);
  if (!fd.Close()) fail(errno);
  if (Injected(ListWriteStep::kRename) || ::rename(temp.c_str(), target.c_str()) != 0) fail(errno);
  // Make the rename itself durable; a folder that cannot be synced changes nothing for the list.
  FileDescriptor dir(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
}

void RemoveStaleTemporaries(const std::string& path) {
  std::string target = path;
  try {
    target = ReplacedFile(path);
  } catch (const Error&) {
    // A link that leads nowhere has no temporaries beside its target.
  }
  const std::string base = target.substr(target.rfind('/') + 1);
  FileDescriptor folder(
      ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.valid()) return;
  // fdopendir takes over the descriptor it is given; the folder's own stays for the checks.
  DIR* entries = ::fdopendir(::fcntl(folder.get(), F_DUPFD_CLOEXEC, 0));
  if (entries == nullptr) return;
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(entries)) {
    const pid_t pid = TemporaryFilePid(entry->d_name, base);
    if (pid != 0 && !Running(pid)) stale.emplace_back(entry->d_name);
  }
  ::closedir(entries);
  for (const std::string& name : stale) {
    if (IsOwnRegularFile(folder.get(), name.c_str())) ::unlinkat(folder.get(), name.c_str(), 0);
  }
}

void FailListWritesAt(ListWriteStep step, int error) {
  injected_step = step;
  injected_error = error;
}

}  // namespace torva::audit
