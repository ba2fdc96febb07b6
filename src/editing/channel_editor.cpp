// Channel editing: selection and link groups, volumes, phase and mute,
// crossover, limiter, noise gate, delays, input mode and the equaliser reset.
#include "editing/channel_editor.h"

#include <algorithm>

#include "core/scales.h"
#include "editing/history.h"
#include "editing/recorder.h"

namespace brisvel::editing {

namespace {

constexpr int kVolumeMaxRaw = 66;
constexpr uint16_t kAllChannelBits = 0x3F;

// The raw value a stepped text starts from: what it says, or the value held
// when it says nothing a field can read (a typo steps from the value shown).
template <class Parse>
int StepBase(std::string_view text, int held, Parse parse) {
  const auto parsed = parse(text);
  return parsed ? parsed->raw : held;
}

uint16_t WithBit(uint16_t bits, int channel, bool on) {
  const uint16_t bit = static_cast<uint16_t>(1u << channel);
  return on ? (bits | bit) : (bits & ~bit);
}

int TypeIndex(Filter f, int k) { return f == Filter::kHighPass ? param::HpType(k) : param::LpType(k); }
int FreqIndex(Filter f, int k) { return f == Filter::kHighPass ? param::HpFreq(k) : param::LpFreq(k); }

// What a link copy takes from the base channel before its bands, in this order.
int (*const kCopiedParams[])(int) = {param::Volume, param::HpType,    param::HpFreq, param::LpType,
                                     param::LpFreq, param::Threshold, param::Attack, param::Release};

bool ValidChannel(int channel) { return channel >= 0 && channel < kChannelCount; }

}  // namespace

int16_t ShownBandGain(const CEffectStore& store, int ch, int b) {
  const bool bypassed = (store.GetParam(param::kPassCtrl) >> ch) & 1;
  if (bypassed || store.IsBandHeldBack(ch, b)) return 0;
  return static_cast<int16_t>(store.GetParam(param::EqGain(ch, b)));
}

EqView ChannelEqView(const CEffectStore& store, int ch) {
  EqView view;
  int count = 0;
  for (int b = 0; b < kBandCount; ++b) {
    BandView& v = view.bands[b];
    v.frequency = BandFrequencyText(store.GetParam(param::EqFreq(ch, b)));
    v.q = QText(store.GetParam(param::EqQ(ch, b)));
    const int16_t g = ShownBandGain(store, ch, b);
    if (g == 0) {
      ++count;
      v.heldBack = true;
    }
    v.gain = GainText(g);
    v.slider = GainSliderPosition(g);
  }
  view.bypass = count == kBandCount;
  return view;
}

CChannelEditor::CChannelEditor(CEffectStore& store, IEditLink* link, EqSettings settings)
    : store_(store), link_(link), settings_(settings) {}

void CChannelEditor::SendNow() {
  if (link_) link_->SendNow();
}

// ---- channels and link groups ----

Changes CChannelEditor::SelectChannel(int channel) {
  Changes c;
  if (!ValidChannel(channel)) return c;
  const std::vector<int> selected = SelectedChannels();
  if (std::find(selected.begin(), selected.end(), channel) != selected.end()) return c;
  store_.SetCurrentChannel(channel);
  c.currentChannel = true;
  return c;
}

Changes CChannelEditor::ChooseLinkMenuItem(LinkGroup group, int menuItem) {
  if (menuItem < 201 || menuItem > 206) return {};
  return ChooseLinkBase(group, menuItem - 201);
}

Changes CChannelEditor::ChooseLinkBase(LinkGroup group, int base) {
  Changes c;
  if (!IsGroupBase(group, base)) return c;
  // The other groups go off first, so that the copy covers exactly the chosen
  // group even when the four-speaker group held these channels before.
  store_.ClearLinkFlags();
  store_.SetLinkFlag(static_cast<int>(group), base + 1);
  Recorder r(store_, c);
  const std::vector<int> range = LinkedRange(store_, base);
  for (int k : range) {
    r.Touch(k);
    if (k == base) continue;
    for (int (*index)(int) : kCopiedParams) r.Set(index(k), store_.GetParam(index(base)));
    for (int b = 0; b < kBandCount; ++b) {
      r.Set(param::EqFreq(k, b), store_.GetParam(param::EqFreq(base, b)));
      r.Set(param::EqGain(k, b), store_.GetParam(param::EqGain(base, b)));
      r.Set(param::EqQ(k, b), store_.GetParam(param::EqQ(base, b)));
      // The processor may still hold the gain of a held-back band: it gets the copy too.
      if (store_.IsBandHeldBack(k, b)) Resend(param::EqGain(k, b));
    }
    // Gains held back for k belonged to its old bands; they must not come back over the copy.
    store_.ClearBypassedBands(k);
    store_.RebuildResponse(k);
  }
  store_.SetCurrentChannel(base);
  c.currentChannel = true;
  c.links = true;
  c.graph = true;
  return c;
}

Changes CChannelEditor::ClearLink(LinkGroup group) {
  Changes c;
  const int was = store_.LinkFlag(static_cast<int>(group));
  store_.SetLinkFlag(static_cast<int>(group), 0);
  store_.SetCurrentChannel(was != 0 ? was - 1 : 0);
  c.links = true;
  c.currentChannel = true;
  return c;
}

// ---- volumes, phase, mute ----

Changes CChannelEditor::SetMasterVolume(int raw) {
  Changes c;
  raw = std::clamp(raw, 0, kVolumeMaxRaw);
  Recorder(store_, c).Set(param::kMainVol, raw);
  c.text = VolumeText(raw);
  return c;
}

Changes CChannelEditor::CommitMasterVolume(std::string_view text) {
  const std::optional<Parsed> p = ParseVolume(text);
  if (!p) return Unchanged(VolumeText(store_.GetParam(param::kMainVol)));
  return SetMasterVolume(p->raw);
}

Changes CChannelEditor::StepMasterVolume(std::string_view text, int step) {
  return SetMasterVolume(StepVolume(StepBase(text, store_.GetParam(param::kMainVol), ParseVolume), step));
}

Changes CChannelEditor::SetMasterMute(bool muted) {
  Changes c;
  Recorder r(store_, c);
  r.Set(param::kMuteCtrl, muted ? kAllChannelBits : 0);
  for (int k = 0; k < kChannelCount; ++k) r.Touch(k);
  return c;
}

void CChannelEditor::WriteVolumes(Recorder& r, int channel, int raw, bool clearSaved) {
  for (int k : LinkedRange(store_, channel)) {
    r.Set(param::Volume(k), raw);
    if (clearSaved) store_.SetSavedChannelLevel(k, -1);
    r.Touch(k);
  }
}

Changes CChannelEditor::SetChannelVolume(int channel, int raw) {
  Changes c;
  if (!ValidChannel(channel)) return c;
  raw = std::clamp(raw, 0, kVolumeMaxRaw);
  Recorder r(store_, c);
  WriteVolumes(r, channel, raw, true);
  c.text = VolumeText(raw);
  return c;
}

Changes CChannelEditor::CommitChannelVolume(int channel, std::string_view text) {
  if (!ValidChannel(channel)) return {};
  const std::optional<Parsed> p = ParseVolume(text);
  if (!p) return Unchanged(VolumeText(store_.GetParam(param::Volume(channel))));
  return SetChannelVolume(channel, p->raw);
}

Changes CChannelEditor::StepChannelVolume(int channel, std::string_view text, int step) {
  Changes c;
  if (!ValidChannel(channel)) return c;
  const int raw = StepVolume(StepBase(text, store_.GetParam(param::Volume(channel)), ParseVolume), step);
  Recorder r(store_, c);
  WriteVolumes(r, channel, raw, false);
  c.text = VolumeText(raw);
  return c;
}

Changes CChannelEditor::SetPhase(int channel, bool inverted) {
  Changes c;
  if (!ValidChannel(channel)) return c;
  Recorder r(store_, c);
  r.Set(param::kPhaseCtrl, WithBit(store_.GetParam(param::kPhaseCtrl), channel, inverted));
  r.Touch(channel);
  return c;
}

Changes CChannelEditor::SetMute(int channel, bool muted) {
  Changes c;
  if (!ValidChannel(channel)) return c;
  Recorder r(store_, c);
  r.Set(param::kMuteCtrl, WithBit(store_.GetParam(param::kMuteCtrl), channel, muted));
  r.Touch(channel);
  return c;
}

// ---- crossover ----

void CChannelEditor::WriteTypeByte(Recorder& r, Filter filter, uint8_t value) {
  for (int k : Range()) {
    r.Set(TypeIndex(filter, k), value);
    if (filter == Filter::kHighPass) store_.UpdateHighPassResponse(k);
    else store_.UpdateLowPassResponse(k);
    r.Touch(k);
  }
}

Changes CChannelEditor::SetCharacteristic(Filter filter, int index) {
  Changes c;
  if (index < 0 || index > 3) return c;
  const auto now = static_cast<uint8_t>(store_.GetParam(TypeIndex(filter, store_.CurrentChannel())));
  Recorder r(store_, c);
  WriteTypeByte(r, filter, WithCharacteristic(now, index));
  c.graph = true;
  return c;
}

Changes CChannelEditor::SetSlope(Filter filter, int index) {
  Changes c;
  if (index < 0 || index >= kSlopeCount) return c;
  const auto now = static_cast<uint8_t>(store_.GetParam(TypeIndex(filter, store_.CurrentChannel())));
  Recorder r(store_, c);
  WriteTypeByte(r, filter, WithSlope(now, index));
  c.graph = true;
  return c;
}

Changes CChannelEditor::WriteFilterFrequency(Filter filter, int raw, std::string text) {
  Changes c;
  Recorder r(store_, c);
  for (int k : Range()) {
    r.Set(FreqIndex(filter, k), raw);
    if (filter == Filter::kHighPass) store_.UpdateHighPassResponse(k);
    else store_.UpdateLowPassResponse(k);
    r.Touch(k);
  }
  c.text = std::move(text);
  c.graph = true;
  return c;
}

Changes CChannelEditor::CommitFilterFrequency(Filter filter, std::string_view text) {
  const bool high = filter == Filter::kHighPass;
  const std::optional<Parsed> p = high ? ParseHighPass(text) : ParseLowPass(text);
  if (!p) {
    const int held = store_.GetParam(FreqIndex(filter, store_.CurrentChannel()));
    return Unchanged(high ? HighPassText(held) : LowPassText(held));
  }
  return WriteFilterFrequency(filter, p->raw, p->text);
}

Changes CChannelEditor::StepFilterFrequency(Filter filter, std::string_view text, int step) {
  const int held = store_.GetParam(FreqIndex(filter, store_.CurrentChannel()));
  if (filter == Filter::kHighPass) {
    // "OFF" stands just below the lowest frequency: one step up gives 20 Hz.
    const int raw = StepHighPass(StepBase(text, held, ParseHighPass), step);
    return WriteFilterFrequency(filter, raw, HighPassText(raw));
  }
  const int raw = StepLowPass(StepBase(text, held, ParseLowPass), step);
  return WriteFilterFrequency(filter, raw, LowPassText(raw));
}

Changes CChannelEditor::DragFilter(Filter filter, double hz) {
  if (filter == Filter::kHighPass) {
    const int raw = HighPassFromDrag(hz);
    return WriteFilterFrequency(filter, raw, HighPassText(raw));
  }
  const int raw = LowPassFromHz(hz);
  return WriteFilterFrequency(filter, raw, LowPassText(raw));
}

// ---- limiter and noise gate ----

void CChannelEditor::WriteOverRange(Recorder& r, int (*index)(int), int raw) {
  for (int k : Range()) {
    r.Set(index(k), raw);
    r.Touch(k);
  }
}

Changes CChannelEditor::WriteLimiterValue(int (*index)(int), int raw, std::string text) {
  Changes c;
  Recorder r(store_, c);
  WriteOverRange(r, index, raw);
  c.text = std::move(text);
  return c;
}

Changes CChannelEditor::CommitThreshold(std::string_view text) {
  const std::optional<Parsed> p = ParseThreshold(text);
  const auto held = static_cast<int16_t>(store_.GetParam(param::Threshold(store_.CurrentChannel())));
  if (!p) return Unchanged(ThresholdText(held));
  return WriteLimiterValue(param::Threshold, p->raw, p->text);
}

Changes CChannelEditor::StepThreshold(std::string_view text, int step) {
  const auto held = static_cast<int16_t>(store_.GetParam(param::Threshold(store_.CurrentChannel())));
  const int raw = brisvel::StepThreshold(StepBase(text, held, ParseThreshold), step);
  return WriteLimiterValue(param::Threshold, raw, ThresholdText(static_cast<int16_t>(raw)));
}

Changes CChannelEditor::CommitAttack(std::string_view text) {
  const std::optional<Parsed> p = ParseAttack(text);
  const auto held = static_cast<int16_t>(store_.GetParam(param::Attack(store_.CurrentChannel())));
  if (!p) return Unchanged(AttackText(held));
  return WriteLimiterValue(param::Attack, p->raw, p->text);
}

Changes CChannelEditor::StepAttack(std::string_view text, int step) {
  const auto held = static_cast<int16_t>(store_.GetParam(param::Attack(store_.CurrentChannel())));
  const int raw = brisvel::StepAttack(StepBase(text, held, ParseAttack), step);
  return WriteLimiterValue(param::Attack, raw, AttackText(static_cast<int16_t>(raw)));
}

Changes CChannelEditor::SetRelease(int index) {
  Changes c;
  if (index < 0 || index >= kReleaseCount) return c;
  Recorder r(store_, c);
  WriteOverRange(r, param::Release, index);
  c.text = ReleaseText(index);
  return c;
}

Changes CChannelEditor::SetNoiseGate(int index) {
  Changes c;
  if (index < 0 || index >= kNoiseGateCount) return c;
  Recorder(store_, c).Set(param::kNoiseGate, index);
  c.text = NoiseGateText(index);
  return c;
}

// ---- delays and input mode ----

Changes CChannelEditor::WriteDelay(int channel, int raw) {
  Changes c;
  Recorder r(store_, c);
  r.Set(param::Delay(channel), raw);
  r.Touch(channel);
  c.text = DelayText(channel);
  return c;
}

Changes CChannelEditor::CommitDelay(int channel, std::string_view text) {
  if (!ValidChannel(channel)) return {};
  const std::optional<Parsed> p = ParseDelay(text, std::clamp(store_.DelayUnit(), 0, 2));
  if (!p) return Unchanged(DelayText(channel));
  return WriteDelay(channel, p->raw);
}

Changes CChannelEditor::StepDelay(int channel, std::string_view text, int step) {
  if (!ValidChannel(channel)) return {};
  const int unit = std::clamp(store_.DelayUnit(), 0, 2);
  const int held = store_.GetParam(param::Delay(channel));
  const int base = StepBase(text, held, [unit](std::string_view t) { return ParseDelay(t, unit); });
  // One sample a step in every unit, so that up and down meet again.
  return WriteDelay(channel, brisvel::StepDelay(base, step));
}

Changes CChannelEditor::SetDelayUnit(int unit) {
  Changes c;
  if (unit < 0 || unit > 2) return c;
  store_.SetDelayUnit(unit);
  c.delays = true;
  return c;
}

std::string CChannelEditor::DelayText(int channel) const {
  return brisvel::DelayText(store_.GetParam(param::Delay(channel)), store_.DelayUnit());
}

bool CChannelEditor::SetInputMode(int mode) {
  if (!link_ || !store_.IsProcessorConnected()) return false;
  return link_->SetInputMode(mode);
}

// ---- equaliser reset ----

BandChanges CChannelEditor::ResetEqualiser() {
  BandChanges c;
  const std::vector<int> range = Range();
  uint16_t mask = 0;
  for (int k : range) mask |= static_cast<uint16_t>(1u << k);
  // The processor resets the channels on the ResetCtrl bits; the program's
  // own block never keeps them.
  store_.WriteParamLocal(param::kResetCtrl, 0);
  Recorder r(store_, c);
  r.Set(param::kResetCtrl, mask);
  SendNow();
  // The bits go back to 0 through SetParam, so the processor's copy of the
  // byte is cleared with the next transfer too and it ends up holding exactly
  // the block shown (a processor that keeps the byte would otherwise hold the
  // mask, and a later full write would reset the channels again).
  r.Set(param::kResetCtrl, 0);
  const EffectBlock& factory = FactoryBlock();
  for (int k : range) {
    std::vector<int> indices = {param::HpFreq(k), param::HpType(k), param::LpFreq(k), param::LpType(k)};
    for (int b = 0; b < kBandCount; ++b) {
      indices.insert(indices.end(), {param::EqFreq(k, b), param::EqQ(k, b), param::EqGain(k, b)});
    }
    // Through SetParam, so the processor also gets the factory values: its
    // own reset and our block then agree even if the reset frame was lost or
    // the processor's reset values differ from the factory block.
    for (int index : indices) r.Set(index, ReadParam(factory, index));
    // Held-back gains are 0 in the block already; the processor may hold others.
    for (int b = 0; b < kBandCount; ++b)
      if (store_.IsBandHeldBack(k, b)) Resend(param::EqGain(k, b));
    store_.ClearBypassedBands(k);
    store_.RebuildResponse(k);
    r.Touch(k);
  }
  c.full = true;
  c.graph = true;
  c.alert = EvaluateGainAlert();
  return c;
}

// ---- crossover presets and channel copies ----

Changes CChannelEditor::ApplyCrossoverPreset(const CrossoverPreset& preset) {
  const Filter filter = preset.highPass ? Filter::kHighPass : Filter::kLowPass;
  const int type = preset.highPass ? param::HpType(store_.CurrentChannel()) : param::LpType(store_.CurrentChannel());
  const auto now = static_cast<uint8_t>(store_.GetParam(type));
  const std::optional<Parsed> corner = (preset.highPass ? ParseHighPass : ParseLowPass)(std::to_string(preset.hz));
  if (!corner) return {};
  const int raw = corner->raw;
  Changes c;
  {
    Recorder r(store_, c);  // the type byte and the corner go out together
    for (int k : Range()) r.Set(FreqIndex(filter, k), raw);
    WriteTypeByte(r, filter, WithSlope(WithCharacteristic(now, preset.characteristic), preset.slope));
  }
  c.text = preset.highPass ? HighPassText(raw) : LowPassText(raw);
  c.graph = true;
  return c;
}

Changes CChannelEditor::CopyChannel(int from, const std::vector<int>& to, const CopyParts& parts) {
  Changes c;
  if (!ValidChannel(from) || !parts.Any()) return c;
  std::vector<int> targets;
  for (int k : to) {
    if (!ValidChannel(k)) continue;
    for (int linked : LinkedRange(store_, k))
      if (linked != from && std::find(targets.begin(), targets.end(), linked) == targets.end()) targets.push_back(linked);
  }
  if (targets.empty()) return c;
  {
    Recorder r(store_, c);  // every part to every channel in one transfer
    for (int k : targets) {
      auto copy = [&](int (*index)(int)) { r.Set(index(k), store_.GetParam(index(from))); };
      if (parts.volume) {
        copy(param::Volume);
        store_.SetSavedChannelLevel(k, -1);
      }
      if (parts.crossovers) {
        for (auto index : {param::HpType, param::HpFreq, param::LpType, param::LpFreq}) copy(index);
      }
      if (parts.limiter) {
        for (auto index : {param::Threshold, param::Attack, param::Release}) copy(index);
      }
      if (parts.polarity) {
        const bool inverted = (store_.GetParam(param::kPhaseCtrl) >> from & 1) != 0;
        r.Set(param::kPhaseCtrl, WithBit(store_.GetParam(param::kPhaseCtrl), k, inverted));
      }
      if (parts.eq) {
        for (int b = 0; b < kBandCount; ++b) {
          for (auto index : {param::EqFreq, param::EqQ, param::EqGain}) r.Set(index(k, b), store_.GetParam(index(from, b)));
          SetHold(store_, k, b, HoldOf(store_, from, b), store_.BypassedBandGain(from, b));
        }
      }
      r.Touch(k);
    }
  }
  store_.RebuildResponses();
  c.graph = true;
  return c;
}

}  // namespace brisvel::editing
