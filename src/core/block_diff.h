// The parameters two blocks hold differently, with both display texts,
// grouped by output channel: what the console shows before a processor's
// settings replace the editor's, and what brisvelctl diff prints.
#pragma once

#include <string>
#include <vector>

#include "core/channel_names.h"
#include "core/param_table.h"

namespace brisvel {

struct ParamDifference {
  int index;
  std::string name;
  std::string left;   // display text in the first block
  std::string right;  // display text in the second block
};

struct ChannelDifferences {
  int channel;         // Box 0-5, or -1 for the shared parameters
  std::string label;   // "Common" or "CH1" ... "CH6", with the channel's name when it has one
  std::vector<ParamDifference> params;  // in table order
};

// Groups in the order: shared parameters, then CH1 to CH6; only groups with
// a difference. Empty when the blocks hold the same values. Channels that
// have a name are labelled with it ("CH1 Tweeter L").
std::vector<ChannelDifferences> DiffBlocks(const EffectBlock& left, const EffectBlock& right,
                                           const ChannelNames& names = ChannelNames{});

// One line per group ("CH1:") and one indented line per parameter
// ("  Volume_2: -3dB -> -6dB"), each ending in a newline.
std::string DiffText(const std::vector<ChannelDifferences>& diff, const std::string& arrow = " -> ");

}  // namespace brisvel
