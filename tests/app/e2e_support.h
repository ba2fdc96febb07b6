// End-to-end helpers: the real console started under the X server named by
// DISPLAY with its own data and runtime folders, real mouse and keyboard input
// through xdotool, and the console's test control channel to read what the
// windows show.
#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace brisvel::app::e2e {

// Skips the test when there is no X server or no xdotool.
#define BRISVEL_REQUIRE_DISPLAY()                                                     \
  do {                                                                                \
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "no DISPLAY";          \
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) GTEST_SKIP() << "no xdotool"; \
  } while (0)

struct Folders {
  Folders() {
    QDir(dir.path()).mkpath("data/RezUriruBrisvel");
    QDir(dir.path()).mkpath("run");
    QFile::setPermissions(dir.path() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  QString DataFolder() const { return dir.path() + "/data/RezUriruBrisvel"; }
  QString ControlSocket() const { return dir.path() + "/run/control"; }
  void WriteConfig(const QByteArray& text) const {
    QFile f(DataFolder() + "/config.ini");
    if (f.open(QIODevice::WriteOnly)) f.write(text);
  }
  QByteArray ReadConfig() const {
    QFile f(DataFolder() + "/config.ini");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QTemporaryDir dir;
};

// What the control channel says about one control.
struct Control {
  bool found = false;
  QRect rect;
  bool visible = false;
  int checked = -1;
  int value = 0;
  QString text;
  QPoint Centre() const { return rect.center(); }
};

inline void Xdotool(const QStringList& args) { QProcess::execute("xdotool", args); }
inline void ClickAt(const QPoint& p) {
  // No --sync: it waits for a motion that never comes when the pointer is already there.
  Xdotool({"mousemove", QString::number(p.x()), QString::number(p.y())});
  QThread::msleep(100);
  Xdotool({"click", "1"});
  QThread::msleep(60);
}
inline void TypeText(const QString& text) { Xdotool({"type", "--delay", "40", "--", text}); }
inline void PressKey(const QString& key) { Xdotool({"key", key}); }

class Console {
 public:
  // program: another copy of the console (with its own files beside it); empty: the built one.
  Console(const Folders& folders, QStringList args, bool withControl = true, const QString& program = QString())
      : folders_(folders) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", folders.dir.path() + "/data");
    env.insert("XDG_RUNTIME_DIR", folders.dir.path() + "/run");
    env.insert("QT_QPA_PLATFORM", "xcb");
    // Under AddressSanitizer the X and font libraries' own allocations at exit
    // would turn every clean exit into a failure; memory errors still abort.
    if (!env.contains("ASAN_OPTIONS")) env.insert("ASAN_OPTIONS", "detect_leaks=0");
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (withControl) args << "--control-socket" << folders.ControlSocket();
    process_.start(program.isEmpty() ? QString::fromLatin1(BRISVEL_CONSOLE_PATH) : program, args);
  }
  ~Console() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  QProcess& Process() { return process_; }

  // One command of the control channel; empty when the console does not answer.
  QString Query(const QString& command) {
    QLocalSocket s;
    s.connectToServer(folders_.ControlSocket());
    if (!s.waitForConnected(2000)) return {};
    s.write(command.toUtf8() + "\n");
    if (!s.waitForBytesWritten(2000)) return {};
    QElapsedTimer t;
    t.start();
    while (!s.canReadLine() && t.elapsed() < 10000) s.waitForReadyRead(200);
    QString line = QString::fromUtf8(s.readLine());
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    return line;
  }

  Control Ctrl(const QString& layout, const QString& key) {
    Control c;
    const QString answer = Query("ctrl " + layout + " " + key);
    const int bar = answer.indexOf('|');
    if (answer.isEmpty() || answer.startsWith("error") || bar < 0) return c;
    const QStringList f = answer.left(bar).split(' ');
    if (f.size() < 7) return c;
    c.found = true;
    c.rect = QRect(f[0].toInt(), f[1].toInt(), f[2].toInt(), f[3].toInt());
    c.visible = f[4] == "1";
    c.checked = f[5].toInt();
    c.value = f[6].toInt();
    c.text = answer.mid(bar + 1);
    return c;
  }

  // "key=value" from the status line.
  QString Status(const QString& key) {
    for (const QString& item : Query("status").split(' '))
      if (item.startsWith(key + "=")) return item.mid(key.size() + 1);
    return {};
  }

  bool HasWindow(const QString& layout) { return Query("windows").contains(layout + ","); }

  void Click(const QString& layout, const QString& key) {
    const Control c = Ctrl(layout, key);
    ASSERT_TRUE(c.found && c.visible) << layout.toStdString() << " " << key.toStdString();
    ClickAt(c.Centre());
  }

  // Polls the condition every 50 ms until it holds or the time is up.
  static bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
      if (t.elapsed() > timeoutMs) return false;
      QThread::msleep(50);
    }
    return true;
  }

  bool WaitForCompactWindow(int timeoutMs = 30000) {
    return WaitFor([this] { return HasWindow("XML_MAINWND2"); }, timeoutMs);
  }

 private:
  const Folders& folders_;
  QProcess process_;
};

}  // namespace brisvel::app::e2e
