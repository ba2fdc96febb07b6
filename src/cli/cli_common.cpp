// Block files and parameter texts for brisvelctl: every parameter is shown
// and parsed with the same display rules and limits as in the console.
#include "cli/cli_common.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "core/debug_output.h"
#include "core/scales.h"
#include "settings/settings_store.h"

namespace brisvel::cli {
namespace {

enum class Kind { Mask, Volume, Delay, HpType, HpFreq, LpType, LpFreq, EqFreq, EqQ, EqGain, Threshold, Attack, Release, NoiseGate };

Kind KindOf(int index) {
  if (index <= param::kResetCtrl) return Kind::Mask;
  if (index <= param::Volume(5)) return Kind::Volume;
  if (index <= param::Delay(5)) return Kind::Delay;
  if (index <= param::HpFreq(5)) return (index - param::HpType(0)) % 2 == 0 ? Kind::HpType : Kind::HpFreq;
  if (index <= param::LpFreq(5)) return (index - param::LpType(0)) % 2 == 0 ? Kind::LpType : Kind::LpFreq;
  if (index < param::Threshold(0)) {
    const int field = (index - param::EqFreq(0, 0)) % 3;
    return field == 0 ? Kind::EqFreq : field == 1 ? Kind::EqQ : Kind::EqGain;
  }
  if (index == param::kNoiseGate) return Kind::NoiseGate;
  const int field = (index - param::Threshold(0)) % 3;
  return field == 0 ? Kind::Threshold : field == 1 ? Kind::Attack : Kind::Release;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string TypeByteText(uint8_t b) {
  const int c = CharacteristicOf(b);
  const std::string characteristic = c < kCharacteristicCount ? CharacteristicText(c) : "code 3";
  const int s = SlopeIndexOf(b);
  const std::string slope = s < kSlopeCount ? SlopeText(s) : FormatString("slope %d", s);
  return characteristic + "," + slope;
}

// "Bessel", "24dB/Oct", "Bessel,24dB/Oct" or "Linkwitz OFF": each word sets its
// part of the byte and keeps the other.
uint8_t ParseTypeByte(const std::string& text, uint8_t current) {
  uint8_t b = current;
  std::string word;
  bool any = false;
  auto apply = [&](const std::string& w) {
    if (w.empty()) return;
    const std::string lw = Lower(w);
    for (int c = 0; c < kCharacteristicCount; ++c) {
      if (lw == Lower(CharacteristicText(c))) {
        b = WithCharacteristic(b, c);
        any = true;
        return;
      }
    }
    for (int s = 0; s < kSlopeCount; ++s) {
      if (lw == Lower(SlopeText(s))) {
        b = WithSlope(b, s);
        any = true;
        return;
      }
    }
    throw CliError("unknown filter type or slope \"" + w + "\" (use Butterworth, Bessel, Linkwitz, 6dB/Oct ... 48dB/Oct, OFF)");
  };
  for (char ch : text) {
    if (ch == ',' || ch == ' ') {
      apply(word);
      word.clear();
    } else {
      word.push_back(ch);
    }
  }
  apply(word);
  if (!any) throw CliError("empty filter type");
  return b;
}

int ListIndex(const std::string& text, int count, const char* (*name)(int), const char* what) {
  for (int i = 0; i < count; ++i) {
    if (name && Lower(text) == Lower(name(i))) return i;
  }
  // Otherwise the list index itself, as plain digits.
  const bool digits = !text.empty() && text.size() <= 3 &&
                      std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
  const int v = digits ? std::stoi(text) : -1;
  if (v < 0 || v >= count) throw CliError(FormatString("bad %s \"%s\" (0 to %d)", what, text.c_str(), count - 1));
  return v;
}

}  // namespace

EffectBlock ReadBlockFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CliError("cannot open " + path.string());
  std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw CliError("cannot read " + path.string());
  if (data.size() != kBlockSize) {
    throw CliError(FormatString("%s: %zu bytes, a parameter block has %zu", path.string().c_str(), data.size(), kBlockSize));
  }
  EffectBlock block{};
  std::copy(data.begin(), data.end(), block.begin());
  return block;
}

void WriteBlockFile(const std::filesystem::path& path, const EffectBlock& block) {
  std::string error;
  const std::string_view bytes(reinterpret_cast<const char*>(block.data()), block.size());
  if (!settings::WriteFileAtomically(path, bytes, &error)) throw CliError("cannot write " + path.string() + ": " + error);
}

std::string ParamDisplayText(const EffectBlock& block, int index) {
  const uint16_t raw = ReadParam(block, index);
  const auto s = static_cast<int16_t>(raw);
  switch (KindOf(index)) {
    case Kind::Mask: return FormatString("%d", raw);
    case Kind::Volume: return VolumeText(raw);
    case Kind::Delay: return DelayText(raw, kDelayMs);
    case Kind::HpType:
    case Kind::LpType: return TypeByteText(static_cast<uint8_t>(raw));
    case Kind::HpFreq: return HighPassText(raw);
    case Kind::LpFreq: return LowPassText(raw);
    case Kind::EqFreq: return BandFrequencyText(raw);
    case Kind::EqQ: return QText(raw);
    case Kind::EqGain: return GainText(s);
    case Kind::Threshold: return ThresholdText(s);
    case Kind::Attack: return AttackText(s);
    case Kind::Release: return raw < kReleaseCount ? ReleaseText(raw) : FormatString("%d", raw);
    case Kind::NoiseGate: return NoiseGateText(raw);
  }
  return {};
}

ParamAssignment ParseAssignment(const std::string& nameEqualsText, const EffectBlock& current, int minDb, int maxDb) {
  const size_t eq = nameEqualsText.find('=');
  if (eq == std::string::npos) throw CliError("expected NAME=VALUE, got \"" + nameEqualsText + "\"");
  const std::string name = nameEqualsText.substr(0, eq);
  const std::string text = nameEqualsText.substr(eq + 1);
  const auto index = FindParam(name);
  if (!index) throw CliError("unknown parameter \"" + name + "\" (see brisvelctl params)");
  const uint16_t old = ReadParam(current, *index);
  int raw = 0;
  switch (KindOf(*index)) {
    case Kind::Mask: {
      const double v = ParseLeadingNumber(text);
      if (v < 0 || v > 63) throw CliError(FormatString("%s takes a channel bit mask 0 to 63", name.c_str()));
      raw = static_cast<int>(v);
      break;
    }
    case Kind::Volume: raw = ParseVolume(text).raw; break;
    case Kind::Delay: raw = ParseDelay(text, kDelayMs).raw; break;
    case Kind::HpType:
    case Kind::LpType: raw = ParseTypeByte(text, static_cast<uint8_t>(old)); break;
    case Kind::HpFreq: raw = ParseHighPass(text).raw; break;
    case Kind::LpFreq: raw = ParseLowPass(text).raw; break;
    case Kind::EqFreq: raw = ParseBandFrequency(text); break;
    case Kind::EqQ: raw = ParseQ(text).raw; break;
    case Kind::EqGain: raw = ParseGain(text, minDb, maxDb); break;
    case Kind::Threshold: raw = ParseThreshold(text).raw; break;
    case Kind::Attack: raw = ParseAttack(text).raw; break;
    case Kind::Release: raw = ListIndex(text, kReleaseCount, &ReleaseText, "release"); break;
    case Kind::NoiseGate: raw = ListIndex(text, kNoiseGateCount, nullptr, "noise gate"); break;
  }
  return {*index, static_cast<uint16_t>(raw)};
}

}  // namespace brisvel::cli
