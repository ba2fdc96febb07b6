// From a recording of a sweep to numbers: the impulse response, the arrival
// time of the sound, the response (magnitude and phase) as a measurement like
// an imported one, the microphone's calibration, averages over positions and
// the delays that make every channel arrive together.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/measurement.h"
#include "measure/sweep.h"

namespace brisvel::measure {

// The impulse response from the input of what played the sweep to the
// recording: sample 0 is the instant the sweep's first sample was played. The
// division by the sweep's spectrum is limited to the sweep's band (outside it
// the response is faded to nothing rather than divided by almost nothing).
std::vector<float> Deconvolve(const std::vector<float>& recording, const std::vector<float>& sweep,
                              const SweepPlan& plan, int length);

// When the sound arrives: the peak of the impulse response's envelope, to a
// fraction of a sample; level is that peak's height.
struct Arrival {
  double samples = 0;
  double level = 0;
};
Arrival FindArrival(const std::vector<float>& impulse);

struct ResponseOptions {
  double beforeMs = 1.0;   // the window opens this long before the arrival
  double windowMs = 50.0;  // and closes this long after it, faded over its last fifth
  int smoothing = 12;      // 1/N octave, 0 for none
  double loHz = 20.0, hiHz = 20000.0;
  int pointsPerOctave = 48;
};
// The response the window sees, in dB of the impulse response's gain, with
// the phase in degrees relative to the arrival.
FrequencyCurve ResponseFromImpulse(const std::vector<float>& impulse, double arrivalSamples,
                                   const ResponseOptions& options = {});

// A measurement microphone's calibration file: lines "freq dB [phase]", with
// an optional first line giving its sensitivity ("Sens Factor =-1.2dB",
// "Sensitivity: -38.5 dBFS").
struct Calibration {
  FrequencyCurve curve;
  std::optional<double> sensitivityDb;
};
struct CalibrationParse {
  std::optional<Calibration> calibration;
  std::string error;
};
CalibrationParse ParseCalibration(std::string_view text);
// The measurement corrected by the microphone's own response (its level and,
// where both have one, its phase taken out).
FrequencyCurve ApplyCalibration(const FrequencyCurve& measured, const Calibration& calibration);

// Several microphone positions as one: the power average of the levels on the
// first one's frequencies, with its phase.
FrequencyCurve PowerAverage(const std::vector<FrequencyCurve>& positions);

// The delays in samples at 48 kHz that make the channels arrive together: the
// arrivals (in samples, against one timing reference) less the delays that
// were set while measuring are the acoustic paths; the channel of the longest
// path gets 0, every other the difference, limited to 0 … 960.
std::vector<int> DelaysFromArrivals(const std::vector<double>& arrivals, const std::vector<int>& delaysWhileMeasured);

}  // namespace brisvel::measure
