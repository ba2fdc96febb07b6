// Recording steps by comparing the block and editing state before and after
// an action, and replaying them through SetParam.
#include "editing/history.h"

#include <algorithm>
#include <numeric>

#include "core/debug_output.h"
#include "core/param_text.h"
#include "core/scales.h"

namespace brisvel::editing {

CEditHistory::CEditHistory(CEffectStore& store)
    : store_(store), known_(store.Block()), knownHeld_(HeldBands::Of(store)) {}

void CEditHistory::Rebase() {
  known_ = store_.Block();
  knownHeld_ = HeldBands::Of(store_);
}

Hold HoldOf(const CEffectStore& store, int channel, int band) {
  if (!store.IsBandHeldBack(channel, band)) return Hold::kNone;
  return store.IsHeldGainKept(channel, band) ? Hold::kBypass : Hold::kBand;
}

void SetHold(CEffectStore& store, int channel, int band, Hold hold, int gain) {
  store.SetBypassedBand(channel, band, hold != Hold::kNone, gain, hold == Hold::kBypass);
}

HeldBands HeldBands::Of(const CEffectStore& store) {
  HeldBands h;
  for (int k = 0; k < kChannelCount; ++k) {
    for (int b = 0; b < kBandCount; ++b) {
      h.hold[k][b] = HoldOf(store, k, b);
      h.gain[k][b] = static_cast<int16_t>(store.BypassedBandGain(k, b));
    }
  }
  return h;
}

void HeldBands::ApplyTo(CEffectStore& store) const {
  for (int k = 0; k < kChannelCount; ++k) {
    for (int b = 0; b < kBandCount; ++b) SetHold(store, k, b, hold[k][b], gain[k][b]);
  }
}

bool SendWholeBlock(CEffectStore& store) {
  store.ClearPendingParams();
  // The transfer packs the processor's view, the held gains included.
  return store.LoadBlock(store.Block());
}

std::string StepName::Text() const {
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      const size_t n = static_cast<size_t>(pattern[i + 1] - '1');
      if (n < args.size()) {
        out += args[n];
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

void CEditHistory::Begin(const StepName& name) {
  if (depth_++ > 0) {
    Name(name);
    return;
  }
  openName_ = name;
  openBlock_ = store_.Block();
  openState_ = EditingState::Of(store_);
  openHeld_ = HeldBands::Of(store_);
}

bool CEditHistory::End() {
  if (depth_ == 0 || --depth_ > 0) return false;
  return Push(std::move(openName_), openBlock_, openState_, openHeld_);
}

void CEditHistory::ForgetOpenChanges() {
  if (depth_ == 0) return;
  openBlock_ = store_.Block();
  openState_ = EditingState::Of(store_);
  openHeld_ = HeldBands::Of(store_);
}

bool CEditHistory::Push(StepName name, const EffectBlock& before, const EditingState& state,
                        const HeldBands& held) {
  HistoryStep step;
  step.name = std::move(name);
  const EffectBlock& now = store_.Block();
  for (int i = 0; i < kParamCount; ++i) {
    const uint16_t was = ReadParam(before, i);
    const uint16_t is = ReadParam(now, i);
    if (was != is) step.params.push_back({static_cast<uint16_t>(i), was, is});
  }
  for (int k = 0; k < kChannelCount; ++k) {
    for (int b = 0; b < kBandCount; ++b) {
      const Hold holdBefore = held.hold[k][b];
      const Hold holdAfter = HoldOf(store_, k, b);
      const int16_t gainBefore = held.gain[k][b];
      const auto gainAfter = static_cast<int16_t>(store_.BypassedBandGain(k, b));
      if (holdBefore == holdAfter && gainBefore == gainAfter) continue;
      step.held.push_back({static_cast<uint8_t>(k), static_cast<uint8_t>(b), holdBefore, holdAfter, gainBefore,
                           gainAfter});
    }
  }
  step.before = state;
  step.after = EditingState::Of(store_);
  // Choosing another channel to edit changes nothing the processor plays:
  // no step of its own (the steps around it restore the channel they edited).
  if (step.params.empty() && step.held.empty() && step.before.linkFlags == step.after.linkFlags) return false;
  if (step.name.Empty()) step.name = DescribeStep(step);
  step.params.shrink_to_fit();
  step.held.shrink_to_fit();
  trail_.undone.clear();
  trail_.done.push_back(std::move(step));
  if (trail_.done.size() > kMaxSteps) trail_.done.pop_front();
  Rebase();
  if (!store_.IsProcessorConnected()) offlineEdits_ = true;
  return true;
}

bool CEditHistory::RecordReplacement(const StepName& name, const EffectBlock& before, const HeldBands& beforeHeld) {
  const bool kept = Push(name, before, EditingState::Of(store_), beforeHeld);
  ForgetOpenChanges();
  return kept;
}

bool CEditHistory::KeepReadBlock(const StepName& name) {
  const EffectBlock mine = known_;
  const HeldBands mineHeld = knownHeld_;
  return RecordReplacement(name, mine, mineHeld);
}

void CEditHistory::ExtendLastStep(const EffectBlock& from, const HeldBands& fromHeld) {
  if (trail_.done.empty()) return;
  HistoryStep& last = trail_.done.back();
  const EffectBlock& now = store_.Block();
  for (int i = 0; i < kParamCount; ++i) {
    const uint16_t was = ReadParam(from, i);
    const uint16_t is = ReadParam(now, i);
    if (was == is) continue;
    auto at = std::lower_bound(last.params.begin(), last.params.end(), i,
                               [](const ParamStep& p, int index) { return p.index < index; });
    if (at != last.params.end() && at->index == i) at->after = is;
    else last.params.insert(at, {static_cast<uint16_t>(i), was, is});
  }
  std::erase_if(last.params, [](const ParamStep& p) { return p.before == p.after; });
  for (int k = 0; k < kChannelCount; ++k) {
    for (int b = 0; b < kBandCount; ++b) {
      const Hold is = HoldOf(store_, k, b);
      const auto gain = static_cast<int16_t>(store_.BypassedBandGain(k, b));
      if (fromHeld.hold[k][b] == is && fromHeld.gain[k][b] == gain) continue;
      auto at = std::find_if(last.held.begin(), last.held.end(),
                             [&](const HeldBandStep& h) { return h.channel == k && h.band == b; });
      if (at != last.held.end()) {
        at->after = is;
        at->gainAfter = gain;
      } else {
        last.held.push_back({static_cast<uint8_t>(k), static_cast<uint8_t>(b), fromHeld.hold[k][b], is,
                             fromHeld.gain[k][b], gain});
      }
    }
  }
  std::erase_if(last.held,
                [](const HeldBandStep& h) { return h.before == h.after && h.gainBefore == h.gainAfter; });
  last.after = EditingState::Of(store_);
  if (last.params.empty() && last.held.empty() && last.before == last.after) trail_.done.pop_back();
}

bool CEditHistory::SendKnownBlock(const StepName& name) {
  const EffectBlock processor = store_.Block();
  const HeldBands processorHeld = HeldBands::Of(store_);
  // The step that led to mine now leads to the processor's block, so undo
  // walks back from it without a step of its own for the connection.
  ExtendLastStep(known_, knownHeld_);
  store_.AssignBlock(known_);
  knownHeld_.ApplyTo(store_);
  store_.RebuildResponses();
  const bool sent = SendWholeBlock(store_);
  RecordReplacement(name, processor, processorHeld);
  return sent;
}

namespace {

const char* KindWords(ParamKind kind) {
  switch (kind) {
    case ParamKind::MainVol:
    case ParamKind::Volume: return "volume";
    case ParamKind::Delay: return "delay";
    case ParamKind::HpType: return "high-pass type";
    case ParamKind::HpFreq: return "high-pass frequency";
    case ParamKind::LpType: return "low-pass type";
    case ParamKind::LpFreq: return "low-pass frequency";
    case ParamKind::EqFreq: return "frequency";
    case ParamKind::EqQ: return "Q";
    case ParamKind::EqGain: return "gain";
    case ParamKind::Threshold: return "limiter threshold";
    case ParamKind::Attack: return "attack time";
    case ParamKind::Release: return "release time";
    case ParamKind::NoiseGate: return "noise gate";
    default: break;  // the control masks
  }
  return "";
}

std::string Capitalised(std::string s) {
  if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
  return s;
}

}  // namespace

StepName DescribeStep(const HistoryStep& step) {
  std::vector<int> labels;  // channel label numbers, ascending
  bool sameKind = true;
  bool sameBand = true;
  ParamKind kind = ParamKind::MuteCtrl;
  int band = -1;
  for (size_t n = 0; n < step.params.size(); ++n) {
    const ParamAddress at = LocateParam(step.params[n].index);
    // The four control masks read as one kind here.
    const ParamKind k = IsControlMask(at.kind) ? ParamKind::MuteCtrl : at.kind;
    if (n == 0) {
      kind = k;
      band = at.band;
    }
    sameKind = sameKind && k == kind;
    sameBand = sameBand && at.band == band;
    const int box = at.channel;
    if (box >= 0) {
      const int label = ChannelLabelNumber(box);
      if (std::find(labels.begin(), labels.end(), label) == labels.end()) labels.push_back(label);
    }
  }
  std::sort(labels.begin(), labels.end());
  std::string channels;
  for (int label : labels) channels += (channels.empty() ? "CH" : ", CH") + std::to_string(label);
  if (step.params.empty()) {
    if (step.before.linkFlags != step.after.linkFlags) return "Link groups";
    return "Band hold-back";
  }
  if (sameKind && IsControlMask(kind)) {
    const int i = step.params[0].index;
    if (i == param::kMuteCtrl) return channels.empty() ? StepName("Mute") : StepName("Mute (%1)", {channels});
    if (i == param::kPassCtrl) return "Bypass EQ";
    if (i == param::kPhaseCtrl) return "Phase";
    return "ResetEQ";
  }
  if (step.params.size() == 1 && step.params[0].index == param::kMainVol) return "Master volume";
  const std::string words = KindWords(kind);
  if (sameKind && sameBand && band >= 0) return StepName("Band %1 " + words + " (%2)", {std::to_string(band + 1), channels});
  if (sameKind) {
    if (labels.size() == 1) return StepName("%1 " + words, {channels});
    if (labels.empty()) return StepName(Capitalised(words));
    return StepName(Capitalised(words) + " (%1)", {channels});
  }
  return channels.empty() ? StepName("Edit") : StepName("Edit (%1)", {channels});
}

std::string CEditHistory::UndoName() const { return CanUndo() ? trail_.done.back().name.Text() : std::string(); }
std::string CEditHistory::RedoName() const { return CanRedo() ? trail_.undone.back().name.Text() : std::string(); }
StepName CEditHistory::UndoStepName() const { return CanUndo() ? trail_.done.back().name : StepName(); }
StepName CEditHistory::RedoStepName() const { return CanRedo() ? trail_.undone.back().name : StepName(); }


Changes CEditHistory::Apply(const HistoryStep& step, bool forward) {
  // An undo or redo is one transfer of everything it writes back.
  CEffectStore::SendScope scope(store_);
  Changes c;
  c.full = true;
  std::array<bool, kChannelCount> touched{};
  std::vector<bool> written(kParamCount, false);  // went out through SetParam
  // The bypass keeps a band's gain in the processor while the block shows it
  // as 0: such zeros are written locally, as the bypass itself does.
  auto keptInTarget = [&](int k, int b) {
    for (const HeldBandStep& h : step.held) {
      if (h.channel == k && h.band == b) return (forward ? h.after : h.before) == Hold::kBypass;
    }
    return store_.IsHeldGainKept(k, b);
  };
  auto write = [&](const ParamStep& p) {
    const uint16_t value = forward ? p.after : p.before;
    const int i = p.index;
    const ParamAddress at = LocateParam(i);
    if (value == 0 && at.kind == ParamKind::EqGain && keptInTarget(at.channel, at.band)) {
      store_.WriteParamLocal(i, 0);
      touched[static_cast<size_t>(at.channel)] = true;
      c.params.push_back(p.index);
      return;
    }
    store_.SetParam(p.index, value);
    written[p.index] = true;
    c.params.push_back(p.index);
    // The filters and bands feed their channel's response model.
    switch (at.kind) {
      case ParamKind::HpType:
      case ParamKind::HpFreq:
      case ParamKind::LpType:
      case ParamKind::LpFreq:
      case ParamKind::EqFreq:
      case ParamKind::EqQ:
      case ParamKind::EqGain: touched[static_cast<size_t>(at.channel)] = true; break;
      default: break;
    }
  };
  if (forward) {
    for (const ParamStep& p : step.params) write(p);
  } else {
    for (auto it = step.params.rbegin(); it != step.params.rend(); ++it) write(*it);
  }
  for (const HeldBandStep& h : step.held)
    SetHold(store_, h.channel, h.band, forward ? h.after : h.before, forward ? h.gainAfter : h.gainBefore);
  if (store_.IsProcessorConnected()) AgreeGains(step, written);
  const EditingState& state = forward ? step.after : step.before;
  const EditingState was = EditingState::Of(store_);
  c.links = was.linkFlags != state.linkFlags;
  c.currentChannel = was.currentChannel != state.currentChannel;
  state.ApplyTo(store_);
  for (int k = 0; k < kChannelCount; ++k) {
    if (!touched[static_cast<size_t>(k)]) continue;
    store_.RebuildResponse(k);
    c.channels.push_back(k);
  }
  c.graph = !c.channels.empty();
  if (sendNow_ && store_.HasPendingParams()) sendNow_();
  Rebase();
  if (!store_.IsProcessorConnected()) offlineEdits_ = true;
  return c;
}

void CEditHistory::AgreeGains(const HistoryStep& step, const std::vector<bool>& written) {
  // The bands whose processor value the step may have moved: those whose gain
  // or held-back state it changed, and every band of a channel whose bypass
  // it switched.
  std::array<uint32_t, kChannelCount> bands{};
  for (const HeldBandStep& h : step.held) bands[h.channel] |= 1u << h.band;
  for (const ParamStep& p : step.params) {
    const int i = p.index;
    if (i == param::kPassCtrl) {
      for (int k = 0; k < kChannelCount; ++k)
        if (((p.before ^ p.after) >> k) & 1u) bands[k] = (1u << kBandCount) - 1;
    } else if (const ParamAddress at = LocateParam(i); at.kind == ParamKind::EqGain) {
      bands[at.channel] |= 1u << at.band;
    }
  }
  // A band the bypass held back keeps its gain in the processor (the
  // store's processor view packs it); any other band holds what the block
  // shows.
  bool resent = false;
  bool held = false;
  for (int k = 0; k < kChannelCount; ++k) {
    for (int b = 0; b < kBandCount; ++b) {
      if (!((bands[k] >> b) & 1u)) continue;
      const int i = param::EqGain(k, b);
      if (store_.IsHeldGainKept(k, b)) {
        store_.MarkPending(i, store_.ProcessorValue(i));
        held = true;
      } else if (!written[i]) {
        store_.MarkPending(i, store_.GetParam(i));
        resent = true;
      }
    }
  }
  if (resent || held) store_.SchedulePendingSend();
}

Changes CEditHistory::Undo() {
  if (!CanUndo() || Recording()) return {};
  HistoryStep step = std::move(trail_.done.back());
  trail_.done.pop_back();
  DebugOutput("RezUriru: Undo %s\n", step.name.Text().c_str());
  Changes c = Apply(step, false);
  trail_.undone.push_back(std::move(step));
  return c;
}

Changes CEditHistory::Redo() {
  if (!CanRedo() || Recording()) return {};
  HistoryStep step = std::move(trail_.undone.back());
  trail_.undone.pop_back();
  DebugOutput("RezUriru: Redo %s\n", step.name.Text().c_str());
  Changes c = Apply(step, true);
  trail_.done.push_back(std::move(step));
  return c;
}

bool CEditHistory::EndHistory() {
  const bool had = CanUndo() || CanRedo();
  trail_.done.clear();
  trail_.undone.clear();
  Rebase();
  ForgetOpenChanges();
  return had;
}

bool CEditHistory::BlockReplaced() {
  if (store_.Block() != known_) return EndHistory();
  return false;
}

void CEditHistory::SwapTrail(HistoryTrail& other) { std::swap(trail_, other); }

namespace {
// Heap bytes of a string beyond its short-string buffer.
size_t StringBytes(const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; }
}  // namespace

size_t CEditHistory::MemoryBytes() const {
  auto stepBytes = [](const HistoryStep& s) {
    return sizeof(HistoryStep) + s.params.capacity() * sizeof(ParamStep) + s.held.capacity() * sizeof(HeldBandStep) +
           StringBytes(s.name.pattern) + s.name.args.capacity() * sizeof(std::string) +
           std::accumulate(s.name.args.begin(), s.name.args.end(), size_t{0},
                           [](size_t sum, const std::string& a) { return sum + StringBytes(a); });
  };
  size_t bytes = sizeof(*this);
  for (const auto& s : trail_.done) bytes += stepBytes(s);
  for (const auto& s : trail_.undone) bytes += stepBytes(s);
  return bytes;
}

}  // namespace brisvel::editing
