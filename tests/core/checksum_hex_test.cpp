// Checksum table and the hexadecimal record encodings.
#include <gtest/gtest.h>

#include <vector>

#include "core/checksum.h"
#include "core/hex_text.h"

namespace brisvel {
namespace {

TEST(Checksum, TableMatchesPrintedRows) {
  const auto& t = ChecksumTable();
  // First, a middle and the last row of the published table.
  const uint8_t row0[16] = {0x00, 0x31, 0x62, 0x53, 0xC4, 0xF5, 0xA6, 0x97,
                            0x88, 0xB9, 0xEA, 0xDB, 0x4C, 0x7D, 0x2E, 0x1F};
  const uint8_t row9[16] = {0xED, 0xDC, 0x8F, 0xBE, 0x29, 0x18, 0x4B, 0x7A,
                            0x65, 0x54, 0x07, 0x36, 0xA1, 0x90, 0xC3, 0xF2};
  const uint8_t rowF[16] = {0x78, 0x49, 0x1A, 0x2B, 0xBC, 0x8D, 0xDE, 0xEF,
                            0xF0, 0xC1, 0x92, 0xA3, 0x34, 0x05, 0x56, 0x67};
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(t[i], row0[i]) << i;
    EXPECT_EQ(t[0x90 + i], row9[i]) << i;
    EXPECT_EQ(t[0xF0 + i], rowF[i]) << i;
  }
  // Linear over XOR everywhere, and not the common CRC-8 table.
  for (int x = 0; x < 256; ++x)
    for (int y = 0; y < 256; ++y) ASSERT_EQ(t[x ^ y], t[x] ^ t[y]);
  EXPECT_NE(t[0x08], 0xB9);
}

TEST(Checksum, WorkedValues) {
  std::vector<uint8_t> frame(63, 0);
  EXPECT_EQ(Checksum(frame), 0xFF);
  frame[0] = 0x94;
  EXPECT_EQ(Checksum(frame), 0x6B);
  EXPECT_EQ(Checksum(std::vector<uint8_t>(136, 0)), 0xFF);
  EXPECT_EQ(Checksum({}), 0);
}

TEST(HexWithCheck, RoundTripAndAcceptanceRules) {
  const std::vector<uint8_t> bytes = {0x00, 0x12, 0xAB, 0xFF};
  const std::string text = EncodeHexWithCheck(bytes);
  EXPECT_EQ(text.substr(0, 8), "0012ABFF");
  ASSERT_EQ(text.size(), 10u);
  EXPECT_EQ(DecodeHexWithCheck(text, 4), bytes);
  // A shorter value with its own check byte is accepted.
  EXPECT_EQ(DecodeHexWithCheck(text, 136), bytes);

  std::string lower = text;
  lower[4] = 'a';
  EXPECT_FALSE(DecodeHexWithCheck(lower, 4));  // lower case refused
  EXPECT_FALSE(DecodeHexWithCheck(text.substr(1), 4));  // odd length
  EXPECT_FALSE(DecodeHexWithCheck(text, 3));  // too long for the record
  std::string wrong = text;
  wrong[9] = wrong[9] == '0' ? '1' : '0';
  EXPECT_FALSE(DecodeHexWithCheck(wrong, 4));  // check byte mismatch
  EXPECT_FALSE(DecodeHexWithCheck("00G0" + text.substr(4), 4));
  EXPECT_FALSE(DecodeHexWithCheck("", 4));
  EXPECT_EQ(EncodeHexWithCheck(std::vector<uint8_t>(136, 0)).size(), 274u);
  EXPECT_EQ(EncodeHexWithCheck(std::vector<uint8_t>(136, 0)).substr(272), "FF");
}

TEST(ProfileStruct, EncodingAndStrictLength) {
  const uint8_t eight[4] = {8, 0, 0, 0};
  EXPECT_EQ(EncodeProfileStruct(eight), "0800000008");
  uint8_t out[4] = {9, 9, 9, 9};
  EXPECT_TRUE(DecodeProfileStruct("0800000008", out));
  EXPECT_EQ(out[0], 8);
  const uint8_t hi[2] = {0xAB, 0xCD};
  EXPECT_EQ(EncodeProfileStruct(hi), "ABCD78");  // 0xAB + 0xCD = 0x178
  uint8_t two[2] = {};
  EXPECT_TRUE(DecodeProfileStruct("abcd78", two));  // either letter case
  EXPECT_EQ(two[1], 0xCD);

  uint8_t keep[4] = {1, 2, 3, 4};
  EXPECT_FALSE(DecodeProfileStruct("080000000", keep));    // wrong length
  EXPECT_FALSE(DecodeProfileStruct("08000000080", keep));  // wrong length
  EXPECT_FALSE(DecodeProfileStruct("0800000009", keep));   // wrong sum
  EXPECT_FALSE(DecodeProfileStruct("08000000x8", keep));   // bad digit
  EXPECT_EQ(keep[0], 1);                                   // destination untouched
}

}  // namespace
}  // namespace brisvel
