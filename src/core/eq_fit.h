// Automatic fitting of a channel's 31 equaliser bands to a target: the
// prediction (measurement + the channel's filters + its bands) is brought as
// close to the aligned target as the processor's values allow. Every result is
// quantised to what the block can hold (whole Hz, entries of the Q step table,
// 0.1 dB) before it is judged, and a fit never ends worse than it started.
#pragma once

#include <array>
#include <vector>

#include "core/measurement.h"
#include "core/param_table.h"

namespace brisvel {

// One band as the block holds it: Hz, Q x 100, dB x 100.
struct BandRaw {
  int freq = 1000;
  int q = 100;
  int gain = 0;
  bool operator==(const BandRaw&) const = default;
};
using ChannelBands = std::array<BandRaw, kBandCount>;

ChannelBands BandsFromBlock(const EffectBlock& block, int channel);
void WriteBands(EffectBlock& block, int channel, const ChannelBands& bands);

// A band's response in dB at hz, as the response model draws it (Q / 3 in the
// peaking formula at 48 kHz).
double BandDb(const BandRaw& band, double hz);
// The channel's high-pass and low-pass together, in dB at hz, as drawn.
double ChannelFiltersDb(const EffectBlock& block, int channel, double hz);

constexpr double kFitLowestHz = 20.0;
constexpr double kFitHighestHz = 20000.0;
constexpr int kFitPointsPerOctave = 24;

// What a fit works on: the points of the range and, at each, the measured
// level plus the channel's filters, and the target aligned to the measurement.
struct FitProblem {
  std::vector<double> hz;
  std::vector<double> base;    // measurement + high-pass + low-pass, dB
  std::vector<double> target;  // aligned target, dB
};

// Points of the range where the measurement has data; empty when they do not
// overlap. The range is limited to 20 Hz .. 20 kHz.
FitProblem MakeFitProblem(const FrequencyCurve& measurement, const TargetCurve& target, const EffectBlock& block,
                          int channel, double loHz, double hiHz);

struct Residual {
  double rms = 0;  // dB
  double max = 0;  // largest |prediction - target|, dB
};
Residual ResidualOf(const FitProblem& problem, const ChannelBands& bands);
// The predicted levels at the problem's points.
std::vector<double> Prediction(const FitProblem& problem, const ChannelBands& bands);

enum class FitMode { kGeq, kPeq };

struct FitSettings {
  FitMode mode = FitMode::kGeq;
  double maxBoostDb = 6.0;  // no band gain above this
  int minGainDb = -20;      // the gain range of the data file
  int maxGainDb = 20;
};

struct FitResult {
  ChannelBands bands;
  Residual before;
  Residual after;
  bool improved = false;  // false: the bands are the starting ones
};

// GEQ: only the gains of bands whose frequency lies in the range move.
// PEQ: bands in the range and unused bands (0 dB) move in frequency (within the
// range), Q and gain. Other bands keep their values.
FitResult FitBands(const FitProblem& problem, const ChannelBands& start, const FitSettings& settings);

}  // namespace brisvel
