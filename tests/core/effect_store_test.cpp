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
    store.connected = 1;
  }
  void TearDown() override { SetDebugOutputSink(nullptr); }

  std::vector<std::string> lines;
  FakeLink link;
  CEffectStore store;
};

TEST_F(EffectStoreTest, ConstructionState) {
  CEffectStore fresh;
  EXPECT_EQ(fresh.block, FactoryBlock());
  EXPECT_EQ(fresh.currentChannel, 4);
  EXPECT_EQ(fresh.currentDeviceMode, -1);
  EXPECT_EQ(fresh.inputMode, -1);
  EXPECT_EQ(fresh.delayUnit, 0);
  for (int v : fresh.savedChannelLevels) EXPECT_EQ(v, -1);
  EXPECT_EQ(fresh.responses[0].BandCount(), 0);
}

TEST_F(EffectStoreTest, SetParamWritesLogsAndMarks) {
  store.SetParam(param::HpFreq(0), 0x0190);
  EXPECT_EQ(store.block[24], 0x90);
  EXPECT_EQ(store.block[25], 0x01);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0],
            "RezUriru: SetParam Box0_HFliter_Freq =  400(400) = 0x0190  (2bytes) index=18 offset=24\n");
  EXPECT_EQ(store.pendingParams.at(18), 0x0190);
  EXPECT_EQ(link.schedules, 1);

  // The same value again: no log, no transfer.
  store.SetParam(param::HpFreq(0), 0x0190);
  EXPECT_EQ(lines.size(), 1u);
  EXPECT_EQ(link.schedules, 1);

  // A second edit of the same index overwrites the pending entry.
  store.SetParam(param::HpFreq(0), 80);
  EXPECT_EQ(store.pendingParams.size(), 1u);
  EXPECT_EQ(store.pendingParams.at(18), 80);
}

TEST_F(EffectStoreTest, OneByteParameterKeepsTheLowByte) {
  store.SetParam(param::Volume(0), 300);
  EXPECT_EQ(store.block[5], 44);
  EXPECT_EQ(store.GetParam(param::Volume(0)), 44);
  EXPECT_NE(lines.at(0).find("Volume_0 =  300(300) = 0x012C  (1bytes) index=5 offset=5"), std::string::npos);
  EXPECT_EQ(store.pendingParams.at(5), 300);
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
  store.connected = 0;
  store.SetParam(param::kMainVol, 40);
  EXPECT_EQ(store.GetParam(param::kMainVol), 40);
  EXPECT_EQ(lines.size(), 1u);
  EXPECT_TRUE(store.pendingParams.empty());
  EXPECT_EQ(link.schedules, 0);
  store.connected = 1;
  link.open = false;  // connected flag alone is not enough
  store.SetParam(param::kMainVol, 41);
  EXPECT_TRUE(store.pendingParams.empty());
  CEffectStore noLink;
  noLink.connected = 1;
  noLink.SetParam(param::kMainVol, 41);
  EXPECT_TRUE(noLink.pendingParams.empty());
}

TEST_F(EffectStoreTest, DumpParamsWritesEveryRow) {
  store.DumpParams();
  ASSERT_EQ(lines.size(), 618u);
  EXPECT_EQ(lines.front(), "RezUriru:         MuteCtrl =    0(0) = 0x0000  (1 bytes)\n");
  EXPECT_EQ(lines.back(), "RezUriru:        NoiseGate =    0(0) = 0x0000  (1 bytes)\n");
  EXPECT_EQ(lines[4], "RezUriru:          MainVol =   66(66) = 0x0042  (1 bytes)\n");
}

TEST_F(EffectStoreTest, LoadBlockReplacesResetsAndSends) {
  store.bypassedBandFlags[1][3] = 1;
  store.bypassedBandGains[1][3] = 500;
  store.savedChannelLevels[2] = 40;
  store.pendingParams[7] = 1;
  EffectBlock other = FactoryBlock();
  other[4] = 12;
  EXPECT_TRUE(store.LoadBlock(other));
  EXPECT_EQ(store.block, other);
  EXPECT_EQ(store.bypassedBandFlags[1][3], 0);
  EXPECT_EQ(store.bypassedBandGains[1][3], 0);
  EXPECT_EQ(store.savedChannelLevels[2], -1);
  EXPECT_EQ(store.pendingParams.size(), 1u);  // untouched
  EXPECT_EQ(link.fullWrites, 1);
  EXPECT_EQ(lines.size(), 618u);

  // Loading its own block keeps the editing state but still sends.
  store.savedChannelLevels[2] = 40;
  EXPECT_TRUE(store.LoadBlock(store.block));
  EXPECT_EQ(store.savedChannelLevels[2], 40);

  // Not connected: the block changes, the result is false, nothing is sent.
  store.connected = 0;
  other[4] = 13;
  EXPECT_FALSE(store.LoadBlock(other));
  EXPECT_EQ(store.block[4], 13);
  EXPECT_EQ(link.fullWrites, 2);
  link.writeResult = false;
  store.connected = 1;
  EXPECT_FALSE(store.LoadBlock(other));
}

TEST_F(EffectStoreTest, ResponsesFollowTheBlock) {
  store.responses[5].Recompute(17);  // builds the grid all six models share, as the EQ graph does
  for (const CEqResponse& model : store.responses) EXPECT_EQ(model.Grid(), &store.FrequencyGrid());
  EXPECT_EQ(store.FrequencyGrid().StartFrequency(), 17.0);
  store.SetParam(param::EqGain(2, 17), 1200);  // +12 dB at 1 kHz
  store.RebuildResponses();
  EXPECT_NEAR(store.responses[2].Peak(), 12.0, 0.2);
  EXPECT_EQ(store.responses[2].CurrentSection(), -1);
  EXPECT_DOUBLE_EQ(store.responses[3].Peak(), 0.0);
  store.SetParam(param::EqGain(2, 17), static_cast<uint16_t>(-600));
  EXPECT_TRUE(store.UpdateBandResponse(2, 17));
  EXPECT_EQ(store.responses[2].CurrentSection(), 17);
  EXPECT_DOUBLE_EQ(store.responses[2].Peak(), 0.0);
  store.SetParam(param::HpFreq(2), 80);
  store.UpdateHighPassResponse(2);
  EXPECT_EQ(store.responses[2].CurrentSection(), 31);
}

}  // namespace
}  // namespace brisvel
