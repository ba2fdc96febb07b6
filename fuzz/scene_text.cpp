// Fuzzes the INI text of scene files: any text either yields a record or
// nothing, and setting the data key always gives a text from which that very
// record reads back, with every other key of the text kept.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/hex_text.h"
#include "core/scene_file.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)brisvel::scene::ParseSceneText(text);

  brisvel::PCModeRecord record;
  record.SetName("fuzz");
  for (size_t i = 0; i < record.block.size(); ++i) record.block[i] = static_cast<uint8_t>(i + size);
  const std::string written = brisvel::scene::WriteProfileValue(text, brisvel::scene::kSection,
                                                                brisvel::scene::kDataKey,
                                                                brisvel::EncodeProfileStruct(record.Encode()));
  const auto back = brisvel::scene::ParseSceneText(written);
  FUZZ_CHECK(back && back->Encode() == record.Encode());
  const auto other = brisvel::scene::ReadProfileValue(text, "Other", "key");
  FUZZ_CHECK(brisvel::scene::ReadProfileValue(written, "Other", "key") == other);
  return 0;
}
