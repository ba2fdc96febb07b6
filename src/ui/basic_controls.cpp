// The toolkit's standard controls.

#include "ui/basic_controls.h"

#include "ui/translation.h"
#include "ui/ui_event.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>

namespace brisvel::ui {

SkinnedControl::SkinnedControl(QWidget* parent) : QWidget(parent), Element(this) {
  setAttribute(Qt::WA_Hover, true);
  setFocusPolicy(Qt::NoFocus);
}

bool SkinnedControl::SetAttribute(const QString& name, const QString& value) {
  if (name == "skin") {
    SetSkin(SkinRegistry::Instance().Find(value));
  } else if (name == "focusSkin") {
    focusSkin_ = SkinRegistry::Instance().Find(value);
  } else if (name == "iconSkin") {
    iconSkin_ = SkinRegistry::Instance().Find(value);
  } else if (name == "textPadding") {
    const QList<int> v = ParseIntList(value);
    if (v.size() == 4) textPadding_ = QMargins(v[0], v[1], v[2], v[3]);
    else if (v.size() == 1) textPadding_ = QMargins(v[0], v[0], v[0], v[0]);
  } else {
    if (!Element::SetAttribute(name, value)) return false;
    cacheValid_ = false;
    return true;
  }
  cacheValid_ = false;
  update();
  return true;
}

void SkinnedControl::SetSkin(const Skin* skin) {
  skin_ = skin;
  cacheValid_ = false;
  update();
}

QSize SkinnedControl::ContentSize() const {
  if (size_.width >= 0 && size_.height >= 0) return {size_.width, size_.height};
  QSize s;
  if (skin_ && !skin_->NaturalSize().isEmpty()) {
    s = skin_->NaturalSize();
  } else {
    const QFontMetrics fm(font());
    QRect tr;
    if (multiLine_) {
      const int maxW = maximumWidth() < QWIDGETSIZE_MAX ? maximumWidth() - textPadding_.left() - textPadding_.right() : 1000;
      tr = fm.boundingRect(QRect(0, 0, std::max(1, maxW), 10000), Qt::TextWordWrap, shownText_);
    } else {
      tr = QRect(0, 0, fm.horizontalAdvance(shownText_), fm.height());
    }
    s = QSize(tr.width() + textPadding_.left() + textPadding_.right(),
              std::max(tr.height(), fm.height()) + textPadding_.top() + textPadding_.bottom());
    if (iconSkin_) s.rwidth() += iconSkin_->NaturalSize().width() + 6;
  }
  if (size_.width >= 0) s.setWidth(size_.width);
  if (size_.height >= 0) s.setHeight(size_.height);
  return s;
}

SkinState SkinnedControl::CurrentState() const { return StateFor(isEnabled(), hover_, pushed_, IsCheckedState()); }

void SkinnedControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (cachePaint_) {
    const SkinState state = CurrentState();
    const bool focus = hasFocus();
    if (!cacheValid_ || cache_.size() != size() || state != cacheState_ || focus != cacheFocus_) {
      if (cache_.size() != size()) cache_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
      cache_.fill(Qt::transparent);
      QPainter c(&cache_);
      c.setRenderHint(QPainter::Antialiasing, true);
      c.setRenderHint(QPainter::TextAntialiasing, true);
      c.setFont(font());
      PaintControl(c);
      cacheState_ = state;
      cacheFocus_ = focus;
      cacheValid_ = true;
    }
    p.drawImage(0, 0, cache_);
    return;
  }
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  PaintControl(p);
}

void SkinnedControl::changeEvent(QEvent* e) {
  if (e->type() == QEvent::FontChange || e->type() == QEvent::PaletteChange || e->type() == QEvent::EnabledChange)
    cacheValid_ = false;
  QWidget::changeEvent(e);
}

void SkinnedControl::PaintControl(QPainter& p) {
  if (bkgnd_.isValid()) p.fillRect(rect(), bkgnd_);
  if (skin_) skin_->Draw(p, rect(), CurrentState());
  QRect textRect = rect().marginsRemoved(textPadding_);
  if (iconSkin_) {
    const QSize is = iconSkin_->NaturalSize();
    const QRect icon(textRect.left(), textRect.top() + (textRect.height() - is.height()) / 2, is.width(), is.height());
    iconSkin_->Draw(p, icon, CurrentState());
    textRect.setLeft(icon.right() + 7);
  }
  QColor c = TextColor();
  if (!isEnabled()) c.setAlpha(c.alpha() / 2);
  DrawElementText(p, textRect, shownText_, c, iconSkin_ ? (Qt::AlignLeft | Qt::AlignVCenter) : textAlign_, multiLine_);
  if (hasFocus() && focusSkin_) {
    focusSkin_->Draw(p, rect(), CurrentState());
  } else if (hasFocus() && focusPolicy() != Qt::NoFocus) {
    // The toolkit's focus indicator.
    p.setPen(QPen(palette::kAccentLight, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
  }
}

void SkinnedControl::ApplyShownText(const QString& shown) {
  cacheValid_ = false;
  Element::ApplyShownText(shown);
  update();
}

void SkinnedControl::enterEvent(QEnterEvent* e) {
  hover_ = true;
  update();
  QWidget::enterEvent(e);
}

void SkinnedControl::leaveEvent(QEvent* e) {
  hover_ = false;
  update();
  QWidget::leaveEvent(e);
}

void SkinnedControl::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !raisesClick_) {
    QWidget::mousePressEvent(e);
    return;
  }
  pushed_ = true;
  if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
  update();
}

void SkinnedControl::mouseDoubleClickEvent(QMouseEvent* e) {
  // A double click counts as a press.
  mousePressEvent(e);
}

void SkinnedControl::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !raisesClick_) {
    QWidget::mouseReleaseEvent(e);
    return;
  }
  const bool click = pushed_ && rect().contains(e->position().toPoint());
  pushed_ = false;
  update();
  if (click) OnClicked();
}

void SkinnedControl::keyPressEvent(QKeyEvent* e) {
  if (raisesClick_ && (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
    OnClicked();
    return;
  }
  QWidget::keyPressEvent(e);
}

void SkinnedControl::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  update();
}

void SkinnedControl::OnClicked() { RaiseEvent(this, CmdArgs{}); }

TextLabel::TextLabel(QWidget* parent) : SkinnedControl(parent) {
  textAlign_ = Qt::AlignLeft | Qt::AlignVCenter;
  setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

ImageView::ImageView(QWidget* parent) : SkinnedControl(parent) { setAttribute(Qt::WA_TransparentForMouseEvents, true); }

Button::Button(QWidget* parent) : SkinnedControl(parent) {
  raisesClick_ = true;
  skin_ = SkinRegistry::Instance().Find("_button");
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  textPadding_ = QMargins(6, 0, 6, 0);
}

ImageButton::ImageButton(QWidget* parent) : SkinnedControl(parent) {
  raisesClick_ = true;
  setCursor(Qt::PointingHandCursor);
}

Edit::Edit(QWidget* parent) : QLineEdit(parent), Element(this) {
  setFrame(false);
  textAlign_ = Qt::AlignLeft | Qt::AlignVCenter;
  QPalette pal = palette();
  pal.setColor(QPalette::Base, palette::kEditBackground);
  pal.setColor(QPalette::Text, palette::kLightText);
  pal.setColor(QPalette::Highlight, QColor(0x4e, 0x6c, 0x22));
  setPalette(pal);
  setTextMargins(3, 0, 3, 0);
}

bool Edit::SetAttribute(const QString& name, const QString& value) {
  if (name == "wantReturn") {
    wantReturn_ = ParseBool(value);
  } else if (name == "readOnly") {
    setReadOnly(ParseBool(value));
  } else if (name == "password") {
    setEchoMode(ParseBool(value) ? QLineEdit::Password : QLineEdit::Normal);
  } else if (name == "maxBuf" || name == "maxLength") {
    setMaxLength(std::max(1, ParseInt(value)));
  } else if (name == "align") {
    Element::SetAttribute(name, value);
    setAlignment(textAlign_);
  } else {
    return Element::SetAttribute(name, value);
  }
  return true;
}

QSize Edit::ContentSize() const {
  const QSize hint = sizeHint();
  return {size_.width >= 0 ? size_.width : hint.width(), size_.height >= 0 ? size_.height : hint.height()};
}

void Edit::ApplyShownText(const QString& shown) { setText(shown); }

void Edit::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  RaiseEvent(this, KillFocusArgs{});
}

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent), Element(this) {
  QPalette pal = palette();
  pal.setColor(QPalette::Button, palette::kListBackground);
  pal.setColor(QPalette::Base, palette::kListBackground);
  pal.setColor(QPalette::Window, palette::kListBackground);
  pal.setColor(QPalette::ButtonText, palette::kLightText);
  pal.setColor(QPalette::Text, palette::kLightText);
  pal.setColor(QPalette::Highlight, QColor(0x4e, 0x6c, 0x22));
  setPalette(pal);
  setFocusPolicy(Qt::StrongFocus);
  // Only the user's choices are reported: Qt reports those as "activated",
  // also when the same item is chosen again, which is no change.
  connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) {
    if (index == userStart_) return;
    userStart_ = index;
    RaiseEvent(this, SelChangedArgs{index});
  });
}

void ComboBox::showPopup() {
  userStart_ = currentIndex();
  QComboBox::showPopup();
}

void ComboBox::keyPressEvent(QKeyEvent* e) {
  userStart_ = currentIndex();
  QComboBox::keyPressEvent(e);
}

void ComboBox::wheelEvent(QWheelEvent* e) {
  userStart_ = currentIndex();
  QComboBox::wheelEvent(e);
}

bool ComboBox::SetAttribute(const QString& name, const QString& value) {
  if (name == "curSel") {
    setCurrentIndex(ParseInt(value, -1));
  } else if (name == "dropDown" || name == "dropHeight") {
    // always a drop-down list
  } else if (name == "colorBkgnd") {
    Element::SetAttribute(name, value);
    if (auto c = ParseColor(value)) {
      QPalette pal = palette();
      pal.setColor(QPalette::Window, *c);
      setPalette(pal);
    }
  } else {
    return Element::SetAttribute(name, value);
  }
  return true;
}

QSize ComboBox::ContentSize() const {
  const QSize hint = sizeHint();
  return {size_.width >= 0 ? size_.width : hint.width(), size_.height >= 0 ? size_.height : hint.height()};
}

void ComboBox::AddItem(const QString& sourceText, int data) {
  sources_.push_back(sourceText);
  const bool first = count() == 0;
  addItem(Tr(sourceText, TranslationContext()), data);
  if (first) setCurrentIndex(-1);
}

void ComboBox::ClearItems() {
  sources_.clear();
  clear();
}

int ComboBox::ItemData(int index) const { return itemData(index).toInt(); }

void ComboBox::Retranslate() {
  for (int i = 0; i < sources_.size() && i < count(); ++i) setItemText(i, Tr(sources_[i], TranslationContext()));
  Element::Retranslate();
}

TabControl::TabControl(QWidget* parent) : QTabWidget(parent), Element(this) {
  tabBar()->setDrawBase(false);
  // A page chosen on the tab bar or with the keys is reported; one set by code is not.
  // The bar reports the click before it changes the page, and only a click on
  // another enabled tab changes it.
  connect(tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
    clicked_ = index != currentIndex() && isTabEnabled(index) ? index : -1;
  });
  connect(this, &QTabWidget::currentChanged, this, [this](int index) {
    const bool byUser = userKeys_ || (clicked_ >= 0 && index == clicked_);
    clicked_ = -1;
    if (byUser) RaiseEvent(this, SelChangedArgs{index});
  });
}

void TabControl::keyPressEvent(QKeyEvent* e) {
  userKeys_ = true;
  QTabWidget::keyPressEvent(e);
  userKeys_ = false;
}

bool TabControl::SetAttribute(const QString& name, const QString& value) {
  if (name == "curSel") {
    setCurrentIndex(ParseInt(value));
    return true;
  }
  return Element::SetAttribute(name, value);
}

void TabControl::AddPage(Panel* page, const QString& sourceTitle) {
  titles_.push_back(sourceTitle);
  addTab(page, Tr(sourceTitle, TranslationContext()));
}

void TabControl::Retranslate() {
  for (int i = 0; i < titles_.size() && i < count(); ++i) setTabText(i, Tr(titles_[i], TranslationContext()));
}

GifPlayer::GifPlayer(QWidget* parent) : SkinnedControl(parent) {
  timer_.setInterval(80);
  connect(&timer_, &QTimer::timeout, this, [this] {
    frame_ = (frame_ + 1) % 12;
    update();
  });
}

void GifPlayer::showEvent(QShowEvent* e) {
  timer_.start();
  SkinnedControl::showEvent(e);
}

void GifPlayer::hideEvent(QHideEvent* e) {
  timer_.stop();
  SkinnedControl::hideEvent(e);
}

void GifPlayer::PaintControl(QPainter& p) {
  if (skin_) {
    SkinnedControl::PaintControl(p);
    return;
  }
  // Twelve spokes fading behind the leading one.
  const QPointF c = QRectF(rect()).center();
  const double R = std::min(width(), height()) / 2.0 - 2;
  for (int i = 0; i < 12; ++i) {
    const int age = (frame_ - i + 12) % 12;
    QColor col = palette::kAccentLight;
    col.setAlpha(255 - age * 18);
    p.setPen(QPen(col, std::max(2.0, R / 6), Qt::SolidLine, Qt::RoundCap));
    const double a = i * M_PI / 6;
    p.drawLine(c + QPointF(R * 0.5 * std::cos(a), R * 0.5 * std::sin(a)), c + QPointF(R * std::cos(a), R * std::sin(a)));
  }
}

}  // namespace brisvel::ui
