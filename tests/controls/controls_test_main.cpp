// Test entry of the console controls' tests: one QApplication on the
// offscreen platform, the toolkit started and the controls registered as the
// console does it.

#include "controls/controls.h"
#include "ui/toolkit.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  brisvel::ui::InitToolkit();
  brisvel::ui::RegisterConsoleControls();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
