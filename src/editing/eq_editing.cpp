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
}  // namespace

void CChannelEditor::Resend(int index) {
  if (!store_.IsProcessorConnected()) return;
  store_.MarkPending(index, store_.GetParam(index));
  store_.DeviceLink()->ScheduleSend();
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
  for (int k : range) {
    mask |= static_cast<uint16_t>(1u << k);
    const bool bypassed = (pass >> k) & 1;
    for (int b = 0; b < kBandCount; ++b) {
      if (bypassed && store_.IsBandHeldBack(k, b)) {
        // The edited band keeps its new gain, which the processor must get even
        // when the block held it as 0 already.
        if (b == gainEditedBand) Resend(param::EqGain(k, b));
        else r.Set(param::EqGain(k, b), store_.BypassedBandGain(k, b));
        store_.UpdateBandResponse(k, b);
      }
      store_.ClearBypassedBand(k, b);
    }
  }
  SendNow();
  r.Set(param::kPassCtrl, pass & ~mask);
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
  c.text = std::move(text);
  c.alert = EvaluateGainAlert();
  return c;
}

BandChanges CChannelEditor::CommitBandFrequency(int band, std::string_view text) {
  const int raw = ParseBandFrequency(text);
  return WriteBandValue(band, param::EqFreq, raw, BandFrequencyText(raw));
}

BandChanges CChannelEditor::StepBandFrequency(int band, std::string_view text, int step) {
  const int raw = BandFrequencyFromHz(ParseLeadingNumber(text) + step);
  return WriteBandValue(band, param::EqFreq, raw, BandFrequencyText(raw));
}

BandChanges CChannelEditor::CommitBandQ(int band, std::string_view text) {
  const Parsed p = ParseQ(text);
  return WriteBandValue(band, param::EqQ, p.raw, p.text);
}

BandChanges CChannelEditor::StepBandQ(int band, std::string_view text, int step) {
  const double q = std::clamp(ParseLeadingNumber(text), 0.4, 128.0);
  const int raw = StepQ(Truncate(q * 100), step);
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
  if (compensate) Compensate(r);
  EndBypass(r, band);
  RecomputeBand(c, band);
  c.text = GainText(raw);
  c.alert = EvaluateGainAlert();
  return c;
}

BandChanges CChannelEditor::CommitBandGain(int band, std::string_view text) {
  return WriteBandGain(band, ParseGain(text, settings_.minDb, settings_.maxDb), true);
}

BandChanges CChannelEditor::StepBandGain(int band, std::string_view text, int step) {
  const int now = GainFromDb(ParseLeadingNumber(text), settings_.minDb, settings_.maxDb);
  const int raw = std::clamp(now + 10 * step, settings_.minDb * 100, settings_.maxDb * 100);
  return WriteBandGain(band, static_cast<int16_t>(raw), false);
}

BandChanges CChannelEditor::SetBandGainFromSlider(int band, int position) {
  const int raw = std::clamp(position * 10, settings_.minDb * 100, settings_.maxDb * 100);
  return WriteBandGain(band, static_cast<int16_t>(raw), true);
}

BandChanges CChannelEditor::DragBand(int band, const EqAxes& axes, double centreX, double centreY) {
  return DragBandTo(band, axes.XToFrequency(centreX), axes.YToGain(centreY));
}

BandChanges CChannelEditor::DragBandTo(int band, double hz, double db) {
  BandChanges c;
  if (band < 0 || band >= kBandCount) return c;
  Recorder r(store_, c);
  const int frequency = BandFrequencyFromHz(hz);
  const int16_t gain = GainFromDb(db, settings_.minDb, settings_.maxDb);
  for (int k : Range()) {
    if (peq_) r.Set(param::EqFreq(k, band), frequency);
    r.Set(param::EqGain(k, band), gain);
    r.Touch(k);
  }
  EndBypass(r, band);
  Compensate(r);
  RecomputeBand(c, band);
  c.text = GainText(gain);
  c.alert = EvaluateGainAlert();
  return c;
}

BandChanges CChannelEditor::DragQ(int band, bool leftHandle, int proposedLeft, int currentLeft) {
  BandChanges c;
  if (!peq_ || band < 0 || band >= kBandCount) return c;
  const int ch = store_.CurrentChannel();
  const int moved = leftHandle ? proposedLeft - currentLeft : currentLeft - proposedLeft;
  const int index = std::clamp(NearestQIndex(store_.GetParam(param::EqQ(ch, band))) + moved, 0, kQStepCount - 1);
  const int raw = QStepTable()[index];
  Recorder r(store_, c);
  for (int k : Range()) {
    r.Set(param::EqQ(k, band), raw);
    r.Touch(k);
  }
  EndBypass(r, -1);
  RecomputeBand(c, band);
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
    for (int k : range) {
      if ((pass >> k) & 1) continue;
      for (int b = 0; b < kBandCount; ++b) {
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
