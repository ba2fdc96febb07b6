// The console's value controls: the rotary volume knob, faders with their value
// tip and the numeric edit box that reports steps. Level bars and the check and
// radio buttons are the toolkit's (ui/basic_controls.h).
#pragma once

#include <functional>

#include "ui/basic_controls.h"
#include "ui/layout_loader.h"

#include <QWheelEvent>
#include <memory>
#include <vector>

namespace brisvel::ui {

// The one value tip window shared by all faders; it lives while a fader holds it.
class SSimpleToolTip : public QWidget {
 public:
  static std::shared_ptr<SSimpleToolTip> Acquire();
  // Shows text with its top-left at the screen point (hides it for empty text).
  void ShowAt(const QPoint& screenTopLeft, const QString& text);
  QString Text() const { return text_; }
  // The text the shared tip shows now; empty while it is hidden or not made.
  static QString ShownText();

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  SSimpleToolTip();
  QString text_;
};

// Turns wheel events into whole notches: only vertical movement counts, one
// notch is 120 angle units (a mouse wheel's click), and the small deltas of
// touchpads and high-resolution wheels add up until they make a notch.
class WheelNotches {
 public:
  static constexpr int kAnglePerNotch = 120;
  static constexpr int kPixelsPerNotch = 20;
  // False for an event without vertical movement (a horizontal tilt or swipe).
  static bool IsVertical(const QWheelEvent& e);
  // Whole notches of this event and the part kept from earlier ones:
  // positive forward (away from the user), negative backward.
  int Take(const QWheelEvent& e);
  // The whole turn for a stepping control: a vertical turn takes the focus
  // (when the control takes any) and calls step(+1 or -1) once per notch; a
  // horizontal-only turn is passed on.
  void Apply(QWidget& control, QWheelEvent* e, const std::function<void(int)>& step);

 private:
  int rest_ = 0;
};

// The rotary knob: dragged round from where it is gripped (the value follows
// the turn, never the point pressed), or stepped with the keys and the wheel.
class SkRotaryKnob : public QWidget, public Element, public RangeValue {
 public:
  // Pointer moves closer than this to the centre do not turn the knob.
  static constexpr double kDeadRadius = 6;

  explicit SkRotaryKnob(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;
  QSize ContentSize() const override;
  // Sets the value (clamped), places the dot and redraws; raises nothing.
  void SetValue(int v);
  void SetRange(int min, int max);
  QPoint DotPosition() const { return dot_; }
  double SweptAngle() const { return swept_; }

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

 private:
  void Recompute();
  // Degrees, clockwise on screen from the positive x axis.
  double PointerAngle(const QPoint& pos) const;
  // The pointer stands in the dead angle at the bottom.
  bool InGap(const QPoint& pos) const;
  void RaisePos();

  double gap_ = 30;
  const Skin* skin_ = nullptr;
  const Skin* dotSkin_ = nullptr;
  int dotRadius_ = 20;
  int fgRadius_ = 0;
  bool fgPaintArc_ = true;
  QColor colorCircle_{0x00, 0xf6, 0xff};
  QPointF centre_;
  double valuesPerDegree_ = 0;
  double startAngle_ = 0;
  double swept_ = 0;
  QPoint dot_;
  bool dragging_ = false;
  QPoint pressPoint_;
  int pressValue_ = 0;
  double lastAngle_ = 0;  // the pointer's angle at the last move
  double turned_ = 0;     // degrees turned since the press, clockwise positive
  WheelNotches wheel_;
};

class SkSlider : public QWidget, public Element, public RangeValue {
 public:
  explicit SkSlider(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;
  QSize ContentSize() const override;
  void SetValue(int v);
  void SetRange(int min, int max);
  // The value tip tells the position in its field's unit (as text(position)
  // gives it) instead of the bare number, and shows whether or not the
  // layout asked for the number.
  void SetValueText(std::function<QString(int)> text);
  bool IsVertical() const { return vertical_; }
  // The toolkit's part rectangles: the rail the thumb centre travels on, and the thumb.
  QRect RailRect() const;
  QRect ThumbRect() const;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

 private:
  QSize ThumbSize() const;
  void RaisePos();
  void ShowValueTip();
  void HideValueTip();
  void HandleMove(const QPoint& pos);

  bool vertical_ = false;
  bool thumbInRail_ = false;
  bool showPercent_ = false;
  const Skin* railSkin_ = nullptr;
  const Skin* posSkin_ = nullptr;
  const Skin* thumbSkin_ = nullptr;
  bool dragging_ = false;
  bool thumbHover_ = false;
  QPoint pressPoint_;
  int pressValue_ = 0;
  std::shared_ptr<SSimpleToolTip> tip_;
  std::function<QString(int)> valueText_;
  WheelNotches wheel_;
};

// The numeric edit box: Up, Down and the wheel report EventEditValueChanging
// with their step, Enter (step 0) only after the user changed the text.
class SEdit2 : public Edit {
 public:
  explicit SEdit2(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  void RaiseStep(int step);
  const Skin* focusSkin_ = nullptr;
  WheelNotches wheel_;
};

// Registers "skrotaryknob", "skslider" (also as "slider") and "edit2" with the loader.
void RegisterValueControls(ElementRegistry& registry);

}  // namespace brisvel::ui
