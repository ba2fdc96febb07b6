// The main window's frame: menu bar pop-ups and commands, the connect button,
// the About box, the refresh notification, timers 1012 and 1014, and the
// device link's connection reports.

#include "app/main_dlg.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QThread>
#include <cerrno>
#include <cstring>

#include "app/app_paths.h"
#include "app/dlg_delay_settings.h"
#include "app/dlg_measurement.h"
#include "app/dlg_mix_sound.h"
#include "app/edit_history.h"
#include "app/layout_ids/xml_delaysettings.h"
#include "app/refresh.h"
#include "app/layout_ids/xml_about.h"
#include "app/layout_ids/xml_mainwnd.h"
#include "app/ui_event_handler.h"
#include "device/store_commands.h"
#include "editing/edit_link.h"
#include "editing/presets.h"
#include "spdlog/spdlog.h"
#include "ui/basic_controls.h"
#include "ui/message_box.h"
#include "ui/popup_menu.h"
#include "app/preset_dialogs.h"
#include "app/dlg_measure.h"
#include "app/tuning_report_file.h"
#include "presets/layout_ids/xml_sys_setting.h"
#include "settings/settings_keys.h"
#include "ui/tip_window.h"
#include "ui/translation.h"

namespace brisvel::app {

namespace ids = layout::mainwnd;

namespace {
const QColor kConnectedColor(0x00, 0xaa, 0x00);
const QColor kDisconnectedColor(0xff, 0x00, 0x00);
const QColor kBehindColor(0xff, 0xa0, 0x00);
constexpr char kUnsentTip[] = "%1 changes not yet sent";

const char kMenuStyle[] =
    "QMenu { background: #1b2232; color: #dddddd; border: 1px solid #798a92; padding: 2px; }"
    "QMenu::item { padding: 5px 28px 5px 18px; }"
    "QMenu::item:selected { background: #3a5068; color: #ffffff; }";
}  // namespace

void ShowConnectionState(QWidget* indicator, bool connected, int unsent) {
  auto* button = dynamic_cast<ui::SkCheckButton*>(indicator);
  if (!button) return;
  const bool behind = connected && unsent > 0;
  button->SetText(connected ? QStringLiteral("Connected") : QStringLiteral("Not connect"));
  button->SetTextColor(!connected ? kDisconnectedColor : behind ? kBehindColor : kConnectedColor);
  button->SetChecked(connected);
  // The layout's own tip (if any) stands whenever nothing waits to be sent.
  const QString context = button->TranslationContext();
  button->setToolTip(behind ? ui::Tr(QString::fromLatin1(kUnsentTip), context).arg(unsent)
                            : ui::Tr(button->SourceTip(), context));
}

int UnsentChanges(IConsole& app) {
  CDeviceManager* manager = app.DeviceManager();
  if (!manager || !app.IsConnected() || !manager->Sender().Behind()) return 0;
  return static_cast<int>(app.Store().PendingParams().size());
}

QString ConnectFailureText(int openError) {
  if (openError == EACCES || openError == EPERM)
    return QStringLiteral(
        "The processor is attached, but this user has no permission to open it.\n"
        "Install the udev rule 70-brisvel-dsp.rules and plug the processor in again;\n"
        "\"brisvelctl doctor\" shows what is wrong and how to fix it.");
  return QStringLiteral("Fail to connect device!");
}

void RunConnectButton(IConsole& app, QWidget* owner, bool showsConnected, const std::function<void()>& refresh) {
  CDeviceManager* manager = app.DeviceManager();
  if (!manager) return;
  CEffectStore& store = app.Store();
  if (showsConnected) {
    // Edits stay local from now on; the processor stays open.
    SetOffline(store);
    return;
  }
  // What was typed into a field and not applied yet is applied now, while
  // the processor is still away, as an edit of its own: it is one of mine
  // when the processor's settings come in, never sent behind the question.
  ApplyTypingAsOfflineEdit(app);
  const int result = Handshake(store, *manager);
  if (result == kHandshakeAccepted) {
    if (!ReadCurrentParam(store, *manager)) spdlog::error("reading the block after the handshake failed");
    store.RebuildResponses();
    // The windows show the connection as it is, also while the question waits.
    if (refresh) refresh();
    AfterProcessorBlockRead(app, owner);
  } else if (result == kHandshakeNoProcessor || result == kHandshakeRefused) {
    ui::MessageBox(owner, QStringLiteral("No device detected!"), QStringLiteral("Prompt"));
  } else {
    const int openError = result == kHandshakeConnectFailed ? manager->LastOpenError() : 0;
    if (openError != 0) spdlog::warn("the processor cannot be opened: {}", std::strerror(openError));
    ui::MessageBox(owner, ConnectFailureText(openError), QStringLiteral("Prompt"));
  }
}

CMainDlg::CMainDlg(IConsoleFrames& app) : app_(app) {
  connect(&app_.Refresher(), &RefreshNotifier::Refresh, this, [this](RefreshKind kind) {
    if (ReloadsAll(kind)) UpdateConnectionDisplay();
  });
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::OnInit() {
  ui::EventRouter& r = Router();
  r.OnName(ui::EventCmd, ids::kClose, [this](const ui::Event&) { app_.ExitRoutine(); });
  r.OnName(ui::EventCmd, ids::kMinimize, [this](const ui::Event&) { showMinimized(); });
  r.OnId(ui::EventCmd, ids::kFileMenu, [this](const ui::Event&) {
    recentScenes_ = RecentSceneFiles(app_);
    PopUpMenu(FileMenuItems(recentScenes_), true);
  });
  // Undo and redo run from the application's input filter; the A/B comparison.
  if (auto* ab = Find<ui::SkCheckButton>(ids::kAbButton)) {
    r.OnId(ui::EventCmd, ids::kAbButton, [this](const ui::Event&) { SwitchAbSide(app_); });
    ab->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ab, &QWidget::customContextMenuRequested, this, [this](const QPoint&) { PopUpAbMenu(); });
    connect(&app_.Refresher(), &RefreshNotifier::Refresh, this, [this](RefreshKind kind) {
      if (ReloadsAll(kind)) ShowAbSide();
    });
    ShowAbSide();
  }
  r.OnId(ui::EventCmd, ids::kConfigMenu, [this](const ui::Event&) { PopUpMenu(ConfigMenuItems(app_.Language())); });
  r.OnId(ui::EventCmd, ids::kMemoryMenu,
         [this](const ui::Event&) { OpenPresetDialog(app_, this, layout::sys_setting::kDevicePresetLayout); });
  r.OnId(ui::EventCmd, ids::kConnectState, [this](const ui::Event&) { OnConnectButton(); });
  if (ui::FindById(Root(), layout::delaysettings::kOpenButton))
    r.OnId(ui::EventCmd, layout::delaysettings::kOpenButton, [this](const ui::Event&) { OpenDelaySettings(app_, this); });
  UpdateConnectionDisplay();
  // The editing panels.
  const settings::CaeData& cae = app_.CaeData();
  handler_ = std::make_unique<CUIEventHandler>(
      *this, app_.Store(), app_.EditLink(),
      editing::EqSettings{cae.minVol, cae.maxVol, cae.scale, cae.alertEnable != 0}, &app_.Refresher());
  handler_->SetHistory(app_.History());
  handler_->SetEqWindowSettings({cae.alertDelayMs, QString::fromStdString(cae.alertMsg), cae.showFreqId != 0,
                                 ProgramFolderPath() + QStringLiteral("/") + QLatin1String(settings::kFreqStyleFileName)});
  connect(this, &CMainDlg::GainAlertTimer, handler_.get(), &CUIEventHandler::OnGainAlertTimer, Qt::UniqueConnection);
  handler_->SetPresetFile(&app_.Config());
  handler_->SetNamesChanged([this] {
    if (!app_.Config().SetChannelNames(app_.Store().Names()))
      spdlog::error("the channel names could not be saved: {}", app_.Config().LastSaveError());
    app_.Refresher().Send(RefreshKind::kFull);  // the other windows name the channels too
  });
  handler_->SetOverlaySource([](int channel) { return RunMeasurements().Overlay(channel); });
  handler_->SetSumMeasurements([](int box) {
    const MeasurementSession& session = RunMeasurements();
    SumView::Measured m;
    m.revision = session.Revision();
    const ChannelMeasurement* measured = session.Measurement(box);
    if (measured && measured->shown.HasPhase()) {
      m.curve = &measured->shown;
      if (const auto overlay = session.Overlay(box)) m.level = overlay->level;
    }
    return m;
  });
  handler_->Init();
}

QString DeviceModeText(int mode) {
  if (mode >= 0 && mode < editing::kUserSlots)
    return QStringLiteral("USER-%1 (%2)").arg(mode + 1).arg(QChar(u'A' + mode));
  if (mode == editing::kUserSlots) return QStringLiteral("出厂配置");  // the factory setting
  return {};
}

QString ProcessorInformationText(IConsole& app) {
  CDeviceManager* manager = app.DeviceManager();
  if (!manager || !app.IsConnected()) return ui::Tr(QStringLiteral("No processor is connected"));
  if (!manager->DeviceCommand(CProtocolDev::kCommandDeviceInfo, nullptr, 0)) {
    spdlog::warn("the processor did not answer the device-information query");
    return ui::Tr(QStringLiteral("The processor did not report its information"));
  }
  // Items 2, 3, 4 and 6 are single bytes, 7 a 16-bit value and 5 a date.
  QStringList numbers;
  for (int item : {2, 3, 4, 6}) {
    uint8_t value = 0;
    manager->GetDeviceInfo(item, &value, 1);
    numbers << QString::number(value);
  }
  uint16_t value7 = 0;
  manager->GetDeviceInfo(7, &value7, sizeof value7);
  uint16_t date[3] = {};
  manager->GetDeviceInfo(5, date, sizeof date);
  return ui::Tr(QStringLiteral("Processor %1 (%2), dated %3"))
      .arg(numbers.join(u'.'))
      .arg(value7)
      .arg(QStringLiteral("%1-%2-%3")
               .arg(date[0], 4, 10, QChar(u'0'))
               .arg(date[1], 2, 10, QChar(u'0'))
               .arg(date[2], 2, 10, QChar(u'0')));
}

void CDlgAboutEventHandler::OnInit(ui::HostWindow& dlg) {
  if (auto* version = ui::AsElement(dlg.FindByName(layout::about::kVersion)))
    version->SetText(QStringLiteral("%1  2026").arg(QLatin1String(kVersion)));
  if (auto* processor = ui::AsElement(dlg.FindByName(layout::about::kProcessor))) processor->SetText(processor_);
  dlg.Router().OnName(ui::EventCmd, layout::about::kClose,
                      [&dlg](const ui::Event&) { dlg.EndDialog(ui::HostWindow::kCancelButtonId); });
}

std::vector<std::pair<int, QString>> CMainDlg::FileMenuItems(const QStringList& recentScenes) {
  std::vector<std::pair<int, QString>> items{{kCmdOpenScene, QStringLiteral("Open scene…")},
                                             {kCmdSaveSceneAs, QStringLiteral("Save scene as…")},
                                             {kCmdTuningReport, QStringLiteral("Tuning report…")}};
  if (!recentScenes.isEmpty()) items.emplace_back(kCmdSeparator, QString());
  const QString home = QDir::homePath() + QLatin1Char('/');
  for (int i = 0; i < recentScenes.size() && i < settings::kRecentSceneCount; ++i) {
    // Home written as "~"; an "&" of a file name is no shortcut mark.
    QString shown = recentScenes[i].startsWith(home) ? QStringLiteral("~/") + recentScenes[i].mid(home.size())
                                                     : recentScenes[i];
    items.emplace_back(kCmdRecentScene + i, shown.replace(QLatin1Char('&'), QLatin1String("&&")));
  }
  items.emplace_back(kCmdSeparator, QString());
  items.emplace_back(kCmdMyPreset, QStringLiteral("My Preset"));
  items.emplace_back(kCmdSettings, QStringLiteral("Settings"));
  items.emplace_back(kCmdExit, QStringLiteral("Exit"));
  return items;
}

std::vector<std::pair<int, QString>> CMainDlg::ConfigMenuItems(int language) {
  std::vector<std::pair<int, QString>> items;
  if (language == 0) items.emplace_back(kCmdEnglish, QStringLiteral("English"));
  else items.emplace_back(kCmdChinese, QStringLiteral("简体中文"));
  items.emplace_back(kCmdMixing, QStringLiteral("混音调节"));
  items.emplace_back(kCmdMeasurement, QStringLiteral("Measurement and fit"));
  items.emplace_back(kCmdMeasureCar, QStringLiteral("Measure in the car"));
  items.emplace_back(kCmdAbout, QStringLiteral("About"));
  return items;
}

void CMainDlg::PopUpMenu(const std::vector<std::pair<int, QString>>& items, bool withHistory) {
  ui::PopupMenu menu;
  if (!menu.Load(QStringLiteral("smenu:XML_MENUEMPTY"))) spdlog::warn("menu template XML_MENUEMPTY missing");
  menu.Menu()->setStyleSheet(kMenuStyle);
  if (withHistory) {
    // "Undo <step>" and "Redo <step>", disabled when there is nothing to undo or redo.
    const editing::CEditHistory* history = app_.History();
    QAction* undo = menu.Menu()->addAction(UndoItemText(history));
    undo->setData(static_cast<int>(kCmdUndo));
    undo->setEnabled(history && history->CanUndo());
    undo->setShortcuts(UndoKeys());  // shown beside the item
    QAction* redo = menu.Menu()->addAction(RedoItemText(history));
    redo->setData(static_cast<int>(kCmdRedo));
    redo->setEnabled(history && history->CanRedo());
    redo->setShortcuts(RedoKeys());
    menu.AppendSeparator();
  }
  for (const auto& [command, text] : items) {
    if (command == kCmdSeparator) menu.AppendSeparator();
    else menu.AppendItem(command, text);
  }
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
      UpdateConnectionDisplay();  // the tip is formatted, not kept as a source text
      break;
    case kCmdAbout:
      ShowAbout();
      break;
    case kCmdMyPreset:
      OpenPresetDialog(app_, this, layout::sys_setting::kMyPresetLayout);
      break;
    case kCmdSettings:
      OpenPresetDialog(app_, this, layout::sys_setting::kSysSettingLayout);
      break;
    case kCmdMixing:
      OpenMixSound(app_, this);
      break;
    case kCmdMeasurement:
      if (handler_) OpenMeasurement(app_, this, handler_->Editor());
      break;
    case kCmdMeasureCar:
      if (handler_) OpenMeasure(app_, this, handler_->Editor());
      break;
    case kCmdUndo:
      UndoStep(app_);
      break;
    case kCmdRedo:
      RedoStep(app_);
      break;
    case kCmdCopyAToB:
      CopyAbSide(app_, editing::AbSide::kA, editing::AbSide::kB);
      break;
    case kCmdCopyBToA:
      CopyAbSide(app_, editing::AbSide::kB, editing::AbSide::kA);
      break;
    case kCmdOpenScene:
      OpenSceneFile(app_, this);
      break;
    case kCmdSaveSceneAs:
      SaveSceneAs(app_, this);
      break;
    case kCmdTuningReport:
      SaveTuningReport(app_, this, handler_ ? &handler_->Sum() : nullptr);
      break;
    default:
      if (command >= kCmdRecentScene && command - kCmdRecentScene < recentScenes_.size()) {
        OpenSceneFile(app_, this, recentScenes_[command - kCmdRecentScene]);
        break;
      }
      // "My Preset" and the mixing dialog open the preset and mixing dialogs.
      spdlog::info("menu command {} has no dialog in this build", command);
      break;
  }
}

void CMainDlg::ShowAbSide() {
  auto* ab = Find<ui::SkCheckButton>(ids::kAbButton);
  const editing::CAbCompare* compare = app_.AbCompare();
  if (!ab || !compare) return;
  const bool b = compare->Shown() == editing::AbSide::kB;
  ab->SetText(b ? QStringLiteral("B") : QStringLiteral("A"));
  ab->SetChecked(b);
}

void CMainDlg::PopUpAbMenu() {
  PopUpMenu({{kCmdCopyAToB, QStringLiteral("Copy A to B")}, {kCmdCopyBToA, QStringLiteral("Copy B to A")}});
}

void CMainDlg::ShowAbout() {
  CAboutDlg about(QString::fromLatin1(layout::about::kLayout), this, ProcessorInformationText(app_));
  if (!about.Create()) return;
  about.move(geometry().center() - about.rect().center());
  about.DoModal();
}

void CMainDlg::OnConnectButton() {
  auto* indicator = Find<ui::SkCheckButton>(ids::kConnectState);
  RunConnectButton(app_, this, indicator && indicator->IsChecked(),
                   [this] { app_.Refresher().Send(RefreshKind::kFull); });
  UpdateConnectionDisplay();
}

void CMainDlg::UpdateConnectionDisplay() {
  ShowConnectionState(FindById(ids::kConnectState), app_.IsConnected(), UnsentChanges(app_));
  if (auto* mode = ui::AsElement(FindByName(ids::kDeviceMode)))
    mode->SetText(app_.IsConnected() ? DeviceModeText(app_.Store().CurrentDeviceMode()) : QString());
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

void CMainDlg::OnDeviceConnected() {
  spdlog::info("processor connected, handshake {}", app_.IsConnected() ? "accepted" : "not accepted");
  app_.Refresher().Send(RefreshKind::kConnection);
  // Once the connection is done: the history follows, or the installer is
  // asked which settings stay after edits made without the processor.
  QMetaObject::invokeMethod(this, [this] { AfterProcessorBlockRead(app_, this); }, Qt::QueuedConnection);
}

void CMainDlg::OnDeviceDisconnected() {
  spdlog::info("processor disconnected");
  app_.Refresher().Send(RefreshKind::kConnection);
}

void CMainDlg::OnProcessorReport(int) {
  // Receive thread. An unsolicited report of the processor changes nothing the
  // windows show, so no refresh follows it.
}

void CMainDlg::OnHotplugConnectAttempt(int delayMs) { app_.StartCompactRefreshTimer(delayMs); }

void CMainDlg::closeEvent(QCloseEvent* e) {
  e->ignore();
  app_.ExitRoutine();
}

void CMainDlg::reject() { app_.ExitRoutine(); }

void CMainDlg::OnTransferStateChanged(bool) {
  // A batch worker's transfer reports on its thread: show it from the UI thread.
  if (QThread::currentThread() != thread()) {
    QMetaObject::invokeMethod(this, [this] { OnTransferStateChanged(false); }, Qt::QueuedConnection);
    return;
  }
  app_.UpdateConnectionDisplays();
}

}  // namespace brisvel::app
