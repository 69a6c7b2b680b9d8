// The report tests run under a QApplication on the offscreen platform: fonts, layout and PDF need
// a GUI application object, the print preview needs widgets.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt's file dialogs keep their history in the settings of the build, not in the user's.
  qputenv("XDG_CONFIG_HOME", TORVA_BINARY_DIR "/test-config");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
