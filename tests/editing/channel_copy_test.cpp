// Crossover presets over a linked range, and "Copy channel to...": the chosen
// parts only, linked partners kept equal, no link made, one transfer and one
// step of the history.
#include <gtest/gtest.h>

#include "core/scales.h"
#include "editing/channel_editor.h"
#include "editing/history.h"
#include "editing_test_support.h"

namespace brisvel::editing {
namespace {

using testing::FakeProcessorLink;

TEST(CrossoverPreset, OneStepSetsTypeSlopeAndCornerOverTheLinkedPair) {
  CEffectStore store;
  FakeProcessorLink device(store);
  CChannelEditor editor(store, &device);
  store.SetLinkFlag(static_cast<int>(LinkGroup::kFront), 2 + 1);  // CH1 and CH2
  store.SetCurrentChannel(2);
  const CrossoverPreset preset = BuiltInCrossoverPresets(true).at(1);  // HP 3.5 kHz LR 24
  const Changes c = editor.ApplyCrossoverPreset(preset);
  EXPECT_TRUE(c.graph);
  EXPECT_EQ(c.text, "3500Hz");
  for (int k : {2, 3}) {
    const auto type = static_cast<uint8_t>(store.GetParam(param::HpType(k)));
    EXPECT_EQ(CharacteristicOf(type), 2) << k;
    EXPECT_EQ(SlopeIndexOf(type), 3) << k;
    EXPECT_EQ(store.GetParam(param::HpFreq(k)), 3500) << k;
  }
  EXPECT_EQ(store.GetParam(param::HpFreq(4)), store.GetParam(param::HpFreq(0)));  // the others untouched
  EXPECT_EQ(store.PendingParams().size(), 4u);  // two type bytes and two corners, for the processor

  // The low-pass side writes the low-pass only.
  const uint16_t hpBefore = store.GetParam(param::HpType(2));
  editor.ApplyCrossoverPreset(BuiltInCrossoverPresets(false).at(0));
  EXPECT_EQ(store.GetParam(param::LpFreq(3)), 80);
  EXPECT_EQ(store.GetParam(param::HpType(2)), hpBefore);
}

class ChannelCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // CH1 (Box 2): something in every part.
    store.SetParam(param::Volume(2), 40);
    store.SetParam(param::HpFreq(2), 120);
    store.SetParam(param::LpType(2), WithSlope(WithCharacteristic(0, 2), 3));
    store.SetParam(param::Threshold(2), static_cast<uint16_t>(-60));
    store.SetParam(param::EqGain(2, 5), static_cast<uint16_t>(-45));
    store.SetParam(param::EqFreq(2, 5), 180);
    store.SetParam(param::kPhaseCtrl, 1u << 2);
    store.SetBypassedBand(2, 9, true, 30);
    store.SetParam(param::Delay(2), 77);
    store.SetParam(param::kMuteCtrl, 1u << 2);
    store.ClearPendingParams();
  }
  CEffectStore store;
  FakeProcessorLink device{store};
  CChannelEditor editor{store, &device};
  CEditHistory history{store};
};

TEST_F(ChannelCopyTest, TheChosenPartsGoToTheChosenChannelsAndTheirLinkedPartnersOnce) {
  store.SetLinkFlag(static_cast<int>(LinkGroup::kRear), 4 + 1);  // CH3 and CH4 (Box 4, 5)
  const EffectBlock before = store.Block();
  const Changes c = history.Record("copy", [&] { return editor.CopyChannel(2, {0, 4}, CopyParts{}); });
  EXPECT_EQ(c.channels, (std::vector<int>{0, 4, 5}));
  for (int k : {0, 4, 5}) {
    EXPECT_EQ(store.GetParam(param::Volume(k)), 40) << k;
    EXPECT_EQ(store.GetParam(param::HpFreq(k)), 120) << k;
    EXPECT_EQ(store.GetParam(param::LpType(k)), store.GetParam(param::LpType(2))) << k;
    EXPECT_EQ(store.GetParam(param::Threshold(k)), static_cast<uint16_t>(-60)) << k;
    EXPECT_EQ(store.GetParam(param::EqGain(k, 5)), static_cast<uint16_t>(-45)) << k;
    EXPECT_EQ(store.GetParam(param::EqFreq(k, 5)), 180) << k;
    EXPECT_TRUE(store.IsBandHeldBack(k, 9)) << k;
    EXPECT_EQ(store.BypassedBandGain(k, 9), 30) << k;
    EXPECT_EQ(store.GetParam(param::kPhaseCtrl) >> k & 1, 1) << k;
    // Delay and mute are the channel's own.
    EXPECT_EQ(store.GetParam(param::Delay(k)), ReadParam(before, param::Delay(k))) << k;
    EXPECT_EQ(store.GetParam(param::kMuteCtrl) >> k & 1, 0) << k;
  }
  EXPECT_EQ(ReadParam(store.Block(), param::Volume(3)), ReadParam(before, param::Volume(3)));  // CH2 not chosen
  EXPECT_EQ(store.LinkFlags()[static_cast<int>(LinkGroup::kFront)], 0) << "no link is made";
  EXPECT_EQ(store.PendingParams().size(), c.params.size());  // all of it for the processor

  // One step: undo brings every channel back.
  ASSERT_TRUE(history.CanUndo());
  history.Undo();
  EXPECT_EQ(store.Block(), before);
  EXPECT_FALSE(store.IsBandHeldBack(0, 9));
  EXPECT_FALSE(history.CanUndo());
}

TEST_F(ChannelCopyTest, PartsLeftOutStayAndNothingIsCopiedOntoItself) {
  const EffectBlock before = store.Block();
  CopyParts onlyEq{false, false, true, false, false};
  editor.CopyChannel(2, {3}, onlyEq);
  EXPECT_EQ(store.GetParam(param::EqGain(3, 5)), static_cast<uint16_t>(-45));
  EXPECT_EQ(store.GetParam(param::Volume(3)), ReadParam(before, param::Volume(3)));
  EXPECT_EQ(store.GetParam(param::HpFreq(3)), ReadParam(before, param::HpFreq(3)));
  EXPECT_EQ(store.GetParam(param::kPhaseCtrl) >> 3 & 1, 0);

  const EffectBlock after = store.Block();
  EXPECT_FALSE(editor.CopyChannel(2, {2}, CopyParts{}).Any());
  EXPECT_FALSE(editor.CopyChannel(2, {}, CopyParts{}).Any());
  EXPECT_FALSE(editor.CopyChannel(2, {3}, CopyParts{false, false, false, false, false}).Any());
  EXPECT_FALSE(editor.CopyChannel(9, {3}, CopyParts{}).Any());
  EXPECT_EQ(store.Block(), after);
}

}  // namespace
}  // namespace brisvel::editing
