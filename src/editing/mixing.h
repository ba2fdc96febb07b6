// What the input mixing window shows of the block: master level and mute,
// and per channel its level, phase, mute, whether its label is lit and whether
// its coupling check is on. The edits themselves are CChannelEditor's volume,
// phase and mute operations.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/effect_store.h"

namespace brisvel::editing {

struct MixChannelView {
  int level = 0;       // raw volume 0-66
  std::string text;    // "%ddB" or "OFF"
  bool phase = false;  // inverted
  bool mute = false;
  bool lit = false;      // the current channel or linked to it
  bool coupled = false;  // a member of the active link group
};

struct MixView {
  int masterLevel = 0;
  std::string masterText;
  bool masterMute = false;  // all six channels muted
  std::array<MixChannelView, kChannelCount> channels;
};

MixView MixingView(const CEffectStore& store);

// The channels of the active link group (ascending), empty when no group is on.
std::vector<int> CoupledChannels(const CEffectStore& store);

// A typed level text without the blanks and line breaks around it, as the
// volume operations of CChannelEditor take it.
std::string_view StripLevelText(std::string_view text);

// True when the low six bits of MuteCtrl are all set.
bool AllChannelsMuted(const CEffectStore& store);

}  // namespace brisvel::editing
