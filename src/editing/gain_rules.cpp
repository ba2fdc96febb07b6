// Gain compensation and the gain alert decision.
#include "editing/gain_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/scales.h"

namespace brisvel::editing {

GainAlert DecideGainAlert(const CEffectStore& store, int channel, bool alertEnabled) {
  if (!alertEnabled) return GainAlert::kNone;
  return store.Response(channel).Peak() >= kGainAlertPeakDb ? GainAlert::kStart : GainAlert::kCancel;
}

std::optional<int> CompensatedVolume(CEffectStore& store, int ch, double k) {
  if (k > -0.001 && k <= 0.001) return std::nullopt;
  const int mainDb = store.GetParam(param::kMainVol) - 60;
  const int volume = store.GetParam(param::Volume(ch));
  const int saved = store.SavedChannelLevel(ch);
  const int levelDb = (saved != -1 ? saved : volume) - 60;
  // The largest boost among the bands that are not held back.
  int boost = 0;
  for (int b = 0; b < kBandCount; ++b) {
    if (store.IsBandHeldBack(ch, b)) continue;
    boost = std::max(boost, static_cast<int>(static_cast<int16_t>(store.GetParam(param::EqGain(ch, b)))));
  }
  if (std::abs(levelDb + mainDb) >= boost / 100.0) {
    // No boost left to make up for: back to the saved level, if any.
    if (saved == -1 || saved == volume) return std::nullopt;
    return saved;
  }
  const int value = std::clamp(Truncate(levelDb - k * (boost / 100.0 + mainDb)) + 60, 0, 60);
  if (value == volume) return std::nullopt;
  if (saved == -1) store.SetSavedChannelLevel(ch, volume);
  return value;
}

}  // namespace brisvel::editing
