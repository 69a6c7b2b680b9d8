// libtorva.so.0 exports OpenForm and nothing else, under its symbol version: read its dynamic symbol
// table as a host's linker sees it.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

// "NAME@@VERSION" (or "NAME" without a version) of every symbol libtorva.so.0 defines in its dynamic
// symbol table.
std::set<std::string> DefinedDynamicSymbols(std::string* error) {
  const std::string command =
      "nm -D --defined-only '" TORVA_BINARY_DIR "/libtorva.so.0' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    *error = "cannot run nm";
    return {};
  }
  std::string output;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  if (pclose(pipe) != 0) {
    *error = output;
    return {};
  }
  std::set<std::string> names;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    // "ADDRESS TYPE NAME[@@VERSION]"
    std::istringstream words(line);
    std::string address, type, name;
    if (words >> address >> type >> name) names.insert(name);
  }
  return names;
}

// A C++ name would show mangled (_Z8OpenForm...), any other definition as a name of its own, an
// unversioned OpenForm without "@@TORVA_0". The version node itself is listed as a symbol too.
TEST(LibraryExports, OnlyOpenFormIsExportedUnderItsVersion) {
  std::string error;
  const std::set<std::string> names = DefinedDynamicSymbols(&error);
  ASSERT_TRUE(error.empty()) << error;
  EXPECT_EQ(names, std::set<std::string>({"OpenForm@@TORVA_0", "TORVA_0"}));
}

}  // namespace
