// Project files at paths longer than SQLite's file layer takes (about 500 bytes; Linux allows
// 4,096, which a host folder deep in Chinese folder names reaches).
#pragma once

#include <string>

namespace torva::db::sqlite {

// A name SQLite can open for the file at `path`, and the file-layer (VFS) to open it with. A path
// short enough is itself, with the default layer. A longer one is named through its folder, held
// open by this object: "/proc/self/fd/N/NAME", which the kernel resolves to the same folder, so
// that SQLite's journal lands beside the file as always; the layer keeps that name as it is
// instead of resolving it back into the long path. Keep the object as long as the connection.
class OpenableName {
 public:
  explicit OpenableName(const std::string& path);
  ~OpenableName();
  OpenableName(const OpenableName&) = delete;
  OpenableName& operator=(const OpenableName&) = delete;

  const std::string& name() const { return name_; }
  const char* vfs() const;  // null for the default layer

 private:
  std::string name_;
  int folder_ = -1;  // the open folder of a long path, else -1
};

}  // namespace torva::db::sqlite
