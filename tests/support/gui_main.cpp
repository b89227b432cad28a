// Entry point of the GUI test binaries: Qt's offscreen platform unless the
// caller chose another (the end-to-end tests run under Xvfb), then the
// framework (Qt application, Application, Screen) for the whole binary.
#include <gtest/gtest.h>

#include <QApplication>

#include "ui/forms.h"

int main(int argc, char **argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  InitFramework(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  DoneFramework();
  return rc;
}
