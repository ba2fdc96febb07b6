// Fuzzes the sum-checked profile-structure value of scene files: an accepted
// value is the encoding of its bytes in either letter case, and a refused one
// leaves the destination untouched.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/hex_text.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t n = data[0] % 8 == 0 ? 1270 : data[0] % 8;  // a record or a small value
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  std::vector<uint8_t> out(n, 0x5A);
  if (brisvel::DecodeProfileStruct(text, out)) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    FUZZ_CHECK(brisvel::EncodeProfileStruct(out) == upper);
  } else {
    for (uint8_t b : out) FUZZ_CHECK(b == 0x5A);
  }

  const std::vector<uint8_t> raw(data + 1, data + size);
  const std::string encoded = brisvel::EncodeProfileStruct(raw);
  std::vector<uint8_t> back(raw.size());
  FUZZ_CHECK(brisvel::DecodeProfileStruct(encoded, back) && back == raw);
  return 0;
}
