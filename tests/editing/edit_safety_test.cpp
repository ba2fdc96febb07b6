// Nothing reaches the block or the processor that the installer did not do:
// typos in every field, steps that come back where they started, drags that
// did not move, the compensation after a bypass gives gains back, and a
// bypass that keeps a band held back on its own.
#include <gtest/gtest.h>

#include <functional>

#include "core/scales.h"
#include "editing/channel_editor.h"
#include "editing_test_support.h"

namespace brisvel::editing {
namespace {

using testing::FakeProcessorLink;

class EditSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store.Response(0).Recompute(17);
    store.RebuildResponses();
    store.SetCurrentChannel(2);  // CH1
    for (int b = 0; b < kBandCount; ++b) store.SetParam(param::EqGain(2, b), 150);
    store.SetParam(param::EqGain(2, 5), -300);
    editor.SetBandHeldBack(5, true);  // band 6 held back on its own at -3 dB
    editor.SetBypass(true);           // and the channel's equaliser bypassed
    device.transfers.clear();
    store.ClearPendingParams();
  }
  int16_t Gain(int b) const { return static_cast<int16_t>(store.GetParam(param::EqGain(2, b))); }
  // The block, what went to the processor and the held-back bands stay as they are.
  void ExpectNothingChanged(const EffectBlock& before, const std::string& what) {
    EXPECT_TRUE(store.Block() == before) << what;
    EXPECT_TRUE(device.transfers.empty()) << what;
    EXPECT_TRUE(store.PendingParams().empty()) << what;
    EXPECT_EQ(store.GetParam(param::kPassCtrl), 0b100) << what;
    EXPECT_TRUE(store.IsHeldGainKept(2, 0)) << what;
    EXPECT_EQ(store.BypassedBandGain(2, 0), 150) << what;
    EXPECT_TRUE(store.IsBandHeldBack(2, 5) && !store.IsHeldGainKept(2, 5)) << what;
    EXPECT_EQ(store.BypassedBandGain(2, 5), -300) << what;
  }

  CEffectStore store;
  FakeProcessorLink device{store};
  CChannelEditor editor{store, &device, EqSettings{-20, 20, 1.0, true}};
};

TEST_F(EditSafetyTest, ATextWithoutANumberChangesNothingInAnyField) {
  const EffectBlock before = store.Block();
  const std::vector<std::pair<std::string, std::function<std::string(std::string_view)>>> fields = {
      {"master volume", [&](std::string_view t) { return editor.CommitMasterVolume(t).text; }},
      {"channel volume", [&](std::string_view t) { return editor.CommitChannelVolume(2, t).text; }},
      {"high-pass", [&](std::string_view t) { return editor.CommitFilterFrequency(Filter::kHighPass, t).text; }},
      {"low-pass", [&](std::string_view t) { return editor.CommitFilterFrequency(Filter::kLowPass, t).text; }},
      {"threshold", [&](std::string_view t) { return editor.CommitThreshold(t).text; }},
      {"attack", [&](std::string_view t) { return editor.CommitAttack(t).text; }},
      {"delay", [&](std::string_view t) { return editor.CommitDelay(2, t).text; }},
      {"band frequency", [&](std::string_view t) { return editor.CommitBandFrequency(3, t).text; }},
      {"band Q", [&](std::string_view t) { return editor.CommitBandQ(3, t).text; }},
      {"band gain", [&](std::string_view t) { return editor.CommitBandGain(3, t).text; }},
  };
  const std::vector<std::string> shown = {"6dB",     "6dB",   "OFF", "20000Hz", "6.0dBu", "20ms",
                                          "0.000",   "40",    "7.60", "0.0"};
  for (const char* typo : {"x", "abc", "-", "\xE2\x88\x92", ""}) {
    for (size_t i = 0; i < fields.size(); ++i) {
      // The field shows the value it holds again.
      EXPECT_EQ(fields[i].second(typo), shown[i]) << fields[i].first << " \"" << typo << "\"";
      ExpectNothingChanged(before, fields[i].first + " \"" + typo + "\"");
    }
  }
  for (int unit : {kDelayCm, kDelayIn}) {
    editor.SetDelayUnit(unit);
    EXPECT_EQ(editor.CommitDelay(2, "cm").text, "0.00");
    ExpectNothingChanged(before, "delay in another unit");
  }
  // "OFF" keeps its meaning where the field takes it, and only there.
  EXPECT_EQ(editor.CommitFilterFrequency(Filter::kLowPass, "OFF").text, "20000Hz");
  ExpectNothingChanged(before, "low-pass OFF");
  editor.CommitChannelVolume(2, "off");
  EXPECT_EQ(store.GetParam(param::Volume(2)), 0);
}

TEST_F(EditSafetyTest, StepsThroughTheFieldsComeBackWhereTheyStarted) {
  // The limiter threshold from its lowest value: up is -29.9, not -29.8.
  editor.CommitThreshold("-30");
  EXPECT_EQ(editor.StepThreshold("-30.0dBu", 1).text, "-29.9dBu");
  EXPECT_EQ(editor.StepThreshold("-29.9dBu", 1).text, "-29.8dBu");
  EXPECT_EQ(editor.StepThreshold("-29.8dBu", -1).text, "-29.9dBu");
  EXPECT_EQ(editor.StepThreshold("-29.9dBu", -1).text, "-30.0dBu");
  EXPECT_EQ(static_cast<int16_t>(store.GetParam(param::Threshold(2))), -3000);
  // Attack across 1 ms both ways.
  editor.CommitAttack("0.9");
  EXPECT_EQ(editor.StepAttack("0.9ms", 1).text, "1ms");
  EXPECT_EQ(editor.StepAttack("1ms", -1).text, "0.9ms");
  EXPECT_EQ(store.GetParam(param::Attack(2)), 90);
  // Delays one sample each way in every unit, from what the field shows.
  for (int unit : {kDelayMs, kDelayCm, kDelayIn}) {
    editor.SetDelayUnit(unit);
    editor.CommitDelay(2, "0");
    std::string text = editor.DelayText(2);
    for (int i = 1; i <= 50; ++i) {
      text = editor.StepDelay(2, text, 1).text;
      ASSERT_EQ(store.GetParam(param::Delay(2)), i) << DelayUnitName(unit);
    }
    for (int i = 49; i >= 0; --i) {
      text = editor.StepDelay(2, text, -1).text;
      ASSERT_EQ(store.GetParam(param::Delay(2)), i) << DelayUnitName(unit);
    }
  }
  // A band gain from a typed "4.1": one step up is 4.2 (not 4.19).
  EXPECT_EQ(editor.StepBandGain(8, "4.1", 1).text, "4.2");
  EXPECT_EQ(Gain(8), 420);
  EXPECT_EQ(editor.StepBandGain(8, "4.2", -1).text, "4.1");
  EXPECT_EQ(Gain(8), 410);
  // Enter (a step of 0) holds a typed Q as typed.
  EXPECT_EQ(editor.StepBandQ(8, "0.57", 0).text, "0.57");
  EXPECT_EQ(store.GetParam(param::EqQ(2, 8)), 57);
  // A typo steps from the value held.
  editor.CommitChannelVolume(3, "-10");
  EXPECT_EQ(editor.StepChannelVolume(3, "x", 1).text, "-9dB");
}

TEST_F(EditSafetyTest, DragsThatDoNotMoveAValueChangeNothing) {
  const EffectBlock before = store.Block();
  const EqAxes axes(36, 13, 1289, 176, 17, 20, -20);
  const double x = axes.FrequencyToX(store.GetParam(param::EqFreq(2, 8)));
  const double y = axes.GainToY(0.0);
  // Pressed and let go; moved sideways in GEQ mode.
  EXPECT_FALSE(editor.DragBand(8, axes, std::nullopt, std::nullopt).Any());
  EXPECT_FALSE(editor.DragBand(8, axes, x + 30, std::nullopt).Any());
  ExpectNothingChanged(before, "band handle in GEQ");
  // In PEQ mode a handle moved only up or down keeps its frequency exactly,
  // and one moved only sideways its gain.
  editor.SetPeqMode(true);
  EXPECT_FALSE(editor.DragBand(8, axes, std::nullopt, std::nullopt).Any());
  // A Q handle pressed and let go, on a typed Q between two table steps.
  store.WriteParamLocal(param::EqQ(2, 8), 57);
  EXPECT_FALSE(editor.DragQ(8, 0).Any());
  EXPECT_EQ(store.GetParam(param::EqQ(2, 8)), 57);
  store.WriteParamLocal(param::EqQ(2, 8), ReadParam(before, param::EqQ(2, 8)));
  ExpectNothingChanged(before, "PEQ handles pressed");

  const int freq = store.GetParam(param::EqFreq(2, 8));
  BandChanges c = editor.DragBand(8, axes, std::nullopt, y - 20);
  EXPECT_TRUE(c.Changed(param::EqGain(2, 8)));
  EXPECT_EQ(store.GetParam(param::EqFreq(2, 8)), freq);
  const int16_t gain = Gain(8);
  editor.DragBand(8, axes, x + 25, std::nullopt);
  EXPECT_NE(store.GetParam(param::EqFreq(2, 8)), freq);
  EXPECT_EQ(Gain(8), gain);
}

TEST_F(EditSafetyTest, CompensationCountsTheGainsABandEditGivesBack) {
  store.SetParam(param::kMainVol, 60);
  store.SetParam(param::Volume(2), 60);
  store.SetParam(param::EqGain(4, 0), 0);
  // Bypass ends with this edit: band 1's +6 dB comes back with it.
  editor.SetBypass(false);
  store.SetParam(param::EqGain(2, 0), 600);
  editor.SetBypass(true);
  EXPECT_EQ(store.GetParam(param::Volume(2)), 60);
  editor.CommitBandGain(10, "1");
  EXPECT_EQ(store.GetParam(param::kPassCtrl), 0);
  EXPECT_EQ(Gain(0), 600);
  EXPECT_EQ(store.GetParam(param::Volume(2)), 54);  // -6 dB for the +6 dB band, not -1 dB
  EXPECT_EQ(store.SavedChannelLevel(2), 60);
}

TEST_F(EditSafetyTest, ABypassGivesBackEveryBandIncludingOneHeldOnItsOwn) {
  editor.SetBypass(false);
  EXPECT_EQ(Gain(5), -300);
  EXPECT_EQ(Gain(0), 150);
  EXPECT_FALSE(store.IsBandHeldBack(2, 5));
  // The processor gets the -3 dB it held as 0.
  bool sent = false;
  for (const auto& transfer : device.transfers)
    if (auto it = transfer.find(param::EqGain(2, 5)); it != transfer.end()) sent = static_cast<int16_t>(it->second) == -300;
  EXPECT_TRUE(sent);
  // On and off once more: every gain again.
  editor.SetBypass(true);
  editor.SetBypass(false);
  for (int b = 0; b < kBandCount; ++b) EXPECT_EQ(Gain(b), b == 5 ? -300 : 150) << b;
}

}  // namespace
}  // namespace brisvel::editing
