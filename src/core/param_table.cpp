// Generates the parameter table by its rule and the factory block from it.
#include "core/param_table.h"

#include <string>
#include <vector>

namespace brisvel {
namespace {

struct TableData {
  std::vector<std::string> names;  // owns the row names
  std::array<ParamDef, kParamCount> rows{};
};

TableData BuildTable() {
  TableData d;
  d.names.reserve(kParamCount);
  std::vector<int> sizes;
  auto add = [&](std::string name, int size) {
    d.names.push_back(std::move(name));
    sizes.push_back(size);
  };
  add("MuteCtrl", 1);
  add("PassCtrl", 1);
  add("PhaseCtrl", 1);
  add("ResetCtrl", 1);
  add("MainVol", 1);
  for (int k = 0; k < 6; ++k) add("Volume_" + std::to_string(k), 1);
  for (int k = 0; k < 6; ++k) add("Delay_" + std::to_string(k), 2);
  for (const char* kind : {"HFliter", "LFliter"}) {
    for (int k = 0; k < 6; ++k) {
      const std::string box = "Box" + std::to_string(k) + "_" + kind;
      add(box + "_Type_Xoct", 1);
      add(box + "_Freq", 2);
    }
  }
  for (int k = 0; k < 6; ++k) {
    for (int b = 0; b < kBandCount; ++b) {
      const std::string eq = "Box" + std::to_string(k) + "_EQ" + std::to_string(b);
      add(eq + "_Freq", 2);
      add(eq + "_Q", 2);
      add(eq + "_Gain", 2);
    }
  }
  for (int k = 0; k < 6; ++k) {
    const std::string box = "Box" + std::to_string(k) + "_Param_";
    add(box + "Threshold", 2);
    add(box + "Attack", 2);
    add(box + "Release", 1);
  }
  add("NoiseGate", 1);

  int offset = 0;
  for (int i = 0; i < kParamCount; ++i) {
    d.rows[i] = ParamDef{i, offset, sizes[i], d.names[i].c_str()};
    offset += sizes[i];
  }
  return d;
}

const TableData& Table() {
  static const TableData table = BuildTable();
  return table;
}

constexpr std::array<uint16_t, kBandCount> kBandFreqs = {
    20,   25,   32,   40,   50,   63,   80,   100,  125,   160,   200,   250,   315,   400,   500,  630,
    800,  1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

EffectBlock BuildFactory() {
  EffectBlock b{};
  WriteParam(b, param::kMainVol, 66);
  for (int k = 0; k < kChannelCount; ++k) {
    WriteParam(b, param::Volume(k), 66);
    WriteParam(b, param::HpType(k), 1);
    WriteParam(b, param::HpFreq(k), 0);
    WriteParam(b, param::LpType(k), 1);
    WriteParam(b, param::LpFreq(k), 20000);
    for (int band = 0; band < kBandCount; ++band) {
      WriteParam(b, param::EqFreq(k, band), kBandFreqs[band]);
      WriteParam(b, param::EqQ(k, band), 760);
      WriteParam(b, param::EqGain(k, band), 0);
    }
    WriteParam(b, param::Threshold(k), 600);
    WriteParam(b, param::Attack(k), 2000);
    WriteParam(b, param::Release(k), 0);
  }
  return b;
}

}  // namespace

const std::array<ParamDef, kParamCount>& ParamTable() { return Table().rows; }

std::optional<int> FindParam(std::string_view name) {
  for (const ParamDef& row : ParamTable()) {
    if (name == row.name) return row.index;
  }
  return std::nullopt;
}

const EffectBlock& FactoryBlock() {
  static const EffectBlock factory = BuildFactory();
  return factory;
}

const std::array<uint16_t, kBandCount>& FactoryBandFrequencies() { return kBandFreqs; }

uint16_t ReadParam(const EffectBlock& block, int index) {
  const ParamDef& row = ParamTable()[index];
  if (row.size == 1) return block[row.offset];
  if (row.size == 2) return static_cast<uint16_t>(block[row.offset] | block[row.offset + 1] << 8);
  return 0;
}

void WriteParam(EffectBlock& block, int index, uint16_t value) {
  const ParamDef& row = ParamTable()[index];
  block[row.offset] = static_cast<uint8_t>(value & 0xFF);
  if (row.size == 2) block[row.offset + 1] = static_cast<uint8_t>(value >> 8);
}

bool IsControlMask(ParamKind kind) { return kind <= ParamKind::ResetCtrl; }

ParamAddress LocateParam(int index) {
  using K = ParamKind;
  if (index <= param::kResetCtrl) return {static_cast<K>(index)};
  if (index == param::kMainVol) return {K::MainVol};
  if (index <= param::Volume(5)) return {K::Volume, index - param::Volume(0)};
  if (index <= param::Delay(5)) return {K::Delay, index - param::Delay(0)};
  if (index <= param::HpFreq(5)) {
    const int at = index - param::HpType(0);
    return {at % 2 == 0 ? K::HpType : K::HpFreq, at / 2};
  }
  if (index <= param::LpFreq(5)) {
    const int at = index - param::LpType(0);
    return {at % 2 == 0 ? K::LpType : K::LpFreq, at / 2};
  }
  if (index < param::Threshold(0)) {
    const int at = index - param::EqFreq(0, 0);
    constexpr K kFields[] = {K::EqFreq, K::EqQ, K::EqGain};
    return {kFields[at % 3], at / 93, at % 93 / 3};
  }
  if (index == param::kNoiseGate) return {K::NoiseGate};
  const int at = index - param::Threshold(0);
  constexpr K kFields[] = {K::Threshold, K::Attack, K::Release};
  return {kFields[at % 3], at / 3};
}

int ParamIndex(const ParamAddress& a) {
  using K = ParamKind;
  const bool channel = a.channel >= 0 && a.channel < kChannelCount;
  const bool band = a.band >= 0 && a.band < kBandCount;
  const bool shared = a.channel == -1 && a.band == -1;
  switch (a.kind) {
    case K::MuteCtrl: return shared ? param::kMuteCtrl : -1;
    case K::PassCtrl: return shared ? param::kPassCtrl : -1;
    case K::PhaseCtrl: return shared ? param::kPhaseCtrl : -1;
    case K::ResetCtrl: return shared ? param::kResetCtrl : -1;
    case K::MainVol: return shared ? param::kMainVol : -1;
    case K::NoiseGate: return shared ? param::kNoiseGate : -1;
    case K::EqFreq: return channel && band ? param::EqFreq(a.channel, a.band) : -1;
    case K::EqQ: return channel && band ? param::EqQ(a.channel, a.band) : -1;
    case K::EqGain: return channel && band ? param::EqGain(a.channel, a.band) : -1;
    default: break;
  }
  if (!channel || a.band != -1) return -1;
  switch (a.kind) {
    case K::Volume: return param::Volume(a.channel);
    case K::Delay: return param::Delay(a.channel);
    case K::HpType: return param::HpType(a.channel);
    case K::HpFreq: return param::HpFreq(a.channel);
    case K::LpType: return param::LpType(a.channel);
    case K::LpFreq: return param::LpFreq(a.channel);
    case K::Threshold: return param::Threshold(a.channel);
    case K::Attack: return param::Attack(a.channel);
    case K::Release: return param::Release(a.channel);
    default: return -1;
  }
}

}  // namespace brisvel
