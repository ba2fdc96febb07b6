// The input mixing window's rules: typed and stepped level texts, the master
// mute that follows the six channel mutes, linked level moves, and what the
// labels and coupling checks show.
#include "editing/mixing.h"

#include <gtest/gtest.h>

#include "editing/channel_editor.h"
#include "editing_test_support.h"

namespace brisvel::editing {
namespace {

class MixingTest : public ::testing::Test {
 protected:
  uint16_t Get(int index) const { return store.GetParam(index); }
  CEffectStore store;
  CChannelEditor editor{store, nullptr};
};

TEST_F(MixingTest, TypedLevelTexts) {
  Changes c = editor.CommitChannelVolume(3, "off");
  EXPECT_EQ(Get(param::Volume(3)), 0);
  EXPECT_EQ(c.text, "OFF");
  editor.CommitChannelVolume(3, "0");
  c = editor.CommitChannelVolume(3, StripLevelText(" \tOfF\r\n"));
  EXPECT_EQ(Get(param::Volume(3)), 0);
  EXPECT_EQ(c.text, "OFF");

  c = editor.CommitMasterVolume("12");
  EXPECT_EQ(Get(param::kMainVol), 66);
  EXPECT_EQ(c.text, "6dB");
  EXPECT_EQ(StripLevelText(" \r\n "), "");
  c = editor.CommitMasterVolume("-3.7");
  EXPECT_EQ(Get(param::kMainVol), 57);
  EXPECT_EQ(c.text, "-3dB");
  c = editor.CommitMasterVolume(StripLevelText("\n  -80dB\r\n"));
  EXPECT_EQ(Get(param::kMainVol), 0);
  EXPECT_EQ(c.text, "OFF");
  c = editor.CommitMasterVolume("loud");  // no number: nothing changes
  EXPECT_EQ(Get(param::kMainVol), 0);
  EXPECT_EQ(c.text, "OFF");
  EXPECT_TRUE(c.params.empty());
}

TEST_F(MixingTest, SteppedLevelTexts) {
  // Up from "OFF" counts from -60 dB; Enter (0) applies the typed text; steps stop at the limits.
  EXPECT_EQ(editor.StepMasterVolume("OFF", +1).text, "-59dB");
  EXPECT_EQ(editor.StepMasterVolume("-3.9", 0).text, "-3dB");
  EXPECT_EQ(editor.StepMasterVolume("6dB", +1).text, "6dB");
  EXPECT_EQ(editor.StepChannelVolume(0, "-59dB", -1).text, "OFF");
  EXPECT_EQ(Get(param::Volume(0)), 0);
}

TEST_F(MixingTest, MasterMuteFollowsTheSixChannelMutes) {
  for (int k = 0; k < kChannelCount; ++k) {
    EXPECT_FALSE(MixingView(store).masterMute) << k;
    editor.SetMute(k, true);
  }
  EXPECT_TRUE(MixingView(store).masterMute);
  editor.SetMute(4, false);
  const MixView v = MixingView(store);
  EXPECT_FALSE(v.masterMute);
  EXPECT_FALSE(v.channels[4].mute);
  EXPECT_TRUE(v.channels[3].mute);

  editor.SetMasterMute(true);
  EXPECT_EQ(Get(param::kMuteCtrl), 63);
  EXPECT_TRUE(MixingView(store).channels[4].mute);
  editor.SetMasterMute(false);
  EXPECT_EQ(Get(param::kMuteCtrl), 0);
  // Bits above the six channels do not count.
  store.SetParam(param::kMuteCtrl, 0x40 | 0x1F);
  EXPECT_FALSE(AllChannelsMuted(store));
}

TEST_F(MixingTest, LevelMovesFollowTheLinkRange) {
  store.SetLinkFlag(static_cast<int>(LinkGroup::kFront), 3);  // front pair, base Box 2
  const uint16_t other = Get(param::Volume(4));
  const Changes c = editor.SetChannelVolume(3, 45);
  EXPECT_EQ(c.channels, std::vector<int>({2, 3}));
  EXPECT_EQ(Get(param::Volume(2)), 45);
  EXPECT_EQ(Get(param::Volume(3)), 45);
  EXPECT_EQ(Get(param::Volume(4)), other);
  const MixView v = MixingView(store);
  EXPECT_EQ(v.channels[2].text, "-15dB");
  EXPECT_EQ(v.channels[3].level, 45);
  // Phase is never linked.
  editor.SetPhase(2, true);
  EXPECT_TRUE(MixingView(store).channels[2].phase);
  EXPECT_FALSE(MixingView(store).channels[3].phase);
}

TEST_F(MixingTest, LabelsAndCouplingShowTheActiveGroup) {
  store.SetCurrentChannel(4);
  MixView v = MixingView(store);
  for (int k = 0; k < kChannelCount; ++k) {
    EXPECT_EQ(v.channels[k].lit, k == 4) << k;
    EXPECT_FALSE(v.channels[k].coupled) << k;
  }
  store.SetLinkFlag(static_cast<int>(LinkGroup::kFourSpeakers), 5);
  v = MixingView(store);
  for (int k = 0; k < kChannelCount; ++k) {
    EXPECT_EQ(v.channels[k].lit, k >= 2) << k;
    EXPECT_EQ(v.channels[k].coupled, k >= 2) << k;
  }
  // A click on a lit label changes nothing; on another it makes that channel current.
  EXPECT_FALSE(editor.SelectChannel(3).Any());
  EXPECT_TRUE(editor.SelectChannel(0).currentChannel);
  v = MixingView(store);
  EXPECT_TRUE(v.channels[0].lit);
  EXPECT_FALSE(v.channels[2].lit);
  EXPECT_TRUE(v.channels[2].coupled);  // the group is still on
}

}  // namespace
}  // namespace brisvel::editing
