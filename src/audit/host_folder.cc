#include "audit/host_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace torva::audit {

std::string WithTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string HostFolder() {
  if (const char* forced = std::getenv("TORVA_HOST_FOLDER"); forced != nullptr && *forced != '\0') {
    return WithTrailingSlash(forced);
  }
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "./";
  return WithTrailingSlash(exe.parent_path().string());
}

}  // namespace torva::audit
