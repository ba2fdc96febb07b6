// A measurement run: one output channel after the other, each alone. The
// other channels are muted on the processor for the run and the mutes are
// put back as they were afterwards: on success, on Stop and on every failure.
// The level is the installer's (quiet by default) and the run stops at a
// clipping capture or a capture above the limit.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/param_table.h"
#include "measure/analysis.h"

namespace brisvel::measure {

// What a run needs of the processor.
class IMeasureLink {
 public:
  virtual ~IMeasureLink() = default;
  // The processor's block as it plays now; nothing when it cannot be had
  // (then the run changes nothing, or stops and gives the mutes back).
  virtual std::optional<EffectBlock> Block() = 0;
  // Makes the MuteCtrl mask the processor's; false when it did not take it.
  virtual bool SetMuteMask(uint8_t mask) = 0;
};

// What a run needs of the sound card (or of the simulated car).
class IAudioIo {
 public:
  virtual ~IAudioIo() = default;
  // Plays signal on the output while recording the input, for the signal's
  // length plus tail samples at 48 kHz. Ends early (false, "stopped") when
  // stop is set; checks it at least every 100 ms. False with the reason when
  // the device fails.
  virtual bool PlayAndRecord(const std::vector<float>& signal, int tail, std::vector<float>& recorded,
                             const std::atomic<bool>& stop, std::string* error) = 0;
};

struct RunOptions {
  std::vector<int> channels;  // Box indexes, in the order measured
  double sweepSeconds = 2.0;
  double levelDbfs = kDefaultSweepDbfs;
  double captureLimitDbfs = -3.0;  // a capture peaking above this stops the run
  int tail = kMeasureRate / 2;     // recorded after the sweep ends
  ResponseOptions response;
};

struct ChannelMeasurement {
  int box = 0;
  SweepPlan sweep;
  Arrival arrival;           // in samples after the sweep went out
  FrequencyCurve response;   // dB and phase
  std::vector<float> impulse;  // the tail's length, from the sweep's start
  double capturePeakDbfs = 0;
};

struct RunResult {
  bool ok = false;
  bool stopped = false;        // by the installer
  std::string error;           // why it ended early
  bool mutesRestored = false;  // the processor has its mutes back
  std::vector<ChannelMeasurement> channels;
  // Arrivals against the first channel measured (so the sound card's latency
  // and drift cancel), in samples, in the order measured.
  std::vector<double> relativeArrivals;
};

// Told before each channel is swept (index in the run, Box index).
using RunProgress = std::function<void(size_t index, int box)>;

RunResult RunMeasurement(IMeasureLink& link, IAudioIo& audio, const RunOptions& options,
                         const std::atomic<bool>& stop, const RunProgress& progress = {});

// The text of a measured channel, as the measurement importer reads it back:
// a header of comment lines, then "freq dB phase".
std::string MeasurementText(const ChannelMeasurement& m, const std::string& channelLabel);

}  // namespace brisvel::measure
