// The Measure window's impulse plot.
#include "controls/impulse_plot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace brisvel::ui {

namespace {
constexpr int kLeft = 36, kTop = 8, kRight = 10, kBottom = 22;
constexpr double kSamplesPerMs = 48.0;
}  // namespace

SkImpulsePlot::SkImpulsePlot(QWidget* parent) : SkinnedControl(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

void SkImpulsePlot::SetTraces(std::vector<ImpulseTrace> traces) {
  traces_ = std::move(traces);
  if (!traces_.empty()) {
    double first = 1e9, last = -1e9;
    for (const ImpulseTrace& t : traces_) {
      first = std::min(first, t.arrivalSamples / kSamplesPerMs);
      last = std::max(last, t.arrivalSamples / kSamplesPerMs);
    }
    firstMs_ = std::max(0.0, std::floor(first - 2.0));
    lastMs_ = std::ceil(last + 8.0);
  }
  update();
}

void SkImpulsePlot::PaintControl(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF a(kLeft, kTop, std::max(1, width() - kLeft - kRight), std::max(1, height() - kTop - kBottom));
  const auto x = [&](double ms) { return a.left() + a.width() * (ms - firstMs_) / std::max(1e-9, lastMs_ - firstMs_); };
  const auto y = [&](double v) { return a.center().y() - v * a.height() / 2.0 * 0.95; };
  QFont f = p.font();
  f.setPixelSize(10);
  p.setFont(f);
  p.setPen(QPen(QColor(0x3a, 0x48, 0x58), 1));
  const double span = lastMs_ - firstMs_;
  const double step = span > 40 ? 10 : span > 16 ? 5 : 2;
  for (double ms = std::ceil(firstMs_ / step) * step; ms <= lastMs_ + 1e-9; ms += step) {
    p.drawLine(QPointF(x(ms), a.top()), QPointF(x(ms), a.bottom()));
    p.save();
    p.setPen(QColor(0xaa, 0xaa, 0xaa));
    p.drawText(QRectF(x(ms) - 20, a.bottom() + 3, 40, 14), Qt::AlignCenter, QString::number(ms, 'f', 0));
    p.restore();
  }
  p.drawLine(QPointF(a.left(), a.center().y()), QPointF(a.right(), a.center().y()));
  p.setPen(QColor(0xaa, 0xaa, 0xaa));
  p.drawText(QRectF(0, a.bottom() + 3, kLeft - 16, 14), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("ms"));
  p.setPen(QPen(QColor(0x79, 0x8a, 0x92), 1));
  p.drawRect(a);
  p.save();
  p.setClipRect(a);
  for (const ImpulseTrace& t : traces_) {
    float peak = 0;
    for (float v : t.samples) peak = std::max(peak, std::fabs(v));
    if (peak <= 0) continue;
    const long from = std::max(0L, static_cast<long>(firstMs_ * kSamplesPerMs));
    const long to = std::min(static_cast<long>(t.samples.size()), static_cast<long>(lastMs_ * kSamplesPerMs) + 1);
    QPainterPath path;
    for (long i = from; i < to; ++i) {
      const QPointF at(x(static_cast<double>(i) / kSamplesPerMs), y(t.samples[static_cast<size_t>(i)] / peak));
      if (i == from) path.moveTo(at);
      else path.lineTo(at);
    }
    p.setPen(QPen(t.color, 1.2));
    p.drawPath(path);
    p.setPen(QPen(t.color, 1, Qt::DashLine));
    const double ax = x(t.arrivalSamples / kSamplesPerMs);
    p.drawLine(QPointF(ax, a.top()), QPointF(ax, a.bottom()));
  }
  p.restore();
  // The legend, top right.
  const QFontMetrics fm(f);
  int textWidth = 0;
  for (const ImpulseTrace& t : traces_) textWidth = std::max(textWidth, fm.horizontalAdvance(t.name));
  double ly = a.top() + 4;
  for (const ImpulseTrace& t : traces_) {
    const double lx = a.right() - textWidth - 30;
    p.setPen(QPen(t.color, 2));
    p.drawLine(QPointF(lx, ly + 6), QPointF(lx + 16, ly + 6));
    p.setPen(QColor(0xdd, 0xdd, 0xdd));
    p.drawText(QRectF(lx + 20, ly, textWidth + 4, 12), Qt::AlignLeft | Qt::AlignVCenter, t.name);
    ly += 13;
  }
}

void RegisterImpulsePlot(ElementRegistry& registry) {
  registry.Register("skimpulseplot", [](QWidget* parent) -> QWidget* { return new SkImpulsePlot(parent); });
}

}  // namespace brisvel::ui
