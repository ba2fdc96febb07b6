// A stand-in for the processor link of the editing tests: the store believes
// a processor is connected, and every "send now" takes the pending parameters
// as one transfer.
#pragma once

#include <map>
#include <vector>

#include "core/effect_store.h"
#include "editing/edit_link.h"

namespace brisvel::editing::testing {

class FakeProcessorLink final : public IEffectDeviceLink, public IEditLink {
 public:
  explicit FakeProcessorLink(CEffectStore& store) : store_(store) {
    store_.SetDeviceLink(this);
    store_.SetConnectedFlag(true);
  }
  ~FakeProcessorLink() override { store_.SetDeviceLink(nullptr); }

  // IEffectDeviceLink
  bool HasProtocol() const override { return true; }
  void ScheduleSend() override {}
  bool WriteAllParam() override { return true; }

  // IEditLink
  void SendNow() override {
    if (!store_.PendingParams().empty()) transfers.push_back(store_.PendingParams());
    store_.ClearPendingParams();
  }
  bool SetInputMode(int mode) override {
    if (!inputModeAccepted) return false;
    store_.SetInputMode(mode);
    return true;
  }
  bool RecallDeviceMode(int slot) override {
    recalls.push_back(slot);
    if (recallAccepted) store_.SetCurrentDeviceMode(slot);
    return recallAccepted;
  }
  bool ReadCurrentParam() override {
    ++reads;
    return readAccepted;
  }

  // Parameters of every transfer, in order.
  std::vector<std::map<int, uint16_t>> transfers;
  std::vector<int> recalls;
  int reads = 0;
  bool inputModeAccepted = true;
  bool recallAccepted = true;
  bool readAccepted = true;

 private:
  CEffectStore& store_;
};

}  // namespace brisvel::editing::testing
