// End-to-end tests that nothing reaches the processor the installer did not
// do: leaving fields, typos, drags that did not move, steps, the
// compensation after a bypass, the connect button after offline edits,
// saving device modes, the bypass with held-back bands and the history keys.
// The real console on the simulated processor under the X server, real
// input, and the store, the processor and the history read back through the
// control channel.

#include "core/scales.h"
#include "e2e_support.h"

namespace brisvel::app::e2e {
namespace {

constexpr int kWait = 8000;

QString Band(const char* what, int box, int band) { return QStringLiteral("Box%1_EQ%2_%3").arg(box).arg(band).arg(what); }
int16_t Signed(int raw) { return static_cast<int16_t>(raw); }

class EditSafetyE2E : public MainWindowSession {
 protected:
  using MainWindowSession::Click;
  using MainWindowSession::Ctrl;
  using MainWindowSession::Enter;
  Control Ctrl(int id) { return c->Ctrl(kMain, QString::number(id)); }
  void Click(int id) { MainWindowSession::Click(QString::number(id)); }
  void Enter(int id, const QString& text, const QString& key = "Return") {
    MainWindowSession::Enter(QString::number(id), text, key);
  }
  bool Shows(int id, const QString& text) {
    return Console::WaitFor([&] { return Ctrl(id).text == text; }, kWait);
  }
  // Lowers the master volume with the wheel over its slider.
  void LowerMaster(int notches) {
    const Control slider = Ctrl(2000);
    ASSERT_TRUE(slider.found && slider.visible);
    Wheel(slider.Centre(), false, notches);
  }
};

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
