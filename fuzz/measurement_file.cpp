// Fuzzes measurements.ini: whatever it holds, what a rewrite writes reads back
// to the same measurements with the same entries not understood (kept line
// for line), every measurement read could be kept again, and rewriting that
// text changes nothing more.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "settings/measurement_file.h"

using brisvel::settings::FormatMeasurementFile;
using brisvel::settings::MeasurementFile;
using brisvel::settings::ParseMeasurementFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const MeasurementFile read = ParseMeasurementFile(text);
  for (const auto& [mode, list] : read.modes) {
    FUZZ_CHECK(!list.empty());
    for (const auto& m : list) FUZZ_CHECK(brisvel::settings::KeepableProblem(m).empty());
  }
  const std::string written = FormatMeasurementFile(read);
  const MeasurementFile back = ParseMeasurementFile(written);
  FUZZ_CHECK(back.modes == read.modes);
  FUZZ_CHECK(back.unreadLines == read.unreadLines);
  FUZZ_CHECK(back.unreadBefore == read.unreadBefore);
  FUZZ_CHECK(back.unreadSections == read.unreadSections);
  FUZZ_CHECK(back.problems.size() == read.problems.size());
  FUZZ_CHECK(FormatMeasurementFile(back) == written);
  return 0;
}
