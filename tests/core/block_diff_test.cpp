// Comparing blocks: groups in label order, display texts, channels of each kind.
#include "core/block_diff.h"

#include <gtest/gtest.h>

#include "core/param_text.h"

namespace brisvel {
namespace {

TEST(BlockDiffTest, GroupsByChannelInLabelOrderWithDisplayTexts) {
  const EffectBlock a = FactoryBlock();
  EXPECT_TRUE(DiffBlocks(a, a).empty());
  EffectBlock b = a;
  WriteParam(b, param::kNoiseGate, 3);
  WriteParam(b, param::Threshold(0), static_cast<uint16_t>(-1000));  // Box 0 = CH5
  WriteParam(b, param::LpFreq(4), 1000);                               // Box 4 = CH3
  WriteParam(b, param::EqQ(2, 30), 300);                               // Box 2 = CH1
  WriteParam(b, param::Delay(5), 48);                                  // Box 5 = CH4
  const auto diff = DiffBlocks(a, b);
  ASSERT_EQ(diff.size(), 5u);
  EXPECT_EQ(diff[0].label, "Common");
  EXPECT_EQ(diff[0].channel, -1);
  EXPECT_EQ(diff[1].label, "CH1");
  EXPECT_EQ(diff[1].channel, 2);
  EXPECT_EQ(diff[2].label, "CH3");
  EXPECT_EQ(diff[3].label, "CH4");
  EXPECT_EQ(diff[4].label, "CH5");
  ASSERT_EQ(diff[1].params.size(), 1u);
  EXPECT_EQ(diff[1].params[0].index, param::EqQ(2, 30));
  EXPECT_EQ(diff[1].params[0].right, "3.00");
  EXPECT_EQ(diff[3].params[0].right, ParamDisplayText(b, param::Delay(5)));
  const std::string text = DiffText(diff);
  EXPECT_EQ(text.rfind("Common:\n  NoiseGate: ", 0), 0u);
  EXPECT_NE(text.find(std::string("\nCH5:\n  ") + ParamTable()[param::Threshold(0)].name + ": "), std::string::npos);

  // Named channels are listed by their names too.
  const auto named = DiffBlocks(a, b, ChannelNames{"Tweeter L", "", "", "", "Sub", ""});
  EXPECT_EQ(named[1].label, "CH1 Tweeter L");
  EXPECT_EQ(named[2].label, "CH3");
  EXPECT_EQ(named[4].label, "CH5 Sub");
}

TEST(BlockDiffTest, EveryParameterBelongsToItsChannel) {
  for (int k = 0; k < kChannelCount; ++k) {
    for (int index : {param::Volume(k), param::Delay(k), param::HpType(k), param::HpFreq(k), param::LpType(k),
                      param::LpFreq(k), param::EqFreq(k, 0), param::EqGain(k, 30), param::Threshold(k),
                      param::Attack(k), param::Release(k)}) {
      EXPECT_EQ(ParamChannel(index), k) << index;
    }
  }
  for (int index : {param::kMuteCtrl, param::kPassCtrl, param::kPhaseCtrl, param::kResetCtrl, param::kMainVol,
                    param::kNoiseGate}) {
    EXPECT_EQ(ParamChannel(index), -1) << index;
  }
}

}  // namespace
}  // namespace brisvel
