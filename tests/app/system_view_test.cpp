// The main window's sum overlay and the tuning report over the running
// console: a measurement with its phase enters the drawn sum, the toggle and
// every change of the block reach the drawing, and the report gathers the
// processor, the sum shown and the measurements with their predictions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "app/main_dlg.h"
#include "app/measurement_session.h"
#include "app/sum_view.h"
#include "app/tuning_report_file.h"
#include "app/ui_event_handler.h"
#include "app_test_support.h"
#include "controls/eq_graph.h"
#include "controls/value_controls.h"
#include "core/param_table.h"

namespace brisvel::app {
namespace {

using test::PrivateFolders;
using test::StartedConsole;

constexpr int kCh1 = 2, kCh5 = 0;

void CrossoverPair(CEffectStore& store) {
  const uint16_t lr24 = FilterTypeByte{2, 3}.Encode(), off = FilterTypeByte{2, 8}.Encode();
  store.SetParam(param::HpType(kCh1), lr24);
  store.SetParam(param::HpFreq(kCh1), 80);
  store.SetParam(param::LpType(kCh1), off);
  store.SetParam(param::LpType(kCh5), lr24);
  store.SetParam(param::LpFreq(kCh5), 80);
  store.SetParam(param::HpType(kCh5), off);
}

TEST(SystemView, TheDrawnSumFollowsTheBlockAndTakesAMeasuredPhaseIn) {
  PrivateFolders folders;
  folders.WriteConfig("[Config]\nLang=1\n");
  StartedConsole console(true);
  ASSERT_TRUE(console.ok);
  CApplication& app = *console.app;
  CMainDlg* main = app.MainWindow();
  ASSERT_NE(main, nullptr);
  main->show();
  QApplication::processEvents();
  auto* graph = main->Find<ui::SkEQ>(QStringLiteral("eq_curve"));
  auto* toggle = main->Find<ui::SkCheckButton>(QStringLiteral("btn_sum"));
  ASSERT_TRUE(graph && graph->Curve() && toggle);
  ui::SkEqCurve& curve = *graph->Curve();
  EXPECT_EQ(curve.DrawnSum(), nullptr);

  CrossoverPair(app.Store());
  QTest::mouseClick(toggle, Qt::LeftButton);
  QApplication::processEvents();
  QString legend;
  const CSystemSum* sum = curve.DrawnSum(&legend);
  ASSERT_NE(sum, nullptr) << "the toggle shows the sum";
  EXPECT_TRUE(legend.startsWith("Sum CH1 + CH2")) << legend.toStdString();
  EXPECT_EQ(sum->Channels().size(), 6u);

  // Only CH1 and CH5 (through the view the picker changes).
  ASSERT_NE(main->Handler(), nullptr);
  SumView& view = main->Handler()->Sum();
  view.SetChannels({kCh5, kCh1});
  sum = curve.DrawnSum(&legend);
  EXPECT_EQ(legend, "Sum CH1 + CH5");
  EXPECT_NEAR(sum->LevelAt(80), 6.0, 0.5);

  // A change of the block made anywhere reaches the next drawing.
  app.Store().SetParam(param::kPhaseCtrl, 1 << kCh5);
  EXPECT_LT(curve.DrawnSum()->LevelAt(80), 6.0 - 20.0);
  app.Store().SetParam(param::kPhaseCtrl, 0);
  EXPECT_NEAR(curve.DrawnSum()->LevelAt(80), 6.0, 0.5);

  // The sub measured with its phase turned by 180°: the measured response
  // cancels what the block alone would sum; without a phase it is left out.
  MeasurementSession& session = RunMeasurements();
  session.SetMeasurement(kCh5, "sub.frd", FrequencyCurve{{10, 24000}, {80, 80}, {180, 180}}, 0);
  sum = curve.DrawnSum(&legend);
  EXPECT_TRUE(legend.endsWith("(with the measured phases)")) << legend.toStdString();
  EXPECT_LT(sum->LevelAt(80), 6.0 - 20.0);
  session.SetMeasurement(kCh5, "sub.txt", FrequencyCurve{{10, 24000}, {80, 80}, {}}, 0);
  EXPECT_NEAR(curve.DrawnSum()->LevelAt(80), 6.0, 0.5);

  // The report: the simulated processor's line, the sum shown, the measurement with its prediction.
  const TuningReport report = GatherTuningReport(app, &view);
  EXPECT_TRUE(report.processor.rfind("Processor ", 0) == 0) << report.processor;
  EXPECT_FALSE(report.deviceMode.empty());
  ASSERT_EQ(report.sums.size(), 1u);
  EXPECT_EQ(report.sums[0], (std::vector<int>{kCh1, kCh5}));
  ASSERT_EQ(report.measurements.size(), 1u);
  const ReportMeasurement& m = report.measurements[0];
  EXPECT_EQ(m.box, kCh5);
  ASSERT_FALSE(m.hz.empty());
  ASSERT_EQ(m.predicted.size(), m.hz.size());
  // Far above the sub's 80 Hz low-pass the prediction is well below the measurement.
  EXPECT_LT(m.predicted.back(), m.measured.back() - 40.0);
  session.ClearAll();

  QTest::mouseClick(toggle, Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_EQ(curve.DrawnSum(), nullptr);
  EXPECT_TRUE(GatherTuningReport(app, &view).sums.empty()) << "a hidden sum is not reported";
}

}  // namespace
}  // namespace brisvel::app
