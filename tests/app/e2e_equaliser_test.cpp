// End-to-end tests of the equaliser panel and the EQ graph: the real console
// on the simulated processor, driven with real mouse and keyboard input,
// checked in the window and, through the control channel, in the processor.

#include "core/scales.h"
#include "e2e_support.h"

namespace brisvel::app::e2e {
namespace {

constexpr int kWait = 8000;


class EqualiserE2E : public MainWindowSession {
 protected:
  // Each test starts the console itself, some on a copy of their own.
  bool StartsInSetUp() const override { return false; }
  void Start(const QString& program = QString()) { MainWindowSession::Start(kEnglishConfig, program); }
  void SelectCh1() {
    Click(1402);
    ASSERT_TRUE(Console::WaitFor([&] { return Ctrl("801").text == "CH 1"; }, kWait));
  }
  void LinkFrontPairOnCh1() {
    Click(1100);
    ASSERT_TRUE(ChooseMenuItem(*c, "Base of CH1"));
    ASSERT_TRUE(Console::WaitFor([&] { return c->Query("menu") == "none"; }, kWait));
    ASSERT_TRUE(Console::WaitFor([&] { return Ctrl(1100).checked == 1; }, kWait));
  }
};

TEST_F(EqualiserE2E, LinkedGainsBypassHoldBackAndQSteps) {
  Start();
  SelectCh1();
  LinkFrontPairOnCh1();
  // Band 10 of CH1 (Box 2) typed as 6 dB reaches CH2 (Box 3) too.
  Enter(5209, "6");
  EXPECT_TRUE(DeviceHas(Band("Gain", 2, 9), 600));
  EXPECT_TRUE(DeviceHas(Band("Gain", 3, 9), 600));
  EXPECT_TRUE(Shows(5209, "6.0"));

  // Bypass of a channel with bands at +3 dB: every band shows 0.0 and is
  // checked, the processor gets PassCtrl only and keeps its gains.
  for (int b : {0, 1, 9}) Enter(5200 + b, "3");
  ASSERT_TRUE(DeviceHas(Band("Gain", 3, 9), 300));
  Click(1502);
  ASSERT_TRUE(DeviceHas("PassCtrl", 0b1100));
  for (int b = 0; b < 31; ++b) {
    EXPECT_EQ(Ctrl(5200 + b).text, "0.0") << b;
    EXPECT_EQ(Ctrl(1000 + b).checked, 1) << b;
  }
  EXPECT_EQ(Ctrl(1502).checked, 1);
  QThread::msleep(500);
  EXPECT_EQ(Param(*c, Band("Gain", 2, 0)).store, 0);
  EXPECT_EQ(Param(*c, Band("Gain", 2, 0)).device, 300);
  EXPECT_EQ(Param(*c, Band("Gain", 3, 9)).device, 300);
  Click(1502);
  EXPECT_TRUE(DeviceHas("PassCtrl", 0));
  EXPECT_TRUE(Shows(5200, "3.0"));
  EXPECT_EQ(Ctrl(1000).checked, 0);
  EXPECT_TRUE(InSync());

  // The box of a band at 0 dB stays checked; nothing is sent.
  ASSERT_EQ(Ctrl(1020).checked, 1);
  const QString device = c->Query("block device");
  Click(1020);
  QThread::msleep(400);
  EXPECT_EQ(Ctrl(1020).checked, 1);
  EXPECT_EQ(c->Query("block device"), device);

  // Q steps walk the table, from 7.60 and from a typed 7.7 alike (PEQ mode).
  EXPECT_FALSE(Ctrl(5104).text.isEmpty());
  Click(1501);
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl(1501).checked == 1; }, kWait));
  Enter(5104, "7.60");
  ASSERT_TRUE(Shows(5104, "7.60"));
  PressKey("Up");
  EXPECT_TRUE(Shows(5104, "8.00"));
  EXPECT_TRUE(DeviceHas(Band("Q", 3, 4), 800));
  Enter(5104, "6", "Tab");
  ASSERT_TRUE(DeviceHas(Band("Q", 3, 4), 600));
  // 7.7 typed and stepped at once: the nearest entry of 770 is 7.60's.
  Click(5104);
  PressKey("ctrl+a");
  TypeText("7.7");
  PressKey("Up");
  EXPECT_TRUE(Shows(5104, "8.00"));
  EXPECT_TRUE(DeviceHas(Band("Q", 2, 4), 800));
}

TEST_F(EqualiserE2E, HandleDragsInGeqAndPeq) {
  Start();
  SelectCh1();
  // GEQ: a band handle moved sideways and down keeps its frequency.
  const int freq = Param(*c, Band("Freq", 2, 12)).store;
  const Control handle = Ctrl(912);
  ASSERT_TRUE(handle.found && handle.visible);
  Drag(handle.Centre(), handle.Centre() + QPoint(70, 26));
  ASSERT_TRUE(Console::WaitFor([&] { return static_cast<int16_t>(Param(*c, Band("Gain", 2, 12)).device) < -300; }, kWait));
  const int gain = static_cast<int16_t>(Param(*c, Band("Gain", 2, 12)).store);
  EXPECT_EQ(Param(*c, Band("Freq", 2, 12)).device, freq);
  EXPECT_EQ(Param(*c, Band("Freq", 2, 12)).store, freq);
  EXPECT_EQ(Ctrl(5212).text, QString::fromStdString(GainText(gain)));
  // The handle followed the pointer down, not sideways.
  const Control moved = Ctrl(912);
  EXPECT_NEAR(moved.Centre().y(), handle.Centre().y() + 26, 3);
  EXPECT_NEAR(moved.Centre().x(), handle.Centre().x(), 1);

  // PEQ: the same drag moves the frequency as well.
  Click(1501);
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl(1501).checked == 1; }, kWait));
  const Control start = Ctrl(912);
  Drag(start.Centre(), start.Centre() + QPoint(80, -40));
  ASSERT_TRUE(Console::WaitFor([&] { return Param(*c, Band("Freq", 2, 12)).device > freq; }, kWait));
  const int newFreq = Param(*c, Band("Freq", 2, 12)).store;
  EXPECT_EQ(Param(*c, Band("Freq", 2, 12)).device, newFreq);
  EXPECT_TRUE(Shows(5012, QString::number(newFreq)));
  EXPECT_GT(static_cast<int16_t>(Param(*c, Band("Gain", 2, 12)).device), gain);
  EXPECT_NEAR(Ctrl(912).Centre().x(), start.Centre().x() + 80, 3);

  // The Q pair stands beside the band; the left one moved right by 6 px
  // walks the step table 6 entries up.
  const Control left = Ctrl(933);
  ASSERT_TRUE(left.found && left.visible);
  EXPECT_TRUE(Ctrl(934).visible);
  const int q = Param(*c, Band("Q", 2, 12)).store;
  const int index = NearestQIndex(q);
  Drag(left.Centre(), left.Centre() + QPoint(6, 0));
  const int expected = QStepTable()[std::min(index + 6, kQStepCount - 1)];
  EXPECT_TRUE(DeviceHas(Band("Q", 2, 12), expected));
  EXPECT_TRUE(Shows(5112, QString::fromStdString(QText(expected))));
  // GEQ hides the pair again.
  Click(1501);
  EXPECT_TRUE(Console::WaitFor([&] { return !Ctrl(933).visible && !Ctrl(934).visible; }, kWait));
}

TEST_F(EqualiserE2E, CompensationAndTheGainAlertFromTheInstallersFile) {
  ProgramCopy copy("[param]\nscale = 100\n[alert]\nenable = 1\ndelay = 1500\nmsg = EQ gain too high\n");
  ASSERT_FALSE(copy.Program().isEmpty());
  Start(copy.Program());
  SelectCh1();
  Enter(4000, "0");  // MainVol 60
  Enter(6002, "0");  // CH1 at 60
  ASSERT_TRUE(DeviceHas("MainVol", 60));
  ASSERT_TRUE(DeviceHas("Volume_2", 60));
  // Committed on focus loss (Enter steps by 0, and steps do not compensate).
  Enter(5203, "6", "Tab");
  EXPECT_TRUE(DeviceHas("Volume_2", 54));
  EXPECT_TRUE(Shows(6002, "-6dB"));
  Enter(5203, "0", "Tab");
  EXPECT_TRUE(DeviceHas("Volume_2", 60));
  EXPECT_TRUE(Shows(6002, "0dB"));

  // Two neighbouring bands at 20 dB sum above 25.5 dB; lowering one within
  // the delay cancels the alert.
  Enter(5217, "20");
  Enter(5218, "20");
  ASSERT_TRUE(DeviceHas(Band("Gain", 2, 18), 2000));
  Enter(5218, "5");
  ASSERT_TRUE(DeviceHas(Band("Gain", 2, 18), 500));
  QThread::msleep(2500);
  EXPECT_FALSE(c->HasWindow("XML_MSGBOX"));
  // Raised again: the "Notice" box shows after the delay.
  Enter(5218, "20");
  QThread::msleep(600);
  EXPECT_FALSE(c->HasWindow("XML_MSGBOX"));
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow("XML_MSGBOX"); }, kWait));
  EXPECT_EQ(c->Ctrl("XML_MSGBOX", "msgtitle").text, "Notice");
  EXPECT_EQ(c->Ctrl("XML_MSGBOX", "msgtext").text, "EQ gain too high");
  PressKey("Return");
  EXPECT_TRUE(Console::WaitFor([&] { return !c->HasWindow("XML_MSGBOX"); }, kWait));
}

}  // namespace
}  // namespace brisvel::app::e2e
