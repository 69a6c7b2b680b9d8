// Fuzzes the script reader of torva-host: any bytes as a script, replayed on the form over a fixed
// small project (the demo project and the fee standard) in a scratch folder. The form must never
// crash, whatever the commands, names and texts; what it prints goes nowhere.
//
// Every run starts from the same files: the project database and SJKS.txt are written back before
// each input, so that one input's save cannot change how the next one runs.
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "audit/tfrm_main.h"
#include "host/script_runner.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "script_fuzz: %s\n", what.c_str());
  std::abort();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot read " + path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) Fail("cannot write " + path);
}

void RunSql(const std::string& db_path, const std::string& sql) {
  sqlite3* db = nullptr;
  char* error = nullptr;
  if (sqlite3_open(db_path.c_str(), &db) != SQLITE_OK ||
      sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    Fail(db_path + ": " + (error ? error : sqlite3_errmsg(db)));
  }
  sqlite3_close(db);
}

class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

constexpr const char* kCoefficientList = "45\r\n65\r\n";

struct Project {
  std::string folder;  // the host folder, ending in '/'
  std::string db_path;
  std::string db_bytes;
};

const Project& FixedProject() {
  static const Project project = [] {
    // Shared memory when there is some: the form syncs what it saves, and a disk sync per input
    // would make the fuzzer crawl.
    std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/torva-script-fuzz-XXXXXX"
                                                        : "/tmp/torva-script-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) Fail("cannot create a scratch folder");
    Project p;
    p.folder = pattern + "/";
    if (mkdir((p.folder + "Data").c_str(), 0755) != 0) Fail("cannot create Data/");
    RunSql(p.folder + "Data/GL.mgl", ReadFile(TORVA_SOURCE_DIR "/data/fee_standard.sql"));
    p.db_path = p.folder + "project.db";
    RunSql(p.db_path, ReadFile(TORVA_SOURCE_DIR "/data/project_schema.sql"));
    RunSql(p.db_path, ReadFile(TORVA_SOURCE_DIR "/data/demo_project.sql"));
    p.db_bytes = ReadFile(p.db_path);
    // The scratch folder goes when the fuzzer ends normally; after a crash it stays for a look.
    // (Its own copy of the name: the project itself is gone by the time atexit handlers run.)
    static const std::string* const scratch = new std::string(p.folder);
    std::atexit([] { std::filesystem::remove_all(*scratch); });
    return p;
  }();
  return project;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Project& project = FixedProject();
  WriteFile(project.db_path, project.db_bytes);
  unlink((project.db_path + "-journal").c_str());
  WriteFile(project.folder + "SJKS.txt", kCoefficientList);

  torva::audit::FormContext context;
  context.db_path = project.db_path;
  context.stage = "4";
  context.owner_amount = 12.5;
  context.contractor_amount = 3;
  context.host_folder = project.folder;

  std::istringstream script(std::string(reinterpret_cast<const char*>(data), size));
  NullBuffer null_buffer;
  std::ostream out(&null_buffer);
  const int status = torva::host::RunScript(context, script, out, out,
                                            [](const auto&, const std::string&) { return std::string("report"); });
  if (status != 0 && status != 3) Fail("RunScript returned " + std::to_string(status));
  return 0;
}
