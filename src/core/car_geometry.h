// Car geometry of the delay view: the stored record, default positions, the
// mm/px mappings and the delays that make every speaker's sound arrive together.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace brisvel {

struct CarPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const CarPoint&) const = default;
};

// The 136-byte record stored hex-encoded under [Config] Delay.
struct CarDelaySettings {
  static constexpr size_t kSize = 136;
  int32_t carWidth = 0;    // mm
  int32_t zhouJu = 0;      // wheelbase, mm
  int32_t xStart = 0;      // mm
  int32_t yStart = 0;      // mm
  int32_t mmPerScale = 0;  // mm between axis marks
  int32_t mmPerPx = 0;     // mm per pixel
  CarPoint listener;
  std::array<CarPoint, 6> speakers{};  // CH1 ... CH6
  std::array<double, 6> delays{};      // mm of extra path, CH1 ... CH6
  int32_t positionsValid = 0;
  std::array<uint8_t, 4> reserved{};

  static CarDelaySettings Default();
  std::array<uint8_t, kSize> Encode() const;
  // Bytes beyond the given span are taken as 0 (a shorter stored value).
  static CarDelaySettings Decode(std::span<const uint8_t> bytes);
};

// Hex text with check byte for [Config] Delay (274 characters).
std::string EncodeCarDelayText(const CarDelaySettings& record);
// The default record when the text is absent or not accepted.
CarDelaySettings DecodeCarDelayText(std::optional<std::string_view> text);

struct CarPositions {
  std::array<CarPoint, 6> speakers{};
  CarPoint listener;
};

// CH1 (0, l), CH2 (w, l), CH3 (0, 0), CH4 (w, 0), CH5 (w/3, 0), CH6 (2w/3, 0); listener (530, 1580).
CarPositions DefaultCarPositions(int32_t carWidth, int32_t zhouJu);

// The listener presets: the driver's seat (the default listener's place,
// scaled to the car), the passenger's (mirrored across the car) and the middle
// between them, all in the front seats' row.
enum class ListenerSeat { kDriver, kPassenger, kCentre };
CarPoint ListenerSeatPosition(ListenerSeat seat, int32_t carWidth, int32_t zhouJu);

// Geometry attributes of the view and the mappings between millimetres and pixels.
struct CarViewMetrics {
  int ldist = 40, tdist = 20, rdist = 20, bdist = 20;
  int xStart = -2000, yStart = -2000;
  int mmPerPx = 10, mmPerScale = 1000;
  int carWidth = 1825, zhouJu = 2680;

  // view rectangle in pixels (left, top, right, bottom)
  int left = 0, top = 0, right = 0, bottom = 0;

  CarPoint MmToPx(CarPoint mm) const;
  CarPoint PxToMm(CarPoint px) const;
  int OriginX() const;
  int OriginY() const;
  // Car body in pixels: left, top, right, bottom.
  std::array<int, 4> CarRect() const;
};

// Result of placing a listener and speakers (all in pixels).
struct CarDelayGeometry {
  std::array<double, 6> distancePx{};
  double farthestPx = 0;
  std::array<CarPoint, 6> virtualPoints{};
  std::array<bool, 6> hasVirtualPoint{};
  std::array<double, 6> delayMm{};  // (D - dist) * mmPerPx
  std::array<int, 4> soundSpace{};  // left, top, right, bottom
};

// count speakers (at most 6) at px positions relative to the listener at px L.
CarDelayGeometry ComputeCarDelays(CarPoint listenerPx, std::span<const CarPoint> speakersPx, int mmPerPx);

// Milliseconds of delay for mm of extra path (346 mm per ms).
constexpr double kMmPerMs = 346.0;

}  // namespace brisvel
