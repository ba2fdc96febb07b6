// The simulated audio device: what it plays goes into the simulated
// processor, which plays it as its block says, and the simulated car carries
// it to the microphone. The whole measurement runs without a sound card.
#pragma once

#include <functional>

#include "measure/run.h"
#include "measure/sim_car.h"

namespace brisvel::measure {

class SimulatedAudio : public IAudioIo {
 public:
  // block: the processor's block as it plays at the moment the sweep goes
  // out. paced: each recording takes as long as it would through a sound
  // card (the console's demo), else it is there at once (tests, the command line).
  SimulatedAudio(SimulatedCar car, std::function<EffectBlock()> block, bool paced = false)
      : car_(std::move(car)), block_(std::move(block)), paced_(paced) {}
  bool PlayAndRecord(const std::vector<float>& signal, int tail, std::vector<float>& recorded,
                     const std::atomic<bool>& stop, std::string* error) override;
  const SimulatedCar& Car() const { return car_; }

 private:
  SimulatedCar car_;
  std::function<EffectBlock()> block_;
  bool paced_;
};

}  // namespace brisvel::measure
