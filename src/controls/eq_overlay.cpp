// The measurement overlay of the EQ graph's curve layer.
#include <QPainter>
#include <QPen>

#include "controls/eq_graph.h"
#include "ui/translation.h"

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

  // The legend, top right inside the plot.
  const struct {
    QString name;
    QColor color;
    bool dashed;
  } rows[] = {{Tr(QStringLiteral("Measurement")), o.measurementColor, false},
              {Tr(QStringLiteral("Target")), o.targetColor, true},
              {Tr(QStringLiteral("Predicted result")), o.predictionColor, false}};
  QFont small = p.font();
  small.setPixelSize(10);
  p.setFont(small);
  const QFontMetrics fm(small);
  int textWidth = 0;
  for (const auto& r : rows) textWidth = std::max(textWidth, fm.horizontalAdvance(r.name));
  const double rowH = fm.height() + 2;
  const double right = m.plotLeft + m.width - 6;
  const QRectF box(right - textWidth - 34, top + 4, textWidth + 32, rowH * 3 + 6);
  p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
  p.setBrush(QColor(0, 0, 0, 0xc0));
  p.drawRect(box);
  for (int i = 0; i < 3; ++i) {
    const double ry = box.top() + 3 + rowH * i + rowH / 2;
    p.setPen(QPen(rows[i].color, 2, rows[i].dashed ? Qt::DashLine : Qt::SolidLine));
    p.drawLine(QPointF(box.left() + 5, ry), QPointF(box.left() + 21, ry));
    p.setPen(QColor(0xdd, 0xdd, 0xdd));
    p.drawText(QRectF(box.left() + 25, ry - rowH / 2, textWidth + 4, rowH), Qt::AlignLeft | Qt::AlignVCenter, rows[i].name);
  }
  p.setBrush(Qt::NoBrush);
}

}  // namespace brisvel::ui
