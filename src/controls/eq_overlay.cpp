// What the EQ graph's curve layer draws over the channel's own curve: the
// measurement with its prediction and target, and the sum of chosen channels.
#include <QPainter>
#include <QPen>

#include "controls/eq_graph.h"
#include "ui/translation.h"

namespace brisvel::ui {

namespace {

struct LegendRow {
  QString name;
  QColor color;
  bool dashed;
};

// A legend box at the top right of the plot, from top down; returns its bottom.
double PaintLegend(QPainter& p, const EqMetrics& m, double top, const std::vector<LegendRow>& rows) {
  QFont small = p.font();
  small.setPixelSize(10);
  p.setFont(small);
  const QFontMetrics fm(small);
  int textWidth = 0;
  for (const auto& r : rows) textWidth = std::max(textWidth, fm.horizontalAdvance(r.name));
  const double rowH = fm.height() + 2;
  const double right = m.plotLeft + m.width - 6;
  const QRectF box(right - textWidth - 34, top, textWidth + 32, rowH * static_cast<double>(rows.size()) + 6);
  p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
  p.setBrush(QColor(0, 0, 0, 0xc0));
  p.drawRect(box);
  for (size_t i = 0; i < rows.size(); ++i) {
    const double ry = box.top() + 3 + rowH * static_cast<double>(i) + rowH / 2;
    p.setPen(QPen(rows[i].color, 2, rows[i].dashed ? Qt::DashLine : Qt::SolidLine));
    p.drawLine(QPointF(box.left() + 5, ry), QPointF(box.left() + 21, ry));
    p.setPen(QColor(0xdd, 0xdd, 0xdd));
    p.drawText(QRectF(box.left() + 25, ry - rowH / 2, textWidth + 4, rowH), Qt::AlignLeft | Qt::AlignVCenter,
               rows[i].name);
  }
  p.setBrush(Qt::NoBrush);
  return box.bottom() + 4;
}

}  // namespace

void SkEqCurve::SetOverlay(std::shared_ptr<const EqOverlay> overlay) {
  overlay_ = std::move(overlay);
  update();
}

void SkEqCurve::SetSumSource(EqSumSource source) {
  sumSource_ = std::move(source);
  update();
}

const CSystemSum* SkEqCurve::DrawnSum(QString* legend) const {
  return sumSource_ ? sumSource_(legend) : nullptr;
}

double SkEqCurve::PaintOverlay(QPainter& p, double y0, double legendTop) {
  const EqOverlay& o = *overlay_;
  const EqFrequencyGrid* grid = model_ ? model_->Grid() : nullptr;
  if (o.measurement.Empty() || !grid || !grid->Built()) return legendTop;
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
  return PaintLegend(p, m, legendTop,
                     {{Tr(QStringLiteral("Measurement")), o.measurementColor, false},
                      {Tr(QStringLiteral("Target")), o.targetColor, true},
                      {Tr(QStringLiteral("Predicted result")), o.predictionColor, false}});
}

double SkEqCurve::PaintSum(QPainter& p, double y0, double legendTop) {
  QString legend;
  const CSystemSum* sum = DrawnSum(&legend);
  if (!sum || sum->Db().empty()) return legendTop;
  const EqMetrics& m = graph_->Metrics();
  const std::vector<double>& db = sum->Db();
  const int points = static_cast<int>(std::min<size_t>(db.size(), kGridPoints));
  // Far below the plot (a cancellation) the line stays on its bottom edge.
  const double top = m.plotTop - 2.0, bottom = m.plotTop + m.height;
  const auto at = [&](int k) {
    return QPointF(m.plotLeft + k * m.pxPerPoint, std::clamp(y0 - db[static_cast<size_t>(k)] * m.pxPerDb, top, bottom));
  };
  // Single segments, as the channel's own curve is drawn (a wide polyline
  // takes the slow stroker).
  std::vector<QPointF> segments;
  segments.reserve(2 * static_cast<size_t>(points));
  for (int k = 0; k + 1 < points; ++k) {
    segments.push_back(at(k));
    segments.push_back(at(k + 1));
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kSumColor, 2.0, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
  p.drawLines(segments.data(), points - 1);
  return PaintLegend(p, m, legendTop, {{legend, kSumColor, false}});
}

}  // namespace brisvel::ui
