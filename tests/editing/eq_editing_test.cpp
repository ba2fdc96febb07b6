// Equaliser editing without a window: band edits over linked channels, the
// Q step table, drags in GEQ and PEQ mode, bypass and hold-back, the gain
// compensation, the gain alert decision and the equaliser reset.
#include <gtest/gtest.h>

#include "core/scales.h"
#include "editing/channel_editor.h"
#include "editing_test_support.h"

namespace brisvel::editing {
namespace {

using testing::FakeProcessorLink;

class EqEditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store.Response(0).Recompute(17);  // the grid, as the graph builds it
    store.RebuildResponses();
    store.SetLinkFlag(0, 3);  // CH1 and CH2 linked, CH1 as base
    store.SetCurrentChannel(2);
  }
  int16_t Gain(int k, int b) const { return static_cast<int16_t>(store.GetParam(param::EqGain(k, b))); }

  CEffectStore store;
  FakeProcessorLink device{store};
  CChannelEditor editor{store, &device};
};

TEST_F(EqEditingTest, BandEditsReachEveryLinkedChannelAtOnce) {
  BandChanges c = editor.CommitBandGain(10, "6");
  EXPECT_EQ(Gain(2, 10), 600);
  EXPECT_EQ(Gain(3, 10), 600);
  EXPECT_EQ(Gain(4, 10), 0);
  EXPECT_EQ(c.text, "6.0");
  EXPECT_EQ(c.channels, std::vector<int>({2, 3}));
  ASSERT_EQ(device.transfers.size(), 1u);  // sent without waiting for the effect sender
  EXPECT_EQ(device.transfers[0].count(param::EqGain(3, 10)), 1u);
  EXPECT_TRUE(c.graph);
  EXPECT_NEAR(store.Response(3).Sections()[10].gain, 6.0, 1e-12);  // the linked model follows too

  EXPECT_EQ(editor.CommitBandGain(10, "+30").text, "20.0");
  EXPECT_EQ(Gain(3, 10), 2000);
  EXPECT_EQ(editor.CommitBandGain(10, "-4.567").text, "-4.56");  // the hundredths held
  EXPECT_EQ(Gain(2, 10), -456);
  EXPECT_EQ(editor.StepBandGain(10, "19.95", 1).text, "20.0");
  editor.SetBandGainFromSlider(11, -35);
  EXPECT_EQ(Gain(3, 11), -350);

  EXPECT_EQ(editor.CommitBandFrequency(4, "15").text, "20");
  EXPECT_EQ(editor.StepBandFrequency(4, "20000", 1).text, "20000");
  EXPECT_EQ(store.GetParam(param::EqFreq(3, 4)), 20000);
  // Q: typed values are not snapped; steps walk the table.
  EXPECT_EQ(editor.CommitBandQ(4, "12.34").text, "12.34");
  EXPECT_EQ(store.GetParam(param::EqQ(3, 4)), 1234);
  EXPECT_EQ(editor.StepBandQ(4, "7.60", 1).text, "8.00");
  EXPECT_EQ(editor.StepBandQ(4, "7.7", 1).text, "8.00");
  EXPECT_EQ(editor.StepBandQ(4, "200", 1).text, "128");
  EXPECT_EQ(store.GetParam(param::EqQ(2, 4)), 12800);
  EXPECT_FALSE(editor.CommitBandGain(31, "3").Any());
}

TEST_F(EqEditingTest, DragsFollowTheModeAndTheAxes) {
  const EqAxes axes(36, 13, 1289, 176, 17, 24, -24);
  const int x = axes.FrequencyToX(1000);
  const int y = axes.GainToY(6.0);
  // GEQ: only the gain counts.
  BandChanges c = editor.DragBand(5, axes, x + 40, y);
  EXPECT_EQ(store.GetParam(param::EqFreq(2, 5)), 63);
  EXPECT_NEAR(Gain(3, 5), 600, 10);
  EXPECT_EQ(c.text, GainText(Gain(2, 5)));
  // PEQ: the frequency as well, limited to 20 ... 20000.
  editor.SetPeqMode(true);
  editor.DragBand(5, axes, x, y);
  EXPECT_NEAR(store.GetParam(param::EqFreq(3, 5)), 1000, 10);
  editor.DragBandTo(5, 25000, -40);
  EXPECT_EQ(store.GetParam(param::EqFreq(2, 5)), 20000);
  EXPECT_EQ(Gain(3, 5), -2000);

  // Q handles: one table step per pixel, the right-hand one reversed.
  store.SetParam(param::EqQ(2, 5), 760);  // index 51
  c = editor.DragQ(5, 3);
  EXPECT_EQ(store.GetParam(param::EqQ(3, 5)), QStepTable()[54]);
  editor.DragQ(5, -3);
  EXPECT_EQ(store.GetParam(param::EqQ(2, 5)), QStepTable()[51]);
  EXPECT_EQ(c.alert, GainAlert::kNone);
  editor.SetPeqMode(false);
  EXPECT_FALSE(editor.DragQ(5, 100).Any());
}

TEST_F(EqEditingTest, BypassHoldsTheGainsBackAndGivesThemAgain) {
  for (int b = 0; b < kBandCount; ++b) store.SetParam(param::EqGain(2, b), 300);
  store.SetParam(param::EqGain(3, 7), 300);
  store.ClearPendingParams();

  BandChanges c = editor.SetBypass(true);
  EXPECT_EQ(store.GetParam(param::kPassCtrl), 0b1100);
  ASSERT_EQ(device.transfers.size(), 1u);
  EXPECT_EQ(device.transfers[0], (std::map<int, uint16_t>{{param::kPassCtrl, 0b1100}}));  // only PassCtrl
  EXPECT_EQ(Gain(2, 0), 0);
  EXPECT_EQ(store.BypassedBandGain(3, 7), 300);
  EXPECT_TRUE(store.PendingParams().empty());
  EqView view = ChannelEqView(store, 2);
  EXPECT_TRUE(view.bypass);
  for (const BandView& band : view.bands) {
    EXPECT_TRUE(band.heldBack);
    EXPECT_EQ(band.gain, "0.0");
  }
  EXPECT_EQ(c.channels, std::vector<int>({2, 3}));
  EXPECT_NEAR(store.Response(3).Peak(), 0.0, 1e-9);

  device.transfers.clear();
  editor.SetBypass(false);
  EXPECT_EQ(store.GetParam(param::kPassCtrl), 0);
  ASSERT_EQ(device.transfers.size(), 2u);  // the gains, then PassCtrl
  EXPECT_EQ(device.transfers[0].size(), 32u);
  EXPECT_EQ(device.transfers[0].at(param::EqGain(2, 9)), 300);
  EXPECT_EQ(Gain(3, 7), 300);
  EXPECT_FALSE(ChannelEqView(store, 2).bypass);
}

TEST_F(EqEditingTest, ABandEditEndsTheBypassWithTheProcessorsGainsKept) {
  store.SetParam(param::EqGain(2, 3), 300);
  store.SetParam(param::EqGain(3, 3), 300);
  store.SetParam(param::EqGain(2, 8), -500);
  editor.SetBypass(true);
  device.transfers.clear();
  editor.CommitBandGain(8, "2");  // ends the bypass
  EXPECT_EQ(store.GetParam(param::kPassCtrl), 0);
  EXPECT_EQ(Gain(2, 8), 200);  // the edit wins over the held-back -5 dB
  EXPECT_EQ(Gain(2, 3), 300);  // given back: the processor plays it again
  EXPECT_EQ(Gain(3, 3), 300);
  EXPECT_FALSE(store.IsBandHeldBack(2, 3));
  ASSERT_FALSE(device.transfers.empty());
  EXPECT_EQ(device.transfers[0].at(param::EqGain(2, 3)), 300);
  EXPECT_EQ(device.transfers.back().at(param::kPassCtrl), 0);
}

TEST_F(EqEditingTest, HoldBackOfOneBand) {
  EXPECT_FALSE(editor.SetBandHeldBack(6, true).Any());  // a band at 0 dB
  BandChanges c = editor.SetBandHeldBack(6, false);     // not held: shown checked again, nothing else
  EXPECT_TRUE(c.params.empty());
  EXPECT_TRUE(ChannelEqView(store, 2).bands[6].heldBack);

  store.SetParam(param::EqGain(2, 6), 450);
  c = editor.SetBandHeldBack(6, true);
  EXPECT_EQ(Gain(2, 6), 0);
  EXPECT_EQ(Gain(3, 6), 0);
  EXPECT_EQ(store.BypassedBandGain(3, 6), 450);
  EXPECT_TRUE(c.Changed(param::EqGain(2, 6)));
  EXPECT_EQ(store.PendingParams().count(param::EqGain(2, 6)), 1u);  // sent as a normal edit
  EXPECT_TRUE(ChannelEqView(store, 2).bands[6].heldBack);
  editor.SetBandHeldBack(6, false);
  EXPECT_EQ(Gain(2, 6), 450);
  EXPECT_EQ(Gain(3, 6), 450);
  EXPECT_FALSE(store.IsBandHeldBack(2, 6));
  EXPECT_FALSE(ChannelEqView(store, 2).bands[6].heldBack);
}

TEST_F(EqEditingTest, GainCompensationLowersTheLinkedVolumesAndRestoresThem) {
  editor.SetSettings({-20, 20, 1.0, true});
  store.SetParam(param::kMainVol, 60);
  store.SetParam(param::Volume(2), 60);
  store.SetParam(param::Volume(3), 60);
  BandChanges c = editor.CommitBandGain(12, "6");
  EXPECT_EQ(store.GetParam(param::Volume(2)), 54);
  EXPECT_EQ(store.GetParam(param::Volume(3)), 54);
  EXPECT_EQ(store.SavedChannelLevel(2), 60);
  EXPECT_TRUE(c.Changed(param::Volume(3)));
  // Steps do not compensate.
  editor.StepBandGain(12, "6.0", 10);
  EXPECT_EQ(store.GetParam(param::Volume(2)), 54);
  editor.SetBandGainFromSlider(12, 0);
  EXPECT_EQ(store.GetParam(param::Volume(2)), 60);
  EXPECT_EQ(store.SavedChannelLevel(2), 60);
  // A volume set by the user forgets the saved level.
  editor.SetChannelVolume(2, 50);
  EXPECT_EQ(store.SavedChannelLevel(2), -1);
  editor.SetSettings({-20, 20, 0.0005, true});  // off
  editor.CommitBandGain(12, "10");
  EXPECT_EQ(store.GetParam(param::Volume(2)), 50);
}

TEST_F(EqEditingTest, GainAlertStartsAtTheThresholdPeakAndCancelsBelow) {
  EXPECT_EQ(editor.CommitBandGain(17, "20").alert, GainAlert::kCancel);
  ASSERT_LT(store.Response(2).Peak(), 25.5);
  BandChanges c = editor.CommitBandGain(18, "20");
  ASSERT_GE(store.Response(2).Peak(), 25.5);
  EXPECT_EQ(c.alert, GainAlert::kStart);
  EXPECT_EQ(DecideGainAlert(store, 2, false), GainAlert::kNone);
  EXPECT_EQ(DecideGainAlert(store, 4, true), GainAlert::kCancel);
  EXPECT_EQ(editor.CommitBandGain(18, "0").alert, GainAlert::kCancel);
}

TEST_F(EqEditingTest, ResetRestoresTheFactoryEqualiserOfTheRange) {
  store.SetParam(param::HpFreq(3), 120);
  store.SetParam(param::EqGain(2, 0), 500);
  store.SetParam(param::EqQ(3, 30), 100);
  store.SetParam(param::Volume(3), 20);
  store.SetParam(param::EqGain(4, 0), 500);
  store.SetBypassedBand(3, 1, true, store.BypassedBandGain(3, 1));
  device.transfers.clear();
  BandChanges c = editor.ResetEqualiser();
  ASSERT_EQ(device.transfers.size(), 1u);
  EXPECT_EQ(device.transfers[0].at(param::kResetCtrl), 0b1100);
  EXPECT_EQ(store.GetParam(param::kResetCtrl), 0);
  // The factory copy goes to the processor too (with the next transfer), so
  // it holds the block the window shows even if the reset frame was lost.
  EXPECT_EQ(store.PendingParams().count(param::HpFreq(3)), 1u);
  // So do the cleared reset bits.
  ASSERT_EQ(store.PendingParams().count(param::kResetCtrl), 1u);
  EXPECT_EQ(store.PendingParams().at(param::kResetCtrl), 0);
  EXPECT_EQ(store.PendingParams().count(param::EqGain(2, 0)), 1u);
  EXPECT_EQ(store.PendingParams().count(param::EqGain(4, 0)), 0u);
  EXPECT_EQ(store.GetParam(param::HpFreq(3)), 0);
  EXPECT_EQ(Gain(2, 0), 0);
  EXPECT_EQ(store.GetParam(param::EqQ(3, 30)), 760);
  EXPECT_EQ(store.GetParam(param::Volume(3)), 20);  // volumes are not reset
  EXPECT_EQ(Gain(4, 0), 500);                       // outside the range
  EXPECT_FALSE(store.IsBandHeldBack(3, 1));
  EXPECT_TRUE(c.full);
  EXPECT_EQ(c.alert, GainAlert::kCancel);

  // Without a processor nothing is sent and the window still shows the factory values.
  CEffectStore offline;
  CChannelEditor alone(offline, nullptr);
  offline.SetParam(param::EqGain(4, 2), 300);
  alone.ResetEqualiser();
  EXPECT_EQ(offline.GetParam(param::EqGain(4, 2)), 0);
  EXPECT_EQ(offline.GetParam(param::kResetCtrl), 0);
}

}  // namespace
}  // namespace brisvel::editing
