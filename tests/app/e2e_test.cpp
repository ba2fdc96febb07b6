// End-to-end tests: the real console under the X server, driven with real
// mouse and keyboard input. Each test has its own data and runtime folders and
// ends its console.

#include <QProcess>

#include "e2e_support.h"

namespace brisvel::app::e2e {
namespace {


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

TEST_F(EndToEnd, CompactWindowComesUpTitledSizedAndNotConnected) {
  ASSERT_TRUE(StartCompact(kEnglishConfig));
  EXPECT_FALSE(c->HasWindow(kMain));
  const QStringList windows = VisibleTitledWindows();
  ASSERT_EQ(windows.size(), 1);
  EXPECT_EQ(XWindowSize(windows[0]), QSize(337, 552));
  EXPECT_EQ(c->Ctrl(kCompact, "1004").text, "Not connect");
  EXPECT_EQ(c->Ctrl(kCompact, "1005").checked, 1);  // Master at start
  EXPECT_TRUE(QFile::exists(folders.DataFolder() + "/log/brisvel.log"));
}

TEST_F(EndToEnd, ClosingTheCompactWindowEndsTheProgram) {
  ASSERT_TRUE(StartCompact(""));
  c->Click(kCompact, "btn_close");
  ASSERT_TRUE(c->Process().waitForFinished(15000));
  EXPECT_EQ(c->Process().exitCode(), 0);
}

TEST_F(EndToEnd, ClosingTheMainWindowEndsTheProgramAndFreesTheLock) {
  ASSERT_TRUE(StartCompact(""));
  ASSERT_TRUE(LogInFromCompactWindow(*c));
  c->Click(kMain, "btn_close");
  ASSERT_TRUE(c->Process().waitForFinished(15000));
  EXPECT_EQ(c->Process().exitCode(), 0);
  // A new console starts normally afterwards.
  Console next(folders, {"-hide"});
  EXPECT_TRUE(next.WaitForCompactWindow());
}

TEST_F(EndToEnd, SecondStartExitsAtOnceAndRaisesTheFirst) {
  Folders folders;
  Console first(folders, {"-hide"});
  ASSERT_TRUE(first.WaitForCompactWindow());
  first.Click(kCompact, "btn_min");
  ASSERT_TRUE(Console::WaitFor([&] { return first.Query("windows").contains("XML_MAINWND2,1,1,"); }, 5000));

  // The second start would report its connection to the simulated processor.
  QProcess second;
  second.setProcessEnvironment(ConsoleEnvironment(folders));
  second.start(QString::fromLatin1(BRISVEL_CONSOLE_PATH), {"-hide", "--simulate", "--verbose"});
  ASSERT_TRUE(second.waitForFinished(15000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_FALSE(second.readAllStandardError().contains("Connect device"));
  // The first comes back from the taskbar; no second window, no device.
  EXPECT_TRUE(Console::WaitFor([&] { return first.Query("windows").contains("XML_MAINWND2,1,0,"); }, 5000));
  EXPECT_EQ(VisibleTitledWindows().size(), 1);
}

TEST_F(EndToEnd, ALockLeftByAKilledConsoleDoesNotBlockTheNextStart) {
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

TEST_F(EndToEnd, HideSuppressesTheSplash) {
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

TEST_F(EndToEnd, LoginRefusesEmptyAndWrongCodesThenOpensTheMainWindow) {
  ASSERT_TRUE(StartCompact(kEnglishConfig));
  c->Click(kCompact, "btn_advanced");
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow(kLogin); }, 10000));

  c->Click(kLogin, "btnOK");
  EXPECT_TRUE(Console::WaitFor([&] { return c->Ctrl(kLogin, "txt_msg").text == "Please enter password"; }, 5000));
  for (const QString& wrong : {QString("1234"), QString(" 40721836"), QString("40721836 ")}) {
    ClearAndType(*c, wrong);
    ASSERT_EQ(c->Ctrl(kLogin, "txt_pwd").text, wrong);
    c->Click(kLogin, "btnOK");
    EXPECT_TRUE(Console::WaitFor([&] { return c->Ctrl(kLogin, "txt_msg").text == "Password is incorrect"; }, 5000))
        << wrong.toStdString();
    EXPECT_TRUE(c->HasWindow(kLogin));
    EXPECT_FALSE(c->HasWindow(kMain));
  }
  ClearAndType(*c, "40721836");
  c->Click(kLogin, "btnOK");
  EXPECT_TRUE(Console::WaitFor([&] { return c->HasWindow(kMain); }, 10000));
  EXPECT_FALSE(c->HasWindow(kCompact));
  EXPECT_FALSE(c->HasWindow(kLogin));
  EXPECT_EQ(VisibleTitledWindows().size(), 1);
}

TEST_F(EndToEnd, LoginTakesEscapeAsCancelAndTheKeypadEnterAsOk) {
  ASSERT_TRUE(StartCompact(kEnglishConfig));
  c->Click(kCompact, "btn_advanced");
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow(kLogin); }, 10000));
  ClearAndType(*c, "40721836");
  PressKey("Escape");
  EXPECT_TRUE(Console::WaitFor([&] { return !c->HasWindow(kLogin); }, 5000));
  EXPECT_FALSE(c->HasWindow(kMain));
  EXPECT_TRUE(c->HasWindow(kCompact));

  c->Click(kCompact, "btn_advanced");
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow(kLogin); }, 10000));
  ClearAndType(*c, "40721836");
  PressKey("KP_Enter");
  EXPECT_TRUE(Console::WaitFor([&] { return c->HasWindow(kMain); }, 10000));
  EXPECT_FALSE(c->HasWindow(kLogin));
}

TEST_F(EndToEnd, EnglishInTheConfigMenuStoresLangAndOffersChinese) {
  ASSERT_TRUE(StartCompact(""));  // no config.ini: Chinese
  EXPECT_EQ(c->Ctrl(kCompact, "1004").text, QString::fromUtf8("未连接设备"));
  ASSERT_TRUE(LogInFromCompactWindow(*c));

  c->Click(kMain, "9004");
  QStringList items = MenuItems(*c, 5000);
  ASSERT_FALSE(items.isEmpty());
  EXPECT_EQ(ItemText(items[0]), "English");
  ClickAt(ItemCentre(items[0]));
  ASSERT_TRUE(Console::WaitFor([&] { return c->Status("lang") == "1"; }, 5000));
  EXPECT_TRUE(folders.ReadConfig().contains("Lang = 1")) << folders.ReadConfig().constData();
  EXPECT_EQ(c->Ctrl(kMain, "1500").text, "Not connect");  // applied at once

  c->Click(kMain, "9004");
  items = MenuItems(*c, 5000);
  ASSERT_FALSE(items.isEmpty());
  EXPECT_EQ(ItemText(items[0]), QString::fromUtf8("简体中文"));
  PressKey("Escape");
}

TEST_F(EndToEnd, LangFiveStartsInEnglish) {
  ASSERT_TRUE(StartCompact("[Config]\nLang=5\n"));
  EXPECT_EQ(c->Ctrl(kCompact, "1004").text, "Not connect");
  EXPECT_EQ(c->Ctrl(kCompact, "btn_advanced").text, "Advanced");
  EXPECT_EQ(c->Status("lang"), "5");
}

TEST_F(EndToEnd, ModeButtonWithoutProcessorSaysDeviceNotConnected) {
  ASSERT_TRUE(StartCompact(kEnglishConfig));
  const QString before = c->Query("status");
  c->Click(kCompact, "2002");
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow(kMsgBox); }, 10000));
  EXPECT_EQ(c->Ctrl(kMsgBox, "msgtext").text, "Device not connected");
  c->Click(kMsgBox, "1");
  ASSERT_TRUE(Console::WaitFor([&] { return !c->HasWindow(kMsgBox); }, 5000));
  EXPECT_EQ(c->Query("status"), before);
  EXPECT_EQ(c->Ctrl(kCompact, "2002").checked, 0);
}

TEST_F(EndToEnd, SimulatedProcessorConnectsAndModeCRecallsSlot2) {
  ASSERT_TRUE(StartCompact(kEnglishConfig, {"--simulate"}));
  EXPECT_EQ(c->Ctrl(kCompact, "1004").text, "Connected");
  ASSERT_EQ(c->Query("sim-slot-mainvol 2 37"), "ok");
  c->Click(kCompact, "2002");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Status("mode") == "2"; }, 10000));
  EXPECT_EQ(c->Query("sim").section(' ', 0, 0), "mode=2");
  EXPECT_TRUE(Console::WaitFor([&] { return c->Ctrl(kCompact, "1000").value == 37; }, 5000));
  EXPECT_EQ(c->Ctrl(kCompact, "3000").text, "-23dB");
  EXPECT_EQ(c->Ctrl(kCompact, "2002").checked, 1);
}

TEST_F(EndToEnd, PulledOutShowsNotConnectAndPluggedBackConnectsAfterTheWait) {
  ASSERT_TRUE(StartCompact(kEnglishConfig, {"--simulate"}));
  ASSERT_EQ(c->Ctrl(kCompact, "1004").text, "Connected");
  ASSERT_EQ(c->Query("unplug"), "ok");
  EXPECT_TRUE(Console::WaitFor([&] { return c->Ctrl(kCompact, "1004").text == "Not connect"; }, 10000));
  EXPECT_EQ(c->Status("open"), "0");

  QElapsedTimer sincePlug;
  sincePlug.start();
  ASSERT_EQ(c->Query("plug"), "ok");
  QThread::msleep(800);
  const QString during = c->Ctrl(kCompact, "1004").text;
  if (sincePlug.elapsed() < 1900) {
    EXPECT_EQ(during, "Not connect");  // still within the 2000 ms wait
  }
  EXPECT_TRUE(Console::WaitFor([&] { return c->Ctrl(kCompact, "1004").text == "Connected"; }, 20000));
  EXPECT_GE(sincePlug.elapsed(), 1900);
}

TEST_F(EndToEnd, ConnectedIndicatorGoesOfflineAndReconnects) {
  ASSERT_TRUE(StartCompact(kEnglishConfig, {"--simulate"}));
  ASSERT_EQ(c->Ctrl(kCompact, "1004").text, "Connected");
  c->Click(kCompact, "1004");
  EXPECT_TRUE(Console::WaitFor([&] { return c->Ctrl(kCompact, "1004").text == "Not connect"; }, 5000));
  EXPECT_EQ(c->Status("open"), "1");  // the device stays open
  EXPECT_EQ(c->Status("connected"), "0");
  c->Click(kCompact, "1004");
  EXPECT_TRUE(Console::WaitFor([&] { return c->Ctrl(kCompact, "1004").text == "Connected"; }, 10000));
  EXPECT_EQ(c->Status("connected"), "1");
}

}  // namespace
}  // namespace brisvel::app::e2e
