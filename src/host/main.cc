// torva-host: the stand-in host program.
//
//   torva-host [--host-folder DIR] [--script FILE] [--snapshot DIR] PROJECT_DB [STAGE [TEXT3 [TEXT4 [OWNER [CONTRACTOR]]]]]
//   torva-host --init PROJECT_DB
//
// Window mode (default) loads libtorva.so with dlopen and calls OpenForm, exactly as a host would.
// Script mode replays user actions headless; snapshot mode writes a PNG of each page.
#include <dlfcn.h>

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "audit/host_folder.h"
#include "host/script_runner.h"
#include "host/snapshot.h"
#include "project_schema.h"

namespace {

constexpr const char* kUsage =
    "usage: torva-host [--host-folder DIR] [--script FILE] [--snapshot DIR] PROJECT_DB "
    "[STAGE [TEXT3 [TEXT4 [OWNER [CONTRACTOR]]]]]\n"
    "       torva-host --init PROJECT_DB\n";

std::optional<double> ParseAmount(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

int InitProject(const std::string& path) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  char* error = nullptr;
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, torva::host::kProjectSchemaSql, nullptr, nullptr, &error);
  if (rc != SQLITE_OK) {
    std::cerr << "torva-host: cannot create " << path << ": "
              << (error ? error : sqlite3_errmsg(db)) << '\n';
    sqlite3_free(error);
    sqlite3_close(db);
    return 1;
  }
  sqlite3_close(db);
  return 0;
}

using OpenFormFn = void (*)(const char*, const char*, const char*, const char*, double, double);

int RunWindow(const torva::audit::FormContext& c) {
  const std::string library = torva::audit::HostFolder() + "libtorva.so";
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::cerr << "torva-host: " << dlerror() << '\n';
    return 1;
  }
  auto open_form = reinterpret_cast<OpenFormFn>(dlsym(handle, "OpenForm"));
  if (open_form == nullptr) {
    std::cerr << "torva-host: " << library << " has no OpenForm\n";
    return 1;
  }
  open_form(c.db_path.c_str(), c.stage.c_str(), c.text3.c_str(), c.text4.c_str(), c.owner_amount,
            c.contractor_amount);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string host_folder, script, snapshot, init;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    bool ok = true;
    if (arg == "--host-folder") {
      ok = value(host_folder);
    } else if (arg == "--script") {
      ok = value(script);
    } else if (arg == "--snapshot") {
      ok = value(snapshot);
    } else if (arg == "--init") {
      ok = value(init);
    } else if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg.size() > 2 && arg.rfind("--", 0) == 0) {
      ok = false;
    } else {
      positional.push_back(arg);
    }
    if (!ok) {
      std::cerr << kUsage;
      return 2;
    }
  }
  if (!init.empty()) return InitProject(init);
  if (positional.empty() || positional.size() > 6) {
    std::cerr << kUsage;
    return 2;
  }

  torva::audit::FormContext context;
  context.db_path = positional[0];
  if (positional.size() > 1) context.stage = positional[1];
  if (positional.size() > 2) context.text3 = positional[2];
  if (positional.size() > 3) context.text4 = positional[3];
  for (size_t k = 4; k < positional.size(); ++k) {
    const auto amount = ParseAmount(positional[k]);
    if (!amount) {
      std::cerr << "torva-host: '" << positional[k] << "' is not an amount\n";
      return 2;
    }
    (k == 4 ? context.owner_amount : context.contractor_amount) = *amount;
  }
  if (!host_folder.empty()) {
    // The library finds its host folder itself; tell it where to look.
    setenv("TORVA_HOST_FOLDER", host_folder.c_str(), 1);
  }
  context.host_folder = torva::audit::HostFolder();

  if (!script.empty()) {
    if (script == "-") return torva::host::RunScript(context, std::cin, std::cout, std::cerr);
    std::ifstream in(script, std::ios::binary);
    if (!in) {
      std::cerr << "torva-host: cannot read " << script << '\n';
      return 2;
    }
    return torva::host::RunScript(context, in, std::cout, std::cerr);
  }
  if (!snapshot.empty()) return torva::host::RunSnapshot(context, snapshot, argc, argv);
  return RunWindow(context);
}
