// The processor's wire format: 64-byte request and reply frames, their
// checksum, the reply check, and the request payload and reply reading of
// every command. Pure functions over bytes; no I/O here.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "core/param_table.h"

namespace brisvel::frames {

constexpr size_t kFrameSize = 64;
constexpr size_t kDataOffset = 4;
constexpr size_t kDataSize = 59;  // bytes 4-62
constexpr size_t kChecksumByte = 63;
constexpr int kCheckedLength = 63;  // bytes covered by the checksum
constexpr uint8_t kStatusAccepted = 0xFF;

using Frame = std::array<uint8_t, kFrameSize>;

namespace cmd {
constexpr uint8_t kLinkKey = 0x0E;
constexpr uint8_t kFirmwareStart = 0x26;
constexpr uint8_t kFirmwareChunk = 0x28;
constexpr uint8_t kUnsolicitedReport = 0x7E;
constexpr uint8_t kDeviceInfo = 0x82;
constexpr uint8_t kHandshake = 0x90;
constexpr uint8_t kRecallMode = 0x92;
constexpr uint8_t kCurrentMode = 0x94;
constexpr uint8_t kReadChunk = 0x96;
constexpr uint8_t kWriteChunk = 0x98;
constexpr uint8_t kWriteParams = 0x9C;
constexpr uint8_t kSaveMode = 0x9E;
constexpr uint8_t kInputMode = 0xA6;
}  // namespace cmd

// The reply to a request carries the request code plus 1, modulo 256.
constexpr uint8_t ReplyCode(uint8_t requestCode) { return static_cast<uint8_t>(requestCode + 1); }

// Checksum of bytes 0 to length-1.
uint8_t FrameChecksum(const Frame& frame, int length = kCheckedLength);
// Puts the checksum of bytes 0-62 into byte 63.
void SealFrame(Frame& frame);

enum class ReplyFault { kNone, kChecksum, kCommand, kStatus };
// The three reply checks in order: checksum, command code, status 0xFF.
ReplyFault CheckReplyFrame(const Frame& reply, uint8_t expectedCommand, int length = kCheckedLength);

// --- Block transfer: 21 chunks of 59 bytes, the last one 26 bytes.
constexpr int kBlockChunks = 21;
constexpr size_t ChunkOffset(int chunk) { return static_cast<size_t>(chunk) * kDataSize; }
constexpr size_t ChunkLength(int chunk) {
  if (chunk < 0 || ChunkOffset(chunk) >= kBlockSize) return 0;
  return ChunkOffset(chunk) + kDataSize <= kBlockSize ? kDataSize : kBlockSize - ChunkOffset(chunk);
}

// --- Requests (checksum byte left 0; SendAndReceive seals them).
Frame LinkKeyRequest(const std::array<uint32_t, 4>& values);
// A random draw r in 0..32767 becomes r x 32767 / 32768, as the processor expects.
constexpr uint32_t LinkKeyValue(uint32_t draw15) { return draw15 * 32767u / 32768u; }
Frame FirmwareStartRequest(uint32_t size);
Frame FirmwareChunkRequest(uint16_t index, std::span<const uint8_t> data);  // 1-32 bytes
Frame DeviceInfoRequest();
Frame HandshakeRequest(uint32_t id1, uint32_t id2);
Frame RecallModeRequest(int slot);  // byte 4 = slot + 1
Frame CurrentModeRequest();
Frame ReadChunkRequest(int chunk);
Frame WriteChunkRequest(int chunk, const EffectBlock& block);
Frame SaveModeRequest(int slot);
Frame InputModeQuery();
Frame InputModeSet(int mode);

constexpr int kFirmwareChunkSize = 32;
constexpr uint32_t kFirmwareMaxSize = 65536;
constexpr uint32_t FirmwareChunkCount(uint32_t size) { return (size + kFirmwareChunkSize - 1) / kFirmwareChunkSize; }

// --- Parameter batches (0x9C): up to 11 items of 5 bytes from byte 5.
constexpr int kItemsPerFrame = 11;
struct ParamItem {
  uint16_t offset;
  uint8_t size;
  uint16_t value;
};
// Item of one parameter with the value the block holds now.
ParamItem ItemFromBlock(const EffectBlock& block, int index);
Frame WriteParamsRequest(int frameNumber, std::span<const ParamItem> items);
// The frames for the pending indices, ascending, 11 per frame, values read from the block.
std::vector<Frame> WriteParamsRequests(const std::map<int, uint16_t>& pending, const EffectBlock& block);
// The items a 0x9C request carries (for the processor side and for tests).
std::vector<ParamItem> ParseParamItems(const Frame& request);

// --- Reading requests, as the processor does (the simulated one and tests):
// every request built above reads back to what it was built from.
std::array<uint32_t, 4> ParseLinkKeyRequest(const Frame& request);
struct FirmwareStartFields {
  uint32_t chunks;  // bytes 6-7, big-endian
  uint32_t size;    // bytes 8-10, big-endian
};
FirmwareStartFields ParseFirmwareStartRequest(const Frame& request);
struct FirmwareChunkFields {
  uint16_t index;                   // bytes 1-2, big-endian
  std::span<const uint8_t> data;    // bytes 4-35, into the request
};
FirmwareChunkFields ParseFirmwareChunkRequest(const Frame& request);
struct HandshakeFields {
  bool open;  // byte 4 is 1
  uint32_t id1, id2;
};
HandshakeFields ParseHandshakeRequest(const Frame& request);
// The slot a recall or save names (byte 4 - 1; -1 for byte 0).
constexpr int ParseModeSlot(const Frame& request) { return static_cast<int>(request[4]) - 1; }
// The chunk a read or write names (byte 2).
constexpr int ParseChunkIndex(const Frame& request) { return request[2]; }
// The bytes a write of a chunk carries (empty for a chunk past the block).
std::span<const uint8_t> ChunkData(const Frame& request);
struct InputModeFields {
  bool set;  // byte 4: 0 a query, 1 a change
  int mode;  // byte 5
  bool valid;  // byte 4 is 0 or 1
};
InputModeFields ParseInputModeRequest(const Frame& request);

// --- Replies
struct CurrentModeReply {
  int modeByte;      // byte 4: active slot + 1
  int databaseSize;  // bytes 5-6, little-endian
};
CurrentModeReply ParseCurrentMode(const Frame& reply);
constexpr bool HandshakeAccepted(const Frame& reply) { return reply[4] == 1; }

// Device information kept from the last 0x82 reply.
struct DeviceInformation {
  std::array<uint8_t, 7> bytes4to10{};
  uint16_t value11 = 0;                // bytes 11-12
  std::array<uint32_t, 5> values13{};  // bytes 13-32
  uint16_t value35 = 0;                // bytes 35-36
};
DeviceInformation ParseDeviceInformation(const Frame& reply);
// Copies one item (2-9) to out as the processor reports it; false when out is
// absent, size is too small or the item is not listed.
bool DeviceInformationItem(const DeviceInformation& info, int item, void* out, int size);
struct DeviceDate {
  uint16_t year, month, day;
};
DeviceDate DeviceInformationDate(const DeviceInformation& info);

}  // namespace brisvel::frames
