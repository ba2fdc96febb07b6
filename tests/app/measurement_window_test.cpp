// The measurement and fit window on the offscreen platform: a measurement
// imported from a file reaches the main window's graph and the window's plot,
// bad files are named with their line and change nothing, a fit lowers the
// residual and Apply writes its bands over the linked range, asking first when
// they boost much; filter sets go out and come back only when the preview is
// confirmed; the session is kept and restored.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTemporaryDir>
#include <cmath>

#include "app/dlg_measurement.h"
#include "app/layout_ids/xml_mainwnd.h"
#include "app/layout_ids/xml_measurement.h"
#include "app/main_dlg.h"
#include "app/ui_event_handler.h"
#include "controls/measurement_plot.h"
#include "app_test_support.h"
#include "editing/history.h"
#include "settings/config_ini.h"
#include "settings/settings_keys.h"
#include "ui/message_box.h"
#include "ui/translation.h"

namespace brisvel::app {
namespace {

using test::PrivateFolders;
using test::StartedConsole;

struct ScriptedFiles : FileChooser {
  QString Open(QWidget*, const QString&, const QString& folder, const QString&) override {
    folders << folder;
    return next;
  }
  QString Save(QWidget*, const QString&, const QString& folder, const QString&, QString*) override {
    folders << folder;
    return next;
  }
  QString next;
  QStringList folders;  // where each dialog started
};

// A speaker with a 9 dB room mode at 63 Hz and a 6 dB dip at 160 Hz, written
// as a measurement program's text export.
QByteArray RoomMeasurement() {
  QByteArray text = "* measured at the driver's seat\nFreq(Hz)\tSPL(dB)\tPhase\n";
  for (double hz = 10; hz < 24000; hz *= std::pow(2.0, 1.0 / 48)) {
    const double o1 = std::log2(hz / 63.0) * 4, o2 = std::log2(hz / 160.0) * 4;
    const double db = 85 + 9 * std::exp(-o1 * o1) - 6 * std::exp(-o2 * o2);
    text += QByteArray::number(hz, 'f', 3) + "\t" + QByteArray::number(db, 'f', 3) + "\t0\n";
  }
  return text;
}

class MeasurementWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The texts are checked in English, whatever an earlier console left set.
    ui::SetTranslation(ui::TranslatorForLanguage(1));
    ASSERT_TRUE(console.ok);
    main = console.app->MainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_NE(main->Handler(), nullptr);
    editor = &main->Handler()->Editor();
    console.app->Store().SetLinkFlag(0, 3);  // CH1 and CH2 linked
    editor->SelectChannel(2);
    dlg = std::make_unique<CDlgMeasurement>(QString::fromLatin1(layout::measurement::kLayout), nullptr, *console.app,
                                            main, *editor, session, files);
    ASSERT_TRUE(dlg->Create());
  }
  void TearDown() override { ui::SetMessageBoxResponder(nullptr); }
  QString Write(const QString& name, const QByteArray& text) {
    QFile f(dir.path() + "/" + name);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return f.fileName();
  }
  const ui::EqOverlay* GraphOverlay() {
    auto* graph = main->Find<ui::SkEQ>(QString::fromLatin1(layout::mainwnd::kGraph));
    return graph && graph->Curve() ? graph->Curve()->Overlay() : nullptr;
  }
  CDlgMeasurementHandler& H() { return dlg->Handler(); }
  QColor MessageColour() {
    const ui::Element* e = ui::AsElement(dlg->FindById(layout::measurement::kMessage));
    return e ? e->TextColor() : QColor();
  }
  ChannelBands Bands(int k) { return BandsFromBlock(console.app->Store().Block(), k); }
  const ui::SkMeasurementPlot* Plot() { return dlg->Find<ui::SkMeasurementPlot>(layout::measurement::kPlot); }
  void SetField(int id, const QString& text) {
    auto* edit = dlg->Find<QLineEdit>(id);
    ASSERT_NE(edit, nullptr);
    edit->setText(text);
  }

  PrivateFolders folders;
  StartedConsole console{false};
  QTemporaryDir dir;
  CMainDlg* main = nullptr;
  editing::CChannelEditor* editor = nullptr;
  MeasurementSession session;
  ScriptedFiles files;
  std::unique_ptr<CDlgMeasurement> dlg;
  int boxes = 0;
};

TEST_F(MeasurementWindowTest, BadFilesAreNamedWithTheirLineAndChangeNothing) {
  ui::SetMessageBoxResponder([this](const ui::MessageBoxRequest&) { return ++boxes, ui::kIdOk; });
  EXPECT_FALSE(H().ImportMeasurement(Write("bad.txt", "20 80\n30 81\n25 82\n")));
  EXPECT_TRUE(H().Message().contains("line 3")) << H().Message().toStdString();
  EXPECT_EQ(MessageColour(), QColor(0xff, 0xa0, 0xa0));  // a problem stands out
  EXPECT_FALSE(H().ImportMeasurement(dir.path() + "/missing.txt"));
  EXPECT_FALSE(H().ImportMeasurement(dir.path()));  // a folder
  EXPECT_EQ(boxes, 3);
  EXPECT_EQ(session.Measurement(2), nullptr);
  EXPECT_EQ(GraphOverlay(), nullptr);
  EXPECT_FALSE(H().Fit());
}

TEST_F(MeasurementWindowTest, AFitLowersTheResidualAndApplyWritesItOverTheLinkedRange) {
  ASSERT_TRUE(H().ImportMeasurement(Write("room.txt", RoomMeasurement())));
  EXPECT_NE(MessageColour(), QColor(0xff, 0xa0, 0xa0));  // a result is no alarm
  ASSERT_NE(GraphOverlay(), nullptr);
  EXPECT_GT(GraphOverlay()->measurement.hz.size(), 100u);
  EXPECT_NEAR(GraphOverlay()->level, 85, 3);  // lined up with the flat target
  // The window's plot: measurement, target, bands and predicted result over 20 Hz .. 20 kHz.
  ASSERT_NE(Plot(), nullptr);
  ASSERT_EQ(Plot()->Curves().size(), 4u);
  EXPECT_EQ(Plot()->Curves()[0].name, "Measurement");
  EXPECT_EQ(Plot()->Curves()[3].name, "Predicted result");
  EXPECT_DOUBLE_EQ(Plot()->Frequencies().front(), 20);
  EXPECT_DOUBLE_EQ(Plot()->Frequencies().back(), 20000);
  const std::vector<double> eqBefore = Plot()->Curves()[2].db;

  // Another channel has no overlay; coming back shows it again.
  H().SelectChannel(4);
  EXPECT_EQ(GraphOverlay(), nullptr);
  H().SelectChannel(2);
  ASSERT_NE(GraphOverlay(), nullptr);

  const ChannelBands start = Bands(2);
  EXPECT_FALSE(H().Apply());  // nothing fitted yet
  ASSERT_TRUE(H().Fit());
  const FitResult fit = *H().LastFit();
  EXPECT_GT(fit.before.rms, 2.0);
  EXPECT_LT(fit.after.rms, 1.0);
  EXPECT_EQ(Bands(2), start);  // a fit alone writes nothing
  EXPECT_LE(fit.summedBoostDb, 6.0);  // the boost limit holds for the sum of the bands
  EXPECT_TRUE(H().Message().contains("bands used")) << H().Message().toStdString();
  EXPECT_NE(Plot()->Curves()[2].db, eqBefore);  // the plot shows the fit waiting for Apply

  ASSERT_TRUE(H().Apply());
  EXPECT_EQ(Bands(2), fit.bands);
  EXPECT_EQ(Bands(3), fit.bands);  // linked
  EXPECT_EQ(Bands(4), start);
  EXPECT_FALSE(H().Apply());  // once
  // Apply is one step of the edit history: one undo gives every band back.
  ASSERT_NE(console.app->History(), nullptr);
  console.app->History()->Undo();
  EXPECT_EQ(Bands(2), start);
  EXPECT_EQ(Bands(3), start);
  console.app->History()->Redo();
  EXPECT_EQ(Bands(3), fit.bands);
  H().Fit();  // the applied fit is the starting point of the next
  ASSERT_TRUE(H().LastFit().has_value());
  EXPECT_NEAR(H().LastFit()->before.rms, fit.after.rms, 1e-9);
}

TEST_F(MeasurementWindowTest, ApplyAsksWhenTheFitBoostsMoreThanSixDecibels) {
  // A wide 10 dB dip, fitted with a boost limit of 12 dB, and with 2 bands at most.
  QByteArray text = "Freq(Hz)\tSPL(dB)\n";
  for (double hz = 10; hz < 24000; hz *= std::pow(2.0, 1.0 / 24)) {
    const double o = std::log2(hz / 120.0) * 1.5;
    text += QByteArray::number(hz, 'f', 3) + "\t" + QByteArray::number(85 - 10 * std::exp(-o * o), 'f', 3) + "\n";
  }
  ASSERT_TRUE(H().ImportMeasurement(Write("dip.txt", text)));
  SetField(layout::measurement::kMaxBoost, "12");
  SetField(layout::measurement::kBands, "2");
  ASSERT_TRUE(H().Fit());
  ASSERT_GT(H().LastFit()->summedBoostDb, 6.0);
  EXPECT_LE(H().LastFit()->summedBoostDb, 12.0);
  EXPECT_LE(H().LastFit()->bandsUsed.size(), 2u);
  const ChannelBands start = Bands(2);
  QString asked;
  ui::SetMessageBoxResponder([&](const ui::MessageBoxRequest& r) { return asked = r.text, ui::kIdNo; });
  EXPECT_FALSE(H().Apply());
  EXPECT_TRUE(asked.contains("boost the channel by up to")) << asked.toStdString();
  EXPECT_EQ(Bands(2), start);
  ui::SetMessageBoxResponder([](const ui::MessageBoxRequest&) { return ui::kIdYes; });
  EXPECT_TRUE(H().Apply());
  EXPECT_NE(Bands(2), start);
}

TEST_F(MeasurementWindowTest, FilterSetsGoOutAndComeBackOnlyWhenConfirmed) {
  ui::SetMessageBoxResponder([this](const ui::MessageBoxRequest&) { return ++boxes, ui::kIdOk; });
  ASSERT_TRUE(H().ImportMeasurement(Write("room.txt", RoomMeasurement())));
  ASSERT_TRUE(H().Fit());
  ASSERT_TRUE(H().Apply());
  const ChannelBands fitted = Bands(2);
  const QString text = dir.path() + "/set.txt", csv = dir.path() + "/set.csv";
  ASSERT_TRUE(H().ExportFilters(text, false));
  ASSERT_TRUE(H().ExportFilters(csv, true));
  EXPECT_FALSE(H().ExportFilters(dir.path() + "/no/such/folder/set.txt", true));
  EXPECT_EQ(boxes, 1);

  editor->ResetEqualiser();
  const ChannelBands reset = Bands(2);
  ASSERT_NE(reset, fitted);
  QString preview;
  ui::SetMessageBoxResponder([&](const ui::MessageBoxRequest& r) { return preview = r.text, ui::kIdNo; });
  EXPECT_FALSE(H().ImportFilters(text));
  EXPECT_EQ(Bands(2), reset);
  EXPECT_TRUE(preview.contains("31")) << preview.toStdString();

  ui::SetMessageBoxResponder([](const ui::MessageBoxRequest&) { return ui::kIdYes; });
  ASSERT_TRUE(H().ImportFilters(text));
  EXPECT_EQ(Bands(2), fitted);
  EXPECT_EQ(Bands(3), fitted);
  editor->ResetEqualiser();
  ASSERT_TRUE(H().ImportFilters(csv));
  EXPECT_EQ(Bands(2), fitted);

  // A shelf and a gain beyond the range: every change and every filter not taken is in the preview.
  ui::SetMessageBoxResponder([&](const ui::MessageBoxRequest& r) { return preview = r.text, ui::kIdYes; });
  const QByteArray odd = "Preamp: -3 dB\nFilter 1: ON PK Fc 100 Hz Gain 40.0 dB Q 1.0\n"
                         "Filter 2: ON LSC Fc 80 Hz Gain 3.0 dB Q 0.7\n";
  const FilterSetImport report = ImportFilterSet(odd.toStdString(), Bands(2), console.app->CaeData().minVol,
                                                 console.app->CaeData().maxVol);
  ASSERT_TRUE(report.ok);
  ASSERT_FALSE(report.changes.empty());
  ASSERT_FALSE(report.skipped.empty());
  ASSERT_TRUE(H().ImportFilters(Write("odd.txt", odd)));
  for (const auto& line : report.changes) EXPECT_TRUE(preview.contains(QString::fromStdString(line))) << line;
  for (const auto& line : report.skipped) EXPECT_TRUE(preview.contains(QString::fromStdString(line))) << line;
  EXPECT_EQ(static_cast<int16_t>(Bands(2)[0].gain), console.app->CaeData().maxVol * 100);
}

TEST(MeasurementSessionTest, KeptMeasurementsComeBackWithTheirSmoothing) {
  MeasurementSession a;
  FrequencyCurve c;
  for (double hz = 20; hz <= 20000; hz *= 1.1) {
    c.hz.push_back(hz);
    c.db.push_back(std::sin(hz));
  }
  a.SetMeasurement(1, "/tmp/x.frd", c, 6);
  a.SetMeasurement(5, "/tmp/y.txt", c, 0);
  EXPECT_EQ(a.Kept().size(), 2u);
  EXPECT_EQ(a.Kept()[0].curve, c);  // kept unsmoothed
  MeasurementSession b;
  b.SetMeasurement(0, "/tmp/z.txt", c, 3);
  b.Restore(a.Kept());
  EXPECT_EQ(b.Measurement(0), nullptr);
  ASSERT_NE(b.Measurement(1), nullptr);
  EXPECT_EQ(b.Measurement(1)->shown, a.Measurement(1)->shown);
  EXPECT_EQ(b.Measurement(1)->smoothing, 6);
  EXPECT_NE(b.Measurement(1)->shown, c);
  EXPECT_EQ(b.Overlay(0), nullptr);
  ASSERT_NE(b.Overlay(5), nullptr);
}

TEST(MeasurementSessionTest, APcModeKeepsTheMeasurementsBesideConfigIni) {
  QTemporaryDir dir;
  const std::filesystem::path config = dir.path().toStdString() + "/config.ini";
  FrequencyCurve c{{20, 200, 2000}, {1, 2, 3}, {}};
  MeasurementSession run;
  run.SetMeasurement(2, "/m/door.txt", c, 3);
  std::string error;
  ASSERT_TRUE(KeepWithPcMode(run, config, "Hall", &error)) << error;
  EXPECT_TRUE(QFile::exists(dir.path() + "/measurements.ini"));
  MeasurementSession later;
  ASSERT_TRUE(RestoreFromPcMode(later, config, "Hall", &error));
  ASSERT_NE(later.Measurement(2), nullptr);
  EXPECT_EQ(later.Measurement(2)->raw, c);
  // A mode that kept none leaves the session alone; a damaged entry of
  // another mode is reported, kept as it is and blocks nothing.
  ASSERT_TRUE(RestoreFromPcMode(later, config, "Club", &error));
  EXPECT_NE(later.Measurement(2), nullptr);
  QFile f(dir.path() + "/measurements.ini");
  ASSERT_TRUE(f.open(QIODevice::Append));
  f.write("[Club]\nchannel2.points=oops\n");
  f.close();
  MeasurementSession again;
  error.clear();
  ASSERT_TRUE(RestoreFromPcMode(again, config, "Hall", &error));
  ASSERT_NE(again.Measurement(2), nullptr);
  EXPECT_NE(error.find("line "), std::string::npos) << error;
  ASSERT_TRUE(KeepWithPcMode(run, config, "Hall", &error)) << error;
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().contains("channel2.points=oops"));
}

TEST_F(MeasurementWindowTest, EachKindOfFileDialogStartsWhereItsLastFileWas) {
  ui::SetMessageBoxResponder([](const ui::MessageBoxRequest&) { return ui::kIdNo; });
  auto click = [&](const char* name) {
    QWidget* w = dlg->FindByName(QString::fromLatin1(name));
    ASSERT_NE(w, nullptr) << name;
    QTest::mouseClick(w, Qt::LeftButton);
  };
  QDir(dir.path()).mkpath("measured");
  QDir(dir.path()).mkpath("filters");
  files.next = Write("measured/room.txt", RoomMeasurement());
  click(layout::measurement::kImport);
  files.next.clear();  // cancelled: the folder stays
  click(layout::measurement::kTargetFile);
  files.next = dir.path() + "/filters/out.txt";
  click(layout::measurement::kExportFilters);
  files.next.clear();
  click(layout::measurement::kImportFilters);
  click(layout::measurement::kImport);
  EXPECT_EQ(files.folders, (QStringList{QDir::homePath(), dir.path() + "/measured", QDir::homePath(),
                                        dir.path() + "/filters", dir.path() + "/measured"}));
  // Kept in config.ini for the next run.
  settings::ConfigIni saved(console.app->Config().Path());
  ASSERT_TRUE(saved.Load());
  EXPECT_EQ(QString::fromStdString(saved.DialogFolder(settings::kFolderFilters, "/").string()), dir.path() + "/filters");
}

}  // namespace
}  // namespace brisvel::app
