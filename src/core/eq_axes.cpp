// Frequency and gain axes of the EQ graph.
#include "core/eq_axes.h"

#include <algorithm>
#include <cmath>

#include "core/eq_response.h"

namespace brisvel {

namespace {
// Frequencies at or below zero would have no logarithm.
double SafeLog10(double hz) { return std::log10(std::max(hz, 1e-3)); }
int RoundPx(double v) { return static_cast<int>(std::trunc(v + 0.5)); }
}  // namespace

EqAxes::EqAxes(int plotLeft, int plotTop, int plotWidth, int plotHeight, int startHz, int dbMax, int dbMin)
    : plotLeft_(plotLeft), plotTop_(plotTop), width_(plotWidth), height_(plotHeight), startHz_(startHz),
      dbMax_(dbMax), dbMin_(dbMin) {
  logStart_ = SafeLog10(startHz_);
  const double decades = std::log10(kTopFrequency) - logStart_;
  pxPerDecade_ = decades != 0 ? width_ / decades : 0;
  pxPerDb_ = dbMax_ != dbMin_ ? height_ / static_cast<double>(dbMax_ - dbMin_) : 0;
}

int EqAxes::FrequencyToX(double hz) const { return plotLeft_ + RoundPx((SafeLog10(hz) - logStart_) * pxPerDecade_); }

int EqAxes::GainToY(double db) const { return plotTop_ + RoundPx((dbMax_ - db) * pxPerDb_); }

double EqAxes::XToFrequency(double x) const {
  if (pxPerDecade_ == 0) return startHz_;
  return std::pow(10.0, (x - plotLeft_) / pxPerDecade_ + logStart_);
}

double EqAxes::YToGain(double y) const {
  if (pxPerDb_ == 0) return dbMax_;
  return dbMax_ - (y - plotTop_) / pxPerDb_;
}

int EqAxes::GridLineX(double hz) const {
  const double span = std::log10(kTopFrequency) - logStart_;
  return static_cast<int>(std::trunc((SafeLog10(hz) - logStart_) * width_ / span)) + plotLeft_;
}

double EqAxes::GridStartFrequency() const { return EqFrequencyGrid::ClampStart(startHz_); }

}  // namespace brisvel
