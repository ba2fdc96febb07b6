// The simulated processor of demo mode.
#include "app/demo/simulated_device.h"

#include <filesystem>

#include "device/sim_backend.h"
#include "spdlog/spdlog.h"

namespace brisvel::app::demo {

SimulatedDevice::SimulatedDevice(const settings::CaeData& cae, const QString& dataFolder)
    : backend_(std::make_unique<sim::SimHidBackend>()) {
  // The same files brisvelctl --sim uses, so both see the same device modes and faults.
  std::vector<std::string> problems;
  processor_ = sim::FolderProcessor(std::filesystem::path(dataFolder.toStdString()), problems);
  for (const std::string& problem : problems) spdlog::warn("{}", problem);
  if (cae.id1 != 0 || cae.id2 != 0)
    processor_->SetAcceptedIds(static_cast<uint32_t>(cae.id1), static_cast<uint32_t>(cae.id2));
  path_ = QString::fromStdString(backend_->Plug(processor_));
}

SimulatedDevice::~SimulatedDevice() = default;

hid::IHidBackend& SimulatedDevice::Backend() { return *backend_; }

bool SimulatedDevice::IsPlugged() const { return !path_.isEmpty() && backend_->Processor(path_.toStdString()); }

bool SimulatedDevice::Plug() {
  if (IsPlugged()) return false;
  path_ = QString::fromStdString(backend_->Plug(processor_));
  return true;
}

bool SimulatedDevice::Unplug() {
  if (!IsPlugged()) return false;
  return backend_->Unplug(path_.toStdString());
}

}  // namespace brisvel::app::demo
