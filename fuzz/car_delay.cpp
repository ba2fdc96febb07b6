// Fuzzes the car-geometry record: byte decode and encode agree, the stored
// text always yields a drawable record, and the view mappings and delays stay
// defined for whatever positions that record holds.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/car_geometry.h"
#include "fuzz_check.h"

using brisvel::CarDelaySettings;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);

  // Bytes: a record decoded from any prefix re-encodes to that prefix, zero-padded.
  const CarDelaySettings r = CarDelaySettings::Decode(bytes);
  const auto encoded = r.Encode();
  const size_t used = std::min(size, CarDelaySettings::kSize);
  FUZZ_CHECK(std::equal(encoded.begin(), encoded.begin() + used, data));
  FUZZ_CHECK(std::all_of(encoded.begin() + used, encoded.end(), [](uint8_t b) { return b == 0; }));
  FUZZ_CHECK(CarDelaySettings::Decode(encoded).Encode() == encoded);

  // Text: whatever is stored, the result can be drawn.
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const CarDelaySettings t = brisvel::DecodeCarDelayText(text);
  FUZZ_CHECK(t.mmPerPx > 0 && t.mmPerScale > 0);
  if (r.mmPerPx > 0 && r.mmPerScale > 0) {
    FUZZ_CHECK(brisvel::DecodeCarDelayText(brisvel::EncodeCarDelayText(r)).Encode() == encoded);
  }

  // Geometry from the record as the view would place it.
  brisvel::CarViewMetrics m;
  m.xStart = r.xStart;
  m.yStart = r.yStart;
  m.mmPerPx = r.mmPerPx;
  m.mmPerScale = r.mmPerScale;
  m.carWidth = r.carWidth;
  m.zhouJu = r.zhouJu;
  m.right = 650;
  m.bottom = 750;
  (void)m.CarRect();
  std::array<brisvel::CarPoint, 6> px{};
  for (size_t i = 0; i < 6; ++i) px[i] = m.MmToPx(r.speakers[i]);
  const auto g = brisvel::ComputeCarDelays(m.MmToPx(r.listener), px, std::max(r.mmPerPx, 1));
  for (size_t i = 0; i < 6; ++i) {
    FUZZ_CHECK(g.distancePx[i] <= g.farthestPx);
    FUZZ_CHECK(g.delayMm[i] >= 0 && std::isfinite(g.delayMm[i]));
  }
  return 0;
}
