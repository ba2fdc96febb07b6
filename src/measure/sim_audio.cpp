// The simulated audio device.
#include "measure/sim_audio.h"

#include <chrono>
#include <thread>

namespace brisvel::measure {

bool SimulatedAudio::PlayAndRecord(const std::vector<float>& signal, int tail, std::vector<float>& recorded,
                                   const std::atomic<bool>& stop, std::string* error) {
  if (stop.load()) {
    if (error) *error = "stopped";
    return false;
  }
  const auto started = std::chrono::steady_clock::now();
  recorded = car_.Record(block_(), signal, tail);
  if (paced_) {
    // As long as the sweep and its tail take to play, looking at Stop every 10 ms.
    const auto end = started + std::chrono::microseconds(static_cast<long long>(
                                   1e6 * static_cast<double>(signal.size() + static_cast<size_t>(tail)) / kMeasureRate));
    while (!stop.load() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (stop.load()) {
    if (error) *error = "stopped";
    return false;
  }
  return true;
}

}  // namespace brisvel::measure
