// Display texts and typed-text parsing of every value scale.
#include <gtest/gtest.h>

#include "core/scales.h"

namespace brisvel {
namespace {

TEST(Scales, LeadingNumber) {
  EXPECT_DOUBLE_EQ(ParseLeadingNumber("  -3.9dB"), -3.9);
  EXPECT_DOUBLE_EQ(ParseLeadingNumber("+12abc"), 12);
  EXPECT_DOUBLE_EQ(ParseLeadingNumber(".5"), 0.5);
  EXPECT_DOUBLE_EQ(ParseLeadingNumber("1e2x"), 100);
  EXPECT_DOUBLE_EQ(ParseLeadingNumber("1e"), 1);
  EXPECT_DOUBLE_EQ(ParseLeadingNumber("abc"), 0);
  EXPECT_DOUBLE_EQ(ParseLeadingNumber(""), 0);
  EXPECT_DOUBLE_EQ(ParseLeadingNumber("-"), 0);
  EXPECT_DOUBLE_EQ(ParseLeadingNumber("inf"), 0);
  EXPECT_DOUBLE_EQ(ParseLeadingNumber("0x10"), 0);
  // Absurd input saturates instead of overflowing.
  EXPECT_EQ(ParseVolume("1e400").raw, 66);
  EXPECT_EQ(ParseVolume("-99999999999999").raw, 0);
}

TEST(Scales, ChannelNumbering) {
  const int labels[] = {5, 6, 1, 2, 3, 4};
  for (int box = 0; box < 6; ++box) {
    EXPECT_EQ(ChannelLabelNumber(box), labels[box]);
    EXPECT_EQ(BoxFromLabelNumber(labels[box]), box);
  }
  EXPECT_EQ(ChannelLabel(0), "CH5");
}

TEST(Scales, Volume) {
  EXPECT_EQ(VolumeText(0), "OFF");
  EXPECT_EQ(VolumeText(60), "0dB");
  EXPECT_EQ(VolumeText(66), "6dB");
  EXPECT_EQ(VolumeText(1), "-59dB");
  EXPECT_EQ(ParseVolume("off"), (Parsed{0, "OFF"}));
  EXPECT_EQ(ParseVolume("OFF"), (Parsed{0, "OFF"}));
  EXPECT_EQ(ParseVolume("-75"), (Parsed{0, "OFF"}));
  EXPECT_EQ(ParseVolume("9"), (Parsed{66, "6dB"}));
  EXPECT_EQ(ParseVolume("-3.9"), (Parsed{57, "-3dB"}));
  EXPECT_EQ(KnobVolume(66), 60);
  EXPECT_EQ(KnobVolumeText(66), "0dB");
  EXPECT_EQ(KnobVolumeText(30), "-30dB");
}

TEST(Scales, Delay) {
  EXPECT_EQ(DelayText(960, kDelayMs), "20.000");
  EXPECT_EQ(DelayText(48, kDelayCm), "34.60");
  EXPECT_EQ(DelayText(48, kDelayIn), "13.62");
  EXPECT_EQ(ParseDelay("25", kDelayMs), (Parsed{960, "20.000"}));
  EXPECT_EQ(ParseDelay("100", kDelayCm), (Parsed{138, "100.00"}));
  EXPECT_EQ(ParseDelay("-4", kDelayMs), (Parsed{0, "0.000"}));
  EXPECT_EQ(ParseDelay("1000", kDelayCm).text, "692.00");
  EXPECT_EQ(ParseDelay("1000", kDelayIn).text, "272.44");
  EXPECT_EQ(ParseDelay("1.5", kDelayMs).raw, 72);
  EXPECT_EQ(DelayUnitName(kDelayCm), "CM");
}

TEST(Scales, CrossoverFrequencies) {
  EXPECT_EQ(HighPassText(0), "OFF");
  EXPECT_EQ(HighPassText(19), "OFF");
  EXPECT_EQ(HighPassText(20), "20Hz");
  EXPECT_EQ(ParseHighPass("15"), (Parsed{0, "OFF"}));
  EXPECT_EQ(ParseHighPass("80.9"), (Parsed{80, "80Hz"}));
  EXPECT_EQ(ParseHighPass("30000"), (Parsed{20000, "20000Hz"}));
  EXPECT_EQ(HighPassFromDrag(19.9), 0);
  EXPECT_EQ(HighPassFromDrag(25000), 20000);
  EXPECT_EQ(ParseLowPass("15"), (Parsed{20, "20Hz"}));
  EXPECT_EQ(ParseLowPass("30000"), (Parsed{20000, "20000Hz"}));
  EXPECT_EQ(LowPassText(20000), "20000Hz");
  EXPECT_EQ(BandFrequencyText(1000), "1000");
  EXPECT_EQ(ParseBandFrequency("5"), 20);
  EXPECT_EQ(ParseBandFrequency("1234.9"), 1234);
}

TEST(Scales, FilterTypeByte) {
  const uint8_t b = 0xFF;
  EXPECT_EQ(WithCharacteristic(b, 1), 0x5F);  // bit 5 always written as 0
  EXPECT_EQ(WithSlope(0x80, 3), 0x83);
  EXPECT_EQ(WithSlope(0x81, 8), 0x88);
  EXPECT_EQ(CharacteristicOf(0x83), 2);
  EXPECT_EQ(SlopeIndexOf(0x83), 3);
  EXPECT_DOUBLE_EQ(ModelSlope(0x00), -6);
  EXPECT_DOUBLE_EQ(ModelSlope(0x07), -48);
  EXPECT_DOUBLE_EQ(ModelSlope(0x08), 0);
  EXPECT_EQ(ModelType(0x00), 3);  // "Butterworth" entry
  EXPECT_EQ(ModelType(0x40), 2);  // "Bessel"
  EXPECT_EQ(ModelType(0x80), 1);  // "Linkwitz"
  EXPECT_EQ(ModelType(0xC0), 3);
  EXPECT_STREQ(SlopeText(8), "OFF");
  EXPECT_STREQ(SlopeText(1), "12dB/Oct");
  EXPECT_STREQ(CharacteristicText(2), "Linkwitz");
  EXPECT_STREQ(ReleaseText(5), "Atk*32");
  EXPECT_EQ(NoiseGateText(20), "20");
}

TEST(Scales, Q) {
  EXPECT_EQ(QText(760), "7.60");
  EXPECT_EQ(QText(999), "9.99");
  EXPECT_EQ(QText(1230), "12.3");
  EXPECT_EQ(QText(12800), "128");
  EXPECT_EQ(ParseQ("0.1"), (Parsed{40, "0.40"}));
  EXPECT_EQ(ParseQ("12.34"), (Parsed{1230, "12.3"}));
  EXPECT_EQ(ParseQ("150"), (Parsed{12800, "128"}));
  EXPECT_EQ(ParseQ("3.456"), (Parsed{345, "3.45"}));
  EXPECT_EQ(ParseQ("110.7"), (Parsed{11000, "110"}));  // typed values are not snapped to the table
}

TEST(Scales, NearestQIndexAndStepping) {
  EXPECT_EQ(NearestQIndex(39), 0);
  EXPECT_EQ(NearestQIndex(41), 0);
  EXPECT_EQ(NearestQIndex(44), 2);
  EXPECT_EQ(NearestQIndex(1350), 61);
  EXPECT_EQ(NearestQIndex(1375), 61);
  EXPECT_EQ(NearestQIndex(20000), 100);
  EXPECT_EQ(NearestQIndex(12800), 100);
  // Every table entry finds itself.
  for (int i = 0; i < kQStepCount; ++i) EXPECT_EQ(NearestQIndex(QStepTable()[i]), i) << i;
  EXPECT_EQ(StepQ(760, 1), 800);
  EXPECT_EQ(StepQ(760, -1), 710);
  EXPECT_EQ(StepQ(40, -5), 40);
  EXPECT_EQ(StepQ(12100, 7), 12800);
}

TEST(Scales, GainThresholdAttack) {
  EXPECT_EQ(ParseGain("+30", -20, 20), 2000);
  EXPECT_EQ(GainText(2000), "20.0");
  EXPECT_EQ(ParseGain("-4.567", -20, 20), -456);
  EXPECT_EQ(ParseGain("-15", -12, 12), -1200);
  EXPECT_EQ(GainSliderPosition(-456), -45);
  EXPECT_EQ(GainText(-456), "-4.6");

  EXPECT_EQ(ParseThreshold("-31"), (Parsed{-3000, "-30.0dBu"}));
  EXPECT_EQ(ParseThreshold("-12.37"), (Parsed{-1230, "-12.3dBu"}));
  EXPECT_EQ(ThresholdText(600), "6.0dBu");

  EXPECT_EQ(ParseAttack("0.25"), (Parsed{30, "0.3ms"}));
  EXPECT_EQ(ParseAttack("2.7"), (Parsed{200, "2ms"}));
  EXPECT_EQ(ParseAttack("500"), (Parsed{10000, "100ms"}));
  EXPECT_EQ(AttackText(2000), "20ms");
  EXPECT_EQ(AttackText(50), "0.5ms");
}

}  // namespace
}  // namespace brisvel
