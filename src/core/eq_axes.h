// The two axes of the EQ graph's plot area: frequency on a logarithmic scale
// from the start frequency at the plot's left edge up to 24 kHz at its right
// edge, and gain on a linear scale from dbMax at the plot's top to dbMin at its
// bottom. Pixel positions and the inverse mappings a drag is converted with.
#pragma once

namespace brisvel {

class EqAxes {
 public:
  static constexpr double kTopFrequency = 24000.0;

  EqAxes() = default;
  // plotWidth and plotHeight in pixels; startHz is the frequency at plotLeft
  // (the graph's zeroXFreq).
  EqAxes(int plotLeft, int plotTop, int plotWidth, int plotHeight, int startHz, int dbMax, int dbMin);

  // Handle positions: the point rounded to the nearest pixel.
  int FrequencyToX(double hz) const;
  int GainToY(double db) const;
  // The inverse mappings (no rounding).
  double XToFrequency(double x) const;
  double YToGain(double y) const;
  // x of a vertical grid line: truncated, without the rounding term.
  int GridLineX(double hz) const;

  int PlotLeft() const { return plotLeft_; }
  int PlotTop() const { return plotTop_; }
  int PlotWidth() const { return width_; }
  int PlotHeight() const { return height_; }
  int DbMax() const { return dbMax_; }
  int DbMin() const { return dbMin_; }
  // The frequency at the left edge, and where the response models' frequency
  // grid starts for it (limited to 10-20 Hz; outside that range the curve and
  // the axis no longer coincide).
  int StartFrequency() const { return startHz_; }
  double GridStartFrequency() const;
  double LogStart() const { return logStart_; }  // log10 of the start frequency
  double PxPerDecade() const { return pxPerDecade_; }
  double PxPerDb() const { return pxPerDb_; }

 private:
  int plotLeft_ = 0, plotTop_ = 0, width_ = 0, height_ = 0;
  int startHz_ = 10, dbMax_ = 12, dbMin_ = -24;
  double logStart_ = 1;
  double pxPerDecade_ = 0;
  double pxPerDb_ = 0;
};

}  // namespace brisvel
