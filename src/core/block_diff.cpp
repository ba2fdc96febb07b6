// Comparison of two parameter blocks by display value.
#include "core/block_diff.h"

#include "core/param_text.h"
#include "core/scales.h"

namespace brisvel {

std::vector<ChannelDifferences> DiffBlocks(const EffectBlock& left, const EffectBlock& right,
                                           const ChannelNames& names) {
  // Index 0 holds the shared parameters, then the channels in label order.
  std::vector<ChannelDifferences> groups(kChannelCount + 1);
  groups[0].channel = -1;
  groups[0].label = "Common";
  for (int label = 1; label <= kChannelCount; ++label) {
    groups[static_cast<size_t>(label)].channel = BoxFromLabelNumber(label);
    groups[static_cast<size_t>(label)].label = NamedChannelLabel(names, BoxFromLabelNumber(label));
  }
  const auto& table = ParamTable();
  for (int i = 0; i < kParamCount; ++i) {
    if (ReadParam(left, i) == ReadParam(right, i)) continue;
    const int box = ParamChannel(i);
    const size_t group = box < 0 ? 0 : static_cast<size_t>(ChannelLabelNumber(box));
    groups[group].params.push_back({i, table[static_cast<size_t>(i)].name, ParamDisplayText(left, i),
                                    ParamDisplayText(right, i)});
  }
  std::vector<ChannelDifferences> result;
  for (auto& g : groups) {
    if (!g.params.empty()) result.push_back(std::move(g));
  }
  return result;
}

std::string DiffText(const std::vector<ChannelDifferences>& diff, const std::string& arrow) {
  std::string out;
  for (const auto& g : diff) {
    out += g.label + ":\n";
    for (const auto& p : g.params) out += "  " + p.name + ": " + p.left + arrow + p.right + "\n";
  }
  return out;
}

}  // namespace brisvel
