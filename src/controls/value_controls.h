// The console's value controls: the rotary volume knob, faders with their value
// tip, level bars, skin-drawn check and radio buttons with state-dependent
// text, tip and colour, and the numeric edit box that reports steps.
#pragma once

#include "ui/basic_controls.h"

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

 private:
  int rest_ = 0;
};

// Range and value shared by knob, slider and bars.
class RangeValue {
 public:
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Value() const { return value_; }

 protected:
  bool SetRangeAttribute(const QString& name, const QString& value);
  int Clamp(int v) const { return v < min_ ? min_ : (v > max_ ? max_ : v); }
  int min_ = 0, max_ = 100, value_ = 0;
};

class SkRotaryKnob : public QWidget, public Element, public RangeValue {
 public:
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
  int ValueFromPointer(const QPoint& pos);
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
  bool heldAtMax_ = false;
  bool heldAtMin_ = false;
  WheelNotches wheel_;
};

class SkSlider : public QWidget, public Element, public RangeValue {
 public:
  explicit SkSlider(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;
  QSize ContentSize() const override;
  void SetValue(int v);
  void SetRange(int min, int max);
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
  WheelNotches wheel_;
};

// A level bar drawn from a background and a position skin.
class SkProgress : public QWidget, public Element, public RangeValue {
 public:
  explicit SkProgress(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;
  QSize ContentSize() const override;
  void SetValue(int v);
  // The part of the client rectangle the position skin covers (empty at min).
  QRect PositionRect() const;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  bool vertical_ = false;
  bool showPercent_ = false;
  const Skin* bkSkin_ = nullptr;
  const Skin* posSkin_ = nullptr;
};

// Check state with the optional state-dependent tip, text and text colour.
class SkCheckButton : public SkinnedControl {
 public:
  explicit SkCheckButton(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;
  void Retranslate() override;
  bool IsChecked() const { return checked_; }
  // Sets the state and applies the state's options; raises nothing.
  void SetChecked(bool on);
  bool AutoCheck() const { return autoCheck_; }

 protected:
  // The user changed the state: as SetChecked, then EventStateChanged when it changed.
  void CheckByUser(bool on);
  bool IsCheckedState() const override { return checked_; }
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void ApplyStateOptions();

  bool checked_ = false;
  bool autoCheck_ = true;
  bool multiTip_ = false, multiText_ = false, multiColor_ = false;
  QString tip1_, tip2_, text1_, text2_;
  QColor color1_, color2_;

 private:
  bool ApplyChecked(bool on);
};

class SkRadioButton : public SkCheckButton {
 public:
  explicit SkRadioButton(QWidget* parent = nullptr);
  // The toolkit's radio-check operation: checks this one and clears the other
  // radio buttons of the same container; raises nothing.
  void CheckInGroup();

 protected:
  // The same, chosen by the user: every change of state is reported.
  void CheckInGroupByUser();
  std::vector<SkRadioButton*> Group() const;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
};

// The numeric edit box: Up, Down, wheel and Enter report EventEditValueChanging.
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

}  // namespace brisvel::ui
