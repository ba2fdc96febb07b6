// Test entry of the widget tests: one QApplication on the offscreen platform.

#include "ui/toolkit.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  brisvel::ui::InitToolkit();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
