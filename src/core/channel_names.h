// The installer's names for the six output channels' speakers ("Tweeter L",
// "Sub"), held by CH number (CH1 ... CH6) beside the block: the processor
// never sees them. An empty name leaves the channel known by its number.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/param_table.h"

namespace brisvel {

// By label number: [0] is CH1, [5] CH6.
using ChannelNames = std::array<std::string, kChannelCount>;

// Names are cut to this many characters.
inline constexpr size_t kChannelNameChars = 14;

// What a typed name is kept as: control characters and '|' (the separator of
// the stored form) dropped, blanks trimmed from both ends, invalid UTF-8
// dropped, cut to kChannelNameChars characters.
std::string CleanChannelName(std::string_view typed);

// The stored form: the six names joined by '|' ("Tweeter L|Tweeter R||||Sub").
std::string EncodeChannelNames(const ChannelNames& names);
// Any text gives six clean names: missing fields are empty, extra ones ignored.
ChannelNames DecodeChannelNames(std::string_view text);

// The name of a Box's channel, empty when it has none.
const std::string& ChannelNameOf(const ChannelNames& names, int box);
// "CH1 Tweeter L", or "CH1" for a channel without a name.
std::string NamedChannelLabel(const ChannelNames& names, int box);

}  // namespace brisvel
