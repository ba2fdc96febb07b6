// In-process tests of the application shell on the offscreen platform: the
// access code, start options, the instance lock, the compact window's volume
// rules and controls, the language switch, and the connection display through
// connect, pull-out and plug-in of the simulated processor.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QElapsedTimer>
#include <thread>

#include "app/app_paths.h"
#include "app/application.h"
#include "app/demo/simulated_device.h"
#include "app/compact_volume.h"
#include "app/device_events.h"
#include "app/layout_ids/xml_mainwnd.h"
#include "app/main_dlg.h"
#include "app/mini_dlg.h"
#include "app/single_instance.h"
#include "app_test_support.h"
#include "controls/value_controls.h"
#include "device/device_manager.h"
#include "device/sim_processor.h"
#include "presets/advanced_login.h"
#include "ui/basic_controls.h"
#include "ui/message_box.h"
#include "ui/translation.h"

namespace brisvel::app {
namespace {

using test::PrivateFolders;
using test::StartedConsole;
using test::WaitUntil;

// ---- access code and the login dialog

TEST(AdvancedLogin, AccessCodeIsComparedExactly) {
  using presets::CheckAccessCode;
  using presets::LoginCheck;
  struct Case {
    const char* typed;
    LoginCheck expected;
  } cases[] = {
      {"", LoginCheck::kEmpty},          {"40721836", LoginCheck::kAccepted}, {" 40721836", LoginCheck::kWrong},
      {"40721836 ", LoginCheck::kWrong}, {"4072183", LoginCheck::kWrong},     {"407218360", LoginCheck::kWrong},
      {"1234", LoginCheck::kWrong},      {" ", LoginCheck::kWrong},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckAccessCode(QString::fromLatin1(c.typed)), c.expected) << c.typed;
}

TEST(AdvancedLogin, DialogMessagesAndResults) {
  presets::CLoginDlg dlg(QString::fromLatin1(presets::kLoginLayout));
  ASSERT_TRUE(dlg.Create());
  dlg.show();
  QApplication::processEvents();
  ui::Edit* pwd = dlg.Handler().PasswordBox();
  ui::TextLabel* msg = dlg.Handler().MessageLine();
  QWidget* ok = dlg.FindByName("btnOK");
  ASSERT_TRUE(pwd && msg && ok);
  EXPECT_TRUE(pwd->echoMode() == QLineEdit::Password);
  EXPECT_TRUE(msg->ShownText().isEmpty());

  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_EQ(msg->SourceText(), "Please enter password");
  EXPECT_TRUE(dlg.isVisible());

  pwd->setText("40721836 ");
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_EQ(msg->SourceText(), "Password is incorrect");
  EXPECT_EQ(pwd->text(), "40721836 ");  // the typed text stays
  EXPECT_TRUE(dlg.isVisible());

  pwd->setText("40721836");
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), 1);

  presets::CLoginDlg cancelled(QString::fromLatin1(presets::kLoginLayout));
  ASSERT_TRUE(cancelled.Create());
  cancelled.show();
  QApplication::processEvents();
  cancelled.Handler().PasswordBox()->setText("40721836");
  QTest::mouseClick(cancelled.FindByName("btnCancel"), Qt::LeftButton);
  EXPECT_EQ(cancelled.result(), 2);
}

TEST(AdvancedLogin, EnterLogsInWithTheTypedCodeAndEscapeCancels) {
  struct Case {
    const char* typed;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int result;  // 0: still open
  } cases[] = {
      {"40721836", Qt::Key_Return, Qt::NoModifier, 1},
      {"40721836", Qt::Key_Enter, Qt::KeypadModifier, 1},
      {"1234", Qt::Key_Return, Qt::NoModifier, 0},
      {"40721836", Qt::Key_Escape, Qt::NoModifier, 2},
  };
  for (const Case& c : cases) {
    presets::CLoginDlg dlg(QString::fromLatin1(presets::kLoginLayout));
    ASSERT_TRUE(dlg.Create());
    dlg.setModal(true);
    dlg.show();
    QApplication::processEvents();
    ui::Edit* pwd = dlg.Handler().PasswordBox();
    ASSERT_TRUE(pwd);
    QTest::keyClicks(pwd, QString::fromLatin1(c.typed));
    QTest::keyClick(pwd, c.key, c.modifiers);
    if (c.result == 0) {
      EXPECT_TRUE(dlg.isVisible()) << c.typed;
      EXPECT_EQ(dlg.Handler().MessageLine()->SourceText(), "Password is incorrect");
      dlg.done(0);
    } else {
      EXPECT_FALSE(dlg.isVisible()) << c.typed << " " << c.key;
      EXPECT_EQ(dlg.result(), c.result) << c.typed << " " << c.key;
    }
  }
}

// ---- start options and folders

TEST(StartOptions, HideIsASubstringAndOtherOptionsAreRead) {
  EXPECT_TRUE(ParseStartOptions({"console", "-hide"}).hide);
  EXPECT_TRUE(ParseStartOptions({"console", "x-hidey"}).hide);
  EXPECT_FALSE(ParseStartOptions({"console", "-HIDE"}).hide);
  EXPECT_FALSE(ParseStartOptions({"/opt/-hide/console"}).hide);  // the program's own path does not count
  const StartOptions o = ParseStartOptions({"console", "--simulate", "--verbose", "--control-socket", "/tmp/c"});
  EXPECT_TRUE(o.simulate);
  EXPECT_TRUE(o.verbose);
  EXPECT_EQ(o.controlSocket, "/tmp/c");
  EXPECT_FALSE(ParseStartOptions({"console", "--control-socket"}).error.isEmpty());
}

TEST(Folders, DataFolderFollowsXdgDataHome) {
  PrivateFolders folders;
  EXPECT_EQ(DataFolderPath(), folders.Root() + "/data/RezUriruBrisvel");
  qputenv("XDG_DATA_HOME", "");
  EXPECT_EQ(DataFolderPath(), QDir::homePath() + "/.local/share/RezUriruBrisvel");
}

TEST(InstanceLockTest, SecondHolderIsRefusedUntilRelease) {
  PrivateFolders folders;
  InstanceLock first, second;
  ASSERT_TRUE(first.Acquire());
  EXPECT_TRUE(QFile::exists(folders.RunFolder() + "/3E1893CB-5629-46D6-9BEB-BFF3B203BEF2.lock"));
  EXPECT_FALSE(second.Acquire());
  first.Release();
  EXPECT_TRUE(second.Acquire());
  second.Release();
  InstanceLock unnamed{QString()};
  EXPECT_FALSE(unnamed.Acquire());
}

TEST(BringForward, RequestReachesTheListener) {
  PrivateFolders folders;
  int requests = 0;
  BringForwardListener listener([&] { ++requests; });
  ASSERT_TRUE(listener.Listen());
  EXPECT_FALSE(RequestBringForward(QStringLiteral("no-such-console"), 200));
  // The request is written from a helper thread, as a second process would.
  std::thread other([] { RequestBringForward(); });
  EXPECT_TRUE(WaitUntil([&] { return requests == 1; }, 5000));
  other.join();
}

// ---- device events from other threads and from the system bus

TEST(DeviceEvents, HotplugNotificationsRunOnTheUiThreadInOrder) {
  std::vector<std::pair<hid::HotplugAction, std::string>> seen;
  bool onUiThread = true;
  HotplugBridge bridge([&](hid::HotplugAction a, const hid::HidDeviceInfo& d) {
    onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
    seen.emplace_back(a, d.path);
  });
  std::thread backend([&] {
    bridge.OnHidDeviceChange(hid::HotplugAction::kRemoval, {"sim:0", 0x2B53, 0x0019});
    bridge.OnHidDeviceChange(hid::HotplugAction::kArrival, {"sim:1", 0x2B53, 0x0019});
  });
  backend.join();
  EXPECT_TRUE(seen.empty());  // nothing runs on the backend's thread
  EXPECT_TRUE(WaitUntil([&] { return seen.size() == 2; }, 2000));
  EXPECT_TRUE(onUiThread);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].first, hid::HotplugAction::kRemoval);
  EXPECT_EQ(seen[1].second, "sim:1");
}

TEST(DeviceEvents, OnlyTheWakingEdgeOfPrepareForSleepCounts) {
  int resumes = 0;
  ResumeWatcher watcher([&] { ++resumes; });
  watcher.Start();  // with or without a system bus
  watcher.OnPrepareForSleep(true);
  EXPECT_EQ(resumes, 0);
  watcher.OnPrepareForSleep(false);
  EXPECT_EQ(resumes, 1);
}

// ---- the compact window's volume rules

TEST(CompactVolume, ShownVolumeIsLimitedTo60) {
  CEffectStore store;
  store.ReplaceBlock(FactoryBlock());
  store.WriteParamLocal(param::kMainVol, 66);
  store.WriteParamLocal(param::Volume(0), 12);
  EXPECT_EQ(ShownVolume(store, VolumeChoice::kMaster), 60);
  EXPECT_EQ(ChosenLevel(store, VolumeChoice::kMaster), 66);  // the text's level
  EXPECT_EQ(VolumeText(66), "6dB");
  EXPECT_EQ(ShownVolume(store, VolumeChoice::kSub), 12);
  EXPECT_EQ(ShownVolume(store, VolumeChoice::kNone), 0);
  EXPECT_EQ(VolumeText(60), "0dB");
  EXPECT_EQ(VolumeText(37), "-23dB");
}

TEST(CompactVolume, SubWritesBothBassChannelsWithTheirLinkedRanges) {
  CEffectStore store;
  store.ReplaceBlock(FactoryBlock());
  EXPECT_EQ(WriteVolume(store, VolumeChoice::kSub, 70), 60);
  EXPECT_EQ(store.GetParam(param::Volume(0)), 60);
  EXPECT_EQ(store.GetParam(param::Volume(1)), 60);
  EXPECT_EQ(WriteVolume(store, VolumeChoice::kSub, -3), 0);
  EXPECT_EQ(store.GetParam(param::Volume(1)), 0);
  const uint16_t front = store.GetParam(param::Volume(2));
  store.SetLinkFlags({0, 0, 0, 1});
  WriteVolume(store, VolumeChoice::kSub, 33);
  EXPECT_EQ(store.GetParam(param::Volume(0)), 33);
  EXPECT_EQ(store.GetParam(param::Volume(1)), 33);
  EXPECT_EQ(store.GetParam(param::Volume(2)), front);  // the speakers are not touched
  WriteVolume(store, VolumeChoice::kMaster, 41);
  EXPECT_EQ(store.GetParam(param::kMainVol), 41);
}

TEST(CompactVolume, LinkedRangesFollowTheFirstMatchingGroup) {
  CEffectStore store;
  EXPECT_EQ(LinkedRange(store, 3), std::vector<int>({3}));
  store.SetLinkFlags({3, 5, 0, 0});
  EXPECT_EQ(LinkedRange(store, 3), std::vector<int>({2, 3}));
  EXPECT_EQ(LinkedRange(store, 5), std::vector<int>({4, 5}));
  EXPECT_EQ(LinkedRange(store, 0), std::vector<int>({0}));
  store.SetLinkFlags({3, 5, 4, 2});
  EXPECT_EQ(LinkedRange(store, 2), std::vector<int>({2, 3, 4, 5}));
  EXPECT_EQ(LinkedRange(store, 1), std::vector<int>({0, 1}));
}

TEST(CompactVolume, StepsStartFromTheBlocksVolumeNotTheKnob) {
  CEffectStore store;
  store.ReplaceBlock(FactoryBlock());
  store.WriteParamLocal(param::kMainVol, 66);
  // Above the knob's top a step neither cuts the level to 0 dB nor raises it.
  EXPECT_EQ(StepVolume(store, VolumeChoice::kMaster, -1), 65);
  EXPECT_EQ(store.GetParam(param::kMainVol), 65);
  store.WriteParamLocal(param::kMainVol, 66);
  EXPECT_EQ(StepVolume(store, VolumeChoice::kMaster, +1), 66);
  EXPECT_EQ(store.GetParam(param::kMainVol), 66);
  store.WriteParamLocal(param::kMainVol, 60);
  EXPECT_EQ(StepVolume(store, VolumeChoice::kMaster, +1), 60);  // never past the knob's top
  store.WriteParamLocal(param::Volume(0), 63);
  store.WriteParamLocal(param::Volume(1), 63);
  EXPECT_EQ(StepVolume(store, VolumeChoice::kSub, -1), 62);
  EXPECT_EQ(store.GetParam(param::Volume(1)), 62);
  store.WriteParamLocal(param::Volume(0), 0);
  EXPECT_EQ(StepVolume(store, VolumeChoice::kSub, -1), 0);
  EXPECT_EQ(StepVolume(store, VolumeChoice::kSub, +1), 1);
  EXPECT_EQ(store.GetParam(param::Volume(1)), 1);
}

TEST(CompactVolume, MuteAllNeedsAllSixBits) {
  CEffectStore store;
  store.WriteParamLocal(param::kMuteCtrl, 0x1F);
  EXPECT_FALSE(AllMuted(store));
  store.WriteParamLocal(param::kMuteCtrl, 0xFF);
  EXPECT_TRUE(AllMuted(store));
  SetAllMuted(store, false);
  EXPECT_EQ(store.GetParam(param::kMuteCtrl), 0);
  SetAllMuted(store, true);
  EXPECT_EQ(store.GetParam(param::kMuteCtrl), 63);
}

// ---- the running shell, in process

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

TEST(Shell, LanguageSwitchStoresLangAndChangesTheMenu) {
  PrivateFolders folders;
  StartedConsole console(false);
  ASSERT_TRUE(console.ok);
  CApplication& app = *console.app;
  EXPECT_EQ(app.Language(), 0);  // no config.ini: Chinese
  EXPECT_EQ(ui::CurrentTranslation(), "translator:cn");
  EXPECT_EQ(CMainDlg::ConfigMenuItems(app.Language()).front().second, "English");
  app.MainWindow()->OnMenuCommand(kCmdEnglish);
  EXPECT_EQ(app.Language(), 1);
  EXPECT_EQ(ui::CurrentTranslation(), "translator:en");
  settings::ConfigIni saved(settings::ConfigPath(folders.DataFolder().toStdString()));
  ASSERT_TRUE(saved.Load());
  EXPECT_EQ(saved.Lang(), 1);
  EXPECT_EQ(CMainDlg::ConfigMenuItems(app.Language()).front(), std::make_pair(int(kCmdChinese), QString("简体中文")));
  EXPECT_EQ(CMainDlg::FileMenuItems().back().first, kCmdExit);
}

TEST(Shell, AnyNonZeroLangStartsInEnglish) {
  PrivateFolders folders;
  folders.WriteConfig("[Config]\nLang=5\n");
  StartedConsole console(false);
  ASSERT_TRUE(console.ok);
  EXPECT_EQ(console.app->Language(), 5);
  EXPECT_EQ(ui::CurrentTranslation(), "translator:en");
  auto* indicator = console.app->CompactWindow()->Find<ui::SkCheckButton>(1004);
  ASSERT_TRUE(indicator);
  EXPECT_EQ(indicator->ShownText(), "Not connect");
}

TEST(Shell, ModeButtonWithoutProcessorChangesNothing) {
  PrivateFolders folders;
  folders.WriteConfig("[Config]\nLang=1\n");
  StartedConsole console(false);
  ASSERT_TRUE(console.ok);
  MessageCapture messages;
  const EffectBlock before = console.app->Store().Block();
  auto* c = console.app->CompactWindow()->Find<ui::SkRadioButton>(2002);
  ASSERT_TRUE(c);
  QTest::mouseClick(c, Qt::LeftButton);
  ASSERT_EQ(messages.texts.size(), 1u);
  EXPECT_EQ(messages.texts[0], "Device not connected");
  EXPECT_EQ(console.app->Store().Block(), before);
  EXPECT_EQ(console.app->Store().CurrentDeviceMode(), -1);
  EXPECT_FALSE(c->IsChecked());
}

TEST(Shell, SimulatedProcessorRecallConnectButtonAndHotplug) {
  PrivateFolders folders;
  folders.WriteConfig("[Config]\nLang=1\n");
  StartedConsole console(true);
  ASSERT_TRUE(console.ok);
  CApplication& app = *console.app;
  CMiniDlg* mini = app.CompactWindow();
  auto* indicator = mini->Find<ui::SkCheckButton>(1004);
  ASSERT_TRUE(indicator);
  EXPECT_TRUE(app.IsConnected());
  EXPECT_EQ(indicator->ShownText(), "Connected");

  // Mode button C recalls slot 2 and the knob shows the processor's volume.
  sim::SimState state = app.Simulator()->Processor()->State();
  WriteParam(state.slots[2], param::kMainVol, 37);
  app.Simulator()->Processor()->SetState(state);
  int refreshes = 0;
  QObject::connect(&app.Refresher(), &RefreshNotifier::Refresh, app.MainWindow(),
                   [&](RefreshKind kind) { refreshes += kind == RefreshKind::kRecall; });
  QTest::mouseClick(mini->Find<ui::SkRadioButton>(2002), Qt::LeftButton);
  EXPECT_EQ(app.Simulator()->Processor()->State().currentMode, 2);
  EXPECT_EQ(app.Store().CurrentDeviceMode(), 2);
  EXPECT_EQ(refreshes, 1);
  EXPECT_EQ(mini->Find<ui::SkRotaryKnob>(1000)->Value(), 37);
  EXPECT_EQ(mini->Find<ui::TextLabel>(3000)->ShownText(), "-23dB");

  // The connected indicator takes the store offline; the device stays open.
  QTest::mouseClick(indicator, Qt::LeftButton);
  EXPECT_EQ(indicator->ShownText(), "Not connect");
  EXPECT_FALSE(indicator->IsChecked());
  EXPECT_TRUE(app.DeviceManager()->IsDeviceOpen());
  QTest::mouseClick(indicator, Qt::LeftButton);
  EXPECT_EQ(indicator->ShownText(), "Connected");

  // Pulled out: "Not connect"; plugged in: connected after the arrival wait.
  ASSERT_TRUE(app.Simulator()->Unplug());
  EXPECT_TRUE(WaitUntil([&] { return indicator->ShownText() == "Not connect"; }, 5000));
  EXPECT_FALSE(app.DeviceManager()->IsDeviceOpen());
  QElapsedTimer sincePlug;
  sincePlug.start();
  ASSERT_TRUE(app.Simulator()->Plug());
  EXPECT_TRUE(WaitUntil([&] { return indicator->ShownText() == "Connected"; }, 10000));
  EXPECT_GE(sincePlug.elapsed(), 1900);
}

TEST(Shell, QuickEditsWaitForTheMainWindowsTimer1012) {
  PrivateFolders folders;
  StartedConsole console(true);
  ASSERT_TRUE(console.ok);
  CApplication& app = *console.app;
  ASSERT_TRUE(app.IsConnected());
  CMainDlg* main = app.MainWindow();
  app.Simulator()->Processor()->ClearRequests();
  app.Store().SetParam(param::kMainVol, 30);  // sent at once
  EXPECT_FALSE(main->HasTimer(CMainDlg::kSendTimerId));
  app.Store().SetParam(param::kMainVol, 31);  // within 200 ms: on the timer
  EXPECT_TRUE(main->HasTimer(CMainDlg::kSendTimerId));
  EXPECT_TRUE(WaitUntil([&] { return !main->HasTimer(CMainDlg::kSendTimerId); }, 3000));
  EXPECT_EQ(ReadParam(app.Simulator()->Processor()->State().active, param::kMainVol), 31);
}

TEST(Shell, CompactKnobStepsAndMuteWriteTheStore) {
  PrivateFolders folders;
  StartedConsole console(false);
  ASSERT_TRUE(console.ok);
  CMiniDlg* mini = console.app->CompactWindow();
  CEffectStore& store = console.app->Store();
  store.WriteParamLocal(param::kMainVol, 59);
  store.WriteParamLocal(param::Volume(0), 20);
  mini->Refresh();
  auto* knob = mini->Find<ui::SkRotaryKnob>(1000);
  QTest::mouseClick(mini->FindById(1001), Qt::LeftButton);
  QTest::mouseClick(mini->FindById(1001), Qt::LeftButton);
  EXPECT_EQ(store.GetParam(param::kMainVol), 60);  // limited to 0 dB
  EXPECT_EQ(knob->Value(), 60);
  QTest::mouseClick(mini->FindById(1006), Qt::LeftButton);  // Sub
  EXPECT_EQ(knob->Value(), 20);
  QTest::mouseClick(mini->FindById(1002), Qt::LeftButton);
  EXPECT_EQ(store.GetParam(param::Volume(0)), 19);
  EXPECT_EQ(store.GetParam(param::Volume(1)), 19);
  EXPECT_EQ(store.GetParam(param::kMainVol), 60);
  QTest::mouseClick(mini->FindById(1003), Qt::LeftButton);
  EXPECT_EQ(store.GetParam(param::kMuteCtrl), 63);
  QTest::mouseClick(mini->FindById(1003), Qt::LeftButton);
  EXPECT_EQ(store.GetParam(param::kMuteCtrl), 0);

  // MainVol above the knob's 60: the knob stands at its top, the text tells
  // the real level, and "-" steps down from it (66 to 65, not to 60).
  QTest::mouseClick(mini->FindById(1005), Qt::LeftButton);  // Master
  store.WriteParamLocal(param::kMainVol, 66);
  mini->Refresh();
  EXPECT_EQ(knob->Value(), 60);
  EXPECT_EQ(mini->Find<ui::TextLabel>(3000)->ShownText(), "6dB");
  QTest::mouseClick(mini->FindById(1002), Qt::LeftButton);
  EXPECT_EQ(store.GetParam(param::kMainVol), 65);
  EXPECT_EQ(knob->Value(), 60);
  EXPECT_EQ(mini->Find<ui::TextLabel>(3000)->ShownText(), "5dB");
}

// ---- the console's exit status

struct ConsoleRun {
  int exitCode = -1;
  QByteArray errors;
};

// Runs the console on the offscreen platform with the given folders and waits for its end.
ConsoleRun RunConsoleProcess(const QString& dataHome, const QString& runtimeDir, const QString& tmpDir,
                             int timeoutMs = 60000) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("XDG_DATA_HOME", dataHome);
  env.insert("XDG_RUNTIME_DIR", runtimeDir);
  env.insert("TMPDIR", tmpDir);
  if (!env.contains("ASAN_OPTIONS")) env.insert("ASAN_OPTIONS", "detect_leaks=0");
  p.setProcessEnvironment(env);
  p.start(QString::fromLatin1(BRISVEL_CONSOLE_PATH), {"-hide"});
  ConsoleRun run;
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished(5000);
    return run;
  }
  run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  run.errors = p.readAllStandardError();
  return run;
}

TEST(ExitStatus, AStartThatCannotTakeTheInstanceLockFailsWithStatus1) {
  PrivateFolders folders;
  // The runtime folder and the data folder (the place of the console's own
  // private folder when there is no runtime folder) are plain files, so no
  // lock can be made, not even by root; a shared folder is never the fallback.
  const QString notAFolder = folders.Root() + "/not-a-folder";
  QFile(notAFolder).open(QIODevice::WriteOnly);
  const ConsoleRun run = RunConsoleProcess(notAFolder, notAFolder, notAFolder);
  EXPECT_EQ(run.exitCode, kExitStartupFailed) << run.errors.toStdString();
  EXPECT_TRUE(run.errors.contains("instance lock")) << run.errors.toStdString();
}

TEST(ExitStatus, ASecondStartHandingOverToTheFirstExits0) {
  PrivateFolders folders;
  InstanceLock first;
  ASSERT_TRUE(first.Acquire());
  int requests = 0;
  BringForwardListener listener([&] { ++requests; });
  ASSERT_TRUE(listener.Listen());
  // The listener answers on this thread's loop while the second start runs.
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("XDG_DATA_HOME", folders.Root() + "/data");
  env.insert("XDG_RUNTIME_DIR", folders.RunFolder());
  p.setProcessEnvironment(env);
  p.start(QString::fromLatin1(BRISVEL_CONSOLE_PATH), {"-hide"});
  ASSERT_TRUE(WaitUntil([&] { return p.state() == QProcess::NotRunning; }, 60000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_TRUE(WaitUntil([&] { return requests == 1; }, 5000));
}

TEST(Shell, IndicatorsShowChangesNotYetSentUntilATransferSucceeds) {
  PrivateFolders folders;
  folders.WriteConfig("[Config]\nLang=1\n");
  StartedConsole console(true);
  ASSERT_TRUE(console.ok);
  CApplication& app = *console.app;
  ASSERT_TRUE(app.IsConnected());
  auto* compact = app.CompactWindow()->Find<ui::SkCheckButton>(1004);
  auto* full = app.MainWindow()->Find<ui::SkCheckButton>(layout::mainwnd::kConnectState);
  ASSERT_TRUE(compact && full);
  const QColor connectedColour = compact->TextColor();

  // The processor stops hearing: two edits fail to go.
  app.Simulator()->Processor()->SetRequestsLost(true);
  app.Store().SetParam(param::kMainVol, 30);
  app.Store().SetParam(param::Volume(2), 40);
  EXPECT_TRUE(WaitUntil([&] { return compact->toolTip() == "2 changes not yet sent"; }, 8000)) << compact->toolTip().toStdString();
  EXPECT_EQ(full->toolTip(), "2 changes not yet sent");
  EXPECT_EQ(compact->ShownText(), "Connected");
  EXPECT_NE(compact->TextColor(), connectedColour);
  EXPECT_EQ(full->TextColor(), compact->TextColor());

  // It hears again: the sender's retry brings both edits, the indicators recover.
  app.Simulator()->Processor()->SetRequestsLost(false);
  EXPECT_TRUE(WaitUntil([&] { return compact->toolTip().isEmpty(); }, 8000)) << compact->toolTip().toStdString();
  EXPECT_TRUE(full->toolTip().isEmpty());
  EXPECT_EQ(compact->TextColor(), connectedColour);
  EXPECT_EQ(ReadParam(app.Simulator()->Processor()->State().active, param::kMainVol), 30);
  EXPECT_EQ(ReadParam(app.Simulator()->Processor()->State().active, param::Volume(2)), 40);
}

TEST(Shell, UnsentChangesTipIsTranslated) {
  PrivateFolders folders;
  folders.WriteConfig("[Config]\nLang=0\n");
  StartedConsole console(false);
  ASSERT_TRUE(console.ok);
  auto* compact = console.app->CompactWindow()->Find<ui::SkCheckButton>(1004);
  ASSERT_TRUE(compact);
  ShowConnectionState(compact, true, 3);
  EXPECT_EQ(compact->toolTip(), QString::fromUtf8("3 项更改尚未发送到设备"));
}

TEST(Shell, FlakyProcessorDoesNotFreezeTheWindow) {
  PrivateFolders folders;
  folders.WriteConfig("[Config]\nLang=1\n");
  StartedConsole console(true);
  ASSERT_TRUE(console.ok);
  CApplication& app = *console.app;
  ASSERT_TRUE(app.IsConnected());
  // Found but never openable (a loose cable), plugged and pulled 20 times.
  app.Simulator()->Processor()->SetOpenFails(true);
  ASSERT_TRUE(app.Simulator()->Unplug());
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(app.Simulator()->Plug());
    ASSERT_TRUE(app.Simulator()->Unplug());
  }
  ASSERT_TRUE(app.Simulator()->Plug());

  // The window's loop keeps turning: record the longest pause between turns.
  QElapsedTimer sinceTick;
  sinceTick.start();
  qint64 longestPause = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longestPause = std::max(longestPause, sinceTick.restart());
  });
  ticker.start(20);
  QElapsedTimer total;
  total.start();
  // The arrivals are merged into one more wait after the first, not nested.
  QTest::qWait(7000);
  ticker.stop();
  EXPECT_LT(longestPause, 1500);
  EXPECT_FALSE(app.DeviceManager()->IsDeviceOpen());
  EXPECT_EQ(app.CompactWindow()->Find<ui::SkCheckButton>(1004)->ShownText(), "Not connect");
}

}  // namespace
}  // namespace brisvel::app
