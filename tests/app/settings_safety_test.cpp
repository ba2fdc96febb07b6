// The console and the user's files: a config.ini that was not read whole or
// cannot be written is never replaced, the reason is logged and the user is
// told once; the control channel never takes the place of a user's file.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QTemporaryDir>
#include <vector>

#include "app/application.h"
#include "app/demo/control_channel.h"
#include "app/main_dlg.h"
#include "app_test_support.h"
#include "ui/message_box.h"

namespace brisvel::app {
namespace {

using test::PrivateFolders;
using test::StartedConsole;

struct MessageCapture {
  MessageCapture() {
    ui::SetMessageBoxResponder([this](const ui::MessageBoxRequest& r) {
      texts.push_back(r.text);
      return ui::kIdOk;
    });
  }
  ~MessageCapture() { ui::SetMessageBoxResponder({}); }
  std::vector<QString> texts;
};

// The texts as a Chinese console (no Lang in config.ini) shows them.
const QString kNotReadCn = QString::fromUtf8("config.ini 设置文件无法完整读取。为保留其中的内容，本次运行不会保存设置。");
const QString kNotSavedCn = QString::fromUtf8("无法将设置保存到 config.ini，该文件可能是只读的。原因已记录在调试日志中。");

QByteArray DebugLog(const PrivateFolders& folders) {
  QFile f(folders.DataFolder() + "/log/brisvel.log");
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(SettingsSafety, ConfigThatCannotBeReadWholeIsKeptAndToldOnce) {
  // A link to /dev/zero and a FIFO exist but are no settings file: the start
  // neither aborts nor waits, and nothing is written over them.
  for (const bool fifo : {false, true}) {
    PrivateFolders folders;
    const QString config = folders.DataFolder() + "/config.ini";
    if (fifo) ASSERT_EQ(::mkfifo(QFile::encodeName(config).constData(), 0644), 0);
    else ASSERT_TRUE(QFile::link("/dev/zero", config));
    MessageCapture messages;
    StartedConsole console(false);
    ASSERT_TRUE(console.ok);
    QApplication::processEvents();
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], kNotReadCn);
    console.app->MainWindow()->OnMenuCommand(kCmdEnglish);
    console.app->SwitchLanguage(0);
    EXPECT_EQ(messages.texts.size(), 1u);  // once per run
    const QFileInfo info(config);
    if (fifo) {
      struct stat st {};
      ASSERT_EQ(::lstat(QFile::encodeName(config).constData(), &st), 0);
      EXPECT_TRUE(S_ISFIFO(st.st_mode));
    } else {
      EXPECT_TRUE(info.isSymLink());
      EXPECT_EQ(info.symLinkTarget(), "/dev/zero");
    }
    const QByteArray log = DebugLog(folders);
    EXPECT_TRUE(log.contains("settings will not be saved this run")) << log.constData();
    EXPECT_TRUE(log.contains(fifo ? "a FIFO" : "a device")) << log.constData();
  }
}

TEST(SettingsSafety, ReadOnlyConfigIsNotReplacedAndToldOnce) {
  PrivateFolders folders;
  const QByteArray text = "[Config]\nLang = 0\n[PCMode]\nCount = 0\n";
  folders.WriteConfig(text);
  const QString config = folders.DataFolder() + "/config.ini";
  // No write permission for anyone: read-only for root too.
  ASSERT_EQ(::chmod(QFile::encodeName(config).constData(), 0444), 0);
  MessageCapture messages;
  StartedConsole console(false);
  ASSERT_TRUE(console.ok);
  QApplication::processEvents();
  EXPECT_TRUE(messages.texts.empty());  // read whole: nothing to say yet
  console.app->MainWindow()->OnMenuCommand(kCmdEnglish);
  ASSERT_EQ(messages.texts.size(), 1u);
  EXPECT_EQ(messages.texts[0], kNotSavedCn);  // told before the switch takes effect
  console.app->MainWindow()->OnMenuCommand(kCmdChinese);
  EXPECT_EQ(messages.texts.size(), 1u);
  EXPECT_EQ(folders.ReadConfig(), text);
  EXPECT_TRUE(DebugLog(folders).contains("read-only"));
}

TEST(SettingsSafety, ControlSocketNeverReplacesAFile) {
  QTemporaryDir dir;
  const QString file = dir.path() + "/notes.txt";
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("mine");
  }
  EXPECT_FALSE(demo::ControlSocketPathProblem(file).isEmpty());
  EXPECT_TRUE(demo::ControlSocketPathProblem(dir.path() + "/free").isEmpty());
  EXPECT_FALSE(demo::ControlSocketPathProblem(dir.path()).isEmpty());  // a folder

  // The console refuses to start with it, and says why.
  QByteArray program = "brisvel-console", option = "--control-socket", path = QFile::encodeName(file);
  char* argv[] = {program.data(), option.data(), path.data(), nullptr};
  ::testing::internal::CaptureStderr();
  const int status = RunConsole(3, argv);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(status, 0);
  EXPECT_NE(err.find("not a socket"), std::string::npos) << err;
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "mine");

  // A socket left behind by an earlier run is taken over.
  PrivateFolders folders;
  StartedConsole console(true);
  ASSERT_TRUE(console.ok);
  QLocalServer stale;
  const QString socket = dir.path() + "/control";
  ASSERT_TRUE(stale.listen(socket));
  EXPECT_TRUE(demo::ControlSocketPathProblem(socket).isEmpty());
  demo::ControlChannel channel(*console.app);
  EXPECT_FALSE(channel.Listen(file));
  EXPECT_TRUE(channel.Listen(socket));
}

}  // namespace
}  // namespace brisvel::app
