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

// The volume the knob shows: MainVol or Volume_0 limited to 60; 0 without a choice.
int ShownVolume(const CEffectStore& store, VolumeChoice choice);
// "%ddB" of value - 60.
QString VolumeText(int value);

// The channels (Box indices) an edit of channel ch changes, by the four link groups.
std::vector<int> LinkedRange(const CEffectStore& store, int channel);

// Writes v (limited to 0 ... 60) to the chosen volume: MainVol, or the volumes
// of the linked ranges of Box 0 and Box 1. Returns the value written.
int WriteVolume(CEffectStore& store, VolumeChoice choice, int value);

// The + and - buttons: the chosen volume as the block holds it (MainVol may
// be above the knob's 60) plus delta, written as by WriteVolume. Returns the
// value written.
int StepVolume(CEffectStore& store, VolumeChoice choice, int delta);

// All six mute bits set.
bool AllMuted(const CEffectStore& store);
void SetAllMuted(CEffectStore& store, bool muted);

}  // namespace brisvel::app
