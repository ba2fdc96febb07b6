// The measurement overlay of the EQ graph's curve layer.
#include <QPainter>
#include <QPen>

#include "controls/eq_graph.h"

namespace brisvel::ui {

void SkEqCurve::SetOverlay(std::shared_ptr<const EqOverlay> overlay) {
  overlay_ = std::move(overlay);
  update();
}

void SkEqCurve::PaintOverlay(QPainter& p, double y0) {
  const EqOverlay& o = *overlay_;
  const EqFrequencyGrid* grid = model_ ? model_->Grid() : nullptr;
  if (o.measurement.Empty() || !grid || !grid->Built()) return;
  const EqMetrics& m = graph_->Metrics();
  const auto& summed = model_->Summed();
  std::vector<QPointF> measured(kGridPoints), predicted(kGridPoints), target(kGridPoints);
  const double top = m.plotTop, bottom = m.plotTop + m.height;
  const auto y = [&](double db) { return std::clamp(y0 - db * m.pxPerDb, top, bottom); };
  for (int k = 0; k < kGridPoints; ++k) {
    const double hz = grid->FrequencyHz(k);
    const double x = m.plotLeft + k * m.pxPerPoint;
    const double level = CurveAt(o.measurement, hz) - o.level;
    measured[k] = QPointF(x, y(level));
    predicted[k] = QPointF(x, y(level + summed[static_cast<size_t>(k)]));
    target[k] = QPointF(x, y(TargetDb(o.target, hz)));
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(o.targetColor, 1.5, Qt::DashLine));
  p.drawPolyline(target.data(), kGridPoints);
  p.setPen(QPen(o.measurementColor, 1.5));
  p.drawPolyline(measured.data(), kGridPoints);
  p.setPen(QPen(o.predictionColor, 1.5));
  p.drawPolyline(predicted.data(), kGridPoints);
}

}  // namespace brisvel::ui
