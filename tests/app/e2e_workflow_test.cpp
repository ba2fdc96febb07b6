// End-to-end tests of what an installer sees while working: the values that
// faders and graph handles tell while they move. The real console on the
// simulated processor, driven with real X input; what the tip says is read
// back through the control channel while the mouse button is still down.

#include "core/scales.h"
#include "e2e_support.h"

namespace brisvel::app::e2e {
namespace {

constexpr int kWait = 8000;

class WorkflowE2E : public MainWindowSession {
 protected:
  QString Tip() { return c->Query("tip"); }
};

TEST_F(WorkflowE2E, FadersAndHandlesTellTheirValueInTheFieldsUnitWhileTheyMove) {
  // The master fader: its tip tells the level as the master field shows it,
  // the level it has now, and goes when the pointer leaves the thumb.
  const Control master = Ctrl(2000);
  ASSERT_TRUE(master.found && master.visible);
  QString held;
  QString fieldWhileHeld;
  Drag(master.Centre(), master.Centre() + QPoint(0, master.rect.height() / 4), [&] {
    held = Tip();
    fieldWhileHeld = Ctrl(4000).text;
  });
  EXPECT_TRUE(held.endsWith("dB")) << held.toStdString();
  EXPECT_EQ(held, fieldWhileHeld);
  EXPECT_NE(held, "60") << "the position, not the level";
  Xdotool({"mousemove", QString::number(master.rect.right() + 40), QString::number(master.rect.top())});
  EXPECT_TRUE(Console::WaitFor([&] { return Tip().isEmpty(); }, kWait));
  EXPECT_EQ(held, QString::fromStdString(VolumeText(Param(*c, "MainVol").store)));

  // A band fader (band 13 of the current channel) tells the gain in dB as the band's field shows it.
  const Control fader = Ctrl(2112);
  ASSERT_TRUE(fader.found && fader.visible);
  Drag(fader.Centre(), fader.Centre() + QPoint(0, -fader.rect.height() / 5), [&] {
    held = Tip();
    fieldWhileHeld = Ctrl(5212).text;
  });
  EXPECT_FALSE(fieldWhileHeld.isEmpty());
  EXPECT_EQ(held, fieldWhileHeld + "dB");
  EXPECT_NE(fieldWhileHeld, "0.0");

  // A band handle in PEQ mode: frequency, gain and Q as the band table shows them.
  Click(1501);
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl(1501).checked == 1; }, kWait));
  const Control handle = Ctrl(912);
  ASSERT_TRUE(handle.found && handle.visible);
  QString table;
  Drag(handle.Centre(), handle.Centre() + QPoint(50, 20), [&] {
    held = Tip();
    table = Ctrl(5012).text + " Hz  " + Ctrl(5212).text + " dB  Q " + Ctrl(5112).text;
  });
  EXPECT_EQ(held, table);
  EXPECT_TRUE(Console::WaitFor([&] { return Tip().isEmpty(); }, kWait));

  // The low-pass handle tells its corner as the crossover field does.
  const Control lp = Ctrl(932);
  ASSERT_TRUE(lp.found && lp.visible);
  Drag(lp.Centre(), lp.Centre() + QPoint(-40, 0), [&] {
    held = Tip();
    fieldWhileHeld = Ctrl(4001).text;
  });
  EXPECT_EQ(held, "LPF " + fieldWhileHeld);
  EXPECT_TRUE(held.endsWith("Hz")) << held.toStdString();
}

// A right click on a control, with the pointer there first.
void RightClick(const Control& control) {
  Xdotool({"mousemove", QString::number(control.Centre().x()), QString::number(control.Centre().y())});
  QThread::msleep(100);
  Xdotool({"click", "3"});
}

// Renames the channel behind a main-window channel button through its context menu.
void Rename(Console& c, const Control& button, const QString& name) {
  RightClick(button);
  ASSERT_TRUE(ChooseMenuItem(c, "Rename..."));
  ASSERT_TRUE(Console::WaitFor([&] { return c.Query("modal").startsWith("Rename channel|"); }, kWait));
  PressKey("ctrl+a");
  PressKey("BackSpace");
  if (!name.isEmpty()) TypeText(name);
  PressKey("Return");
  ASSERT_TRUE(Console::WaitFor([&] { return c.Query("modal") == "none"; }, kWait));
}

TEST_F(WorkflowE2E, ANamedChannelKeepsItsNameAfterARestartAndComesBackWithItsPCMode) {
  Control ch1 = Ctrl(1402);
  ASSERT_TRUE(ch1.found && ch1.visible);
  ClickAt(ch1.Centre());  // CH1 is the channel shown
  Rename(*c, ch1, "  Tweeter|L  ");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Query("names") == "TweeterL|||||"; }, kWait)) << c->Query("names").toStdString();
  EXPECT_EQ(Ctrl(1402).text, "CH1 TweeterL");
  EXPECT_EQ(Ctrl(801).text, "CH 1 TweeterL");
  EXPECT_EQ(Ctrl(1400).text, "CH5");
  const QString block = c->Query("block device");
  Rename(*c, Ctrl(1400), "Sub");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Query("names") == "TweeterL||||Sub|"; }, kWait));
  EXPECT_EQ(Ctrl(1400).text, "CH5 Sub");
  EXPECT_EQ(c->Query("block device"), block) << "a name never reaches the processor";

  // Kept with a PC mode, then changed, then brought back by recalling it.
  ASSERT_EQ(c->Query("open my-preset"), "ok");
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow("XML_MY_PRESET"); }, kWait));
  c->Click("XML_MY_PRESET", "txt_input");
  TypeText("Named");
  c->Click("XML_MY_PRESET", "btnAddPCMode");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Query("pcmodes") == "Named"; }, kWait));
  c->Click("XML_MY_PRESET", "btn_close");
  ASSERT_TRUE(Console::WaitFor([&] { return !c->HasWindow("XML_MY_PRESET"); }, kWait));
  Rename(*c, Ctrl(1402), "Woofer");
  Rename(*c, Ctrl(1400), "");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Query("names") == "Woofer|||||"; }, kWait));
  EXPECT_EQ(Ctrl(1400).text, "CH5");
  ASSERT_EQ(c->Query("open my-preset"), "ok");
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow("XML_MY_PRESET"); }, kWait));
  ASSERT_EQ(c->Ctrl("XML_MY_PRESET", "combo_pcmode").text, "Named");
  c->Click("XML_MY_PRESET", "btnRecallPCMode");
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow(kMsgBox); }, 20000));
  c->Click(kMsgBox, "1");
  EXPECT_TRUE(Console::WaitFor([&] { return c->Query("names") == "TweeterL||||Sub|"; }, kWait));
  EXPECT_TRUE(Console::WaitFor([&] { return Ctrl(1400).text == "CH5 Sub"; }, kWait));

  // A new start shows the names the console had.
  c.reset();
  c = std::make_unique<Console>(folders, QStringList{"-hide", "--simulate"}, true);
  ASSERT_TRUE(LogInToMainWindow(*c));
  EXPECT_EQ(c->Query("names"), "TweeterL||||Sub|");
  EXPECT_EQ(Ctrl(1400).text, "CH5 Sub");
}

}  // namespace
}  // namespace brisvel::app::e2e

namespace brisvel::app::e2e {
namespace {

QString HpType(int box) { return QStringLiteral("Box%1_HFliter_Type_Xoct").arg(box); }
QString HpFreq(int box) { return QStringLiteral("Box%1_HFliter_Freq").arg(box); }

TEST_F(WorkflowE2E, ACrossoverPresetSetsTheLinkedPairAndACopyToTwoChannelsIsOneStep) {
  Click(1402);
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl(801).text == "CH 1"; }, kWait));
  Click(1100);
  ASSERT_TRUE(ChooseMenuItem(*c, "Base of CH1"));
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl(1100).checked == 1; }, kWait));

  // A preset menu closed without a pick, and a copy cancelled, change nothing.
  const QString untouched = c->Query("block device");
  Click("btn_hp_presets");
  ASSERT_FALSE(MenuItems(*c).isEmpty());
  PressKey("Escape");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Query("menu") == "none"; }, kWait));
  {
    RightClick(Ctrl(1402));
    ASSERT_TRUE(ChooseMenuItem(*c, "Copy channel to..."));
    ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow("XML_COPYCHANNEL"); }, kWait));
    EXPECT_EQ(c->Query("enabled XML_COPYCHANNEL btn_copy"), "0") << "no channel chosen yet";
    c->Click("XML_COPYCHANNEL", "to_3");
    c->Click("XML_COPYCHANNEL", "btn_cancel");
    ASSERT_TRUE(Console::WaitFor([&] { return !c->HasWindow("XML_COPYCHANNEL"); }, kWait));
  }
  QThread::msleep(400);
  EXPECT_EQ(c->Query("block device"), untouched);

  // One pick sets characteristic, slope and corner of both channels of the pair.
  Click("btn_hp_presets");
  ASSERT_TRUE(ChooseMenuItem(*c, "HP 80 Hz LR 24"));
  const int lr24 = WithSlope(WithCharacteristic(0, 2), 3);
  for (int box : {2, 3}) {
    EXPECT_TRUE(DeviceHas(HpType(box), lr24)) << box;
    EXPECT_TRUE(DeviceHas(HpFreq(box), 80)) << box;
  }
  EXPECT_TRUE(Shows(4002, "80Hz"));
  EXPECT_EQ(Ctrl(8002).text, "Linkwitz");
  EXPECT_EQ(History(*c, "undo"), "Crossover HP 80 Hz LR 24");

  // CH1 copied to CH3 and CH5 (Box 4 and Box 0) as one step, which one undo takes back.
  const int ch3Before = Param(*c, HpFreq(4)).device, ch5Before = Param(*c, HpFreq(0)).device;
  ASSERT_NE(ch3Before, 80);
  RightClick(Ctrl(1402));
  ASSERT_TRUE(ChooseMenuItem(*c, "Copy channel to..."));
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow("XML_COPYCHANNEL"); }, kWait));
  EXPECT_FALSE(c->Query("enabled XML_COPYCHANNEL to_1") == "1") << "not onto itself";
  for (const char* target : {"to_3", "to_5"}) {
    c->Click("XML_COPYCHANNEL", target);
    ASSERT_TRUE(Console::WaitFor([&] { return c->Ctrl("XML_COPYCHANNEL", target).checked == 1; }, kWait)) << target;
  }
  c->Click("XML_COPYCHANNEL", "btn_copy");
  ASSERT_TRUE(Console::WaitFor([&] { return !c->HasWindow("XML_COPYCHANNEL"); }, kWait));
  for (int box : {4, 0}) {
    EXPECT_TRUE(DeviceHas(HpFreq(box), 80)) << box;
    EXPECT_TRUE(DeviceHas(HpType(box), lr24)) << box;
  }
  EXPECT_EQ(History(*c, "undo"), "Copy CH1 to CH3, CH5");
  EXPECT_EQ(Ctrl(1102).checked, 0) << "no link is made";
  PressKey("ctrl+z");
  EXPECT_TRUE(DeviceHas(HpFreq(4), ch3Before));
  EXPECT_TRUE(DeviceHas(HpFreq(0), ch5Before));
  EXPECT_EQ(Param(*c, HpFreq(2)).device, 80) << "the preset stays";
  EXPECT_EQ(History(*c, "undo"), "Crossover HP 80 Hz LR 24");
}

}  // namespace
}  // namespace brisvel::app::e2e
