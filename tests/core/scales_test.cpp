// Display texts and typed-text parsing of every value scale.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "core/scales.h"

namespace brisvel {
namespace {

TEST(Scales, LeadingNumber) {
  EXPECT_DOUBLE_EQ(ParseLeadingNumber("  -3.9dB"), -3.9);
  EXPECT_DOUBLE_EQ(ParseLeadingNumber("+12abc"), 12);
  EXPECT_DOUBLE_EQ(ParseLeadingNumber(".5"), 0.5);
  EXPECT_DOUBLE_EQ(ParseLeadingNumber("1e2x"), 100);
  EXPECT_DOUBLE_EQ(ParseLeadingNumber("1e"), 1);
  EXPECT_DOUBLE_EQ(ParseLeadingNumber("\xE2\x88\x92" "4.5"), -4.5);  // the typographic minus
  for (const char* none : {"abc", "", "-", "+", "\xE2\x88\x92", "x", ".", "inf", "nan", "e5", " - 3"}) {
    EXPECT_FALSE(LeadingNumber(none)) << none;
    EXPECT_DOUBLE_EQ(ParseLeadingNumber(none), 0) << none;
  }
  EXPECT_DOUBLE_EQ(*LeadingNumber("0x10"), 0);  // "0" is a number; the rest is ignored
  // Absurd input saturates instead of overflowing.
  EXPECT_EQ(ParseVolume("1e400")->raw, 66);
  EXPECT_EQ(ParseVolume("-99999999999999")->raw, 0);
}

TEST(Scales, TypedDecimalsAreHeldExactly) {
  // A binary fraction just below the decimal must not lose the last digit.
  EXPECT_EQ(TruncateScaled(4.1, 100), 410);
  EXPECT_EQ(TruncateScaled(2.3, 100), 230);
  EXPECT_EQ(TruncateScaled(0.57, 100), 57);
  EXPECT_EQ(TruncateScaled(-4.1, 100), -410);
  EXPECT_EQ(TruncateScaled(4.567, 100), 456);  // digits beyond the scale are still dropped
  EXPECT_EQ(TruncateScaled(-4.567, 100), -456);
  EXPECT_EQ(*ParseGain("4.1", -20, 20), 410);
  EXPECT_EQ(*ParseGain("2.3", -20, 20), 230);
  EXPECT_EQ(*ParseGain("-8.2", -20, 20), -820);
  EXPECT_EQ(ParseQ("0.57")->raw, 57);
  EXPECT_EQ(ParseQ("1.13")->raw, 113);
  EXPECT_EQ(ParseThreshold("-12.3")->raw, -1230);
  EXPECT_EQ(ParseAttack("0.7")->raw, 70);
  EXPECT_EQ(ParseAttack("2.7")->raw, 270);
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
  EXPECT_EQ(ParseVolume(" OFF "), (Parsed{0, "OFF"}));
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
  // To the nearest sample: 100 cm is 138.7 samples.
  EXPECT_EQ(ParseDelay("100", kDelayCm), (Parsed{139, "100.20"}));  // the text shows what is held
  EXPECT_EQ(ParseDelay("-4", kDelayMs), (Parsed{0, "0.000"}));
  EXPECT_EQ(ParseDelay("1000", kDelayCm)->text, "692.00");
  EXPECT_EQ(ParseDelay("1000", kDelayIn)->text, "272.44");
  EXPECT_EQ(ParseDelay("1.5", kDelayMs)->raw, 72);
  EXPECT_EQ(ParseDelay("0.72", kDelayCm)->raw, 1);  // what one step in cm shows
  EXPECT_EQ(DelayUnitName(kDelayCm), "CM");
  // A path of 346 mm is 1 ms: the car view's readout agrees with the delay
  // fields on the unit's scale (34.6 cm, 13.62 in per ms).
  EXPECT_EQ(PathDelayText(346, kDelayMs), "1.000ms");
  EXPECT_EQ(PathDelayText(346, kDelayCm), "34.6cm");
  EXPECT_EQ(PathDelayText(346, kDelayIn), "13.62in");
  EXPECT_EQ(DistanceText(1524, kDelayMs), "152.4cm");
  EXPECT_EQ(DistanceText(1524, kDelayCm), "152.4cm");
  EXPECT_EQ(DistanceText(1524, kDelayIn), "60.00in");
}

TEST(Scales, CrossoverFrequencies) {
  EXPECT_EQ(HighPassText(0), "OFF");
  EXPECT_EQ(HighPassText(19), "OFF");
  EXPECT_EQ(HighPassText(20), "20Hz");
  EXPECT_EQ(ParseHighPass("15"), (Parsed{0, "OFF"}));
  EXPECT_EQ(ParseHighPass("off"), (Parsed{0, "OFF"}));
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
  EXPECT_EQ(QText(1234), "12.34");
  EXPECT_EQ(QText(12800), "128");
  EXPECT_EQ(QText(10150), "101.5");
  EXPECT_EQ(ParseQ("0.1"), (Parsed{40, "0.40"}));
  EXPECT_EQ(ParseQ("12.34"), (Parsed{1234, "12.34"}));
  EXPECT_EQ(ParseQ("150"), (Parsed{12800, "128"}));
  EXPECT_EQ(ParseQ("3.456"), (Parsed{345, "3.45"}));
  EXPECT_EQ(ParseQ("110.7"), (Parsed{11070, "110.7"}));  // typed values are not snapped to the table
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
  EXPECT_EQ(StepQ(57, 0), 57);  // Enter on a typed 0.57 holds 0.57
  EXPECT_EQ(StepQ(1234, 0), 1234);
}

TEST(Scales, GainThresholdAttack) {
  EXPECT_EQ(ParseGain("+30", -20, 20), 2000);
  EXPECT_EQ(GainText(2000), "20.0");
  EXPECT_EQ(ParseGain("-4.567", -20, 20), -456);
  EXPECT_EQ(ParseGain("-15", -12, 12), -1200);
  EXPECT_EQ(GainSliderPosition(-456), -45);
  EXPECT_EQ(GainText(-456), "-4.56");
  EXPECT_EQ(GainText(-450), "-4.5");
  EXPECT_EQ(GainText(-5), "-0.05");

  EXPECT_EQ(ParseThreshold("-31"), (Parsed{-3000, "-30.0dBu"}));
  EXPECT_EQ(ParseThreshold("-12.37"), (Parsed{-1237, "-12.37dBu"}));
  EXPECT_EQ(ThresholdText(600), "6.0dBu");

  EXPECT_EQ(ParseAttack("0.25"), (Parsed{30, "0.3ms"}));
  EXPECT_EQ(ParseAttack("2"), (Parsed{200, "2ms"}));
  EXPECT_EQ(ParseAttack("500"), (Parsed{10000, "100ms"}));
  EXPECT_EQ(AttackText(2000), "20ms");
  EXPECT_EQ(AttackText(2050), "20.5ms");
  EXPECT_EQ(AttackText(50), "0.5ms");
  EXPECT_EQ(AttackText(35), "0.35ms");
}

// Committing what a field shows never changes the value: for every raw value
// of every field, in every delay unit, the display text parses back to it.
TEST(Scales, EveryShownValueParsesBackToItself) {
  struct Field {
    const char* name;
    int first, last;
    std::function<std::string(int)> show;
    std::function<std::optional<int>(const std::string&)> parse;
  };
  auto raw = [](std::optional<Parsed> p) { return p ? std::optional<int>(p->raw) : std::nullopt; };
  std::vector<Field> fields = {
      {"volume", 0, 66, VolumeText, [&](const std::string& t) { return raw(ParseVolume(t)); }},
      {"high-pass", 19, 20000, HighPassText, [&](const std::string& t) { return raw(ParseHighPass(t)); }},
      {"low-pass", 20, 20000, LowPassText, [&](const std::string& t) { return raw(ParseLowPass(t)); }},
      {"band frequency", 20, 20000, BandFrequencyText, [](const std::string& t) { return ParseBandFrequency(t); }},
      {"Q", 40, 12800, QText, [&](const std::string& t) { return raw(ParseQ(t)); }},
      {"gain", -2000, 2000, [](int v) { return GainText(static_cast<int16_t>(v)); },
       [](const std::string& t) {
         const auto g = ParseGain(t, -20, 20);
         return g ? std::optional<int>(*g) : std::nullopt;
       }},
      {"threshold", -3000, 600, [](int v) { return ThresholdText(static_cast<int16_t>(v)); },
       [&](const std::string& t) { return raw(ParseThreshold(t)); }},
      {"attack", 30, 10000, [](int v) { return AttackText(static_cast<int16_t>(v)); },
       [&](const std::string& t) { return raw(ParseAttack(t)); }},
  };
  for (int unit : {kDelayMs, kDelayCm, kDelayIn}) {
    fields.push_back({"delay", 0, kDelayMaxRaw, [unit](int v) { return DelayText(v, unit); },
                      [&, unit](const std::string& t) { return raw(ParseDelay(t, unit)); }});
  }
  for (const Field& f : fields) {
    int wrong = 0;
    for (int v = f.first; v <= f.last; ++v) {
      // 1..19 Hz all show "OFF" for the high-pass: only 0 stands for it.
      const int expected = (std::string(f.name) == "high-pass" && v < 20) ? 0 : v;
      const std::optional<int> back = f.parse(f.show(v));
      if (back != expected && wrong++ < 5)
        ADD_FAILURE() << f.name << ": " << v << " shows \"" << f.show(v) << "\", read back as " << back.value_or(-99999);
    }
    EXPECT_EQ(wrong, 0) << f.name;
  }
}

// A text without a number is not a value in any field; "OFF" is one only
// where the field takes it.
TEST(Scales, TextWithoutANumberIsNoValue) {
  for (const char* typo : {"x", "abc", "-", "\xE2\x88\x92", "", "  ", "dB"}) {
    EXPECT_FALSE(ParseVolume(typo)) << typo;
    EXPECT_FALSE(ParseHighPass(typo)) << typo;
    EXPECT_FALSE(ParseLowPass(typo)) << typo;
    EXPECT_FALSE(ParseBandFrequency(typo)) << typo;
    EXPECT_FALSE(ParseQ(typo)) << typo;
    EXPECT_FALSE(ParseGain(typo, -20, 20)) << typo;
    EXPECT_FALSE(ParseThreshold(typo)) << typo;
    EXPECT_FALSE(ParseAttack(typo)) << typo;
    for (int unit : {kDelayMs, kDelayCm, kDelayIn}) EXPECT_FALSE(ParseDelay(typo, unit)) << typo;
  }
  EXPECT_FALSE(ParseLowPass("OFF"));
  EXPECT_FALSE(ParseDelay("off", kDelayMs));
  EXPECT_FALSE(ParseQ("OFF"));
  // A number out of range is still limited.
  EXPECT_EQ(ParseLowPass("5")->raw, 20);
  EXPECT_EQ(ParseDelay("99", kDelayMs)->raw, 960);
}

// Up then down, and down then up, come back to where they started, over the
// whole range of every stepped field.
TEST(Scales, StepsAreSymmetric) {
  struct Stepped {
    const char* name;
    std::vector<int> values;  // where a step may start and end
    std::function<int(int, int)> step;
  };
  auto range = [](int first, int last, int by) {
    std::vector<int> v;
    for (int x = first; x <= last; x += by) v.push_back(x);
    return v;
  };
  std::vector<int> attack = range(30, 100, 10);
  for (int ms = 200; ms <= 10000; ms += 100) attack.push_back(ms);
  std::vector<int> highPass = range(20, 20000, 1);
  highPass.insert(highPass.begin(), 0);
  const std::vector<Stepped> fields = {
      {"volume", range(0, 66, 1), StepVolume},
      {"delay", range(0, kDelayMaxRaw, 1), StepDelay},
      {"high-pass", highPass, StepHighPass},
      {"low-pass", range(20, 20000, 1), StepLowPass},
      {"band frequency", range(20, 20000, 1), StepBandFrequency},
      {"gain", range(-2000, 2000, 10),
       [](int v, int s) { return static_cast<int>(StepGain(static_cast<int16_t>(v), s, -20, 20)); }},
      {"threshold", range(-3000, 600, 10), StepThreshold},
      {"attack", attack, StepAttack},
      {"Q", std::vector<int>(QStepTable().begin(), QStepTable().end()), StepQ},
  };
  for (const Stepped& f : fields) {
    for (size_t i = 0; i < f.values.size(); ++i) {
      const int v = f.values[i];
      if (i + 1 < f.values.size()) {
        ASSERT_EQ(f.step(v, 1), f.values[i + 1]) << f.name << " up from " << v;
        ASSERT_EQ(f.step(f.step(v, 1), -1), v) << f.name << " up and down from " << v;
      }
      if (i > 0) {
        ASSERT_EQ(f.step(v, -1), f.values[i - 1]) << f.name << " down from " << v;
        ASSERT_EQ(f.step(f.step(v, -1), 1), v) << f.name << " down and up from " << v;
      }
    }
    // The ends hold.
    EXPECT_EQ(f.step(f.values.front(), -1), f.values.front()) << f.name;
    EXPECT_EQ(f.step(f.values.back(), 1), f.values.back()) << f.name;
  }
  // Off the step grid, a step goes to the next grid value in its direction.
  EXPECT_EQ(StepThreshold(-1235, 1), -1230);
  EXPECT_EQ(StepThreshold(-1235, -1), -1240);
  EXPECT_EQ(StepGain(456, 1, -20, 20), 460);
  EXPECT_EQ(StepGain(456, -1, -20, 20), 450);
  EXPECT_EQ(StepAttack(150, -1), 100);
  EXPECT_EQ(StepAttack(35, 1), 40);
  // Today's fault: up from -30.0 dBu went to -29.8.
  EXPECT_EQ(StepThreshold(-3000, 1), -2990);
  EXPECT_EQ(StepThreshold(StepThreshold(-3000, 1), 1), -2980);
}

}  // namespace
}  // namespace brisvel
