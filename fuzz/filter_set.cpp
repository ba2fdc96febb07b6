// Fuzzes filter-set imports (parametric-filter text and CSV): whatever is
// read, every band holds values the block can hold within the gain range
// given, and what the console exports reads back to the same bands without
// a change or a skipped filter.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/filter_set.h"
#include "core/scales.h"
#include "fuzz_check.h"

namespace {

bool Holdable(const brisvel::ChannelBands& bands, int minDb, int maxDb) {
  const auto& steps = brisvel::QStepTable();
  return std::all_of(bands.begin(), bands.end(), [&](const brisvel::BandRaw& b) {
    return b.freq >= 20 && b.freq <= 20000 && b.gain >= minDb * 100 && b.gain <= maxDb * 100 &&
           std::find(steps.begin(), steps.end(), b.q) != steps.end();
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const brisvel::ChannelBands current = brisvel::BandsFromBlock(brisvel::FactoryBlock(), 2);
  const int minDb = size > 0 ? -(data[0] % 21) : -20, maxDb = size > 1 ? data[1] % 21 : 20;
  const brisvel::FilterSetImport in = brisvel::ImportFilterSet(text, current, minDb, maxDb);
  if (!in.ok) {
    FUZZ_CHECK(!in.error.empty());
    return 0;
  }
  FUZZ_CHECK(in.filtersTaken >= 0 && in.filtersTaken <= brisvel::kBandCount);
  FUZZ_CHECK(Holdable(in.bands, minDb, maxDb));

  // The console's own exports of what was read come back unchanged.
  for (const bool csv : {false, true}) {
    const std::string out = csv ? brisvel::FilterSetCsv(in.bands) : brisvel::FilterSetText(in.bands);
    const brisvel::FilterSetImport back = brisvel::ImportFilterSet(out, current, minDb, maxDb);
    FUZZ_CHECK(back.ok && back.bands == in.bands && back.changes.empty() && back.skipped.empty());
  }
  return 0;
}
