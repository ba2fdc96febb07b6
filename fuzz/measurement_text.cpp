// Fuzzes the measurement text readers take from measurement programs: a curve
// read is one the console can use (at least two points, finite, strictly
// rising frequencies above 0 Hz, a phase on every point or on none, finite),
// a refusal names what is wrong, and the line ends a file was written with
// change nothing. A channel's sum with the measurement stays finite.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/measurement.h"
#include "core/system_sum.h"
#include "fuzz_check.h"

namespace {

std::string WithLineEnds(std::string_view text, const char* end) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += end;
    else out += c;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const brisvel::CurveParse parsed = brisvel::ParseFrequencyCurve(text);
  if (!parsed.curve) {
    FUZZ_CHECK(!parsed.error.empty());
    return 0;
  }
  const brisvel::FrequencyCurve& c = *parsed.curve;
  FUZZ_CHECK(c.hz.size() == c.db.size() && c.hz.size() >= 2);
  for (size_t i = 0; i < c.hz.size(); ++i) {
    FUZZ_CHECK(std::isfinite(c.hz[i]) && std::isfinite(c.db[i]) && c.hz[i] > 0);
    if (i > 0) FUZZ_CHECK(c.hz[i] > c.hz[i - 1]);
  }
  FUZZ_CHECK(c.phase.empty() || c.phase.size() == c.hz.size());
  for (double p : c.phase) FUZZ_CHECK(std::isfinite(p));
  // Texts without CR read the same with CR LF or CR alone.
  if (text.find('\r') == std::string_view::npos) {
    for (const char* end : {"\r\n", "\r"}) {
      const brisvel::CurveParse again = brisvel::ParseFrequencyCurve(WithLineEnds(text, end));
      FUZZ_CHECK(again.curve && *again.curve == c);
    }
  }
  // What the console does with a curve stays defined.
  const double level = brisvel::CurveAt(c, 1000.0);
  FUZZ_CHECK(std::isfinite(level));
  const brisvel::FrequencyCurve smooth = brisvel::SmoothCurve(c, 6);
  FUZZ_CHECK(smooth.hz.size() == smooth.db.size());
  FUZZ_CHECK(smooth.phase == c.phase);
  brisvel::CSystemSum sum(brisvel::LogSpacedFrequencies(20, 20000, 3));
  sum.SetChannels({0, 2});
  sum.SetMeasurement(0, &c, level);
  sum.Update(brisvel::FactoryBlock());
  for (double db : sum.Db()) FUZZ_CHECK(!std::isnan(db));
  FUZZ_CHECK(!std::isnan(sum.LevelAt(1000.0)));
  return 0;
}
