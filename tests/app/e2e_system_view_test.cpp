// End-to-end tests of the system view: the graph's sum of chosen channels
// (chosen with real clicks, read back through the control channel while a
// polarity flips) and the tuning report written from the File menu.

#include <QFile>

#include "core/param_table.h"
#include "e2e_support.h"

namespace brisvel::app::e2e {
namespace {

constexpr int kWait = 8000;

class SystemViewE2E : public MainWindowSession {
 protected:
  double SumAt(int hz) { return c->Query(QStringLiteral("sum %1").arg(hz)).toDouble(); }
  // Opens the channel picker and toggles the channel's item.
  void TogglePick(const QString& item) {
    Click("btn_sum_channels");
    ASSERT_TRUE(ChooseMenuItem(*c, item)) << item.toStdString();
    ASSERT_TRUE(Console::WaitFor([&] { return c->Query("menu") == "none"; }, kWait));
  }
};

TEST_F(SystemViewE2E, TheSumOfAWooferAndASubIsFlatInPhaseAndNotchedWithOnePolarityFlipped) {
  // CH1 a front woofer high-passed at 80 Hz LR 24, CH5 a sub low-passed there.
  Click(1402);
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl(801).text == "CH 1"; }, kWait));
  Click("btn_hp_presets");
  ASSERT_TRUE(ChooseMenuItem(*c, "HP 80 Hz LR 24"));
  ASSERT_TRUE(DeviceHas("Box2_HFliter_Freq", 80));
  Click(1400);
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl(801).text == "CH 5"; }, kWait));
  Click("btn_lp_presets");
  ASSERT_TRUE(ChooseMenuItem(*c, "LP 80 Hz LR 24"));
  ASSERT_TRUE(DeviceHas("Box0_LFliter_Freq", 80));
  // The sub's own high-pass out of the way.
  Enter(4002, "OFF");
  ASSERT_TRUE(Shows(4002, "OFF"));
  ASSERT_TRUE(InSync());
  const QString block = c->Query("block device");

  // No sum until it is asked for.
  EXPECT_EQ(c->Query("sum 80"), "none");
  EXPECT_EQ(c->Query("sum-channels"), "none");
  // Every channel is in the sum at first; picking leaves CH1 and CH5.
  for (const char* item : {"CH2", "CH3", "CH4", "CH6"}) TogglePick(item);
  ASSERT_EQ(c->Query("sum-channels"), "CH1,CH5");
  EXPECT_EQ(Ctrl("btn_sum").checked, 1) << "picking channels shows their sum";

  // Both at +6 dB (the factory volume), in phase and time-aligned: flat at +6 dB.
  for (int hz : {40, 80, 1000}) EXPECT_NEAR(SumAt(hz), 6.0, 0.5) << hz;

  // CH5's polarity flipped: the two cancel at the crossover.
  Click(1200);
  ASSERT_TRUE(DeviceHas("PhaseCtrl", 1));
  EXPECT_TRUE(Console::WaitFor([&] { return SumAt(80) < 6.0 - 20.0; }, kWait)) << c->Query("sum 80").toStdString();
  EXPECT_NEAR(SumAt(1000), 6.0, 0.5);
  EXPECT_NEAR(SumAt(25), 6.0, 1.5);
  Click(1200);
  ASSERT_TRUE(DeviceHas("PhaseCtrl", 0));
  EXPECT_TRUE(Console::WaitFor([&] { return std::abs(SumAt(80) - 6.0) < 0.5; }, kWait));

  // Hidden again with the toggle; looking at sums never reached the processor.
  Click("btn_sum");
  EXPECT_TRUE(Console::WaitFor([&] { return c->Query("sum 80") == "none"; }, kWait));
  QThread::msleep(400);
  EXPECT_EQ(c->Query("block device"), block);
}

TEST_F(SystemViewE2E, TheTuningReportFromTheFileMenuWritesThePdfAndTheCsvWhereAsked) {
  const QString dir = folders.dir.path() + "/reports";
  ASSERT_TRUE(QDir().mkpath(dir));
  Click("btn_sum_channels");
  ASSERT_TRUE(ChooseMenuItem(*c, "CH6"));  // the sum of CH1 … CH5 is shown
  ASSERT_TRUE(ChooseFromFileMenu(*c, "Tuning report…"));
  ASSERT_TRUE(AnswerFileDialog(*c, dir + "/car 1"));
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow(kMsgBox); }, 20000));
  EXPECT_TRUE(c->Query(QString("text ") + kMsgBox + " msgtext").contains("car 1.pdf"));
  c->Click(kMsgBox, "1");
  EXPECT_EQ(c->Query("folder report"), dir);
  QFile pdf(dir + "/car 1.pdf"), csv(dir + "/car 1.csv");
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5) == "%PDF-");
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(csv.readAll());
  EXPECT_TRUE(text.contains("info,,Processor,,\"Processor ")) << text.section("\r\n", 2, 2).toStdString();
  EXPECT_TRUE(text.contains("\r\nsum dB,\"CH1,CH2,CH3,CH4,CH5\",20.00,,"));
  EXPECT_TRUE(text.contains(QStringLiteral("channel,CH1,Volume,Volume_2,%1,").arg("6dB")));
}

}  // namespace
}  // namespace brisvel::app::e2e
