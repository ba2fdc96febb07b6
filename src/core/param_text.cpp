// Parameter kinds, channels and display texts by the table's index rules.
#include "core/param_text.h"

#include "core/debug_output.h"
#include "core/scales.h"

namespace brisvel {

ParamKind ParamKindOf(int index) {
  using K = ParamKind;
  if (index <= param::kResetCtrl) return K::Mask;
  if (index <= param::Volume(5)) return K::Volume;
  if (index <= param::Delay(5)) return K::Delay;
  if (index <= param::HpFreq(5)) return (index - param::HpType(0)) % 2 == 0 ? K::HpType : K::HpFreq;
  if (index <= param::LpFreq(5)) return (index - param::LpType(0)) % 2 == 0 ? K::LpType : K::LpFreq;
  if (index < param::Threshold(0)) {
    const int field = (index - param::EqFreq(0, 0)) % 3;
    return field == 0 ? K::EqFreq : field == 1 ? K::EqQ : K::EqGain;
  }
  if (index == param::kNoiseGate) return K::NoiseGate;
  const int field = (index - param::Threshold(0)) % 3;
  return field == 0 ? K::Threshold : field == 1 ? K::Attack : K::Release;
}

int ParamChannel(int index) {
  if (index <= param::kMainVol || index >= param::kNoiseGate) return -1;
  if (index <= param::Volume(5)) return index - param::Volume(0);
  if (index <= param::Delay(5)) return index - param::Delay(0);
  if (index <= param::HpFreq(5)) return (index - param::HpType(0)) / 2;
  if (index <= param::LpFreq(5)) return (index - param::LpType(0)) / 2;
  if (index < param::Threshold(0)) return (index - param::EqFreq(0, 0)) / 93;
  return (index - param::Threshold(0)) / 3;
}

namespace {

std::string TypeByteText(uint8_t b) {
  const int c = CharacteristicOf(b);
  const std::string characteristic = c < kCharacteristicCount ? CharacteristicText(c) : "code 3";
  const int s = SlopeIndexOf(b);
  const std::string slope = s < kSlopeCount ? SlopeText(s) : FormatString("slope %d", s);
  return characteristic + "," + slope;
}

}  // namespace

std::string ParamDisplayText(const EffectBlock& block, int index) {
  const uint16_t raw = ReadParam(block, index);
  const auto s = static_cast<int16_t>(raw);
  switch (ParamKindOf(index)) {
    case ParamKind::Mask: return FormatString("%d", raw);
    case ParamKind::Volume: return VolumeText(raw);
    case ParamKind::Delay: return DelayText(raw, kDelayMs);
    case ParamKind::HpType:
    case ParamKind::LpType: return TypeByteText(static_cast<uint8_t>(raw));
    case ParamKind::HpFreq: return HighPassText(raw);
    case ParamKind::LpFreq: return LowPassText(raw);
    case ParamKind::EqFreq: return BandFrequencyText(raw);
    case ParamKind::EqQ: return QText(raw);
    case ParamKind::EqGain: return GainText(s);
    case ParamKind::Threshold: return ThresholdText(s);
    case ParamKind::Attack: return AttackText(s);
    case ParamKind::Release: return raw < kReleaseCount ? ReleaseText(raw) : FormatString("%d", raw);
    case ParamKind::NoiseGate: return NoiseGateText(raw);
  }
  return {};
}

}  // namespace brisvel
