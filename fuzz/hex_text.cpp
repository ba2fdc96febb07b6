// Fuzzes the hexadecimal record text with its check byte: any accepted text is
// exactly the encoding of what it decodes to, and every encoding is accepted.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/hex_text.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // First byte chooses the record size limit: the car record, the block, or small.
  const size_t limits[] = {136, 1206, 0, 1, 4};
  const size_t maxBytes = limits[data[0] % 5];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  if (const auto bytes = brisvel::DecodeHexWithCheck(text, maxBytes)) {
    FUZZ_CHECK(bytes->size() <= maxBytes);
    FUZZ_CHECK(brisvel::EncodeHexWithCheck(*bytes) == text);
  }

  const std::vector<uint8_t> raw(data + 1, data + size);
  const std::string encoded = brisvel::EncodeHexWithCheck(raw);
  FUZZ_CHECK(encoded.size() == raw.size() * 2 + 2);
  const auto back = brisvel::DecodeHexWithCheck(encoded, raw.size());
  // An empty record has no defined check byte; every other one must come back.
  FUZZ_CHECK(raw.empty() || (back && *back == raw));
  if (!raw.empty()) FUZZ_CHECK(!brisvel::DecodeHexWithCheck(encoded, raw.size() - 1));
  return 0;
}
