// Crossover presets: the names the menus show and the stored form, which
// refuses anything that is not a whole preset.
#include "core/crossover_presets.h"

#include <gtest/gtest.h>

namespace brisvel {
namespace {

TEST(CrossoverPresets, NamesTellSideCornerTypeAndSlope) {
  const auto hp = BuiltInCrossoverPresets(true);
  ASSERT_EQ(hp.size(), 2u);
  EXPECT_EQ(CrossoverPresetName(hp[0]), "HP 80 Hz LR 24");
  EXPECT_EQ(CrossoverPresetName(hp[1]), "HP 3.5 kHz LR 24");
  EXPECT_EQ(CrossoverPresetName(BuiltInCrossoverPresets(false).at(0)), "LP 80 Hz LR 24");
  EXPECT_EQ(CrossoverPresetName({false, 0, 1, 2000}), "LP 2 kHz BW 12");
  EXPECT_EQ(CrossoverPresetName({true, 1, 2, 999}), "HP 999 Hz BS 18");
  EXPECT_EQ(CrossoverPresetName({true, 2, 7, 12550}), "HP 12.6 kHz LR 48");
}

TEST(CrossoverPresets, TheStoredFormRoundTripsAndRefusesWhatIsNoPreset) {
  for (const CrossoverPreset& p : {CrossoverPreset{true, 2, 3, 80}, CrossoverPreset{false, 0, 7, 20000},
                                   CrossoverPreset{true, 1, 0, 20}}) {
    EXPECT_EQ(DecodeCrossoverPreset(EncodeCrossoverPreset(p)), p) << EncodeCrossoverPreset(p);
  }
  EXPECT_EQ(EncodeCrossoverPreset({true, 2, 3, 80}), "HP,2,3,80");
  EXPECT_EQ(DecodeCrossoverPreset(" LP , 2 , 3 , 3500 "), (CrossoverPreset{false, 2, 3, 3500}));
  for (const char* bad : {"", "HP", "HP,2,3", "HP,2,3,80,1", "BP,2,3,80", "HP,3,3,80", "HP,2,8,80", "HP,2,-1,80",
                          "HP,2,3,19", "LP,2,3,20001", "HP,2,3,80Hz", "HP,x,3,80", "HP,2,3,99999999999"}) {
    EXPECT_FALSE(DecodeCrossoverPreset(bad)) << bad;
  }
}

}  // namespace
}  // namespace brisvel
