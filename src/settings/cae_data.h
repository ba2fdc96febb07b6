// The installer's tuning data file beside the executable: gain range, gain
// compensation, handshake identifiers and the gain alert, with their defaults.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "settings/settings_keys.h"

namespace brisvel::settings {

// Largest gain range magnitude a band gain (dB x 100 in 16 bits) can hold.
constexpr int32_t kMaxGainRangeDb = 300;

struct CaeData {
  double scale = kDefaultScale / 100.0;  // compensation factor (stored value / 100)
  int32_t maxVol = kDefaultMaxVol;       // dB, top of the EQ gain range
  int32_t minVol = kDefaultMinVol;       // dB, bottom of the EQ gain range
  int32_t showFreqId = kDefaultShowFreqId;
  int32_t id1 = kDefaultId1;  // handshake identifiers
  int32_t id2 = kDefaultId2;
  int32_t alertEnable = kDefaultAlertEnable;
  int32_t alertDelayMs = kDefaultAlertDelayMs;
  std::string alertMsg = kDefaultAlertMsg;

  // A factor within +-0.001 switches the automatic channel-gain compensation off.
  bool CompensationOn() const { return scale > 0.001 || scale < -0.001; }
  // Grid step of the EQ graph in dB.
  int32_t GainGridStep() const { return maxVol / 2; }
};

// Reads the file once; a missing or unreadable file gives all defaults.
CaeData LoadCaeData(const std::filesystem::path& file);

}  // namespace brisvel::settings
