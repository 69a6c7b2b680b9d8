#include "host/runtime_dir.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace torva::host {

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Removes the folder when the process ends normally (returning from main or exit()).
struct PrivateRuntimeDir {
  std::string path;
  ~PrivateRuntimeDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

}  // namespace

void UsePrivateRuntimeDirOffscreen() {
  if (IsSet("XDG_RUNTIME_DIR")) return;
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform == nullptr || std::string(platform) != "offscreen") return;
  static PrivateRuntimeDir dir;
  if (!dir.path.empty()) return;
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(IsSet("TMPDIR") ? tmp : "/tmp") + "/torva-runtime-XXXXXX";
  // mkdtemp makes the folder with mode 0700, as the XDG base directory rules ask.
  if (mkdtemp(pattern.data()) == nullptr) return;  // Qt then falls back on a folder of its own
  dir.path = pattern;
  setenv("XDG_RUNTIME_DIR", dir.path.c_str(), 1);
}

}  // namespace torva::host
