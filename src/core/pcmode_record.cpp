// One stored tuning: its UTF-16LE name field and its byte form, with the
// UTF-8 <-> UTF-16 conversion done here so the core needs no text library.
#include "core/pcmode_record.h"

#include <algorithm>
#include <vector>

namespace brisvel {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr size_t kNameUnits = PCModeRecord::kNameBytes / 2;  // 32, terminator included

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one code point at text[pos] and advances pos; malformed, overlong,
// surrogate or out-of-range sequences give U+FFFD and consume one byte.
char32_t NextUtf8(std::string_view text, size_t& pos) {
  const auto b0 = static_cast<uint8_t>(text[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  size_t len = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++pos;
    return kReplacement;
  }
  if (pos + len > text.size()) {
    ++pos;
    return kReplacement;
  }
  for (size_t i = 1; i < len; ++i) {
    const auto b = static_cast<uint8_t>(text[pos + i]);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += len;
  return cp;
}

uint16_t UnitAt(const std::array<uint8_t, PCModeRecord::kNameBytes>& bytes, size_t i) {
  return static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
}

}  // namespace

std::string PCModeRecord::Name() const {
  std::string out;
  for (size_t i = 0; i < kNameUnits; ++i) {
    const uint16_t u = UnitAt(nameBytes, i);
    if (u == 0) break;
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < kNameUnits) {
      const uint16_t lo = UnitAt(nameBytes, i + 1);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u - 0xD800) << 10) | (lo - 0xDC00)));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u);
  }
  return out;
}

void PCModeRecord::SetName(std::string_view utf8) {
  std::vector<uint16_t> units;
  size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t cp = NextUtf8(utf8, pos);
    if (cp == 0) break;  // the field ends at the first zero unit anyway
    if (cp >= 0x10000) {
      if (units.size() + 2 > kNameUnits - 1) break;
      units.push_back(static_cast<uint16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      units.push_back(static_cast<uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      if (units.size() + 1 > kNameUnits - 1) break;
      units.push_back(static_cast<uint16_t>(cp));
    }
  }
  nameBytes.fill(0);
  for (size_t i = 0; i < units.size(); ++i) {
    nameBytes[2 * i] = static_cast<uint8_t>(units[i] & 0xFF);
    nameBytes[2 * i + 1] = static_cast<uint8_t>(units[i] >> 8);
  }
}

std::array<uint8_t, PCModeRecord::kSize> PCModeRecord::Encode() const {
  std::array<uint8_t, kSize> out{};
  std::copy(nameBytes.begin(), nameBytes.end(), out.begin());
  std::copy(block.begin(), block.end(), out.begin() + kNameBytes);
  return out;
}

std::optional<PCModeRecord> PCModeRecord::Decode(std::span<const uint8_t> bytes) {
  if (bytes.size() != kSize) return std::nullopt;
  PCModeRecord r;
  std::copy_n(bytes.begin(), kNameBytes, r.nameBytes.begin());
  std::copy_n(bytes.begin() + kNameBytes, kBlockSize, r.block.begin());
  return r;
}

}  // namespace brisvel
