// Placement of children in panels: linear (vertical, horizontal) and absolute.

#include "ui/panel.h"

#include <QMouseEvent>
#include <QPainter>

namespace brisvel::ui {

Panel::Panel(QWidget* parent) : QWidget(parent), Element(this) {}

bool Panel::SetAttribute(const QString& name, const QString& value) {
  if (name == "layout") {
    const QString v = value.trimmed().toLower();
    arrangement_ = v == "vbox" || v == "vertical" ? Arrangement::Vertical
                   : v == "hbox" || v == "horizontal" ? Arrangement::Horizontal
                                                      : Arrangement::Absolute;
  } else if (name == "spacing" || name == "interval") {
    spacing_ = ParseInt(value);
  } else if (name == "padding") {
    const QList<int> v = ParseIntList(value);
    if (v.size() == 1) padding_ = QMargins(v[0], v[0], v[0], v[0]);
    else if (v.size() == 2) padding_ = QMargins(v[0], v[1], v[0], v[1]);
    else if (v.size() == 4) padding_ = QMargins(v[0], v[1], v[2], v[3]);
  } else if (name == "gravity") {
    Qt::Alignment a;
    for (const QString& part : value.split('|', Qt::SkipEmptyParts)) {
      const QString t = part.trimmed().toLower();
      if (t == "center") a |= Qt::AlignCenter;
      else if (t == "hcenter") a |= Qt::AlignHCenter;
      else if (t == "vcenter" || t == "middle") a |= Qt::AlignVCenter;
      else if (t == "right") a |= Qt::AlignRight;
      else if (t == "bottom") a |= Qt::AlignBottom;
    }
    gravity_ = a;
  } else if (name == "skin") {
    skin_ = SkinRegistry::Instance().Find(value);
    update();
  } else if (name == "border") {
    borderWidth_ = ParseInt(value);
  } else if (name == "collapseHidden") {
    collapseHidden_ = ParseBool(value);
  } else if (name == "clipClient") {
    // children are always clipped to their container
  } else {
    return Element::SetAttribute(name, value);
  }
  Relayout();
  return true;
}

static QSize ChildSize(const Element* e) {
  const QSize content = e->ContentSize();
  const SizeSpec& s = e->Size();
  return {s.width >= 0 ? s.width : (s.width == -1 ? content.width() : 0),
          s.height >= 0 ? s.height : (s.height == -1 ? content.height() : 0)};
}

// The size a child asks for when its container measures its own content:
// fill children count with their content size.
static QSize DesiredSize(const Element* e) {
  const SizeSpec& s = e->Size();
  if (s.width >= 0 && s.height >= 0) return {s.width, s.height};
  const QSize content = e->ContentSize();
  return {s.width >= 0 ? s.width : content.width(), s.height >= 0 ? s.height : content.height()};
}

QSize Panel::ContentSize() const {
  if (size_.width >= 0 && size_.height >= 0) return {size_.width, size_.height};
  int main = 0, cross = 0, n = 0;
  const bool vertical = arrangement_ == Arrangement::Vertical;
  if (arrangement_ == Arrangement::Absolute) {
    QSize s = size();
    if (size_.width >= 0) s.setWidth(size_.width);
    if (size_.height >= 0) s.setHeight(size_.height);
    return s;
  }
  for (QObject* o : children()) {
    auto* w = qobject_cast<QWidget*>(o);
    const Element* e = w ? AsElement(w) : nullptr;
    if (!e || e->IsFloating() || w->isWindow() || (collapseHidden_ && w->isHidden())) continue;
    const QSize cs = DesiredSize(e);
    const QMargins m = e->LayoutMargin();
    if (vertical) {
      main += cs.height() + m.top() + m.bottom();
      cross = std::max(cross, cs.width() + m.left() + m.right());
    } else {
      main += cs.width() + m.left() + m.right();
      cross = std::max(cross, cs.height() + m.top() + m.bottom());
    }
    ++n;
  }
  main += std::max(0, n - 1) * spacing_;
  QSize s = vertical ? QSize(cross, main) : QSize(main, cross);
  s += QSize(padding_.left() + padding_.right(), padding_.top() + padding_.bottom());
  if (size_.width >= 0) s.setWidth(size_.width);
  if (size_.height >= 0) s.setHeight(size_.height);
  return s;
}

void Panel::Relayout() {
  PlaceChildren();
  update();
}

void Panel::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  PlaceChildren();
}

void Panel::PlaceAbsolute(QWidget* child, const QRect& r) {
  const Element* e = AsElement(child);
  if (!e) return;
  const PosSpec& pos = e->Pos();
  QRect g;
  if (pos.count == 4) {
    g = QRect(QPoint(r.left() + pos.c[0].Resolve(r.width()), r.top() + pos.c[1].Resolve(r.height())),
              QPoint(r.left() + pos.c[2].Resolve(r.width()) - 1, r.top() + pos.c[3].Resolve(r.height()) - 1));
  } else if (pos.count == 2) {
    const QPoint tl(r.left() + pos.c[0].Resolve(r.width()), r.top() + pos.c[1].Resolve(r.height()));
    QSize s = ChildSize(e);
    if (e->Size().width == -2) s.setWidth(r.right() + 1 - tl.x());
    if (e->Size().height == -2) s.setHeight(r.bottom() + 1 - tl.y());
    g = QRect(tl, s);
  } else {
    QSize s = ChildSize(e);
    if (e->Size().width == -2 || (e->Size().width == -1 && s.width() <= 0)) s.setWidth(r.width());
    if (e->Size().height == -2 || (e->Size().height == -1 && s.height() <= 0)) s.setHeight(r.height());
    g = QRect(r.topLeft(), s);
  }
  const QPointF off = e->Offset();
  g.translate(static_cast<int>(off.x() * g.width()), static_cast<int>(off.y() * g.height()));
  child->setGeometry(g);
}

void Panel::PlaceLinear(bool vertical) {
  const QRect inner = rect().marginsRemoved(padding_);
  struct Item {
    QWidget* w;
    const Element* e;
    QSize size;
    int weight;
  };
  std::vector<Item> items;
  int used = 0, weights = 0;
  for (QObject* o : children()) {
    auto* w = qobject_cast<QWidget*>(o);
    const Element* e = w ? AsElement(w) : nullptr;
    if (!e || w->isWindow() || (collapseHidden_ && w->isHidden())) continue;
    if (e->IsFloating()) {
      if (e->Pos().count > 0) PlaceAbsolute(w, rect());
      continue;
    }
    QSize s = ChildSize(e);
    int weight = e->Weight();
    const int mainSpec = vertical ? e->Size().height : e->Size().width;
    if (mainSpec == -2 && weight == 0) weight = 1;
    if (weight > 0) (vertical ? s.rheight() : s.rwidth()) = 0;
    const QMargins m = e->LayoutMargin();
    used += (vertical ? s.height() + m.top() + m.bottom() : s.width() + m.left() + m.right());
    weights += weight;
    items.push_back({w, e, s, weight});
  }
  if (items.empty()) return;
  used += spacing_ * static_cast<int>(items.size() - 1);
  const int length = vertical ? inner.height() : inner.width();
  int free = std::max(0, length - used);
  int pos = vertical ? inner.top() : inner.left();
  if (weights == 0) {
    const Qt::Alignment mainAlign = gravity_ & (vertical ? Qt::AlignVertical_Mask : Qt::AlignHorizontal_Mask);
    if (mainAlign & (Qt::AlignVCenter | Qt::AlignHCenter)) pos += free / 2;
    else if (mainAlign & (Qt::AlignBottom | Qt::AlignRight)) pos += free;
  }
  int remainingWeights = weights;
  for (Item& it : items) {
    const QMargins m = it.e->LayoutMargin();
    int mainSize = vertical ? it.size.height() : it.size.width();
    if (it.weight > 0) {
      const int share = remainingWeights > 0 ? free * it.weight / remainingWeights : 0;
      free -= share;
      remainingWeights -= it.weight;
      mainSize = share;
    }
    const int crossSpec = vertical ? it.e->Size().width : it.e->Size().height;
    const int crossAvail =
        vertical ? inner.width() - m.left() - m.right() : inner.height() - m.top() - m.bottom();
    int crossSize = crossSpec == -2 ? crossAvail : (vertical ? it.size.width() : it.size.height());
    Qt::Alignment g = it.e->LayoutGravity();
    if (!g) g = gravity_;
    int crossPos;
    if (vertical) {
      crossPos = inner.left() + m.left();
      if (g & Qt::AlignHCenter) crossPos += (crossAvail - crossSize) / 2;
      else if (g & Qt::AlignRight) crossPos += crossAvail - crossSize;
      it.w->setGeometry(crossPos, pos + m.top(), crossSize, mainSize);
      pos += m.top() + mainSize + m.bottom() + spacing_;
    } else {
      crossPos = inner.top() + m.top();
      if (g & Qt::AlignVCenter) crossPos += (crossAvail - crossSize) / 2;
      else if (g & Qt::AlignBottom) crossPos += crossAvail - crossSize;
      it.w->setGeometry(pos + m.left(), crossPos, mainSize, crossSize);
      pos += m.left() + mainSize + m.right() + spacing_;
    }
  }
}

void Panel::PlaceChildren() {
  if (arrangement_ == Arrangement::Vertical || arrangement_ == Arrangement::Horizontal) {
    PlaceLinear(arrangement_ == Arrangement::Vertical);
    return;
  }
  const QRect inner = rect().marginsRemoved(padding_);
  for (QObject* o : children()) {
    auto* w = qobject_cast<QWidget*>(o);
    const Element* e = w ? AsElement(w) : nullptr;
    if (!e || w->isWindow()) continue;
    // Floating children without a position are placed by their owner.
    if (e->IsFloating() && e->Pos().count == 0) continue;
    PlaceAbsolute(w, e->Pos().count > 0 ? rect() : inner);
  }
}

void Panel::paintEvent(QPaintEvent*) {
  if (!bkgnd_.isValid() && !skin_ && !(border_.isValid() && borderWidth_ > 0)) return;
  QPainter p(this);
  if (bkgnd_.isValid()) p.fillRect(rect(), bkgnd_);
  if (skin_) skin_->Draw(p, rect(), isEnabled() ? SkinState::Normal : SkinState::Disabled);
  if (border_.isValid() && borderWidth_ > 0) {
    p.setPen(QPen(border_, borderWidth_));
    const int h = borderWidth_ / 2;
    p.drawRect(rect().adjusted(h, h, -h - 1 + (borderWidth_ % 2 == 0 ? 1 : 0), -h - 1));
  }
}

void Caption::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) {
    dragging_ = true;
    pressOffset_ = e->globalPosition().toPoint() - window()->frameGeometry().topLeft();
  }
  Panel::mousePressEvent(e);
}

void Caption::mouseMoveEvent(QMouseEvent* e) {
  if (dragging_) window()->move(e->globalPosition().toPoint() - pressOffset_);
}

void Caption::mouseReleaseEvent(QMouseEvent* e) {
  dragging_ = false;
  Panel::mouseReleaseEvent(e);
}

}  // namespace brisvel::ui
