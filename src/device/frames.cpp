// Frame layouts of the processor's commands, built and read byte by byte.
#include "device/frames.h"

#include <algorithm>
#include <cstring>

#include "core/checksum.h"

namespace brisvel::frames {
namespace {

Frame Request(uint8_t code) {
  Frame f{};
  f[0] = code;
  return f;
}

void PutLe32(Frame& f, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetLe32(const Frame& f, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(f[at + i]) << (8 * i);
  return v;
}

uint16_t GetLe16(const Frame& f, size_t at) { return static_cast<uint16_t>(f[at] | (f[at + 1] << 8)); }

}  // namespace

uint8_t FrameChecksum(const Frame& frame, int length) {
  const size_t n = std::clamp(length, 0, static_cast<int>(kFrameSize));
  return Checksum(std::span<const uint8_t>(frame.data(), n));
}

void SealFrame(Frame& frame) { frame[kChecksumByte] = FrameChecksum(frame, kCheckedLength); }

ReplyFault CheckReplyFrame(const Frame& reply, uint8_t expectedCommand, int length) {
  if (FrameChecksum(reply, length) != reply[kChecksumByte]) return ReplyFault::kChecksum;
  if (reply[0] != expectedCommand) return ReplyFault::kCommand;
  if (reply[3] != kStatusAccepted) return ReplyFault::kStatus;
  return ReplyFault::kNone;
}

Frame LinkKeyRequest(const std::array<uint32_t, 4>& values) {
  Frame f = Request(cmd::kLinkKey);
  PutLe32(f, 6, values[0]);
  PutLe32(f, 12, values[1]);
  PutLe32(f, 24, values[2]);
  PutLe32(f, 32, values[3]);
  return f;
}

Frame FirmwareStartRequest(uint32_t size) {
  Frame f = Request(cmd::kFirmwareStart);
  const uint32_t chunks = FirmwareChunkCount(size);
  f[6] = static_cast<uint8_t>(chunks >> 8);
  f[7] = static_cast<uint8_t>(chunks);
  f[8] = static_cast<uint8_t>(size >> 16);
  f[9] = static_cast<uint8_t>(size >> 8);
  f[10] = static_cast<uint8_t>(size);
  return f;
}

Frame FirmwareChunkRequest(uint16_t index, std::span<const uint8_t> data) {
  Frame f = Request(cmd::kFirmwareChunk);
  f[1] = static_cast<uint8_t>(index >> 8);
  f[2] = static_cast<uint8_t>(index);
  if (!data.empty()) std::memcpy(f.data() + 4, data.data(), std::min<size_t>(data.size(), kFirmwareChunkSize));
  return f;
}

Frame DeviceInfoRequest() { return Request(cmd::kDeviceInfo); }

Frame HandshakeRequest(uint32_t id1, uint32_t id2) {
  Frame f = Request(cmd::kHandshake);
  f[4] = 1;
  PutLe32(f, 5, id1);
  PutLe32(f, 9, id2);
  return f;
}

Frame RecallModeRequest(int slot) {
  Frame f = Request(cmd::kRecallMode);
  f[4] = static_cast<uint8_t>(slot + 1);
  return f;
}

Frame CurrentModeRequest() { return Request(cmd::kCurrentMode); }

Frame ReadChunkRequest(int chunk) {
  Frame f = Request(cmd::kReadChunk);
  f[2] = static_cast<uint8_t>(chunk);
  return f;
}

Frame WriteChunkRequest(int chunk, const EffectBlock& block) {
  Frame f = Request(cmd::kWriteChunk);
  f[1] = 0;
  f[2] = static_cast<uint8_t>(chunk);
  if (ChunkLength(chunk) > 0) {
    std::memcpy(f.data() + kDataOffset, block.data() + ChunkOffset(chunk), ChunkLength(chunk));
  }
  return f;
}

Frame SaveModeRequest(int slot) {
  Frame f = Request(cmd::kSaveMode);
  f[4] = static_cast<uint8_t>(slot + 1);
  return f;
}

Frame InputModeQuery() { return Request(cmd::kInputMode); }

Frame InputModeSet(int mode) {
  Frame f = Request(cmd::kInputMode);
  f[4] = 1;
  f[5] = static_cast<uint8_t>(mode);
  return f;
}

ParamItem ItemFromBlock(const EffectBlock& block, int index) {
  const ParamDef& row = ParamTable()[index];
  return ParamItem{static_cast<uint16_t>(row.offset), static_cast<uint8_t>(row.size), ReadParam(block, index)};
}

Frame WriteParamsRequest(int frameNumber, std::span<const ParamItem> items) {
  Frame f = Request(cmd::kWriteParams);
  f[1] = 0;
  f[2] = static_cast<uint8_t>(frameNumber);
  const size_t count = std::min<size_t>(items.size(), kItemsPerFrame);
  f[4] = static_cast<uint8_t>(count);
  for (size_t i = 0; i < count; ++i) {
    uint8_t* p = f.data() + 5 + 5 * i;
    p[0] = static_cast<uint8_t>(items[i].offset);
    p[1] = static_cast<uint8_t>(items[i].offset >> 8);
    p[2] = items[i].size;
    p[3] = static_cast<uint8_t>(items[i].value);
    p[4] = items[i].size == 1 ? 0 : static_cast<uint8_t>(items[i].value >> 8);
  }
  return f;
}

std::vector<Frame> WriteParamsRequests(const std::map<int, uint16_t>& pending, const EffectBlock& block) {
  std::vector<Frame> out;
  std::vector<ParamItem> items;
  for (const auto& [index, remembered] : pending) {
    items.push_back(ItemFromBlock(block, index));
    if (items.size() == kItemsPerFrame) {
      out.push_back(WriteParamsRequest(static_cast<int>(out.size()), items));
      items.clear();
    }
  }
  if (!items.empty()) out.push_back(WriteParamsRequest(static_cast<int>(out.size()), items));
  return out;
}

std::vector<ParamItem> ParseParamItems(const Frame& request) {
  std::vector<ParamItem> items;
  const int count = std::min<int>(request[4], kItemsPerFrame);
  for (int i = 0; i < count; ++i) {
    const uint8_t* p = request.data() + 5 + 5 * i;
    items.push_back(ParamItem{static_cast<uint16_t>(p[0] | (p[1] << 8)), p[2],
                              static_cast<uint16_t>(p[3] | (p[4] << 8))});
  }
  return items;
}

std::array<uint32_t, 4> ParseLinkKeyRequest(const Frame& request) {
  return {GetLe32(request, 6), GetLe32(request, 12), GetLe32(request, 24), GetLe32(request, 32)};
}

FirmwareStartFields ParseFirmwareStartRequest(const Frame& request) {
  return FirmwareStartFields{(static_cast<uint32_t>(request[6]) << 8) | request[7],
                             (static_cast<uint32_t>(request[8]) << 16) | (static_cast<uint32_t>(request[9]) << 8) |
                                 request[10]};
}

FirmwareChunkFields ParseFirmwareChunkRequest(const Frame& request) {
  return FirmwareChunkFields{static_cast<uint16_t>((request[1] << 8) | request[2]),
                             std::span<const uint8_t>(request.data() + kDataOffset, kFirmwareChunkSize)};
}

HandshakeFields ParseHandshakeRequest(const Frame& request) {
  return HandshakeFields{request[4] == 1, GetLe32(request, 5), GetLe32(request, 9)};
}

std::span<const uint8_t> ChunkData(const Frame& request) {
  return std::span<const uint8_t>(request.data() + kDataOffset, ChunkLength(ParseChunkIndex(request)));
}

InputModeFields ParseInputModeRequest(const Frame& request) {
  return InputModeFields{request[4] == 1, request[5], request[4] <= 1};
}

CurrentModeReply ParseCurrentMode(const Frame& reply) { return CurrentModeReply{reply[4], GetLe16(reply, 5)}; }

DeviceInformation ParseDeviceInformation(const Frame& reply) {
  DeviceInformation info;
  std::memcpy(info.bytes4to10.data(), reply.data() + 4, info.bytes4to10.size());
  info.value11 = GetLe16(reply, 11);
  for (size_t i = 0; i < info.values13.size(); ++i) info.values13[i] = GetLe32(reply, 13 + 4 * i);
  info.value35 = GetLe16(reply, 35);
  return info;
}

DeviceDate DeviceInformationDate(const DeviceInformation& info) {
  const uint8_t b4 = info.bytes4to10[0];
  const uint8_t b5 = info.bytes4to10[1];
  const uint8_t b6 = info.bytes4to10[2];
  return DeviceDate{static_cast<uint16_t>(((b4 * 16) | (b5 >> 4)) % 10000), static_cast<uint16_t>((b5 & 0x0F) % 13),
                    static_cast<uint16_t>(b6 & 0x1F)};
}

bool DeviceInformationItem(const DeviceInformation& info, int item, void* out, int size) {
  if (!out) return false;
  auto byteAt = [&](int replyByte) { return info.bytes4to10[static_cast<size_t>(replyByte - 4)]; };
  auto copy = [&](const void* src, int n) {
    if (size < n) return false;
    std::memcpy(out, src, static_cast<size_t>(n));
    return true;
  };
  switch (item) {
    case 2: { const uint8_t v = byteAt(8); return copy(&v, 1); }
    case 3: { const uint8_t v = byteAt(7); return copy(&v, 1); }
    case 4: { const uint8_t v = byteAt(9); return copy(&v, 1); }
    case 5: {
      const DeviceDate d = DeviceInformationDate(info);
      const uint16_t v[3] = {d.year, d.month, d.day};
      return copy(v, 6);
    }
    case 6: { const uint8_t v = byteAt(10); return copy(&v, 1); }
    case 7: return copy(&info.value11, 2);
    case 8: return copy(&info.value35, 2);
    case 9: return copy(info.values13.data(), 20);
    default: return false;
  }
}

}  // namespace brisvel::frames
