// CProtocolDev: the processor's own commands on top of the framed protocol:
// the link-key exchange that completes a connection, the device-information
// query and the firmware transfer.
#pragma once

#include <array>

#include "device/protocol.h"

namespace brisvel {

class CProtocolDev final : public CProtocol {
 public:
  static constexpr int kReplyTimeoutMs = 200;
  static constexpr int kTries = 5;
  static constexpr int kCommandFirmware = 1;
  static constexpr int kCommandDeviceInfo = 2;

  explicit CProtocolDev(hid::IHidBackend& backend) : CProtocol(backend) {}

  bool OnNotify(const uint8_t* payload, int length) override;
  bool GetDeviceInfo(int item, void* out, int size) override;
  // 1: firmware transfer (argument 1 the image, argument 2 its size); 2: device-information query.
  bool DeviceCommand(int command, const uint8_t* argument1, int argument2) override;
  // Base connection, then the link-key exchange.
  bool OnConnectDevice(int reserved) override;

  int Tries() const { return tries_; }
  int ReplyTimeout() const { return timeoutMs_; }
  const frames::DeviceInformation& DeviceInformation() const { return info_; }

 private:
  bool ExchangeLinkKey();
  bool UpdateDeviceInfo();
  bool UpdateFirmware(const uint8_t* data, int size);

  std::array<uint8_t, 6> linkKey_{};
  int timeoutMs_ = kReplyTimeoutMs;
  int tries_ = kTries;
  frames::DeviceInformation info_;
};

}  // namespace brisvel
