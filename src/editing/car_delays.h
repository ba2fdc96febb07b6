// Delays from the car view to the processor: the record the delay settings
// dialog keeps, the positions it shows at opening, and the six Delay_n
// parameters with the texts the main window's delay boxes show.
#pragma once

#include <array>
#include <span>
#include <string>

#include "core/car_geometry.h"
#include "core/effect_store.h"
#include "editing/changes.h"

namespace brisvel::editing {

// Delays beyond 20 ms are sent as 20 ms (960 samples at 48 kHz).
inline constexpr double kMaxCarDelayMs = 20.0;

// One output channel's delay from the car view. Speaker i (CH1 ... CH6)
// drives the Box channel (i + 2) mod 6.
struct CarDelayOutput {
  int channel = 0;        // Box index 0-5
  uint16_t samples = 0;   // Delay_n: 0 ... 960
  std::string text;       // the delay box text in the delay unit (0 ms, 1 cm, 2 in)
};

// The six outputs, indexed by speaker (CH1 ... CH6). A negative or non-finite
// delay counts as 0.
std::array<CarDelayOutput, 6> CarDelayOutputs(const CarDelaySettings& record, int unit);

// What ApplyCarDelays changed, with the delay box text of every Box channel.
struct CarDelayChanges : Changes {
  std::array<std::string, 6> delayTexts;  // by Box index
};

// Sets Delay_0 ... Delay_5 through SetParam from the record's six delays.
CarDelayChanges ApplyCarDelays(CEffectStore& store, const CarDelaySettings& record);

// The processor holds the delays the record's positions give (the store's
// Delay_n are those CarDelayOutputs computes).
bool CarDelaysApplied(const CEffectStore& store, const CarDelaySettings& record);

// The positions the view shows at opening: the stored ones when valid,
// otherwise the default positions of the record's car.
CarPositions OpeningPositions(const CarDelaySettings& record);

// A record the view can draw: one whose scale (mm per pixel, mm per axis
// mark) is not positive cannot be drawn, so the default record stands in.
CarDelaySettings DrawableCarRecord(const CarDelaySettings& record);

// The record with the view's state: at most six speakers and delays, the
// listener, and the positions marked valid. Geometry and reserved bytes stay.
CarDelaySettings WithViewState(const CarDelaySettings& record, std::span<const CarPoint> speakers, CarPoint listener,
                               std::span<const double> delays);

}  // namespace brisvel::editing
