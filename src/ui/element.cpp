// Attribute parsing shared by all layout elements, and the element base.

#include "ui/element.h"

#include "ui/panel.h"
#include "ui/translation.h"

#include <QFontDatabase>
#include <QPainter>
#include <QRegularExpression>
#include <cmath>

namespace brisvel::ui {

std::optional<QColor> ParseColor(const QString& text) {
  const QString t = text.trimmed();
  if (!t.startsWith('#') || (t.size() != 7 && t.size() != 9)) return std::nullopt;
  bool ok = false;
  const uint v = t.mid(1).toUInt(&ok, 16);
  if (!ok) return std::nullopt;
  if (t.size() == 7) return QColor((v >> 16) & 0xff, (v >> 8) & 0xff, v & 0xff);
  return QColor((v >> 24) & 0xff, (v >> 16) & 0xff, (v >> 8) & 0xff, v & 0xff);
}

QColor FadedText(QColor c) {
  c.setAlpha(c.alpha() / 2);
  return c;
}

bool ParseBool(const QString& text) {
  const QString t = text.trimmed().toLower();
  return t == "1" || t == "true" || t == "yes";
}

int ParseInt(const QString& text, int fallback) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  if (ok) return v;
  const double d = text.trimmed().toDouble(&ok);
  return ok ? static_cast<int>(d) : fallback;
}

QList<int> ParseIntList(const QString& text) {
  QList<int> out;
  for (const QString& part : text.split(',', Qt::SkipEmptyParts)) out.push_back(ParseInt(part));
  return out;
}

QString CjkFontFamily() {
  static const QString family = [] {
    const QStringList all = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const QString& f : all)
      if (f.contains("Sans CJK SC") && !f.contains("Mono")) return f;
    for (const QString& f : all)
      if (f.contains("CJK SC")) return f;
    return all.isEmpty() ? QString() : all.first();
  }();
  return family;
}

static bool NeedsCjk(const QString& s) {
  for (QChar c : s)
    if (c.unicode() >= 0x2e80) return true;
  return false;
}

QFont ParseFont(const QString& description, const QFont& base) {
  QFont f = base;
  int adding = 0;
  for (const QString& item : description.split(',', Qt::SkipEmptyParts)) {
    const int colon = item.indexOf(':');
    if (colon < 0) continue;
    const QString key = item.left(colon).trimmed().toLower();
    const QString val = item.mid(colon + 1).trimmed();
    if (key == "face") {
      QStringList families{val};
      if (!QFontDatabase::hasFamily(val)) {
        const QString cjk = CjkFontFamily();
        if (NeedsCjk(val) && !cjk.isEmpty()) families = {cjk};
        else if (!cjk.isEmpty()) families.push_back(cjk);
      }
      f.setFamilies(families);
    } else if (key == "size") {
      f.setPixelSize(std::max(1, ParseInt(val, 12)));
    } else if (key == "bold") {
      f.setBold(ParseBool(val));
    } else if (key == "italic") {
      f.setItalic(ParseBool(val));
    } else if (key == "underline") {
      f.setUnderline(ParseBool(val));
    } else if (key == "adding") {
      adding = ParseInt(val);
    }
  }
  if (adding != 0) {
    const int px = f.pixelSize() > 0 ? f.pixelSize() : static_cast<int>(f.pointSizeF() * 96 / 72);
    f.setPixelSize(std::max(1, px + adding));
  }
  return f;
}

int PosCoord::Resolve(int length) const {
  switch (kind) {
    case Near: return static_cast<int>(value);
    case Far: return length - static_cast<int>(value);
    case Center: return length / 2 + static_cast<int>(value);
    case Percent: return static_cast<int>(std::trunc(length * value / 100.0));
  }
  return 0;
}

PosSpec PosSpec::Parse(const QString& text) {
  PosSpec parsed;
  const QStringList parts = text.split(',', Qt::SkipEmptyParts);
  if (parts.size() != 2 && parts.size() != 4) return parsed;
  for (int i = 0; i < parts.size(); ++i) {
    QString t = parts[i].trimmed();
    PosCoord c;
    if (t.startsWith('-')) {
      c.kind = PosCoord::Far;
      t = t.mid(1);
    } else if (t.startsWith('|')) {
      c.kind = PosCoord::Center;
      t = t.mid(1);
    } else if (t.endsWith('%')) {
      c.kind = PosCoord::Percent;
      t.chop(1);
    }
    c.value = t.toDouble();
    parsed.c[i] = c;
  }
  parsed.count = static_cast<int>(parts.size());
  return parsed;
}

Element::Element(QWidget* self) : self_(self) {}

static int SizeValue(const QString& v) {
  const QString t = v.trimmed().toLower();
  if (t == "full" || t == "-2" || t == "match_parent") return -2;
  if (t == "wrap" || t == "-1" || t == "wrap_content" || t.isEmpty()) return -1;
  return std::max(0, ParseInt(t));
}

static Qt::Alignment ParseAlign(const QString& value, Qt::Alignment current) {
  Qt::Alignment a = current;
  for (const QString& part : value.split('|', Qt::SkipEmptyParts)) {
    const QString t = part.trimmed().toLower();
    if (t == "left") a = (a & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
    else if (t == "right") a = (a & ~Qt::AlignHorizontal_Mask) | Qt::AlignRight;
    else if (t == "center") a = (a & ~Qt::AlignHorizontal_Mask) | Qt::AlignHCenter;
    else if (t == "top") a = (a & ~Qt::AlignVertical_Mask) | Qt::AlignTop;
    else if (t == "bottom") a = (a & ~Qt::AlignVertical_Mask) | Qt::AlignBottom;
    else if (t == "middle" || t == "vcenter") a = (a & ~Qt::AlignVertical_Mask) | Qt::AlignVCenter;
  }
  return a;
}

bool Element::SetAttribute(const QString& name, const QString& value) {
  if (name == "name") {
    self_->setObjectName(value);
  } else if (name == "id") {
    id_ = ParseInt(value);
  } else if (name == "data") {
    data_ = ParseInt(value);
  } else if (name == "text") {
    SetText(value);
  } else if (name == "tip") {
    SetTip(value);
  } else if (name == "show" || name == "visible") {
    self_->setVisible(ParseBool(value));
  } else if (name == "enable") {
    self_->setEnabled(ParseBool(value));
  } else if (name == "colorText") {
    if (auto c = ParseColor(value)) SetTextColor(*c);
  } else if (name == "colorBkgnd") {
    if (auto c = ParseColor(value)) {
      bkgnd_ = *c;
      QPalette pal = self_->palette();
      pal.setColor(QPalette::Base, *c);
      pal.setColor(QPalette::Button, *c);
      self_->setPalette(pal);
      self_->update();
    }
  } else if (name == "colorBorder") {
    if (auto c = ParseColor(value)) border_ = *c;
    self_->update();
  } else if (name == "font") {
    self_->setFont(ParseFont(value, self_->font()));
  } else if (name == "pos") {
    pos_ = PosSpec::Parse(value);
    RequestParentLayout();
  } else if (name == "size") {
    const QStringList p = value.split(',');
    if (p.size() == 2) {
      size_.width = SizeValue(p[0]);
      size_.height = SizeValue(p[1]);
    }
    RequestParentLayout();
  } else if (name == "width") {
    size_.width = SizeValue(value);
  } else if (name == "height") {
    size_.height = SizeValue(value);
  } else if (name == "weight") {
    weight_ = std::max(0, ParseInt(value));
  } else if (name == "margin" || name == "extend") {
    const QList<int> v = ParseIntList(value);
    if (v.size() == 1) margin_ = QMargins(v[0], v[0], v[0], v[0]);
    else if (v.size() == 2) margin_ = QMargins(v[0], v[1], v[0], v[1]);
    else if (v.size() == 4) margin_ = QMargins(v[0], v[1], v[2], v[3]);
  } else if (name == "layout_gravity") {
    gravity_ = ParseAlign(value, {});
  } else if (name == "offset") {
    const QStringList p = value.split(',');
    if (p.size() == 2) offset_ = QPointF(p[0].toDouble(), p[1].toDouble());
  } else if (name == "float") {
    floating_ = ParseBool(value);
  } else if (name == "align") {
    textAlign_ = ParseAlign(value, textAlign_);
    self_->update();
  } else if (name == "valign") {
    textAlign_ = ParseAlign(value, textAlign_);
  } else if (name == "multiLines") {
    multiLine_ = ParseBool(value);
  } else if (name == "maxWidth") {
    self_->setMaximumWidth(std::max(1, ParseInt(value)));
  } else if (name == "focusable") {
    self_->setFocusPolicy(ParseBool(value) ? Qt::StrongFocus : Qt::NoFocus);
  } else if (name == "class" || name == "trCtx") {
    // handled by the loader / host window
  } else {
    return false;
  }
  return true;
}

void Element::SetText(const QString& source) {
  text_ = source;
  shownText_ = Tr(source, TranslationContext());
  ApplyShownText(shownText_);
}

void Element::SetTip(const QString& source) {
  tip_ = source;
  self_->setToolTip(Tr(source, TranslationContext()));
}

void Element::Retranslate() {
  if (!text_.isEmpty()) {
    shownText_ = Tr(text_, TranslationContext());
    ApplyShownText(shownText_);
  }
  if (!tip_.isEmpty()) self_->setToolTip(Tr(tip_, TranslationContext()));
}

void Element::ApplyShownText(const QString&) {
  self_->update();
  if (size_.width == -1 || size_.height == -1) RequestParentLayout();
}

void Element::SetTextColor(const QColor& c) {
  textColor_ = c;
  QPalette pal = self_->palette();
  pal.setColor(QPalette::WindowText, c);
  pal.setColor(QPalette::Text, c);
  pal.setColor(QPalette::Disabled, QPalette::Text, FadedText(c));
  pal.setColor(QPalette::ButtonText, c);
  self_->setPalette(pal);
  self_->update();
}

QColor Element::TextColor() const {
  return textColor_.isValid() ? textColor_ : self_->palette().color(QPalette::WindowText);
}

QSize Element::ContentSize() const {
  const QSize hint = self_->sizeHint();
  return {size_.width >= 0 ? size_.width : hint.width(), size_.height >= 0 ? size_.height : hint.height()};
}

QString Element::TranslationContext() const {
  const QWidget* w = self_->window();
  return w ? w->property("brisvel_trctx").toString() : QString();
}

void Element::RequestParentLayout() {
  if (auto* panel = dynamic_cast<Panel*>(self_->parentWidget())) panel->Relayout();
}

Element* AsElement(QWidget* w) { return dynamic_cast<Element*>(w); }
const Element* AsElement(const QWidget* w) { return dynamic_cast<const Element*>(w); }
int ElementId(const QWidget* w) {
  const Element* e = AsElement(w);
  return e ? e->Id() : 0;
}

template <class Pred>
static QWidget* FindDepthFirst(QWidget* root, Pred pred) {
  if (!root) return nullptr;
  for (QObject* o : root->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->isWindow()) continue;
    if (pred(w)) return w;
    if (QWidget* found = FindDepthFirst(w, pred)) return found;
  }
  return nullptr;
}

QWidget* FindById(QWidget* root, int id) {
  return FindDepthFirst(root, [id](QWidget* w) { return ElementId(w) == id && AsElement(w) != nullptr; });
}

QWidget* FindByName(QWidget* root, const QString& name) {
  if (name.isEmpty()) return nullptr;
  return FindDepthFirst(root, [&name](QWidget* w) { return AsElement(w) != nullptr && w->objectName() == name; });
}

void DrawElementText(QPainter& p, const QRect& r, const QString& text, const QColor& c, Qt::Alignment align,
                     bool multiLine) {
  if (text.isEmpty()) return;
  p.setPen(c);
  // "&&" shows as one ampersand, as in the layouts' texts.
  p.drawText(r, static_cast<int>(align) | Qt::TextHideMnemonic | (multiLine ? Qt::TextWordWrap : Qt::TextSingleLine),
             text);
}

}  // namespace brisvel::ui
