// The main window's frame: menu bar pop-ups and commands, the connect button,
// the About box, the refresh notification, timers 1012 and 1014, and the
// device link's connection reports.

#include "app/main_dlg.h"

#include <QCloseEvent>
#include <QCursor>
#include <cerrno>
#include <cstring>

#include "app/application.h"
#include "device/store_commands.h"
#include "spdlog/spdlog.h"
#include "ui/basic_controls.h"
#include "ui/message_box.h"
#include "ui/popup_menu.h"
#include "ui/tip_window.h"
#include "ui/translation.h"
#include "ui/value_controls.h"

namespace brisvel::app {

namespace {
constexpr int kFileButton = 9003;
constexpr int kConfigButton = 9004;
constexpr int kMemoryButton = 9005;
const QColor kConnectedColor(0x00, 0xaa, 0x00);
const QColor kDisconnectedColor(0xff, 0x00, 0x00);

const char kMenuStyle[] =
    "QMenu { background: #1b2232; color: #dddddd; border: 1px solid #798a92; padding: 2px; }"
    "QMenu::item { padding: 5px 28px 5px 18px; }"
    "QMenu::item:selected { background: #3a5068; color: #ffffff; }";
}  // namespace

void ShowConnectionState(QWidget* indicator, bool connected) {
  auto* button = dynamic_cast<ui::SkCheckButton*>(indicator);
  if (!button) return;
  button->SetText(connected ? QStringLiteral("Connected") : QStringLiteral("Not connect"));
  button->SetTextColor(connected ? kConnectedColor : kDisconnectedColor);
  button->SetChecked(connected);
}

QString ConnectFailureText(int openError) {
  if (openError == EACCES || openError == EPERM)
    return QStringLiteral(
        "The processor is attached, but this user has no permission to open it.\n"
        "Install the udev rule 70-brisvel-dsp.rules and plug the processor in again;\n"
        "\"brisvelctl doctor\" shows what is wrong and how to fix it.");
  return QStringLiteral("Fail to connect device!");
}

void RunConnectButton(CApplication& app, QWidget* owner, bool showsConnected, const std::function<void()>& refresh) {
  CDeviceManager* manager = app.DeviceManager();
  if (!manager) return;
  CEffectStore& store = app.Store();
  if (showsConnected) {
    // Edits stay local from now on; the processor stays open.
    SetOffline(store);
    return;
  }
  const int result = Handshake(store, *manager);
  if (result == kHandshakeAccepted) {
    if (!ReadCurrentParam(store, *manager)) spdlog::error("reading the block after the handshake failed");
    store.RebuildResponses();
    if (refresh) refresh();
  } else if (result == kHandshakeNoProcessor || result == kHandshakeRefused) {
    ui::MessageBox(owner, QStringLiteral("No device detected!"), QStringLiteral("Prompt"));
  } else {
    const int openError = result == kHandshakeConnectFailed ? manager->LastOpenError() : 0;
    if (openError != 0) spdlog::warn("the processor cannot be opened: {}", std::strerror(openError));
    ui::MessageBox(owner, ConnectFailureText(openError), QStringLiteral("Prompt"));
  }
}

CMainDlg::CMainDlg(CApplication& app) : app_(app) {}

CMainDlg::~CMainDlg() = default;

void CMainDlg::OnInit() { UpdateConnectionDisplay(); }

std::vector<std::pair<int, QString>> CMainDlg::FileMenuItems() {
  return {{kCmdMyPreset, QStringLiteral("My Preset")}, {kCmdExit, QStringLiteral("Exit")}};
}

std::vector<std::pair<int, QString>> CMainDlg::ConfigMenuItems(int language) {
  std::vector<std::pair<int, QString>> items;
  if (language == 0) items.emplace_back(kCmdEnglish, QStringLiteral("English"));
  else items.emplace_back(kCmdChinese, QStringLiteral("简体中文"));
  items.emplace_back(kCmdAbout, QStringLiteral("About"));
  return items;
}

void CMainDlg::PopUpMenu(const std::vector<std::pair<int, QString>>& items) {
  ui::PopupMenu menu;
  if (!menu.Load(QStringLiteral("smenu:XML_MENUEMPTY"))) spdlog::warn("menu template XML_MENUEMPTY missing");
  menu.Menu()->setStyleSheet(kMenuStyle);
  for (const auto& [command, text] : items) menu.AppendItem(command, text);
  openMenu_ = menu.Menu();
  const int command = menu.Exec(QCursor::pos());
  openMenu_ = nullptr;
  if (command != 0) OnMenuCommand(command);
}

void CMainDlg::OnMenuCommand(int command) {
  switch (command) {
    case kCmdExit:
      hide();
      app_.ExitRoutine();
      break;
    case kCmdChinese:
    case kCmdEnglish:
      app_.SwitchLanguage(command - kCmdChinese);
      break;
    case kCmdAbout:
      ShowAbout();
      break;
    default:
      // "My Preset" and the mixing dialog open the preset and mixing dialogs.
      spdlog::info("menu command {} has no dialog in this build", command);
      break;
  }
}

void CMainDlg::ShowAbout() {
  ui::CCommonDlg<ui::DialogEventHandler> about(QStringLiteral("LAYOUT:XML_ABOUT"), this);
  if (!about.Create()) return;
  if (auto* version = ui::AsElement(about.FindByName(QStringLiteral("about_version"))))
    version->SetText(QStringLiteral("V%1  2026").arg(QLatin1String(kVersion)));
  about.move(geometry().center() - about.rect().center());
  about.DoModal();
}

void CMainDlg::OnConnectButton() {
  auto* indicator = Find<ui::SkCheckButton>(kConnectIndicatorId);
  RunConnectButton(app_, this, indicator && indicator->IsChecked(), [this] { SendRefresh(kRefreshFull, 0); });
  UpdateConnectionDisplay();
}

void CMainDlg::UpdateConnectionDisplay() { ShowConnectionState(FindById(kConnectIndicatorId), app_.IsConnected()); }

bool CMainDlg::OnEvent(const ui::Event& e) {
  if (e.id == ui::EventCmd) {
    if (e.senderName == "btn_close") {
      app_.ExitRoutine();
      return true;
    }
    if (e.senderName == "btn_min") {
      showMinimized();
      return true;
    }
    switch (e.senderId) {
      case kFileButton:
        PopUpMenu(FileMenuItems());
        return true;
      case kConfigButton:
        PopUpMenu(ConfigMenuItems(app_.Language()));
        return true;
      case kMemoryButton:
        spdlog::info("the device-preset dialog is not part of this build");
        return true;
      case kConnectIndicatorId:
        OnConnectButton();
        return true;
      default:
        break;
    }
  }
  return HostWindow::OnEvent(e);
}

void CMainDlg::OnTimer(int id) {
  if (id == kSendTimerId) {
    if (CDeviceManager* manager = app_.DeviceManager()) manager->Sender().OnSendTimer();
    else KillTimer(id);
    return;
  }
  if (id == kGainAlertTimerId) {
    Q_EMIT GainAlertTimer();
    return;
  }
  HostWindow::OnTimer(id);
}

void CMainDlg::SendRefresh(int wParam, int lParam) {
  if (wParam == kRefreshFull) UpdateConnectionDisplay();
  Q_EMIT RefreshNotification(wParam, lParam);
}

void CMainDlg::PostRefresh(int wParam, int lParam) {
  QMetaObject::invokeMethod(this, [this, wParam, lParam] { SendRefresh(wParam, lParam); }, Qt::QueuedConnection);
}

void CMainDlg::OnDeviceConnected() {
  spdlog::info("processor connected, handshake {}", app_.IsConnected() ? "accepted" : "not accepted");
  SendRefresh(kRefreshFull, kLParamConnected);
}

void CMainDlg::OnDeviceDisconnected() {
  spdlog::info("processor disconnected");
  SendRefresh(kRefreshFull, kLParamDisconnected);
}

void CMainDlg::OnProcessorReport(int lParam) {
  // Receive thread: only post.
  PostRefresh(kWParamProcessorReport, lParam);
}

void CMainDlg::OnHotplugConnectAttempt(int delayMs) { app_.StartCompactRefreshTimer(delayMs); }

void CMainDlg::closeEvent(QCloseEvent* e) {
  e->ignore();
  app_.ExitRoutine();
}

void CMainDlg::reject() { app_.ExitRoutine(); }

}  // namespace brisvel::app
