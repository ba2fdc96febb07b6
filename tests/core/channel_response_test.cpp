// Tests of the complex channel response and the summed response of channels:
// agreement with the EQ graph's model over random channels, the exact phase of
// polarity and delay, a Linkwitz-Riley pair that sums flat and its notch with
// one polarity flipped, and measured phases taken into the sum.
#include "core/channel_response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "core/effect_store.h"
#include "core/system_sum.h"

namespace brisvel {
namespace {

constexpr int kWoofer = 2;  // CH1
constexpr int kSub = 4;     // CH5
constexpr int kLinkwitz = 2;
constexpr int kSlope24 = 3;
constexpr int kSlopeOff = 8;

void SetPass(EffectBlock& b, int box, bool high, int characteristic, int slope, int hz) {
  WriteParam(b, high ? param::HpType(box) : param::LpType(box), FilterTypeByte{characteristic, slope}.Encode());
  WriteParam(b, high ? param::HpFreq(box) : param::LpFreq(box), static_cast<uint16_t>(hz));
}

// A front woofer high-passed and a sub low-passed at 80 Hz, LR 24, both at 0 dB.
EffectBlock CrossoverPair() {
  EffectBlock b = FactoryBlock();
  for (int box : {kWoofer, kSub}) WriteParam(b, param::Volume(box), 60);
  SetPass(b, kWoofer, true, kLinkwitz, kSlope24, 80);
  SetPass(b, kWoofer, false, kLinkwitz, kSlopeOff, 20000);
  SetPass(b, kSub, false, kLinkwitz, kSlope24, 80);
  SetPass(b, kSub, true, kLinkwitz, kSlopeOff, 20);
  return b;
}

std::vector<double> GridHz(const CEffectStore& store) {
  std::vector<double> hz;
  for (int k = 0; k < kGridPoints; ++k) hz.push_back(store.FrequencyGrid().FrequencyHz(k));
  return hz;
}

TEST(ChannelResponse, MagnitudeIsTheGraphsModelOnItsGridForRandomChannels) {
  std::mt19937 rng(20261210);
  const auto uniform = [&rng](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  const auto logUniform = [&](double lo, double hi) { return std::exp(uniform(std::log(lo), std::log(hi))); };
  CEffectStore store;
  double worst = 0;
  for (int trial = 0; trial < 120; ++trial) {
    const int box = trial % kChannelCount;
    EffectBlock b = FactoryBlock();
    WriteParam(b, param::Volume(box), 60);
    for (int band = 0; band < kBandCount; ++band) {
      const bool on = uniform(0, 1) < 0.5;
      WriteParam(b, param::EqFreq(box, band), static_cast<uint16_t>(logUniform(20, 20000)));
      WriteParam(b, param::EqQ(box, band), static_cast<uint16_t>(logUniform(40, 12800)));
      WriteParam(b, param::EqGain(box, band), static_cast<uint16_t>(on ? static_cast<int16_t>(uniform(-2000, 2000)) : 0));
    }
    // Every characteristic and slope, OFF included, with corners across the band.
    SetPass(b, box, true, trial % 3, (trial / 3) % 9, static_cast<int>(logUniform(10, 20000)));
    SetPass(b, box, false, (trial / 2) % 3, (trial / 5) % 9, static_cast<int>(logUniform(20, 20000)));
    store.ReplaceBlock(b);
    store.RebuildResponse(box);
    store.Response(box).Recompute(17.0);
    const auto& model = store.Response(box).Summed();
    const std::vector<Complex> h = ChannelResponse(ChannelSettingsFromBlock(b, box), ResponsePoints(GridHz(store)));
    for (int k = 0; k < kGridPoints; ++k) {
      if (model[static_cast<size_t>(k)] < -120.0) continue;  // deep in a stop band, both are silence
      const double diff = std::fabs(LevelDb(h[static_cast<size_t>(k)]) - model[static_cast<size_t>(k)]);
      worst = std::max(worst, diff);
      ASSERT_LT(diff, 0.01) << "trial " << trial << " at " << store.FrequencyGrid().FrequencyHz(k) << " Hz";
    }
  }
  RecordProperty("worst_db", std::to_string(worst));
}

TEST(ChannelResponse, VolumePolarityDelayAndMuteActOnTheWholeResponse) {
  EffectBlock b = CrossoverPair();
  WriteParam(b, param::EqGain(kWoofer, 10), static_cast<uint16_t>(int16_t{450}));
  const ChannelSettings plain = ChannelSettingsFromBlock(b, kWoofer);
  WriteParam(b, param::Volume(kWoofer), 54);
  WriteParam(b, param::Delay(kWoofer), 137);
  WriteParam(b, param::kPhaseCtrl, 1 << kWoofer);
  const ChannelSettings changed = ChannelSettingsFromBlock(b, kWoofer);
  EXPECT_EQ(changed.gainDb, -6.0);
  EXPECT_TRUE(changed.inverted);
  EXPECT_EQ(changed.delaySamples, 137);
  for (double hz : {31.5, 80.0, 1000.0, 12345.0, 23000.0}) {
    const Complex ratio = ChannelResponseAt(changed, hz) / ChannelResponseAt(plain, hz);
    const double omega = 2 * std::numbers::pi * hz / 48000.0;
    // -6 dB, then polarity (π) and delay (-ω·137) as the exact phase.
    const Complex expected = std::polar(std::pow(10.0, -6.0 / 20.0), std::numbers::pi - omega * 137);
    EXPECT_NEAR(std::abs(ratio - expected), 0.0, 1e-9) << hz;
  }
  WriteParam(b, param::kMuteCtrl, 1 << kWoofer);
  EXPECT_EQ(LevelDb(ChannelResponseAt(ChannelSettingsFromBlock(b, kWoofer), 1000)), kSilentDb);
  WriteParam(b, param::kMuteCtrl, 0);
  WriteParam(b, param::Volume(kWoofer), 0);  // OFF
  EXPECT_TRUE(ChannelSettingsFromBlock(b, kWoofer).silent);
}

TEST(ChannelResponse, PassFiltersOfEveryOtherSixDbHaveTheDrawnMagnitudeAndAMinimumPhase) {
  // 18 dB/octave is the 12 dB/octave section to the power 1.5 in magnitude and phase:
  // three times the phase of a 6 dB/octave filter, half again that of 12 dB/octave.
  EffectBlock b = FactoryBlock();
  WriteParam(b, param::Volume(kWoofer), 60);
  SetPass(b, kWoofer, false, kLinkwitz, kSlopeOff, 20000);
  SetPass(b, kWoofer, true, kLinkwitz, 1, 500);  // 12
  const ChannelSettings twelve = ChannelSettingsFromBlock(b, kWoofer);
  SetPass(b, kWoofer, true, kLinkwitz, 2, 500);  // 18
  const ChannelSettings eighteen = ChannelSettingsFromBlock(b, kWoofer);
  for (double hz : {50.0, 400.0, 500.0, 700.0, 5000.0}) {
    const Complex h12 = ChannelResponseAt(twelve, hz), h18 = ChannelResponseAt(eighteen, hz);
    EXPECT_NEAR(LevelDb(h18), 1.5 * LevelDb(h12), 1e-9);
    EXPECT_NEAR(std::arg(h18), std::remainder(1.5 * std::arg(h12), 2 * std::numbers::pi), 1e-9) << hz;
  }
}

TEST(SystemSum, ALinkwitzRileyPairSumsFlatAndAFlippedPolarityCancelsAtTheCrossover) {
  CEffectStore store;
  store.Response(0).Recompute(17.0);  // builds the grid
  CSystemSum sum(GridHz(store));
  sum.SetChannels({kSub, kWoofer, kWoofer, 9});
  EXPECT_EQ(sum.Channels(), (std::vector<int>{kWoofer, kSub}));
  EffectBlock b = CrossoverPair();
  ASSERT_TRUE(sum.Update(b));
  double lo = 1e9, hi = -1e9;
  for (size_t i = 0; i < sum.Hz().size(); ++i) {
    if (sum.Hz()[i] < 20 || sum.Hz()[i] > 20000) continue;
    lo = std::min(lo, sum.Db()[i]);
    hi = std::max(hi, sum.Db()[i]);
  }
  EXPECT_LT(hi - lo, 0.5);
  EXPECT_NEAR(sum.LevelAt(80), 0.0, 0.5);
  EXPECT_FALSE(sum.Update(b));  // nothing changed

  WriteParam(b, param::kPhaseCtrl, 1 << kSub);
  EXPECT_TRUE(sum.Update(b));
  EXPECT_LT(sum.LevelAt(80), sum.LevelAt(1000) - 20.0);
  EXPECT_LT(sum.LevelAt(80), sum.LevelAt(20) - 20.0);
  // The drawn points are the same sum as at any frequency.
  for (size_t i = 0; i < sum.Hz().size(); i += 97) EXPECT_NEAR(sum.Db()[i], sum.LevelAt(sum.Hz()[i]), 1e-9);

  // A channel outside the sum changes nothing.
  WriteParam(b, param::Volume(0), 30);
  EXPECT_FALSE(sum.Update(b));
}

TEST(SystemSum, AMeasurementWithPhaseMultipliesItsChannelAndOneWithoutIsLeftOut) {
  CSystemSum sum(LogSpacedFrequencies(20, 20000, 12));
  sum.SetChannels({kWoofer, kSub});
  const EffectBlock b = CrossoverPair();
  sum.Update(b);
  const double flat = sum.LevelAt(80);

  // The sub measured at 85 dB with its phase turned by 180° (lined up by its
  // 85 dB): the same as its polarity flipped.
  FrequencyCurve turned{{10, 100000}, {85, 85}, {180, 180}};
  sum.SetMeasurement(kSub, &turned, 85);
  EXPECT_TRUE(sum.UsesMeasurement(kSub));
  sum.Update(b);
  EXPECT_LT(sum.LevelAt(80), flat - 20.0);

  // Without a phase the measurement is not used.
  FrequencyCurve magnitudeOnly{{10, 100000}, {85, 85}, {}};
  sum.SetMeasurement(kSub, &magnitudeOnly, 85);
  EXPECT_FALSE(sum.UsesMeasurement(kSub));
  sum.Update(b);
  EXPECT_NEAR(sum.LevelAt(80), flat, 1e-9);

  // A measured 6 dB more on both channels lifts the sum by 6 dB.
  FrequencyCurve louder{{10, 100000}, {6, 6}, {0, 0}};
  sum.SetMeasurement(kSub, &louder);
  sum.SetMeasurement(kWoofer, &louder);
  sum.Update(b);
  EXPECT_NEAR(sum.LevelAt(500), flat + 6.0, 0.01);
}

}  // namespace
}  // namespace brisvel
