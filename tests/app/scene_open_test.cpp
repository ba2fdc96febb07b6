// Scene files opened from outside the console: the file arguments, their
// hand-over from a second start, the import offer and its answers, and the
// connect failure text for a processor this user may not open.
#include <gtest/gtest.h>

#include <QDir>
#include <cerrno>
#include <thread>

#include "app/application.h"
#include "app/main_dlg.h"
#include "app/preset_dialogs.h"
#include "core/effect_store.h"
#include "editing/history.h"
#include "presets/file_choice.h"
#include "presets/sys_setting.h"
#include "app/scene_open.h"
#include "app/single_instance.h"
#include "app_test_support.h"
#include "settings/scene_files.h"
#include "settings/config_ini.h"
#include "ui/message_box.h"

namespace brisvel::app {
namespace {

using test::PrivateFolders;
using test::StartedConsole;
using test::WaitUntil;

// Answers every message box from a script (Yes/No questions) and records the texts.
struct ScriptedAnswers {
  explicit ScriptedAnswers(std::vector<int> answers) : answers_(std::move(answers)) {
    ui::SetMessageBoxResponder([this](const ui::MessageBoxRequest& r) {
      texts.push_back(r.text);
      if (r.buttons != ui::MessageButtons::YesNo) return ui::kIdOk;
      if (next_ >= answers_.size()) return ui::kIdNo;
      return answers_[next_++];
    });
  }
  ~ScriptedAnswers() { ui::SetMessageBoxResponder({}); }
  std::vector<QString> texts;

 private:
  std::vector<int> answers_;
  size_t next_ = 0;
};

QString WriteScene(const QString& folder, const QString& fileName, const std::string& name, uint8_t fill) {
  PCModeRecord r;
  r.SetName(name);
  r.block.fill(fill);
  const QString path = folder + "/" + fileName;
  EXPECT_EQ(scene::WriteSceneFile(path.toStdString(), r), scene::SceneError::kNone);
  return path;
}

std::vector<std::string> StoredNames(const PrivateFolders& folders) {
  settings::ConfigIni config(settings::ConfigPath(folders.DataFolder().toStdString()));
  config.Load();
  std::vector<std::string> names;
  for (const PCModeRecord& r : config.LoadPCModes()) names.push_back(r.Name());
  return names;
}

TEST(SceneOpen, FileArgumentsBecomeAbsolutePaths) {
  const StartOptions o = ParseStartOptions(
      {"console", "-hide", "Hall.cae", "--control-socket", "/tmp/c", "/data/Club.cae", "file:///data/My%20Car.cae"});
  ASSERT_EQ(o.files.size(), 3);
  EXPECT_EQ(o.files[0], QDir::current().absoluteFilePath("Hall.cae"));
  EXPECT_EQ(o.files[1], "/data/Club.cae");
  EXPECT_EQ(o.files[2], "/data/My Car.cae");
  EXPECT_EQ(o.controlSocket, "/tmp/c");
  EXPECT_TRUE(o.hide);
}

TEST(SceneOpen, ASecondStartHandsItsFilesOverInOrder) {
  PrivateFolders folders;
  QStringList received;
  int raised = 0;
  BringForwardListener listener([&] { ++raised; }, [&](const QString& f) { received << f; });
  ASSERT_TRUE(listener.Listen());
  // Names with blanks, a line feed, a percent sign and non-Latin text arrive unchanged.
  const QStringList files{"/a b/one.cae", "/odd\nname%20.cae", QString::fromUtf8("/场景/三.cae")};
  std::thread other([&] { RequestOpenFiles(files); });
  EXPECT_TRUE(WaitUntil([&] { return raised == 1; }, 5000));
  other.join();
  EXPECT_EQ(received, files);
}

TEST(SceneOpen, YesAddsThePCModeAndNoLeavesConfigAlone) {
  PrivateFolders folders;
  folders.WriteConfig("[Config]\r\nLang=1\r\n");  // English texts
  StartedConsole console(false);
  ASSERT_TRUE(console.ok);
  const QString hall = WriteScene(folders.Root(), "hall.cae", "Hall", 3);
  {
    ScriptedAnswers answers({ui::kIdNo});
    EXPECT_EQ(OfferSceneImport(*console.app, nullptr, hall), SceneOpenResult::kDeclined);
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0], "Import the scene \"Hall\" from hall.cae as a new PC mode?");
  }
  EXPECT_TRUE(StoredNames(folders).empty());
  {
    ScriptedAnswers answers({ui::kIdYes});
    EXPECT_EQ(OfferSceneImport(*console.app, nullptr, hall), SceneOpenResult::kImported);
    EXPECT_EQ(answers.texts.back(), "The scene \"Hall\" was added to the PC modes.");
  }
  EXPECT_EQ(StoredNames(folders), std::vector<std::string>{"Hall"});
  const auto modes = console.app->Config().LoadPCModes();
  ASSERT_EQ(modes.size(), 1u);
  EXPECT_EQ(modes[0].block[100], 3);
}

TEST(SceneOpen, ASameNameIsReplacedKeptBesideOrSkippedAndBrokenOrBatchFilesOnlyTell) {
  PrivateFolders folders;
  folders.WriteConfig("[Config]\r\nLang=1\r\n");
  StartedConsole console(false);
  ASSERT_TRUE(console.ok);
  ScriptedAnswers answers({ui::kIdYes, ui::kIdYes, ui::kIdYes, ui::kIdYes});  // every offer Yes
  std::vector<editing::DuplicateChoice> choices = {editing::DuplicateChoice::kKeepBoth,
                                                   editing::DuplicateChoice::kReplace, editing::DuplicateChoice::kSkip};
  QStringList asked;
  presets::SetDuplicateResponder([&](const QString& existing) {
    asked << existing;
    const auto next = choices.front();
    choices.erase(choices.begin());
    return next;
  });
  EXPECT_EQ(OfferSceneImport(*console.app, nullptr, WriteScene(folders.Root(), "a.cae", "Club", 1)),
            SceneOpenResult::kImported);
  // Same name in another letter case: kept beside as "CLUB (2)", then replacing Club, then skipped.
  const QString again = WriteScene(folders.Root(), "b.cae", "CLUB", 2);
  EXPECT_EQ(OfferSceneImport(*console.app, nullptr, again), SceneOpenResult::kImported);
  EXPECT_EQ(answers.texts.back(), "The scene \"CLUB (2)\" was added to the PC modes.");
  EXPECT_EQ(OfferSceneImport(*console.app, nullptr, again), SceneOpenResult::kImported);
  EXPECT_EQ(OfferSceneImport(*console.app, nullptr, again), SceneOpenResult::kDeclined);
  presets::SetDuplicateResponder({});
  EXPECT_EQ(asked, (QStringList{"Club", "Club", "CLUB"}));  // the first mode of the name
  EXPECT_EQ(StoredNames(folders), (std::vector<std::string>{"CLUB", "CLUB (2)"}));
  EXPECT_EQ(console.app->Config().LoadPCModes()[0].block[0], 2);

  QFile broken(folders.Root() + "/broken.cae");
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("[CAEConfig]\r\ndata=0011\r\n");
  broken.close();
  answers.texts.clear();
  EXPECT_EQ(OfferSceneImport(*console.app, nullptr, broken.fileName()), SceneOpenResult::kUnreadable);
  EXPECT_EQ(OfferSceneImport(*console.app, nullptr, folders.Root() + "/missing.cae"), SceneOpenResult::kUnreadable);
  EXPECT_EQ(OfferSceneImport(*console.app, nullptr, folders.Root() + "/modes.BAE"), SceneOpenResult::kBatchFile);
  ASSERT_EQ(answers.texts.size(), 3u);  // one message each, no question
  EXPECT_TRUE(answers.texts[0].contains(broken.fileName()));
  EXPECT_EQ(StoredNames(folders).size(), 2u);
}

// The main window's "Open scene..." and "Save scene as...", their folder and the recent scenes.
TEST(SceneOpen, OpenAndSaveSceneGoThroughTheEditorAndRememberFolderAndFile) {
  PrivateFolders folders;
  folders.WriteConfig("[Config]\r\nLang=1\r\n");
  StartedConsole console(false);
  ASSERT_TRUE(console.ok);
  ScriptedAnswers answers({});
  CApplication& app = *console.app;
  const QString dir = folders.Root() + "/car scenes";
  ASSERT_TRUE(QDir().mkpath(dir));
  PCModeRecord hall;
  hall.SetName("Hall");
  hall.block = app.Store().Block();
  WriteParam(hall.block, param::kMainVol, 17);
  hall.channelNames = {"Tweeter L", "Tweeter R", "", "", "", "Sub"};
  ASSERT_EQ(scene::WriteSceneFile((dir + "/hall.cae").toStdString(), hall), scene::SceneError::kNone);

  QStringList startedIn;
  QString answer = dir + "/hall.cae";
  presets::SetFileDialogResponder([&](const presets::FileDialogRequest& r) {
    startedIn << r.folder;
    return QStringList{answer};
  });
  const int before = app.Store().GetParam(param::kMainVol);
  ASSERT_TRUE(OpenSceneFile(app, nullptr));
  EXPECT_EQ(app.Store().GetParam(param::kMainVol), 17);
  EXPECT_EQ(app.Store().Names(), hall.channelNames);
  EXPECT_EQ(app.Config().ChannelNames(), hall.channelNames);  // kept as a recall keeps them
  EXPECT_EQ(app.History()->UndoName(), "Scene opened: Hall");
  app.History()->Undo();
  EXPECT_EQ(app.Store().GetParam(param::kMainVol), before);  // one step
  app.History()->Redo();

  // Saved under the file's name with the editor's names; the folder and the files are kept.
  answer = dir + "/door & dash.cae";
  ASSERT_TRUE(SaveSceneAs(app, nullptr));
  const scene::SceneReadResult saved = scene::ReadSceneFile(answer.toStdString());
  ASSERT_TRUE(saved.record);
  EXPECT_EQ(saved.record->Name(), "door & dash");
  EXPECT_EQ(saved.record->channelNames, hall.channelNames);
  EXPECT_EQ(ReadParam(saved.record->block, param::kMainVol), 17);
  EXPECT_EQ(startedIn, (QStringList{QDir::homePath(), dir}));
  EXPECT_EQ(RecentSceneFiles(app), (QStringList{answer, dir + "/hall.cae"}));
  QFile::remove(dir + "/hall.cae");
  EXPECT_EQ(RecentSceneFiles(app), QStringList{answer});  // a file that is gone is not listed
  const auto items = CMainDlg::FileMenuItems(RecentSceneFiles(app));
  ASSERT_GE(items.size(), 5u);  // open, save, report, a line, then the recent files
  EXPECT_EQ(items[4].first, kCmdRecentScene);
  EXPECT_TRUE(items[4].second.endsWith("/car scenes/door && dash.cae")) << items[4].second.toStdString();
  presets::SetFileDialogResponder({});
}

TEST(SceneOpen, FilesQueuedWhileAnOfferIsOpenFollowInOrder) {
  PrivateFolders folders;
  StartedConsole console(false);
  ASSERT_TRUE(console.ok);
  const QString one = WriteScene(folders.Root(), "1.cae", "One", 1);
  const QString two = WriteScene(folders.Root(), "2.cae", "Two", 2);
  ScriptedAnswers answers({ui::kIdYes, ui::kIdYes});
  console.app->OpenSceneFiles({one});
  console.app->OpenSceneFiles({two});
  EXPECT_TRUE(WaitUntil([&] { return StoredNames(folders).size() == 2; }, 5000));
  EXPECT_EQ(StoredNames(folders), (std::vector<std::string>{"One", "Two"}));
}

TEST(ConnectFailure, PermissionProblemsNameTheFix) {
  for (int error : {EACCES, EPERM}) {
    const QString text = ConnectFailureText(error);
    EXPECT_TRUE(text.contains("no permission")) << error;
    EXPECT_TRUE(text.contains("70-brisvel-dsp.rules"));
    EXPECT_TRUE(text.contains("brisvelctl doctor"));
  }
  EXPECT_EQ(ConnectFailureText(0), "Fail to connect device!");
  EXPECT_EQ(ConnectFailureText(EBUSY), "Fail to connect device!");
}

}  // namespace
}  // namespace brisvel::app
