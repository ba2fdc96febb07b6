// The compact window's volume rules over the effect store: which volume the
// knob shows for the Master/Sub choice, the linked range a bass-channel edit
// covers, and the mute-all state. Kept apart from the window so they can be
// checked without one.
#pragma once

#include <QString>
#include <vector>

#include "core/effect_store.h"

namespace brisvel::app {

inline constexpr int kVolumeMax = 60;  // the knob's top: 0 dB

enum class VolumeChoice { kMaster, kSub, kNone };

// The chosen volume as the block holds it (up to 66, +6 dB): MainVol or
// Volume_0; 0 without a choice. The text under the knob shows this level.
int ChosenLevel(const CEffectStore& store, VolumeChoice choice);
// The knob's position for it: the level limited to the knob's top, 60.
int ShownVolume(const CEffectStore& store, VolumeChoice choice);
// "%ddB" of value - 60.
QString VolumeText(int value);

// The channels (Box indices) an edit of channel ch changes, by the four link groups.
std::vector<int> LinkedRange(const CEffectStore& store, int channel);

// Writes v (limited to 0 ... 60) to the chosen volume: MainVol, or the volumes
// of the linked ranges of Box 0 and Box 1. Returns the value written.
int WriteVolume(CEffectStore& store, VolumeChoice choice, int value);

// The + and - buttons: the chosen volume as the block holds it plus delta,
// limited to 0 ... 60 — or, for a level above 60, to that level: a step
// never raises a volume past the knob's top, and never cuts one set above it
// (a step down from +6 dB gives +5 dB). Returns the value written.
int StepVolume(CEffectStore& store, VolumeChoice choice, int delta);

// All six mute bits set.
bool AllMuted(const CEffectStore& store);
void SetAllMuted(CEffectStore& store, bool muted);

}  // namespace brisvel::app
