// Fuzzes batch scene files as a batch import reads them: either the whole
// file (a count of 1 to 8 and every record of it, exactly as the single
// readers see them) or nothing with a reason; and records written into any
// text read back as written.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/hex_text.h"
#include "core/scene_file.h"
#include "fuzz_check.h"

namespace scene = brisvel::scene;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const scene::BatchContent content = scene::ParseBatchFile(text);
  if (content.error.empty()) {
    FUZZ_CHECK(!content.records.empty() && content.records.size() <= scene::kBatchRecords);
    FUZZ_CHECK(scene::ParseBatchCount(text) == static_cast<int32_t>(content.records.size()));
    for (size_t i = 0; i < content.records.size(); ++i) {
      const auto single = scene::ParseBatchRecord(text, static_cast<int>(i));
      FUZZ_CHECK(single && single->Encode() == content.records[i].Encode());
    }
  } else {
    FUZZ_CHECK(content.records.empty());
  }

  // Three records from the input's bytes, written over whatever the text holds.
  std::string written(text);
  std::array<brisvel::PCModeRecord, 3> records{};
  for (size_t i = 0; i < records.size(); ++i) {
    for (size_t k = 0; k < records[i].block.size(); ++k) records[i].block[k] = size ? data[(k + i) % size] : 0;
    records[i].SetName(std::to_string(i));
    written = scene::WriteProfileValue(written, scene::kSection, scene::BatchDataKey(static_cast<int>(i)),
                                       brisvel::EncodeProfileStruct(records[i].Encode()));
  }
  const std::array<uint8_t, 4> three = {3, 0, 0, 0};
  written = scene::WriteProfileValue(written, scene::kSection, scene::kCountKey, brisvel::EncodeProfileStruct(three));
  const scene::BatchContent back = scene::ParseBatchFile(written);
  FUZZ_CHECK(back.error.empty() && back.records.size() == 3);
  for (size_t i = 0; i < 3; ++i) FUZZ_CHECK(back.records[i].Encode() == records[i].Encode());
  return 0;
}
