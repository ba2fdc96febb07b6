// Containers of the layout language: a panel places its children in a
// vertical or horizontal line (sizes, weights, spacing, margins, padding,
// gravity) or at absolute positions given by their "pos" attribute.
#pragma once

#include "ui/element.h"
#include "ui/skin.h"

#include <QWidget>

namespace brisvel::ui {

class Panel : public QWidget, public Element {
 public:
  enum class Arrangement { Absolute, Vertical, Horizontal };

  explicit Panel(QWidget* parent = nullptr);

  bool SetAttribute(const QString& name, const QString& value) override;
  QSize ContentSize() const override;
  QSize sizeHint() const override { return ContentSize(); }

  Arrangement GetArrangement() const { return arrangement_; }
  // Places all children again (after a child changed its placement attributes).
  void Relayout();

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  // Places the children; subclasses place their own floating children after it.
  virtual void PlaceChildren();
  // Places one child by its "pos" attribute inside the panel rectangle r.
  static void PlaceAbsolute(QWidget* child, const QRect& r);
  void PlaceLinear(bool vertical);

  Arrangement arrangement_ = Arrangement::Absolute;
  int spacing_ = 0;
  QMargins padding_;
  Qt::Alignment gravity_ = {};
  const Skin* skin_ = nullptr;
  int borderWidth_ = 0;
  // Hidden children of a line give up their place (they keep it by default).
  bool collapseHidden_ = false;
};

// The caption bar of a frameless window: dragging it moves the window.
class Caption : public Panel {
 public:
  explicit Caption(QWidget* parent = nullptr) : Panel(parent) {}

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  bool dragging_ = false;
  QPoint pressOffset_;
};

}  // namespace brisvel::ui
