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

}  // namespace
}  // namespace brisvel::app::e2e
