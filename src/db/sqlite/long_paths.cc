#include "db/sqlite/long_paths.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstring>

namespace torva::db::sqlite {
namespace {

constexpr const char* kVfsName = "torva-long-paths";
constexpr const char* kFolderPrefix = "/proc/self/fd/";
// Below SQLite's limit with room for the journal's suffix.
constexpr std::size_t kLongestPlainPath = 400;

sqlite3_vfs* Base() { return sqlite3_vfs_find(nullptr); }

// A name through an open folder is already the absolute name to open: resolving it, as the default
// layer does with every link in a path, would give the long path back.
int FullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
  if (std::strncmp(name, kFolderPrefix, std::strlen(kFolderPrefix)) == 0 &&
      std::strlen(name) < static_cast<std::size_t>(size)) {
    std::strcpy(out, name);
    return SQLITE_OK;
  }
  sqlite3_vfs* base = Base();
  return base->xFullPathname(base, name, size, out);
}

// The default layer with FullPathname, registered once (not as the default).
bool Register() {
  static const bool registered = [] {
    sqlite3_vfs* base = Base();
    if (base == nullptr) return false;
    static sqlite3_vfs layer = *base;
    layer.zName = kVfsName;
    layer.pNext = nullptr;
    layer.xFullPathname = FullPathname;
    return sqlite3_vfs_register(&layer, 0) == SQLITE_OK;
  }();
  return registered;
}

}  // namespace

OpenableName::OpenableName(const std::string& path) : name_(path) {
  // A relative path that begins with "file:" would be read as a URI by an SQLite built to accept
  // URIs everywhere; "./" keeps it a plain file name.
  if (path.size() >= 5 && sqlite3_strnicmp(path.c_str(), "file:", 5) == 0) name_ = "./" + path;
  if (path.size() <= kLongestPlainPath || !Register()) return;
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash + 1 >= path.size()) return;
  const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  folder_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder_ < 0) return;  // SQLite then reports the path it cannot open
  name_ = kFolderPrefix + std::to_string(folder_) + "/" + path.substr(slash + 1);
}

OpenableName::~OpenableName() {
  if (folder_ >= 0) ::close(folder_);
}

const char* OpenableName::vfs() const { return folder_ >= 0 ? kVfsName : nullptr; }

}  // namespace torva::db::sqlite
