#include "host/host_setup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "lib/host_folder.h"

namespace fs = std::filesystem;

namespace torva::host {

namespace {

constexpr char kLinkName[] = "torva-host";

std::optional<fs::path> RealExecutableFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return std::nullopt;
  return exe.parent_path();
}

bool SameFile(const fs::path& a, const fs::path& b) {
  struct stat sa {}, sb {};
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string Normalized(const std::string& folder) {
  std::error_code ec;
  fs::path path = fs::absolute(folder, ec);
  if (ec) path = folder;
  return lib::WithTrailingSlash(path.lexically_normal().string());
}

// Makes `link` a symbolic link to `target`, replacing a link that leads elsewhere or nowhere; refuses
// to replace anything that is not a link.
bool EnsureLink(const fs::path& link, const fs::path& target, std::string* error) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(link, ec);
  if (fs::is_symlink(status)) {
    if (SameFile(link, target)) return true;
    fs::remove(link, ec);
  } else if (fs::exists(status)) {
    if (SameFile(link, target)) return true;
    *error = link.string() + " exists and is not a link to " + target.string();
    return false;
  }
  fs::create_symlink(target, link, ec);
  if (ec) {
    *error = "cannot create " + link.string() + ": " + ec.message();
    return false;
  }
  return true;
}

std::optional<std::string> UserFolder(std::string* error) {
  const char* data_home = std::getenv("XDG_DATA_HOME");
  fs::path base;
  if (data_home != nullptr && *data_home == '/') {
    base = data_home;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
    base = fs::path(home) / ".local" / "share";
  } else {
    *error = "neither XDG_DATA_HOME nor HOME names a folder for the coefficient list";
    return std::nullopt;
  }
  return (base / "torva").string() + "/";
}

}  // namespace

std::optional<std::string> Companion(const std::string& build_name, const std::string& installed) {
  const std::optional<fs::path> folder = RealExecutableFolder();
  if (!folder) return std::nullopt;
  std::error_code ec;
  if (fs::exists(*folder / build_name, ec)) return (*folder / build_name).string();
  const fs::path path = (*folder / installed).lexically_normal();
  if (fs::exists(path, ec)) return path.string();
  return std::nullopt;
}

std::optional<std::string> LibraryPath() {
  return Companion("libtorva.so.0", TORVA_BIN_TO_LIBDIR "/libtorva.so.0");
}

std::optional<std::string> QtModulePath() {
  return Companion("torva-host-qt.so", TORVA_BIN_TO_LIBDIR "/torva/torva-host-qt.so");
}

std::optional<std::string> InstalledFeeStandard() {
  const std::optional<fs::path> folder = RealExecutableFolder();
  if (!folder) return std::nullopt;
  const fs::path path = (*folder / TORVA_BIN_TO_DATADIR "/torva/GL.mgl").lexically_normal();
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  return path.string();
}

std::optional<std::string> ChooseHostFolder(const std::string& requested, std::string* error) {
  if (!requested.empty()) return Normalized(requested);
  const std::optional<std::string> own = lib::HostFolder();
  std::error_code ec;
  if (own && fs::exists(*own + "Data/GL.mgl", ec)) return own;
  if (const std::optional<std::string> fees = InstalledFeeStandard()) {
    const std::optional<std::string> user = UserFolder(error);
    if (!user) return std::nullopt;
    fs::create_directories(*user + "Data", ec);
    if (ec) {
      *error = "cannot create " + *user + "Data: " + ec.message();
      return std::nullopt;
    }
    // A fee standard the user put there (a copy, a link of their own) stays; a missing one or a link
    // left dangling by a move of the installation is made anew.
    if (!fs::exists(*user + "Data/GL.mgl", ec) && !EnsureLink(*user + "Data/GL.mgl", *fees, error)) {
      return std::nullopt;
    }
    return user;
  }
  if (!own) *error = "the folder torva-host was started from cannot be determined";
  return own;
}

bool IsOwnHostFolder(const std::string& folder) {
  const std::optional<std::string> own = lib::HostFolder();
  return own && *own == Normalized(folder);
}

void ReexecFrom(const std::string& folder, char** argv, std::string* error) {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) {
    *error = "cannot read /proc/self/exe: " + ec.message();
    return;
  }
  const fs::path link = fs::path(Normalized(folder)) / kLinkName;
  if (!EnsureLink(link, exe, error)) return;
  execv(link.c_str(), argv);
  *error = "cannot start " + link.string() + ": " + std::error_code(errno, std::generic_category()).message();
}

}  // namespace torva::host
