// Recalling a device mode as one flow, the same for the compact window's mode
// buttons, the settings dialog and brisvelctl recall: recall the slot on the
// processor, let it settle, clear the link groups and read its block.
#pragma once

#include <functional>

#include "core/effect_store.h"
#include "editing/edit_link.h"

namespace brisvel::editing {

enum class RecallStatus {
  kRecalled,       // the processor took the mode; see blockRead
  kNoSelection,    // "Unselected scene!"
  kNotConnected,   // "Device not connected"
  kRecallFailed,   // "Recall device mode failed"; the editor is unchanged
};

struct RecallOutcome {
  RecallStatus status = RecallStatus::kNoSelection;
  // The processor's block was read into the store. Slots 0-8 are read; the
  // recall-only slots 9 and 10 are not.
  bool blockRead = false;
};

// The last slot whose block is read after the recall (the factory setting).
constexpr int kLastReadSlot = 8;

// How long the processor gets to make a recalled mode active before its block is read.
constexpr int kRecallSettleMs = 500;

// slot 0-10 (0-7 user modes A-H, 8 factory), -1 when nothing is selected.
// wait(ms) is the caller's wait (the console pumps its messages meanwhile).
// After kRecalled the caller refreshes every window from the block.
RecallOutcome RecallDeviceModeFlow(CEffectStore& store, IEditLink& link, int slot,
                                   const std::function<void(int milliseconds)>& wait);

}  // namespace brisvel::editing
