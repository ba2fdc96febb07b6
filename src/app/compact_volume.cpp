// Volume, link-range and mute rules of the compact window.

#include "app/compact_volume.h"

#include <QString>
#include <algorithm>

namespace brisvel::app {

namespace {
// Indices of the four link flags: front pair, rear pair, four speakers, bass pair.
constexpr int kLinkFront = 0;
constexpr int kLinkRear = 1;
constexpr int kLinkFour = 2;
constexpr int kLinkBass = 3;
constexpr uint16_t kAllMuteBits = 0x3F;
}  // namespace

int ChosenLevel(const CEffectStore& store, VolumeChoice choice) {
  if (choice == VolumeChoice::kMaster) return store.GetParam(param::kMainVol);
  if (choice == VolumeChoice::kSub) return store.GetParam(param::Volume(0));
  return 0;
}

int ShownVolume(const CEffectStore& store, VolumeChoice choice) {
  return std::min(ChosenLevel(store, choice), kVolumeMax);
}

QString VolumeText(int value) { return QString::asprintf("%ddB", value - kVolumeMax); }

std::vector<int> LinkedRange(const CEffectStore& store, int ch) {
  const auto& link = store.LinkFlags();
  if (link[kLinkFour] != 0 && ch >= 2 && ch <= 5) return {2, 3, 4, 5};
  if (link[kLinkFront] != 0 && (ch == 2 || ch == 3)) return {2, 3};
  if (link[kLinkRear] != 0 && (ch == 4 || ch == 5)) return {4, 5};
  if (link[kLinkBass] != 0 && (ch == 0 || ch == 1)) return {0, 1};
  return {ch};
}

namespace {
// Writes v, already within its limits, to the chosen volume.
int WriteLevel(CEffectStore& store, VolumeChoice choice, int v) {
  CEffectStore::SendScope scope(store);  // both bass channels in one transfer
  if (choice == VolumeChoice::kMaster) {
    store.SetParam(param::kMainVol, static_cast<uint16_t>(v));
  } else if (choice == VolumeChoice::kSub) {
    for (int box : {0, 1})
      for (int k : LinkedRange(store, box)) store.SetParam(param::Volume(k), static_cast<uint16_t>(v));
  }
  return v;
}
}  // namespace

int WriteVolume(CEffectStore& store, VolumeChoice choice, int value) {
  return WriteLevel(store, choice, std::clamp(value, 0, kVolumeMax));
}

int StepVolume(CEffectStore& store, VolumeChoice choice, int delta) {
  const int now = ChosenLevel(store, choice);
  return WriteLevel(store, choice, std::clamp(now + delta, 0, std::max(kVolumeMax, now)));
}

bool AllMuted(const CEffectStore& store) { return (store.GetParam(param::kMuteCtrl) & kAllMuteBits) == kAllMuteBits; }

void SetAllMuted(CEffectStore& store, bool muted) {
  store.SetParam(param::kMuteCtrl, muted ? 63 : 0);
}

}  // namespace brisvel::app
