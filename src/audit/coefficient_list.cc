#include "audit/coefficient_list.h"

#include <fcntl.h>
#include <iconv.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "text/error.h"
#include "text/strings.h"

namespace torva::audit {

namespace {

// The list file always lives in the host folder, so the text names it without the folder.
constexpr std::string_view kCannotDecode =
    "主程序目录下的系数列表文件 SJKS.txt 既不是 UTF-8 文本，也不是 GB18030 文本";

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kCannotRead = "无法读取主程序目录下的系数列表文件 SJKS.txt：";
constexpr std::string_view kCannotWrite = "系数列表无法保存到主程序目录下的 SJKS.txt：";
constexpr std::string_view kNotAFile = "它不是普通文件";
constexpr std::string_view kTemporarySuffix = ".tmp";

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

// The process id in the name of a temporary file of the list at `base` (BASE.<pid>.tmp), or 0 when
// the name is not one.
pid_t TemporaryFilePid(std::string_view name, std::string_view base) {
  if (!name.starts_with(base) || !name.ends_with(kTemporarySuffix)) return 0;
  name.remove_prefix(base.size());
  name.remove_suffix(kTemporarySuffix.size());
  if (name.size() < 2 || name.front() != '.' || name[1] == '0') return 0;
  name.remove_prefix(1);
  long pid = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
  if (error != std::errc() || end != name.data() + name.size() || pid <= 0 || pid > INT_MAX) {
    return 0;
  }
  return static_cast<pid_t>(pid);
}

// GB18030 (the superset of code page 936 in which Windows writes Chinese text) to UTF-8.
std::optional<std::string> Gb18030ToUtf8(std::string_view bytes) {
  iconv_t cd = iconv_open("UTF-8", "GB18030");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(bytes.size() * 4 + 16, '\0');
  char* in_ptr = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char* out_ptr = out.data();
  size_t out_left = out.size();
  const size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  const bool ok = rc != static_cast<size_t>(-1) &&
                  iconv(cd, nullptr, nullptr, &out_ptr, &out_left) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (!ok || in_left != 0) return std::nullopt;
  out.resize(out.size() - out_left);
  return out;
}

// Lines ended by CR, LF or CR LF; an empty line is an item; a last line without an ending counts.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace

std::vector<std::string> DecodeCoefficientList(std::string_view bytes) {
  std::string text;
  if (text::IsValidUtf8(bytes)) {
    text = bytes;
    // A byte-order mark written by an editor is no part of the first item.
    if (text.starts_with(kByteOrderMark)) text.erase(0, kByteOrderMark.size());
  } else if (std::optional<std::string> converted = Gb18030ToUtf8(bytes)) {
    text = std::move(*converted);
  } else {
    throw Error(std::string(kCannotDecode));
  }
  return SplitLines(text);
}

std::string EncodeCoefficientList(const std::vector<std::string>& items) {
  std::string content;
  // Reading drops one byte-order mark; an item that itself begins with U+FEFF keeps it only when
  // the file begins with a mark of its own.
  if (!items.empty() && items.front().starts_with(kByteOrderMark)) content = kByteOrderMark;
  for (const std::string& item : items) {
    content += item;
    content += "\r\n";
  }
  return content;
}

std::optional<std::vector<std::string>> ReadCoefficientFile(const std::string& path) {
  // O_NONBLOCK: a pipe without a writer would otherwise hold the form before its window appears.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd.valid()) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    throw Error(std::string(kCannotRead) + SystemErrorText(errno));
  }
  struct stat file;
  if (::fstat(fd.get(), &file) != 0) throw Error(std::string(kCannotRead) + SystemErrorText(errno));
  if (!S_ISREG(file.st_mode)) throw Error(std::string(kCannotRead) + std::string(kNotAFile));
  std::string bytes;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Error(std::string(kCannotRead) + SystemErrorText(errno));
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  return DecodeCoefficientList(bytes);
}

void WriteCoefficientFile(const std::string& path, const std::vector<std::string>& items) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string temp = path + "." + std::to_string(::getpid()) + std::string(kTemporarySuffix);
  FileDescriptor fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  // Nothing was created, so nothing is removed.
  if (!fd.valid()) throw Error(std::string(kCannotWrite) + SystemErrorText(errno));
  const auto fail = [&temp](int error) {
    ::unlink(temp.c_str());
    throw Error(std::string(kCannotWrite) + SystemErrorText(error));
  };
  struct stat old_file;
  if (::stat(path.c_str(), &old_file) == 0 && S_ISREG(old_file.st_mode)) {
    // Only a privileged process may give a file away; anyone else keeps being its owner. The mode
    // comes after the owner, which may clear its set-id bits.
    (void)!::fchown(fd.get(), old_file.st_uid, old_file.st_gid);
    ::fchmod(fd.get(), old_file.st_mode & 07777);
  }
  if (!WriteAll(fd.get(), EncodeCoefficientList(items)) || ::fsync(fd.get()) != 0) fail(errno);
  if (!fd.Close()) fail(errno);
  if (::rename(temp.c_str(), path.c_str()) != 0) fail(errno);
  // Make the rename itself durable; a folder that cannot be synced changes nothing for the list.
  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
}

void RemoveStaleTemporaries(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path list(path);
  const std::string base = list.filename().string();
  std::error_code error;
  fs::directory_iterator entries(list.parent_path(), error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    const pid_t pid = TemporaryFilePid(entries->path().filename().string(), base);
    if (pid == 0) continue;
    // ESRCH: no such process. EPERM means it runs under another user.
    if (pid != ::getpid() && (::kill(pid, 0) == 0 || errno != ESRCH)) continue;
    std::error_code ignored;
    if (entries->symlink_status(ignored).type() != fs::file_type::regular) continue;
    ::unlink(entries->path().c_str());
  }
}

}  // namespace torva::audit
