// Helpers of the in-process application tests: a private data and runtime
// folder per test, and an application object started on them.
#pragma once

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

#include "app/application.h"
#include "test_folders.h"

namespace brisvel::app::test {

// Points XDG_DATA_HOME and XDG_RUNTIME_DIR at fresh folders for the test's life.
class PrivateFolders : public TestFolders {
 public:
  PrivateFolders() {
    oldData_ = qgetenv("XDG_DATA_HOME");
    oldRun_ = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_DATA_HOME", (Root() + "/data").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", RunFolder().toLocal8Bit());
  }
  ~PrivateFolders() {
    qputenv("XDG_DATA_HOME", oldData_);
    qputenv("XDG_RUNTIME_DIR", oldRun_);
  }

 private:
  QByteArray oldData_, oldRun_;
};

// Processes events until the condition holds or the time is up.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!condition()) {
    if (t.elapsed() > timeoutMs) return false;
    QTest::qWait(20);
  }
  return true;
}

// An application object initialised with both windows created (no message loop).
struct StartedConsole {
  explicit StartedConsole(bool simulate) {
    StartOptions o;
    o.hide = true;
    o.simulate = simulate;
    app = std::make_unique<CApplication>(o);
    ok = app->Initialise() && app->CreateWindows();
    QApplication::processEvents();
  }
  ~StartedConsole() {
    if (app) {
      app->DestroyWindows();
      app->Release();
    }
  }
  std::unique_ptr<CApplication> app;
  bool ok = false;
};

}  // namespace brisvel::app::test
