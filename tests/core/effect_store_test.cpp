// SetParam, LoadBlock and DumpParams of the effect store, with a device-link double.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/debug_output.h"
#include "core/effect_store.h"

namespace brisvel {
namespace {

class FakeLink : public IEffectDeviceLink {
 public:
  bool HasProtocol() const override { return open; }
  void ScheduleSend() override { ++schedules; }
  bool WriteAllParam() override {
    ++fullWrites;
    return writeResult;
  }
  bool open = true;
  bool writeResult = true;
  int schedules = 0;
  int fullWrites = 0;
};

class EffectStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDebugOutputSink([this](std::string_view line) { lines.emplace_back(line); });
    store.SetDeviceLink(&link);
    store.SetConnectedFlag(true);
  }
  void TearDown() override { SetDebugOutputSink(nullptr); }

  std::vector<std::string> lines;
  FakeLink link;
  CEffectStore store;
};

TEST_F(EffectStoreTest, ConstructionState) {
  CEffectStore fresh;
  EXPECT_EQ(fresh.Block(), FactoryBlock());
  EXPECT_EQ(fresh.CurrentChannel(), 4);
  EXPECT_EQ(fresh.CurrentDeviceMode(), -1);
  EXPECT_EQ(fresh.InputMode(), -1);
  EXPECT_EQ(fresh.DelayUnit(), 0);
  for (int v : fresh.SavedChannelLevels()) EXPECT_EQ(v, -1);
  EXPECT_EQ(fresh.Response(0).BandCount(), 0);
}

TEST_F(EffectStoreTest, SetParamWritesLogsAndMarks) {
  store.SetParam(param::HpFreq(0), 0x0190);
  EXPECT_EQ(store.Block()[24], 0x90);
  EXPECT_EQ(store.Block()[25], 0x01);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0],
            "RezUriru: SetParam Box0_HFliter_Freq =  400(400) = 0x0190  (2bytes) index=18 offset=24\n");
  EXPECT_EQ(store.PendingParams().at(18), 0x0190);
  EXPECT_EQ(link.schedules, 1);

  // The same value again: no log, no transfer.
  store.SetParam(param::HpFreq(0), 0x0190);
  EXPECT_EQ(lines.size(), 1u);
  EXPECT_EQ(link.schedules, 1);

  // A second edit of the same index overwrites the pending entry.
  store.SetParam(param::HpFreq(0), 80);
  EXPECT_EQ(store.PendingParams().size(), 1u);
  EXPECT_EQ(store.PendingParams().at(18), 80);
}

TEST_F(EffectStoreTest, OneByteParameterKeepsTheLowByte) {
  store.SetParam(param::Volume(0), 300);
  EXPECT_EQ(store.Block()[5], 44);
  EXPECT_EQ(store.GetParam(param::Volume(0)), 44);
  EXPECT_NE(lines.at(0).find("Volume_0 =  300(300) = 0x012C  (1bytes) index=5 offset=5"), std::string::npos);
  EXPECT_EQ(store.PendingParams().at(5), 300);
  // 300 never compares equal to the stored byte, so it logs again.
  store.SetParam(param::Volume(0), 300);
  EXPECT_EQ(lines.size(), 2u);
}

TEST_F(EffectStoreTest, NegativeValueLoggedSigned) {
  store.SetParam(param::EqGain(2, 5), static_cast<uint16_t>(-456));
  EXPECT_NE(lines.at(0).find("Box2_EQ5_Gain = 65080(-456) = 0xFE38  (2bytes) index=244 offset=465"),
            std::string::npos);
}

TEST_F(EffectStoreTest, EditsWhileDisconnectedStayLocal) {
  store.SetConnectedFlag(false);
  store.SetParam(param::kMainVol, 40);
  EXPECT_EQ(store.GetParam(param::kMainVol), 40);
  EXPECT_EQ(lines.size(), 1u);
  EXPECT_TRUE(store.PendingParams().empty());
  EXPECT_EQ(link.schedules, 0);
  store.SetConnectedFlag(true);
  link.open = false;  // connected flag alone is not enough
  store.SetParam(param::kMainVol, 41);
  EXPECT_TRUE(store.PendingParams().empty());
  CEffectStore noLink;
  noLink.SetConnectedFlag(true);
  noLink.SetParam(param::kMainVol, 41);
  EXPECT_TRUE(noLink.PendingParams().empty());
}

TEST_F(EffectStoreTest, DumpParamsWritesEveryRow) {
  store.DumpParams();
  ASSERT_EQ(lines.size(), 618u);
  EXPECT_EQ(lines.front(), "RezUriru:         MuteCtrl =    0(0) = 0x0000  (1 bytes)\n");
  EXPECT_EQ(lines.back(), "RezUriru:        NoiseGate =    0(0) = 0x0000  (1 bytes)\n");
  EXPECT_EQ(lines[4], "RezUriru:          MainVol =   66(66) = 0x0042  (1 bytes)\n");
}

TEST_F(EffectStoreTest, LoadBlockReplacesResetsAndSends) {
  store.SetBypassedBand(1, 3, true, 500);
  store.SetSavedChannelLevel(2, 40);
  store.MarkPending(7, 1);
  EffectBlock other = FactoryBlock();
  other[4] = 12;
  EXPECT_TRUE(store.LoadBlock(other));
  EXPECT_EQ(store.Block(), other);
  EXPECT_FALSE(store.IsBandHeldBack(1, 3));
  EXPECT_EQ(store.BypassedBandGain(1, 3), 0);
  EXPECT_EQ(store.SavedChannelLevel(2), -1);
  EXPECT_EQ(store.PendingParams().size(), 1u);  // untouched
  EXPECT_EQ(link.fullWrites, 1);
  EXPECT_EQ(lines.size(), 618u);

  // Loading its own block keeps the editing state but still sends.
  store.SetSavedChannelLevel(2, 40);
  EXPECT_TRUE(store.LoadBlock(store.Block()));
  EXPECT_EQ(store.SavedChannelLevel(2), 40);

  // Not connected: the block changes, the result is false, nothing is sent.
  store.SetConnectedFlag(false);
  other[4] = 13;
  EXPECT_FALSE(store.LoadBlock(other));
  EXPECT_EQ(store.Block()[4], 13);
  EXPECT_EQ(link.fullWrites, 2);
  link.writeResult = false;
  store.SetConnectedFlag(true);
  EXPECT_FALSE(store.LoadBlock(other));
}

TEST_F(EffectStoreTest, RawWritesNeitherLogNorMark) {
  // A value the processor must not get: in the block, not logged, not pending.
  store.WriteParamLocal(param::kResetCtrl, 0x3F);
  EXPECT_EQ(store.GetParam(param::kResetCtrl), 0x3F);
  EXPECT_TRUE(lines.empty());
  EXPECT_FALSE(store.HasPendingParams());
  EXPECT_EQ(link.schedules, 0);

  // A block read from the processor drops the editing state that belonged to
  // the old one; a whole-block write keeps it. Neither logs nor sends.
  store.SetBypassedBand(1, 3, true, 500);
  store.SetSavedChannelLevel(2, 40);
  EffectBlock other = FactoryBlock();
  other[4] = 12;
  store.AssignBlock(other);
  EXPECT_EQ(store.Block(), other);
  EXPECT_TRUE(store.IsBandHeldBack(1, 3));
  EXPECT_EQ(store.SavedChannelLevel(2), 40);
  other[4] = 13;
  store.ReplaceBlock(other);
  EXPECT_EQ(store.Block(), other);
  EXPECT_FALSE(store.IsBandHeldBack(1, 3));
  EXPECT_EQ(store.BypassedBandGain(1, 3), 0);
  EXPECT_EQ(store.SavedChannelLevel(2), -1);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(link.fullWrites, 0);
}

TEST_F(EffectStoreTest, ResponsesFollowTheBlock) {
  store.Response(5).Recompute(17);  // builds the grid all six models share, as the EQ graph does
  for (int k = 0; k < kChannelCount; ++k) EXPECT_EQ(store.Response(k).Grid(), &store.FrequencyGrid());
  EXPECT_EQ(store.FrequencyGrid().StartFrequency(), 17.0);
  store.SetParam(param::EqGain(2, 17), 1200);  // +12 dB at 1 kHz
  store.RebuildResponses();
  EXPECT_NEAR(store.Response(2).Peak(), 12.0, 0.2);
  EXPECT_EQ(store.Response(2).CurrentSection(), -1);
  EXPECT_DOUBLE_EQ(store.Response(3).Peak(), 0.0);
  store.SetParam(param::EqGain(2, 17), static_cast<uint16_t>(-600));
  EXPECT_TRUE(store.UpdateBandResponse(2, 17));
  EXPECT_EQ(store.Response(2).CurrentSection(), 17);
  EXPECT_DOUBLE_EQ(store.Response(2).Peak(), 0.0);
  store.SetParam(param::HpFreq(2), 80);
  store.UpdateHighPassResponse(2);
  EXPECT_EQ(store.Response(2).CurrentSection(), 31);
}

TEST(EffectStoreOverlay, TheProcessorsViewKeepsTheGainsABypassHoldsBack) {
  CEffectStore store;
  const int gain = param::EqGain(2, 4);
  store.WriteParamLocal(gain, 0);
  store.SetBypassedBand(2, 4, true, 600, true);  // held by the bypass: the processor keeps +6 dB
  store.SetBypassedBand(2, 5, true, -300);       // held on its own: 0 there too
  EXPECT_EQ(store.GetParam(gain), 0);
  EXPECT_EQ(store.ProcessorValue(gain), 600);
  EXPECT_EQ(ReadParam(store.ProcessorBlock(), gain), 600);
  EXPECT_EQ(store.ProcessorValue(param::EqGain(2, 5)), 0);
  EXPECT_EQ(store.ProcessorOverlay().size(), 1u);
  // A value written for the processor is what it holds from then on.
  store.SetParam(gain, 150);
  EXPECT_EQ(store.ProcessorValue(gain), 150);
  store.SetBypassedBand(2, 4, true, 150, true);
  store.WriteParamLocal(gain, 0);
  store.ClearBypassedBands(2);
  EXPECT_TRUE(store.ProcessorOverlay().empty());
  store.SetBypassedBand(3, 1, true, 200, true);
  store.ReplaceBlock(FactoryBlock());
  EXPECT_TRUE(store.ProcessorOverlay().empty());
}

}  // namespace
}  // namespace brisvel
