// The simulated processors' HID backend: channels over their links, paths,
// enumeration and hot-plug notices.
#include "device/sim_backend.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

#include "device/sim_link.h"

namespace brisvel::sim {

using frames::Frame;

namespace {

class SimChannel final : public hid::IHidChannel {
 public:
  SimChannel(std::shared_ptr<SimProcessor> processor, std::shared_ptr<SimLink> link, std::function<void()> unplug)
      : processor_(std::move(processor)), link_(std::move(link)), unplug_(std::move(unplug)),
        input_(processor_->InputReportLength()), output_(processor_->OutputReportLength()) {}
  ~SimChannel() override { link_->Kill(); }

  int InputReportLength() const override { return input_; }
  int OutputReportLength() const override { return output_; }

  bool WriteReport(std::span<const uint8_t> report, int* error) override {
    if (link_->Dead() || report.size() < 2) {
      if (error) *error = ENODEV;
      return false;
    }
    Frame request{};
    std::memcpy(request.data(), report.data() + 1, std::min(report.size() - 1, request.size()));
    const auto sent = SimLink::Clock::now();
    SimProcessor::Answer answer = processor_->Receive(request);
    if (answer.unplug) {
      unplug_();
      return true;  // the report left; the processor vanished before answering
    }
    if (answer.reply) {
      // One frame time out, one frame time back.
      link_->Push(*answer.reply, sent + 2 * processor_->Latency());
    }
    return true;
  }

  hid::ReadStatus ReadReport(std::span<uint8_t> buffer) override { return link_->Read(buffer); }
  void ReleaseRead() override { link_->Release(); }

 private:
  std::shared_ptr<SimProcessor> processor_;
  std::shared_ptr<SimLink> link_;
  std::function<void()> unplug_;
  int input_;
  int output_;
};

}  // namespace

struct SimHidBackend::Shared {
  std::mutex mutex;
  std::map<int, std::shared_ptr<SimProcessor>> plugged;  // by number in "sim:N"
  std::recursive_mutex deliveryMutex;                    // held while notifying; sinks may plug or unplug
  std::map<int, hid::IHotplugSink*> sinks;
  int nextSinkId = 0;

  void Notify(hid::HotplugAction action, const hid::HidDeviceInfo& info) {
    std::lock_guard delivery(deliveryMutex);
    std::vector<hid::IHotplugSink*> targets;
    {
      std::lock_guard lock(mutex);
      for (const auto& [id, sink] : sinks) targets.push_back(sink);
    }
    for (hid::IHotplugSink* sink : targets) sink->OnHidDeviceChange(action, info);
  }

  bool Unplug(const std::string& path);
};

namespace {

std::optional<int> SimNumber(const std::string& path) {
  if (path.rfind("sim:", 0) != 0 || path.size() == 4 || path.size() > 12) return std::nullopt;
  int n = 0;
  for (size_t i = 4; i < path.size(); ++i) {
    if (path[i] < '0' || path[i] > '9') return std::nullopt;
    n = n * 10 + (path[i] - '0');
  }
  return n;
}

std::string SimPath(int n) { return "sim:" + std::to_string(n); }

class SimSubscription final : public hid::HotplugSubscription {
 public:
  SimSubscription(std::shared_ptr<SimHidBackend::Shared> shared, int id) : shared_(std::move(shared)), id_(id) {}
  ~SimSubscription() override {
    std::lock_guard delivery(shared_->deliveryMutex);
    std::lock_guard lock(shared_->mutex);
    shared_->sinks.erase(id_);
  }

 private:
  std::shared_ptr<SimHidBackend::Shared> shared_;
  int id_;
};

}  // namespace

bool SimHidBackend::Shared::Unplug(const std::string& path) {
  const auto n = SimNumber(path);
  if (!n) return false;
  std::shared_ptr<SimProcessor> processor;
  {
    std::lock_guard lock(mutex);
    auto it = plugged.find(*n);
    if (it == plugged.end()) return false;
    processor = it->second;
    plugged.erase(it);
  }
  processor->KillLinks();
  Notify(hid::HotplugAction::kRemoval, hid::HidDeviceInfo{path, processor->Vendor(), processor->Product()});
  return true;
}

SimHidBackend::SimHidBackend() : shared_(std::make_shared<Shared>()) {}

SimHidBackend::~SimHidBackend() {
  std::vector<std::shared_ptr<SimProcessor>> processors;
  {
    std::lock_guard lock(shared_->mutex);
    for (const auto& [n, p] : shared_->plugged) processors.push_back(p);
  }
  for (const auto& p : processors) p->KillLinks();
}

std::string SimHidBackend::Plug(std::shared_ptr<SimProcessor> processor) {
  int n = 0;
  {
    std::lock_guard lock(shared_->mutex);
    while (shared_->plugged.count(n)) ++n;
    shared_->plugged[n] = processor;
  }
  const std::string path = SimPath(n);
  shared_->Notify(hid::HotplugAction::kArrival, hid::HidDeviceInfo{path, processor->Vendor(), processor->Product()});
  return path;
}

bool SimHidBackend::Unplug(const std::string& path) { return shared_->Unplug(path); }

std::shared_ptr<SimProcessor> SimHidBackend::Processor(const std::string& path) const {
  const auto n = SimNumber(path);
  if (!n) return nullptr;
  std::lock_guard lock(shared_->mutex);
  auto it = shared_->plugged.find(*n);
  return it == shared_->plugged.end() ? nullptr : it->second;
}

std::vector<hid::HidDeviceInfo> SimHidBackend::Enumerate() {
  std::vector<std::pair<int, std::shared_ptr<SimProcessor>>> plugged;
  {
    std::lock_guard lock(shared_->mutex);
    plugged.assign(shared_->plugged.begin(), shared_->plugged.end());
  }
  std::vector<hid::HidDeviceInfo> list;
  for (const auto& [n, p] : plugged) list.push_back(hid::HidDeviceInfo{SimPath(n), p->Vendor(), p->Product()});
  return list;
}

hid::OpenResult SimHidBackend::Open(const std::string& path) {
  hid::OpenResult result;
  auto processor = Processor(path);
  if (!processor || processor->OpenFails()) {
    result.error = hid::OpenError::kProbeFailed;
    result.systemError = ENOENT;
    return result;
  }
  auto link = std::make_shared<SimLink>();
  processor->AddLink(link);
  std::weak_ptr<Shared> weakShared = shared_;
  // Unplugging from inside a write goes through the backend, so it is announced like any removal.
  auto unplug = [weakShared, path] {
    if (auto shared = weakShared.lock()) shared->Unplug(path);
  };
  result.channel = std::make_unique<SimChannel>(processor, link, unplug);
  return result;
}

std::unique_ptr<hid::HotplugSubscription> SimHidBackend::SubscribeHotplug(hid::IHotplugSink& sink) {
  std::lock_guard lock(shared_->mutex);
  const int id = shared_->nextSinkId++;
  shared_->sinks[id] = &sink;
  return std::make_unique<SimSubscription>(shared_, id);
}

bool SimHidBackend::OwnsPath(const std::string& path) const { return path.rfind("sim:", 0) == 0; }

}  // namespace brisvel::sim
