// A whole channel's bands written at once (a fit, an imported filter set).
#include <algorithm>

#include "editing/channel_editor.h"
#include "editing/recorder.h"

namespace brisvel::editing {

BandChanges CChannelEditor::SetBands(const ChannelBands& bands) {
  BandChanges c;
  Recorder r(store_, c);
  // The bypass ends first: gains it held back come back and are then
  // replaced by the new set like every other band.
  EndBypass(r, -1);
  const std::vector<int> range = Range();
  for (int k : range) {
    for (int b = 0; b < kBandCount; ++b) {
      const BandRaw& v = bands[static_cast<size_t>(b)];
      r.Set(param::EqFreq(k, b), v.freq);
      r.Set(param::EqQ(k, b), v.q);
      r.Set(param::EqGain(k, b), std::clamp(v.gain, settings_.minDb * 100, settings_.maxDb * 100));
    }
    r.Touch(k);
  }
  Compensate(r);
  for (int b = 0; b < kBandCount; ++b) RecomputeBand(c, b);
  SendBandEdit();
  c.alert = EvaluateGainAlert();
  return c;
}

}  // namespace brisvel::editing
