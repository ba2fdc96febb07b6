// The Windows backend: enumeration of the HID interface class with SetupAPI,
// vendor and product from the HID class driver, report lengths from the
// device's capabilities, reports moved with overlapped I/O on two handles
// (one per direction), and arrival and removal notifications from a hidden
// message-only window registered for the HID interface class. Every Win32
// call goes through IWin32HidApi (hid/win32_hid_api.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "hid/hid_backend.h"

namespace brisvel::hid {

class IWin32HidApi;

class WinHidBackend final : public IHidBackend {
 public:
  // How long a write waits for the one before it before giving up on it: the
  // reply time of one request, so a device that takes no more reports costs
  // a request's try and not the user-interface thread.
  static constexpr int kWriteCompletionWaitMs = 200;

  WinHidBackend();  // the system's functions
  explicit WinHidBackend(IWin32HidApi& api);

  std::vector<HidDeviceInfo> Enumerate() override;
  OpenResult Open(const std::string& path) override;
  std::unique_ptr<HotplugSubscription> SubscribeHotplug(IHotplugSink& sink) override;
  bool OwnsPath(const std::string& path) const override;

 private:
  IWin32HidApi& api_;
};

// Vendor and product from an interface path: after "#VID_" (in any letter
// case) four hexadecimal digits, and the four that start nine characters after
// the first of them ("#VID_2B53&PID_0019#..."); each group must parse whole.
std::optional<std::pair<uint16_t, uint16_t>> ParseInterfacePathIds(std::string_view path);

}  // namespace brisvel::hid
