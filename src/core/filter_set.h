// Exchange of a channel's bands with other tools: the parametric-filter text
// ("Preamp: -6.0 dB", "Filter 1: ON PK Fc 1000 Hz Gain -3.0 dB Q 1.41") and CSV
// (band, frequency, gain, Q). Import maps peaking filters to the bands in
// order, quantises every value to what the block holds and reports each change
// and each filter it could not take, for a preview the user confirms.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/eq_fit.h"

namespace brisvel {

// Every band, in band order; Q as shown by the console (raw / 100).
std::string FilterSetText(const ChannelBands& bands);
std::string FilterSetCsv(const ChannelBands& bands);

struct FilterSetImport {
  bool ok = false;
  std::string error;  // when !ok: names the line
  ChannelBands bands{};
  int filtersTaken = 0;
  std::vector<std::string> changes;  // values adjusted to fit the block
  std::vector<std::string> skipped;  // filters or lines not taken
};

// Reads either format (text when a line starts with "Filter" or "Preamp").
// Bands without a filter keep frequency and Q and get 0 dB.
FilterSetImport ImportFilterSet(std::string_view text, const ChannelBands& current, int minGainDb, int maxGainDb);

}  // namespace brisvel
