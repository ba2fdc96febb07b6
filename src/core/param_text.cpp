// Parameter kinds, channels and display texts by the table's index rules.
#include "core/param_text.h"

#include "core/debug_output.h"
#include "core/scales.h"

namespace brisvel {

namespace {

std::string TypeByteText(uint8_t b) {
  const FilterTypeByte type = FilterTypeByte::Decode(b);
  const int c = type.characteristic;
  const std::string characteristic = c < kCharacteristicCount ? CharacteristicText(c) : "code 3";
  const int s = type.slope;
  const std::string slope = s < kSlopeCount ? SlopeText(s) : FormatString("slope %d", s);
  return characteristic + "," + slope;
}

}  // namespace

std::string ParamDisplayText(const EffectBlock& block, int index) {
  const uint16_t raw = ReadParam(block, index);
  const auto s = static_cast<int16_t>(raw);
  switch (ParamKindOf(index)) {
    case ParamKind::MuteCtrl:
    case ParamKind::PassCtrl:
    case ParamKind::PhaseCtrl:
    case ParamKind::ResetCtrl: return FormatString("%d", raw);
    case ParamKind::MainVol:
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
