// The EQ graph: metrics, handle placement, inverse mappings, grid and curve
// painting, and the handles' drag reports.

#include "controls/eq_graph.h"
#include "controls/value_controls.h"

#include "core/scales.h"
#include "ui/ui_event.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace brisvel::ui {

namespace {

struct GridFrequency {
  int hz;
  const char* label;
};
constexpr GridFrequency kGridFrequencies[29] = {
    {10, nullptr},   {20, "20Hz"},    {30, nullptr},   {40, nullptr},   {50, "50Hz"},    {60, nullptr},
    {70, nullptr},   {80, nullptr},   {90, nullptr},   {100, "100Hz"},  {200, "200Hz"},  {300, nullptr},
    {400, nullptr},  {500, "500Hz"},  {600, nullptr},  {700, nullptr},  {800, nullptr},  {900, nullptr},
    {1000, "1kHz"},  {2000, "2kHz"},  {3000, nullptr}, {4000, nullptr}, {5000, "5kHz"},  {6000, nullptr},
    {7000, nullptr}, {8000, nullptr}, {9000, nullptr}, {10000, "10kHz"}, {20000, "20kHz"}};
}  // namespace

// ---- handle ----

SMoveThumb::SMoveThumb(QWidget* parent) : SkinnedControl(parent) {
  floating_ = true;
  SetPaintCache(true);
  textAlign_ = Qt::AlignCenter;
}

bool SMoveThumb::SetAttribute(const QString& name, const QString& value) {
  if (name == "xFloat") xFloat_ = value.toFloat();
  else if (name == "yFloat") yFloat_ = value.toFloat();
  else if (name == "canXMove") canXMove_ = ParseInt(value, 1) != 0;
  else if (name == "canYMove") canYMove_ = ParseInt(value, 1) != 0;
  else if (name == "canOutsize") canOutsize_ = ParseInt(value);
  else if (name == "centerColor") centerColor_ = ParseColor(value).value_or(centerColor_);
  else return SkinnedControl::SetAttribute(name, value);
  return true;
}

void SMoveThumb::CenterAt(int x, int y, const QRect& reference) {
  const int left = x - width() / 2;
  const int top = y - height() / 2;
  move(left, top);
  xFloat_ = reference.width() > 0 ? static_cast<float>(left - reference.left()) / reference.width() : 0.f;
  yFloat_ = reference.height() > 0 ? static_cast<float>(top - reference.top()) / reference.height() : 0.f;
}

void SMoveThumb::ApplyReference(const QRect& r) {
  move(r.left() + static_cast<int>(std::trunc(r.width() * xFloat_ + 0.5)),
       r.top() + static_cast<int>(std::trunc(r.height() * yFloat_ + 0.5)));
}

void SMoveThumb::ShowReadout(const QString& text) {
  if (!dragging_) return;
  if (!readout_) readout_ = SSimpleToolTip::Acquire();
  readout_->ShowAt(mapToGlobal(QPoint(width() + 6, -4)), text);
}

void SMoveThumb::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  pushed_ = true;
  dragging_ = true;
  dragOffset_ = e->position().toPoint();  // mouse minus the handle's top-left
  setCursor(Qt::SizeAllCursor);
  update();
}

void SMoveThumb::mouseMoveEvent(QMouseEvent* e) {
  if (!dragging_) return;
  const QPoint mouse = mapToParent(e->position().toPoint());
  const QPoint proposed(canXMove_ ? mouse.x() - dragOffset_.x() : x(), canYMove_ ? mouse.y() - dragOffset_.y() : y());
  ThumbMovingArgs args;
  args.ownerBand = ownerBand_;
  args.proposed = proposed;
  args.current = pos();
  if (auto* graph = dynamic_cast<SkEQ*>(parentWidget())) graph->ReadDrag(*this, args);
  RaiseEvent(this, args);
}

void SMoveThumb::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  pushed_ = false;
  dragging_ = false;
  if (readout_) readout_->hide();
  unsetCursor();
  update();
}

void SkEQ::ReadDrag(const SMoveThumb& handle, ThumbMovingArgs& args) const {
  // The centre the handle was placed on is its top-left plus the integer
  // halves of its size; an axis along which it did not move keeps its value
  // (the placed pixel only rounds it).
  if (args.proposed.x() != args.current.x())
    args.frequency = axes_.XToFrequency(args.proposed.x() + handle.width() / 2);
  if (args.proposed.y() != args.current.y()) args.gain = axes_.YToGain(args.proposed.y() + handle.height() / 2);
  // A Q handle walks the step table one entry per pixel; the right one the other way.
  const int moved = args.proposed.x() - args.current.x();
  if (&handle == leftQ_) args.qSteps = moved;
  else if (&handle == rightQ_) args.qSteps = -moved;
}

// ---- grid ----

SkEqGrid::SkEqGrid(QWidget* parent) : SkinnedControl(parent) {
  size_ = {-2, -2};  // a layer over the whole graph
  // The grid changes only with the layout: it is drawn once and then copied.
  SetPaintCache(true);
  setAttribute(Qt::WA_TransparentForMouseEvents, true);
  dbLines_.reserve(64);
  freqLines_.reserve(29);
}

void SkEqGrid::UpdateLines() {
  InvalidatePaintCache();
  dbLines_.clear();
  freqLines_.clear();
  if (!graph_) return;
  const EqMetrics& m = graph_->Metrics();
  const int steps = std::max(1, graph_->Steps());
  const int dbStep = (graph_->DbMax() - graph_->DbMin()) / steps;
  const int labelStep = graph_->DbLabelStep();
  for (int i = 0; i <= steps; ++i) {
    const int value = graph_->DbMax() - i * dbStep;
    const bool labelled = labelStep != 0 && value % labelStep == 0;
    dbLines_.push_back({m.plotTop + i * m.step, value, labelled ? QString("%1dB").arg(value) : QString()});
  }
  for (int i = 0; i < 29; ++i) {
    const int hz = i == 0 ? graph_->ZeroXFreq() : kGridFrequencies[i].hz;
    const int x = graph_->Axes().GridLineX(hz);
    freqLines_.push_back({x, hz, kGridFrequencies[i].label && i != 0 ? QString(kGridFrequencies[i].label) : QString()});
  }
}

void SkEqGrid::PaintControl(QPainter& p) {
  if (!graph_) return;
  const EqMetrics& m = graph_->Metrics();
  p.setRenderHint(QPainter::Antialiasing, true);
  const QColor line = border_.isValid() ? border_ : QColor(0x40, 0x48, 0x50);
  const QColor text = TextColor();
  p.setPen(QPen(line, 1));
  const double right = m.right - graph_->RightMargin();
  for (const Line& l : dbLines_) p.drawLine(QPointF(m.plotLeft, l.pos + 0.5), QPointF(right, l.pos + 0.5));
  const double gridBottom = m.bottom - m.bottomMargin;
  for (const Line& l : freqLines_) p.drawLine(QPointF(l.pos + 0.5, m.plotTop), QPointF(l.pos + 0.5, gridBottom));
  p.setPen(text);
  const int boxRight = m.left + graph_->LeftMargin() - 2;
  for (const Line& l : dbLines_) {
    if (l.label.isEmpty()) continue;
    p.drawText(QRect(QPoint(m.left + 2, l.pos - 7), QPoint(boxRight - 1, l.pos - 7 + m.step + 2 - 1)),
               Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, l.label);
  }
  const int labelTop = m.bottom - m.bottomMargin + 2;
  for (const Line& l : freqLines_) {
    if (l.label.isEmpty()) continue;
    p.drawText(QRect(l.pos - 12, labelTop, 80, m.bottomMargin), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
               l.label);
  }
}

// ---- curve ----

SkEqCurve::SkEqCurve(QWidget* parent) : SkinnedControl(parent) {
  size_ = {-2, -2};
  setAttribute(Qt::WA_TransparentForMouseEvents, true);
  summed_.resize(kGridPoints);
  section_.resize(kGridPoints + 2);
  segments_.resize(2 * (kGridPoints - 1));
}

bool SkEqCurve::SetAttribute(const QString& name, const QString& value) {
  if (name == "lineWidth") lineWidth_ = ParseInt(value, 2);
  else if (name == "colorLine") colorLine_ = ParseColor(value).value_or(colorLine_);
  else if (name == "colorCurrLine") colorCurrLine_ = ParseColor(value).value_or(colorCurrLine_);
  else return SkinnedControl::SetAttribute(name, value);
  update();
  return true;
}

void SkEqCurve::PaintControl(QPainter& p) {
  if (!graph_) return;
  const EqMetrics& m = graph_->Metrics();
  p.setRenderHint(QPainter::Antialiasing, true);
  const double y0 = m.plotTop + std::trunc(graph_->DbMax() * m.pxPerDb);
  QColor sumColor = colorLine_;
  sumColor.setAlpha(255);
  // Wide anti-aliased polylines go through the general stroker, which costs
  // about a millisecond for 1024 points; the opaque curve is drawn as single
  // segments (their overlaps do not show) and the translucent outline as
  // one-pixel polylines side by side, which the rasteriser draws directly.
  const QPen sumPen(sumColor, 2.0, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin);
  if (!model_ || model_->Summed().size() < static_cast<size_t>(kGridPoints)) {
    p.setPen(sumPen);
    p.drawLine(QPointF(m.plotLeft, y0), QPointF(m.plotLeft + (kGridPoints - 1) * m.pxPerPoint, y0));
    return;
  }
  double legendTop = m.plotTop + 4;
  if (overlay_) legendTop = PaintOverlay(p, y0, legendTop);
  const auto& sections = model_->Sections();
  const int current = model_->CurrentSection();
  if (current >= 0 && current < static_cast<int>(sections.size()) &&
      sections[current].response.size() >= static_cast<size_t>(kGridPoints)) {
    const bool isFilter = current == model_->HighPassIndex() || current == model_->LowPassIndex() || current >= 31;
    const double plotBottom = m.plotTop + m.height;
    const double base = isFilter ? plotBottom : y0;
    const std::vector<double>& r = sections[current].response;
    section_[0] = QPointF(m.plotLeft, base);
    for (int k = 0; k < kGridPoints; ++k) {
      const double y = std::min(y0 - r[k] * m.pxPerDb, plotBottom);
      section_[k + 1] = QPointF(m.plotLeft + k * m.pxPerPoint, y);
    }
    section_[kGridPoints + 1] = QPointF(section_[kGridPoints].x(), base);
    // The fill's edge lies under the outline, so the fill needs no smoothing.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(colorCurrLine_);
    p.drawPolygon(section_.data(), kGridPoints + 2, Qt::OddEvenFill);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colorCurrLine_, 1.0));
    const int lines = std::max(1, lineWidth_);
    for (int i = 0; i < lines; ++i) {
      const double dy = i - (lines - 1) / 2.0;
      p.translate(0, dy);
      p.drawPolyline(section_.data() + 1, kGridPoints);
      p.translate(0, -dy);
    }
  }
  const std::vector<double>& sum = model_->Summed();
  for (int k = 0; k < kGridPoints; ++k) summed_[k] = QPointF(m.plotLeft + k * m.pxPerPoint, y0 - sum[k] * m.pxPerDb);
  for (int k = 0; k + 1 < kGridPoints; ++k) {
    segments_[2 * k] = summed_[k];
    segments_[2 * k + 1] = summed_[k + 1];
  }
  p.setPen(sumPen);
  p.drawLines(segments_.data(), kGridPoints - 1);
  PaintSum(p, y0, legendTop);
}

// ---- graph ----

SkEQ::SkEQ(QWidget* parent) : Panel(parent) { setAttribute(Qt::WA_OpaquePaintEvent, false); }

bool SkEQ::SetAttribute(const QString& name, const QString& value) {
  int* target = name == "ldist"       ? &ldist_
                : name == "tdist"     ? &tdist_
                : name == "rdist"     ? &rdist_
                : name == "bdist"     ? &bdist_
                : name == "dbMax"     ? &dbMax_
                : name == "dbMin"     ? &dbMin_
                : name == "nKedu"     ? &nKedu_
                : name == "dbKeduVal" ? &dbKeduVal_
                : name == "zeroXFreq" ? &zeroXFreq_
                                      : nullptr;
  if (!target) return Panel::SetAttribute(name, value);
  // Takes effect at the next layout (resize or SetResponse).
  *target = ParseInt(value, *target);
  return true;
}

void SkEQ::OnChildrenCreated() {
  bands_.fill(nullptr);
  highPass_ = lowPass_ = leftQ_ = rightQ_ = nullptr;
  others_.clear();
  for (QObject* o : children()) {
    if (auto* t = dynamic_cast<SMoveThumb*>(o)) {
      const int d = t->Data();
      if (d >= 0 && d < kMaxBands) bands_[d] = t;
      else if (d == kDataHighPass) highPass_ = t;
      else if (d == kDataLowPass) lowPass_ = t;
      else if (d == kDataLeftQ) leftQ_ = t;
      else if (d == kDataRightQ) rightQ_ = t;
      else others_.push_back(t);
      t->hide();
    } else if (auto* g = dynamic_cast<SkEqGrid*>(o); g && !grid_) {
      grid_ = g;
    } else if (auto* c = dynamic_cast<SkEqCurve*>(o); c && !curve_) {
      curve_ = c;
    }
  }
  if (grid_) grid_->Attach(this);
  if (curve_) {
    curve_->Attach(this);
    curve_->SetModel(model_);
  }
  childrenReady_ = true;
  RecomputeMetrics();
}

SMoveThumb* SkEQ::Handle(int data) const {
  if (data >= 0 && data < kMaxBands) return bands_[data];
  switch (data) {
    case kDataHighPass: return highPass_;
    case kDataLowPass: return lowPass_;
    case kDataLeftQ: return leftQ_;
    case kDataRightQ: return rightQ_;
    default: return nullptr;
  }
}

bool SkEQ::RecomputeMetrics() {
  // The grid is drawn once per layout: only a new size or new attributes
  // draw it again, not a value that moved.
  const std::array<int, 11> layout = {width(), height(), ldist_, tdist_, rdist_, bdist_,
                                      dbMax_,  dbMin_,   nKedu_, dbKeduVal_, zeroXFreq_};
  if (layout == layout_ && metricsValid_) return false;
  layout_ = layout;
  metricsValid_ = true;
  ++layouts_;
  m_.left = 0;
  m_.top = 0;
  m_.right = width();
  m_.bottom = height();
  const int steps = std::max(1, nKedu_);
  m_.plotLeft = m_.left + ldist_;
  m_.plotTop = m_.top + tdist_;
  m_.step = std::max(0, (m_.bottom - m_.top - tdist_ - bdist_) / steps);
  m_.bottomMargin = m_.bottom - m_.top - tdist_ - steps * m_.step;
  m_.width = m_.right - m_.left - ldist_ - rdist_;
  m_.height = steps * m_.step;
  axes_ = EqAxes(m_.plotLeft, m_.plotTop, m_.width, m_.height, zeroXFreq_, dbMax_, dbMin_);
  m_.logZero = axes_.LogStart();
  m_.pxPerDecade = axes_.PxPerDecade();
  m_.pxPerPoint = m_.width / static_cast<double>(kGridPoints);
  m_.pxPerDb = axes_.PxPerDb();
  if (grid_) {
    grid_->UpdateLines();
    grid_->update();
  }
  return true;
}

void SkEQ::PlaceChildren() {
  Panel::PlaceChildren();
  if (grid_) grid_->setGeometry(rect());
  if (curve_) curve_->setGeometry(rect());
  const QRect ref = rect();
  for (SMoveThumb* t : bands_)
    if (t) t->ApplyReference(ref);
  for (SMoveThumb* t : {highPass_, lowPass_, leftQ_, rightQ_})
    if (t) t->ApplyReference(ref);
  if (!childrenReady_) return;
  RecomputeMetrics();
  UpdateThumbs();
}

void SkEQ::SetResponse(CEqResponse* model) {
  RecomputeMetrics();
  if (model != model_) {
    model_ = model;
    // The first attach builds the frequency grid the model shares with the
    // other channels' models.
    if (model_) model_->Recompute(axes_.StartFrequency());
  }
  if (curve_) curve_->SetModel(model_);
  for (int i = 0; i < kMaxBands; ++i)
    if (bands_[i]) bands_[i]->setVisible(i < 31 && model_ != nullptr);
  if (highPass_) highPass_->setVisible(model_ && model_->HighPassIndex() >= 0);
  if (lowPass_) lowPass_->setVisible(model_ && model_->LowPassIndex() >= 0);
  for (SMoveThumb* t : others_)
    if (t->Data() == -3 || t->Data() == -4) t->hide();
  UpdateThumbs();
  if (curve_) curve_->update();
}

void SkEQ::Refresh() {
  UpdateThumbs();
  if (curve_) curve_->update();
}

void SkEQ::HideQPair() {
  if (!leftQ_ || !rightQ_) return;
  leftQ_->SetOwnerBand(-1);
  rightQ_->SetOwnerBand(-1);
  leftQ_->hide();
  rightQ_->hide();
}

void SkEQ::PlaceQPair(int band) {
  if (!leftQ_ || !rightQ_ || !model_ || band < 0 || band >= static_cast<int>(model_->Sections().size())) return;
  const EqSection& s = model_->Sections()[band];
  const int bx = FrequencyToX(s.frequency);
  const int by = GainToY(s.gain);
  const int idx = NearestQIndex(static_cast<int>(std::lround(s.q * 300.0)));
  const QRect ref = rect();
  leftQ_->CenterAt(bx + idx - 120, by, ref);
  rightQ_->CenterAt(bx - idx + 120, by, ref);
  leftQ_->SetOwnerBand(band);
  rightQ_->SetOwnerBand(band);
  leftQ_->show();
  rightQ_->show();
  leftQ_->raise();
  rightQ_->raise();
}

void SkEQ::UpdateThumbs() {
  if (!model_) return;
  const auto& sections = model_->Sections();
  const int current = model_->CurrentSection();
  const QRect ref = rect();
  for (int i = 0; i < 31 && i < static_cast<int>(sections.size()); ++i) {
    if (!bands_[i]) continue;
    bands_[i]->CenterAt(FrequencyToX(sections[i].frequency), GainToY(sections[i].gain), ref);
    if (i == current && peq_) PlaceQPair(i);
  }
  if (current < 0 || current >= 31) HideQPair();
  auto placeFilter = [&](SMoveThumb* handle, int index) {
    if (!handle || index < 0 || index >= static_cast<int>(sections.size())) return;
    double f = sections[index].frequency;
    if (f < 20) f = 17;
    else if (f > 19999) f = 22000;
    handle->CenterAt(FrequencyToX(f), GainToY(-15.0), ref);  // on the -15 dB level
  };
  placeFilter(highPass_, model_->HighPassIndex());
  placeFilter(lowPass_, model_->LowPassIndex());
}

void SkEQ::ShowQHandles(bool on) {
  peq_ = on;
  const int current = model_ ? model_->CurrentSection() : -1;
  if (on && current >= 0 && current < 31) PlaceQPair(current);
  else HideQPair();
}

void RegisterEqGraph(ElementRegistry& registry) {
  registry.Register("movethumb", [](QWidget* parent) -> QWidget* { return new SMoveThumb(parent); });
  registry.Register("skeqgrid", [](QWidget* parent) -> QWidget* { return new SkEqGrid(parent); });
  registry.Register("skeqcurve", [](QWidget* parent) -> QWidget* { return new SkEqCurve(parent); });
  registry.Register("skeq", [](QWidget* parent) -> QWidget* { return new SkEQ(parent); });
}

}  // namespace brisvel::ui
