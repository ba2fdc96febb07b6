// The element base shared by every control built from a layout: id, name, data,
// text and tip kept in the source language and re-translated on a language
// switch, common attributes, and placement inside the parent container.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>
#include <optional>

namespace brisvel::ui {

// "#rrggbb" or "#rrggbbaa"; nullopt for anything else.
std::optional<QColor> ParseColor(const QString& text);
// "1"/"true" style flags; other values give false.
bool ParseBool(const QString& text);
int ParseInt(const QString& text, int fallback = 0);
// How a disabled control shows text of colour c: at half its opacity.
QColor FadedText(QColor c);
// "a,b" or "a,b,c,d" integer lists; missing entries repeat the last one.
QList<int> ParseIntList(const QString& text);
// "face:Arial,size:11,bold:1,italic:1,adding:24" on top of base. A face that is
// not installed falls back to a CJK-capable face when the text needs one.
QFont ParseFont(const QString& description, const QFont& base);
// A family able to show Chinese text (empty when none is installed).
QString CjkFontFamily();

// One coordinate of a "pos" attribute: from the near edge, from the far edge
// ("-n"), from the centre ("|n") or a percentage ("n%").
struct PosCoord {
  enum Kind { Near, Far, Center, Percent } kind = Near;
  double value = 0;
  int Resolve(int length) const;
};

struct PosSpec {
  int count = 0;  // 0 none, 2 top-left only, 4 full rectangle
  PosCoord c[4];
  static PosSpec Parse(const QString& text);
};

// Size of a child: >= 0 fixed pixels, -1 content size, -2 fill the parent.
struct SizeSpec {
  int width = -1;
  int height = -1;
};

class Element {
 public:
  explicit Element(QWidget* self);
  virtual ~Element() = default;
  Element(const Element&) = delete;
  Element& operator=(const Element&) = delete;

  QWidget* Widget() const { return self_; }
  int Id() const { return id_; }
  void SetId(int id) { id_ = id; }
  QString Name() const { return self_->objectName(); }
  int Data() const { return data_; }
  void SetData(int data) { data_ = data; }

  // Applies one attribute as a layout would. Returns false when the attribute
  // is unknown to this element.
  virtual bool SetAttribute(const QString& name, const QString& value);
  // Called once the layout has created all children of this element.
  virtual void OnChildrenCreated() {}
  // Re-applies texts through the active translation.
  virtual void Retranslate();

  // Window text, given in the source language; shown translated.
  void SetText(const QString& source);
  QString SourceText() const { return text_; }
  QString ShownText() const { return shownText_; }
  void SetTip(const QString& source);
  QString SourceTip() const { return tip_; }

  // Own text colour (invalid = inherited from the parent's palette).
  void SetTextColor(const QColor& c);
  QColor TextColor() const;
  QColor BackgroundColor() const { return bkgnd_; }
  QColor BorderColor() const { return border_; }

  // Placement in the parent.
  const PosSpec& Pos() const { return pos_; }
  const SizeSpec& Size() const { return size_; }
  int Weight() const { return weight_; }
  QMargins LayoutMargin() const { return margin_; }
  Qt::Alignment LayoutGravity() const { return gravity_; }
  QPointF Offset() const { return offset_; }
  bool IsFloating() const { return floating_ || pos_.count > 0; }
  // Size used when the layout asks for the content size.
  virtual QSize ContentSize() const;

  // Translation context of the window this element lives in.
  QString TranslationContext() const;

 protected:
  // Text shown; controls that draw their own text repaint here.
  virtual void ApplyShownText(const QString& shown);
  void RequestParentLayout();

  QWidget* self_;
  int id_ = 0;
  int data_ = 0;
  QString text_, shownText_, tip_;
  QColor textColor_, bkgnd_, border_;
  PosSpec pos_;
  SizeSpec size_;
  int weight_ = 0;
  QMargins margin_;
  Qt::Alignment gravity_;
  QPointF offset_;
  bool floating_ = false;
  Qt::Alignment textAlign_ = Qt::AlignCenter;
  bool multiLine_ = false;
};

Element* AsElement(QWidget* w);
const Element* AsElement(const QWidget* w);
int ElementId(const QWidget* w);

// Searches the descendants of root (depth first) for a control.
QWidget* FindById(QWidget* root, int id);
QWidget* FindByName(QWidget* root, const QString& name);
template <class T>
T* FindCtrl(QWidget* root, int id) { return dynamic_cast<T*>(FindById(root, id)); }
template <class T>
T* FindCtrl(QWidget* root, const QString& name) { return dynamic_cast<T*>(FindByName(root, name)); }

// Draws a text as the standard controls do, in colour c inside r.
void DrawElementText(QPainter& p, const QRect& r, const QString& text, const QColor& c, Qt::Alignment align,
                     bool multiLine);

}  // namespace brisvel::ui
