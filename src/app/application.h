// The one application object: folders, settings, the data-file values, the
// effect store, the device manager and the two windows, with the start-up,
// run and shutdown order of the console.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

#include "app/refresh.h"
#include "core/effect_store.h"
#include "settings/cae_data.h"
#include "settings/config_ini.h"

class QApplication;

namespace brisvel {
class CDeviceManager;
namespace hid {
class HidBackendSet;
class HidrawBackend;
}  // namespace hid
namespace sim {
class SimHidBackend;
class SimProcessor;
}  // namespace sim
}  // namespace brisvel

namespace brisvel::app {

class CMainDlg;
class CMiniDlg;
class SplashScreen;
class InstanceLock;
class BringForwardListener;
class HotplugBridge;
class ResumeWatcher;
class ControlChannel;
class SceneOpenQueue;

inline constexpr char kTitle[] = "BRISVEL DSP CONTROL PANNEL";
// Told once per run when config.ini was not read whole, or could not be saved.
inline constexpr char kSettingsNotReadText[] =
    "The settings file config.ini could not be read completely. To keep what it holds, settings will not be saved "
    "this run.";
inline constexpr char kSettingsNotSavedText[] =
    "The settings could not be saved to config.ini; it may be read-only. The reason is in the debug log.";
inline constexpr char kVersion[] = "1.0.4.5";
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

class CApplication {
 public:
  // Program load: folders, config.ini, the language and the data-file defaults.
  explicit CApplication(StartOptions options);
  ~CApplication();
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

  // --- Shared state
  const QString& ProgramFolder() const { return programFolder_; }
  const QString& DataFolder() const { return dataFolder_; }
  int Language() const { return language_; }
  settings::ConfigIni& Config() { return config_; }
  const settings::CaeData& CaeData() const { return caeData_; }
  CEffectStore& Store() { return store_; }
  CDeviceManager* DeviceManager() { return deviceManager_.get(); }
  CMainDlg* MainWindow() { return mainDlg_.get(); }
  CMiniDlg* CompactWindow() { return miniDlg_.get(); }
  const StartOptions& Options() const { return options_; }
  // The refresh notification every window and dialog can follow.
  RefreshNotifier& Refresher() { return refresher_; }
  bool SplashWasShown() const { return splashShown_; }
  bool InstanceLockHeld() const;
  // A processor is open and accepted the handshake.
  bool IsConnected() const;

  // --- Operations of the windows
  // Language switch: stores [Config] Lang, saves config.ini, applies the translation.
  void SwitchLanguage(int language);
  // The main window's exit routine: stops sending, releases the instance
  // lock, then ends the message loop with the main window gone.
  void ExitRoutine();
  // Closing the compact window before the login ends the program.
  void CloseCompactWindow();
  // After a successful login: the main window replaces the compact window.
  void ShowMainWindowAfterLogin();
  // The compact window's refresh timer after a hot-plug connection attempt.
  void StartCompactRefreshTimer(int delayMs);
  // Brings the visible window forward (a later start asked for it).
  void BringForward();
  // Offers the scene files for import as PC modes, one after the other.
  void OpenSceneFiles(const QStringList& files);
  // The message-pumping wait: dispatches the UI thread's events for ms.
  static void PumpWait(int ms);

  // --- Demo mode
  sim::SimHidBackend* SimBackend() { return simBackend_.get(); }
  std::shared_ptr<sim::SimProcessor> SimProcessor() { return simProcessor_; }
  // Plugs the simulated processor in again / pulls it out; false when it is
  // already in that state or demo mode is off.
  bool PlugSimulated();
  bool UnplugSimulated();
  QString SimulatedPath() const { return simPath_; }

 private:
  // Notes why start-up failed, for Main to report.
  void StartupFailed(const QString& reason);
  bool InitUserInterface();
  void SetUpLogging();
  bool CreateDeviceLink();
  void CloseSplash();
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
  settings::CaeData caeData_;
  std::unique_ptr<hid::HidrawBackend> hidraw_;
  std::unique_ptr<sim::SimHidBackend> simBackend_;
  std::shared_ptr<sim::SimProcessor> simProcessor_;
  QString simPath_;
  std::unique_ptr<hid::HidBackendSet> backends_;
  std::unique_ptr<CDeviceManager> deviceManager_;
  std::unique_ptr<HotplugBridge> hotplug_;
  std::unique_ptr<ResumeWatcher> resume_;
  std::unique_ptr<BringForwardListener> forwardListener_;
  std::unique_ptr<ControlChannel> control_;
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
