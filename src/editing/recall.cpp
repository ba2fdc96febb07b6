// The device-mode recall flow.
#include "editing/recall.h"

namespace brisvel::editing {

RecallOutcome RecallDeviceModeFlow(CEffectStore& store, IEditLink& link, int slot,
                                   const std::function<void(int)>& wait) {
  RecallOutcome outcome;
  if (slot < 0) return outcome;
  if (!store.IsProcessorConnected()) {
    outcome.status = RecallStatus::kNotConnected;
    return outcome;
  }
  if (!link.RecallDeviceMode(slot)) {
    outcome.status = RecallStatus::kRecallFailed;
    return outcome;
  }
  outcome.status = RecallStatus::kRecalled;
  if (wait) wait(kRecallSettleMs);
  store.ClearLinkFlags();
  // A successful read also rebuilds the six response models.
  if (slot <= kLastReadSlot) outcome.blockRead = link.ReadCurrentParam();
  return outcome;
}

}  // namespace brisvel::editing
