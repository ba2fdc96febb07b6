// End-to-end tests: the real console under the X server, driven with real
// mouse and keyboard input. Each test has its own data and runtime folders and
// ends its console.

#include <QProcess>

#include "e2e_support.h"

namespace brisvel::app::e2e {
namespace {

constexpr char kCompact[] = "XML_MAINWND2";
constexpr char kMain[] = "XML_MAINWND";
constexpr char kLogin[] = "XML_ADVANCED_LOGIN";
constexpr char kMsgBox[] = "XML_MSGBOX";

// The X server's own idea of the console's visible windows with the title.
QStringList VisibleTitledWindows() {
  QProcess p;
  p.start("xdotool", {"search", "--onlyvisible", "--name", "^BRISVEL DSP CONTROL PANNEL$"});
  p.waitForFinished(5000);
  return QString::fromLatin1(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

QSize XWindowSize(const QString& window) {
  QProcess p;
  p.start("xdotool", {"getwindowgeometry", "--shell", window});
  p.waitForFinished(5000);
  QSize s;
  for (const QString& line : QString::fromLatin1(p.readAllStandardOutput()).split('\n')) {
    if (line.startsWith("WIDTH=")) s.setWidth(line.mid(6).toInt());
    if (line.startsWith("HEIGHT=")) s.setHeight(line.mid(7).toInt());
  }
  return s;
}

// Types into the password box; X input is retried when a key was lost.
void ClearAndType(Console& c, const QString& text) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    c.Click(kLogin, "txt_pwd");
    PressKey("ctrl+a");
    PressKey("BackSpace");
    if (!text.isEmpty()) TypeText(text);
    if (Console::WaitFor([&] { return c.Ctrl(kLogin, "txt_pwd").text == text; }, 2000)) return;
  }
}

TEST(EndToEnd, CompactWindowComesUpTitledSizedAndNotConnected) {
  BRISVEL_REQUIRE_DISPLAY();
  Folders folders;
  folders.WriteConfig("[Config]\nLang=1\n");
  Console c(folders, {"-hide"});
  ASSERT_TRUE(c.WaitForCompactWindow());
  EXPECT_FALSE(c.HasWindow(kMain));
  const QStringList windows = VisibleTitledWindows();
  ASSERT_EQ(windows.size(), 1);
  EXPECT_EQ(XWindowSize(windows[0]), QSize(337, 552));
  EXPECT_EQ(c.Ctrl(kCompact, "1004").text, "Not connect");
  EXPECT_EQ(c.Ctrl(kCompact, "1005").checked, 1);  // Master at start
  EXPECT_TRUE(QFile::exists(folders.DataFolder() + "/log/brisvel.log"));
}

TEST(EndToEnd, ClosingTheCompactWindowEndsTheProgram) {
  BRISVEL_REQUIRE_DISPLAY();
  Folders folders;
  Console c(folders, {"-hide"});
  ASSERT_TRUE(c.WaitForCompactWindow());
  c.Click(kCompact, "btn_close");
  ASSERT_TRUE(c.Process().waitForFinished(15000));
  EXPECT_EQ(c.Process().exitCode(), 0);
}

TEST(EndToEnd, ClosingTheMainWindowEndsTheProgramAndFreesTheLock) {
  BRISVEL_REQUIRE_DISPLAY();
  Folders folders;
  Console c(folders, {"-hide"});
  ASSERT_TRUE(c.WaitForCompactWindow());
  c.Click(kCompact, "btn_advanced");
  ASSERT_TRUE(Console::WaitFor([&] { return c.HasWindow(kLogin); }, 10000));
  TypeText("40721836");
  ASSERT_TRUE(Console::WaitFor([&] { return c.Ctrl(kLogin, "txt_pwd").text == "40721836"; }, 5000));
  c.Click(kLogin, "btnOK");
  ASSERT_TRUE(Console::WaitFor([&] { return c.HasWindow(kMain); }, 10000));
  c.Click(kMain, "btn_close");
  ASSERT_TRUE(c.Process().waitForFinished(15000));
  EXPECT_EQ(c.Process().exitCode(), 0);
  // A new console starts normally afterwards.
  Console next(folders, {"-hide"});
  EXPECT_TRUE(next.WaitForCompactWindow());
}

TEST(EndToEnd, SecondStartExitsAtOnceAndRaisesTheFirst) {
  BRISVEL_REQUIRE_DISPLAY();
  Folders folders;
  Console first(folders, {"-hide"});
  ASSERT_TRUE(first.WaitForCompactWindow());
  first.Click(kCompact, "btn_min");
  ASSERT_TRUE(Console::WaitFor([&] { return first.Query("windows").contains("XML_MAINWND2,1,1,"); }, 5000));

  // The second start would report its connection to the simulated processor.
  QProcess second;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_DATA_HOME", folders.dir.path() + "/data");
  env.insert("XDG_RUNTIME_DIR", folders.dir.path() + "/run");
  env.insert("QT_QPA_PLATFORM", "xcb");
  second.setProcessEnvironment(env);
  second.start(QString::fromLatin1(BRISVEL_CONSOLE_PATH), {"-hide", "--simulate", "--verbose"});
  ASSERT_TRUE(second.waitForFinished(15000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_FALSE(second.readAllStandardError().contains("Connect device"));
  // The first comes back from the taskbar; no second window, no device.
  EXPECT_TRUE(Console::WaitFor([&] { return first.Query("windows").contains("XML_MAINWND2,1,0,"); }, 5000));
  EXPECT_EQ(VisibleTitledWindows().size(), 1);
}

TEST(EndToEnd, ALockLeftByAKilledConsoleDoesNotBlockTheNextStart) {
  BRISVEL_REQUIRE_DISPLAY();
  Folders folders;
  {
    Console killed(folders, {"-hide"});
    ASSERT_TRUE(killed.WaitForCompactWindow());
    killed.Process().kill();
    ASSERT_TRUE(killed.Process().waitForFinished(5000));
  }
  Console next(folders, {"-hide"});
  EXPECT_TRUE(next.WaitForCompactWindow());
  EXPECT_EQ(next.Status("lock"), "1");
}

TEST(EndToEnd, HideSuppressesTheSplash) {
  BRISVEL_REQUIRE_DISPLAY();
  {
    Folders folders;
    Console c(folders, {"-hide"});
    ASSERT_TRUE(c.WaitForCompactWindow());
    EXPECT_EQ(c.Status("splash"), "0");
  }
  Folders folders;
  Console c(folders, {});
  ASSERT_TRUE(c.WaitForCompactWindow());
  EXPECT_EQ(c.Status("splash"), "1");
}

TEST(EndToEnd, LoginRefusesEmptyAndWrongCodesThenOpensTheMainWindow) {
  BRISVEL_REQUIRE_DISPLAY();
  Folders folders;
  folders.WriteConfig("[Config]\nLang=1\n");
  Console c(folders, {"-hide"});
  ASSERT_TRUE(c.WaitForCompactWindow());
  c.Click(kCompact, "btn_advanced");
  ASSERT_TRUE(Console::WaitFor([&] { return c.HasWindow(kLogin); }, 10000));

  c.Click(kLogin, "btnOK");
  EXPECT_TRUE(Console::WaitFor([&] { return c.Ctrl(kLogin, "txt_msg").text == "Please enter password"; }, 5000));
  for (const QString& wrong : {QString("1234"), QString(" 40721836"), QString("40721836 ")}) {
    ClearAndType(c, wrong);
    ASSERT_EQ(c.Ctrl(kLogin, "txt_pwd").text, wrong);
    c.Click(kLogin, "btnOK");
    EXPECT_TRUE(Console::WaitFor([&] { return c.Ctrl(kLogin, "txt_msg").text == "Password is incorrect"; }, 5000))
        << wrong.toStdString();
    EXPECT_TRUE(c.HasWindow(kLogin));
    EXPECT_FALSE(c.HasWindow(kMain));
  }
  ClearAndType(c, "40721836");
  c.Click(kLogin, "btnOK");
  EXPECT_TRUE(Console::WaitFor([&] { return c.HasWindow(kMain); }, 10000));
  EXPECT_FALSE(c.HasWindow(kCompact));
  EXPECT_FALSE(c.HasWindow(kLogin));
  EXPECT_EQ(VisibleTitledWindows().size(), 1);
}

TEST(EndToEnd, LoginTakesEscapeAsCancelAndTheKeypadEnterAsOk) {
  BRISVEL_REQUIRE_DISPLAY();
  Folders folders;
  folders.WriteConfig("[Config]\nLang=1\n");
  Console c(folders, {"-hide"});
  ASSERT_TRUE(c.WaitForCompactWindow());
  c.Click(kCompact, "btn_advanced");
  ASSERT_TRUE(Console::WaitFor([&] { return c.HasWindow(kLogin); }, 10000));
  ClearAndType(c, "40721836");
  PressKey("Escape");
  EXPECT_TRUE(Console::WaitFor([&] { return !c.HasWindow(kLogin); }, 5000));
  EXPECT_FALSE(c.HasWindow(kMain));
  EXPECT_TRUE(c.HasWindow(kCompact));

  c.Click(kCompact, "btn_advanced");
  ASSERT_TRUE(Console::WaitFor([&] { return c.HasWindow(kLogin); }, 10000));
  ClearAndType(c, "40721836");
  PressKey("KP_Enter");
  EXPECT_TRUE(Console::WaitFor([&] { return c.HasWindow(kMain); }, 10000));
  EXPECT_FALSE(c.HasWindow(kLogin));
}

TEST(EndToEnd, EnglishInTheConfigMenuStoresLangAndOffersChinese) {
  BRISVEL_REQUIRE_DISPLAY();
  Folders folders;  // no config.ini: Chinese
  Console c(folders, {"-hide"});
  ASSERT_TRUE(c.WaitForCompactWindow());
  EXPECT_EQ(c.Ctrl(kCompact, "1004").text, QString::fromUtf8("未连接设备"));
  c.Click(kCompact, "btn_advanced");
  ASSERT_TRUE(Console::WaitFor([&] { return c.HasWindow(kLogin); }, 10000));
  ClearAndType(c, "40721836");
  c.Click(kLogin, "btnOK");
  ASSERT_TRUE(Console::WaitFor([&] { return c.HasWindow(kMain); }, 10000));

  c.Click(kMain, "9004");
  QString menu;
  ASSERT_TRUE(Console::WaitFor([&] { return (menu = c.Query("menu")) != "none"; }, 5000));
  const QString first = menu.section('|', 0, 0);
  EXPECT_EQ(first.section('@', 0, 0), "English");
  const QStringList r = first.section('@', 1).split(',');
  ASSERT_EQ(r.size(), 4);
  ClickAt(QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()).center());
  ASSERT_TRUE(Console::WaitFor([&] { return c.Status("lang") == "1"; }, 5000));
  EXPECT_TRUE(folders.ReadConfig().contains("Lang = 1")) << folders.ReadConfig().constData();
  EXPECT_EQ(c.Ctrl(kMain, "1500").text, "Not connect");  // applied at once

  c.Click(kMain, "9004");
  ASSERT_TRUE(Console::WaitFor([&] { return (menu = c.Query("menu")) != "none"; }, 5000));
  EXPECT_EQ(menu.section('|', 0, 0).section('@', 0, 0), QString::fromUtf8("简体中文"));
  PressKey("Escape");
}

TEST(EndToEnd, LangFiveStartsInEnglish) {
  BRISVEL_REQUIRE_DISPLAY();
  Folders folders;
  folders.WriteConfig("[Config]\nLang=5\n");
  Console c(folders, {"-hide"});
  ASSERT_TRUE(c.WaitForCompactWindow());
  EXPECT_EQ(c.Ctrl(kCompact, "1004").text, "Not connect");
  EXPECT_EQ(c.Ctrl(kCompact, "btn_advanced").text, "Advanced");
  EXPECT_EQ(c.Status("lang"), "5");
}

TEST(EndToEnd, ModeButtonWithoutProcessorSaysDeviceNotConnected) {
  BRISVEL_REQUIRE_DISPLAY();
  Folders folders;
  folders.WriteConfig("[Config]\nLang=1\n");
  Console c(folders, {"-hide"});
  ASSERT_TRUE(c.WaitForCompactWindow());
  const QString before = c.Query("status");
  c.Click(kCompact, "2002");
  ASSERT_TRUE(Console::WaitFor([&] { return c.HasWindow(kMsgBox); }, 10000));
  EXPECT_EQ(c.Ctrl(kMsgBox, "msgtext").text, "Device not connected");
  c.Click(kMsgBox, "1");
  ASSERT_TRUE(Console::WaitFor([&] { return !c.HasWindow(kMsgBox); }, 5000));
  EXPECT_EQ(c.Query("status"), before);
  EXPECT_EQ(c.Ctrl(kCompact, "2002").checked, 0);
}

TEST(EndToEnd, SimulatedProcessorConnectsAndModeCRecallsSlot2) {
  BRISVEL_REQUIRE_DISPLAY();
  Folders folders;
  folders.WriteConfig("[Config]\nLang=1\n");
  Console c(folders, {"-hide", "--simulate"});
  ASSERT_TRUE(c.WaitForCompactWindow());
  EXPECT_EQ(c.Ctrl(kCompact, "1004").text, "Connected");
  ASSERT_EQ(c.Query("sim-slot-mainvol 2 37"), "ok");
  c.Click(kCompact, "2002");
  ASSERT_TRUE(Console::WaitFor([&] { return c.Status("mode") == "2"; }, 10000));
  EXPECT_EQ(c.Query("sim").section(' ', 0, 0), "mode=2");
  EXPECT_TRUE(Console::WaitFor([&] { return c.Ctrl(kCompact, "1000").value == 37; }, 5000));
  EXPECT_EQ(c.Ctrl(kCompact, "3000").text, "-23dB");
  EXPECT_EQ(c.Ctrl(kCompact, "2002").checked, 1);
}

TEST(EndToEnd, PulledOutShowsNotConnectAndPluggedBackConnectsAfterTheWait) {
  BRISVEL_REQUIRE_DISPLAY();
  Folders folders;
  folders.WriteConfig("[Config]\nLang=1\n");
  Console c(folders, {"-hide", "--simulate"});
  ASSERT_TRUE(c.WaitForCompactWindow());
  ASSERT_EQ(c.Ctrl(kCompact, "1004").text, "Connected");
  ASSERT_EQ(c.Query("unplug"), "ok");
  EXPECT_TRUE(Console::WaitFor([&] { return c.Ctrl(kCompact, "1004").text == "Not connect"; }, 10000));
  EXPECT_EQ(c.Status("open"), "0");

  QElapsedTimer sincePlug;
  sincePlug.start();
  ASSERT_EQ(c.Query("plug"), "ok");
  QThread::msleep(800);
  const QString during = c.Ctrl(kCompact, "1004").text;
  if (sincePlug.elapsed() < 1900) EXPECT_EQ(during, "Not connect");  // still within the 2000 ms wait
  EXPECT_TRUE(Console::WaitFor([&] { return c.Ctrl(kCompact, "1004").text == "Connected"; }, 20000));
  EXPECT_GE(sincePlug.elapsed(), 1900);
}

TEST(EndToEnd, ConnectedIndicatorGoesOfflineAndReconnects) {
  BRISVEL_REQUIRE_DISPLAY();
  Folders folders;
  folders.WriteConfig("[Config]\nLang=1\n");
  Console c(folders, {"-hide", "--simulate"});
  ASSERT_TRUE(c.WaitForCompactWindow());
  ASSERT_EQ(c.Ctrl(kCompact, "1004").text, "Connected");
  c.Click(kCompact, "1004");
  EXPECT_TRUE(Console::WaitFor([&] { return c.Ctrl(kCompact, "1004").text == "Not connect"; }, 5000));
  EXPECT_EQ(c.Status("open"), "1");  // the device stays open
  EXPECT_EQ(c.Status("connected"), "0");
  c.Click(kCompact, "1004");
  EXPECT_TRUE(Console::WaitFor([&] { return c.Ctrl(kCompact, "1004").text == "Connected"; }, 10000));
  EXPECT_EQ(c.Status("connected"), "1");
}

}  // namespace
}  // namespace brisvel::app::e2e
