// A stored tuning's name field and byte form, and the sum-checked value text
// that scene files keep records in.
#include "core/pcmode_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/hex_text.h"

namespace brisvel {
namespace {

std::vector<uint16_t> Units(const PCModeRecord& r) {
  std::vector<uint16_t> out;
  for (size_t i = 0; i < PCModeRecord::kNameBytes; i += 2) {
    out.push_back(static_cast<uint16_t>(r.nameBytes[i] | (r.nameBytes[i + 1] << 8)));
  }
  return out;
}

TEST(PCModeNameTest, StoresUtf16LittleEndianAndReadsBack) {
  PCModeRecord r;
  r.SetName("A低音");
  const auto u = Units(r);
  EXPECT_EQ(u[0], 'A');
  EXPECT_EQ(u[1], 0x4F4E);
  EXPECT_EQ(u[2], 0x97F3);
  EXPECT_EQ(u[3], 0);
  EXPECT_EQ(r.nameBytes[2], 0x4E);  // low byte first
  EXPECT_EQ(r.nameBytes[3], 0x4F);
  EXPECT_EQ(r.Name(), "A低音");
}

TEST(PCModeNameTest, SupplementaryCharactersUseSurrogatePairs) {
  PCModeRecord r;
  r.SetName("x\xF0\x9F\x8E\xB5");  // U+1F3B5
  const auto u = Units(r);
  EXPECT_EQ(u[1], 0xD83C);
  EXPECT_EQ(u[2], 0xDFB5);
  EXPECT_EQ(r.Name(), "x\xF0\x9F\x8E\xB5");
}

TEST(PCModeNameTest, LongNamesAreCutToThirtyOneUnitsWithoutSplittingPairs) {
  PCModeRecord r;
  r.SetName(std::string(40, 'n'));
  EXPECT_EQ(r.Name(), std::string(31, 'n'));
  EXPECT_EQ(Units(r)[31], 0);

  std::string name(30, 'n');
  name += "\xF0\x9F\x8E\xB5";  // would need units 30 and 31
  r.SetName(name);
  EXPECT_EQ(r.Name(), std::string(30, 'n'));
  EXPECT_EQ(Units(r)[30], 0);
}

TEST(PCModeNameTest, ShorterNameClearsTheOldTail) {
  PCModeRecord r;
  r.SetName("a long first name");
  r.SetName("b");
  const auto u = Units(r);
  EXPECT_TRUE(std::all_of(u.begin() + 1, u.end(), [](uint16_t v) { return v == 0; }));
}

TEST(PCModeNameTest, MalformedTextBecomesReplacementCharacters) {
  PCModeRecord r;
  r.SetName("a\xC3(b\xED\xA0\x80");  // broken sequence, encoded surrogate
  EXPECT_EQ(r.Name(), "a\xEF\xBF\xBD(b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");

  PCModeRecord raw;
  raw.nameBytes[0] = 0x00;
  raw.nameBytes[1] = 0xD8;  // lone high surrogate
  raw.nameBytes[2] = 'z';
  EXPECT_EQ(raw.Name(), "\xEF\xBF\xBDz");

  PCModeRecord full;  // no terminator in all 32 units
  std::fill(full.nameBytes.begin(), full.nameBytes.end(), 0x41);
  EXPECT_EQ(full.Name().size(), 32u * 3);  // U+4141 is three UTF-8 bytes
}

TEST(PCModeRecordTest, EncodeDecodeRoundTripOfExactlyTheRecordSize) {
  PCModeRecord r;
  r.SetName("场景 1");
  for (size_t i = 0; i < r.block.size(); ++i) r.block[i] = static_cast<uint8_t>(i * 7);
  const auto bytes = r.Encode();
  ASSERT_EQ(bytes.size(), 1270u);
  EXPECT_EQ(bytes[64], r.block[0]);
  EXPECT_EQ(bytes[1269], r.block[1205]);
  const auto back = PCModeRecord::Decode(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Encode(), bytes);
  EXPECT_EQ(back->Name(), "场景 1");

  const std::vector<uint8_t> small(1269), large(1271);
  EXPECT_FALSE(PCModeRecord::Decode(small));
  EXPECT_FALSE(PCModeRecord::Decode(large));
}

TEST(ProfileStructTest, IntegerEightIsTenDigits) {
  const std::array<uint8_t, 4> eight = {8, 0, 0, 0};
  EXPECT_EQ(EncodeProfileStruct(eight), "0800000008");
  std::array<uint8_t, 4> out{};
  ASSERT_TRUE(DecodeProfileStruct("0800000008", out));
  EXPECT_EQ(out, eight);
}

TEST(ProfileStructTest, EitherLetterCaseButExactLengthAndSum) {
  const std::array<uint8_t, 2> bytes = {0xAB, 0xCD};
  EXPECT_EQ(EncodeProfileStruct(bytes), "ABCD78");  // 0xAB + 0xCD = 0x178
  std::array<uint8_t, 2> out{};
  ASSERT_TRUE(DecodeProfileStruct("abcd78", out));
  EXPECT_EQ(out, bytes);
  out = {1, 2};
  for (const char* bad : {"ABCD7", "ABCD7800", "ABCD79", "ABCG78", "ABCD", ""}) {
    EXPECT_FALSE(DecodeProfileStruct(bad, out)) << bad;
    EXPECT_EQ(out, (std::array<uint8_t, 2>{1, 2})) << bad;
  }
}

TEST(ProfileStructTest, WholeRecordIs2542Characters) {
  PCModeRecord r;
  r.SetName("Scene");
  r.block.fill(0xFF);
  const auto bytes = r.Encode();
  const std::string text = EncodeProfileStruct(bytes);
  ASSERT_EQ(text.size(), 2542u);
  std::array<uint8_t, PCModeRecord::kSize> out{};
  ASSERT_TRUE(DecodeProfileStruct(text, out));
  EXPECT_EQ(out, bytes);
}

}  // namespace
}  // namespace brisvel
