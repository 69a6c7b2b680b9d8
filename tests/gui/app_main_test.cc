// The GUI tests' main: the process's QApplication (offscreen unless a platform is chosen), then
// GoogleTest. One more role: started with kChildFlag it plays a host program that has no Qt
// application of its own (see open_form_test.cc), before any QApplication exists.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <cstring>

#include "gui/open_form_test_support.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], torva::gui_test::kChildFlag) == 0) {
    return torva::gui_test::RunChildHost(argc - 2, argv + 2);
  }
  if (argc > 2 && std::strcmp(argv[argc - 1], torva::gui_test::kHostFolderFlag) == 0) {
    torva::gui_test::g_in_host_folder = true;
    argv[--argc] = nullptr;
  }
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Qt's file dialogs keep their history in the settings of the build, not in the user's.
  setenv("XDG_CONFIG_HOME", TORVA_BINARY_DIR "/test-config", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
