// End-to-end tests of the main window's editing panels: the real console on
// the simulated processor, driven with real mouse, wheel and keyboard input,
// checked in the window and, through the control channel, in the processor.

#include "e2e_support.h"

namespace brisvel::app::e2e {
namespace {

constexpr int kWait = 8000;

// The console on the simulated processor with the main window open (English).
class MainWindowE2E : public MainWindowSession {
 protected:
  // Turns the wheel over a control of the main window.
  void Wheel(const QString& id, bool up, int notches = 1) {
    const Control ctl = Ctrl(id);
    ASSERT_TRUE(ctl.found && ctl.visible) << id.toStdString();
    e2e::Wheel(ctl.Centre(), up, notches);
  }
  // Checks a grouping box and picks the menu item.
  void Group(const QString& box, const QString& item) {
    Click(box);
    ASSERT_TRUE(ChooseMenuItem(*c, item)) << item.toStdString();
    ASSERT_TRUE(Console::WaitFor([&] { return c->Query("menu") == "none"; }, kWait));
  }
};

TEST_F(MainWindowE2E, AFrontPairMovesBothSlidersAndDelaysIgnoreTheLink) {
  Group("1100", "Base of CH1");
  EXPECT_EQ(Ctrl("1100").checked, 1);
  const int before = Param(*c, "Volume_3").store;
  Wheel("2203", false, 3);  // CH2's slider
  ASSERT_TRUE(Console::WaitFor([&] { return Param(*c, "Volume_3").store == before - 3; }, kWait));
  EXPECT_TRUE(DeviceHas("Volume_3", before - 3));
  EXPECT_TRUE(DeviceHas("Volume_2", before - 3));
  EXPECT_EQ(Ctrl("2202").value, before - 3);
  EXPECT_EQ(Ctrl("2203").value, before - 3);
  const int rear = Param(*c, "Volume_5").store;
  Wheel("2204", false, 2);  // CH3's slider: not linked
  EXPECT_TRUE(DeviceHas("Volume_4", Param(*c, "Volume_4").store));
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl("2204").value == Param(*c, "Volume_4").store; }, kWait));
  EXPECT_EQ(Param(*c, "Volume_5").store, rear);

  const int otherDelay = Param(*c, "Delay_3").store;
  Enter("4102", "5", "Tab");  // CH1's delay, committed on focus loss
  EXPECT_TRUE(DeviceHas("Delay_2", 240));
  EXPECT_EQ(Ctrl("4102").text, "5.000");
  EXPECT_EQ(Param(*c, "Delay_3").device, otherDelay);
}

TEST_F(MainWindowE2E, BaseOfCH2CopiesTheChannelAndUncheckingOrDismissingChangesNothingMore) {
  Group("1101", "Base of CH3");
  EXPECT_EQ(Ctrl("1101").checked, 1);
  Click("1403");  // CH2 (Box 3), not linked
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl("801").text == "CH 2"; }, kWait));
  Wheel("2203", false, 4);
  Enter("5205", "7.5");  // band 6 gain of CH2
  Enter("4003", "-12");  // CH2's limiter threshold
  ASSERT_TRUE(DeviceHas("Box3_EQ5_Gain", 750));
  ASSERT_TRUE(DeviceHas("Box3_Param_Threshold", static_cast<uint16_t>(-1200)));

  Group("1100", "Base of CH2");
  const int volume = Param(*c, "Volume_3").store;
  EXPECT_TRUE(DeviceHas("Volume_2", volume));
  EXPECT_TRUE(DeviceHas("Box2_EQ5_Gain", 750));
  EXPECT_TRUE(DeviceHas("Box2_Param_Threshold", static_cast<uint16_t>(-1200)));
  EXPECT_TRUE(InSync());
  EXPECT_EQ(Ctrl("1101").checked, 0);  // the rear pair went off
  EXPECT_EQ(Ctrl("1402").checked, 1);
  EXPECT_EQ(Ctrl("1403").checked, 1);
  EXPECT_EQ(Ctrl("801").text, "CH 2");

  // Unchecking keeps CH2 selected and sends nothing.
  const QString device = c->Query("block device");
  Click("1100");
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl("1402").checked == 0; }, kWait));
  EXPECT_EQ(Ctrl("1403").checked, 1);
  EXPECT_EQ(Ctrl("1100").checked, 0);
  QThread::msleep(500);
  EXPECT_EQ(c->Query("block device"), device);

  // A dismissed menu leaves the box unchecked and the links as they were.
  Click("1103");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Query("menu") != "none"; }, kWait));
  PressKey("Escape");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Query("menu") == "none"; }, kWait));
  EXPECT_TRUE(Console::WaitFor([&] { return Ctrl("1103").checked == 0; }, kWait));
  Wheel("2203", true);
  EXPECT_TRUE(DeviceHas("Volume_3", volume + 1));
  EXPECT_EQ(Param(*c, "Volume_2").device, volume);
}

TEST_F(MainWindowE2E, HighPassStepsAcrossOffAndASlopeChangeCoversTheLinkedPair) {
  Click("1402");  // CH1
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl("801").text == "CH 1"; }, kWait));
  Enter("4002", "10");
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl("4002").text == "OFF"; }, kWait));
  EXPECT_TRUE(DeviceHas("Box2_HFliter_Freq", 0));
  PressKey("Up");
  EXPECT_TRUE(Console::WaitFor([&] { return Ctrl("4002").text == "20Hz"; }, kWait));
  EXPECT_TRUE(DeviceHas("Box2_HFliter_Freq", 20));
  PressKey("Down");
  EXPECT_TRUE(Console::WaitFor([&] { return Ctrl("4002").text == "OFF"; }, kWait));
  EXPECT_TRUE(DeviceHas("Box2_HFliter_Freq", 0));

  Group("1100", "Base of CH1");
  const int slope = Ctrl("8003").value;
  Wheel("8003", false);  // the next slope
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl("8003").value == slope + 1; }, kWait));
  const int byte = Param(*c, "Box2_HFliter_Type_Xoct").store;
  EXPECT_EQ(byte & 0x1F, slope + 1);
  EXPECT_TRUE(DeviceHas("Box2_HFliter_Type_Xoct", byte));
  EXPECT_TRUE(DeviceHas("Box3_HFliter_Type_Xoct", byte));
}

TEST_F(MainWindowE2E, SelectedChannelResetInputModeAndMasterMute) {
  // Clicking the selected channel changes nothing.
  const QString store = c->Query("block store");
  Click("1404");
  QThread::msleep(300);
  EXPECT_EQ(c->Query("block store"), store);
  EXPECT_EQ(Ctrl("1404").checked, 1);

  // ResetEQ with the processor: both hold the factory bands again.
  Enter("5204", "6");
  ASSERT_TRUE(DeviceHas("Box4_EQ4_Gain", 600));
  Click("9001");
  EXPECT_TRUE(Console::WaitFor([&] { return Ctrl("5204").text == "0.0"; }, kWait));
  EXPECT_TRUE(DeviceHas("Box4_EQ4_Gain", 0));
  EXPECT_TRUE(InSync());

  // The input mode radios.
  Click("10001");
  EXPECT_TRUE(Console::WaitFor([&] { return c->Query("sim").contains("input=1"); }, kWait));
  Click("10000");
  EXPECT_TRUE(Console::WaitFor([&] { return c->Query("sim").contains("input=0"); }, kWait));

  // Master mute sets all six bits.
  Click("1106");
  EXPECT_TRUE(DeviceHas("MuteCtrl", 63));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Ctrl(QString::number(1300 + i)).checked, 1) << i;

  // ResetEQ without a processor still restores the window.
  ASSERT_EQ(c->Query("unplug"), "ok");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Status("connected") == "0"; }, kWait));
  Enter("5204", "-4");
  ASSERT_TRUE(Console::WaitFor([&] { return Param(*c, "Box4_EQ4_Gain").store == static_cast<uint16_t>(-400); }, kWait));
  Click("9001");
  EXPECT_TRUE(Console::WaitFor([&] { return Ctrl("5204").text == "0.0"; }, kWait));
  EXPECT_EQ(Param(*c, "Box4_EQ4_Gain").store, 0);
  EXPECT_EQ(Param(*c, "Box4_EQ4_Gain").device, -1);
}

}  // namespace
}  // namespace brisvel::app::e2e
