// The application object: program load, initialisation, the windows' run and
// the release order; the language switch, the exit routine and demo mode.

#include "app/application.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <cstdio>

#include "app/app_paths.h"
#include "app/demo/control_channel.h"
#include "app/demo/simulated_device.h"
#include "app/device_events.h"
#include "app/dlg_delay_settings.h"
#include "app/dlg_mix_sound.h"
#include "app/edit_history.h"
#include "app/layout_ids/xml_mainwnd.h"
#include "app/layout_ids/xml_mainwnd2.h"
#include "app/layout_ids/xml_mixsoundwd.h"
#include "app/main_dlg.h"
#include "app/mini_dlg.h"
#include "app/preset_dialogs.h"
#include "app/scene_open.h"
#include "app/single_instance.h"
#include "app/splash_screen.h"
#include "controls/controls.h"
#include "core/debug_output.h"
#include "device/device_manager.h"
#include "device/device_session.h"
#include "editing/edit_link.h"
#include "hid/hid_log.h"
#include "hid/hidraw_backend.h"
#include "presets/layout_ids/xml_sys_setting.h"
#include "settings/settings_keys.h"
#include "spdlog/sinks/basic_file_sink.h"
#include "spdlog/spdlog.h"
#include "ui/layout_loader.h"
#include "ui/message_box.h"
#include "ui/skin.h"
#include "ui/tip_window.h"
#include "ui/toolkit.h"
#include "ui/translation.h"

namespace brisvel::app {

CApplication* CApplication::instance_ = nullptr;

namespace {

constexpr int kBringForwardTopMostMs = 200;
// How long a second start keeps trying to hand its files to the running console.
constexpr int kHandOverWaitMs = 15000;

std::filesystem::path ToPath(const QString& s) { return std::filesystem::path(s.toStdString()); }

// The program's icon (ICON_LOGO): the splash colour with the initial.
QImage LogoIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setBrush(QColor(0, 156, 163));
  p.setPen(QPen(QColor(0xe0, 0xf4, 0xf6), size / 32.0 + 1));
  p.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), size / 5.0, size / 5.0);
  QFont f = QApplication::font();
  f.setPixelSize(size * 5 / 8);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("B"));
  return image;
}

}  // namespace

void DeleteLater::operator()(QObject* o) const {
  if (o) o->deleteLater();
}

StartOptions ParseStartOptions(const QStringList& arguments) {
  StartOptions o;
  o.hide = HasHideSwitch(arguments.mid(1));
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == "--verbose") o.verbose = true;
    else if (a == "--simulate") o.simulate = true;
    else if (a == "--help" || a == "-h") o.help = true;
    else if (a == "--control-socket") {
      if (i + 1 >= arguments.size()) o.error = QStringLiteral("--control-socket needs a path");
      else o.controlSocket = arguments[++i];
    } else if (a.startsWith("--control-socket=")) {
      o.controlSocket = a.mid(17);
    } else if (!a.startsWith('-') && !a.isEmpty()) {
      // A file from the file manager; the running console may have another working folder.
      const QString local = a.startsWith("file:") ? QUrl(a).toLocalFile() : a;
      if (!local.isEmpty()) o.files << QFileInfo(local).absoluteFilePath();
    }
    // Anything else is ignored, as the console always has; "-hide" was read above.
  }
  return o;
}

QString UsageText() {
  return QStringLiteral(
      "usage: brisvel-console [-hide] [--verbose] [--simulate] [--control-socket PATH] [FILE.cae...]\n"
      "  -hide                 start without the splash screen\n"
      "  --verbose             write the \"RezUriru:\" lines to standard error\n"
      "  --simulate            demo mode: plug in a simulated processor whose presets\n"
      "                        are kept in the data folder\n"
      "  --control-socket PATH tests and demos: a local socket that plugs and pulls the\n"
      "                        simulated processor and reports what the windows show\n"
      "  FILE.cae              offer the scene file for import as a PC mode (a running\n"
      "                        console is handed the file)\n");
}

CApplication::CApplication(StartOptions options) : options_(std::move(options)) {
  instance_ = this;
  instanceLock_ = std::make_unique<InstanceLock>();
  programFolder_ = ProgramFolderPath();
  dataFolder_ = DataFolderPath();
  if (!EnsureFolder(dataFolder_)) std::fprintf(stderr, "cannot create the data folder %s\n", qPrintable(dataFolder_));
  config_ = settings::ConfigIni(settings::ConfigPath(ToPath(dataFolder_)));
  config_.Load();  // a missing file leaves the store empty; one not read whole is never saved over
  config_.SetSaveFailureHandler([this](const std::string& why) { OnSettingsNotSaved(why); });
  language_ = config_.Lang();
  store_.SetNames(config_.ChannelNames());
  // caeData_ holds the data-file defaults until Initialise reads the file.
}

CApplication::~CApplication() {
  Release();
  if (instanceLock_) instanceLock_->Release();
  if (instance_ == this) instance_ = nullptr;
}

bool CApplication::InstanceLockHeld() const { return instanceLock_ && instanceLock_->IsHeld(); }

editing::IEditLink* CApplication::EditLink() { return editLink_.get(); }

bool CApplication::IsConnected() const {
  return deviceManager_ && deviceManager_->IsDeviceOpen() && store_.ConnectedFlag();
}

void CApplication::StartupFailed(const QString& reason) {
  if (startupError_.isEmpty()) startupError_ = reason;
  spdlog::error("start-up failed: {}", reason.toStdString());
}

int CApplication::Main() {
  if (!instanceLock_->Acquire()) {
    // Another console runs: hand it the files, bring its window forward and
    // end without a window. A console still starting up listens a little
    // later; files are worth waiting for, a bare raise is not.
    if (options_.files.isEmpty()) {
      const bool handedOver = RequestBringForward();
      const QString lockError = instanceLock_->CreateError();
      if (lockError.isEmpty() || handedOver) return 0;
      // No console runs and none can: nothing was handed over.
      std::fprintf(stderr, "brisvel-console: %s\n", qPrintable(lockError));
      return kExitStartupFailed;
    }
    QElapsedTimer waited;
    waited.start();
    while (!RequestOpenFiles(options_.files)) {
      if (waited.elapsed() > kHandOverWaitMs) {
        std::fprintf(stderr, "brisvel-console: the running console did not take the files\n");
        return kExitStartupFailed;
      }
      QThread::msleep(250);
    }
    return 0;
  }
  int code = 0;
  if (Initialise()) {
    if (Run() < 0) {
      StartupFailed(QStringLiteral("the windows cannot be created"));
      code = kExitStartupFailed;
    }
    instanceLock_->Release();
    if (deviceManager_ && deviceManager_->IsDeviceOpen()) deviceManager_->DisconnectDevice();
    Release();
  } else {
    StartupFailed(QStringLiteral("initialisation failed"));
    code = kExitStartupFailed;
    Release();
  }
  if (code != 0) std::fprintf(stderr, "brisvel-console: start-up failed: %s\n", qPrintable(startupError_));
  return code;
}

void CApplication::SetUpLogging() {
  const QString logFolder = dataFolder_ + "/log";
  if (EnsureFolder(logFolder)) {
    try {
      spdlog::drop("main");
      auto logger = spdlog::basic_logger_mt("main", (logFolder + "/brisvel.log").toStdString());
      logger->set_level(spdlog::level::info);
      logger->flush_on(spdlog::level::info);  // few lines; a crash keeps them
      spdlog::set_default_logger(logger);
    } catch (const spdlog::spdlog_ex& e) {
      std::fprintf(stderr, "debug log unavailable: %s\n", e.what());
    }
  }
  SetErrorLogSink([](const LogRecord& r) {
    spdlog::error("[{}] {}({}) {}: {}", r.tag, r.module, r.line, r.function, r.text);
  });
  if (options_.verbose) {
    SetDebugOutputSink([](std::string_view line) {
      std::fwrite(line.data(), 1, line.size(), stderr);
      if (line.empty() || line.back() != '\n') std::fputc('\n', stderr);
      std::fflush(stderr);
    });
  }
  spdlog::info("start: program folder {}, data folder {}", programFolder_.toStdString(), dataFolder_.toStdString());
}

bool CApplication::InitUserInterface() {
  QDir::setCurrent(programFolder_);
  ui::InitToolkit();
  ui::RegisterConsoleControls();
  auto icon = std::make_shared<ui::ImageSkin>(LogoIcon(128));
  ui::SkinRegistry::Instance().Register(QStringLiteral("skin_icon_logo"), icon);
  QApplication::setWindowIcon(QIcon(QPixmap::fromImage(LogoIcon(64))));
  if (ui::LayoutResource(layout::mainwnd2::kLayout).isEmpty() ||
      ui::LayoutResource(layout::mainwnd::kLayout).isEmpty()) {
    ui::MessageBox(nullptr, QStringLiteral("Initialization interface resource failure"), QStringLiteral("ERROR"));
    StartupFailed(QStringLiteral("the interface resources cannot be opened"));
    return false;
  }
  SetUpLogging();
  if (!config_.SaveRefusal().empty()) spdlog::error("settings will not be saved this run: {}", config_.SaveRefusal());
  if (!ui::SetTranslation(ui::TranslatorForLanguage(language_)))
    spdlog::warn("translation {} does not load", ui::TranslatorForLanguage(language_).toStdString());
  ui::LoadReplacementImages(programFolder_);
  return true;
}

bool CApplication::CreateDeviceLink() {
  hidraw_ = std::make_unique<hid::HidrawBackend>();
  backends_ = std::make_unique<hid::HidBackendSet>();
  backends_->Add(*hidraw_);
  if (options_.simulate) {
    simulator_ = std::make_unique<demo::SimulatedDevice>(caeData_, dataFolder_);
    backends_->Add(simulator_->Backend());
  }
  deviceManager_ = std::make_unique<CDeviceManager>(*backends_, store_);
  deviceManager_->SetHandshakeIds(static_cast<uint32_t>(caeData_.id1), static_cast<uint32_t>(caeData_.id2));
  deviceManager_->SetPumpWait(&ui::PumpWait);
  if (!deviceManager_->StartRecvThread()) {
    StartupFailed(QStringLiteral("the device link's receive thread cannot be started"));
    deviceManager_.reset();
    return false;
  }
  store_.SetDeviceLink(deviceManager_.get());
  editLink_ = std::make_unique<editing::DeviceEditLink>(store_, *deviceManager_);
  history_.SetSendNow([this] {
    if (editLink_) editLink_->SendNow();
  });
  return true;
}

bool CApplication::Initialise() {
  if (!options_.hide) {
    splash_ = std::make_unique<SplashScreen>(StartupBitmap());
    splash_->ShowCentred();
    splashShown_ = true;
  }
  if (!InitUserInterface()) return false;
  caeData_ = settings::LoadCaeData(ToPath(programFolder_) / settings::kCaeDataFileName);
  if (!CreateDeviceLink()) return false;
  store_.RebuildResponses();
  const SessionOpenResult session = OpenDeviceSession(*deviceManager_);
  if (session.step != ConnectStep::kNoProcessor && !session.Opened())
    spdlog::warn("the processor found at start-up could not be connected");
  store_.RebuildResponses();
  // The history starts from the block the editor opens with.
  history_.Rebase();
  history_.ClearOfflineEdits();
  return true;
}

void CApplication::CloseSplash() { splash_.reset(); }

bool CApplication::CreateWindows() {
  QApplication::setQuitOnLastWindowClosed(false);
  stepFilter_ = std::make_unique<EditStepFilter>(
      history_, [this](QWidget* w) { return OwnsHistoryKeys(w); },
      [this](bool redo) { redo ? RedoStep(*this) : UndoStep(*this); });
  qApp->installEventFilter(stepFilter_.get());

  mainDlg_.reset(new CMainDlg(*this));
  if (!mainDlg_->LoadLayout(layout::mainwnd::kLayout)) {
    mainDlg_.reset();
    return false;
  }
  mainDlg_->hide();
  deviceManager_->SetNotificationSink(mainDlg_.get());
  deviceManager_->SetSendTimer(mainDlg_.get());
  // The compact window follows every full refresh while it exists, so the
  // connection display is right after a pull-out too.
  QObject::connect(&refresher_, &RefreshNotifier::Refresh, mainDlg_.get(), [this](RefreshKind kind) {
    if (ReloadsAll(kind) && miniDlg_) miniDlg_->Refresh();
  });

  miniDlg_.reset(new CMiniDlg(*this));
  if (!miniDlg_->LoadLayout(layout::mainwnd2::kLayout)) {
    DestroyWindows();
    return false;
  }
  miniDlg_->ShowTopMost();
  CloseSplash();
  if (!config_.SaveRefusal().empty()) {
    // Over the compact window once it is up, not in the way of the start.
    QTimer::singleShot(0, miniDlg_.get(), [this] { TellSettingsProblemOnce(kSettingsNotReadText); });
  }

  hotplug_ = std::make_unique<HotplugBridge>([this](hid::HotplugAction action, const hid::HidDeviceInfo& device) {
    if (deviceManager_) deviceManager_->OnHotplug(action, device);
  });
  if (!RegisterHidNotification(backends_.get(), hotplug_.get())) spdlog::warn("hot-plug notifications unavailable");
  resume_ = std::make_unique<ResumeWatcher>([this] {
    spdlog::info("system resumed");
    if (deviceManager_) deviceManager_->OnSystemResume();
  });
  resume_->Start();
  sceneQueue_ = std::make_unique<SceneOpenQueue>(*this);
  forwardListener_ = std::make_unique<BringForwardListener>([this] { BringForward(); },
                                                            [this](const QString& file) { OpenSceneFiles({file}); });
  if (!forwardListener_->Listen()) spdlog::warn("bring-forward channel unavailable");
  if (!options_.controlSocket.isEmpty()) {
    control_ = std::make_unique<demo::ControlChannel>(*this);
    if (!control_->Listen(options_.controlSocket))
      spdlog::warn("control channel {} unavailable", options_.controlSocket.toStdString());
  }
  OpenSceneFiles(options_.files);
  return true;
}

void CApplication::DestroyWindows() {
  if (stepFilter_) qApp->removeEventFilter(stepFilter_.get());
  stepFilter_.reset();
  RegisterHidNotification(nullptr, nullptr);
  control_.reset();
  forwardListener_.reset();
  sceneQueue_.reset();
  resume_.reset();
  hotplug_.reset();
  if (deviceManager_) {
    deviceManager_->SetNotificationSink(nullptr);
    deviceManager_->SetSendTimer(nullptr);
  }
  // Destroyed at once rather than at the next loop turn: the loop has ended.
  delete miniDlg_.release();
  delete mainDlg_.release();
}

int CApplication::Run() {
  if (!CreateWindows()) return -1;
  const int code = QApplication::exec();
  DestroyWindows();
  return code;
}

void CApplication::Release() {
  if (released_) return;
  released_ = true;
  DestroyWindows();
  store_.SetDeviceLink(nullptr);
  editLink_.reset();
  deviceManager_.reset();  // stops the receive thread
  splash_.reset();
}

void CApplication::OnSettingsNotSaved(const std::string& why) {
  spdlog::error("config.ini could not be saved: {}", why);
  TellSettingsProblemOnce(config_.SaveRefusal().empty() ? kSettingsNotSavedText : kSettingsNotReadText);
}

void CApplication::TellSettingsProblemOnce(const char* text) {
  if (settingsProblemTold_) return;
  settingsProblemTold_ = true;
  QWidget* owner = QApplication::activeWindow();
  if (!owner) owner = mainDlg_ && mainDlg_->isVisible() ? static_cast<QWidget*>(mainDlg_.get()) : miniDlg_.get();
  ui::MessageBox(owner, QString::fromUtf8(text));
}

void CApplication::SwitchLanguage(int language) {
  language_ = language;
  config_.SetLang(language);  // a failure is logged and told by OnSettingsNotSaved
  if (!ui::SetTranslation(ui::TranslatorForLanguage(language)))
    spdlog::warn("translation for language {} does not load", language);
}

void CApplication::ExitRoutine() {
  if (ui::CTipWnd* tip = ui::CurrentTip()) {
    tip->KillTimer(ui::CTipWnd::kTimerId);
    tip->deleteLater();
  }
  // No change reaches the processor from now on.
  store_.SetConnectedFlag(false);
  // A new console may start from this moment.
  instanceLock_->Release();
  if (mainDlg_) mainDlg_->hide();
  QCoreApplication::quit();
}

void CApplication::CloseCompactWindow() {
  if (miniDlg_) {
    miniDlg_->hide();
    miniDlg_.reset();
  }
  QCoreApplication::quit();
}

void CApplication::ShowMainWindowAfterLogin() {
  if (!mainDlg_) return;
  refresher_.Send(RefreshKind::kFull);
  QRect place = mainDlg_->frameGeometry();
  if (miniDlg_) {
    // The main window opens where the compact window was, kept on its screen.
    place.moveCenter(miniDlg_->frameGeometry().center());
    if (const QScreen* screen = miniDlg_->screen()) {
      const QRect avail = screen->availableGeometry();
      place.moveLeft(std::max(avail.left(), std::min(place.left(), avail.right() - place.width() + 1)));
      place.moveTop(std::max(avail.top(), std::min(place.top(), avail.bottom() - place.height() + 1)));
    }
    mainDlg_->move(place.topLeft());
  }
  mainDlg_->showNormal();
  mainDlg_->raise();
  mainDlg_->activateWindow();
  if (miniDlg_) {
    miniDlg_->hide();
    miniDlg_.reset();
  }
}

void CApplication::StartCompactRefreshTimer(int delayMs) {
  if (miniDlg_) miniDlg_->SetTimer(CMiniDlg::kRefreshTimerId, delayMs);
}

void CApplication::UpdateConnectionDisplays() {
  if (mainDlg_) mainDlg_->UpdateConnectionDisplay();
  if (miniDlg_) miniDlg_->UpdateConnectionDisplay();
}

QWidget* CApplication::VisibleWindow() {
  if (mainDlg_ && mainDlg_->isVisible()) return mainDlg_.get();
  if (miniDlg_ && miniDlg_->isVisible()) return miniDlg_.get();
  return nullptr;
}

bool CApplication::OwnsHistoryKeys(QWidget* w) const {
  QWidget* window = w ? w->window() : nullptr;
  if (!window) return false;
  if (window == mainDlg_.get() || window == miniDlg_.get()) return true;
  // The mixing dialog edits the same values and shows the history's changes.
  auto* host = dynamic_cast<ui::HostWindow*>(window);
  return host && host->LayoutName() == QLatin1String(layout::mixsoundwd::kLayout);
}

ui::HostWindow* CApplication::MainFrame() { return mainDlg_.get(); }

QMenu* CApplication::OpenMenu() const { return mainDlg_ ? mainDlg_->OpenMenu() : nullptr; }

void CApplication::BringForward() {
  QWidget* w = nullptr;
  if (mainDlg_ && mainDlg_->isVisible()) w = mainDlg_.get();
  else if (miniDlg_) w = miniDlg_.get();
  if (!w) return;
  w->showNormal();
  w->raise();
  w->activateWindow();
  if (QWindow* handle = w->windowHandle()) {
    // On top for a moment so it comes in front of whatever covers it.
    const Qt::WindowFlags normal = w->windowFlags() & ~Qt::WindowStaysOnTopHint;
    handle->setFlags(normal | Qt::WindowStaysOnTopHint);
    QPointer<QWidget> guard(w);
    QTimer::singleShot(kBringForwardTopMostMs, w, [guard, normal] {
      if (guard && guard->windowHandle()) guard->windowHandle()->setFlags(normal);
    });
  }
}

QString CApplication::OpenWindowLater(const QString& which) {
  const char* presetLayout = which == "device-preset" ? layout::sys_setting::kDevicePresetLayout
                             : which == "my-preset"   ? layout::sys_setting::kMyPresetLayout
                             : which == "settings"    ? layout::sys_setting::kSysSettingLayout
                                                      : nullptr;
  if (!presetLayout && which != "delay" && which != "mixing" && which != "measurement" && which != "measure") return {};
  CMainDlg* main = mainDlg_.get();
  if (!main) return QStringLiteral("error no main window");
  QTimer::singleShot(0, main, [this, main, which, presetLayout] {
    if (presetLayout) OpenPresetDialog(*this, main, presetLayout);
    else if (which == "delay") OpenDelaySettings(*this, main);
    else if (which == "mixing") OpenMixSound(*this, main);
    else main->OnMenuCommand(which == "measure" ? kCmdMeasureCar : kCmdMeasurement);
  });
  return QStringLiteral("ok");
}

void CApplication::OpenSceneFiles(const QStringList& files) {
  if (sceneQueue_ && !files.isEmpty()) sceneQueue_->Add(files);
}


int RunConsole(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  StartOptions options = ParseStartOptions(arguments);
  if (options.help || !options.error.isEmpty()) {
    if (!options.error.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(options.error));
    std::fputs(qPrintable(UsageText()), options.help ? stdout : stderr);
    return options.help ? 0 : 2;
  }
  if (!options.controlSocket.isEmpty()) {
    const QString problem = demo::ControlSocketPathProblem(options.controlSocket);
    if (!problem.isEmpty()) {
      std::fprintf(stderr, "brisvel-console: --control-socket refused: %s\n", qPrintable(problem));
      return 1;
    }
  }
  // Every top-level window carries the window class; the title is the display name.
  QApplication::setApplicationName(QString::fromLatin1(kWindowClassName));
  QApplication::setApplicationDisplayName(QString::fromLatin1(kTitle));
  QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.brisvel.Console"));
  QApplication uiApp(argc, argv);
  CApplication app(std::move(options));
  return app.Main();
}

}  // namespace brisvel::app
