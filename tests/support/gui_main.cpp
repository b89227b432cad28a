// Entry point of the GUI test binaries: Qt's offscreen platform unless the
// caller chose another (the end-to-end tests run under Xvfb), then one
// application object for the whole binary.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char **argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
