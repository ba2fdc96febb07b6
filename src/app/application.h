// The one application object: folders, settings, the data-file values, the
// effect store, the device manager and the two windows, with the start-up,
// run and shutdown order of the console.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

#include "app/console.h"
#include "app/demo/demo_host.h"
#include "app/refresh.h"
#include "core/effect_store.h"
#include "editing/ab_compare.h"
#include "editing/history.h"
#include "settings/cae_data.h"
#include "settings/config_ini.h"

class QApplication;

namespace brisvel {
class CDeviceManager;
namespace editing {
class DeviceEditLink;
}  // namespace editing
namespace hid {
class HidBackendSet;
class HidrawBackend;
}  // namespace hid
}  // namespace brisvel

namespace brisvel::app {

class CMainDlg;
class CMiniDlg;
class SplashScreen;
class InstanceLock;
class BringForwardListener;
class HotplugBridge;
class ResumeWatcher;
class SceneOpenQueue;
namespace demo {
class ControlChannel;
class SimulatedDevice;
}  // namespace demo

// Told once per run when config.ini was not read whole, or could not be saved.
inline constexpr char kSettingsNotReadText[] =
    "The settings file config.ini could not be read completely. To keep what it holds, settings will not be saved "
    "this run.";
inline constexpr char kSettingsNotSavedText[] =
    "The settings could not be saved to config.ini; it may be read-only. The reason is in the debug log.";
inline constexpr int kExitStartupFailed = 1;

struct StartOptions {
  bool hide = false;      // "-hide": no splash screen
  bool verbose = false;   // "RezUriru:" lines on standard error
  bool simulate = false;  // plug a simulated processor (demo mode)
  QString controlSocket;  // test and demo control channel (plug/unplug, inspection)
  QStringList files;      // scene files to offer for import (absolute paths)
  bool help = false;
  QString error;          // an option that could not be read
};

StartOptions ParseStartOptions(const QStringList& arguments);
QString UsageText();

// Deletes a window at the next turn of the message loop, so a window can be
// released from inside one of its own event handlers.
struct DeleteLater {
  void operator()(QObject* o) const;
};

// The application implements the windows' interfaces and the demo module's;
// only the entry point, the screenshot tool and the tests hold it whole.
class CApplication final : public IConsoleFrames, public demo::IDemoHost {
 public:
  // Program load: folders, config.ini, the language and the data-file defaults.
  explicit CApplication(StartOptions options);
  ~CApplication() override;
  CApplication(const CApplication&) = delete;
  CApplication& operator=(const CApplication&) = delete;

  static CApplication* Instance() { return instance_; }

  // The entry point's steps after the UI application exists; returns the
  // process's exit code: 0 after a normal run and for a later start that
  // handed over to the running console, kExitStartupFailed when the console
  // could not start (the reason is on standard error and in the log).
  int Main();

  // Initialisation, running the windows and release (Main runs them in order).
  bool Initialise();
  int Run();
  void Release();
  // Run's first and last steps: both windows with the compact one shown and
  // the device events connected; and their removal.
  bool CreateWindows();
  void DestroyWindows();

  const QString& ProgramFolder() const { return programFolder_; }
  const StartOptions& Options() const { return options_; }
  CMainDlg* MainWindow() { return mainDlg_.get(); }
  CMiniDlg* CompactWindow() { return miniDlg_.get(); }
  // Offers the scene files for import as PC modes, one after the other.
  void OpenSceneFiles(const QStringList& files);

  // IConsole
  CEffectStore& Store() override { return store_; }
  CDeviceManager* DeviceManager() override { return deviceManager_.get(); }
  editing::IEditLink* EditLink() override;
  bool IsConnected() const override;
  settings::ConfigIni& Config() override { return config_; }
  const settings::CaeData& CaeData() const override { return caeData_; }
  const QString& DataFolder() const override { return dataFolder_; }
  int Language() const override { return language_; }
  void SwitchLanguage(int language) override;
  void ExitRoutine() override;
  RefreshNotifier& Refresher() override { return refresher_; }
  editing::CEditHistory* History() override { return &history_; }
  editing::CAbCompare* AbCompare() override { return &ab_; }

  // IConsoleFrames
  void CloseCompactWindow() override;
  void ShowMainWindowAfterLogin() override;
  void StartCompactRefreshTimer(int delayMs) override;
  void UpdateConnectionDisplays() override;
  QWidget* VisibleWindow() override;
  void BringForward() override;

  // demo::IDemoHost
  IConsole& Console() override { return *this; }
  demo::SimulatedDevice* Simulator() override { return simulator_.get(); }
  bool SplashWasShown() const override { return splashShown_; }
  bool InstanceLockHeld() const override;
  ui::HostWindow* MainFrame() override;
  QMenu* OpenMenu() const override;
  QString OpenWindowLater(const QString& which) override;

 private:
  // Notes why start-up failed, for Main to report.
  void StartupFailed(const QString& reason);
  bool InitUserInterface();
  void SetUpLogging();
  bool CreateDeviceLink();
  void CloseSplash();
  // Whether the history keys pressed in w's window run the console's history.
  bool OwnsHistoryKeys(QWidget* w) const;
  // A failed or refused save of config.ini: logged every time, told once.
  void OnSettingsNotSaved(const std::string& why);
  void TellSettingsProblemOnce(const char* text);

  static CApplication* instance_;

  StartOptions options_;
  RefreshNotifier refresher_;
  std::unique_ptr<InstanceLock> instanceLock_;
  settings::ConfigIni config_;
  QString programFolder_;
  QString dataFolder_;
  int language_ = 0;
  CEffectStore store_;
  // The edits of the side shown and the other side of the A/B comparison.
  editing::CEditHistory history_{store_};
  editing::CAbCompare ab_{store_, history_};
  std::unique_ptr<QObject> stepFilter_;
  settings::CaeData caeData_;
  std::unique_ptr<hid::HidrawBackend> hidraw_;
  std::unique_ptr<demo::SimulatedDevice> simulator_;
  std::unique_ptr<hid::HidBackendSet> backends_;
  std::unique_ptr<CDeviceManager> deviceManager_;
  std::unique_ptr<editing::DeviceEditLink> editLink_;
  std::unique_ptr<HotplugBridge> hotplug_;
  std::unique_ptr<ResumeWatcher> resume_;
  std::unique_ptr<BringForwardListener> forwardListener_;
  std::unique_ptr<demo::ControlChannel> control_;
  std::unique_ptr<SceneOpenQueue> sceneQueue_;
  std::unique_ptr<CMainDlg, DeleteLater> mainDlg_;
  std::unique_ptr<CMiniDlg, DeleteLater> miniDlg_;
  std::unique_ptr<SplashScreen> splash_;
  bool splashShown_ = false;
  bool released_ = false;
  bool settingsProblemTold_ = false;
  QString startupError_;
};

// The whole program: options, the UI application, the single-instance rule
// and the application object. Returns the process's exit code.
int RunConsole(int argc, char** argv);

}  // namespace brisvel::app
