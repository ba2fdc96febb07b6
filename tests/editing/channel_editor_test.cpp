// Channel editing without a window: linked ranges and the link copy, volumes,
// crossover stepping, limiter, delays in their three units, and the input mode.
#include "editing/channel_editor.h"

#include <gtest/gtest.h>

#include "core/scales.h"
#include "editing_test_support.h"

namespace brisvel::editing {
namespace {

using testing::FakeProcessorLink;

class ChannelEditorTest : public ::testing::Test {
 protected:
  uint16_t Get(int index) const { return store.GetParam(index); }
  void Link(LinkGroup g, int base) { store.SetLinkFlag(static_cast<int>(g), base + 1); }

  CEffectStore store;
  CChannelEditor editor{store, nullptr};
};

TEST_F(ChannelEditorTest, LinkedRangesFollowTheFirstActiveGroup) {
  EXPECT_EQ(LinkedRange(store, 3), std::vector<int>({3}));
  Link(LinkGroup::kFront, 2);
  Link(LinkGroup::kRear, 4);
  EXPECT_EQ(LinkedRange(store, 3), std::vector<int>({2, 3}));
  EXPECT_EQ(LinkedRange(store, 5), std::vector<int>({4, 5}));
  EXPECT_EQ(LinkedRange(store, 0), std::vector<int>({0}));
  Link(LinkGroup::kFourSpeakers, 3);
  Link(LinkGroup::kBass, 1);
  EXPECT_EQ(LinkedRange(store, 2), std::vector<int>({2, 3, 4, 5}));
  EXPECT_EQ(LinkedRange(store, 1), std::vector<int>({0, 1}));
  EXPECT_EQ(editor.SelectedChannels(), std::vector<int>({2, 3, 4, 5}));  // current channel 4

  // Selecting a channel of the selected range changes nothing; another one becomes current.
  EXPECT_FALSE(editor.SelectChannel(2).Any());
  const Changes c = editor.SelectChannel(0);
  EXPECT_TRUE(c.currentChannel);
  EXPECT_EQ(editor.CurrentChannel(), 0);
  EXPECT_FALSE(editor.SelectChannel(7).Any());
}

TEST_F(ChannelEditorTest, LinkCopyTakesTheBaseChannelIntoTheGroup) {
  FakeProcessorLink device(store);
  Link(LinkGroup::kRear, 4);
  Link(LinkGroup::kBass, 0);
  // CH2 (Box 3) is the base; CH1 (Box 2) differs everywhere.
  store.SetParam(param::Volume(3), 50);
  store.SetParam(param::HpType(3), 0x83);
  store.SetParam(param::HpFreq(3), 80);
  store.SetParam(param::LpFreq(3), 9000);
  store.SetParam(param::Threshold(3), static_cast<uint16_t>(-1200));
  store.SetParam(param::Attack(3), 500);
  store.SetParam(param::Release(3), 4);
  for (int b = 0; b < kBandCount; ++b) store.SetParam(param::EqGain(3, b), static_cast<uint16_t>(b * 10 - 150));
  store.SetParam(param::EqQ(3, 30), 1200);
  store.SetParam(param::Delay(3), 100);
  store.SetParam(param::kPhaseCtrl, 1 << 3);
  store.SetBypassedBand(2, 4, true, 900);  // stale hold-back of the target
  store.ClearPendingParams();

  EXPECT_FALSE(editor.ChooseLinkMenuItem(LinkGroup::kFront, 200).Any());  // "no grouping"
  EXPECT_FALSE(editor.ChooseLinkMenuItem(LinkGroup::kFront, 205).Any());  // not a front channel
  const Changes c = editor.ChooseLinkMenuItem(LinkGroup::kFront, 204);    // "Base of CH2"

  EXPECT_EQ(store.LinkFlags(), (std::array<int32_t, 4>{4, 0, 0, 0}));  // the other groups went off
  EXPECT_EQ(editor.CurrentChannel(), 3);
  EXPECT_TRUE(c.currentChannel && c.links && c.graph);
  EXPECT_EQ(c.channels, std::vector<int>({2, 3}));
  for (int index : {param::Volume(2), param::HpType(2), param::HpFreq(2), param::LpFreq(2), param::Threshold(2),
                    param::Attack(2), param::Release(2)}) {
    EXPECT_EQ(Get(index), Get(index + (index >= param::Threshold(0) ? 3 : index >= param::HpType(0) ? 2 : 1)))
        << ParamTable()[index].name;
    EXPECT_TRUE(c.Changed(index)) << ParamTable()[index].name;
    EXPECT_EQ(store.PendingParams().count(index), 1u);  // went through SetParam
  }
  for (int b = 0; b < kBandCount; ++b) {
    EXPECT_EQ(Get(param::EqGain(2, b)), Get(param::EqGain(3, b)));
    EXPECT_EQ(Get(param::EqQ(2, b)), Get(param::EqQ(3, b)));
    EXPECT_EQ(Get(param::EqFreq(2, b)), Get(param::EqFreq(3, b)));
  }
  EXPECT_FALSE(store.IsBandHeldBack(2, 4));
  // Delays, phase and mute stay the channel's own.
  EXPECT_EQ(Get(param::Delay(2)), 0);
  EXPECT_EQ(Get(param::kPhaseCtrl), 1 << 3);
  // The copied channel's model follows its new values.
  EXPECT_EQ(store.Response(2).Sections()[31].frequency, 80);
  EXPECT_EQ(store.Response(2).Sections()[0].gain, -1.5);

  // Unchecking the group: its base stays selected, nothing is sent.
  store.ClearPendingParams();
  const Changes off = editor.ClearLink(LinkGroup::kFront);
  EXPECT_TRUE(off.links && off.currentChannel && off.params.empty());
  EXPECT_EQ(editor.CurrentChannel(), 3);
  EXPECT_TRUE(store.PendingParams().empty());
  EXPECT_EQ(LinkedRange(store, 3), std::vector<int>({3}));
}

TEST_F(ChannelEditorTest, ChoosingAPairAfterTheFourSpeakerGroupCopiesOnlyThePair) {
  Link(LinkGroup::kFourSpeakers, 2);
  store.SetParam(param::Volume(2), 40);
  editor.ChooseLinkBase(LinkGroup::kFront, 2);
  EXPECT_EQ(Get(param::Volume(3)), 40);
  EXPECT_EQ(Get(param::Volume(4)), 66);
  EXPECT_EQ(Get(param::Volume(5)), 66);
  EXPECT_EQ(store.LinkFlag(static_cast<int>(LinkGroup::kFourSpeakers)), 0);
}

TEST_F(ChannelEditorTest, VolumesFollowTheLinkedRangeAndClearSavedLevels) {
  Link(LinkGroup::kFront, 2);  // CH1 as base
  for (int k : {2, 3, 4}) store.SetSavedChannelLevel(k, 53 + k);
  Changes c = editor.SetChannelVolume(3, 40);  // CH2's slider
  EXPECT_EQ(Get(param::Volume(2)), 40);
  EXPECT_EQ(Get(param::Volume(3)), 40);
  EXPECT_EQ(c.channels, std::vector<int>({2, 3}));
  EXPECT_EQ(c.text, "-20dB");
  EXPECT_EQ(store.SavedChannelLevels(), (std::array<int32_t, 6>{-1, -1, -1, -1, 57, -1}));
  c = editor.SetChannelVolume(4, 30);  // CH3 alone
  EXPECT_EQ(c.channels, std::vector<int>({4}));
  EXPECT_EQ(Get(param::Volume(5)), 66);

  // Stepping keeps the saved levels; "OFF" counts as -60 dB.
  store.SetSavedChannelLevel(4, 50);
  c = editor.StepChannelVolume(4, "off", 1);
  EXPECT_EQ(Get(param::Volume(4)), 1);
  EXPECT_EQ(c.text, "-59dB");
  EXPECT_EQ(store.SavedChannelLevel(4), 50);
  EXPECT_EQ(editor.StepChannelVolume(4, "6dB", 1).text, "6dB");
  EXPECT_EQ(editor.CommitChannelVolume(4, "-75").text, "OFF");
  EXPECT_EQ(Get(param::Volume(4)), 0);

  EXPECT_EQ(editor.CommitMasterVolume("-3.9").text, "-3dB");
  EXPECT_EQ(Get(param::kMainVol), 57);
  EXPECT_EQ(editor.StepMasterVolume("OFF", -1).text, "OFF");
  editor.SetMute(2, true);
  editor.SetPhase(5, true);
  EXPECT_EQ(Get(param::kMuteCtrl), 1 << 2);
  EXPECT_EQ(Get(param::kPhaseCtrl), 1 << 5);
  editor.SetMasterMute(true);
  EXPECT_EQ(Get(param::kMuteCtrl), 63);
  editor.SetMute(0, false);
  EXPECT_EQ(Get(param::kMuteCtrl), 62);
}

TEST_F(ChannelEditorTest, CrossoverEditsCoverTheRangeAndStepThroughOff) {
  store.Response(0).Recompute(17);
  store.RebuildResponses();
  Link(LinkGroup::kFront, 2);
  editor.SelectChannel(2);
  Changes c = editor.StepFilterFrequency(Filter::kHighPass, "OFF", 1);
  EXPECT_EQ(c.text, "20Hz");
  EXPECT_EQ(Get(param::HpFreq(2)), 20);
  EXPECT_EQ(Get(param::HpFreq(3)), 20);
  EXPECT_TRUE(c.graph);
  c = editor.StepFilterFrequency(Filter::kHighPass, "20Hz", -1);
  EXPECT_EQ(c.text, "OFF");
  EXPECT_EQ(Get(param::HpFreq(3)), 0);
  EXPECT_EQ(editor.StepFilterFrequency(Filter::kHighPass, "20000Hz", 1).text, "20000Hz");
  EXPECT_EQ(editor.CommitFilterFrequency(Filter::kHighPass, "15").text, "OFF");
  EXPECT_EQ(editor.CommitFilterFrequency(Filter::kLowPass, "15").text, "20Hz");
  EXPECT_EQ(editor.StepFilterFrequency(Filter::kLowPass, "20000Hz", 1).text, "20000Hz");
  EXPECT_EQ(editor.DragFilter(Filter::kHighPass, 19.9).text, "OFF");
  EXPECT_EQ(editor.DragFilter(Filter::kLowPass, 1234.7).text, "1234Hz");
  EXPECT_EQ(store.Response(3).Sections()[CEqResponse::kLowPassSection].frequency, 1234);

  // The slope of CH1 carries CH1's characteristic into CH2's byte as well.
  store.SetParam(param::HpType(2), WithCharacteristic(1, 2));
  store.SetParam(param::HpType(3), WithCharacteristic(1, 1));
  editor.SetSlope(Filter::kHighPass, 5);
  EXPECT_EQ(Get(param::HpType(2)), (2 << 6) | 5);
  EXPECT_EQ(Get(param::HpType(3)), (2 << 6) | 5);
  editor.SetCharacteristic(Filter::kHighPass, 1);
  EXPECT_EQ(Get(param::HpType(3)), (1 << 6) | 5);
  EXPECT_FALSE(editor.SetSlope(Filter::kLowPass, 9).Any());
  EXPECT_EQ(store.Response(3).Sections()[CEqResponse::kHighPassSection].type, 2);
}

TEST_F(ChannelEditorTest, LimiterAndNoiseGate) {
  Link(LinkGroup::kRear, 4);
  Changes c = editor.CommitThreshold("-31");
  EXPECT_EQ(c.text, "-30.0dBu");
  EXPECT_EQ(static_cast<int16_t>(Get(param::Threshold(5))), -3000);
  c = editor.StepThreshold("-3.0dBu", -1);
  EXPECT_EQ(c.text, "-3.1dBu");
  EXPECT_EQ(static_cast<int16_t>(Get(param::Threshold(4))), -310);
  EXPECT_EQ(editor.StepThreshold("2.0dBu", 1).text, "2.1dBu");
  EXPECT_EQ(editor.StepThreshold("6.0dBu", 1).text, "6.0dBu");
  EXPECT_EQ(editor.CommitAttack("0.25").text, "0.3ms");
  EXPECT_EQ(editor.StepAttack("0.3ms", 1).text, "0.4ms");
  EXPECT_EQ(Get(param::Attack(5)), 40);
  EXPECT_EQ(editor.StepAttack("20ms", -1).text, "19ms");
  EXPECT_EQ(editor.StepAttack("100ms", 1).text, "100ms");
  editor.SetRelease(3);
  EXPECT_EQ(Get(param::Release(4)), 3);
  EXPECT_EQ(Get(param::Release(5)), 3);
  EXPECT_FALSE(editor.SetRelease(6).Any());
  editor.SetNoiseGate(20);
  EXPECT_EQ(Get(param::kNoiseGate), 20);
}

TEST_F(ChannelEditorTest, DelaysIgnoreLinksAndConvertBetweenUnits) {
  Link(LinkGroup::kFront, 2);
  Changes c = editor.CommitDelay(2, "5");  // CH1, milliseconds
  EXPECT_EQ(Get(param::Delay(2)), 240);
  EXPECT_EQ(Get(param::Delay(3)), 0);
  EXPECT_EQ(c.channels, std::vector<int>({2}));
  EXPECT_EQ(c.text, "5.000");
  EXPECT_EQ(editor.CommitDelay(2, "25").text, "20.000");
  EXPECT_EQ(Get(param::Delay(2)), 960);
  EXPECT_EQ(editor.StepDelay(2, "20.000", 1).text, "20.000");
  EXPECT_EQ(editor.StepDelay(2, "1.000", 1).text, "1.021");
  EXPECT_EQ(Get(param::Delay(2)), 49);  // one sample up
  EXPECT_EQ(editor.StepDelay(2, "1.021", -1).text, "1.000");
  EXPECT_EQ(Get(param::Delay(2)), 48);
  EXPECT_EQ(editor.StepDelay(2, "0.010", -1).text, "0.000");

  c = editor.SetDelayUnit(1);
  EXPECT_TRUE(c.delays);
  EXPECT_TRUE(c.params.empty());
  EXPECT_EQ(Get(param::Delay(2)), 0);
  EXPECT_EQ(editor.CommitDelay(4, "100").text, "100.20");
  EXPECT_EQ(Get(param::Delay(4)), 139);  // 100 / 34.6 x 48 = 138.7, to the nearest sample
  EXPECT_EQ(editor.DelayText(4), DelayText(139, kDelayCm));
  // One step up from 0.00 cm holds one sample, and shows it.
  editor.CommitDelay(5, "0");
  EXPECT_EQ(editor.StepDelay(5, "0.00", 1).text, "0.72");
  EXPECT_EQ(Get(param::Delay(5)), 1);
  EXPECT_EQ(editor.StepDelay(4, "691.9", 1).text, "692.00");
  EXPECT_EQ(Get(param::Delay(4)), 960);
  editor.SetDelayUnit(2);
  EXPECT_EQ(editor.DelayText(4), "272.44");
  EXPECT_EQ(editor.CommitDelay(4, "10.00").text, "9.93");  // 35.24 samples: 35
  EXPECT_EQ(editor.StepDelay(4, "9.93", 1).text, "10.22");
  EXPECT_EQ(Get(param::Delay(4)), 36);
  EXPECT_FALSE(editor.SetDelayUnit(3).Any());
}

TEST_F(ChannelEditorTest, InputModeNeedsAnAcceptedProcessor) {
  EXPECT_FALSE(editor.SetInputMode(1));
  FakeProcessorLink device(store);
  CChannelEditor linked(store, &device);
  EXPECT_TRUE(linked.SetInputMode(1));
  EXPECT_EQ(store.InputMode(), 1);
  store.SetConnectedFlag(false);
  EXPECT_FALSE(linked.SetInputMode(0));
  EXPECT_EQ(store.InputMode(), 1);
}

}  // namespace
}  // namespace brisvel::editing
