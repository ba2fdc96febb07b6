#include "core/crossover_presets.h"

#include <charconv>

#include "core/scales.h"
#include "core/text_decoding.h"

namespace brisvel {

namespace {

constexpr const char* kShortCharacteristics[] = {"BW", "BS", "LR"};
constexpr int kLinkwitz = 2;
constexpr int kSlope24 = 3;

bool Valid(const CrossoverPreset& p) {
  return p.characteristic >= 0 && p.characteristic < kCharacteristicCount && p.slope >= 0 &&
         p.slope < kSlopeCount - 1 && p.hz >= 20 && p.hz <= 20000;
}

std::optional<int> Number(std::string_view text) {
  text = TrimBlanks(text);
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

}  // namespace

const char* ShortCharacteristicText(int characteristic) {
  return characteristic >= 0 && characteristic < kCharacteristicCount ? kShortCharacteristics[characteristic] : "?";
}

std::vector<CrossoverPreset> BuiltInCrossoverPresets(bool highPass) {
  if (highPass) return {{true, kLinkwitz, kSlope24, 80}, {true, kLinkwitz, kSlope24, 3500}};
  return {{false, kLinkwitz, kSlope24, 80}, {false, kLinkwitz, kSlope24, 3500}};
}

std::string CrossoverPresetName(const CrossoverPreset& p) {
  std::string corner;
  if (p.hz >= 1000) {
    // Tenths of a kHz, written without the locale's decimal sign.
    const int tenths = (p.hz + 50) / 100;
    corner = std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "") + " kHz";
  } else {
    corner = std::to_string(p.hz) + " Hz";
  }
  const int c = p.characteristic >= 0 && p.characteristic < kCharacteristicCount ? p.characteristic : 0;
  return std::string(p.highPass ? "HP " : "LP ") + corner + " " + kShortCharacteristics[c] + " " +
         std::to_string(6 * (p.slope + 1));
}

std::string EncodeCrossoverPreset(const CrossoverPreset& p) {
  return std::string(p.highPass ? "HP," : "LP,") + std::to_string(p.characteristic) + "," + std::to_string(p.slope) +
         "," + std::to_string(p.hz);
}

std::optional<CrossoverPreset> DecodeCrossoverPreset(std::string_view text) {
  std::string_view fields[4];
  for (int i = 0; i < 4; ++i) {
    const size_t comma = text.find(',');
    if ((comma == std::string_view::npos) != (i == 3)) return std::nullopt;
    fields[i] = TrimBlanks(text.substr(0, comma));
    if (comma != std::string_view::npos) text.remove_prefix(comma + 1);
  }
  CrossoverPreset p;
  if (fields[0] == "HP") p.highPass = true;
  else if (fields[0] == "LP") p.highPass = false;
  else return std::nullopt;
  const auto characteristic = Number(fields[1]), slope = Number(fields[2]), hz = Number(fields[3]);
  if (!characteristic || !slope || !hz) return std::nullopt;
  p.characteristic = *characteristic;
  p.slope = *slope;
  p.hz = *hz;
  if (!Valid(p)) return std::nullopt;
  return p;
}

}  // namespace brisvel
