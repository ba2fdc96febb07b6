// The car delay view: mappings between the car's millimetres and the view's
// pixels, delays from listener and speaker positions, dragging clamped to the
// car body, the geometry overlay and its 3000 ms timer.

#include "controls/car_view.h"

#include "core/scales.h"
#include "ui/ui_event.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <cmath>

namespace brisvel::ui {

namespace {
QPoint ToQt(CarPoint p) { return {p.x, p.y}; }

// Marks child changes made while the view places its own children.
class Guard {
 public:
  explicit Guard(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~Guard() { flag_ = was_; }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  bool& flag_;
  bool was_;
};
}  // namespace

// ---- thumb ----

SkCarThumb::SkCarThumb(QWidget* parent) : SkinnedControl(parent) {
  floating_ = true;
  textAlign_ = Qt::AlignCenter;
}

bool SkCarThumb::SetAttribute(const QString& name, const QString& value) {
  if (name == "percentFloat") percentFloat_ = ParseInt(value) != 0;
  else if (name == "xFloat") xFloat_ = value.toFloat();
  else if (name == "yFloat") yFloat_ = value.toFloat();
  else if (name == "centerColor") centerColor_ = ParseColor(value).value_or(centerColor_);
  else return SkinnedControl::SetAttribute(name, value);
  return true;
}

void SkCarThumb::CenterAt(int x, int y, const QRect& r) {
  const int left = x - width() / 2;
  const int top = y - height() / 2;
  move(left, top);
  dx_ = left - r.left();
  dy_ = r.bottom() + 1 - top;
  xFloat_ = r.width() > 0 ? static_cast<float>(dx_) / r.width() : 0.f;
  yFloat_ = r.height() > 0 ? static_cast<float>(dy_) / r.height() : 0.f;
}

void SkCarThumb::ApplyReference(const QRect& r) {
  if (!percentFloat_) {
    move(r.left() + dx_, r.bottom() + 1 - dy_);
    return;
  }
  move(r.left() + static_cast<int>(std::trunc(r.width() * xFloat_ + 0.5)),
       r.bottom() + 1 - static_cast<int>(std::trunc(r.height() * yFloat_ + 0.5)));
}

void SkCarThumb::PaintControl(QPainter& p) {
  if (centerColor_.alpha() != 0) {
    const QColor c = centerColor_;
    const QColor rim((c.red() + 57) % 256, (c.green() + 57) % 256, (c.blue() + 57) % 256, c.alpha());
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QRadialGradient g(r.center(), r.width() / 2);
    g.setColorAt(0, c);
    g.setColorAt(1, rim);
    p.setPen(QPen(c, 1));
    p.setBrush(g);
    p.drawEllipse(r);
  }
  SkinnedControl::PaintControl(p);
}

void SkCarThumb::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  pushed_ = true;
  dragging_ = true;
  const QPoint mouse = mapToParent(e->position().toPoint());
  dragOffset_ = mouse - QPoint((x() + x() + width()) / 2, (y() + y() + height()) / 2);
  setCursor(Qt::SizeAllCursor);
  update();
}

void SkCarThumb::mouseMoveEvent(QMouseEvent* e) {
  if (!dragging_) return;
  QPoint p = mapToParent(e->position().toPoint()) - dragOffset_;
  if (owner_) owner_->OnThumbMoved(p, Data());
  const QRect ref = parentWidget() ? parentWidget()->rect() : QRect();
  CenterAt(p.x(), p.y(), ref);
}

void SkCarThumb::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  pushed_ = false;
  const bool was = dragging_;
  dragging_ = false;
  unsetCursor();
  update();
  if (was && owner_) owner_->OnThumbReleased();
}

// ---- grid ----

SkCarGrid::SkCarGrid(QWidget* parent) : SkinnedControl(parent) {
  size_ = {-2, -2};  // a layer over the whole view
  setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

bool SkCarGrid::SetAttribute(const QString& name, const QString& value) {
  if (name == "widthCoords") widthCoords_ = ParseInt(value, 1);
  else if (name == "colorCoords") colorCoords_ = ParseColor(value).value_or(colorCoords_);
  else if (name == "widthGuidLine") widthGuidLine_ = ParseInt(value, 1);
  else if (name == "colorGuidLine") colorGuidLine_ = ParseColor(value).value_or(colorGuidLine_);
  else return SkinnedControl::SetAttribute(name, value);
  return true;
}

void SkCarGrid::PaintControl(QPainter& p) {
  if (!car_) return;
  const CarViewMetrics& m = car_->Metrics();
  if (m.mmPerPx < 1) return;
  const QRect c = rect();
  const int x0 = c.left() + m.ldist;
  const int plotTop = c.top() + m.tdist;
  const int plotRight = c.right() + 1 - m.rdist;
  const int yB = c.bottom() + 1 - m.bdist;
  const int step = static_cast<int>(std::trunc(static_cast<double>(m.mmPerScale) / m.mmPerPx + 0.5));
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(colorCoords_, widthCoords_));
  p.drawLine(x0, yB, plotRight, yB);
  p.drawLine(x0, plotTop, x0, yB);
  const QColor text = TextColor();
  if (step > 0) {
    int value = m.yStart;
    for (int y = yB; y - 15 >= plotTop; y -= step, value += m.mmPerScale) {
      p.setPen(QPen(colorCoords_, widthCoords_));
      p.drawLine(x0, y, x0 + 5, y);
      p.setPen(text);
      p.drawText(QRect(QPoint(c.left() + 2, y - 15), QPoint(c.left() + m.ldist - 1 - 3, y + 15 - 1)),
                 Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, QString::asprintf("%.01f", value / 1000.0));
    }
    value = m.xStart;
    for (int x = x0; x - m.ldist / 2 - 8 + m.ldist - 2 <= plotRight; x += step, value += m.mmPerScale) {
      p.setPen(QPen(colorCoords_, widthCoords_));
      p.drawLine(x, yB, x, yB - 5);
      p.setPen(text);
      const int boxLeft = x - m.ldist / 2 - 8;
      p.drawText(QRect(boxLeft, yB, m.ldist - 2, 30), Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                 QString::asprintf("%.01f", value / 1000.0));
    }
  }
  p.setPen(QPen(colorGuidLine_, widthGuidLine_, Qt::DotLine));
  p.drawLine(x0, m.OriginY(), plotRight, m.OriginY());
  p.drawLine(m.OriginX(), plotTop, m.OriginX(), yB);
}

// ---- curve ----

SkCarCurve::SkCarCurve(QWidget* parent) : SkinnedControl(parent) {
  size_ = {-2, -2};
  setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

bool SkCarCurve::SetAttribute(const QString& name, const QString& value) {
  if (name == "lineWidth") lineWidth_ = ParseInt(value, 2);
  else if (name == "colorCar") colorCar_ = ParseColor(value).value_or(colorCar_);
  else if (name == "colorSpeakser") colorSpeaker_ = ParseColor(value).value_or(colorSpeaker_);
  else if (name == "colorSoundSpace") colorSoundSpace_ = ParseColor(value).value_or(colorSoundSpace_);
  else if (name == "colorVirt") colorVirt_ = ParseColor(value).value_or(colorVirt_);
  else return SkinnedControl::SetAttribute(name, value);
  return true;
}

void SkCarCurve::PaintControl(QPainter& p) {
  if (!car_) return;
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRect pic = car_->PictureRect();
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(colorCar_, lineWidth_));
  p.drawRect(QRect(QPoint(pic.left(), pic.top() + 10), QPoint(pic.right(), pic.bottom() - 10)));
  const auto& g = car_->Geometry();
  const int side = (g.soundSpace[2] - g.soundSpace[0]) & ~1;
  p.setPen(QPen(colorSoundSpace_, lineWidth_, Qt::DotLine));
  p.drawEllipse(QRect(g.soundSpace[0], g.soundSpace[1], side, side));
  const QPoint listener = ToQt(car_->ListenerPx());
  for (int i = 0; i < car_->SpeakerCount() && i < 6; ++i) {
    const QPoint s = ToQt(car_->SpeakerPx(i));
    if (g.hasVirtualPoint[i]) {
      p.setPen(QPen(colorVirt_, lineWidth_, Qt::DotLine));
      p.drawLine(ToQt(g.virtualPoints[i]), s);
    }
    p.setPen(QPen(colorSpeaker_, lineWidth_));
    p.drawLine(listener, s);
  }
}

// ---- view ----

SkCar::SkCar(QWidget* parent) : Panel(parent) {
  overlayTimer_.setSingleShot(false);
  overlayTimer_.setInterval(kOverlayTimerMs);
  QObject::connect(&overlayTimer_, &QTimer::timeout, this, [this] { HideOverlay(); });
}

bool SkCar::SetAttribute(const QString& name, const QString& value) {
  int* target = name == "ldist"        ? &metrics_.ldist
                : name == "tdist"      ? &metrics_.tdist
                : name == "rdist"      ? &metrics_.rdist
                : name == "bdist"      ? &metrics_.bdist
                : name == "xStart"     ? &metrics_.xStart
                : name == "yStart"     ? &metrics_.yStart
                : name == "mmPerPx"    ? &metrics_.mmPerPx
                : name == "mmPerScale" ? &metrics_.mmPerScale
                : name == "carWidth"   ? &metrics_.carWidth
                : name == "zhouJu"     ? &metrics_.zhouJu
                                       : nullptr;
  if (!target) return Panel::SetAttribute(name, value);
  *target = ParseInt(value, *target);
  return true;
}

void SkCar::OnChildrenCreated() {
  listener_ = nullptr;
  speakers_.fill(nullptr);
  for (QObject* o : children()) {
    if (auto* t = dynamic_cast<SkCarThumb*>(o)) {
      if (t->Data() == 0 && !listener_) listener_ = t;
      else if (t->Data() >= 1 && t->Data() <= kMaxSpeakers) speakers_[t->Data() - 1] = t;
      t->SetOwner(this);
    } else if (auto* g = dynamic_cast<SkCarGrid*>(o); g && !grid_) {
      grid_ = g;
    } else if (auto* c = dynamic_cast<SkCarCurve*>(o); c && !curve_) {
      curve_ = c;
    }
  }
  if (grid_) {
    grid_->Attach(this);
    grid_->hide();
  }
  if (curve_) {
    curve_->Attach(this);
    curve_->hide();
  }
  posTip_ = FindByName(this, "car_pos_tip");
  picture_ = FindByName(this, "car_pic");
  for (int i = 1; i <= 32; ++i) {
    delayTips_[i - 1] = FindByName(this, QString("ch%1_tip").arg(i));
    // A named speaker's tip has its name over the delay.
    if (Element* tip = AsElement(delayTips_[i - 1])) tip->SetAttribute("multiLines", "1");
  }
  childrenReady_ = true;
  ApplyVisibility();
  PlaceChildren();
}

QRect SkCar::CarRect() const {
  const auto r = metrics_.CarRect();
  return QRect(QPoint(r[0], r[1]), QPoint(r[2], r[3]));
}

QRect SkCar::PictureRect() const {
  const QRect car = CarRect();
  const int h = metrics_.mmPerPx >= 1 ? (metrics_.carWidth / metrics_.mmPerPx) / 2 : 0;
  return QRect(QPoint(car.left(), car.top() - h), QPoint(car.right(), car.bottom() + h));
}

bool SkCar::OverlayVisible() const { return (curve_ && curve_->isVisible()) || (grid_ && grid_->isVisible()); }

void SkCar::RecomputeMetrics() {
  metrics_.left = 0;
  metrics_.top = 0;
  metrics_.right = width();
  metrics_.bottom = height();
}

void SkCar::PlacePicture() {
  auto* pic = AsElement(picture_);
  if (!pic) return;
  const QRect p = PictureRect();
  pic->SetAttribute("pos", QString("%1,%2,%3,%4").arg(p.left() - 20).arg(p.top()).arg(p.right() + 20).arg(p.bottom()));
}

void SkCar::ApplyVisibility() {
  if (listener_) listener_->setVisible(count_ > 0);
  for (int i = 1; i <= kMaxSpeakers; ++i) {
    if (speakers_[i - 1]) speakers_[i - 1]->setVisible(i <= count_);
    if (delayTips_[i - 1]) delayTips_[i - 1]->setVisible(i <= count_);
  }
}

void SkCar::PlaceChildren() {
  if (placing_) {
    Panel::PlaceChildren();
    return;
  }
  Guard guard(placing_);
  Panel::PlaceChildren();
  if (grid_) grid_->setGeometry(rect());
  if (curve_) curve_->setGeometry(rect());
  if (!childrenReady_) return;
  for (SkCarThumb* t : speakers_)
    if (t) t->ApplyReference(rect());
  if (listener_) listener_->ApplyReference(rect());
  RecomputeMetrics();
  if (count_ > 0) UpdatePositions();
  PlacePicture();
  Panel::PlaceChildren();
}

void SkCar::SetSpeakers(const std::array<CarPoint, 6>& speakersMm, CarPoint listenerMm) {
  count_ = 6;
  speakersMm_ = speakersMm;
  listenerMm_ = listenerMm;
  if (!childrenReady_) return;
  Guard guard(placing_);
  RecomputeMetrics();
  PlacePicture();
  ApplyVisibility();
  UpdatePositions();
  Panel::PlaceChildren();
  if (curve_) curve_->update();
}

void SkCar::UpdatePositions() {
  Guard guard(placing_);
  const QRect ref = rect();
  listenerPx_ = metrics_.MmToPx(listenerMm_);
  if (listener_) {
    listener_->CenterAt(listenerPx_.x, listenerPx_.y, ref);
    listener_->setToolTip(QString::asprintf("(%.03fm,%.03fm)", listenerMm_.x / 1000.0, listenerMm_.y / 1000.0));
  }
  const int n = std::min(count_, 6);
  for (int i = 0; i < n; ++i) speakersPx_[i] = metrics_.MmToPx(speakersMm_[i]);
  geometry_ = ComputeCarDelays(listenerPx_, std::span<const CarPoint>(speakersPx_.data(), n), metrics_.mmPerPx);
  const QRect car = CarRect();
  const QRect zone(QPoint(car.left() + car.width() / 4, car.top() + car.height() / 3),
                   QPoint(car.right() - car.width() / 4, car.bottom() - car.height() / 3));
  for (int i = 0; i < n; ++i) {
    const CarPoint s = speakersPx_[i];
    const double delay = geometry_.delayMm[i];
    SkCarThumb* thumb = speakers_[i];
    const QString name = i < static_cast<int>(names_.size()) ? names_[static_cast<size_t>(i)] : QString();
    QSize ts(50, 50);
    if (thumb) {
      thumb->CenterAt(s.x, s.y, ref);
      thumb->setToolTip((name.isEmpty() ? QString() : QStringLiteral("CH%1 %2\n").arg(i + 1).arg(name)) +
                        QString::asprintf("(%.03fm,%.03fm)\nDelay:%.02fmm\nDelay:%.03fms", speakersMm_[i].x / 1000.0,
                                          speakersMm_[i].y / 1000.0, delay, delay / kMmPerMs));
      ts = thumb->size();
    }
    Element* tip = AsElement(delayTips_[i]);
    if (!tip) continue;
    const QString delayText = QString::fromStdString(PathDelayText(delay, readoutUnit_));
    // Tips above or below a speaker stand side by side: their names are cut to the speaker's width.
    const bool beside = s.x < zone.left() || s.x > zone.right();
    const QString shownName =
        QFontMetrics(delayTips_[i]->font()).elidedText(name, Qt::ElideRight, beside ? 160 : ts.width() + 8);
    tip->SetText(name.isEmpty() ? delayText : shownName + QLatin1Char('\n') + delayText);
    const QSize tw = tip->ContentSize();
    int left, top;
    if (s.x < zone.left()) {
      left = s.x - ts.width() / 2 - tw.width() - 5;
      top = s.y - tw.height() / 2;
    } else if (s.x > zone.right()) {
      left = s.x + ts.width() / 2 + 5;
      top = s.y - tw.height() / 2;
    } else {
      left = s.x - tw.width() / 2;
      top = s.y < zone.top() ? s.y - ts.height() / 2 - tw.height() - 5 : s.y + ts.height() / 2 + 5;
    }
    tip->SetAttribute("pos", QString("%1,%2").arg(left).arg(top));
  }
}

void SkCar::OnThumbMoved(QPoint& p, int data) {
  const QRect car = CarRect();
  p.setX(std::clamp(p.x(), car.left(), car.right()));
  p.setY(std::clamp(p.y(), car.top(), car.bottom()));
  // A press, or a move that lands where the thumb stands, moves nothing:
  // no delays are applied for it.
  const bool known = data == 0 || (data >= 1 && data <= std::min(count_, 6));
  if (known) {
    const auto& at = data == 0 ? listenerPx_ : speakersPx_[data - 1];
    if (at.x == p.x() && at.y == p.y()) return;
  }
  const CarPoint mm = metrics_.PxToMm({p.x(), p.y()});
  if (data == 0) {
    listenerPx_ = {p.x(), p.y()};
    listenerMm_ = mm;
  } else if (data >= 1 && data <= std::min(count_, 6)) {
    speakersPx_[data - 1] = {p.x(), p.y()};
    speakersMm_[data - 1] = mm;
  } else {
    return;
  }
  overlayTimer_.stop();
  if (count_ > 0) UpdatePositions();
  if (auto* tip = AsElement(posTip_)) {
    Guard guard(placing_);
    tip->SetText(PositionTipText(data));
    tip->SetAttribute("pos", QString("%1,%2").arg(p.x() + 30).arg(p.y() + 25));
    posTip_->show();
    posTip_->raise();
  }
  if (count_ > 0) {
    {
      Guard guard(placing_);
      Panel::PlaceChildren();
    }
    if (curve_) {
      if (curve_->isVisible()) curve_->update();
      else curve_->show();
    }
    if (grid_) grid_->show();
    RaiseEvent(this, CarDelayChangedArgs{});
  }
}

void SkCar::SetReadoutUnit(int unit) {
  if (unit == readoutUnit_) return;
  readoutUnit_ = unit;
  if (count_ > 0) UpdatePositions();
}

void SkCar::SetSpeakerNames(const std::array<QString, 6>& names) {
  names_ = names;
  if (count_ > 0) UpdatePositions();
}

QString SkCar::PositionTipText(int data) const {
  const bool speaker = data >= 1 && data <= std::min(count_, 6);
  const CarPoint mm = speaker ? speakersMm_[data - 1] : listenerMm_;
  QString text = QString::asprintf("%.03fm,%.03fm", mm.x / 1000.0, mm.y / 1000.0);
  if (speaker) {
    const double distanceMm = geometry_.distancePx[data - 1] * metrics_.mmPerPx;
    const QString& name = names_[static_cast<size_t>(data - 1)];
    text += QString::asprintf("\nCH%d ", data) + (name.isEmpty() ? QString() : name + QStringLiteral(": ")) +
            QString::fromStdString(DistanceText(distanceMm, readoutUnit_)) +
            QStringLiteral(", delay ") + QString::fromStdString(PathDelayText(geometry_.delayMm[data - 1], readoutUnit_));
  }
  return text;
}

void SkCar::OnThumbReleased() {
  if (posTip_) posTip_->hide();
  overlayTimer_.start();
}

void SkCar::HideOverlay() {
  overlayTimer_.stop();
  if (curve_) curve_->hide();
  if (grid_) grid_->hide();
}

void RegisterCarView(ElementRegistry& registry) {
  registry.Register("skcarthumb", [](QWidget* parent) -> QWidget* { return new SkCarThumb(parent); });
  registry.Register("skcargrid", [](QWidget* parent) -> QWidget* { return new SkCarGrid(parent); });
  registry.Register("skcarcurve", [](QWidget* parent) -> QWidget* { return new SkCarCurve(parent); });
  registry.Register("skcar", [](QWidget* parent) -> QWidget* { return new SkCar(parent); });
}

}  // namespace brisvel::ui
