// The measurement window's plot: axes, grid, curves and legend.
#include "controls/measurement_plot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace brisvel::ui {

namespace {

constexpr int kLeft = 44, kTop = 10, kRight = 12, kBottom = 22;
constexpr double kDbStep = 5.0;

struct FrequencyLabel {
  double hz;
  const char* text;
};
constexpr FrequencyLabel kLabels[] = {{20, "20"},   {50, "50"},   {100, "100"}, {200, "200"},  {500, "500"},
                                      {1000, "1k"}, {2000, "2k"}, {5000, "5k"}, {10000, "10k"}, {20000, "20k"}};

}  // namespace

SkMeasurementPlot::SkMeasurementPlot(QWidget* parent) : SkinnedControl(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

void SkMeasurementPlot::SetCurves(std::vector<double> hz, std::vector<PlotCurve> curves) {
  hz_ = std::move(hz);
  curves_ = std::move(curves);
  double lo = 0, hi = 0;
  bool any = false;
  for (const PlotCurve& c : curves_) {
    for (double v : c.db) {
      if (!std::isfinite(v)) continue;
      lo = any ? std::min(lo, v) : v;
      hi = any ? std::max(hi, v) : v;
      any = true;
    }
  }
  // Whole steps around the curves, at least 20 dB tall, so that small errors do not fill the plot.
  dbTop_ = std::ceil((hi + 1.0) / kDbStep) * kDbStep;
  dbBottom_ = std::floor((lo - 1.0) / kDbStep) * kDbStep;
  if (dbTop_ - dbBottom_ < 20.0) {
    const double mid = std::round((dbTop_ + dbBottom_) / 2.0 / kDbStep) * kDbStep;
    dbTop_ = mid + 10.0;
    dbBottom_ = mid - 10.0;
  }
  update();
}

QRectF SkMeasurementPlot::PlotArea() const {
  return QRectF(kLeft, kTop, std::max(1, width() - kLeft - kRight), std::max(1, height() - kTop - kBottom));
}

double SkMeasurementPlot::XOf(double hz) const {
  const QRectF a = PlotArea();
  const double t = std::log(std::clamp(hz, kLowHz, kHighHz) / kLowHz) / std::log(kHighHz / kLowHz);
  return a.left() + t * a.width();
}

double SkMeasurementPlot::YOf(double db) const {
  const QRectF a = PlotArea();
  const double t = (dbTop_ - db) / (dbTop_ - dbBottom_);
  return a.top() + std::clamp(t, 0.0, 1.0) * a.height();
}

void SkMeasurementPlot::resizeEvent(QResizeEvent* e) {
  SkinnedControl::resizeEvent(e);
  update();
}

void SkMeasurementPlot::PaintControl(QPainter& p) {
  SkinnedControl::PaintControl(p);
  const QRectF a = PlotArea();
  p.setRenderHint(QPainter::Antialiasing, true);
  const QColor grid(0x55, 0x66, 0x77);
  const QColor text = TextColor();
  QFont small = p.font();
  small.setPixelSize(10);
  p.setFont(small);
  // Decades and their halves, labelled; dB lines every 5 dB, every other labelled.
  p.setPen(QPen(grid, 1));
  for (const FrequencyLabel& l : kLabels) {
    const double x = XOf(l.hz);
    p.drawLine(QPointF(x, a.top()), QPointF(x, a.bottom()));
  }
  for (double db = dbBottom_; db <= dbTop_ + 1e-9; db += kDbStep) p.drawLine(QPointF(a.left(), YOf(db)), QPointF(a.right(), YOf(db)));
  p.setPen(text);
  for (const FrequencyLabel& l : kLabels) {
    p.drawText(QRectF(XOf(l.hz) - 20, a.bottom() + 3, 40, kBottom - 4), Qt::AlignHCenter | Qt::AlignTop, QString::fromLatin1(l.text));
  }
  for (double db = dbBottom_; db <= dbTop_ + 1e-9; db += 2 * kDbStep) {
    p.drawText(QRectF(0, YOf(db) - 7, kLeft - 4, 14), Qt::AlignRight | Qt::AlignVCenter, QString("%1dB").arg(db, 0, 'f', 0));
  }
  p.drawText(QRectF(0, a.bottom() + 3, kLeft - 4, kBottom - 4), Qt::AlignRight | Qt::AlignTop, "Hz");

  p.save();
  p.setClipRect(a.adjusted(-1, -1, 1, 1));
  for (const PlotCurve& c : curves_) {
    if (c.db.size() != hz_.size() || hz_.empty()) continue;
    QPainterPath path;
    bool open = false;
    for (size_t i = 0; i < hz_.size(); ++i) {
      if (!std::isfinite(c.db[i])) {
        open = false;
        continue;
      }
      const QPointF pt(XOf(hz_[i]), YOf(c.db[i]));
      if (open) path.lineTo(pt);
      else path.moveTo(pt);
      open = true;
    }
    p.setPen(QPen(c.color, 1.6, c.dashed ? Qt::DashLine : Qt::SolidLine));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
  }
  p.restore();

  // The legend, top right inside the plot.
  if (curves_.empty()) return;
  const QFontMetrics fm(small);
  int textWidth = 0;
  for (const PlotCurve& c : curves_) textWidth = std::max(textWidth, fm.horizontalAdvance(c.name));
  const double rowH = fm.height() + 2;
  const QRectF box(a.right() - textWidth - 40, a.top() + 4, textWidth + 34, rowH * curves_.size() + 6);
  p.setPen(QPen(grid, 1));
  p.setBrush(QColor(0x1c, 0x26, 0x32, 0xe0));
  p.drawRect(box);
  for (size_t i = 0; i < curves_.size(); ++i) {
    const PlotCurve& c = curves_[i];
    const double y = box.top() + 3 + rowH * i + rowH / 2;
    p.setPen(QPen(c.color, 2, c.dashed ? Qt::DashLine : Qt::SolidLine));
    p.drawLine(QPointF(box.left() + 6, y), QPointF(box.left() + 24, y));
    p.setPen(text);
    p.drawText(QRectF(box.left() + 28, y - rowH / 2, textWidth + 4, rowH), Qt::AlignLeft | Qt::AlignVCenter, c.name);
  }
}

void RegisterMeasurementPlot(ElementRegistry& registry) {
  registry.Register("skmeasplot", [](QWidget* parent) -> QWidget* { return new SkMeasurementPlot(parent); });
}

}  // namespace brisvel::ui
