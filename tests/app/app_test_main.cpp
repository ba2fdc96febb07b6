// Test entry of the application tests: one QApplication on the offscreen
// platform for the in-process cases; the end-to-end cases start the real
// program on the X server named by DISPLAY.

#include <QApplication>
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/single_instance.h"
#include "controls/controls.h"

int main(int argc, char** argv) {
  // Only this process draws offscreen; started consoles get DISPLAY.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication::setApplicationName(QString::fromLatin1(brisvel::app::kWindowClassName));
  QApplication::setApplicationDisplayName(QString::fromLatin1(brisvel::app::kTitle));
  QApplication app(argc, argv);
  // As the console does at start; cases that start a console do it again.
  brisvel::ui::RegisterConsoleControls();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
