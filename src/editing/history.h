// The edit history: every user action that changes the block is one step
// holding the parameters it changed (index, value before, value after) and the
// editing state around them (link flags, current channel, the gains the
// equaliser bypass holds back). Undo and redo write the values back through
// SetParam, so the processor follows as for any edit.
//
// A step opens with Begin (a button press, a drag's first move) and closes
// with End (the release); nested Begin/End pairs belong to the outer step. The
// history keeps kMaxSteps steps; the oldest go first.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/effect_store.h"
#include "editing/changes.h"

namespace brisvel::editing {

struct ParamStep {
  uint16_t index;
  uint16_t before;
  uint16_t after;
};

// How a band is held back: not, one by one (0 in the processor too), or by
// the bypass (the processor keeps the gain).
enum class Hold : uint8_t { kNone, kBand, kBypass };
Hold HoldOf(const CEffectStore& store, int channel, int band);
void SetHold(CEffectStore& store, int channel, int band, Hold hold, int gain);

// A band whose held-back state a step changed.
struct HeldBandStep {
  uint8_t channel;
  uint8_t band;
  Hold before;
  Hold after;
  int16_t gainBefore;
  int16_t gainAfter;
};

struct EditingState {
  std::array<int32_t, 4> linkFlags{};
  int32_t currentChannel = 0;
  bool operator==(const EditingState&) const = default;
  static EditingState Of(const CEffectStore& store) { return {store.LinkFlags(), store.CurrentChannel()}; }
  void ApplyTo(CEffectStore& store) const {
    store.SetLinkFlags(linkFlags);
    store.SetCurrentChannel(currentChannel);
  }
};

// Which bands the equaliser bypass or a hold-back keeps out of the block, and
// their gains.
struct HeldBands {
  std::array<std::array<Hold, kBandCount>, kChannelCount> hold{};
  std::array<std::array<int16_t, kBandCount>, kChannelCount> gain{};
  bool operator==(const HeldBands&) const = default;
  static HeldBands Of(const CEffectStore& store);
  void ApplyTo(CEffectStore& store) const;
};

// Sends the store's block whole (when connected), with the gains the bypass
// keeps in the processor in place of the zeros the block shows for them;
// nothing is left pending. True when the processor took it.
bool SendWholeBlock(CEffectStore& store);

// A step's name as the windows show it in either language: a text in the
// source language with %1, %2 ... for the parts that are no words to
// translate (channel and band labels, a PC mode's name), and those parts.
struct StepName {
  std::string pattern;
  std::vector<std::string> args;
  StepName() = default;
  // A name without parts; never one that carries the user's own text.
  StepName(const char* text) : pattern(text) {}  // NOLINT: names are written as plain texts
  StepName(std::string_view text) : pattern(text) {}  // NOLINT
  StepName(const std::string& text) : pattern(text) {}  // NOLINT
  StepName(std::string p, std::vector<std::string> a) : pattern(std::move(p)), args(std::move(a)) {}
  bool Empty() const { return pattern.empty(); }
  // The text with its parts filled in (the source language).
  std::string Text() const;
  bool operator==(const StepName&) const = default;
};

struct HistoryStep {
  StepName name;
  std::vector<ParamStep> params;     // in table order
  std::vector<HeldBandStep> held;
  EditingState before;
  EditingState after;
};

// The name of a step its caller did not name, from what it changed:
// "CH1 volume", "Band 10 gain (CH1, CH2)", "Master volume", "Edit (CH3)".
StepName DescribeStep(const HistoryStep& step);

// The steps of one tuning; the A/B comparison keeps one per side.
struct HistoryTrail {
  std::deque<HistoryStep> done;     // oldest first
  std::vector<HistoryStep> undone;  // the next redo last
};

class CEditHistory {
 public:
  static constexpr size_t kMaxSteps = 1000;

  explicit CEditHistory(CEffectStore& store);

  // ---- recording ----
  void Begin(const StepName& name);
  // Closes the outermost step: it is kept when it changed the block or the
  // editing state, and the redo list is dropped then. True when kept.
  bool End();
  bool Recording() const { return depth_ > 0; }
  // Names the open step when it has no name yet (a press opened it unnamed).
  void Name(const StepName& name) {
    if (depth_ > 0 && openName_.Empty()) openName_ = name;
  }
  // Closes whatever is open (before an undo, or when a release never came).
  void CloseAll() {
    while (depth_ > 0) End();
  }
  // Records what fn does as one step.
  template <class Fn>
  auto Record(const StepName& name, Fn&& fn) {
    Begin(name);
    struct Closer {
      CEditHistory& h;
      ~Closer() { h.End(); }
    } closer{*this};
    return fn();
  }

  // A step from `before` (with the bands it held back) to the store's block
  // as it is now, for a block that was written whole: nothing is written. An
  // open step keeps only what changes after this. False when nothing changed.
  bool RecordReplacement(const StepName& name, const EffectBlock& before, const HeldBands& beforeHeld);

  // The processor connected and its block was read into the store, over the
  // block the history left (KnownBlock). The installer chose:
  // - keep the processor's block: one step from mine to it; undo sends mine.
  bool KeepReadBlock(const StepName& name);
  // - send mine: mine (with its held-back bands) comes back and goes to the
  //   processor whole, as one step from the processor's block; undo sends
  //   the processor's block back. The block the processor held counts as
  //   where the step before it ended, so the steps made without the
  //   processor stay undoable behind it. False when nothing reached the
  //   processor (the step is kept all the same).
  bool SendKnownBlock(const StepName& name);
  // An open step forgets what changed so far (the block was replaced from
  // the processor meanwhile).
  void ForgetOpenChanges();

  // ---- undo and redo ----
  bool CanUndo() const { return !trail_.done.empty(); }
  bool CanRedo() const { return !trail_.undone.empty(); }
  // Names of the step the next undo or redo replays; empty when none.
  std::string UndoName() const;
  std::string RedoName() const;
  // The same for the windows to translate.
  StepName UndoStepName() const;
  StepName RedoStepName() const;
  // Writes the step back through SetParam and restores the editing state; the
  // caller sends the pending parameters and refreshes the windows. Nothing
  // happens (empty changes) when there is no step or a step is being recorded.
  Changes Undo();
  Changes Redo();
  size_t UndoCount() const { return trail_.done.size(); }
  size_t RedoCount() const { return trail_.undone.size(); }

  // ---- events that replace the block from elsewhere ----
  // Ends the history: the steps could no longer be undone truthfully.
  // True when steps were dropped (the caller logs the reason).
  bool EndHistory();
  // The block was replaced from the processor: the history ends unless the
  // block is the one the history left (nothing to undo was lost). True when
  // steps were dropped.
  bool BlockReplaced();

  // Set when a step was kept, undone or redone while no processor was
  // connected; the connection flow asks before the processor's block wins.
  bool OfflineEdits() const { return offlineEdits_; }
  void ClearOfflineEdits() { offlineEdits_ = false; }
  // The block as the last step left it (what the editor held before a
  // connection replaced it), and the bands it held back.
  const EffectBlock& KnownBlock() const { return known_; }
  const HeldBands& KnownHeld() const { return knownHeld_; }
  // Takes the store's block as the one the history left, without a step.
  void Rebase();

  // Sends the pending parameters at once (the edit link's SendNow): undo and
  // redo reach the processor at once, in one transfer. Without it they go
  // with the effect sender.
  void SetSendNow(std::function<void()> sendNow) { sendNow_ = std::move(sendNow); }

  // For the A/B comparison: the other side's steps come in, these go out.
  void SwapTrail(HistoryTrail& other);
  const HistoryTrail& Trail() const { return trail_; }

  // Bytes the steps take (their parameter and band lists, names, bookkeeping).
  size_t MemoryBytes() const;

 private:
  Changes Apply(const HistoryStep& step, bool forward);
  void AgreeGains(const HistoryStep& step, const std::vector<bool>& written);
  bool Push(StepName name, const EffectBlock& before, const EditingState& state, const HeldBands& held);
  void ExtendLastStep(const EffectBlock& from, const HeldBands& fromHeld);

  CEffectStore& store_;
  HistoryTrail trail_;
  int depth_ = 0;
  StepName openName_;
  EffectBlock openBlock_{};
  EditingState openState_{};
  HeldBands openHeld_;
  EffectBlock known_{};
  HeldBands knownHeld_;
  bool offlineEdits_ = false;
  std::function<void()> sendNow_;
};

}  // namespace brisvel::editing
