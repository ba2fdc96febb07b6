// The main window's frame: caption, menu bar (File, Config, the connection
// indicator, Memory), the About box, the effect sender's timer 1012, the gain alert's timer 1014, and the side of
// the device link that reports connections and disconnections.
#pragma once

#include <QObject>
#include <QStringList>
#include <QThread>
#include <memory>

#include "app/console.h"
#include "device/device_manager.h"
#include "device/effect_sender.h"
#include "ui/host_window.h"

class QMenu;

namespace brisvel::app {

class CUIEventHandler;

// Menu commands of the main window.
enum MenuCommand : int {
  kCmdExit = 10,
  kCmdMixing = 50,
  kCmdChinese = 51,
  kCmdEnglish = 52,
  kCmdAbout = 63,
  kCmdMyPreset = 64,
  kCmdMeasurement = 65,
  kCmdMeasureCar = 66,
  kCmdUndo = 70,
  kCmdRedo = 71,
  kCmdCopyAToB = 72,
  kCmdCopyBToA = 73,
  kCmdOpenScene = 74,
  kCmdSaveSceneAs = 75,
  kCmdTuningReport = 76,
  kCmdRecentScene = 80,  // 80 to 87: the recent scenes as the "File" pop-up lists them
  kCmdSeparator = -1,    // a line between the items, no command
  kCmdSettings = 9000,
};

class CMainDlg : public ui::HostWindow, public IDeviceNotificationSink, public IOneShotTimer {
  Q_OBJECT

 public:
  static constexpr int kSendTimerId = CEffectSender::kTimerId;  // 1012
  static constexpr int kGainAlertTimerId = 1014;

  explicit CMainDlg(IConsoleFrames& app);
  ~CMainDlg() override;

  // Menu commands (as chosen from the pop-up menus).
  void OnMenuCommand(int command);
  // The items of the pop-up menus shown by "File" and "Config": (command, source
  // text); "File" lists the recent scenes given (paths) after the scene items.
  static std::vector<std::pair<int, QString>> FileMenuItems(const QStringList& recentScenes = {});
  static std::vector<std::pair<int, QString>> ConfigMenuItems(int language);
  // The pop-up currently open (tests and the control channel use it).
  QMenu* OpenMenu() const { return openMenu_; }
  // The channel editing controller of the editing panels (after initialisation).
  CUIEventHandler* Handler() const { return handler_.get(); }

  // Connection display of the indicator 1500.
  void UpdateConnectionDisplay();

  // IDeviceNotificationSink
  void OnDeviceConnected() override;
  void OnDeviceDisconnected() override;
  void OnProcessorReport(int lParam) override;
  void OnHotplugConnectAttempt(int delayMs) override;
  void OnTransferStateChanged(bool behind) override;

  // IOneShotTimer (the effect sender's timer 1012): a window timer, so only
  // ever started and stopped on the window's (the UI) thread.
  void Start(int milliseconds) override {
    Q_ASSERT(QThread::currentThread() == thread());
    SetTimer(kSendTimerId, milliseconds);
  }
  void Stop() override {
    Q_ASSERT(QThread::currentThread() == thread());
    KillTimer(kSendTimerId);
  }

 Q_SIGNALS:
  // Timer 1014 fired (the gain alert follows it).
  void GainAlertTimer();

 protected:
  void OnInit() override;
  void OnTimer(int id) override;
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

 private:
  void PopUpMenu(const std::vector<std::pair<int, QString>>& items, bool withHistory = false);
  void ShowAbSide();
  void PopUpAbMenu();
  void OnConnectButton();
  void ShowAbout();

  IConsoleFrames& app_;
  QMenu* openMenu_ = nullptr;
  QStringList recentScenes_;  // the recent scenes the "File" pop-up lists
  std::unique_ptr<CUIEventHandler> handler_;
};

// The About box: logo, title, the version with its year, and a line about
// the processor (ProcessorInformationText).
class CDlgAboutEventHandler : public ui::DialogEventHandler {
 public:
  explicit CDlgAboutEventHandler(QString processor = {}) : processor_(std::move(processor)) {}
  void OnInit(ui::HostWindow& dlg) override;

 private:
  QString processor_;
};
using CAboutDlg = ui::CCommonDlg<CDlgAboutEventHandler>;

// The connect button of both windows: offline when it shows connected,
// otherwise the handshake and block read with their messages. refresh runs
// after a successful connection.
void RunConnectButton(IConsole& app, QWidget* owner, bool showsConnected, const std::function<void()>& refresh);
// The indicator's look for the state. With unsent changes (the processor is
// behind the edits) a connected indicator takes another colour and the tip
// "N changes not yet sent".
void ShowConnectionState(QWidget* indicator, bool connected, int unsent = 0);
// The processor's active device mode as the windows name it: "USER-3 (C)"
// for the user modes, the factory setting by its name; empty when unknown.
QString DeviceModeText(int mode);
// What the processor reports of itself, asked afresh with the
// device-information query, or that no processor is connected or that it did
// not answer. Translated.
QString ProcessorInformationText(IConsole& app);
// Edits the processor has not taken yet: pending after a failed transfer, 0
// while transfers succeed or no processor is connected.
int UnsentChanges(IConsole& app);
// The message of a connect attempt that found a processor but could not open
// it: the permission explanation with its fix for EACCES/EPERM, otherwise
// the plain connect failure.
QString ConnectFailureText(int openError);

}  // namespace brisvel::app
