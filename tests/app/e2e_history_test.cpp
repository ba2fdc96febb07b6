// End-to-end tests of undo and redo, the A/B comparison and the question after
// edits made without the processor: the real console on the simulated
// processor under the X server, real mouse and keyboard input, the processor's
// block read back through the control channel.

#include "e2e_support.h"

namespace brisvel::app::e2e {
namespace {

constexpr int kWait = 8000;

int Store(Console& c, const QString& name) { return Param(c, name).store; }
int Device(Console& c, const QString& name) { return SimParam(c, name); }
class HistoryE2E : public MainWindowSession {
 protected:
  // Lowers the master volume with the wheel over its slider.
  void LowerMaster(int notches) {
    const Control slider = Ctrl("2000");
    ASSERT_TRUE(slider.found && slider.visible);
    Wheel(slider.Centre(), false, notches);
  }
};

TEST_F(HistoryE2E, ASliderDragIsUndoneByOneCtrlZAndTheFileMenuNamesTheSteps) {
  const int start = Store(*c, "MainVol");
  const Control slider = Ctrl("2000");
  ASSERT_TRUE(slider.found && slider.visible);
  // A slow drag down the master slider: many values, one step.
  Drag(slider.Centre(), slider.Centre() + QPoint(0, slider.rect.height() / 3));
  ASSERT_TRUE(Console::WaitFor([&] { return Store(*c, "MainVol") < start; }, kWait));
  const int dragged = Store(*c, "MainVol");
  EXPECT_EQ(History(*c, "undo"), "Master volume");
  ASSERT_TRUE(InSync());

  PressKey("ctrl+z");
  EXPECT_TRUE(Console::WaitFor([&] { return Store(*c, "MainVol") == start; }, kWait));
  EXPECT_TRUE(Console::WaitFor([&] { return Device(*c, "MainVol") == start; }, kWait));
  EXPECT_EQ(Ctrl("2000").value, start);
  EXPECT_EQ(History(*c, "undo"), "");
  EXPECT_EQ(History(*c, "redo"), "Master volume");

  // File: "Undo" disabled at the top, "Redo Master volume" below it.
  c->Click(kMain, "9003");
  const QStringList items = MenuItems(*c);
  ASSERT_GE(items.size(), 2);
  EXPECT_EQ(ItemText(items[0]), "Undo");
  EXPECT_EQ(ItemText(items[1]), "Redo Master volume");
  ClickAt(ItemCentre(items[1]));
  EXPECT_TRUE(Console::WaitFor([&] { return Store(*c, "MainVol") == dragged; }, kWait));
  EXPECT_TRUE(Console::WaitFor([&] { return Device(*c, "MainVol") == dragged; }, kWait));

  PressKey("ctrl+z");
  EXPECT_TRUE(Console::WaitFor([&] { return Store(*c, "MainVol") == start; }, kWait));
  PressKey("ctrl+y");
  EXPECT_TRUE(Console::WaitFor([&] { return Store(*c, "MainVol") == dragged; }, kWait));
  PressKey("ctrl+z");
  EXPECT_TRUE(Console::WaitFor([&] { return Store(*c, "MainVol") == start; }, kWait));
  PressKey("ctrl+shift+z");
  EXPECT_TRUE(Console::WaitFor([&] { return Store(*c, "MainVol") == dragged; }, kWait));
  c->Click(kMain, "9003");
  ASSERT_FALSE(MenuItems(*c).isEmpty());
  EXPECT_EQ(ItemText(MenuItems(*c)[0]), "Undo Master volume");
  PressKey("Escape");
}

TEST_F(HistoryE2E, AbSwitchingChangesWhatTheProcessorHoldsAndBack) {
  const int a = Store(*c, "MainVol");
  const Control ab = Ctrl("9006");
  ASSERT_TRUE(ab.found && ab.visible);
  EXPECT_EQ(ab.text, "A");
  ClickAt(ab.Centre());
  ASSERT_TRUE(Console::WaitFor([&] { return History(*c, "ab") == "B"; }, kWait));
  EXPECT_EQ(Ctrl("9006").text, "B");
  LowerMaster(4);
  ASSERT_TRUE(Console::WaitFor([&] { return Store(*c, "MainVol") == a - 4; }, kWait));
  ASSERT_TRUE(InSync());

  ClickAt(ab.Centre());  // back to A: the processor gets A whole
  ASSERT_TRUE(Console::WaitFor([&] { return History(*c, "ab") == "A"; }, kWait));
  EXPECT_TRUE(Console::WaitFor([&] { return Device(*c, "MainVol") == a; }, kWait));
  EXPECT_EQ(Ctrl("2000").value, a);
  EXPECT_TRUE(InSync());

  // Both sides stay over a pull-out and a plug-in.
  ASSERT_EQ(c->Query("unplug"), "ok");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Status("connected") == "0"; }, kWait));
  ASSERT_EQ(c->Query("plug"), "ok");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Status("connected") == "1"; }, 15000));
  ClickAt(ab.Centre());
  ASSERT_TRUE(Console::WaitFor([&] { return History(*c, "ab") == "B"; }, kWait));
  EXPECT_TRUE(Console::WaitFor([&] { return Device(*c, "MainVol") == a - 4; }, kWait));

  // "Copy B to A" from the button's context menu, then A shows B's volume.
  Xdotool({"mousemove", QString::number(ab.Centre().x()), QString::number(ab.Centre().y())});
  QThread::msleep(100);
  Xdotool({"click", "3"});
  const QStringList items = MenuItems(*c);
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(ItemText(items[0]), "Copy A to B");
  ClickAt(ItemCentre(items[1]));
  ASSERT_TRUE(Console::WaitFor([&] { return c->Query("menu") == "none"; }, kWait));
  ClickAt(ab.Centre());
  ASSERT_TRUE(Console::WaitFor([&] { return History(*c, "ab") == "A"; }, kWait));
  EXPECT_TRUE(Console::WaitFor([&] { return Device(*c, "MainVol") == a - 4; }, kWait));
}

class OfflineE2E : public HistoryE2E {
 protected:
  // Pulls the processor, lowers the master volume by two without it and plugs
  // it back in: the question comes up.
  void EditOfflineAndPlug() {
    processorValue = Store(*c, "MainVol");
    ASSERT_EQ(c->Query("unplug"), "ok");
    ASSERT_TRUE(Console::WaitFor([&] { return c->Status("connected") == "0"; }, kWait));
    LowerMaster(2);
    ASSERT_TRUE(Console::WaitFor([&] { return Store(*c, "MainVol") == processorValue - 2; }, kWait));
    mine = processorValue - 2;
    ASSERT_EQ(c->Query("plug"), "ok");
    const QStringList modal = Modal(*c);
    ASSERT_EQ(modal.size(), 4) << modal.join('|').toStdString();
    EXPECT_TRUE(modal[0].contains("no processor was connected"));
  }
  int processorValue = -1;
  int mine = -1;
};

TEST_F(OfflineE2E, KeepingTheProcessorsSettingsIsOneUndoStep) {
  EditOfflineAndPlug();
  ASSERT_TRUE(ChooseButton(*c, "Keep the processor's settings"));
  EXPECT_TRUE(Console::WaitFor([&] { return Store(*c, "MainVol") == processorValue; }, kWait));
  EXPECT_EQ(Device(*c, "MainVol"), processorValue);
  EXPECT_TRUE(Console::WaitFor([&] { return Ctrl("2000").value == processorValue; }, kWait));
  EXPECT_EQ(History(*c, "undo"), "Keep the processor's settings");
  PressKey("ctrl+z");  // mine again, in the window and the processor
  EXPECT_TRUE(Console::WaitFor([&] { return Device(*c, "MainVol") == mine; }, kWait));
  EXPECT_EQ(Store(*c, "MainVol"), mine);
}

TEST_F(OfflineE2E, SendingMySettingsPutsThemInTheProcessor) {
  EditOfflineAndPlug();
  ASSERT_TRUE(ChooseButton(*c, "Send my settings to the processor"));
  EXPECT_TRUE(Console::WaitFor([&] { return Device(*c, "MainVol") == mine; }, kWait));
  EXPECT_EQ(Store(*c, "MainVol"), mine);
  EXPECT_TRUE(Console::WaitFor([&] { return Ctrl("2000").value == mine; }, kWait));
  EXPECT_TRUE(InSync());
  EXPECT_EQ(History(*c, "undo"), "Send my settings to the processor");
  PressKey("ctrl+z");  // the processor's settings as they came
  EXPECT_TRUE(Console::WaitFor([&] { return Device(*c, "MainVol") == processorValue; }, kWait));
  EXPECT_EQ(Store(*c, "MainVol"), processorValue);
  // Behind the choice, the notches turned without the processor, one by one.
  EXPECT_EQ(History(*c, "undo"), "Master volume");
  PressKey("ctrl+z");
  EXPECT_TRUE(Console::WaitFor([&] { return Device(*c, "MainVol") == processorValue - 1; }, kWait));
  EXPECT_EQ(Store(*c, "MainVol"), processorValue - 1);
}

TEST_F(OfflineE2E, ShowingTheDifferencesListsThemAndAsksAgain) {
  EditOfflineAndPlug();
  ASSERT_TRUE(ChooseButton(*c, "Show differences"));
  QString shown;
  ASSERT_TRUE(Console::WaitFor([&] { return (shown = c->Query("modal")).startsWith("Show differences|"); }, kWait));
  EXPECT_TRUE(shown.contains("Common: /   MainVol: 4dB -> 6dB")) << shown.toStdString();
  PressKey("Escape");
  ASSERT_TRUE(ChooseButton(*c, "Keep the processor's settings"));
  EXPECT_TRUE(Console::WaitFor([&] { return Store(*c, "MainVol") == processorValue; }, kWait));
  EXPECT_EQ(Device(*c, "MainVol"), processorValue);
}

}  // namespace
}  // namespace brisvel::app::e2e
