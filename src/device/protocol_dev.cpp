// The processor-specific commands of the protocol object.
#include "device/protocol_dev.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <random>

#include "hid/hid_log.h"

namespace brisvel {
namespace {

// Four 15-bit draws, seeded from the clock once per process.
std::array<uint32_t, 4> DrawLinkKeyValues() {
  static std::mutex mutex;
  static std::minstd_rand generator(
      static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
  std::lock_guard lock(mutex);
  std::uniform_int_distribution<uint32_t> draw(0, 32767);
  std::array<uint32_t, 4> values{};
  for (auto& v : values) v = frames::LinkKeyValue(draw(generator));
  return values;
}

}  // namespace

bool CProtocolDev::OnNotify(const uint8_t* payload, int length) { return payload != nullptr && length < 60; }

bool CProtocolDev::OnConnectDevice(int reserved) {
  if (!CProtocol::OnConnectDevice(reserved)) return false;
  return ExchangeLinkKey();
}

bool CProtocolDev::ExchangeLinkKey() {
  frames::Frame request = frames::LinkKeyRequest(DrawLinkKeyValues());
  frames::Frame reply{};
  if (!SendAndReceive(request, reply, tries_, timeoutMs_)) {
    TraceText("获取新的加密key失败！！\n");
    return false;
  }
  return true;
}

bool CProtocolDev::GetDeviceInfo(int item, void* out, int size) {
  return frames::DeviceInformationItem(info_, item, out, size);
}

bool CProtocolDev::DeviceCommand(int command, const uint8_t* argument1, int argument2) {
  if (command == kCommandFirmware) return UpdateFirmware(argument1, argument2);
  if (command == kCommandDeviceInfo) return UpdateDeviceInfo();
  return false;
}

bool CProtocolDev::UpdateDeviceInfo() {
  frames::Frame request = frames::DeviceInfoRequest();
  frames::Frame reply{};
  if (!SendAndReceive(request, reply, tries_, timeoutMs_)) {
    TraceText("CProtocolDev::UpdateDeviceInfo -- 0x82 failed\n");
    return false;
  }
  info_ = frames::ParseDeviceInformation(reply);
  return true;
}

bool CProtocolDev::UpdateFirmware(const uint8_t* data, int size) {
  if (!data || size <= 0) {
    TraceText("CProtocolDev::UpdateFirmware invalid parameter.\n");
    return false;
  }
  if (static_cast<uint32_t>(size) > frames::kFirmwareMaxSize) {
    TraceText("CProtocolDev::UpdateFirmware data size is more than 64k\n");
    return false;
  }
  const uint32_t total = static_cast<uint32_t>(size);
  frames::Frame request = frames::FirmwareStartRequest(total);
  frames::Frame reply{};
  if (!SendAndReceive(request, reply, tries_, timeoutMs_)) {
    TraceText("CProtocolDev::UpdateFirmware send cmd-0x26 failed.\n");
    return false;
  }
  const uint32_t chunks = frames::FirmwareChunkCount(total);
  for (uint32_t i = 0; i < chunks; ++i) {
    const uint32_t offset = i * frames::kFirmwareChunkSize;
    const uint32_t length = std::min<uint32_t>(frames::kFirmwareChunkSize, total - offset);
    request = frames::FirmwareChunkRequest(static_cast<uint16_t>(i), std::span<const uint8_t>(data + offset, length));
    if (!SendAndReceive(request, reply, tries_, timeoutMs_)) {
      TraceText("CProtocolDev::UpdateFirmware send cmd-0x28 failed. index=%d\n", static_cast<int>(i));
      return false;
    }
  }
  return true;
}

}  // namespace brisvel
