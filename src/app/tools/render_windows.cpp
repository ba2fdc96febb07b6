// Renders the console's own windows to PNG files on the offscreen platform,
// in both translations: the compact window (not connected and connected to
// the simulated processor), the main window (not connected and connected), the advanced login and
// the About box; and the splash screen. Usage: render_windows OUTDIR

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

#include "app/application.h"
#include "app/dlg_delay_settings.h"
#include "app/dlg_measurement.h"
#include "app/dlg_mix_sound.h"
#include "app/main_dlg.h"
#include "app/mini_dlg.h"
#include "app/ui_event_handler.h"
#include "app/single_instance.h"
#include "app/splash_screen.h"
#include "presets/advanced_login.h"
#include "ui/basic_controls.h"
#include "ui/translation.h"
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
      ui::CCommonDlg<ui::DialogEventHandler> about(QStringLiteral("LAYOUT:XML_ABOUT"));
      if (about.Create()) {
        if (auto* version = ui::AsElement(about.FindByName("about_version")))
          version->SetText(QStringLiteral("V%1  2026").arg(QLatin1String(kVersion)));
        failures += !Save(about, out + "/about" + suffix + ".png");
      }
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
