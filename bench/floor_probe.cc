// The memory floor of a headless open-close: the SQLite floor (floor.h) opens the project at stage
// "4" and closes it, once, in a process that links nothing but SQLite. `make bench` runs it as a
// child and reads its peak resident memory, beside the same for `torva-host --script`.
//
//   floor_probe PROJECT_DB HOST_FOLDER
#include <cstdio>
#include <exception>

#include "floor.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: floor_probe PROJECT_DB HOST_FOLDER\n");
    return 2;
  }
  const torva_bench::FloorContext context = torva_bench::ProbeContext(argv[1], argv[2]);
  try {
    torva_bench::FloorForm floor(context);
    floor.Open();
    floor.Close();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "floor_probe: %s\n", e.what());
    return 1;
  }
  return 0;
}
