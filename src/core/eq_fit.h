// Automatic fitting of a channel's 31 equaliser bands to a target: the
// prediction (measurement + the channel's filters + its bands) is brought as
// close to the aligned target as the processor's values allow. Every result is
// quantised to what the block can hold (whole Hz, entries of the Q step table,
// 0.1 dB) before it is judged, and a fit never ends worse than it started.
#pragma once

#include <array>
#include <utility>
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
// The summed response is held within the limits on this many points per
// octave from 20 Hz to 20 kHz, and at every band's centre.
constexpr int kLimitPointsPerOctave = 96;
// A channel's passband ends where its high-pass or low-pass is 3 dB down.
constexpr double kPassbandEdgeDb = -3.0;

// What a fit works on: the points of the range inside the channel's passband
// where the measurement has data and, at each, the measured level plus the
// channel's filters, and the target aligned to the measurement with the same
// filters added (the crossover is meant, so it is no error to correct).
struct FitProblem {
  std::vector<double> hz;
  std::vector<double> base;    // measurement + high-pass + low-pass, dB
  std::vector<double> target;  // aligned target + high-pass + low-pass, dB
  // The channel's passband: where both its filters are above -3 dB.
  double passLowHz = kFitLowestHz;
  double passHighHz = kFitHighestHz;
};

// Points of the range where the measurement has data, within the channel's
// passband; empty when they do not overlap. The range is limited to 20 Hz .. 20 kHz.
FitProblem MakeFitProblem(const FrequencyCurve& measurement, const TargetCurve& target, const EffectBlock& block,
                          int channel, double loHz, double hiHz);
// The frequencies where the channel's filters are 3 dB down (20 Hz and
// 20 kHz when a filter is off or does not fall that far inside the range).
std::pair<double, double> ChannelPassband(const EffectBlock& block, int channel);

struct Residual {
  double rms = 0;  // dB
  double max = 0;  // largest |prediction - target|, dB
};
Residual ResidualOf(const FitProblem& problem, const ChannelBands& bands);
// The predicted levels at the problem's points.
std::vector<double> Prediction(const FitProblem& problem, const ChannelBands& bands);
// The bands' summed response in dB at hz.
double SummedBandsDb(const ChannelBands& bands, double hz);
// The points the summed response is held on: 20 Hz .. 20 kHz and the band centres.
std::vector<double> LimitFrequencies(const ChannelBands& bands);
// The largest and smallest summed response of the bands over those points.
std::pair<double, double> SummedRange(const ChannelBands& bands);

enum class FitMode { kGeq, kPeq };

struct FitSettings {
  FitMode mode = FitMode::kGeq;
  // The summed response of the bands never rises above this inside the
  // passband; outside it (the crossover's roll-off) it never rises above 0 dB.
  double maxBoostDb = 6.0;
  int minGainDb = -20;  // the gain range of the data file, for every band and for the sum
  int maxGainDb = 20;
  int maxBands = kBandCount;  // bands the fit may use (non-zero gain among those it moves)
};

struct FitResult {
  ChannelBands bands;
  Residual before;
  Residual after;
  bool improved = false;  // false: the bands are the starting ones
  double summedBoostDb = 0;  // the largest summed band response (20 Hz .. 20 kHz, band centres)
  double summedCutDb = 0;    // the smallest
  std::vector<int> bandsUsed;  // band indices with a gain after the fit
  double passLowHz = kFitLowestHz, passHighHz = kFitHighestHz;
  // The largest change of the summed response outside the passband (the
  // crossover's roll-off), dB.
  double rolloffChangeDb = 0;
};

// GEQ: only the gains move, of the bands whose response reaches into the range
// (also when the band's own frequency lies just outside it). PEQ: those bands
// and unused bands (0 dB) move in frequency (within the range), Q and gain,
// starting from the GEQ fit; the better of the two is kept. Other bands keep
// their values. The result always keeps the summed response within the limits
// of the settings where the bands it moves can do so.
FitResult FitBands(const FitProblem& problem, const ChannelBands& start, const FitSettings& settings);

// Above this summed boost, or when the roll-off changes by more than
// kRolloffChangeWarnDb, the console asks before it writes a fit.
constexpr double kBoostWarnDb = 6.0;
constexpr double kRolloffChangeWarnDb = 1.0;
bool FitNeedsConfirmation(const FitResult& result);

}  // namespace brisvel
