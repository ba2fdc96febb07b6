// The value controls: knob, fader with value tip and the numeric edit box.

#include "controls/value_controls.h"

#include "ui/ui_event.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <cmath>
#include <optional>

namespace brisvel::ui {

namespace {
// Degrees to radians for placing the dot use 3.14 for pi, as the knob always
// has. The pointer's angle is taken exactly: with 3.14 there a pointer
// straight above the centre would read 90.05 degrees and fall one value short
// of the middle of the range.
constexpr double kDotPi = 3.14;
double Rad(double deg) { return deg * kDotPi / 180.0; }
double Deg(double rad) { return rad * 180.0 / M_PI; }
}  // namespace

// ---- value tip ----

namespace {
std::weak_ptr<SSimpleToolTip>& SharedTip() {
  static std::weak_ptr<SSimpleToolTip> shared;
  return shared;
}
}  // namespace

std::shared_ptr<SSimpleToolTip> SSimpleToolTip::Acquire() {
  std::weak_ptr<SSimpleToolTip>& shared = SharedTip();
  std::shared_ptr<SSimpleToolTip> tip = shared.lock();
  if (!tip) {
    tip = std::shared_ptr<SSimpleToolTip>(new SSimpleToolTip());
    shared = tip;
  }
  return tip;
}

SSimpleToolTip::SSimpleToolTip()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus) {
  setObjectName("simple tooltip");
  setAttribute(Qt::WA_ShowWithoutActivating, true);
  setFont(ParseFont("face:宋体,size:12", font()));
}

QString SSimpleToolTip::ShownText() {
  const std::shared_ptr<SSimpleToolTip> tip = SharedTip().lock();
  return tip && tip->isVisible() ? tip->Text() : QString();
}

void SSimpleToolTip::ShowAt(const QPoint& screenTopLeft, const QString& text) {
  text_ = text;
  if (text.isEmpty()) {
    hide();
    return;
  }
  const QRect measured = QFontMetrics(font()).boundingRect(QRect(0, 0, 500, 1000), Qt::TextWordWrap, text);
  resize(measured.width() + 10, measured.height() + 10);
  QPoint pos = screenTopLeft;
  if (const QScreen* screen = QGuiApplication::screenAt(screenTopLeft)) {
    const QRect area = screen->geometry();
    pos.setX(std::min(pos.x(), area.right() + 1 - width()));
    pos.setY(std::min(pos.y(), area.bottom() + 1 - height()));
  }
  move(pos);
  show();
  update();
}

void SSimpleToolTip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(0x1e, 0x26, 0x30));
  p.setPen(QColor(0x79, 0x8a, 0x92));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  p.setPen(QColor(0xe0, 0xe8, 0xee));
  p.drawText(rect().adjusted(5, 5, -5, -5), Qt::TextWordWrap, text_);
}

// ---- wheel ----

namespace {
// The vertical movement of a wheel event in angle units (1/8 degree): the
// angle delta, or for a platform that gives only pixels the pixel delta
// scaled so that kPixelsPerNotch pixels make one notch.
int VerticalAngle(const QWheelEvent& e) {
  if (!e.angleDelta().isNull()) return e.angleDelta().y();
  return e.pixelDelta().y() * WheelNotches::kAnglePerNotch / WheelNotches::kPixelsPerNotch;
}
}  // namespace

bool WheelNotches::IsVertical(const QWheelEvent& e) { return VerticalAngle(e) != 0; }

int WheelNotches::Take(const QWheelEvent& e) {
  const int delta = VerticalAngle(e);
  if (delta == 0) return 0;
  // A turn the other way starts afresh.
  if ((rest_ > 0 && delta < 0) || (rest_ < 0 && delta > 0)) rest_ = 0;
  rest_ += delta;
  const int notches = rest_ / kAnglePerNotch;
  rest_ -= notches * kAnglePerNotch;
  return notches;
}

void WheelNotches::Apply(QWidget& control, QWheelEvent* e, const std::function<void(int)>& step) {
  if (!IsVertical(*e)) {
    e->ignore();
    return;
  }
  if (control.focusPolicy() != Qt::NoFocus) control.setFocus(Qt::MouseFocusReason);
  const int notches = Take(*e);
  for (int i = 0; i < std::abs(notches); ++i) step(notches > 0 ? 1 : -1);
}

// ---- knob ----

SkRotaryKnob::SkRotaryKnob(QWidget* parent) : QWidget(parent), Element(this) {
  setFocusPolicy(Qt::NoFocus);
  min_ = 0;
  max_ = 100;
}

bool SkRotaryKnob::SetAttribute(const QString& name, const QString& value) {
  if (SetRangeAttribute(name, value)) {
  } else if (name == "includedAngle") {
    gap_ = static_cast<float>(ParseInt(value, 30));
  } else if (name == "skin") {
    skin_ = SkinRegistry::Instance().Find(value);
  } else if (name == "dotSkin") {
    dotSkin_ = SkinRegistry::Instance().Find(value);
  } else if (name == "dotRadius") {
    dotRadius_ = ParseInt(value, 20);
  } else if (name == "fgRadius") {
    fgRadius_ = ParseInt(value);
  } else if (name == "fgPaintArc") {
    fgPaintArc_ = ParseInt(value, 1) != 0;
  } else if (name == "colorCircle") {
    if (auto c = ParseColor(value)) colorCircle_ = *c;
  } else if (name == "slashSkin") {
    // accepted, not drawn
  } else if (name == "pointertype") {
    if (value != "pterDot" && value != "pterSlash") return false;
  } else {
    return Element::SetAttribute(name, value);
  }
  Recompute();
  return true;
}

QSize SkRotaryKnob::ContentSize() const {
  QSize s = skin_ && !skin_->NaturalSize().isEmpty() ? skin_->NaturalSize() : QSize(100, 100);
  if (size_.width >= 0) s.setWidth(size_.width);
  if (size_.height >= 0) s.setHeight(size_.height);
  return s;
}

void SkRotaryKnob::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  Recompute();
}

void SkRotaryKnob::Recompute() {
  centre_ = QPointF(width() / 2, height() / 2);
  const int span = max_ - min_;
  valuesPerDegree_ = span / (360.0 - gap_);
  startAngle_ = 90.0 + gap_ / 2.0;
  SetValue(value_);
}

void SkRotaryKnob::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  Recompute();
}

void SkRotaryKnob::SetValue(int v) {
  value_ = Clamp(v);
  const int span = max_ - min_;
  swept_ = span > 0 ? value_ * (360.0 - gap_) / span : 0;
  const double theta0 = 90.0 - gap_ / 2.0;
  const double alpha = Rad(180.0 + theta0 - swept_);
  dot_ = QPoint(static_cast<int>(centre_.x() + dotRadius_ * std::cos(alpha)),
                static_cast<int>(centre_.y() - dotRadius_ * std::sin(alpha)));
  update();
}

double SkRotaryKnob::PointerAngle(const QPoint& pos) const {
  return Deg(std::atan2(pos.y() - centre_.y(), pos.x() - centre_.x()));
}

bool SkRotaryKnob::InGap(const QPoint& pos) const {
  const double dx = pos.x() - centre_.x();
  const double dy = pos.y() - centre_.y();
  if (dx == 0 && dy == 0) return false;
  // The swept angle the pointer stands at, from the start at the gap's edge.
  double g = std::fmod(270.0 - gap_ / 2.0 + PointerAngle(pos), 360.0);
  if (g < 0) g += 360.0;
  return g >= 360.0 - gap_;
}

void SkRotaryKnob::RaisePos() { RaiseEvent(this, SliderPosArgs{value_}); }

void SkRotaryKnob::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
  const QPoint pos = e->position().toPoint();
  // A press grips the knob; it never sets the value from where it lands, and
  // one in the gap, where no value lies, does nothing at all.
  if (InGap(pos)) return;
  dragging_ = true;
  pressPoint_ = pos;
  pressValue_ = value_;
  turned_ = 0;
  lastAngle_ = PointerAngle(pos);
  update();
}

void SkRotaryKnob::mouseMoveEvent(QMouseEvent* e) {
  if (!dragging_) return;
  const QPoint pos = e->position().toPoint();
  // Near the centre the direction means nothing.
  if (std::hypot(pos.x() - centre_.x(), pos.y() - centre_.y()) < kDeadRadius) return;
  const double angle = PointerAngle(pos);
  double delta = angle - lastAngle_;
  if (delta > 180) delta -= 360;
  if (delta <= -180) delta += 360;
  lastAngle_ = angle;
  if (valuesPerDegree_ <= 0) return;
  // The value follows the turn since the press (clockwise up); past an end
  // the knob stays there, and turning back moves it again at once, so a turn
  // on through the gap never jumps to the other end.
  turned_ = std::clamp(turned_ + delta, (min_ - pressValue_) / valuesPerDegree_, (max_ - pressValue_) / valuesPerDegree_);
  const int candidate = Clamp(pressValue_ + static_cast<int>(std::trunc(turned_ * valuesPerDegree_ + 1e-9 * (turned_ > 0 ? 1 : -1))));
  if (candidate != value_) {
    SetValue(candidate);
    RaisePos();
  }
}

void SkRotaryKnob::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  dragging_ = false;
  update();
}

namespace {

// The value a key moves a knob or slider to; nothing for keys they do not take.
// Page Up/Down move a fifth of the range, Home/End jump to the ends.
std::optional<int> KeyedValue(int key, int value, int min, int max) {
  switch (key) {
    case Qt::Key_PageUp: return value + (max - min) / 5;
    case Qt::Key_PageDown: return value - (max - min) / 5;
    case Qt::Key_End: return min;
    case Qt::Key_Home: return max;
    case Qt::Key_Left:
    case Qt::Key_Down: return value - 1;
    case Qt::Key_Up:
    case Qt::Key_Right: return value + 1;
    default: return std::nullopt;
  }
}

}  // namespace

void SkRotaryKnob::keyPressEvent(QKeyEvent* e) {
  const std::optional<int> v = KeyedValue(e->key(), value_, min_, max_);
  if (!v) {
    QWidget::keyPressEvent(e);
    return;
  }
  SetValue(*v);
  RaisePos();
}

void SkRotaryKnob::wheelEvent(QWheelEvent* e) {
  wheel_.Apply(*this, e, [this](int step) {
    SetValue(value_ + step);
    RaisePos();
  });
}

void SkRotaryKnob::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  const double sweep = 360.0 - gap_;
  if (swept_ > 0 && fgPaintArc_ && fgRadius_ > 0) {
    const double g = std::min(swept_, sweep);
    const QRectF box(centre_.x() - fgRadius_, centre_.y() - fgRadius_, 2.0 * fgRadius_, 2.0 * fgRadius_);
    QColor glow = colorCircle_;
    p.setPen(QPen(glow, 1));
    p.setBrush(glow);
    // Clockwise on screen from the start angle.
    p.drawPie(box, static_cast<int>(-startAngle_ * 16), static_cast<int>(-g * 16));
  }
  if (skin_) skin_->Draw(p, rect(), StateFor(isEnabled(), false, dragging_, false));
  if (dotSkin_) {
    const double theta0 = Rad(90.0 - gap_ / 2.0);
    QPointF at = dot_;
    if (swept_ <= 0) at = QPointF(centre_.x() - dotRadius_ * std::cos(theta0), centre_.y() + dotRadius_ * std::sin(theta0));
    else if (swept_ >= sweep)
      at = QPointF(centre_.x() + dotRadius_ * std::cos(theta0), centre_.y() + dotRadius_ * std::sin(theta0));
    const QSize ds = dotSkin_->NaturalSize().isEmpty() ? QSize(12, 12) : dotSkin_->NaturalSize();
    dotSkin_->Draw(p, QRect(static_cast<int>(at.x()) - ds.width() / 2, static_cast<int>(at.y()) - ds.height() / 2,
                            ds.width(), ds.height()),
                   SkinState::Normal);
  }
}

// ---- slider ----

SkSlider::SkSlider(QWidget* parent) : QWidget(parent), Element(this) {
  setAttribute(Qt::WA_Hover, true);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
  railSkin_ = SkinRegistry::Instance().Find("_slider_rail");
  posSkin_ = SkinRegistry::Instance().Find("_slider_pos");
  thumbSkin_ = SkinRegistry::Instance().Find("_slider_thumb");
}

bool SkSlider::SetAttribute(const QString& name, const QString& value) {
  if (SetRangeAttribute(name, value)) {
  } else if (name == "vertical") {
    vertical_ = ParseBool(value);
  } else if (name == "thumbInRail") {
    thumbInRail_ = ParseBool(value);
  } else if (name == "showPercent") {
    showPercent_ = ParseInt(value) != 0;
  } else if (name == "skin" || name == "bkgndSkin" || name == "railSkin") {
    railSkin_ = SkinRegistry::Instance().Find(value);
  } else if (name == "posSkin") {
    posSkin_ = SkinRegistry::Instance().Find(value);
  } else if (name == "thumbSkin") {
    thumbSkin_ = SkinRegistry::Instance().Find(value);
  } else {
    return Element::SetAttribute(name, value);
  }
  update();
  return true;
}

QSize SkSlider::ContentSize() const {
  QSize s = vertical_ ? QSize(16, 100) : QSize(100, 16);
  if (size_.width >= 0) s.setWidth(size_.width);
  if (size_.height >= 0) s.setHeight(size_.height);
  return s;
}

void SkSlider::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  value_ = Clamp(value_);
  update();
}

void SkSlider::SetValue(int v) {
  value_ = Clamp(v);
  update();
}

QSize SkSlider::ThumbSize() const {
  const QSize natural = thumbSkin_ && !thumbSkin_->NaturalSize().isEmpty() ? thumbSkin_->NaturalSize() : QSize(16, 10);
  return vertical_ ? QSize(width(), std::min(natural.height(), height())) : QSize(std::min(natural.height(), width()), height());
}

QRect SkSlider::RailRect() const {
  const QSize t = ThumbSize();
  if (vertical_) {
    const int inset = thumbInRail_ ? t.height() / 2 : 0;
    return QRect(QPoint(0, inset), QPoint(width() - 1, height() - inset));
  }
  const int inset = thumbInRail_ ? t.width() / 2 : 0;
  return QRect(QPoint(inset, 0), QPoint(width() - inset, height() - 1));
}

QRect SkSlider::ThumbRect() const {
  const QRect r = RailRect();
  const QSize t = ThumbSize();
  const int span = std::max(1, max_ - min_);
  if (vertical_) {
    const int cy = r.bottom() - static_cast<int>(static_cast<int64_t>(value_ - min_) * (r.bottom() - r.top()) / span);
    return QRect(0, cy - t.height() / 2, t.width(), t.height());
  }
  const int cx = r.left() + static_cast<int>(static_cast<int64_t>(value_ - min_) * (r.right() - r.left()) / span);
  return QRect(cx - t.width() / 2, 0, t.width(), t.height());
}

void SkSlider::RaisePos() { RaiseEvent(this, SliderPosArgs{value_}); }

void SkSlider::SetValueText(std::function<QString(int)> text) { valueText_ = std::move(text); }

void SkSlider::ShowValueTip() {
  if (!showPercent_ && !valueText_) return;
  if (!tip_) tip_ = SSimpleToolTip::Acquire();
  const QString text = valueText_ ? valueText_(value_) : QString::number(value_);
  const QRect t = ThumbRect();
  const int len = static_cast<int>(text.size());
  const QPoint local = vertical_ ? QPoint(t.left() - 6 * len - 15, t.center().y() - 11)
                                 : QPoint(t.left() + (t.width() - 6 * len - 10) / 2, t.bottom() + 10);
  tip_->ShowAt(mapToGlobal(local), text);
}

void SkSlider::HideValueTip() {
  if (tip_) tip_->hide();
}

void SkSlider::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
  const QPoint pos = e->position().toPoint();
  pressPoint_ = pos;
  if (ThumbRect().contains(pos)) {
    dragging_ = true;
    pressValue_ = value_;
    update();
    return;
  }
  const QRect r = RailRect();
  const int64_t span = static_cast<int64_t>(max_) - min_ + 1;
  int64_t v;
  if (vertical_) {
    const int len = std::max(1, r.bottom() - r.top());
    v = min_ + span * (r.bottom() - pos.y()) / len;
  } else {
    const int len = std::max(1, r.right() - r.left());
    v = min_ + (pos.x() - r.left()) * span / len;
  }
  SetValue(static_cast<int>(std::clamp<int64_t>(v, min_, max_)));
  dragging_ = true;
  pressValue_ = value_;
  RaisePos();
}

void SkSlider::HandleMove(const QPoint& pos) {
  if (dragging_) {
    const QRect r = RailRect();
    const int len = std::max(1, vertical_ ? r.bottom() - r.top() : r.right() - r.left());
    const int64_t delta = vertical_ ? pressPoint_.y() - pos.y() : pos.x() - pressPoint_.x();
    const int64_t v = delta * (static_cast<int64_t>(max_) - min_ + 1) / len + pressValue_;
    const int nv = static_cast<int>(std::clamp<int64_t>(v, min_, max_));
    if (nv != value_) {
      SetValue(nv);
      RaisePos();
      if (thumbHover_ || dragging_) ShowValueTip();
    }
    return;
  }
  const bool over = ThumbRect().contains(pos);
  if (over != thumbHover_) {
    thumbHover_ = over;
    if (over) ShowValueTip();
    else HideValueTip();
    update();
  }
}

void SkSlider::mouseMoveEvent(QMouseEvent* e) { HandleMove(e->position().toPoint()); }

void SkSlider::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  dragging_ = false;
  update();
  HideValueTip();
  thumbHover_ = false;
  HandleMove(e->position().toPoint());
}

void SkSlider::leaveEvent(QEvent* e) {
  thumbHover_ = false;
  HideValueTip();
  update();
  QWidget::leaveEvent(e);
}

void SkSlider::keyPressEvent(QKeyEvent* e) {
  const std::optional<int> v = KeyedValue(e->key(), value_, min_, max_);
  if (!v) {
    QWidget::keyPressEvent(e);
    return;
  }
  SetValue(*v);
  RaisePos();
}

void SkSlider::wheelEvent(QWheelEvent* e) {
  wheel_.Apply(*this, e, [this](int step) {
    SetValue(value_ + step);
    RaisePos();
  });
}

void SkSlider::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRect r = RailRect();
  const QRect t = ThumbRect();
  if (railSkin_) railSkin_->Draw(p, r, isEnabled() ? SkinState::Normal : SkinState::Disabled);
  // A disabled slider's fill and thumb are faded so that it does not look usable.
  if (!isEnabled()) p.setOpacity(0.3);
  if (value_ != min_ && posSkin_) {
    const QRect fill = vertical_ ? QRect(QPoint(r.left(), t.center().y()), r.bottomRight())
                                 : QRect(r.topLeft(), QPoint(t.center().x(), r.bottom()));
    posSkin_->Draw(p, fill, SkinState::Normal);
  }
  if (thumbSkin_) thumbSkin_->Draw(p, t, StateFor(isEnabled(), thumbHover_, dragging_ || hasFocus(), false));
  if (hasFocus()) {
    p.setPen(QPen(palette::kAccentLight, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(t.adjusted(-1, -1, 0, 0));
  }
}

// ---- numeric edit ----

SEdit2::SEdit2(QWidget* parent) : Edit(parent) { focusSkin_ = SkinRegistry::Instance().Find("_edit_focus"); }

bool SEdit2::SetAttribute(const QString& name, const QString& value) {
  if (name == "focusSkin") {
    focusSkin_ = SkinRegistry::Instance().Find(value);
    return true;
  }
  return Edit::SetAttribute(name, value);
}

void SEdit2::RaiseStep(int step) {
  // A step starts from the typed text, which it replaces: the typing is used.
  setModified(false);
  RaiseEvent(this, EditValueChangingArgs{step});
}

void SEdit2::keyPressEvent(QKeyEvent* e) {
  Edit::keyPressEvent(e);
  switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (wantReturn_) break;
      // Enter applies what was typed; on an untouched text it does nothing.
      if (TakeUserChange()) RaiseStep(0);
      // Enter applies the typed value; it does not also press a dialog's OK.
      e->accept();
      break;
    case Qt::Key_Up:
      RaiseStep(1);
      e->accept();
      break;
    case Qt::Key_Down:
      RaiseStep(-1);
      e->accept();
      break;
    default: break;
  }
}

void SEdit2::wheelEvent(QWheelEvent* e) {
  if (!WheelNotches::IsVertical(*e)) {
    Edit::wheelEvent(e);
    return;
  }
  const int notches = wheel_.Take(*e);
  for (int i = 0; i < std::abs(notches); ++i) RaiseStep(notches > 0 ? 1 : -1);
  Edit::wheelEvent(e);
}

void SEdit2::mouseDoubleClickEvent(QMouseEvent* e) {
  Edit::mouseDoubleClickEvent(e);
  selectAll();
}

void SEdit2::paintEvent(QPaintEvent* e) {
  Edit::paintEvent(e);
  // The focus frame goes over the standard painting so the opaque box does not hide it.
  if (hasFocus() && focusSkin_) {
    QPainter p(this);
    focusSkin_->Draw(p, rect(), SkinState::Normal);
  }
}

// ---- registration ----

void RegisterValueControls(ElementRegistry& registry) {
  registry.Register("skrotaryknob", [](QWidget* parent) -> QWidget* { return new SkRotaryKnob(parent); });
  registry.Register("skslider", [](QWidget* parent) -> QWidget* { return new SkSlider(parent); });
  registry.Register("slider", [](QWidget* parent) -> QWidget* { return new SkSlider(parent); });
  registry.Register("edit2", [](QWidget* parent) -> QWidget* { return new SEdit2(parent); });
}

}  // namespace brisvel::ui
