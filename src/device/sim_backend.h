// Simulated processors as HID interfaces named "sim:0", "sim:1", ...;
// enumeration, open and hot-plug work as for real ones.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "device/sim_processor.h"
#include "hid/hid_backend.h"

namespace brisvel::sim {

// Notifications are delivered on the thread that plugs or unplugs.
class SimHidBackend final : public hid::IHidBackend {
 public:
  SimHidBackend();
  ~SimHidBackend() override;

  // Plugs a processor in and announces its arrival; returns its path.
  std::string Plug(std::shared_ptr<SimProcessor> processor);
  // Unplugs it: open connections fail from now on; announces the removal.
  bool Unplug(const std::string& path);
  std::shared_ptr<SimProcessor> Processor(const std::string& path) const;

  std::vector<hid::HidDeviceInfo> Enumerate() override;
  hid::OpenResult Open(const std::string& path) override;
  std::unique_ptr<hid::HotplugSubscription> SubscribeHotplug(hid::IHotplugSink& sink) override;
  bool OwnsPath(const std::string& path) const override;

  struct Shared;  // shared with open channels and subscriptions

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace brisvel::sim
