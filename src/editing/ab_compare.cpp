// The A/B comparison's switch and copies.
#include "editing/ab_compare.h"

#include <string>

namespace brisvel::editing {

const char* AbSideName(AbSide side) { return side == AbSide::kA ? "A" : "B"; }

CAbCompare::Side CAbCompare::Capture() const {
  Side s;
  s.block = store_.Block();
  s.state = EditingState::Of(store_);
  s.held = HeldBands::Of(store_);
  return s;
}

void CAbCompare::StartIfNeeded() {
  if (started_) return;
  started_ = true;
  hidden_ = Capture();
}

EffectBlock CAbCompare::BlockOf(AbSide side) const {
  if (side == shown_ || !started_) return store_.Block();
  return hidden_.block;
}

Changes CAbCompare::Switch() {
  StartIfNeeded();
  Side next = std::move(hidden_);
  hidden_ = Capture();
  history_.SwapTrail(next.trail);
  hidden_.trail = std::move(next.trail);
  store_.ReplaceBlock(next.block);
  next.held.ApplyTo(store_);
  next.state.ApplyTo(store_);
  store_.RebuildResponses();
  shown_ = shown_ == AbSide::kA ? AbSide::kB : AbSide::kA;
  // The whole block goes out, so nothing of the other side is left pending.
  lastSendOk_ = SendWholeBlock(store_);
  history_.Rebase();
  history_.ForgetOpenChanges();  // a press that switched records no step of it
  Changes c;
  c.full = true;
  return c;
}

Changes CAbCompare::Copy(AbSide from, AbSide to) {
  Changes c;
  if (from == to) return c;
  StartIfNeeded();
  if (to == shown_) {
    const EffectBlock source = hidden_.block;
    const StepName name("Copy %1 to %2", {AbSideName(from), AbSideName(to)});
    history_.Record(name, [&] {
      CEffectStore::SendScope scope(store_);
      for (int i = 0; i < kParamCount; ++i) {
        const uint16_t v = ReadParam(source, i);
        if (store_.GetParam(i) != v) store_.SetParam(i, v);
      }
      hidden_.held.ApplyTo(store_);
      hidden_.state.ApplyTo(store_);
    });
    store_.RebuildResponses();
    // Whole, so the gains the copied bypass keeps reach the processor too.
    SendWholeBlock(store_);
    c.full = true;
  } else {
    hidden_ = Capture();
  }
  return c;
}

}  // namespace brisvel::editing
