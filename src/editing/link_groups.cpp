// Link groups and linked ranges.
#include "editing/link_groups.h"

#include <algorithm>

namespace brisvel::editing {

std::vector<int> GroupChannels(LinkGroup group) {
  switch (group) {
    case LinkGroup::kFront: return {2, 3};
    case LinkGroup::kRear: return {4, 5};
    case LinkGroup::kFourSpeakers: return {2, 3, 4, 5};
    case LinkGroup::kBass: return {0, 1};
  }
  return {};
}

bool IsGroupBase(LinkGroup group, int box) {
  const std::vector<int> channels = GroupChannels(group);
  return std::find(channels.begin(), channels.end(), box) != channels.end();
}

int GroupValue(const CEffectStore& store, LinkGroup group) { return store.LinkFlag(static_cast<int>(group)); }

std::vector<int> LinkedRange(const CEffectStore& store, int ch) {
  for (LinkGroup g : {LinkGroup::kFourSpeakers, LinkGroup::kFront, LinkGroup::kRear, LinkGroup::kBass}) {
    if (GroupValue(store, g) != 0 && IsGroupBase(g, ch)) return GroupChannels(g);
  }
  return {ch};
}

}  // namespace brisvel::editing
