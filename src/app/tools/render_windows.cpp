// Renders the console's own windows to PNG files on the offscreen platform,
// in both translations: the compact window (not connected and connected to
// the simulated processor), the main window (not connected, connected, and
// with a shaped equaliser curve in GEQ and PEQ mode), the advanced login and
// the About box; and the splash screen. Usage: render_windows OUTDIR

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

#include "app/application.h"
#include "app/dlg_copy_channel.h"
#include "app/dlg_delay_settings.h"
#include "app/dlg_measure.h"
#include "app/dlg_measurement.h"
#include "app/measurement_session.h"
#include "app/dlg_mix_sound.h"
#include "app/main_dlg.h"
#include "app/layout_ids/xml_mainwnd.h"
#include "app/mini_dlg.h"
#include "app/ui_event_handler.h"
#include "controls/value_controls.h"
#include "app/single_instance.h"
#include "app/splash_screen.h"
#include "editing/presets.h"
#include "presets/advanced_login.h"
#include "presets/sys_setting.h"
#include "ui/progress_dialog.h"
#include "ui/basic_controls.h"
#include "ui/translation.h"
#include "ui/ui_event.h"
#include "ui/widget_snapshot.h"

using namespace brisvel;
using namespace brisvel::app;

namespace {

bool Save(QWidget& w, const QString& file) { return ui::SaveWidgetImage(w, file); }

// A door speaker in a car: a room mode at 63 Hz, a dip at 160 Hz, falling treble.
FrequencyCurve RoomMeasurement() {
  FrequencyCurve c;
  for (double hz = 15; hz < 22000; hz *= std::pow(2.0, 1.0 / 48)) {
    const double o1 = std::log2(hz / 63.0) * 4, o2 = std::log2(hz / 160.0) * 4;
    c.hz.push_back(hz);
    c.db.push_back(84 + 9 * std::exp(-o1 * o1) - 6 * std::exp(-o2 * o2) - 1.5 * std::log2(std::max(1.0, hz / 2000)) +
                   0.8 * std::sin(hz / 37.0));
  }
  return c;
}

// The measurement window after a fit, then the main window's graph with the
// measurement, the car target and the prediction of the applied fit.
int RenderMeasurement(CApplication& app, const QString& out, const QString& suffix) {
  CMainDlg* main = app.MainWindow();
  if (!main || !main->Handler()) return 1;
  MeasurementSession& session = RunMeasurements();
  session.ClearAll();
  session.target.kind = TargetCurve::kCar;
  const int channel = main->Handler()->Editor().CurrentChannel();
  session.SetMeasurement(channel, "door_left.txt", RoomMeasurement(), 6);
  int failures = 0;
  CDlgMeasurement dlg(QStringLiteral("LAYOUT:XML_MEASUREMENT"), nullptr, app, main, main->Handler()->Editor(), session,
                      QtFileChooser());
  if (!dlg.Create()) return 1;
  dlg.Handler().Fit();
  failures += !Save(dlg, out + "/measurement" + suffix + ".png");
  dlg.Handler().Apply();
  app.Refresher().Send(RefreshKind::kFull);
  failures += !Save(*main, out + "/main_measurement" + suffix + ".png");
  session.ClearAll();
  return failures;
}

// The main window's sum of a front woofer (CH1) and a sub (CH5) crossed at
// 80 Hz, the sub's polarity inverted so the notch shows, then as it was.
int RenderSum(CApplication& app, const QString& out, const QString& suffix) {
  CMainDlg* main = app.MainWindow();
  if (!main || !main->Handler()) return 1;
  CEffectStore& store = app.Store();
  const EffectBlock before = store.Block();
  const uint16_t lr24 = FilterTypeByte{2, 3}.Encode(), off = FilterTypeByte{2, 8}.Encode();
  store.SetParam(param::HpType(2), lr24);
  store.SetParam(param::HpFreq(2), 80);
  store.SetParam(param::LpType(2), off);
  store.SetParam(param::LpType(0), lr24);
  store.SetParam(param::LpFreq(0), 80);
  store.SetParam(param::HpType(0), off);
  store.SetParam(param::kPhaseCtrl, 1);
  SumView& sum = main->Handler()->Sum();
  sum.SetChannels({2, 0});
  main->Handler()->ShowSum(true);
  app.Refresher().Send(RefreshKind::kFull);
  const int failures = !Save(*main, out + "/main_sum" + suffix + ".png");
  main->Handler()->ShowSum(false);
  sum.SetChannels({0, 1, 2, 3, 4, 5});
  store.ReplaceBlock(before);
  store.RebuildResponses();
  app.Refresher().Send(RefreshKind::kFull);
  return failures;
}

// The Measure window during a run (the simulated car in its own time) and
// after one.
int RenderMeasure(CApplication& app, const QString& out, const QString& suffix) {
  CMainDlg* main = app.MainWindow();
  if (!main || !main->Handler()) return 1;
  CDlgMeasure dlg(QString::fromLatin1(kMeasureLayout), main, app, main->Handler()->Editor(), RunMeasurements());
  if (!dlg.Create()) return 1;
  CDlgMeasureHandler& h = dlg.Handler();
  const auto pump = [](int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
  };
  int failures = 0;
  if (!h.Start()) return 1;
  pump(1200);
  failures += !Save(dlg, out + "/measure_running" + suffix + ".png");
  h.Stop();
  while (h.Running()) pump(20);
  pump(50);
  h.SetPaced(false);
  if (!h.Start()) return failures + 1;
  while (h.Running()) pump(20);
  pump(50);
  failures += !Save(dlg, out + "/measure" + suffix + ".png");
  RunMeasurements().ClearAll();
  return failures;
}

// The settings dialog in its three layouts (two PC modes stored, the second
// page of the settings shown) and the progress window of batch files.
int RenderPresetDialogs(CApplication& app, const QString& out, const QString& suffix) {
  std::vector<PCModeRecord> list;
  editing::AddPCMode(app.Config(), list, "Hall", app.Store().Block());
  editing::AddPCMode(app.Config(), list, "Club bass", app.Store().Block());
  presets::PresetContext context{.config = app.Config(), .store = app.Store()};
  context.manager = app.DeviceManager();
  context.language = app.Language();
  context.version = QString::fromLatin1(kVersion);
  int failures = 0;
  const std::pair<const char*, const char*> layouts[] = {
      {layout::sys_setting::kDevicePresetLayout, "/device_preset"},
      {layout::sys_setting::kMyPresetLayout, "/my_preset"},
      {layout::sys_setting::kSysSettingLayout, "/settings"},
  };
  for (const auto& [name, file] : layouts) {
    presets::CSysSettingDlg dlg(QString::fromLatin1(name), nullptr, context);
    if (!dlg.Create()) {
      ++failures;
      continue;
    }
    failures += !Save(dlg, out + file + suffix + ".png");
    if (auto* tabs = dlg.Find<ui::TabControl>(QString::fromLatin1(layout::sys_setting::kTabs))) {
      tabs->setCurrentIndex(1);
      failures += !Save(dlg, out + file + "_pc" + suffix + ".png");
      tabs->setCurrentIndex(2);
      failures += !Save(dlg, out + file + "_upgrade" + suffix + ".png");
    }
    if (QWidget* sending = dlg.FindByName(QString::fromLatin1(layout::sys_setting::kSending))) {
      if (std::string_view(name) == layout::sys_setting::kDevicePresetLayout) {
        sending->show();
        sending->raise();
        failures += !Save(dlg, out + file + "_sending" + suffix + ".png");
      }
    }
  }
  ui::CDlgProgress progress;
  if (progress.Create()) {
    if (auto* bar = progress.Bar()) bar->SetValue(45);
    failures += !Save(progress, out + "/progress" + suffix + ".png");
  }
  editing::SavePCModeList(app.Config(), {});
  return failures;
}

// The main window with a shaped curve on CH1, in GEQ mode and then in PEQ
// mode with the Q handles beside the band edited last.
int RenderShapedEqualiser(CMainDlg& main, const QString& out, const QString& suffix) {
  CUIEventHandler* handler = main.Handler();
  if (!handler) return 1;
  namespace ids = layout::mainwnd;
  const std::pair<int, const char*> gains[] = {{2, "6"}, {5, "3.5"}, {9, "-4"}, {14, "-7.5"},
                                               {19, "2"}, {24, "5"}, {27, "-3"}};
  handler->Editor().SelectChannel(2);
  handler->ChannelRefresh();
  handler->TabRefresh();
  for (const auto& [band, db] : gains) {
    auto* edit = main.Find<ui::SEdit2>(ids::kBandGain + band);
    if (!edit) return 1;
    edit->setText(QString::fromLatin1(db));
    ui::RaiseEvent(edit, ui::KillFocusArgs{});
  }
  int failures = !Save(main, out + "/main_eq_geq" + suffix + ".png");
  auto* peq = main.Find<ui::SkCheckButton>(ids::kPeq);
  auto* q = main.Find<ui::SEdit2>(ids::kBandQ + 14);
  if (!peq || !q) return failures + 1;
  peq->SetChecked(true);
  ui::RaiseEvent(peq, ui::CmdArgs{});
  q->setText(QStringLiteral("2.5"));
  ui::RaiseEvent(q, ui::KillFocusArgs{});
  failures += !Save(main, out + "/main_eq_peq" + suffix + ".png");
  peq->SetChecked(false);
  ui::RaiseEvent(peq, ui::CmdArgs{});
  return failures;
}

int RenderSet(const QString& out, bool simulate, int lang) {
  QTemporaryDir data;
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
  qputenv("XDG_RUNTIME_DIR", data.path().toLocal8Bit());
  QDir(data.path()).mkpath("RezUriruBrisvel");
  StartOptions options;
  options.hide = true;
  options.simulate = simulate;
  int failures = 0;
  {
    CApplication app(options);
    if (!app.Initialise() || !app.CreateWindows()) return 1;
    app.SwitchLanguage(lang);
    const QString suffix = lang == 0 ? "_cn" : "_en";
    if (simulate) {
      failures += !Save(*app.CompactWindow(), out + "/compact_connected" + suffix + ".png");
      app.Refresher().Send(RefreshKind::kFull);
      failures += !Save(*app.MainWindow(), out + "/main_connected" + suffix + ".png");
      failures += RenderMeasurement(app, out, suffix);
      failures += RenderSum(app, out, suffix);
      failures += RenderMeasure(app, out, suffix);
      failures += RenderPresetDialogs(app, out, suffix);
      failures += RenderShapedEqualiser(*app.MainWindow(), out, suffix);
    } else {
      failures += !Save(*app.CompactWindow(), out + "/compact" + suffix + ".png");
      app.Refresher().Send(RefreshKind::kFull);
      failures += !Save(*app.MainWindow(), out + "/main_frame" + suffix + ".png");
      presets::CLoginDlg login(QString::fromLatin1(presets::kLoginLayout));
      if (login.Create()) {
        login.Handler().PasswordBox()->setText("1234");
        if (auto* msg = login.Handler().MessageLine()) msg->SetText("Password is incorrect");
        failures += !Save(login, out + "/login" + suffix + ".png");
      }
      CDlgDelaySettings delay(QStringLiteral("LAYOUT:XML_DELAYSETTINGS"), nullptr, CarDelaySettings::Default(),
                              CDlgDelaySettingsHandler::ApplyFn());
      if (delay.Create()) failures += !Save(delay, out + "/delay_settings" + suffix + ".png");
      CDlgMixSound mixing(QStringLiteral("LAYOUT:XML_MIXSOUNDWD"), nullptr, app.Store());
      if (mixing.Create()) failures += !Save(mixing, out + "/sound_mixing" + suffix + ".png");
      CAboutDlg about(QStringLiteral("LAYOUT:XML_ABOUT"), nullptr, ProcessorInformationText(app));
      if (about.Create()) failures += !Save(about, out + "/about" + suffix + ".png");
      CDlgCopyChannel copy(QString::fromLatin1(kCopyChannelLayout), nullptr, 2,
                           ChannelNames{"Tweeter L", "Tweeter R", "Mid L", "Mid R", "Sub", ""});
      if (copy.Create()) failures += !Save(copy, out + "/copy_channel" + suffix + ".png");
    }
    app.DestroyWindows();
    app.Release();
  }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication::setApplicationName(QString::fromLatin1(kWindowClassName));
  QApplication::setApplicationDisplayName(QString::fromLatin1(kTitle));
  QApplication qapp(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: render_windows OUTDIR\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(out)) return 1;
  int failures = 0;
  SplashScreen splash(StartupBitmap());
  failures += !Save(splash, out + "/splash.png");
  splash.hide();
  for (int lang : {1, 0}) {
    failures += RenderSet(out, false, lang);
    failures += RenderSet(out, true, lang);
  }
  return failures == 0 ? 0 : 1;
}
