// End-to-end tests that nothing reaches the processor the installer did not
// do: leaving fields, typos, drags that did not move, steps, the
// compensation after a bypass, the connect button after offline edits,
// saving device modes, the bypass with held-back bands and the history keys.
// The real console on the simulated processor under the X server, real
// input, and the store, the processor and the history read back through the
// control channel.

#include <tuple>
#include <vector>

#include "core/scales.h"
#include "e2e_support.h"

namespace brisvel::app::e2e {
namespace {

constexpr int kWait = 8000;

int16_t Signed(int raw) { return static_cast<int16_t>(raw); }

class EditSafetyE2E : public MainWindowSession {
 protected:
  // Lowers the master volume with the wheel over its slider.
  void LowerMaster(int notches) {
    const Control slider = Ctrl(2000);
    ASSERT_TRUE(slider.found && slider.visible);
    Wheel(slider.Centre(), false, notches);
  }
  // CH3 (Box 4, the channel shown at start) with bands at +3, -2 and +4 dB,
  // the -2 dB one held back on its own, then its equaliser bypassed; PEQ on
  // so that every band field takes the focus.
  void BypassWithABandHeldBack() {
    Enter(5203, "3");
    Enter(5205, "-2");
    Enter(5210, "4");
    ASSERT_TRUE(DeviceHas(Band("Gain", 4, 10), 400));
    Click(1005);
    ASSERT_TRUE(DeviceHas(Band("Gain", 4, 5), 0));
    Click(1502);
    ASSERT_TRUE(DeviceHas("PassCtrl", 1 << 4));
    Click(1501);
    ASSERT_TRUE(Console::WaitFor([&] { return Ctrl(1501).checked == 1; }, kWait));
    ASSERT_EQ(c->Query("held").count("=band:-200"), 1) << c->Query("held").toStdString();
    ASSERT_EQ(c->Query("held").count("=bypass:"), 2) << c->Query("held").toStdString();
  }
  // The store, the held-back bands and the history as they are now.
  QString Snapshot() { return c->Query("block store") + "|" + c->Query("held") + "|" + c->Query("history"); }
  // Click into each field, leave it with Tab; click in, press Enter: nothing changes.
  void WalkFields(const char* layout, const std::vector<int>& ids) {
    const QString before = Snapshot();
    const QString device = c->Query("block device");
    int walked = 0;
    for (int id : ids) {
      const Control field = c->Ctrl(layout, QString::number(id));
      ASSERT_TRUE(field.found) << id;
      if (!field.visible || c->Query(QStringLiteral("enabled %1 %2").arg(layout).arg(id)) != "1") continue;
      for (const char* key : {"Tab", "Return"}) {
        ClickAt(field.Centre());
        PressKey(key);
        QThread::msleep(40);
        ASSERT_EQ(Snapshot(), before) << layout << " " << id << " " << key;
      }
      ++walked;
    }
    EXPECT_GE(walked, static_cast<int>(ids.size()) / 2) << layout;
    // Nothing went to the processor either, however late the sender would be.
    QThread::msleep(600);
    EXPECT_EQ(c->Query("block device"), device) << layout;
  }
};

std::vector<int> Ids(std::initializer_list<std::pair<int, int>> ranges) {
  std::vector<int> ids;
  for (auto [first, count] : ranges)
    for (int i = 0; i < count; ++i) ids.push_back(first + i);
  return ids;
}

TEST_F(EditSafetyE2E, LeavingAnyFieldOfTheMainWindowChangesNothing) {
  BypassWithABandHeldBack();
  WalkFields(kMain, Ids({{4000, 5}, {6000, 6}, {4100, 6}, {5000, 31}, {5100, 31}, {5200, 31}}));
}

TEST_F(EditSafetyE2E, LeavingAnyFieldOfTheMixingAndMeasurementWindowsChangesNothing) {
  BypassWithABandHeldBack();
  ASSERT_EQ(c->Query("open mixing"), "ok");
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow("XML_MIXSOUNDWD"); }, kWait));
  WalkFields("XML_MIXSOUNDWD", Ids({{7900, 1}, {7910, 6}}));
  c->Click("XML_MIXSOUNDWD", "btn_close");
  ASSERT_TRUE(Console::WaitFor([&] { return !c->HasWindow("XML_MIXSOUNDWD"); }, kWait));
  ASSERT_EQ(c->Query("open measurement"), "ok");
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow("XML_MEASUREMENT"); }, kWait));
  WalkFields("XML_MEASUREMENT", Ids({{9532, 3}, {9540, 3}}));
}

TEST_F(EditSafetyE2E, ATypoChangesNothingAndTheFieldShowsItsValueAgain) {
  Enter(6002, "-10");
  ASSERT_TRUE(DeviceHas("Volume_2", 50));
  Enter(4002, "80");
  ASSERT_TRUE(DeviceHas("Box4_HFliter_Freq", 80));
  const QString before = c->Query("block store");
  for (const auto& [id, typo, shown] : {std::tuple{6002, "x", "-10dB"}, std::tuple{4002, "abc", "80Hz"},
                                        std::tuple{4102, "-", "0.000"}, std::tuple{4003, "dBu", "6.0dBu"},
                                        std::tuple{5204, "x", "0.0"}}) {
    Enter(id, typo);
    EXPECT_TRUE(Shows(id, shown)) << id << " shows " << Ctrl(id).text.toStdString();
  }
  Enter(4001, "zz", "Tab");
  EXPECT_TRUE(Shows(4001, "20000Hz"));
  QThread::msleep(500);
  EXPECT_EQ(c->Query("block store"), before);
  EXPECT_TRUE(InSync());
  // "OFF" still means off where a field takes it.
  Enter(4002, "off");
  EXPECT_TRUE(DeviceHas("Box4_HFliter_Freq", 0));
  EXPECT_TRUE(Shows(4002, "OFF"));
}

TEST_F(EditSafetyE2E, HandlesPressedOrMovedAlongAnAxisKeepThatAxisValue) {
  Enter(5212, "4.1");  // CH3 band 13 at 4.1 dB: held exactly, not 4.09
  ASSERT_TRUE(DeviceHas(Band("Gain", 4, 12), 410));
  const QString before = c->Query("block store");
  const Control handle = Ctrl(912);
  ASSERT_TRUE(handle.found && handle.visible);
  // Pressed and let go.
  ClickAt(handle.Centre());
  // Three drags sideways in GEQ mode: no gain drift.
  for (int i = 0; i < 3; ++i) Drag(Ctrl(912).Centre(), Ctrl(912).Centre() + QPoint(i % 2 ? -60 : 60, 0));
  // The high-pass handle moved up and down only.
  const Control hp = Ctrl(931);
  if (hp.visible) Drag(hp.Centre(), hp.Centre() + QPoint(0, -30));
  QThread::msleep(500);
  EXPECT_EQ(c->Query("block store"), before);
  EXPECT_EQ(Signed(SimParam(*c, Band("Gain", 4, 12))), 410);
  EXPECT_EQ(Ctrl(912).rect, handle.rect);
  EXPECT_EQ(Ctrl(5212).text, "4.1");
  EXPECT_EQ(History(*c, "undo"), "Band 13 gain (CH3)");
}

TEST_F(EditSafetyE2E, StepsUpAndDownComeBackToTheSameValue) {
  Enter(4003, "-30");
  ASSERT_TRUE(DeviceHas("Box4_Param_Threshold", static_cast<uint16_t>(-3000)));
  for (const char* shown : {"-29.9dBu", "-29.8dBu"}) {
    PressKey("Up");
    EXPECT_TRUE(Shows(4003, shown));
  }
  for (const char* shown : {"-29.9dBu", "-30.0dBu"}) {
    PressKey("Down");
    EXPECT_TRUE(Shows(4003, shown));
  }
  EXPECT_TRUE(DeviceHas("Box4_Param_Threshold", static_cast<uint16_t>(-3000)));
  // A delay in centimetres, one sample a step.
  Click(7001);
  Enter(4104, "0");
  PressKey("Up");
  EXPECT_TRUE(Shows(4104, "0.72"));
  EXPECT_TRUE(DeviceHas("Delay_4", 1));
  PressKey("Up");
  PressKey("Down");
  PressKey("Down");
  EXPECT_TRUE(Shows(4104, "0.00"));
  EXPECT_TRUE(DeviceHas("Delay_4", 0));
}

TEST_F(EditSafetyE2E, ABypassGivesBackABandHeldOnItsOwn) {
  Enter(5207, "2");  // a band that plays on, so the bypass shows off
  Enter(5206, "-3");
  ASSERT_TRUE(DeviceHas(Band("Gain", 4, 6), static_cast<uint16_t>(-300)));
  Click(1006);
  ASSERT_TRUE(DeviceHas(Band("Gain", 4, 6), 0));
  Click(1502);
  ASSERT_TRUE(DeviceHas("PassCtrl", 1 << 4));
  Click(1502);
  ASSERT_TRUE(DeviceHas("PassCtrl", 0));
  EXPECT_TRUE(DeviceHas(Band("Gain", 4, 6), static_cast<uint16_t>(-300)));
  EXPECT_EQ(Signed(Param(*c, Band("Gain", 4, 6)).store), -300);
  EXPECT_TRUE(Shows(5206, "-3.0"));
}

TEST_F(EditSafetyE2E, SavingADeviceModeSavesWhatTheWindowShowsOrNothing) {
  constexpr char kDevice[] = "XML_DEVICE_PRESET";
  // The processor stops taking requests: the edit stays pending.
  ASSERT_EQ(c->Query("sim-lose on"), "ok");
  LowerMaster(2);
  const int shown = Param(*c, "MainVol").store;
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl(1500).text.contains("Connected"); }, kWait));
  c->Click(kMain, "9005");
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow(kDevice); }, kWait));
  auto answer = [&](const QString& button) {
    if (!Console::WaitFor([&] { return c->HasWindow(kMsgBox); }, 30000)) return QString("<no message>");
    const QString text = c->Query(QString("text ") + kMsgBox + " msgtext");
    c->Click(kMsgBox, button);
    Console::WaitFor([&] { return !c->HasWindow(kMsgBox); }, 5000);
    return text;
  };
  c->Click(kDevice, "btnSave");  // USER-1
  EXPECT_EQ(answer("6"), "Do you want to replace the selected device mode?");
  EXPECT_TRUE(answer("1").startsWith("The latest changes could not be sent to the processor"));
  EXPECT_EQ(c->Ctrl(kDevice, "combo_devmode").text, "USER-1");  // no slot was used up
  // Back in touch: the edit goes out first and the mode holds it.
  ASSERT_EQ(c->Query("sim-lose off"), "ok");
  c->Click(kDevice, "btnSave");
  EXPECT_EQ(answer("6"), "Do you want to replace the selected device mode?");
  EXPECT_EQ(answer("1"), "Save successfully");
  EXPECT_EQ(SimParam(*c, "MainVol"), shown);
  c->Click(kDevice, "btn_close");
  ASSERT_TRUE(Console::WaitFor([&] { return !c->HasWindow(kDevice); }, kWait));
}

TEST_F(EditSafetyE2E, TheHistoryKeysWorkInAFieldAndTheMenuShowsThem) {
  const int start = Param(*c, "MainVol").store;
  Enter(4000, "-20");
  ASSERT_TRUE(DeviceHas("MainVol", 40));
  // Choosing another channel is no step of its own.
  Click(1402);
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl("801").text == "CH 1"; }, kWait));
  EXPECT_EQ(History(*c, "undo"), "Master volume");
  // The master field still has the focus: Ctrl+Z is the console's undo.
  Click(4000);
  PressKey("ctrl+z");
  EXPECT_TRUE(DeviceHas("MainVol", start));
  EXPECT_TRUE(Shows(4000, QString::fromStdString(VolumeText(start))));
  PressKey("ctrl+shift+z");
  EXPECT_TRUE(DeviceHas("MainVol", 40));
  PressKey("ctrl+z");
  EXPECT_TRUE(DeviceHas("MainVol", start));
  PressKey("ctrl+y");
  EXPECT_TRUE(DeviceHas("MainVol", 40));
  Click(9003);
  const QStringList items = MenuItems(*c);
  ASSERT_GE(items.size(), 2);
  EXPECT_EQ(ItemText(items[0]), "Undo Master volume");
  EXPECT_EQ(ItemShortcut(items[0]), "Ctrl+Z");
  EXPECT_EQ(ItemShortcut(items[1]), "Ctrl+Shift+Z");
  PressKey("Escape");
}

class ChineseSession : public EditSafetyE2E {
 protected:
  bool StartsInSetUp() const override { return false; }
};
using CompensationE2E = ChineseSession;  // starts its own console

TEST_F(CompensationE2E, ABandEditThatEndsABypassCompensatesForTheGainsItGivesBack) {
  ProgramCopy copy("[param]\nscale = 100\n");
  ASSERT_FALSE(copy.Program().isEmpty());
  Start(kEnglishConfig, copy.Program());
  Enter(4000, "0");  // MainVol 60
  Enter(6004, "0");  // CH3 at 60
  ASSERT_TRUE(DeviceHas("Volume_4", 60));
  Enter(5204, "6", "Tab");
  ASSERT_TRUE(DeviceHas("Volume_4", 54));
  Enter(6004, "0");  // the installer's level again: the +6 dB band stays
  ASSERT_TRUE(DeviceHas("Volume_4", 60));
  Click(1502);
  ASSERT_TRUE(DeviceHas("PassCtrl", 1 << 4));
  // A 1 dB band ends the bypass: the +6 dB band plays again and counts.
  Enter(5210, "1", "Tab");
  EXPECT_TRUE(DeviceHas("PassCtrl", 0));
  EXPECT_TRUE(DeviceHas(Band("Gain", 4, 4), 600));
  EXPECT_TRUE(DeviceHas("Volume_4", 54));
  EXPECT_TRUE(Shows(6004, "-6dB"));
}

TEST_F(ChineseSession, StepNamesFollowTheLanguage) {
  Start("[Config]\nLang=0\n");
  Enter(6002, "-10");
  ASSERT_TRUE(DeviceHas("Volume_2", 50));
  Click(9003);
  const QStringList items = MenuItems(*c);
  ASSERT_GE(items.size(), 2);
  EXPECT_EQ(ItemText(items[0]), QString::fromUtf8("撤销 CH1 音量"));
  PressKey("Escape");
}

// The compact window's knob: a press anywhere on it leaves the level as it is.
TEST_F(ConsoleSession, TheCompactKnobNeverJumpsToWherePressed) {
  ASSERT_TRUE(StartCompact(QByteArray(kEnglishConfig), {"--simulate"}));
  ASSERT_TRUE(Console::WaitFor([&] { return c->Status("connected") == "1"; }, 20000));
  const Control knob = c->Ctrl(kCompact, "1000");
  ASSERT_TRUE(knob.found && knob.visible);
  const QString mainvol = c->Status("mainvol");
  const QPoint centre = knob.Centre();
  for (const QPoint& d : {QPoint(0, -80), QPoint(60, 60), QPoint(-60, 60), QPoint(0, 75), QPoint(-80, 0)}) {
    ClickAt(centre + d);
    QThread::msleep(150);
    EXPECT_EQ(c->Status("mainvol"), mainvol);
  }
  QThread::msleep(400);
  EXPECT_EQ(QString::number(SimParam(*c, "MainVol")), mainvol);
}


TEST_F(EditSafetyE2E, TheConnectButtonAsksBeforeOfflineEditsReachTheProcessor) {
  const int processorValue = Param(*c, "MainVol").store;
  // "Connected" clicked: edits stay in the window from now on.
  Click(1500);
  ASSERT_TRUE(Console::WaitFor([&] { return Ctrl(1500).text == "Not connect"; }, kWait));
  LowerMaster(3);
  ASSERT_TRUE(Console::WaitFor([&] { return Param(*c, "MainVol").store == processorValue - 3; }, kWait));
  // And CH1's delay typed, not yet applied, when the button is clicked.
  const int processorDelay = SimParam(*c, "Delay_2");
  Click(4102);
  PressKey("ctrl+a");
  TypeText("5");
  QThread::msleep(500);
  ASSERT_EQ(SimParam(*c, "MainVol"), processorValue);

  // Connecting again asks; until the answer nothing of mine is in the processor.
  Click(1500);
  const QStringList modal = Modal(*c);
  ASSERT_EQ(modal.size(), 4) << modal.join('|').toStdString();
  EXPECT_TRUE(modal[0].contains("no processor was connected"));
  QThread::msleep(700);
  EXPECT_EQ(SimParam(*c, "MainVol"), processorValue);
  EXPECT_EQ(SimParam(*c, "Delay_2"), processorDelay);
  // The indicator shows the connection as it is while the question is open.
  EXPECT_EQ(Ctrl(1500).text, "Connected");
  EXPECT_EQ(c->Status("connected"), "1");

  ASSERT_TRUE(ChooseButton(*c, "Keep the processor's settings"));
  EXPECT_TRUE(Console::WaitFor([&] { return Param(*c, "MainVol").store == processorValue; }, kWait));
  QThread::msleep(500);
  EXPECT_EQ(SimParam(*c, "MainVol"), processorValue);
  EXPECT_EQ(SimParam(*c, "Delay_2"), processorDelay);
  EXPECT_TRUE(InSync());
  EXPECT_EQ(History(*c, "undo"), "Keep the processor's settings");
  // Undone, my settings come back whole: the typed delay was one of them.
  PressKey("ctrl+z");
  EXPECT_TRUE(Console::WaitFor([&] { return SimParam(*c, "MainVol") == processorValue - 3; }, kWait));
  EXPECT_TRUE(Console::WaitFor([&] { return SimParam(*c, "Delay_2") == 240; }, kWait));
}

}  // namespace
}  // namespace brisvel::app::e2e
