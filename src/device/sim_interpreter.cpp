// How the simulated processor answers each command.
#include "device/sim_interpreter.h"

#include <algorithm>
#include <cstring>

namespace brisvel::sim {

using frames::Frame;
namespace cmd = frames::cmd;

namespace {

// A processor's device information: built 2024-05-17, small version numbers.
std::array<uint8_t, 33> DefaultDeviceInformation() {
  std::array<uint8_t, 33> info{};
  info[0] = 0x7E;  // year 2024 = 0x7E8: high digits
  info[1] = 0x85;  // last year digit, month 5
  info[2] = 17;    // day
  info[3] = 3;     // byte 7
  info[4] = 1;     // byte 8
  info[5] = 0;     // byte 9
  info[6] = 2;     // byte 10
  info[7] = 0x04;  // bytes 11-12
  info[8] = 0x01;
  info[31] = static_cast<uint8_t>(kBlockSize & 0xFF);  // bytes 35-36
  info[32] = static_cast<uint8_t>(kBlockSize >> 8);
  return info;
}

}  // namespace

Frame ReplyTo(const Frame& request, uint8_t status) {
  Frame reply{};
  reply[0] = frames::ReplyCode(request[0]);
  reply[1] = request[1];
  reply[2] = request[2];
  reply[3] = status;
  return reply;
}

bool ChangesState(const Frame& request) {
  switch (request[0]) {
    case cmd::kRecallMode:
    case cmd::kWriteChunk:
    case cmd::kWriteParams:
    case cmd::kSaveMode: return true;
    case cmd::kInputMode: return frames::ParseInputModeRequest(request).set;
    default: return false;
  }
}

SimInterpreter::SimInterpreter() : deviceInfo(DefaultDeviceInformation()) {
  state.active = FactoryBlock();
  for (auto& slot : state.slots) slot = FactoryBlock();
}

SimInterpreter::Result SimInterpreter::Answer(const Frame& request, SimFaults& faults) {
  auto refused = [&](uint8_t status) { return Result{ReplyTo(request, status), false}; };
  auto accepted = [&](bool changed = false) { return Result{ReplyTo(request), changed}; };
  switch (request[0]) {
    case cmd::kLinkKey: return accepted();
    case cmd::kHandshake: {
      ++handshakes;
      const frames::HandshakeFields hello = frames::ParseHandshakeRequest(request);
      const bool idsMatch = !acceptedIds || (acceptedIds->first == hello.id1 && acceptedIds->second == hello.id2);
      Result result = accepted();
      result.reply[4] = (hello.open && idsMatch && !refuseHandshake) ? 1 : 0;
      return result;
    }
    case cmd::kDeviceInfo: {
      Result result = accepted();
      std::memcpy(result.reply.data() + 4, deviceInfo.data(), deviceInfo.size());
      return result;
    }
    case cmd::kFirmwareStart: {
      const frames::FirmwareStartFields start = frames::ParseFirmwareStartRequest(request);
      firmwareChunks = start.chunks;
      if (start.size == 0 || start.size > frames::kFirmwareMaxSize ||
          frames::FirmwareChunkCount(start.size) != firmwareChunks) {
        firmwareChunks = 0;
        return refused(kStatusBadArgument);
      }
      firmware.assign(start.size, 0);
      return accepted();
    }
    case cmd::kFirmwareChunk: {
      const frames::FirmwareChunkFields chunk = frames::ParseFirmwareChunkRequest(request);
      if (chunk.index >= firmwareChunks) return refused(kStatusBadArgument);
      const size_t offset = static_cast<size_t>(chunk.index) * frames::kFirmwareChunkSize;
      const size_t n = std::min<size_t>(chunk.data.size(), firmware.size() - offset);
      std::memcpy(firmware.data() + offset, chunk.data.data(), n);
      return accepted();
    }
    case cmd::kRecallMode: {
      const int slot = frames::ParseModeSlot(request);
      if (slot < 0 || slot >= kSlotCount) return refused(kStatusBadArgument);
      state.currentMode = slot;
      state.active = state.slots[static_cast<size_t>(slot)];
      return accepted(true);
    }
    case cmd::kCurrentMode: {
      Result result = accepted();
      result.reply[4] = static_cast<uint8_t>(state.currentMode + 1);
      result.reply[5] = static_cast<uint8_t>(kBlockSize & 0xFF);
      result.reply[6] = static_cast<uint8_t>(kBlockSize >> 8);
      return result;
    }
    case cmd::kReadChunk: {
      const int chunk = frames::ParseChunkIndex(request);
      if (chunk >= frames::kBlockChunks) return refused(kStatusBadArgument);
      Result result = accepted();
      std::memcpy(result.reply.data() + 4, state.active.data() + frames::ChunkOffset(chunk), frames::ChunkLength(chunk));
      faults.MisnameChunk(chunk, result.reply);
      return result;
    }
    case cmd::kWriteChunk: {
      const int chunk = frames::ParseChunkIndex(request);
      if (chunk >= frames::kBlockChunks) return refused(kStatusBadArgument);
      const auto data = frames::ChunkData(request);
      std::copy(data.begin(), data.end(), state.active.begin() + static_cast<long>(frames::ChunkOffset(chunk)));
      return accepted(true);
    }
    case cmd::kWriteParams: {
      const auto items = frames::ParseParamItems(request);
      if (items.empty() || request[4] > frames::kItemsPerFrame) return refused(kStatusBadArgument);
      for (const auto& item : items) {
        if (item.size < 1 || item.size > 2 || item.offset + item.size > kBlockSize) return refused(kStatusBadArgument);
      }
      for (const auto& item : items) {
        state.active[item.offset] = static_cast<uint8_t>(item.value);
        if (item.size == 2) state.active[item.offset + 1u] = static_cast<uint8_t>(item.value >> 8);
      }
      return accepted(true);
    }
    case cmd::kSaveMode: {
      const int slot = frames::ParseModeSlot(request);
      if (slot < 0 || slot >= kUserSlotCount) return refused(kStatusBadArgument);
      state.slots[static_cast<size_t>(slot)] = state.active;
      return accepted(true);
    }
    case cmd::kInputMode: {
      const frames::InputModeFields mode = frames::ParseInputModeRequest(request);
      if (!mode.set && mode.valid) {
        Result result = accepted();
        result.reply[5] = static_cast<uint8_t>(state.inputMode);
        return result;
      }
      if (mode.set && mode.mode <= 1) {
        state.inputMode = mode.mode;
        return accepted(true);
      }
      return refused(kStatusBadArgument);
    }
    default: return refused(kStatusUnknownCommand);
  }
}

}  // namespace brisvel::sim
