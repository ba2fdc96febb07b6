// The store's processor operations and the protocol object's own commands
// against the simulated processor: the frames each one sends, what it does
// with the replies, and what it leaves behind when a step fails.
#include <gtest/gtest.h>

#include <numeric>

#include "device_test_support.h"

namespace brisvel {
namespace {

using frames::Frame;
using testing::CountCode;
using testing::ManagerFixture;

class DeviceCommandTest : public ManagerFixture {};

TEST_F(DeviceCommandTest, ConnectSequenceLoadsTheProcessorsBlock) {
  auto processor = std::make_shared<sim::SimProcessor>();
  sim::SimState state = processor->State();
  WriteParam(state.active, param::kMainVol, 42);
  WriteParam(state.active, param::EqGain(3, 30), static_cast<uint16_t>(-1200));
  state.currentMode = 2;
  state.inputMode = 1;
  processor->SetState(state);
  manager->SetHandshakeIds(0x01020304, 0x0A0B0C0D);
  processor->SetAcceptedIds(0x01020304, 0x0A0B0C0D);
  path = backend.Plug(processor);
  ASSERT_EQ(manager->RefreshDeviceList(), 1);
  ASSERT_TRUE(manager->ConnectDevice(0));

  const auto requests = processor->Requests();
  std::vector<uint8_t> expected = {0x0E, 0x90, 0xA6, 0x94};
  for (int i = 0; i < 21; ++i) expected.push_back(0x96);
  EXPECT_EQ(testing::Codes(requests), expected);
  for (int i = 0; i < 21; ++i) EXPECT_EQ(requests[4 + static_cast<size_t>(i)][2], i);
  EXPECT_EQ(requests[1][5], 0x04);
  EXPECT_EQ(requests[1][12], 0x0A);

  EXPECT_EQ(store.Block(), state.active);
  EXPECT_TRUE(store.ConnectedFlag());
  EXPECT_EQ(store.CurrentDeviceMode(), 2);
  EXPECT_EQ(store.InputMode(), 1);
  EXPECT_EQ(sink.connected, 1);
  EXPECT_EQ(manager->GetCurrentPath(), path);
  EXPECT_EQ(output.Count("RezUriru: ====Connect device=====\n"), 1);
  EXPECT_EQ(output.Count("设备的当前模式：3\n"), 1);
  EXPECT_EQ(output.Count("MainVol =   42"), 1);  // DumpParams after the read
}

TEST_F(DeviceCommandTest, RefusedHandshakeLeavesTheDeviceOpenButOffline) {
  auto processor = std::make_shared<sim::SimProcessor>();
  processor->SetRefuseHandshake(true);
  backend.Plug(processor);
  ASSERT_EQ(manager->RefreshDeviceList(), 1);
  store.SetParam(param::kMainVol, 10);
  ASSERT_TRUE(manager->ConnectDevice(0));
  EXPECT_TRUE(manager->IsDeviceOpen());
  EXPECT_FALSE(store.ConnectedFlag());
  EXPECT_EQ(store.GetParam(param::kMainVol), 10);  // not read
  EXPECT_EQ(sink.connected, 1);
  EXPECT_EQ(Handshake(store, *manager), kHandshakeRefused);
  processor->SetRefuseHandshake(false);
  EXPECT_EQ(Handshake(store, *manager), kHandshakeAccepted);
  EXPECT_TRUE(store.ConnectedFlag());
}

TEST_F(DeviceCommandTest, HandshakeWithWrongIdentifiersIsRefused) {
  auto processor = std::make_shared<sim::SimProcessor>();
  processor->SetAcceptedIds(7, 8);
  manager->SetHandshakeIds(7, 9);
  backend.Plug(processor);
  manager->RefreshDeviceList();
  ASSERT_TRUE(manager->ConnectDevice(0));
  EXPECT_FALSE(store.ConnectedFlag());
  EXPECT_EQ(Handshake(store, *manager), kHandshakeRefused);
}

TEST_F(DeviceCommandTest, HandshakeWithoutAProcessorAndWithASilentOne) {
  EXPECT_EQ(Handshake(store, *manager), kHandshakeNoProcessor);
  auto processor = std::make_shared<sim::SimProcessor>();
  backend.Plug(processor);
  // The handshake connects by itself; the connection runs its own handshake first.
  EXPECT_EQ(Handshake(store, *manager), kHandshakeAccepted);
  EXPECT_EQ(processor->HandshakeCount(), 2);
  processor->SetSilent(true);
  EXPECT_EQ(Handshake(store, *manager), kHandshakeNoReply);
  EXPECT_FALSE(store.ConnectedFlag());
}

TEST_F(DeviceCommandTest, PendingParametersGoAsBatchesWithValuesAtSendTime) {
  auto processor = PlugAndConnect();
  // No timer: everything after the first edit waits for the flush.
  store.SetParam(param::Volume(0), 50);  // sent at once (quiet period)
  processor->ClearRequests();
  for (int k = 0; k < 6; ++k) store.SetParam(param::Delay(k), static_cast<uint16_t>(100 + k));
  for (int k = 0; k < 6; ++k) store.SetParam(param::Volume(k), static_cast<uint16_t>(30 + k));
  store.SetParam(param::Delay(0), 999);  // latest value wins, still one item
  ASSERT_EQ(store.PendingParams().size(), 12u);
  manager->Sender().FlushPending();

  const auto requests = processor->Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0][0], 0x9C);
  EXPECT_EQ(requests[0][2], 0);
  EXPECT_EQ(requests[0][4], 11);
  EXPECT_EQ(requests[1][2], 1);
  EXPECT_EQ(requests[1][4], 1);
  EXPECT_TRUE(store.PendingParams().empty());
  EXPECT_EQ(processor->State().active, store.Block());
  EXPECT_EQ(ReadParam(processor->State().active, param::Delay(0)), 999);
  EXPECT_EQ(output.Count("WriteCurrentParam=============================="), 2);
  EXPECT_EQ(output.Count(std::string("RezUriru: 【Send】 ") + std::string(9, ' ') +
                         "Delay_0 =  999(999) = 0x03E7  (2bytes) index=11 offset=11\n"),
            1);
}

TEST_F(DeviceCommandTest, FailedBatchKeepsWhatTheProcessorDidNotAccept) {
  auto processor = PlugAndConnect();
  for (int k = 0; k < 13; ++k) {
    store.WriteParamLocal(param::EqGain(0, k), static_cast<uint16_t>(k + 1));
    store.MarkPending(param::EqGain(0, k), static_cast<uint16_t>(k + 1));
  }
  // The first frame (11 items) is accepted; every try of the second is lost.
  processor->DropReplies(5, 1);
  EXPECT_FALSE(WriteCurrentParam(store, *manager));
  EXPECT_EQ(CountCode(processor->Requests(), 0x9C), 6);
  EXPECT_EQ(output.Count("WriteCurrentParam SendAndReceive return false.\n"), 1);
  ASSERT_EQ(store.PendingParams().size(), 2u);
  EXPECT_EQ(output.Count("parameters not accepted, kept for the next transfer: Box0_EQ11_Gain, Box0_EQ12_Gain"), 1);
  EXPECT_EQ(ReadParam(processor->State().active, param::EqGain(0, 10)), 11);

  // The next transfer sends just those two, with the values the block holds then.
  store.WriteParamLocal(param::EqGain(0, 11), 40);
  processor->ClearRequests();
  EXPECT_TRUE(WriteCurrentParam(store, *manager));
  ASSERT_EQ(processor->Requests().size(), 1u);
  EXPECT_EQ(processor->Requests()[0][2], 0);
  EXPECT_EQ(processor->Requests()[0][4], 2);
  EXPECT_TRUE(store.PendingParams().empty());
  EXPECT_EQ(ReadParam(processor->State().active, param::EqGain(0, 11)), 40);

  // A processor that hears nothing leaves everything pending.
  store.MarkPending(param::kMainVol, 2);
  store.MarkPending(param::Volume(1), 3);
  processor->SetRequestsLost(true);
  EXPECT_FALSE(WriteCurrentParam(store, *manager));
  EXPECT_EQ(store.PendingParams().size(), 2u);
}

TEST_F(DeviceCommandTest, BlockReadWithAWrongChunkIndexKeepsTheOldBlock) {
  auto processor = PlugAndConnect();
  sim::SimState state = processor->State();
  WriteParam(state.active, param::kMainVol, 12);
  processor->SetState(state);
  const EffectBlock before = store.Block();
  processor->WrongChunkIndex(7, 6);
  EXPECT_FALSE(ReadCurrentParam(store, *manager));
  EXPECT_EQ(store.Block(), before);
  EXPECT_EQ(CountCode(processor->Requests(), 0x96), 8);  // stopped at chunk 7
  EXPECT_TRUE(ReadCurrentParam(store, *manager));
  EXPECT_EQ(store.GetParam(param::kMainVol), 12);
}

TEST_F(DeviceCommandTest, BlockReadOfInvalidValuesIsRefused) {
  auto processor = PlugAndConnect();
  sim::SimState state = processor->State();
  state.active[0] = 0xFF;
  state.active[1] = 0xFF;
  processor->SetState(state);
  const EffectBlock before = store.Block();
  EXPECT_FALSE(ReadCurrentParam(store, *manager));
  EXPECT_EQ(store.Block(), before);
  EXPECT_EQ(output.Count("########从设备获取到错误的界面值#######\n"), 1);
}

TEST_F(DeviceCommandTest, BlockReadRemovedMidTransferFailsAndDisconnects) {
  auto processor = PlugAndConnect();
  const EffectBlock before = store.Block();
  hid::HidDeviceInfo removed;
  struct Forward final : hid::IHotplugSink {
    std::vector<hid::HidDeviceInfo> removals;
    void OnHidDeviceChange(hid::HotplugAction a, const hid::HidDeviceInfo& d) override {
      if (a == hid::HotplugAction::kRemoval) removals.push_back(d);
    }
  } forward;
  auto subscription = backend.SubscribeHotplug(forward);
  processor->UnplugAfterRequests(10);  // the current-mode query and 9 chunks pass
  EXPECT_FALSE(ReadCurrentParam(store, *manager));
  EXPECT_EQ(store.Block(), before);
  ASSERT_EQ(forward.removals.size(), 1u);
  manager->OnHotplug(hid::HotplugAction::kRemoval, forward.removals[0]);
  EXPECT_FALSE(manager->IsDeviceOpen());
  EXPECT_EQ(sink.disconnected, 1);
}

TEST_F(DeviceCommandTest, WholeBlockWriteSendsTwentyOneChunks) {
  auto processor = PlugAndConnect();
  EffectBlock block = FactoryBlock();
  for (size_t i = 0; i < block.size(); i += 13) block[i] = static_cast<uint8_t>(i);
  EXPECT_TRUE(WriteAllParam(store, *manager, block));
  EXPECT_EQ(store.Block(), block);
  EXPECT_EQ(CountCode(processor->Requests(), 0x98), 21);
  EXPECT_EQ(processor->State().active, block);

  // Through the store: LoadBlock sends when connected.
  processor->ClearRequests();
  EffectBlock other = FactoryBlock();
  other[4] = 3;
  EXPECT_TRUE(store.LoadBlock(other));
  EXPECT_EQ(processor->State().active, other);

  // The first failed chunk ends the transfer.
  processor->ClearRequests();
  processor->UnplugAfterRequests(3);
  EXPECT_FALSE(WriteAllParam(store, *manager, block));
  EXPECT_EQ(store.Block(), block);  // made current even though the transfer failed
}

TEST_F(DeviceCommandTest, OperationsRefuseWhileNotConnected) {
  EffectBlock block = FactoryBlock();
  block[4] = 1;
  EXPECT_FALSE(WriteAllParam(store, *manager, block));
  EXPECT_EQ(store.Block(), block);
  EXPECT_FALSE(ReadCurrentParam(store, *manager));
  EXPECT_FALSE(RecallDeviceMode(store, *manager, 0));
  EXPECT_FALSE(SaveDeviceMode(store, *manager, 0));
  EXPECT_FALSE(SetInputMode(store, *manager, 1));
  store.MarkPending(4, 1);
  EXPECT_FALSE(WriteCurrentParam(store, *manager));
  // Kept; the next accepted handshake replaces the block and clears them.
  EXPECT_EQ(store.PendingParams().size(), 1u);
}

TEST_F(DeviceCommandTest, RecallAndSaveSlotLimits) {
  auto processor = PlugAndConnect();
  EXPECT_FALSE(RecallDeviceMode(store, *manager, 11));
  EXPECT_FALSE(RecallDeviceMode(store, *manager, -1));
  EXPECT_FALSE(SaveDeviceMode(store, *manager, 8));
  EXPECT_TRUE(processor->Requests().empty());

  EXPECT_TRUE(RecallDeviceMode(store, *manager, 10));
  ASSERT_EQ(processor->Requests().size(), 1u);
  EXPECT_EQ(processor->Requests()[0][4], 11);
  EXPECT_EQ(store.CurrentDeviceMode(), 10);

  // Save the active block into slot 3 (mode D), recall it later.
  processor->ClearRequests();
  store.SetParam(param::kMainVol, 20);
  EXPECT_TRUE(SaveDeviceMode(store, *manager, 3));
  EXPECT_EQ(processor->Requests().back()[4], 4);
  EXPECT_EQ(store.CurrentDeviceMode(), 10);  // saving does not change the mode
  EXPECT_TRUE(RecallDeviceMode(store, *manager, 0));
  EXPECT_TRUE(ReadCurrentParam(store, *manager));
  EXPECT_EQ(store.GetParam(param::kMainVol), 66);
  EXPECT_TRUE(RecallDeviceMode(store, *manager, 3));
  EXPECT_TRUE(ReadCurrentParam(store, *manager));
  EXPECT_EQ(store.GetParam(param::kMainVol), 20);
  EXPECT_EQ(store.CurrentDeviceMode(), 3);
}

TEST_F(DeviceCommandTest, CurrentModeReplyOutOfRangeFails) {
  auto processor = PlugAndConnect();
  for (int bad : {-1, 11}) {  // mode bytes 0 and 12
    sim::SimState state = processor->State();
    state.currentMode = bad;
    processor->SetState(state);
    output.Clear();
    EXPECT_FALSE(GetDeviceCurrentMode(store, *manager));
    EXPECT_EQ(store.CurrentDeviceMode(), -1);
    EXPECT_EQ(output.Count(FormatString("RezUriru: GetDeviceCurrentMode failed. mode=%d recvLen=1206 dataBaseSize=1206\n",
                                        bad + 1)),
              1);
  }
  sim::SimState state = processor->State();
  state.currentMode = 10;
  processor->SetState(state);
  EXPECT_TRUE(GetDeviceCurrentMode(store, *manager));
  EXPECT_EQ(store.CurrentDeviceMode(), 10);
}

TEST_F(DeviceCommandTest, InputModeQueryAndSet) {
  auto processor = PlugAndConnect();
  EXPECT_EQ(store.InputMode(), 0);
  EXPECT_FALSE(SetInputMode(store, *manager, 2));
  EXPECT_TRUE(processor->Requests().empty());
  EXPECT_TRUE(SetInputMode(store, *manager, 1));
  const Frame set = processor->Requests().back();
  EXPECT_EQ(set[4], 1);
  EXPECT_EQ(set[5], 1);
  EXPECT_EQ(store.InputMode(), 1);
  EXPECT_EQ(processor->State().inputMode, 1);
  EXPECT_EQ(Handshake(store, *manager), kHandshakeAccepted);
  EXPECT_EQ(store.InputMode(), 1);
}

TEST_F(DeviceCommandTest, SetOfflineKeepsEditsLocalButMarkedOnesStillGo) {
  auto processor = PlugAndConnect();
  store.SetParam(param::kMainVol, 1);  // sent at once
  store.SetParam(param::kMainVol, 2);  // marked, waiting for the timer
  ASSERT_EQ(store.PendingParams().size(), 1u);
  EXPECT_TRUE(SetOffline(store));
  store.SetParam(param::Volume(1), 3);  // not marked
  EXPECT_EQ(store.PendingParams().size(), 1u);
  manager->Sender().OnSendTimer();
  EXPECT_EQ(ReadParam(processor->State().active, param::kMainVol), 2);
  EXPECT_EQ(ReadParam(processor->State().active, param::Volume(1)), 66);
}

TEST_F(DeviceCommandTest, DeviceInformationQuery) {
  auto processor = PlugAndConnect();
  uint8_t byte = 0xAA;
  EXPECT_TRUE(manager->GetDeviceInfo(2, &byte, 1));
  EXPECT_EQ(byte, 0);  // nothing read yet
  EXPECT_FALSE(manager->DeviceCommand(3, nullptr, 0));
  EXPECT_TRUE(manager->DeviceCommand(CProtocolDev::kCommandDeviceInfo, nullptr, 0));
  EXPECT_EQ(processor->Requests().back()[0], 0x82);
  uint16_t ymd[3] = {};
  EXPECT_TRUE(manager->GetDeviceInfo(5, ymd, sizeof ymd));
  EXPECT_EQ(ymd[0], 2024);
  EXPECT_EQ(ymd[1], 5);
  EXPECT_EQ(ymd[2], 17);
  processor->SetSilent(true);
  EXPECT_FALSE(manager->DeviceCommand(CProtocolDev::kCommandDeviceInfo, nullptr, 0));
  EXPECT_EQ(output.TraceCount("CProtocolDev::UpdateDeviceInfo -- 0x82 failed\n"), 1);
}

TEST_F(DeviceCommandTest, FirmwareTransferChunksAndLimits) {
  auto processor = PlugAndConnect();
  std::vector<uint8_t> image(65536);
  std::iota(image.begin(), image.end(), 0);
  for (size_t i = 0; i < image.size(); i += 7) image[i] ^= static_cast<uint8_t>(i >> 8);
  EXPECT_TRUE(manager->DeviceCommand(CProtocolDev::kCommandFirmware, image.data(), static_cast<int>(image.size())));
  const auto requests = processor->Requests();
  ASSERT_EQ(requests.size(), 2049u);
  EXPECT_EQ(requests[0][0], 0x26);
  EXPECT_EQ(requests[0][6], 0x08);
  EXPECT_EQ(requests[0][7], 0x00);
  EXPECT_EQ(requests[0][8], 0x01);
  EXPECT_EQ(requests[0][9], 0x00);
  EXPECT_EQ(requests[0][10], 0x00);
  EXPECT_EQ(requests[2048][1], 0x07);
  EXPECT_EQ(requests[2048][2], 0xFF);
  EXPECT_EQ(processor->FirmwareImage(), image);

  processor->ClearRequests();
  std::vector<uint8_t> tooBig(65537);
  EXPECT_FALSE(manager->DeviceCommand(CProtocolDev::kCommandFirmware, tooBig.data(), 65537));
  EXPECT_EQ(output.TraceCount("CProtocolDev::UpdateFirmware data size is more than 64k\n"), 1);
  EXPECT_FALSE(manager->DeviceCommand(CProtocolDev::kCommandFirmware, nullptr, 10));
  EXPECT_FALSE(manager->DeviceCommand(CProtocolDev::kCommandFirmware, image.data(), 0));
  EXPECT_EQ(output.TraceCount("CProtocolDev::UpdateFirmware invalid parameter.\n"), 2);
  EXPECT_TRUE(processor->Requests().empty());

  std::vector<uint8_t> small(33, 0x5A);
  EXPECT_TRUE(manager->DeviceCommand(CProtocolDev::kCommandFirmware, small.data(), 33));
  const auto smallRequests = processor->Requests();
  ASSERT_EQ(smallRequests.size(), 3u);
  EXPECT_EQ(smallRequests[2][2], 1);
  EXPECT_EQ(smallRequests[2][4], 0x5A);
  EXPECT_EQ(smallRequests[2][5], 0x00);
  EXPECT_EQ(processor->FirmwareImage(), small);

  processor->ClearRequests();
  processor->UnplugAfterRequests(2);
  EXPECT_FALSE(manager->DeviceCommand(CProtocolDev::kCommandFirmware, small.data(), 33));
  EXPECT_EQ(output.TraceCount("CProtocolDev::UpdateFirmware send cmd-0x28 failed. index=1\n"), 1);
}

TEST_F(DeviceCommandTest, LinkKeyFailureFailsTheConnection) {
  auto processor = std::make_shared<sim::SimProcessor>();
  processor->SetSilent(true);
  backend.Plug(processor);
  manager->RefreshDeviceList();
  EXPECT_FALSE(manager->ConnectDevice(0));
  EXPECT_FALSE(manager->IsDeviceOpen());
  EXPECT_EQ(output.TraceCount("获取新的加密key失败！！\n"), 1);
  EXPECT_EQ(output.TraceCount("ERROR - OnConnectDevice failed.\n"), 1);
  EXPECT_EQ(sink.disconnected, 1);
  EXPECT_EQ(sink.connected, 0);
}

}  // namespace
}  // namespace brisvel

namespace brisvel {
namespace {

using testing::ManagerFixture;

class DeviceResultTest : public ManagerFixture {};

// Each way an operation can fail comes back as what happened, for which
// request and frame, and is the link's last failure, whatever the log says.
TEST_F(DeviceResultTest, OperationsSayWhatFailedWhereAndHow) {
  EXPECT_EQ(SaveDeviceMode(store, *manager, 0), DeviceResult::Failed(DeviceOutcome::kNotConnected, 0x9E));
  auto processor = PlugAndConnect();
  // Nothing reads the log any more: with no sink at all the results stay the same.
  SetErrorLogSink(nullptr);
  EXPECT_EQ(SaveDeviceMode(store, *manager, 8), DeviceResult::Failed(DeviceOutcome::kInvalid, 0x9E));
  EXPECT_TRUE(processor->Requests().empty());

  processor->DropReplies(5, 3);  // chunks 0 to 2 answered, every try of chunk 3 lost
  const DeviceResult lost = ReadCurrentParam(store, *manager);
  EXPECT_EQ(lost.outcome, DeviceOutcome::kTimedOut);
  EXPECT_EQ(lost.command, 0x96);
  EXPECT_EQ(lost.frame, 2);  // the mode query took the first reply
  EXPECT_EQ(manager->LastFailure(), lost);
  EXPECT_EQ(DescribeFailure(lost), "timeout on read block chunk (0x96), frame 2");

  manager->ClearLastFailure();
  EXPECT_TRUE(manager->LastFailure().ok());
  processor->CorruptReplies(5);
  const DeviceResult corrupt = RecallDeviceMode(store, *manager, 1);
  EXPECT_EQ(corrupt.outcome, DeviceOutcome::kBadReply);
  EXPECT_EQ(corrupt.fault, frames::ReplyFault::kChecksum);
  EXPECT_EQ(DescribeFailure(corrupt), "bad reply to recall device mode (0x92) (checksum)");

  processor->StatusZeroReplies(5);
  const DeviceResult refused = SetInputMode(store, *manager, 1);
  EXPECT_EQ(refused.outcome, DeviceOutcome::kRefused);
  EXPECT_EQ(DescribeFailure(refused), "input mode (0xA6) refused by the processor");

  processor->WrongChunkIndex(4, 3);
  const DeviceResult wrong = ReadCurrentParam(store, *manager);
  EXPECT_EQ(wrong, DeviceResult::Failed(DeviceOutcome::kBadReply, 0x96).InFrame(4));
  EXPECT_EQ(manager->LastFailure(), wrong);
  EXPECT_EQ(DescribeFailure(wrong), "bad reply to read block chunk (0x96), frame 4");

  // A parameter transfer names the frame of its 11-item batches that failed.
  for (int k = 0; k < 13; ++k) store.MarkPending(param::EqGain(0, k), 1);
  processor->DropReplies(5, 1);
  EXPECT_EQ(WriteCurrentParam(store, *manager), DeviceResult::Failed(DeviceOutcome::kTimedOut, 0x9C).InFrame(1));
  EXPECT_TRUE(ReadCurrentParam(store, *manager));
  EXPECT_EQ(DescribeFailure(DeviceResult::Failed(DeviceOutcome::kWriteFailed, 0x98).InFrame(20)),
            "cannot write write block chunk (0x98), frame 20 to the processor");
  EXPECT_EQ(CommandName(0x55), "request 0x55");
}

}  // namespace
}  // namespace brisvel
