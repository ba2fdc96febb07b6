// The main window's "Sum" overlay: whether it is shown, which channels it
// adds, and the sum itself, brought up to date from the block (and from the
// measurements with a phase) whenever the graph paints or someone asks.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/effect_store.h"
#include "core/system_sum.h"

namespace brisvel::app {

class SumView {
 public:
  // What a channel's measurement gives the sum: its curve (null: none, or
  // no phase), the level that lines it up, and the measurements' revision.
  struct Measured {
    const FrequencyCurve* curve = nullptr;
    double level = 0;
    uint64_t revision = 0;
  };
  using MeasuredSource = std::function<Measured(int box)>;

  explicit SumView(const CEffectStore& store) : store_(store) {}
  void SetMeasuredSource(MeasuredSource source) { measured_ = std::move(source); }

  bool Shown() const { return shown_; }
  void SetShown(bool shown) { shown_ = shown; }
  // Box indexes, in the order CH1 … CH6.
  const std::vector<int>& Channels() const { return channels_; }
  void SetChannels(const std::vector<int>& boxes);
  void ToggleChannel(int box);
  bool Has(int box) const;

  // The sum as shown now, up to date; null while it is not shown, has no
  // channel or the graph's grid is not built yet. legend: "Sum CH1 + CH5".
  const CSystemSum* Current(QString* legend = nullptr);
  // "CH1,CH5" (the window's labels), or "none".
  QString ChannelsText() const;
  // The legend's names of the channels: "CH1 Woofer L + CH5 Sub".
  QString ChannelsLegend() const;

 private:
  const CEffectStore& store_;
  MeasuredSource measured_;
  bool shown_ = false;
  std::vector<int> channels_{2, 3, 4, 5, 0, 1};
  std::unique_ptr<CSystemSum> sum_;
  struct Used {
    const FrequencyCurve* curve = nullptr;
    double level = 0;
    uint64_t revision = 0;
  };
  std::array<Used, kChannelCount> used_{};
};

}  // namespace brisvel::app
