// Car geometry of the delay view: the 136-byte stored record and its text form,
// the default speaker layout, the mm/px mappings and the per-speaker delays.
#include "core/car_geometry.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "core/hex_text.h"

namespace brisvel {
namespace {

void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutU64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetU32(const uint8_t* p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
  return v;
}

uint64_t GetU64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
  return v;
}

void PutI32(uint8_t* p, int32_t v) { PutU32(p, static_cast<uint32_t>(v)); }
int32_t GetI32(const uint8_t* p) { return static_cast<int32_t>(GetU32(p)); }

// Pixel values come from int arithmetic on user-controlled numbers; keep the
// results inside int so that no conversion is undefined.
int ClampToInt(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min(),
                                              std::numeric_limits<int>::max()));
}

int TruncToInt(double v) {
  if (std::isnan(v)) return 0;
  constexpr double lo = static_cast<double>(std::numeric_limits<int>::min());
  constexpr double hi = static_cast<double>(std::numeric_limits<int>::max());
  return static_cast<int>(std::trunc(std::clamp(v, lo, hi)));
}

// Field offsets of the stored record.
constexpr size_t kOffListener = 24;
constexpr size_t kOffSpeakers = 32;
constexpr size_t kOffDelays = 80;
constexpr size_t kOffValid = 128;
constexpr size_t kOffReserved = 132;

}  // namespace

CarDelaySettings CarDelaySettings::Default() {
  CarDelaySettings r;
  r.carWidth = 1825;
  r.zhouJu = 2680;
  r.xStart = -2000;
  r.yStart = -2000;
  r.mmPerScale = 500;
  r.mmPerPx = 10;
  return r;
}

std::array<uint8_t, CarDelaySettings::kSize> CarDelaySettings::Encode() const {
  std::array<uint8_t, kSize> out{};
  uint8_t* p = out.data();
  PutI32(p + 0, carWidth);
  PutI32(p + 4, zhouJu);
  PutI32(p + 8, xStart);
  PutI32(p + 12, yStart);
  PutI32(p + 16, mmPerScale);
  PutI32(p + 20, mmPerPx);
  PutI32(p + kOffListener, listener.x);
  PutI32(p + kOffListener + 4, listener.y);
  for (size_t i = 0; i < speakers.size(); ++i) {
    PutI32(p + kOffSpeakers + 8 * i, speakers[i].x);
    PutI32(p + kOffSpeakers + 8 * i + 4, speakers[i].y);
  }
  for (size_t i = 0; i < delays.size(); ++i) {
    PutU64(p + kOffDelays + 8 * i, std::bit_cast<uint64_t>(delays[i]));
  }
  PutI32(p + kOffValid, positionsValid);
  std::copy(reserved.begin(), reserved.end(), p + kOffReserved);
  return out;
}

CarDelaySettings CarDelaySettings::Decode(std::span<const uint8_t> bytes) {
  std::array<uint8_t, kSize> buf{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), kSize), buf.begin());
  const uint8_t* p = buf.data();
  CarDelaySettings r;
  r.carWidth = GetI32(p + 0);
  r.zhouJu = GetI32(p + 4);
  r.xStart = GetI32(p + 8);
  r.yStart = GetI32(p + 12);
  r.mmPerScale = GetI32(p + 16);
  r.mmPerPx = GetI32(p + 20);
  r.listener = {GetI32(p + kOffListener), GetI32(p + kOffListener + 4)};
  for (size_t i = 0; i < r.speakers.size(); ++i) {
    r.speakers[i] = {GetI32(p + kOffSpeakers + 8 * i), GetI32(p + kOffSpeakers + 8 * i + 4)};
  }
  for (size_t i = 0; i < r.delays.size(); ++i) {
    r.delays[i] = std::bit_cast<double>(GetU64(p + kOffDelays + 8 * i));
  }
  r.positionsValid = GetI32(p + kOffValid);
  std::copy_n(p + kOffReserved, r.reserved.size(), r.reserved.begin());
  return r;
}

std::string EncodeCarDelayText(const CarDelaySettings& record) {
  const auto bytes = record.Encode();
  return EncodeHexWithCheck(bytes);
}

CarDelaySettings DecodeCarDelayText(std::optional<std::string_view> text) {
  if (!text) return CarDelaySettings::Default();
  const auto bytes = DecodeHexWithCheck(*text, CarDelaySettings::kSize);
  if (!bytes) return CarDelaySettings::Default();
  CarDelaySettings r = CarDelaySettings::Decode(*bytes);
  // The view divides by both steps; a record that cannot be drawn is treated
  // like a missing one, and the next close of the dialog overwrites it.
  if (r.mmPerPx <= 0 || r.mmPerScale <= 0) return CarDelaySettings::Default();
  return r;
}

CarPositions DefaultCarPositions(int32_t carWidth, int32_t zhouJu) {
  const int64_t w = carWidth;
  CarPositions p;
  p.speakers[0] = {0, zhouJu};
  p.speakers[1] = {carWidth, zhouJu};
  p.speakers[2] = {0, 0};
  p.speakers[3] = {carWidth, 0};
  p.speakers[4] = {static_cast<int32_t>(w / 3), 0};
  p.speakers[5] = {static_cast<int32_t>(2 * w / 3), 0};
  p.listener = {530, 1580};
  return p;
}

CarPoint ListenerSeatPosition(ListenerSeat seat, int32_t carWidth, int32_t zhouJu) {
  // The default listener sits at (530, 1580) in a car 1825 mm wide with a 2680 mm wheelbase.
  const int64_t w = carWidth, l = zhouJu;
  const auto driverX = static_cast<int32_t>((w * 530 + 912) / 1825);
  const auto y = static_cast<int32_t>((l * 1580 + 1340) / 2680);
  switch (seat) {
    case ListenerSeat::kPassenger: return {static_cast<int32_t>(w - driverX), y};
    case ListenerSeat::kCentre: return {static_cast<int32_t>(w / 2), y};
    case ListenerSeat::kDriver: break;
  }
  return {driverX, y};
}

namespace {
// The layout formulas need at least 1 mm per pixel; a smaller value from a
// hand-made layout is read as 1 rather than dividing by zero.
int64_t Step(int mmPerPx) { return std::max(mmPerPx, 1); }
}  // namespace

CarPoint CarViewMetrics::MmToPx(CarPoint mm) const {
  const int64_t s = Step(mmPerPx);
  return {ClampToInt(int64_t{left} + ldist + (int64_t{mm.x} - xStart) / s),
          ClampToInt(int64_t{bottom} - bdist - (int64_t{mm.y} - yStart) / s)};
}

CarPoint CarViewMetrics::PxToMm(CarPoint px) const {
  const int64_t s = Step(mmPerPx);
  return {ClampToInt((int64_t{px.x} - left - ldist) * s + xStart),
          ClampToInt(int64_t{yStart} + (int64_t{bottom} - bdist - px.y) * s)};
}

int CarViewMetrics::OriginX() const {
  return ClampToInt(int64_t{left} + ldist - int64_t{xStart} / Step(mmPerPx));
}

int CarViewMetrics::OriginY() const {
  return ClampToInt(int64_t{bottom} + int64_t{yStart} / Step(mmPerPx) - bdist);
}

std::array<int, 4> CarViewMetrics::CarRect() const {
  const int64_t s = Step(mmPerPx);
  const int64_t ox = OriginX();
  const int64_t oy = OriginY();
  return {ClampToInt(ox), ClampToInt(oy - zhouJu / s), ClampToInt(ox + carWidth / s), ClampToInt(oy)};
}

CarDelayGeometry ComputeCarDelays(CarPoint listenerPx, std::span<const CarPoint> speakersPx, int mmPerPx) {
  CarDelayGeometry g;
  const size_t count = std::min<size_t>(speakersPx.size(), 6);
  const double lx = listenerPx.x;
  const double ly = listenerPx.y;
  double farthest = 0;
  for (size_t i = 0; i < count; ++i) {
    const double dx = speakersPx[i].x - lx;
    const double dy = speakersPx[i].y - ly;
    g.distancePx[i] = std::sqrt(dx * dx + dy * dy);
    farthest = std::max(farthest, g.distancePx[i]);
  }
  g.farthestPx = farthest;
  for (size_t i = 0; i < count; ++i) {
    const double dist = g.distancePx[i];
    if (dist > 0) {
      const double k = farthest / dist;
      g.virtualPoints[i] = {TruncToInt(lx + k * (speakersPx[i].x - lx)), TruncToInt(ly + k * (speakersPx[i].y - ly))};
      g.hasVirtualPoint[i] = true;
    } else {
      // A speaker on the listener's pixel has no direction to push it out along.
      g.virtualPoints[i] = speakersPx[i];
      g.hasVirtualPoint[i] = false;
    }
    g.delayMm[i] = (farthest - dist) * mmPerPx;
  }
  g.soundSpace = {TruncToInt(lx - farthest), TruncToInt(ly - farthest), TruncToInt(lx + farthest),
                  TruncToInt(ly + farthest)};
  return g;
}

}  // namespace brisvel
