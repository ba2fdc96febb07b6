// Text encodings of byte records: the upper-case hexadecimal text with a check
// byte kept in config.ini, and the sum-checked profile-structure value of scene files.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brisvel {

// Each byte as two upper-case hex digits, then two digits of Checksum(bytes).
std::string EncodeHexWithCheck(std::span<const uint8_t> bytes);

// Accepts a value of even length that encodes at most maxBytes bytes plus the
// check byte, made only of 0-9 and A-F (lower case is refused), whose last two
// digits equal the checksum of the decoded bytes. Returns the decoded bytes
// (possibly fewer than maxBytes) or nothing.
std::optional<std::vector<uint8_t>> DecodeHexWithCheck(std::string_view text, size_t maxBytes);

// Each byte as two upper-case hex digits, then two digits of the byte sum mod 256.
std::string EncodeProfileStruct(std::span<const uint8_t> bytes);

// Reads exactly out.size() bytes: the text must have 2n + 2 hex digits (either
// letter case) and a matching sum. On failure out is left unchanged.
bool DecodeProfileStruct(std::string_view text, std::span<uint8_t> out);

}  // namespace brisvel
