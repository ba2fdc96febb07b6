// Writes parameters through SetParam and notes what changed for the caller.
// The operation that records goes to the effect sender once, when its
// recorder ends.
#pragma once

#include <algorithm>

#include "core/effect_store.h"
#include "editing/changes.h"
#include "editing/channel_editor.h"

namespace brisvel::editing {

class CChannelEditor::Recorder {
 public:
  Recorder(CEffectStore& store, Changes& changes) : store_(store), changes_(changes), scope_(store) {}

  // value is taken as 16 bits (negative gains included).
  void Set(int index, int value) {
    const uint16_t before = store_.GetParam(index);
    store_.SetParam(index, static_cast<uint16_t>(value));
    if (store_.GetParam(index) != before && !changes_.Changed(index)) changes_.params.push_back(index);
  }
  void Touch(int channel) {
    auto& v = changes_.channels;
    const auto at = std::lower_bound(v.begin(), v.end(), channel);
    if (at == v.end() || *at != channel) v.insert(at, channel);
  }

 private:
  CEffectStore& store_;
  Changes& changes_;
  CEffectStore::SendScope scope_;
};

}  // namespace brisvel::editing
