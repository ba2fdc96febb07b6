// Frame checksum of the processor's protocol: an 8-bit table-driven sum that also
// serves as the check byte of the hexadecimal texts in config.ini.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace brisvel {

// The 256-entry table. It is linear over XOR and fixed by its eight single-bit
// entries; it is not the table of any standard CRC-8.
const std::array<uint8_t, 256>& ChecksumTable();

// x = 0; for each byte b: x = T[x ^ b]; result is ~x. An empty range gives 0
// (the processor's "no frame" value).
uint8_t Checksum(std::span<const uint8_t> data);

}  // namespace brisvel
