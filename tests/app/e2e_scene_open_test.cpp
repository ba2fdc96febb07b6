// End to end: a scene file opened while a console runs (a second start, as a
// file manager does it) reaches the running console, which offers the import;
// answering Yes with the mouse stores the PC mode.

#include <QProcess>

#include "settings/scene_files.h"
#include "e2e_support.h"

namespace brisvel::app::e2e {
namespace {

TEST_F(EndToEnd, ASceneFileOpenedByASecondStartArrivesAsAPCModeInTheFirst) {
  folders.WriteConfig("[Config]\r\nLang=1\r\n");
  PCModeRecord record;
  record.SetName("Studio 7");
  record.block.fill(9);
  const QString file = folders.dir.path() + "/Studio 7.cae";
  ASSERT_EQ(scene::WriteSceneFile(file.toStdString(), record), scene::SceneError::kNone);

  Console first(folders, {"-hide"});
  ASSERT_TRUE(first.WaitForCompactWindow());
  EXPECT_EQ(first.Query("pcmodes"), "");

  QProcess second;
  second.setProcessEnvironment(ConsoleEnvironment(folders));
  second.setWorkingDirectory(folders.dir.path());
  second.start(QString::fromLatin1(BRISVEL_CONSOLE_PATH), {"Studio 7.cae"});  // relative, as a file manager may pass it
  ASSERT_TRUE(second.waitForFinished(15000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);

  ASSERT_TRUE(Console::WaitFor([&] { return first.HasWindow(kMsgBox); }, 10000));
  EXPECT_EQ(first.Ctrl(kMsgBox, "msgtext").text, "Import the scene \"Studio 7\" from Studio 7.cae as a new PC mode?");
  first.Click(kMsgBox, "6");  // Yes
  ASSERT_TRUE(Console::WaitFor([&] { return first.Ctrl(kMsgBox, "msgtext").text.contains("was added"); }, 10000));
  first.Click(kMsgBox, "1");  // OK
  EXPECT_TRUE(Console::WaitFor([&] { return !first.HasWindow(kMsgBox); }, 5000));

  EXPECT_EQ(first.Query("pcmodes"), "Studio 7");
  EXPECT_TRUE(folders.ReadConfig().contains("Studio 7"));
}

TEST_F(EndToEnd, AFirstStartWithABrokenSceneFileSaysSoAndRunsOn) {
  folders.WriteConfig("[Config]\r\nLang=1\r\n");
  const QString file = folders.dir.path() + "/broken.cae";
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[CAEConfig]\r\ndata=0102\r\n");
  f.close();

  Console console(folders, {"-hide", file});
  ASSERT_TRUE(console.WaitForCompactWindow());
  ASSERT_TRUE(Console::WaitFor([&] { return console.HasWindow(kMsgBox); }, 10000));
  // The control channel answers one line: the text up to its line break.
  EXPECT_EQ(console.Ctrl(kMsgBox, "msgtext").text, "The scene file cannot be read or holds no valid scene:");
  console.Click(kMsgBox, "1");
  EXPECT_TRUE(Console::WaitFor([&] { return !console.HasWindow(kMsgBox); }, 5000));
  EXPECT_EQ(console.Query("pcmodes"), "");
  EXPECT_TRUE(console.Status("lock") == "1");  // still running
}

}  // namespace
}  // namespace brisvel::app::e2e
