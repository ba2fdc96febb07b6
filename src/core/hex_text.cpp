// Hexadecimal record texts with their check bytes.
#include "core/hex_text.h"

#include "core/checksum.h"

namespace brisvel {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

void AppendByte(std::string& out, uint8_t b) {
  out.push_back(kDigits[b >> 4]);
  out.push_back(kDigits[b & 0x0F]);
}

// Upper-case only when strictUpper; returns -1 for anything else.
int DigitValue(char c, bool strictUpper) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (!strictUpper && c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Decodes pairs of digits; false on any bad character.
bool DecodePairs(std::string_view text, bool strictUpper, std::vector<uint8_t>& out) {
  out.clear();
  out.reserve(text.size() / 2);
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    const int hi = DigitValue(text[i], strictUpper);
    const int lo = DigitValue(text[i + 1], strictUpper);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<uint8_t>(hi << 4 | lo));
  }
  return true;
}

}  // namespace

std::string EncodeHexWithCheck(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() * 2 + 2);
  for (uint8_t b : bytes) AppendByte(out, b);
  AppendByte(out, Checksum(bytes));
  return out;
}

std::optional<std::vector<uint8_t>> DecodeHexWithCheck(std::string_view text, size_t maxBytes) {
  if (text.size() < 2 || text.size() % 2 != 0) return std::nullopt;
  if (text.size() > (maxBytes + 1) * 2) return std::nullopt;
  std::vector<uint8_t> all;
  if (!DecodePairs(text, true, all)) return std::nullopt;
  const uint8_t check = all.back();
  all.pop_back();
  if (Checksum(all) != check) return std::nullopt;
  return all;
}

std::string EncodeProfileStruct(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() * 2 + 2);
  uint8_t sum = 0;
  for (uint8_t b : bytes) {
    AppendByte(out, b);
    sum = static_cast<uint8_t>(sum + b);
  }
  AppendByte(out, sum);
  return out;
}

bool DecodeProfileStruct(std::string_view text, std::span<uint8_t> out) {
  if (text.size() != out.size() * 2 + 2) return false;
  std::vector<uint8_t> all;
  if (!DecodePairs(text, false, all)) return false;
  uint8_t sum = 0;
  for (size_t i = 0; i < out.size(); ++i) sum = static_cast<uint8_t>(sum + all[i]);
  if (sum != all.back()) return false;
  std::copy(all.begin(), all.end() - 1, out.begin());
  return true;
}

}  // namespace brisvel
