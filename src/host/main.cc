// torva-host: the stand-in host program. It has no Qt of its own: script mode, --init, --export and
// --summary run on the headless form or without one; window mode loads libtorva and calls OpenForm
// as any host would; snapshots and PDF reports load the private Qt module torva-host-qt.so on first
// use.
//
//   torva-host [--host-folder DIR] [--script FILE] [--snapshot DIR] PROJECT_DB [STAGE [TEXT3 [TEXT4 [OWNER [CONTRACTOR]]]]]
//   torva-host --report FILE.pdf PROJECT_DB [STAGE ...]
//   torva-host --export FILE.xlsx PROJECT_DB [STAGE ...]
//   torva-host --summary OUT.xlsx|OUT.csv PROJECT_DB...
//   torva-host --init PROJECT_DB
#include <dlfcn.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/data_source.h"
#include "host/host_setup.h"
#include "host/qt_module.h"
#include "host/runtime_dir.h"
#include "host/script_runner.h"
#include "report/summary.h"
#include "report/workbook.h"

namespace {

constexpr const char* kUsage =
    "usage: torva-host [--host-folder DIR] [--script FILE] [--snapshot DIR] PROJECT_DB "
    "[STAGE [TEXT3 [TEXT4 [OWNER [CONTRACTOR]]]]]\n"
    "       torva-host [--host-folder DIR] --report FILE.pdf PROJECT_DB [STAGE ...]\n"
    "       torva-host [--host-folder DIR] --export FILE.xlsx PROJECT_DB [STAGE ...]\n"
    "       torva-host --summary OUT.xlsx|OUT.csv PROJECT_DB...\n"
    "       torva-host --init PROJECT_DB\n";

std::optional<double> ParseAmount(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

int InitProject(const std::string& path) {
  try {
    torva::db::CreateProjectDatabase(path);
  } catch (const std::exception& e) {
    // A server's URI may hold a password: its own words name the database instead.
    std::cerr << "torva-host: cannot create "
              << (torva::db::IsFileSource(path) ? path : std::string("the project database"))
              << ": " << e.what() << '\n';
    return 1;
  }
  return 0;
}

// `symbol` of the library found at `path`, loaded once and kept for the rest of the process.
void* LoadSymbol(const std::optional<std::string>& path, const char* what, const char* symbol) {
  if (!path) {
    std::cerr << "torva-host: " << what << " is neither beside torva-host nor installed\n";
    return nullptr;
  }
  void* handle = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::cerr << "torva-host: " << dlerror() << '\n';
    return nullptr;
  }
  void* found = dlsym(handle, symbol);
  if (found == nullptr) std::cerr << "torva-host: " << *path << " has no " << symbol << '\n';
  return found;
}

using OpenFormFn = void (*)(const char*, const char*, const char*, const char*, double, double);

int RunWindow(const torva::audit::FormContext& c) {
  torva::host::UsePrivateRuntimeDirOffscreen();
  auto open_form = reinterpret_cast<OpenFormFn>(
      LoadSymbol(torva::host::LibraryPath(), "libtorva.so.0", "OpenForm"));
  if (open_form == nullptr) return 1;
  open_form(c.db_path.c_str(), c.stage.c_str(), c.text3.c_str(), c.text4.c_str(), c.owner_amount,
            c.contractor_amount);
  return 0;
}

int RunSnapshot(const torva::audit::FormContext& c, const std::string& dir) {
  auto snapshot = reinterpret_cast<TorvaHostSnapshotFn>(
      LoadSymbol(torva::host::QtModulePath(), "torva-host-qt.so", kTorvaHostSnapshot));
  if (snapshot == nullptr) return 1;
  const TorvaHostContext context{c.db_path.c_str(), c.stage.c_str(),  c.text3.c_str(),
                                 c.text4.c_str(),   c.owner_amount,    c.contractor_amount,
                                 c.host_folder.c_str()};
  return snapshot(&context, dir.c_str());
}

// The report command of script mode: the Qt module is loaded by the first report, not before.
std::string WriteReport(const torva::audit::TfrmMain& form, const std::string& pdf_path) {
  static const auto write = reinterpret_cast<TorvaHostWriteReportFn>(
      LoadSymbol(torva::host::QtModulePath(), "torva-host-qt.so", kTorvaHostWriteReport));
  if (write == nullptr) return "审计报表不能生成：缺少 torva-host-qt.so";
  return write(&form, pdf_path.c_str());
}

struct Options {
  std::string host_folder, script, snapshot, report, export_to, summary, init;
  std::vector<std::string> positional;
};

// Returns false on a malformed command line. "--" ends the options: a project path that begins
// with "--" follows it.
bool ParseArguments(int argc, char** argv, Options* o) {
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (options_ended) {
      o->positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    auto value = [&](std::string& into) {
      if (i + 1 >= argc || *argv[i + 1] == '\0') return false;
      into = argv[++i];
      return true;
    };
    bool ok = true;
    if (arg == "--host-folder") {
      ok = value(o->host_folder);
    } else if (arg == "--script") {
      ok = value(o->script);
    } else if (arg == "--snapshot") {
      ok = value(o->snapshot);
    } else if (arg == "--report") {
      ok = value(o->report);
    } else if (arg == "--export") {
      ok = value(o->export_to);
    } else if (arg == "--summary") {
      ok = value(o->summary);
    } else if (arg == "--init") {
      ok = value(o->init);
    } else if (arg.size() > 2 && arg.rfind("--", 0) == 0) {
      ok = false;
    } else {
      o->positional.push_back(arg);
    }
    if (!ok) return false;
  }
  const int modes = !o->script.empty() + !o->snapshot.empty() + !o->report.empty() +
                    !o->export_to.empty() + !o->summary.empty();
  if (!o->init.empty()) return modes == 0 && o->positional.empty() && o->host_folder.empty();
  if (!o->summary.empty()) return modes == 1 && !o->positional.empty() && o->host_folder.empty();
  return modes <= 1 && !o->positional.empty() && o->positional.size() <= 6;
}

// Runs one command of script mode on the form opened as a host opens it, then closes it (which
// saves, as any close does). 0 when the command's file was written and the form ended.
int RunOneCommand(const torva::audit::FormContext& context, const std::string& command) {
  bool written = false;
  std::istringstream script(command + "\n");
  const int status = torva::host::RunScript(
      context, script, std::cout, std::cerr,
      [&](const torva::audit::TfrmMain& form, const std::string& pdf_path) {
        std::string report_error = WriteReport(form, pdf_path);
        written = report_error.empty();
        if (!written) std::cerr << "torva-host: " << report_error << '\n';
        return report_error;
      },
      [&](const torva::audit::TfrmMain& form, const std::string& xlsx_path) {
        std::string export_error = torva::report::WriteReportWorkbook(form, xlsx_path);
        written = export_error.empty();
        return export_error;
      });
  // A form that closed before the command (a failed connection) wrote nothing either.
  return status != 0 ? status : written ? 0 : 1;
}

// The summary of many projects, read from their saved fields alone. Progress goes to standard error
// when the run is long enough to wait for.
int RunSummary(const std::string& out, const std::vector<std::string>& projects) {
  constexpr std::size_t kShowProgressFrom = 50;
  const bool show = projects.size() >= kShowProgressFrom;
  const std::size_t step = std::max<std::size_t>(1, projects.size() / 100);
  const torva::report::Table summary = torva::report::BuildSummary(
      projects, [&](std::size_t done, std::size_t total) {
        if (show && (done % step == 0 || done == total)) {
          std::cerr << "\rtorva-host: " << done << " / " << total << std::flush;
          if (done == total) std::cerr << '\n';
        }
      });
  const std::string error = torva::report::WriteSummary(summary, out);
  if (!error.empty()) {
    std::cerr << "torva-host: " << error << '\n';
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  Options options;
  if (!ParseArguments(argc, argv, &options)) {
    std::cerr << kUsage;
    return 2;
  }
  if (!options.init.empty()) return InitProject(options.init);
  if (!options.summary.empty()) return RunSummary(options.summary, options.positional);

  const std::vector<std::string>& positional = options.positional;
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

  std::string error;
  const std::optional<std::string> host_folder =
      torva::host::ChooseHostFolder(options.host_folder, &error);
  if (!host_folder) {
    std::cerr << "torva-host: no host folder: " << error << '\n';
    return 1;
  }
  context.host_folder = *host_folder;

  if (!options.script.empty()) {
    if (options.script == "-") {
      return torva::host::RunScript(context, std::cin, std::cout, std::cerr, WriteReport,
                                    torva::report::WriteReportWorkbook);
    }
    std::ifstream in(options.script, std::ios::binary);
    if (!in) {
      std::cerr << "torva-host: cannot read " << options.script << '\n';
      return 2;
    }
    return torva::host::RunScript(context, in, std::cout, std::cerr, WriteReport,
                                  torva::report::WriteReportWorkbook);
  }
  if (!options.report.empty()) return RunOneCommand(context, "report " + options.report);
  if (!options.export_to.empty()) return RunOneCommand(context, "export " + options.export_to);
  if (!options.snapshot.empty()) return RunSnapshot(context, options.snapshot);

  // The library takes the folder of its host's executable: to give it another one, start again
  // from there.
  if (!torva::host::IsOwnHostFolder(context.host_folder)) {
    std::vector<char*> args(argv, argv + argc);
    std::string flag = "--host-folder";
    bool has_flag = false;
    for (char* arg : args) {
      if (std::string(arg) == "--") break;  // what follows is no option
      has_flag = has_flag || flag == arg;
    }
    std::string folder = context.host_folder;
    if (!has_flag) {
      args.insert(args.begin() + 1, {flag.data(), folder.data()});
    }
    args.push_back(nullptr);
    torva::host::ReexecFrom(context.host_folder, args.data(), &error);
    std::cerr << "torva-host: " << error << '\n';
    return 1;
  }
  return RunWindow(context);
}
