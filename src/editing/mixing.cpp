// The input mixing window's view of the block.
#include "editing/mixing.h"

#include <algorithm>

#include "core/scales.h"
#include "editing/link_groups.h"

namespace brisvel::editing {

namespace {
constexpr uint16_t kAllChannelBits = 0x3F;
bool Contains(const std::vector<int>& v, int k) { return std::find(v.begin(), v.end(), k) != v.end(); }
}  // namespace

std::vector<int> CoupledChannels(const CEffectStore& store) {
  // One group is on at a time; should a stored state hold more, every linked channel shows.
  std::vector<int> out;
  for (int g = 0; g < kLinkGroupCount; ++g) {
    const auto group = static_cast<LinkGroup>(g);
    if (GroupValue(store, group) == 0) continue;
    for (int k : GroupChannels(group))
      if (!Contains(out, k)) out.push_back(k);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string_view StripLevelText(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool AllChannelsMuted(const CEffectStore& store) {
  return (store.GetParam(param::kMuteCtrl) & kAllChannelBits) == kAllChannelBits;
}

MixView MixingView(const CEffectStore& store) {
  MixView v;
  v.masterLevel = store.GetParam(param::kMainVol);
  v.masterText = VolumeText(v.masterLevel);
  v.masterMute = AllChannelsMuted(store);
  const uint16_t phase = store.GetParam(param::kPhaseCtrl);
  const uint16_t mute = store.GetParam(param::kMuteCtrl);
  const std::vector<int> lit = LinkedRange(store, store.CurrentChannel());
  const std::vector<int> coupled = CoupledChannels(store);
  for (int k = 0; k < kChannelCount; ++k) {
    MixChannelView& c = v.channels[static_cast<size_t>(k)];
    c.level = store.GetParam(param::Volume(k));
    c.text = VolumeText(c.level);
    c.phase = (phase >> k) & 1;
    c.mute = (mute >> k) & 1;
    c.lit = Contains(lit, k);
    c.coupled = Contains(coupled, k);
  }
  return v;
}

}  // namespace brisvel::editing
