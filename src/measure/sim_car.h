// A car to measure without a car: the processor's own output stage applied to
// the signal it is given (per output channel the bands and crossovers as
// second- and first-order sections, volume, mute, polarity and delay), and a
// cabin that carries each speaker's sound to the microphone: the distance's
// delay and level from the car view's positions, a few early reflections, room
// modes, the sound card's latency and noise. What it records is what a
// microphone at the listener's seat would.
#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <vector>

#include "core/car_geometry.h"
#include "core/param_table.h"

namespace brisvel::measure {

struct CabinOptions {
  double latencySamples = 480.0;  // the sound card's, both ways
  double noiseDbfs = -200.0;      // white noise at the microphone (RMS); -200: none
  uint32_t noiseSeed = 1;
  bool reflections = true;
  bool roomModes = true;
};

class SimulatedCar {
 public:
  // positions: the car view's speakers (CH1 … CH6) and listener, in mm.
  SimulatedCar(const CarPositions& positions, CabinOptions options = {});
  // The default car of the car view.
  static SimulatedCar Default(CabinOptions options = {});

  // The microphone's recording of signal played into the processor's input
  // while it holds block: as long as the signal plus tail samples.
  std::vector<float> Record(const EffectBlock& block, const std::vector<float>& signal, int tail) const;

  // The path through output channel box (Box 0-5) alone, from the processor's
  // input to the microphone, at hz: what a measurement should find.
  std::complex<double> TrueResponse(const EffectBlock& block, int box, double hz) const;
  // When the direct sound of box arrives, in samples after the signal went
  // in, without the processor's own delay: latency plus distance.
  double DirectArrival(int box) const;
  // The distance from the speaker of box to the listener, mm.
  double DistanceMm(int box) const;

  const CabinOptions& Options() const { return options_; }

 private:
  struct Path {
    double delaySamples;  // after the latency
    double gain;
  };
  std::array<std::vector<Path>, 6> paths_;  // by Box
  std::array<double, 6> distanceMm_{};
  CabinOptions options_;
};

}  // namespace brisvel::measure
