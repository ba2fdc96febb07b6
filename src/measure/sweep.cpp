// Exponential sine sweeps.
#include "measure/sweep.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace brisvel::measure {

namespace {
constexpr double kLowestHz = 20.0;
constexpr double kHighestHz = 20000.0;

bool PassActive(const PassValues& p) { return p.slope < -0.01 && p.frequency >= 20.0 && p.frequency <= 19999.0; }
}  // namespace

SweepPlan ChannelSweep(const ChannelSettings& channel, double seconds, double levelDbfs) {
  SweepPlan s;
  s.seconds = seconds;
  s.levelDbfs = levelDbfs;
  if (PassActive(channel.highPass)) s.startHz = std::clamp(channel.highPass.frequency / 2.0, kLowestHz, kHighestHz / 2);
  if (PassActive(channel.lowPass)) s.endHz = std::clamp(channel.lowPass.frequency * 2.0, s.startHz * 2, kHighestHz);
  if (s.endHz <= s.startHz) s.endHz = std::min(kHighestHz, s.startHz * 2);
  return s;
}

std::vector<float> ExponentialSweep(const SweepPlan& plan) {
  const int n = std::max(2, static_cast<int>(std::lround(plan.seconds * plan.rate)));
  const double amplitude = std::pow(10.0, plan.levelDbfs / 20.0);
  const double rate = std::log(plan.endHz / plan.startHz);  // octaves in natural log units
  const double duration = static_cast<double>(n) / plan.rate;
  const double k = 2.0 * std::numbers::pi * plan.startHz * duration / rate;
  // The times at which the sweep passes 1/6 octave above its start and
  // 1/24 octave below its end.
  const double fadeIn = duration * std::log(std::pow(2.0, 1.0 / 6.0)) / rate;
  const double fadeOut = duration * std::log(std::pow(2.0, 1.0 / 24.0)) / rate;
  std::vector<float> out(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / plan.rate;
    double gain = amplitude;
    if (t < fadeIn) gain *= 0.5 - 0.5 * std::cos(std::numbers::pi * t / fadeIn);
    if (duration - t < fadeOut) gain *= 0.5 - 0.5 * std::cos(std::numbers::pi * (duration - t) / fadeOut);
    out[static_cast<size_t>(i)] = static_cast<float>(gain * std::sin(k * (std::exp(t * rate / duration) - 1.0)));
  }
  return out;
}

}  // namespace brisvel::measure
