#include "lib/host_folder.h"

#include <sys/auxv.h>
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace torva::lib {

std::string WithTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::optional<std::string> HostFolder() {
  const auto* started_as = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
  if (started_as == nullptr || *started_as == '\0') return std::nullopt;
  std::error_code ec;
  const std::filesystem::path path = std::filesystem::absolute(started_as, ec);
  if (ec) return std::nullopt;
  // The path is only trusted while it still leads to the program that is running.
  struct stat named {}, running {};
  if (stat(path.c_str(), &named) != 0 || stat("/proc/self/exe", &running) != 0) return std::nullopt;
  if (named.st_dev != running.st_dev || named.st_ino != running.st_ino) return std::nullopt;
  return WithTrailingSlash(path.lexically_normal().parent_path().string());
}

}  // namespace torva::lib
