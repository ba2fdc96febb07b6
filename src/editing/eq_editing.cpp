// Equaliser editing: band frequency, Q and gain edits over the linked range,
// handle drags, bypass and hold-back, with the gain compensation and the gain
// alert decision that follow gain edits.
#include <algorithm>

#include "core/scales.h"
#include "editing/channel_editor.h"
#include "editing/recorder.h"

namespace brisvel::editing {

namespace {
int16_t Gain(const CEffectStore& store, int k, int b) {
  return static_cast<int16_t>(store.GetParam(param::EqGain(k, b)));
}
size_t Clamped(int band) { return static_cast<size_t>(std::clamp(band, 0, kBandCount - 1)); }
}  // namespace

void CChannelEditor::Resend(int index) {
  if (!store_.IsProcessorConnected()) return;
  store_.MarkPending(index, store_.GetParam(index));
  store_.SchedulePendingSend();
}

GainAlert CChannelEditor::EvaluateGainAlert() const {
  return DecideGainAlert(store_, store_.CurrentChannel(), settings_.alertEnabled);
}

// A band edit ends the equaliser bypass of the range. Gains the bypass held
// back were zeroed in the block only (the processor kept them), so they are
// written back; the band the edit just set keeps its new gain. Bands held back
// one by one are already 0 on the processor and are simply released.
void CChannelEditor::EndBypass(Recorder& r, int gainEditedBand) {
  const std::vector<int> range = Range();
  const uint16_t pass = store_.GetParam(param::kPassCtrl);
  uint16_t mask = 0;
  for (int k : range) mask |= static_cast<uint16_t>(1u << k);
  const bool bypassed = (pass & mask) != 0;
  for (int k : range) {
    const bool channelBypassed = (pass >> k) & 1;
    for (int b = 0; b < kBandCount; ++b) {
      if (channelBypassed && store_.IsBandHeldBack(k, b)) {
        // The edited band keeps its new gain, which the processor must get even
        // when the block held it as 0 already.
        if (b == gainEditedBand) Resend(param::EqGain(k, b));
        else r.Set(param::EqGain(k, b), store_.BypassedBandGain(k, b));
        store_.UpdateBandResponse(k, b);
      }
      store_.ClearBypassedBand(k, b);
    }
  }
  // A bypassed equaliser needs the order: its gains first, then the PassCtrl
  // bits that switch it back on, which go with the rest of the operation
  // when it ends (SendBandEdit).
  if (!bypassed) return;
  SendNow();
  r.Set(param::kPassCtrl, pass & ~mask);
}

void CChannelEditor::SendBandEdit() {
  // A band edit reaches the processor at once, as one transfer of all it
  // changed (the bands of every linked channel, PassCtrl, the compensated
  // volumes), without waiting for the effect sender's spacing.
  SendNow();
}

void CChannelEditor::Compensate(Recorder& r) {
  const int ch = store_.CurrentChannel();
  const std::optional<int> volume = CompensatedVolume(store_, ch, settings_.scaleFactor);
  if (!volume) return;
  for (int k : LinkedRange(store_, ch)) {
    r.Set(param::Volume(k), *volume);
    r.Touch(k);
  }
}

void CChannelEditor::RecomputeBand(BandChanges& c, int band) {
  // Every channel of the range shows the band's new values when it is selected.
  for (int k : Range()) store_.UpdateBandResponse(k, band);
  c.graph = true;
}

BandChanges CChannelEditor::WriteBandValue(int band, int (*index)(int, int), int raw, std::string text) {
  BandChanges c;
  if (band < 0 || band >= kBandCount) return c;
  Recorder r(store_, c);
  for (int k : Range()) {
    r.Set(index(k, band), raw);
    r.Touch(k);
  }
  EndBypass(r, -1);
  RecomputeBand(c, band);
  SendBandEdit();
  c.text = std::move(text);
  c.alert = EvaluateGainAlert();
  return c;
}

BandChanges CChannelEditor::UnchangedBand(int band, std::string text) const {
  BandChanges c;
  if (band >= 0 && band < kBandCount) c.text = std::move(text);
  return c;
}

BandChanges CChannelEditor::CommitBandFrequency(int band, std::string_view text) {
  const std::optional<int> raw = ParseBandFrequency(text);
  if (!raw) return UnchangedBand(band, ChannelEqView(store_, CurrentChannel()).bands[Clamped(band)].frequency);
  return WriteBandValue(band, param::EqFreq, *raw, BandFrequencyText(*raw));
}

BandChanges CChannelEditor::StepBandFrequency(int band, std::string_view text, int step) {
  if (band < 0 || band >= kBandCount) return {};
  const int held = store_.GetParam(param::EqFreq(CurrentChannel(), band));
  const int raw = brisvel::StepBandFrequency(ParseBandFrequency(text).value_or(held), step);
  return WriteBandValue(band, param::EqFreq, raw, BandFrequencyText(raw));
}

BandChanges CChannelEditor::CommitBandQ(int band, std::string_view text) {
  const std::optional<Parsed> p = ParseQ(text);
  if (!p) return UnchangedBand(band, ChannelEqView(store_, CurrentChannel()).bands[Clamped(band)].q);
  return WriteBandValue(band, param::EqQ, p->raw, p->text);
}

BandChanges CChannelEditor::StepBandQ(int band, std::string_view text, int step) {
  if (band < 0 || band >= kBandCount) return {};
  const std::optional<Parsed> p = ParseQ(text);
  const int raw = StepQ(p ? p->raw : store_.GetParam(param::EqQ(CurrentChannel(), band)), step);
  return WriteBandValue(band, param::EqQ, raw, QText(raw));
}

BandChanges CChannelEditor::WriteBandGain(int band, int16_t raw, bool compensate) {
  BandChanges c;
  if (band < 0 || band >= kBandCount) return c;
  Recorder r(store_, c);
  for (int k : Range()) {
    r.Set(param::EqGain(k, band), raw);
    r.Touch(k);
  }
  // The bypass ends first, so the compensation sees the gains it gives back.
  EndBypass(r, band);
  if (compensate) Compensate(r);
  RecomputeBand(c, band);
  SendBandEdit();
  c.text = GainText(raw);
  c.alert = EvaluateGainAlert();
  return c;
}

BandChanges CChannelEditor::CommitBandGain(int band, std::string_view text) {
  const std::optional<int16_t> raw = ParseGain(text, settings_.minDb, settings_.maxDb);
  if (!raw) return UnchangedBand(band, ChannelEqView(store_, CurrentChannel()).bands[Clamped(band)].gain);
  return WriteBandGain(band, *raw, true);
}

BandChanges CChannelEditor::StepBandGain(int band, std::string_view text, int step) {
  if (band < 0 || band >= kBandCount) return {};
  // A typo steps from the gain shown (0 while the band is held back).
  const int16_t now = ParseGain(text, settings_.minDb, settings_.maxDb).value_or(ShownBandGain(store_, CurrentChannel(), band));
  return WriteBandGain(band, StepGain(now, step, settings_.minDb, settings_.maxDb), false);
}

BandChanges CChannelEditor::SetBandGainFromSlider(int band, int position) {
  const int raw = std::clamp(position * 10, settings_.minDb * 100, settings_.maxDb * 100);
  return WriteBandGain(band, static_cast<int16_t>(raw), true);
}

BandChanges CChannelEditor::DragBand(int band, const EqAxes& axes, std::optional<double> centreX,
                                     std::optional<double> centreY) {
  std::optional<double> hz, db;
  if (centreX) hz = axes.XToFrequency(*centreX);
  if (centreY) db = axes.YToGain(*centreY);
  return DragBandTo(band, hz, db);
}

BandChanges CChannelEditor::DragBandTo(int band, std::optional<double> hz, std::optional<double> db) {
  BandChanges c;
  if (band < 0 || band >= kBandCount) return c;
  const int ch = CurrentChannel();
  const std::vector<int> range = Range();
  // Only what the drag moved is written; a value of the edited channel that
  // comes out as it was is not an edit (a handle pressed and let go, or moved
  // sideways in GEQ mode, changes nothing).
  std::optional<int> frequency;
  std::optional<int16_t> gain;
  if (hz && peq_) frequency = BandFrequencyFromHz(*hz);
  if (db) gain = GainFromDb(*db, settings_.minDb, settings_.maxDb);
  auto changes = [&](int k) {
    return (frequency && store_.GetParam(param::EqFreq(k, band)) != *frequency) ||
           (gain && static_cast<int16_t>(store_.GetParam(param::EqGain(k, band))) != *gain);
  };
  if (std::none_of(range.begin(), range.end(), changes)) return c;
  Recorder r(store_, c);
  for (int k : range) {
    if (frequency) r.Set(param::EqFreq(k, band), *frequency);
    if (gain) r.Set(param::EqGain(k, band), *gain);
    r.Touch(k);
  }
  EndBypass(r, gain ? band : -1);
  if (gain) Compensate(r);
  RecomputeBand(c, band);
  SendBandEdit();
  c.text = GainText(static_cast<int16_t>(store_.GetParam(param::EqGain(ch, band))));
  c.alert = EvaluateGainAlert();
  return c;
}

BandChanges CChannelEditor::DragQ(int band, int moved) {
  BandChanges c;
  if (!peq_ || band < 0 || band >= kBandCount) return c;
  const int ch = store_.CurrentChannel();
  // A Q handle pressed and let go is not an edit, even for a typed Q that
  // lies between two steps of the table.
  if (moved == 0) return c;
  const int index = std::clamp(NearestQIndex(store_.GetParam(param::EqQ(ch, band))) + moved, 0, kQStepCount - 1);
  const int raw = QStepTable()[index];
  Recorder r(store_, c);
  for (int k : Range()) {
    r.Set(param::EqQ(k, band), raw);
    r.Touch(k);
  }
  EndBypass(r, -1);
  RecomputeBand(c, band);
  SendBandEdit();
  c.text = QText(raw);
  return c;
}

BandChanges CChannelEditor::SetBypass(bool on) {
  BandChanges c;
  const std::vector<int> range = Range();
  uint16_t mask = 0;
  for (int k : range) mask |= static_cast<uint16_t>(1u << k);
  const uint16_t pass = store_.GetParam(param::kPassCtrl);
  const uint16_t next = on ? (pass | mask) : (pass & ~mask);
  Recorder r(store_, c);
  if (on) {
    SendNow();
    r.Set(param::kPassCtrl, next);
    SendNow();
    // The processor bypasses the equaliser on the PassCtrl bit and keeps its
    // gains; the block shows them as 0 until the bypass ends. A channel that
    // is bypassed already keeps what it holds back: its zeroes are not gains.
    // A band held back on its own keeps its own hold and gain (0 in the
    // processor), so the bypass gives it back like every other band.
    for (int k : range) {
      if ((pass >> k) & 1) continue;
      for (int b = 0; b < kBandCount; ++b) {
        if (store_.IsBandHeldBack(k, b)) continue;
        const int16_t g = Gain(store_, k, b);
        store_.SetBypassedBand(k, b, g != 0, g, true);
        if (g != 0) {
          store_.WriteParamLocal(param::EqGain(k, b), 0);
          store_.UpdateBandResponse(k, b);
        }
      }
    }
  } else {
    for (int k : range) {
      for (int b = 0; b < kBandCount; ++b) {
        if (!store_.IsBandHeldBack(k, b)) continue;
        r.Set(param::EqGain(k, b), store_.BypassedBandGain(k, b));
        store_.ClearBypassedBand(k, b);
        store_.UpdateBandResponse(k, b);
      }
    }
    SendNow();
    r.Set(param::kPassCtrl, next);
    SendNow();
  }
  for (int k : range) r.Touch(k);
  c.graph = true;
  return c;
}

BandChanges CChannelEditor::SetBandHeldBack(int band, bool held) {
  BandChanges c;
  if (band < 0 || band >= kBandCount) return c;
  const int ch = store_.CurrentChannel();
  const int16_t g = Gain(store_, ch, band);
  Recorder r(store_, c);
  if (held) {
    if (g == 0) return c;
    for (int k : Range()) {
      store_.SetBypassedBand(k, band, true, g);
      r.Set(param::EqGain(k, band), 0);
      r.Touch(k);
    }
  } else {
    // Not held back: the box shows checked again (its gain is 0) and nothing changes.
    if (!store_.IsBandHeldBack(ch, band)) {
      r.Touch(ch);
      return c;
    }
    const int gain = store_.BypassedBandGain(ch, band);
    for (int k : Range()) {
      r.Set(param::EqGain(k, band), gain);
      store_.ClearBypassedBand(k, band);
      r.Touch(k);
    }
  }
  RecomputeBand(c, band);
  return c;
}

}  // namespace brisvel::editing
