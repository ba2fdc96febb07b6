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

}  // namespace brisvel
