// Two tunings side by side: the side shown is the store's block, the other is
// kept here with its own editing state and edit history. Switching puts the
// other side in the store and sends it to the processor whole; the side shown
// and both blocks do not depend on the processor being connected.
#pragma once

#include "core/effect_store.h"
#include "editing/changes.h"
#include "editing/history.h"

namespace brisvel::editing {

enum class AbSide { kA, kB };

class CAbCompare {
 public:
  CAbCompare(CEffectStore& store, CEditHistory& history) : store_(store), history_(history) {}

  AbSide Shown() const { return shown_; }
  // The block of a side: the store's for the side shown. Before the first
  // switch or copy, B is a copy of A.
  EffectBlock BlockOf(AbSide side) const;

  // Shows the other side: its block replaces the store's and goes to the
  // processor whole (when connected). The history follows the side.
  Changes Switch();
  // "Copy A to B" / "Copy B to A". Into the side shown, the copy is one undo
  // step written through SetParam; into the hidden side, that side's history ends.
  Changes Copy(AbSide from, AbSide to);

  // The whole-block write of the last switch reached the processor.
  bool LastSendOk() const { return lastSendOk_; }

 private:
  struct Side {
    EffectBlock block{};
    EditingState state;
    HeldBands held;
    HistoryTrail trail;
  };
  void StartIfNeeded();
  Side Capture() const;

  CEffectStore& store_;
  CEditHistory& history_;
  AbSide shown_ = AbSide::kA;
  bool started_ = false;
  Side hidden_;
  bool lastSendOk_ = false;
};

// "A" or "B".
const char* AbSideName(AbSide side);

}  // namespace brisvel::editing
