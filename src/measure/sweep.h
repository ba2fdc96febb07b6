// The measurement signal: an exponential (logarithmic) sine sweep, limited to
// the passband of the channel it measures, at a level the installer chose.
#pragma once

#include <vector>

#include "core/channel_response.h"

namespace brisvel::measure {

constexpr int kMeasureRate = 48000;
// The quietest start; the installer raises it.
constexpr double kDefaultSweepDbfs = -30.0;

struct SweepPlan {
  double startHz = 20.0;
  double endHz = 20000.0;
  double seconds = 2.0;
  double levelDbfs = kDefaultSweepDbfs;  // peak level of the sine
  int rate = kMeasureRate;
  bool operator==(const SweepPlan&) const = default;
};

// The sweep for a channel: from half its high-pass corner (never below 20 Hz)
// to twice its low-pass corner (never above 20 kHz); a filter that is off
// leaves that end at 20 Hz or 20 kHz. A tweeter high-passed at 3.5 kHz is
// never swept below 1750 Hz.
SweepPlan ChannelSweep(const ChannelSettings& channel, double seconds, double levelDbfs = kDefaultSweepDbfs);

// x(t) = A·sin(2π·f1·T / ln(f2/f1) · (e^(t·ln(f2/f1)/T) − 1)), faded in over
// its first sixth of an octave and out over its last 1/24 octave, so that no
// step at either end spreads energy outside the band.
std::vector<float> ExponentialSweep(const SweepPlan& plan);

}  // namespace brisvel::measure
