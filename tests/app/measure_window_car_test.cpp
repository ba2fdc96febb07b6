// The Measure window over the running console and its simulated processor:
// a run measures the chosen channels with the others muted and gives the
// mutes back, Stop ends a run with the mutes as they were, "Set delays" is one
// step of the history, and "Fit..." hands the responses to the measurement
// window's session.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>

#include "app/dlg_measure.h"
#include "app/main_dlg.h"
#include "app/measurement_session.h"
#include "app/ui_event_handler.h"
#include "app_test_support.h"
#include "controls/impulse_plot.h"
#include "core/param_table.h"
#include "editing/history.h"
#include "ui/basic_controls.h"

namespace brisvel::app {
namespace {

using test::PrivateFolders;
using test::StartedConsole;

bool WaitWhileRunning(const CDlgMeasureHandler& h, int ms = 60000) {
  QElapsedTimer t;
  t.start();
  while (h.Running() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
  QApplication::processEvents();
  return !h.Running();
}

// Leaves only the channels named (labels) checked.
void Choose(ui::HostWindow& dlg, std::initializer_list<int> labels) {
  for (int label = 1; label <= kChannelCount; ++label) {
    auto* b = dynamic_cast<ui::SkCheckButton*>(dlg.FindByName(QStringLiteral("ch_%1").arg(label)));
    ASSERT_NE(b, nullptr);
    b->SetChecked(std::find(labels.begin(), labels.end(), label) != labels.end());
  }
}

class MeasureWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    folders.WriteConfig("[Config]\nLang=1\n");
    console = std::make_unique<StartedConsole>(true);
    ASSERT_TRUE(console->ok);
    app = console->app.get();
    ASSERT_TRUE(app->IsConnected());
    main = app->MainWindow();
    ASSERT_TRUE(main && main->Handler());
    dlg = std::make_unique<CDlgMeasure>(QString::fromLatin1(kMeasureLayout), main, *app, main->Handler()->Editor(),
                                        RunMeasurements());
    ASSERT_TRUE(dlg->Create());
  }
  void TearDown() override {
    dlg.reset();
    RunMeasurements().ClearAll();
  }
  int Mutes() { return app->Store().GetParam(param::kMuteCtrl); }

  PrivateFolders folders;
  std::unique_ptr<StartedConsole> console;
  CApplication* app = nullptr;
  CMainDlg* main = nullptr;
  std::unique_ptr<CDlgMeasure> dlg;
};

TEST_F(MeasureWindow, ARunGivesTheMutesBackAndSetDelaysIsOneStepThatUndoes) {
  CDlgMeasureHandler& h = dlg->Handler();
  h.SetPaced(false);
  app->Store().SetParam(param::kMuteCtrl, 0x02);  // CH6 muted by the installer
  Choose(*dlg, {1, 4});
  ASSERT_TRUE(h.Start());
  EXPECT_FALSE(h.Start()) << "one run at a time";
  ASSERT_TRUE(WaitWhileRunning(h));
  ASSERT_NE(h.Result(), nullptr);
  ASSERT_TRUE(h.Result()->ok) << h.Result()->error;
  EXPECT_EQ(Mutes(), 0x02);
  EXPECT_TRUE(test::WaitUntil([&] { return !app->Store().HasPendingParams(); }, 5000));
  auto* impulses = dynamic_cast<ui::SkImpulsePlot*>(dlg->FindByName(QStringLiteral("plot_impulse")));
  ASSERT_NE(impulses, nullptr);
  ASSERT_EQ(impulses->Traces().size(), 2u);
  EXPECT_FALSE(impulses->Traces()[0].samples.empty());

  // CH4 (Box 5) is farther from the seat than CH1 (Box 2): CH1 waits for it.
  ASSERT_TRUE(h.SetDelays());
  EXPECT_EQ(app->Store().GetParam(param::Delay(5)), 0);
  const int ch1 = app->Store().GetParam(param::Delay(2));
  EXPECT_NEAR(ch1, h.Result()->relativeArrivals[1], 1.0);
  ASSERT_NE(app->History(), nullptr);
  EXPECT_EQ(app->History()->UndoName(), "Delays from the measurement");
  app->History()->Undo();
  EXPECT_EQ(app->Store().GetParam(param::Delay(2)), 0);
}

TEST_F(MeasureWindow, StopEndsARunWithTheMutesAsTheyWereAndFitTakesTheResponses) {
  CDlgMeasureHandler& h = dlg->Handler();
  Choose(*dlg, {1, 2, 3});
  ASSERT_TRUE(h.Start());  // paced: each sweep takes its own time
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_NE(Mutes(), 0) << "the other channels are muted while one is measured";
  h.Stop();
  ASSERT_TRUE(WaitWhileRunning(h));
  ASSERT_NE(h.Result(), nullptr);
  EXPECT_TRUE(h.Result()->stopped);
  EXPECT_TRUE(h.Result()->mutesRestored);
  EXPECT_EQ(Mutes(), 0);

  h.SetPaced(false);
  Choose(*dlg, {1, 5});
  ASSERT_TRUE(h.Start());
  ASSERT_TRUE(WaitWhileRunning(h));
  ASSERT_TRUE(h.Result()->ok) << h.Result()->error;
  ASSERT_TRUE(h.TakeForFit());
  for (int box : {2, 0}) {
    const ChannelMeasurement* m = RunMeasurements().Measurement(box);
    ASSERT_NE(m, nullptr) << box;
    EXPECT_TRUE(m->raw.HasPhase());
  }
  EXPECT_EQ(main->Handler()->Editor().CurrentChannel(), 2);

  // A second microphone position averaged in; without the check a run starts a new series.
  auto* add = dynamic_cast<ui::SkCheckButton*>(dlg->FindByName(QStringLiteral("add_position")));
  ASSERT_NE(add, nullptr);
  add->SetChecked(true);
  const double mainArrival = h.Result()->channels[0].arrival.samples;
  ASSERT_TRUE(h.Start());
  ASSERT_TRUE(WaitWhileRunning(h));
  ASSERT_TRUE(h.Result()->ok) << h.Result()->error;
  EXPECT_EQ(h.Positions(), 2);
  EXPECT_EQ(h.Result()->channels[0].arrival.samples, mainArrival) << "the arrivals are the main position's";
  add->SetChecked(false);
  ASSERT_TRUE(h.Start());
  ASSERT_TRUE(WaitWhileRunning(h));
  EXPECT_EQ(h.Positions(), 1);
}

}  // namespace
}  // namespace brisvel::app
