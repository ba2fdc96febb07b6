// Builds the checksum table from its single-bit entries and applies it.
#include "core/checksum.h"

namespace brisvel {
namespace {

constexpr std::array<uint8_t, 8> kBitEntries = {0x31, 0x62, 0xC4, 0x88, 0x21, 0x73, 0xE6, 0xCC};

constexpr std::array<uint8_t, 256> BuildTable() {
  std::array<uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    uint8_t v = 0;
    for (int bit = 0; bit < 8; ++bit) {
      if (i & (1 << bit)) v ^= kBitEntries[bit];
    }
    t[i] = v;
  }
  return t;
}

constexpr std::array<uint8_t, 256> kTable = BuildTable();

}  // namespace

const std::array<uint8_t, 256>& ChecksumTable() { return kTable; }

uint8_t Checksum(std::span<const uint8_t> data) {
  if (data.empty()) return 0;
  uint8_t x = 0;
  for (uint8_t b : data) x = kTable[x ^ b];
  return static_cast<uint8_t>(~x);
}

}  // namespace brisvel
