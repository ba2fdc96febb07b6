// End-to-end helpers: the real console started under the X server named by
// DISPLAY with its own data and runtime folders, real mouse and keyboard input
// through xdotool, and the console's test control channel to read what the
// windows show.
#pragma once

#include <QDir>
#include <QFileInfo>
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
#include <memory>
#include <unistd.h>

#include "test_folders.h"

namespace brisvel::app::e2e {

// Skips the test when there is no X server or no xdotool.
#define BRISVEL_REQUIRE_DISPLAY()                                                     \
  do {                                                                                \
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "no DISPLAY";          \
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) GTEST_SKIP() << "no xdotool"; \
  } while (0)

struct Folders : test::TestFolders {
  QString ControlSocket() const { return RunFolder() + "/control"; }
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

// The environment of a console on the folders, under the X server.
inline QProcessEnvironment ConsoleEnvironment(const Folders& folders) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_DATA_HOME", folders.Root() + "/data");
  env.insert("XDG_RUNTIME_DIR", folders.RunFolder());
  env.insert("QT_QPA_PLATFORM", "xcb");
  return env;
}

class Console {
 public:
  // program: another copy of the console (with its own files beside it); empty: the built one.
  Console(const Folders& folders, QStringList args, bool withControl = true, const QString& program = QString())
      : folders_(folders) {
    QProcessEnvironment env = ConsoleEnvironment(folders);
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

// A copy of the console with a caedata.dat of the test's own beside it.
class ProgramCopy {
 public:
  explicit ProgramCopy(const QByteArray& caedata) : dir_(QFileInfo(BRISVEL_CONSOLE_PATH).absolutePath() + "/e2e-XXXXXX") {
    program_ = dir_.path() + "/brisvel-console";
    // A hard link where the file system allows it, else a copy.
    if (::link(BRISVEL_CONSOLE_PATH, program_.toLocal8Bit().constData()) != 0)
      QFile::copy(QString::fromLatin1(BRISVEL_CONSOLE_PATH), program_);
    QFile f(dir_.path() + "/caedata.dat");
    if (f.open(QIODevice::WriteOnly)) f.write(caedata);
  }
  QString Program() const { return QFileInfo(program_).isExecutable() ? program_ : QString(); }

 private:
  QTemporaryDir dir_;
  QString program_;
};

inline constexpr char kCompact[] = "XML_MAINWND2";
inline constexpr char kMain[] = "XML_MAINWND";
inline constexpr char kLogin[] = "XML_ADVANCED_LOGIN";
inline constexpr char kMsgBox[] = "XML_MSGBOX";
inline constexpr char kAccessCode[] = "40721836";
inline constexpr char kEnglishConfig[] = "[Config]\nLang=1\n";

// The store's and the processor's value of a parameter as the console knows
// them; -1 where there is none (device: while no processor is plugged).
struct Values {
  int store = -1;
  int device = -1;
};
inline Values Param(Console& c, const QString& name) {
  Values v;
  for (const QString& item : c.Query("param " + name).split(' ')) {
    if (item.startsWith("store=")) v.store = item.mid(6).toInt();
    if (item.startsWith("device=")) v.device = item.mid(7).toInt();
  }
  return v;
}

// The value the simulated processor itself holds; -1 when it does not answer.
inline int SimParam(Console& c, const QString& name) {
  bool ok = false;
  const int v = c.Query("sim-param " + name).toInt(&ok);
  return ok ? v : -1;
}

// Presses the left button on from, moves to `to` in a few steps and lets go;
// whileHeld runs before the button is let go.
inline void Drag(const QPoint& from, const QPoint& to, const std::function<void()>& whileHeld = {}) {
  Xdotool({"mousemove", QString::number(from.x()), QString::number(from.y())});
  QThread::msleep(150);
  Xdotool({"mousedown", "1"});
  QThread::msleep(100);
  constexpr int kSteps = 6;
  for (int i = 1; i <= kSteps; ++i) {
    const QPoint p = from + (to - from) * i / kSteps;
    Xdotool({"mousemove", QString::number(p.x()), QString::number(p.y())});
    QThread::msleep(60);
  }
  QThread::msleep(100);
  if (whileHeld) whileHeld();
  Xdotool({"mouseup", "1"});
  QThread::msleep(150);
}

// Turns the wheel over a point, notch by notch.
inline void Wheel(const QPoint& at, bool up, int notches = 1) {
  Xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())});
  QThread::msleep(100);
  for (int i = 0; i < notches; ++i) {
    Xdotool({"click", up ? "4" : "5"});
    QThread::msleep(80);
  }
}

// The items of the open pop-up menu as "text@x,y,w,h"; empty when none comes up.
inline QStringList MenuItems(Console& c, int timeoutMs = 8000) {
  QString menu;
  if (!Console::WaitFor([&] { return (menu = c.Query("menu")) != "none" && !menu.isEmpty(); }, timeoutMs)) return {};
  return menu.split('|');
}
inline QString ItemText(const QString& item) { return item.left(item.lastIndexOf('@')).section('\t', 0, 0); }
// The shortcut an item shows beside its text; empty when none.
inline QString ItemShortcut(const QString& item) { return item.left(item.lastIndexOf('@')).section('\t', 1); }
inline QPoint ItemCentre(const QString& item) {
  const QStringList r = item.mid(item.lastIndexOf('@') + 1).split(',');
  if (r.size() != 4) return {};
  return QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()).center();
}

// A band parameter's name: Band("Gain", 2, 9) is Box2_EQ9_Gain.
inline QString Band(const char* what, int box, int band) {
  return QStringLiteral("Box%1_EQ%2_%3").arg(box).arg(band).arg(what);
}

// The step the next undo or redo would replay ("undo", "redo") or the A/B side shown ("ab").
inline QString History(Console& c, const QString& key) {
  for (const QString& item : c.Query("history").split('|'))
    if (item.startsWith(key + "=")) return item.mid(key.size() + 1);
  return {};
}

// The open question window's text and buttons (a toolkit message box is
// XML_MSGBOX); empty while none is shown. ChooseButton clicks one of its buttons.
inline QStringList Modal(Console& c) {
  QString modal;
  if (!Console::WaitFor([&] { return (modal = c.Query("modal")) != "none" && !modal.isEmpty(); }, 15000)) return {};
  return modal.split('|');
}
inline bool ChooseButton(Console& c, const QString& button) {
  for (const QString& item : Modal(c)) {
    if (ItemText(item) != button) continue;
    ClickAt(ItemCentre(item));
    return true;
  }
  return false;
}

// Clicks the item of the open pop-up menu by its text; false when the menu or
// the item is not shown.
inline bool ChooseMenuItem(Console& c, const QString& text, int timeoutMs = 8000) {
  const QStringList items = MenuItems(c, timeoutMs);
  for (const QString& item : items) {
    if (ItemText(item) != text) continue;
    ClickAt(ItemCentre(item));
    return true;
  }
  ADD_FAILURE() << "no item " << text.toStdString() << " in " << items.join('|').toStdString();
  return false;
}

// From the compact window through the login window to the main window;
// typing is retried when X loses a key.
inline bool LogInFromCompactWindow(Console& c) {
  c.Click(kCompact, "btn_advanced");
  if (!Console::WaitFor([&] { return c.HasWindow(kLogin); }, 10000)) return false;
  for (int attempt = 0; attempt < 3 && c.Ctrl(kLogin, "txt_pwd").text != kAccessCode; ++attempt) {
    c.Click(kLogin, "txt_pwd");
    PressKey("ctrl+a");
    TypeText(kAccessCode);
    Console::WaitFor([&] { return c.Ctrl(kLogin, "txt_pwd").text == kAccessCode; }, 5000);
  }
  if (c.Ctrl(kLogin, "txt_pwd").text != kAccessCode) return false;
  c.Click(kLogin, "btnOK");
  if (!Console::WaitFor([&] { return c.HasWindow(kMain) && !c.HasWindow(kLogin); }, 10000)) return false;
  QThread::msleep(300);
  return true;
}

// The same once the compact window is up and the processor connected.
inline bool LogInToMainWindow(Console& c) {
  if (!c.WaitForCompactWindow()) return false;
  if (!Console::WaitFor([&] { return c.Status("connected") == "1"; }, 20000)) return false;
  return LogInFromCompactWindow(c);
}

// A test with its own folders and a console under the X server; skipped where
// there is no X server or no xdotool.
class ConsoleSession : public ::testing::Test {
 protected:
  void SetUp() override { BRISVEL_REQUIRE_DISPLAY(); }
  // Writes config.ini (none for an empty text) and starts the console with
  // "-hide" and the arguments; true once the compact window is up.
  bool StartCompact(const QByteArray& config, const QStringList& args = {}) {
    if (!config.isEmpty()) folders.WriteConfig(config);
    c = std::make_unique<Console>(folders, QStringList{"-hide"} + args);
    return c->WaitForCompactWindow();
  }

  Folders folders;
  std::unique_ptr<Console> c;
};

// The suite of the tests of starting and ending, in more than one file.
using EndToEnd = ConsoleSession;

// Types into the file dialog that is open and presses Return until it goes.
inline bool TypeIntoFileDialog(Console& c, const QString& typed) {
  QThread::msleep(300);
  PressKey("ctrl+a");
  TypeText(typed);
  // A completion list may take the first Return.
  for (int i = 0; i < 3; ++i) {
    QThread::msleep(300);
    PressKey("Return");
    if (Console::WaitFor([&] { return c.Query("filedialog") == "none"; }, 3000)) return true;
  }
  return false;
}


// Types the answer into the file dialog that comes up.
inline bool AnswerFileDialog(Console& c, const QString& typed) {
  if (!Console::WaitFor([&] { return c.Query("filedialog") != "none"; }, 10000)) return false;
  return TypeIntoFileDialog(c, typed);
}

// Picks an item of the main window's File pop-up.
inline bool ChooseFromFileMenu(Console& c, const QString& item) {
  c.Click(kMain, "9003");
  return ChooseMenuItem(c, item, 5000);
}


// The console on the simulated processor, logged in to the main window.
class MainWindowSession : public ConsoleSession {
 protected:
  void SetUp() override {
    ConsoleSession::SetUp();
    if (!IsSkipped() && StartsInSetUp()) Start();
  }
  // Hook: false where each test starts the console itself (Start with its own
  // config text or program).
  virtual bool StartsInSetUp() const { return true; }
  // program: another copy of the console; empty: the built one.
  void Start(const QByteArray& config = kEnglishConfig, const QString& program = QString()) {
    folders.WriteConfig(config);
    c = std::make_unique<Console>(folders, QStringList{"-hide", "--simulate"}, true, program);
    ASSERT_TRUE(LogInToMainWindow(*c));
  }
  Control Ctrl(const QString& key) { return c->Ctrl(kMain, key); }
  Control Ctrl(int id) { return Ctrl(QString::number(id)); }
  void Click(const QString& key) { c->Click(kMain, key); }
  void Click(int id) { Click(QString::number(id)); }
  // Replaces an edit's text in the main window and presses the key that commits it.
  void Enter(const QString& key, const QString& text, const QString& commit = "Return") {
    Click(key);
    PressKey("ctrl+a");
    TypeText(text);
    PressKey(commit);
  }
  void Enter(int id, const QString& text, const QString& commit = "Return") { Enter(QString::number(id), text, commit); }
  // The main window's control shows the text (within a generous wait).
  bool Shows(int id, const QString& text, int timeoutMs = 8000) {
    return Console::WaitFor([&] { return Ctrl(id).text == text; }, timeoutMs);
  }
  // The store and the processor hold the same block (sent within the sender's spacing).
  bool InSync(int timeoutMs = 8000) {
    return Console::WaitFor([&] { return c->Query("block device") == c->Query("block store"); }, timeoutMs);
  }
  // The processor holds the value for the parameter.
  bool DeviceHas(const QString& name, int value, int timeoutMs = 8000) {
    return Console::WaitFor([&] { return Param(*c, name).device == value; }, timeoutMs);
  }
};

}  // namespace brisvel::app::e2e
