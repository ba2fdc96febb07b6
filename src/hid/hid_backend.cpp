// The backend set: several HID backends (real and simulated) seen as one.
#include "hid/hid_backend.h"

namespace brisvel::hid {
namespace {

class SubscriptionGroup final : public HotplugSubscription {
 public:
  std::vector<std::unique_ptr<HotplugSubscription>> parts;
};

}  // namespace

std::vector<HidDeviceInfo> HidBackendSet::Enumerate() {
  std::vector<HidDeviceInfo> all;
  for (IHidBackend* backend : backends_) {
    auto part = backend->Enumerate();
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

OpenResult HidBackendSet::Open(const std::string& path) {
  for (IHidBackend* backend : backends_) {
    if (backend->OwnsPath(path)) return backend->Open(path);
  }
  return OpenResult{nullptr, OpenError::kProbeFailed, 0};
}

std::unique_ptr<HotplugSubscription> HidBackendSet::SubscribeHotplug(IHotplugSink& sink) {
  auto group = std::make_unique<SubscriptionGroup>();
  for (IHidBackend* backend : backends_) {
    if (auto part = backend->SubscribeHotplug(sink)) group->parts.push_back(std::move(part));
  }
  return group;
}

bool HidBackendSet::OwnsPath(const std::string& path) const {
  for (const IHidBackend* backend : backends_) {
    if (backend->OwnsPath(path)) return true;
  }
  return false;
}

}  // namespace brisvel::hid
