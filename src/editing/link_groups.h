// Link groups: channels edited together. Four link flags of the effect store
// hold one group each; 0 means the group is off, otherwise the value is the
// base channel's Box index + 1. At most one group is active at a time.
// Channels are Box indices 0-5 throughout (shown as CH5, CH6, CH1 ... CH4).
#pragma once

#include <vector>

#include "core/effect_store.h"

namespace brisvel::editing {

// Index into CEffectStore::linkFlags; the grouping check box of group g is 1100 + g.
enum class LinkGroup : int { kFront = 0, kRear = 1, kFourSpeakers = 2, kBass = 3 };
constexpr int kLinkGroupCount = 4;

// The group's channels: front 2, 3; rear 4, 5; four speakers 2-5; bass 0, 1.
std::vector<int> GroupChannels(LinkGroup group);
// The group's menu items (201-206 = base Box 0-5) are offered for its own channels only.
bool IsGroupBase(LinkGroup group, int box);
int GroupValue(const CEffectStore& store, LinkGroup group);

// The channels an edit of `channel` changes: the first active group holding
// it, tested in the order four speakers, front, rear, bass; else the channel alone.
std::vector<int> LinkedRange(const CEffectStore& store, int channel);

}  // namespace brisvel::editing
