// Demo mode (--simulate): a simulated processor on its own HID backend, kept
// plugged in or pulled out as hot-plug would. Its device modes live in the
// data folder's state file, shared with brisvelctl --sim.
#pragma once

#include <QString>
#include <memory>

#include "settings/cae_data.h"

namespace brisvel::hid {
class IHidBackend;
}  // namespace brisvel::hid
namespace brisvel::sim {
class SimHidBackend;
class SimProcessor;
}  // namespace brisvel::sim

namespace brisvel::app::demo {

class SimulatedDevice {
 public:
  // Plugs the processor in at once; it accepts the data file's handshake
  // identifiers and keeps its state in dataFolder.
  SimulatedDevice(const settings::CaeData& cae, const QString& dataFolder);
  ~SimulatedDevice();
  SimulatedDevice(const SimulatedDevice&) = delete;
  SimulatedDevice& operator=(const SimulatedDevice&) = delete;

  // The backend to add to the console's set.
  hid::IHidBackend& Backend();
  std::shared_ptr<sim::SimProcessor> Processor() const { return processor_; }
  QString Path() const { return path_; }
  bool IsPlugged() const;

  // In again / pulled out; false when it is already so.
  bool Plug();
  bool Unplug();

 private:
  std::unique_ptr<sim::SimHidBackend> backend_;
  std::shared_ptr<sim::SimProcessor> processor_;
  QString path_;
};

}  // namespace brisvel::app::demo
