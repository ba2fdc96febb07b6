// Fuzzes the stored-tuning record: decode accepts exactly its size and
// re-encodes to the same bytes; names convert to valid UTF-8 and settle after
// one round through the 31-unit field.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/pcmode_record.h"
#include "fuzz_check.h"

namespace {

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<uint8_t>(s[i]);
    size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    uint32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k < len; ++k) {
      const auto c = static_cast<uint8_t>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    const uint32_t min = len == 1 ? 0 : len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const auto r = brisvel::PCModeRecord::Decode(bytes);
  FUZZ_CHECK(r.has_value() == (size == brisvel::PCModeRecord::kSize));
  if (r) {
    const auto again = r->Encode();
    FUZZ_CHECK(std::equal(again.begin(), again.end(), data));
  }

  // The input as a name, and the name of a record whose field holds the input.
  brisvel::PCModeRecord n;
  n.SetName(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string first = n.Name();
  FUZZ_CHECK(IsValidUtf8(first));
  brisvel::PCModeRecord m;
  m.SetName(first);
  FUZZ_CHECK(m.Name() == first);
  FUZZ_CHECK(m.nameBytes == n.nameBytes);

  brisvel::PCModeRecord raw;
  std::copy_n(data, std::min(size, raw.nameBytes.size()), raw.nameBytes.begin());
  const std::string rawName = raw.Name();
  FUZZ_CHECK(IsValidUtf8(rawName));
  brisvel::PCModeRecord settled;
  settled.SetName(rawName);
  const std::string once = settled.Name();
  settled.SetName(once);
  FUZZ_CHECK(settled.Name() == once);
  return 0;
}
