// The device-mode recall flow: its refusals, the settle wait and the cleared
// link groups, and a recall from a simulated processor through the device manager.
#include "editing/recall.h"

#include <gtest/gtest.h>

#include "device/device_test_support.h"
#include "editing_test_support.h"

namespace brisvel::editing {
namespace {

TEST(RecallFlowTest, RefusesWithoutSelectionOrProcessorAndKeepsTheEditorOnFailure) {
  CEffectStore store;
  std::vector<int> waits;
  auto wait = [&](int ms) { waits.push_back(ms); };
  {
    testing::FakeProcessorLink device(store);
    store.SetConnectedFlag(false);
    EXPECT_EQ(RecallDeviceModeFlow(store, device, 1, wait).status, RecallStatus::kNotConnected);
    store.SetConnectedFlag(true);
    EXPECT_EQ(RecallDeviceModeFlow(store, device, -1, wait).status, RecallStatus::kNoSelection);
    EXPECT_TRUE(device.recalls.empty());

    store.SetLinkFlags({3, 0, 0, 0});
    device.recallAccepted = false;
    const RecallOutcome failed = RecallDeviceModeFlow(store, device, 1, wait);
    EXPECT_EQ(failed.status, RecallStatus::kRecallFailed);
    EXPECT_EQ(store.LinkFlag(0), 3);
    EXPECT_EQ(device.reads, 0);
    EXPECT_TRUE(waits.empty());

    device.recallAccepted = true;
    const RecallOutcome ok = RecallDeviceModeFlow(store, device, 8, wait);  // the factory setting
    EXPECT_EQ(ok.status, RecallStatus::kRecalled);
    EXPECT_TRUE(ok.blockRead);
    EXPECT_EQ(waits, std::vector<int>({kRecallSettleMs}));
    EXPECT_EQ(store.LinkFlags(), (std::array<int32_t, 4>{}));
    EXPECT_EQ(device.reads, 1);

    // The recall-only slots are not read; a failed read is reported, the recall stands.
    EXPECT_FALSE(RecallDeviceModeFlow(store, device, 9, wait).blockRead);
    EXPECT_EQ(device.reads, 1);
    device.readAccepted = false;
    const RecallOutcome unread = RecallDeviceModeFlow(store, device, 0, wait);
    EXPECT_EQ(unread.status, RecallStatus::kRecalled);
    EXPECT_FALSE(unread.blockRead);
  }
}

class RecallFromProcessorTest : public brisvel::testing::ManagerFixture {};

TEST_F(RecallFromProcessorTest, LoadsTheRecalledModesBlockIntoTheEditor) {
  auto processor = PlugAndConnect();
  sim::SimState state = processor->State();
  state.slots[2] = FactoryBlock();
  WriteParam(state.slots[2], param::Volume(4), 33);
  WriteParam(state.slots[2], param::EqGain(1, 3), static_cast<uint16_t>(-700));
  processor->SetState(state);
  store.SetLinkFlags({0, 5, 0, 0});
  store.SetBypassedBand(1, 3, true, 0);

  DeviceEditLink link(store, *manager);
  int waited = 0;
  const RecallOutcome outcome = RecallDeviceModeFlow(store, link, 2, [&](int ms) { waited += ms; });
  EXPECT_EQ(outcome.status, RecallStatus::kRecalled);
  EXPECT_TRUE(outcome.blockRead);
  EXPECT_EQ(waited, kRecallSettleMs);
  EXPECT_EQ(store.CurrentDeviceMode(), 2);
  EXPECT_EQ(store.GetParam(param::Volume(4)), 33);
  EXPECT_EQ(static_cast<int16_t>(store.GetParam(param::EqGain(1, 3))), -700);
  EXPECT_EQ(store.LinkFlags(), (std::array<int32_t, 4>{}));
  EXPECT_FALSE(store.IsBandHeldBack(1, 3));
  EXPECT_EQ(brisvel::testing::CountCode(processor->Requests(), 0x92), 1);

  // Unplugged: the recall fails and the editor keeps the block it has.
  backend.Unplug(path);
  const RecallOutcome gone = RecallDeviceModeFlow(store, link, 3, [](int) {});
  EXPECT_NE(gone.status, RecallStatus::kRecalled);
  EXPECT_EQ(store.GetParam(param::Volume(4)), 33);
}

}  // namespace
}  // namespace brisvel::editing
