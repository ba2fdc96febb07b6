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

namespace brisvel::app::test {

// Points XDG_DATA_HOME and XDG_RUNTIME_DIR at fresh folders for the test's life.
class PrivateFolders {
 public:
  PrivateFolders() {
    QDir(dir_.path()).mkpath("data/RezUriruBrisvel");
    QDir(dir_.path()).mkpath("run");
    QFile::setPermissions(dir_.path() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    oldData_ = qgetenv("XDG_DATA_HOME");
    oldRun_ = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_DATA_HOME", (dir_.path() + "/data").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (dir_.path() + "/run").toLocal8Bit());
  }
  ~PrivateFolders() {
    qputenv("XDG_DATA_HOME", oldData_);
    qputenv("XDG_RUNTIME_DIR", oldRun_);
  }
  QString Root() const { return dir_.path(); }
  QString DataFolder() const { return dir_.path() + "/data/RezUriruBrisvel"; }
  QString RunFolder() const { return dir_.path() + "/run"; }
  void WriteConfig(const QByteArray& text) const {
    QFile f(DataFolder() + "/config.ini");
    if (f.open(QIODevice::WriteOnly)) f.write(text);
  }
  QByteArray ReadConfig() const {
    QFile f(DataFolder() + "/config.ini");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

 private:
  QTemporaryDir dir_;
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
