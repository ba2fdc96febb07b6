// The processor's effect parameter block: 1206 packed bytes named by a table of
// 618 parameters, each one or two bytes (little-endian) at its offset.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace brisvel {

constexpr int kParamCount = 618;
constexpr size_t kBlockSize = 1206;
constexpr int kChannelCount = 6;
constexpr int kBandCount = 31;

using EffectBlock = std::array<uint8_t, kBlockSize>;

struct ParamDef {
  int32_t index;
  int32_t offset;
  int32_t size;
  const char* name;
};

// The 618 rows in table order; rows are contiguous from offset 0 to 1206.
const std::array<ParamDef, kParamCount>& ParamTable();

// Exact (case-sensitive) name lookup, e.g. "Box2_EQ5_Gain" -> 244.
std::optional<int> FindParam(std::string_view name);

// The block the program starts with and restores channel defaults from.
const EffectBlock& FactoryBlock();

// Factory band centre frequencies, band 0 to 30.
const std::array<uint16_t, kBandCount>& FactoryBandFrequencies();

// Raw read and write by index: the byte for size 1, the little-endian word for size 2.
uint16_t ReadParam(const EffectBlock& block, int index);
void WriteParam(EffectBlock& block, int index, uint16_t value);

// Index rules of the table. k is the Box index 0-5, b the band 0-30.
namespace param {
constexpr int kMuteCtrl = 0;
constexpr int kPassCtrl = 1;
constexpr int kPhaseCtrl = 2;
constexpr int kResetCtrl = 3;
constexpr int kMainVol = 4;
constexpr int kNoiseGate = 617;
constexpr int Volume(int k) { return 5 + k; }
constexpr int Delay(int k) { return 11 + k; }
constexpr int HpType(int k) { return 17 + 2 * k; }
constexpr int HpFreq(int k) { return 18 + 2 * k; }
constexpr int LpType(int k) { return 29 + 2 * k; }
constexpr int LpFreq(int k) { return 30 + 2 * k; }
constexpr int EqFreq(int k, int b) { return 41 + 93 * k + 3 * b; }
constexpr int EqQ(int k, int b) { return EqFreq(k, b) + 1; }
constexpr int EqGain(int k, int b) { return EqFreq(k, b) + 2; }
constexpr int Threshold(int k) { return 599 + 3 * k; }
constexpr int Attack(int k) { return 600 + 3 * k; }
constexpr int Release(int k) { return 601 + 3 * k; }
}  // namespace param

// What a parameter index addresses: its kind, the output channel (Box 0-5)
// and the band (0-30) where it has them, -1 where not.
enum class ParamKind {
  MuteCtrl, PassCtrl, PhaseCtrl, ResetCtrl,  // one bit per channel
  MainVol, Volume, Delay,
  HpType, HpFreq, LpType, LpFreq,            // the type/slope byte and the corner frequency
  EqFreq, EqQ, EqGain,
  Threshold, Attack, Release,
  NoiseGate,
};
bool IsControlMask(ParamKind kind);
struct ParamAddress {
  ParamKind kind = ParamKind::MuteCtrl;
  int channel = -1;
  int band = -1;
  bool operator==(const ParamAddress&) const = default;
};
// index 0-617.
ParamAddress LocateParam(int index);
// The index of an address; -1 when no parameter has it (a channel or band
// out of range, or one given where the kind has none).
int ParamIndex(const ParamAddress& address);

// The filter type/slope byte (the _Type_Xoct parameters): bits 7-6 the
// characteristic (list index 0-3), bits 4-0 the slope index (0-31); bit 5 is
// always written as 0.
struct FilterTypeByte {
  int characteristic = 0;
  int slope = 0;
  static FilterTypeByte Decode(uint8_t byte) { return {byte >> 6, byte & 0x1F}; }
  uint8_t Encode() const { return static_cast<uint8_t>(((characteristic & 0x03) << 6) | (slope & 0x1F)); }
  bool operator==(const FilterTypeByte&) const = default;
};

}  // namespace brisvel
