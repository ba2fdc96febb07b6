// The measurement window's plot (element "skmeasplot"): the measured response,
// the target, the summed EQ of the bands and the predicted result over 20 Hz
// to 20 kHz on a logarithmic frequency axis and a dB axis, with a legend.
#pragma once

#include <QColor>
#include <QString>
#include <vector>

#include "ui/basic_controls.h"
#include "ui/layout_loader.h"

namespace brisvel::ui {

struct PlotCurve {
  QString name;  // shown in the legend, already translated
  QColor color;
  bool dashed = false;
  std::vector<double> db;  // one value per frequency of the plot
};

class SkMeasurementPlot : public SkinnedControl {
 public:
  static constexpr double kLowHz = 20.0;
  static constexpr double kHighHz = 20000.0;

  explicit SkMeasurementPlot(QWidget* parent = nullptr);
  // The frequencies the curves are given at, and the curves (drawn in order).
  void SetCurves(std::vector<double> hz, std::vector<PlotCurve> curves);
  const std::vector<PlotCurve>& Curves() const { return curves_; }
  const std::vector<double>& Frequencies() const { return hz_; }
  // The dB range shown: the curves' range widened to whole steps of 5 dB.
  double DbTop() const { return dbTop_; }
  double DbBottom() const { return dbBottom_; }

  // Pixel position of a frequency and a level inside the plot area.
  double XOf(double hz) const;
  double YOf(double db) const;

 protected:
  void PaintControl(QPainter& p) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  QRectF PlotArea() const;

  std::vector<double> hz_;
  std::vector<PlotCurve> curves_;
  double dbTop_ = 10, dbBottom_ = -10;
};

void RegisterMeasurementPlot(ElementRegistry& registry);

}  // namespace brisvel::ui
