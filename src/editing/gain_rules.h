// The two behaviours that follow equaliser gain edits, as decisions over the
// effect store: the automatic channel-gain compensation and the gain alert.
#pragma once

#include <optional>

#include "core/effect_store.h"

namespace brisvel::editing {

// The summed response of a channel at or above this peak asks for the alert.
constexpr double kGainAlertPeakDb = 25.5;

enum class GainAlert {
  kNone,    // the alert is disabled: leave the timer as it is
  kStart,   // (re)start the alert timer with the alert delay
  kCancel,  // stop the alert timer
};

// Decision for channel `channel` from its response model's peak.
GainAlert DecideGainAlert(const CEffectStore& store, int channel, bool alertEnabled);

// The compensated volume byte of `channel` after a gain edit, or nothing when
// its volume stays. scaleFactor is the stored scale ÷ 100; a factor within
// (-0.001, 0.001] turns compensation off. May save the channel's level
// (savedChannelLevels) before its first compensation.
std::optional<int> CompensatedVolume(CEffectStore& store, int channel, double scaleFactor);

}  // namespace brisvel::editing
