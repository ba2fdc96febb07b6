// The real-hardware backend: enumeration through hidapi's hidraw backend,
// reports moved on two hidraw file descriptors (one per direction), report
// lengths from the node's report descriptor, and hot-plug from a udev monitor
// on the hidraw subsystem, or from comparing enumerations once a second where
// udev does not run (a container).
#pragma once

#include <optional>
#include <string_view>
#include <utility>

#include "hid/hid_backend.h"
#include "hid/report_descriptor.h"

namespace brisvel::hid {

enum class HotplugMethod { kUdevMonitor, kPolling };

class HidrawBackend final : public IHidBackend {
 public:
  std::vector<HidDeviceInfo> Enumerate() override;
  OpenResult Open(const std::string& path) override;
  std::unique_ptr<HotplugSubscription> SubscribeHotplug(IHotplugSink& sink) override;
  bool OwnsPath(const std::string& path) const override;

  // The method a new subscription will use on this machine.
  static HotplugMethod AvailableHotplugMethod();
};

// The channel the backend uses, over two descriptors it takes ownership of
// (a hidraw node opened twice, or a socket pair in tests); nullptr when the
// release mechanism cannot be created.
std::unique_ptr<IHidChannel> MakeDescriptorChannel(int writeFd, int readFd, ReportLengths lengths);

// Vendor and product from a hidraw node's sysfs device path, whose HID
// component reads "BBBB:VVVV:PPPP.NNNN" (bus, vendor, product, instance).
std::optional<std::pair<uint16_t, uint16_t>> ParseHidIdFromDevpath(std::string_view devpath);

// What changed between two enumerations: removals first, then arrivals, each in list order.
std::vector<std::pair<HotplugAction, HidDeviceInfo>> DiffDeviceLists(const std::vector<HidDeviceInfo>& before,
                                                                     const std::vector<HidDeviceInfo>& after);

}  // namespace brisvel::hid
