// The main window's frame: caption, menu bar (File, Config, the connection
// indicator, Memory), the refresh notification that the editing panels follow,
// the effect sender's timer 1012, the gain alert's timer 1014, and the side of
// the device link that reports connections and disconnections.
#pragma once

#include <QObject>

#include "device/device_manager.h"
#include "device/effect_sender.h"
#include "ui/host_window.h"

class QMenu;

namespace brisvel::app {

class CApplication;

inline constexpr char kMainLayout[] = "LAYOUT:XML_MAINWND";
inline constexpr int kRefreshFull = 0x100;     // 256: reload every control from the block
inline constexpr int kRefreshHandles = 0x200;  // 512: the EQ graph places its handles anew

// Menu commands of the main window.
enum MenuCommand : int {
  kCmdExit = 10,
  kCmdMixing = 50,
  kCmdChinese = 51,
  kCmdEnglish = 52,
  kCmdAbout = 63,
  kCmdMyPreset = 64,
};

class CMainDlg : public ui::HostWindow, public IDeviceNotificationSink, public IOneShotTimer {
  Q_OBJECT

 public:
  static constexpr int kSendTimerId = CEffectSender::kTimerId;  // 1012
  static constexpr int kGainAlertTimerId = 1014;
  static constexpr int kConnectIndicatorId = 1500;

  explicit CMainDlg(CApplication& app);
  ~CMainDlg() override;

  // The refresh notification (window message 1124): sent waits until every
  // receiver has handled it; posted is handled at the next turn of the loop.
  void SendRefresh(int wParam, int lParam);
  void PostRefresh(int wParam, int lParam);

  // Menu commands (as chosen from the pop-up menus).
  void OnMenuCommand(int command);
  // The items of the pop-up menus shown by "File" and "Config": (command, source text).
  static std::vector<std::pair<int, QString>> FileMenuItems();
  static std::vector<std::pair<int, QString>> ConfigMenuItems(int language);
  // The pop-up currently open (tests and the control channel use it).
  QMenu* OpenMenu() const { return openMenu_; }

  // Connection display of the indicator 1500.
  void UpdateConnectionDisplay();

  // IDeviceNotificationSink
  void OnDeviceConnected() override;
  void OnDeviceDisconnected() override;
  void OnProcessorReport(int lParam) override;
  void OnHotplugConnectAttempt(int delayMs) override;

  // IOneShotTimer (the effect sender's timer 1012)
  void Start(int milliseconds) override { SetTimer(kSendTimerId, milliseconds); }
  void Stop() override { KillTimer(kSendTimerId); }

 Q_SIGNALS:
  // wParam 256 full refresh, 512 EQ handles; lParam 0, 1 connected, 2 disconnected, 3 recall.
  void RefreshNotification(int wParam, int lParam);
  // Timer 1014 fired (the gain alert follows it).
  void GainAlertTimer();

 protected:
  void OnInit() override;
  bool OnEvent(const ui::Event& e) override;
  void OnTimer(int id) override;
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

 private:
  void PopUpMenu(const std::vector<std::pair<int, QString>>& items);
  void OnConnectButton();
  void ShowAbout();

  CApplication& app_;
  QMenu* openMenu_ = nullptr;
};

// The connect button of both windows: offline when it shows connected,
// otherwise the handshake and block read with their messages. refresh runs
// after a successful connection.
void RunConnectButton(CApplication& app, QWidget* owner, bool showsConnected, const std::function<void()>& refresh);
// The message of a connect attempt that found a processor but could not open
// it: the permission explanation with its fix for EACCES/EPERM, otherwise
// the plain connect failure.
QString ConnectFailureText(int openError);
// The indicator's look for the state.
void ShowConnectionState(QWidget* indicator, bool connected);

}  // namespace brisvel::app
