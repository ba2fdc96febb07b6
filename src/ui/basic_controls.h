// The toolkit's standard controls: text, image, button, image button, check
// box, radio button, edit, drop-down list, tab pages, level bar and the busy
// animation.
// Each paints its skin in the current state, then its text.
#pragma once

#include "ui/element.h"
#include "ui/panel.h"
#include "ui/skin.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

namespace brisvel::ui {

// Base of every skin-drawn control: skin, background, text, hover and press.
class SkinnedControl : public QWidget, public Element {
 public:
  explicit SkinnedControl(QWidget* parent = nullptr);

  bool SetAttribute(const QString& name, const QString& value) override;
  QSize ContentSize() const override;
  QSize sizeHint() const override { return ContentSize(); }

  const Skin* GetSkin() const { return skin_; }
  void SetSkin(const Skin* skin);
  bool IsHover() const { return hover_; }
  bool IsPushed() const { return pushed_; }
  SkinState CurrentState() const;
  // A single-line text wider than the control ends in "..." instead of being cut off.
  void SetElideText(bool on) {
    elide_ = on;
    update();
  }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void ApplyShownText(const QString& shown) override;
  // A click completed (release inside after a press on the control).
  virtual void OnClicked();
  virtual bool IsCheckedState() const { return false; }
  // Paints skin and text; controls override to add their own parts.
  virtual void PaintControl(QPainter& p);

  void changeEvent(QEvent* e) override;
  // Controls painted often at the same look (the graph's handles) keep their
  // picture and draw it again until state, text, colour, font or size change.
  void SetPaintCache(bool on) { cachePaint_ = on; cacheValid_ = false; }
  void InvalidatePaintCache() { cacheValid_ = false; }

  const Skin* skin_ = nullptr;
  const Skin* focusSkin_ = nullptr;
  // A skin drawn at its own size left of the text (the standard check box).
  const Skin* iconSkin_ = nullptr;
  bool hover_ = false;
  bool pushed_ = false;
  bool raisesClick_ = false;
  bool elide_ = false;
  QMargins textPadding_;

 private:
  bool cachePaint_ = false;
  bool cacheValid_ = false;
  SkinState cacheState_ = SkinState::Normal;
  bool cacheFocus_ = false;
  QImage cache_;
};

class TextLabel : public SkinnedControl {
 public:
  explicit TextLabel(QWidget* parent = nullptr);
};

class ImageView : public SkinnedControl {
 public:
  explicit ImageView(QWidget* parent = nullptr);
};

class Button : public SkinnedControl {
 public:
  explicit Button(QWidget* parent = nullptr);
};

class ImageButton : public SkinnedControl {
 public:
  explicit ImageButton(QWidget* parent = nullptr);
};

// The toolkit's one-line edit box. Reports EventKillFocus when it loses the
// focus after the user changed its text; text set by code is not a change,
// and neither is leaving the box without typing (Tab, a click elsewhere).
class Edit : public QLineEdit, public Element {
 public:
  explicit Edit(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;
  QSize ContentSize() const override;
  void Retranslate() override {}
  bool WantReturn() const { return wantReturn_; }

 protected:
  void focusOutEvent(QFocusEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void ApplyShownText(const QString& shown) override;
  // Whether the user changed the text since code set it or the last report;
  // the change counts as reported from then on.
  bool TakeUserChange();

  bool wantReturn_ = false;
};

// The drop-down list. Reports EventSelChanged with the new index.
class ComboBox : public QComboBox, public Element {
 public:
  explicit ComboBox(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;
  QSize ContentSize() const override;
  void Retranslate() override;
  // Adds an item given in the source language.
  void AddItem(const QString& sourceText, int data = 0);
  void ClearItems();
  int ItemData(int index) const;
  void showPopup() override;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  // A label wider than the style's text field may run up to the arrow's
  // glyph, so narrow lists show whole words; only what is wider still is
  // elided, never cut.
  void paintEvent(QPaintEvent* e) override;

 private:
  QStringList sources_;
  int userStart_ = -1;  // the item shown when the user's action began
};

// Tab pages; each page is a panel.
class TabControl : public QTabWidget, public Element {
 public:
  explicit TabControl(QWidget* parent = nullptr);
  bool SetAttribute(const QString& name, const QString& value) override;
  void Retranslate() override;
  void AddPage(Panel* page, const QString& sourceTitle);

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  QStringList titles_;
  int clicked_ = -1;
  bool userKeys_ = false;
};

// An animated busy indicator.
class GifPlayer : public SkinnedControl {
 public:
  explicit GifPlayer(QWidget* parent = nullptr);
  int Frame() const { return frame_; }

 protected:
  void PaintControl(QPainter& p) override;
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;

 private:
  QTimer timer_;
  int frame_ = 0;
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

}  // namespace brisvel::ui
