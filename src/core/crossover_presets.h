// Crossover presets: a filter's characteristic, slope and corner chosen in
// one step ("HP 80 Hz LR 24"). A few are built in; the installer's own are
// kept as text ("HP,2,3,63": side, characteristic, slope index, Hz).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisvel {

struct CrossoverPreset {
  bool highPass = true;
  int characteristic = 0;  // the type lists' index: 0 Butterworth, 1 Bessel, 2 Linkwitz
  int slope = 0;           // the slope lists' index: 0 is 6 dB/oct ... 7 is 48 dB/oct
  int hz = 80;             // 20 ... 20000

  bool operator==(const CrossoverPreset&) const = default;
};

// "BW", "BS" or "LR" for the characteristic list index 0-2 ("?" for others).
const char* ShortCharacteristicText(int characteristic);

// The built-in ones of one side, in menu order.
std::vector<CrossoverPreset> BuiltInCrossoverPresets(bool highPass);

// "HP 80 Hz LR 24", "LP 3.5 kHz BW 12", "HP 45 Hz BS 18".
std::string CrossoverPresetName(const CrossoverPreset& preset);

// The stored form, and back; nothing for a text that is not a whole preset
// within the ranges (an "OFF" slope is no preset).
std::string EncodeCrossoverPreset(const CrossoverPreset& preset);
std::optional<CrossoverPreset> DecodeCrossoverPreset(std::string_view text);

}  // namespace brisvel
