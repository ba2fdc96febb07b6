// The parameter table, the factory block and raw access to the block.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "core/param_table.h"

namespace brisvel {
namespace {

TEST(ParamTable, RowsAreContiguousAndNamedByTheRule) {
  const auto& t = ParamTable();
  int offset = 0;
  for (int i = 0; i < kParamCount; ++i) {
    ASSERT_EQ(t[i].index, i);
    ASSERT_EQ(t[i].offset, offset) << t[i].name;
    ASSERT_TRUE(t[i].size == 1 || t[i].size == 2);
    offset += t[i].size;
  }
  EXPECT_EQ(offset, 1206);
  EXPECT_STREQ(t[0].name, "MuteCtrl");
  EXPECT_STREQ(t[617].name, "NoiseGate");
  EXPECT_EQ(t[617].offset, 1205);
}

TEST(ParamTable, WorkedRowsAndIndexRules) {
  const auto& t = ParamTable();
  EXPECT_STREQ(t[244].name, "Box2_EQ5_Gain");
  EXPECT_EQ(t[244].offset, 465);
  EXPECT_EQ(param::EqGain(2, 5), 244);
  EXPECT_STREQ(t[616].name, "Box5_Param_Release");
  EXPECT_EQ(t[616].offset, 1204);
  EXPECT_EQ(param::Release(5), 616);

  struct Row {
    int index;
    const char* name;
    int offset;
    int size;
  };
  const Row rows[] = {
      {4, "MainVol", 4, 1},
      {10, "Volume_5", 10, 1},
      {12, "Delay_1", 13, 2},
      {param::HpType(0), "Box0_HFliter_Type_Xoct", 23, 1},
      {param::HpFreq(0), "Box0_HFliter_Freq", 24, 2},
      {param::HpFreq(5), "Box5_HFliter_Freq", 39, 2},
      {param::LpType(0), "Box0_LFliter_Type_Xoct", 41, 1},
      {param::LpFreq(5), "Box5_LFliter_Freq", 57, 2},
      {param::EqFreq(0, 0), "Box0_EQ0_Freq", 59, 2},
      {param::EqQ(5, 30), "Box5_EQ30_Q", 59 + 186 * 5 + 6 * 30 + 2, 2},
      {param::Threshold(0), "Box0_Param_Threshold", 1175, 2},
      {param::Attack(3), "Box3_Param_Attack", 1177 + 15, 2},
  };
  for (const Row& r : rows) {
    EXPECT_STREQ(t[r.index].name, r.name);
    EXPECT_EQ(t[r.index].offset, r.offset) << r.name;
    EXPECT_EQ(t[r.index].size, r.size) << r.name;
    EXPECT_EQ(FindParam(r.name), r.index);
  }
  EXPECT_FALSE(FindParam("Box0_HFilter_Freq"));  // the table spells it "Fliter"
  EXPECT_FALSE(FindParam("mainvol"));
}

TEST(ParamTable, FactoryBlockValues) {
  const EffectBlock& f = FactoryBlock();
  EXPECT_EQ(ReadParam(f, param::kMuteCtrl), 0);
  EXPECT_EQ(ReadParam(f, param::kMainVol), 66);
  for (int k = 0; k < kChannelCount; ++k) {
    EXPECT_EQ(ReadParam(f, param::Volume(k)), 66);
    EXPECT_EQ(ReadParam(f, param::Delay(k)), 0);
    EXPECT_EQ(ReadParam(f, param::HpType(k)), 1);
    EXPECT_EQ(ReadParam(f, param::HpFreq(k)), 0);
    EXPECT_EQ(ReadParam(f, param::LpType(k)), 1);
    EXPECT_EQ(ReadParam(f, param::LpFreq(k)), 20000);
    EXPECT_EQ(ReadParam(f, param::EqFreq(k, 0)), 20);
    EXPECT_EQ(ReadParam(f, param::EqFreq(k, 17)), 1000);
    EXPECT_EQ(ReadParam(f, param::EqFreq(k, 30)), 20000);
    EXPECT_EQ(ReadParam(f, param::EqQ(k, 12)), 760);
    EXPECT_EQ(ReadParam(f, param::EqGain(k, 12)), 0);
    EXPECT_EQ(ReadParam(f, param::Threshold(k)), 600);
    EXPECT_EQ(ReadParam(f, param::Attack(k)), 2000);
    EXPECT_EQ(ReadParam(f, param::Release(k)), 0);
  }
  EXPECT_EQ(ReadParam(f, param::kNoiseGate), 0);
}

TEST(ParamTable, TwoByteValuesAreLittleEndianAtAnyOffset) {
  EffectBlock b{};
  WriteParam(b, param::HpFreq(0), 0x1234);  // offset 24
  EXPECT_EQ(b[24], 0x34);
  EXPECT_EQ(b[25], 0x12);
  WriteParam(b, param::Delay(1), 0xBEEF);  // odd offset 13
  EXPECT_EQ(b[13], 0xEF);
  EXPECT_EQ(b[14], 0xBE);
  EXPECT_EQ(ReadParam(b, param::Delay(1)), 0xBEEF);
  WriteParam(b, param::Volume(0), 300);  // one byte keeps the low byte
  EXPECT_EQ(b[5], 44);
  EXPECT_EQ(b[6], 0);
}

// Every row's address agrees with its name and leads back to its index.
TEST(ParamTable, EveryIndexIsLocatedAsItsNameSaysAndBack) {
  const std::map<std::string, ParamKind> suffixes = {
      {"_HFliter_Type_Xoct", ParamKind::HpType}, {"_HFliter_Freq", ParamKind::HpFreq},
      {"_LFliter_Type_Xoct", ParamKind::LpType}, {"_LFliter_Freq", ParamKind::LpFreq},
      {"_Freq", ParamKind::EqFreq},             {"_Q", ParamKind::EqQ},
      {"_Gain", ParamKind::EqGain},             {"_Param_Threshold", ParamKind::Threshold},
      {"_Param_Attack", ParamKind::Attack},     {"_Param_Release", ParamKind::Release}};
  const std::map<std::string, ParamKind> whole = {
      {"MuteCtrl", ParamKind::MuteCtrl}, {"PassCtrl", ParamKind::PassCtrl},   {"PhaseCtrl", ParamKind::PhaseCtrl},
      {"ResetCtrl", ParamKind::ResetCtrl}, {"MainVol", ParamKind::MainVol}, {"NoiseGate", ParamKind::NoiseGate}};
  std::set<std::pair<int, int>> bands;
  for (const ParamDef& row : ParamTable()) {
    const std::string name = row.name;
    const ParamAddress at = LocateParam(row.index);
    EXPECT_EQ(ParamIndex(at), row.index) << name;
    if (auto it = whole.find(name); it != whole.end()) {
      EXPECT_EQ(at, (ParamAddress{it->second})) << name;
      continue;
    }
    int channel = -1, band = -1;
    if (std::sscanf(row.name, "Volume_%d", &channel) == 1) {
      EXPECT_EQ(at, (ParamAddress{ParamKind::Volume, channel})) << name;
    } else if (std::sscanf(row.name, "Delay_%d", &channel) == 1) {
      EXPECT_EQ(at, (ParamAddress{ParamKind::Delay, channel})) << name;
    } else if (std::sscanf(row.name, "Box%d_EQ%d", &channel, &band) == 2) {
      const std::string field = name.substr(name.rfind('_'));
      EXPECT_EQ(at, (ParamAddress{suffixes.at(field), channel, band})) << name;
      bands.insert({channel, band});
    } else {
      ASSERT_EQ(std::sscanf(row.name, "Box%d", &channel), 1) << name;
      const std::string field = name.substr(name.find('_'));
      EXPECT_EQ(at, (ParamAddress{suffixes.at(field), channel})) << name;
    }
  }
  EXPECT_EQ(bands.size(), static_cast<size_t>(kChannelCount * kBandCount));
  // Addresses that no parameter has.
  EXPECT_EQ(ParamIndex({ParamKind::Volume, 6}), -1);
  EXPECT_EQ(ParamIndex({ParamKind::EqGain, 2, 31}), -1);
  EXPECT_EQ(ParamIndex({ParamKind::EqGain, 2}), -1);
  EXPECT_EQ(ParamIndex({ParamKind::MainVol, 0}), -1);
  EXPECT_EQ(ParamIndex({ParamKind::Threshold, 1, 4}), -1);
}

TEST(ParamTable, TheFilterTypeByteDecodesAndEncodes) {
  for (int byte = 0; byte < 256; ++byte) {
    const FilterTypeByte t = FilterTypeByte::Decode(static_cast<uint8_t>(byte));
    EXPECT_EQ(t.Encode(), byte & ~0x20) << byte;  // bit 5 is written as 0
  }
  EXPECT_EQ((FilterTypeByte{2, 3}).Encode(), 0x83);
  EXPECT_EQ(FilterTypeByte::Decode(0x88), (FilterTypeByte{2, 8}));
}

}  // namespace
}  // namespace brisvel
