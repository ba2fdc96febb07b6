// Exact bytes of every request frame, the reply check and the reply readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "device/frames.h"

namespace brisvel::frames {
namespace {

TEST(ProtocolFrames, ChecksumWorkedValues) {
  Frame f{};
  EXPECT_EQ(FrameChecksum(f), 0xFF);
  f[0] = 0x94;
  EXPECT_EQ(FrameChecksum(f), 0x6B);
  SealFrame(f);
  EXPECT_EQ(f[63], 0x6B);
  // Byte 63 itself is not covered.
  f[63] = 0x00;
  EXPECT_EQ(FrameChecksum(f), 0x6B);
}

TEST(ProtocolFrames, ReplyCheckOrderAndModuloCode) {
  Frame reply{};
  reply[0] = 0x95;
  reply[3] = 0xFF;
  SealFrame(reply);
  EXPECT_EQ(CheckReplyFrame(reply, 0x95), ReplyFault::kNone);
  EXPECT_EQ(CheckReplyFrame(reply, 0x97), ReplyFault::kCommand);

  Frame bad = reply;
  bad[63] ^= 1;
  EXPECT_EQ(CheckReplyFrame(bad, 0x97), ReplyFault::kChecksum);  // checksum is checked first

  Frame status = reply;
  status[3] = 0;
  SealFrame(status);
  EXPECT_EQ(CheckReplyFrame(status, 0x95), ReplyFault::kStatus);

  EXPECT_EQ(ReplyCode(0xFF), 0x00);
  EXPECT_EQ(ReplyCode(0x94), 0x95);
}

TEST(ProtocolFrames, SimpleRequests) {
  struct Case {
    Frame frame;
    std::vector<std::pair<int, uint8_t>> bytes;  // every non-zero byte
  };
  const std::vector<Case> cases = {
      {DeviceInfoRequest(), {{0, 0x82}}},
      {CurrentModeRequest(), {{0, 0x94}}},
      {RecallModeRequest(0), {{0, 0x92}, {4, 1}}},
      {RecallModeRequest(10), {{0, 0x92}, {4, 11}}},
      {SaveModeRequest(7), {{0, 0x9E}, {4, 8}}},
      {ReadChunkRequest(20), {{0, 0x96}, {2, 20}}},
      {InputModeQuery(), {{0, 0xA6}}},
      {InputModeSet(1), {{0, 0xA6}, {4, 1}, {5, 1}}},
      {HandshakeRequest(0x11223344, 0xAABBCCDD),
       {{0, 0x90}, {4, 1}, {5, 0x44}, {6, 0x33}, {7, 0x22}, {8, 0x11}, {9, 0xDD}, {10, 0xCC}, {11, 0xBB}, {12, 0xAA}}},
      {LinkKeyRequest({0x01020304, 0x7FFE, 1, 0x00ABCDEF}),
       {{0, 0x0E}, {6, 4}, {7, 3}, {8, 2}, {9, 1}, {12, 0xFE}, {13, 0x7F}, {24, 1}, {32, 0xEF}, {33, 0xCD}, {34, 0xAB}}},
      {FirmwareStartRequest(65536), {{0, 0x26}, {6, 0x08}, {8, 0x01}}},
      {FirmwareStartRequest(33), {{0, 0x26}, {7, 2}, {10, 33}}},
  };
  for (const auto& c : cases) {
    Frame expected{};
    for (const auto& [at, value] : c.bytes) expected[static_cast<size_t>(at)] = value;
    EXPECT_EQ(c.frame, expected) << "command 0x" << std::hex << int(c.bytes[0].second);
  }
  EXPECT_EQ(LinkKeyValue(32767), 32766u);
  EXPECT_EQ(LinkKeyValue(0), 0u);
}

TEST(ProtocolFrames, FirmwareChunkCarriesIndexHighByteFirst) {
  std::vector<uint8_t> data(32);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i + 1);
  const Frame f = FirmwareChunkRequest(0x0102, data);
  EXPECT_EQ(f[0], 0x28);
  EXPECT_EQ(f[1], 0x01);
  EXPECT_EQ(f[2], 0x02);
  EXPECT_EQ(f[3], 0x00);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), f.begin() + 4));
  EXPECT_EQ(f[36], 0);
  const uint8_t one = 0xAA;
  const Frame last = FirmwareChunkRequest(1, std::span<const uint8_t>(&one, 1));
  EXPECT_EQ(last[4], 0xAA);
  EXPECT_EQ(last[5], 0);
  EXPECT_EQ(FirmwareChunkCount(65536), 2048u);
  EXPECT_EQ(FirmwareChunkCount(33), 2u);
}

// What the processor reads from a request is what the request was built from.
TEST(ProtocolFrames, RequestsReadBackToWhatTheyWereBuiltFrom) {
  const std::array<uint32_t, 4> key = {1, 0x7FFE, 0x12345678, 0xFFFFFFFF};
  EXPECT_EQ(ParseLinkKeyRequest(LinkKeyRequest(key)), key);
  for (uint32_t size : {1u, 32u, 33u, 1000u, 65536u}) {
    const FirmwareStartFields start = ParseFirmwareStartRequest(FirmwareStartRequest(size));
    EXPECT_EQ(start.size, size);
    EXPECT_EQ(start.chunks, FirmwareChunkCount(size));
  }
  std::vector<uint8_t> data(32);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(0xF0 - i);
  const Frame chunkRequest = FirmwareChunkRequest(0x07FF, data);
  const FirmwareChunkFields chunk = ParseFirmwareChunkRequest(chunkRequest);
  EXPECT_EQ(chunk.index, 0x07FF);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), chunk.data.begin(), chunk.data.end()));

  const HandshakeFields hello = ParseHandshakeRequest(HandshakeRequest(0xCAFEBABE, 7));
  EXPECT_TRUE(hello.open);
  EXPECT_EQ(hello.id1, 0xCAFEBABE);
  EXPECT_EQ(hello.id2, 7u);
  for (int slot : {0, 7, 10}) {
    EXPECT_EQ(ParseModeSlot(RecallModeRequest(slot)), slot);
    EXPECT_EQ(ParseModeSlot(SaveModeRequest(slot)), slot);
  }

  EffectBlock block{};
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
  for (int c = 0; c < kBlockChunks; ++c) {
    EXPECT_EQ(ParseChunkIndex(ReadChunkRequest(c)), c);
    const Frame write = WriteChunkRequest(c, block);
    const auto bytes = ChunkData(write);
    ASSERT_EQ(bytes.size(), ChunkLength(c));
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), block.begin() + static_cast<long>(ChunkOffset(c))));
  }
  EXPECT_TRUE(ChunkData(WriteChunkRequest(kBlockChunks, block)).empty());

  EXPECT_FALSE(ParseInputModeRequest(InputModeQuery()).set);
  EXPECT_TRUE(ParseInputModeRequest(InputModeQuery()).valid);
  const InputModeFields four = ParseInputModeRequest(InputModeSet(1));
  EXPECT_TRUE(four.set && four.valid);
  EXPECT_EQ(four.mode, 1);
  Frame odd = InputModeQuery();
  odd[4] = 2;
  EXPECT_FALSE(ParseInputModeRequest(odd).valid);

  const std::vector<ParamItem> items = {{0x10, 1, 0x7F}, {0x4B0, 2, 0xBEEF}};
  const auto back = ParseParamItems(WriteParamsRequest(3, items));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].offset, 0x4B0);
  EXPECT_EQ(back[1].size, 2);
  EXPECT_EQ(back[1].value, 0xBEEF);
  EXPECT_EQ(back[0].value, 0x7F);
}

TEST(ProtocolFrames, BlockChunksCoverTheBlockExactly) {
  size_t total = 0;
  for (int i = 0; i < kBlockChunks; ++i) {
    EXPECT_EQ(ChunkOffset(i), total);
    total += ChunkLength(i);
  }
  EXPECT_EQ(total, kBlockSize);
  EXPECT_EQ(ChunkLength(20), 26u);
  EXPECT_EQ(ChunkOffset(20), 1180u);
  EXPECT_EQ(ChunkLength(21), 0u);  // past the block: no data, not a wrapped length

  EffectBlock block{};
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
  const Frame last = WriteChunkRequest(20, block);
  EXPECT_EQ(last[0], 0x98);
  EXPECT_EQ(last[1], 0);
  EXPECT_EQ(last[2], 20);
  EXPECT_EQ(last[4], block[1180]);
  EXPECT_EQ(last[29], block[1205]);
  EXPECT_EQ(last[30], 0);  // past the short chunk
}

TEST(ProtocolFrames, ParameterBatchesOfElevenWithValuesFromTheBlock) {
  EffectBlock block = FactoryBlock();
  std::map<int, uint16_t> pending;
  for (int k = 0; k < 6; ++k) pending[param::Volume(k)] = 1;  // remembered values are not what is sent
  for (int k = 0; k < 6; ++k) pending[param::Delay(k)] = 1;
  WriteParam(block, param::Delay(1), 0x1234);
  WriteParam(block, param::Volume(0), 44);

  const auto requests = WriteParamsRequests(pending, block);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0][0], 0x9C);
  EXPECT_EQ(requests[0][2], 0);
  EXPECT_EQ(requests[0][4], 11);
  EXPECT_EQ(requests[1][2], 1);
  EXPECT_EQ(requests[1][4], 1);

  // First item: Volume_0 at offset 5, size 1, value 44, high byte 0.
  const uint8_t volume0[5] = {5, 0, 1, 44, 0};
  EXPECT_TRUE(std::equal(std::begin(volume0), std::end(volume0), requests[0].begin() + 5));
  // Delay_1 is index 12, the seventh item: offset 13, size 2, 0x1234 little-endian.
  const uint8_t delay1[5] = {13, 0, 2, 0x34, 0x12};
  EXPECT_TRUE(std::equal(std::begin(delay1), std::end(delay1), requests[0].begin() + 5 + 5 * 7));
  // The twelfth parameter (Delay_5, offset 21) is alone in the second frame.
  const auto items = ParseParamItems(requests[1]);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].offset, 21);
  EXPECT_EQ(items[0].size, 2);

  EXPECT_TRUE(WriteParamsRequests({}, block).empty());
}

TEST(ProtocolFrames, CurrentModeAndDeviceInformationReplies) {
  Frame reply{};
  reply[4] = 3;
  reply[5] = 0xB6;
  reply[6] = 0x04;
  const auto mode = ParseCurrentMode(reply);
  EXPECT_EQ(mode.modeByte, 3);
  EXPECT_EQ(mode.databaseSize, 1206);

  Frame info{};
  info[4] = 0x7E;
  info[5] = 0x85;
  info[6] = 0xF1;  // day uses the low five bits: 17
  info[7] = 7;
  info[8] = 8;
  info[9] = 9;
  info[10] = 10;
  info[11] = 0x34;
  info[12] = 0x12;
  info[13] = 1;
  info[17] = 2;
  info[35] = 0xB6;
  info[36] = 0x04;
  const DeviceInformation parsed = ParseDeviceInformation(info);
  const DeviceDate date = DeviceInformationDate(parsed);
  EXPECT_EQ(date.year, 2024);
  EXPECT_EQ(date.month, 5);
  EXPECT_EQ(date.day, 17);

  uint8_t byte = 0;
  EXPECT_TRUE(DeviceInformationItem(parsed, 2, &byte, 1));
  EXPECT_EQ(byte, 8);
  EXPECT_TRUE(DeviceInformationItem(parsed, 3, &byte, 1));
  EXPECT_EQ(byte, 7);
  EXPECT_TRUE(DeviceInformationItem(parsed, 4, &byte, 1));
  EXPECT_EQ(byte, 9);
  EXPECT_TRUE(DeviceInformationItem(parsed, 6, &byte, 1));
  EXPECT_EQ(byte, 10);
  uint16_t word = 0;
  EXPECT_TRUE(DeviceInformationItem(parsed, 7, &word, 2));
  EXPECT_EQ(word, 0x1234);
  EXPECT_TRUE(DeviceInformationItem(parsed, 8, &word, 2));
  EXPECT_EQ(word, 1206);
  uint32_t values[5] = {};
  EXPECT_FALSE(DeviceInformationItem(parsed, 9, values, 19));
  EXPECT_TRUE(DeviceInformationItem(parsed, 9, values, 20));
  EXPECT_EQ(values[0], 1u);
  EXPECT_EQ(values[1], 2u);
  uint16_t ymd[3] = {};
  EXPECT_FALSE(DeviceInformationItem(parsed, 5, ymd, 5));
  EXPECT_TRUE(DeviceInformationItem(parsed, 5, ymd, 6));
  EXPECT_EQ(ymd[0], 2024);
  EXPECT_FALSE(DeviceInformationItem(parsed, 1, &byte, 1));
  EXPECT_FALSE(DeviceInformationItem(parsed, 10, &byte, 1));
  EXPECT_FALSE(DeviceInformationItem(parsed, 2, nullptr, 1));
  // The date fields wrap as the processor reads them.
  info[4] = 0xFF;
  info[5] = 0xFF;
  const DeviceDate wrapped = DeviceInformationDate(ParseDeviceInformation(info));
  EXPECT_EQ(wrapped.year, (0xFF * 16 | 0xF) % 10000);
  EXPECT_EQ(wrapped.month, 15 % 13);
}

}  // namespace
}  // namespace brisvel::frames
