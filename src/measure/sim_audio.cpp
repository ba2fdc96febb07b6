// The simulated audio device.
#include "measure/sim_audio.h"

namespace brisvel::measure {

bool SimulatedAudio::PlayAndRecord(const std::vector<float>& signal, int tail, std::vector<float>& recorded,
                                   const std::atomic<bool>& stop, std::string* error) {
  if (stop.load()) {
    if (error) *error = "stopped";
    return false;
  }
  recorded = car_.Record(block_(), signal, tail);
  if (stop.load()) {
    if (error) *error = "stopped";
    return false;
  }
  return true;
}

}  // namespace brisvel::measure
