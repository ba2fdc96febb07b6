// The toolkit's standard controls.

#include "ui/basic_controls.h"

#include "ui/translation.h"
#include "ui/ui_event.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTabBar>
#include <algorithm>

namespace brisvel::ui {

namespace {
// Half the width of the drop-down arrow's glyph, with a pixel to spare.
constexpr int kComboGlyphHalfWidth = 5;
}  // namespace

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
  if (!isEnabled()) c = FadedText(c);
  const QString text = elide_ && !multiLine_ ? QFontMetrics(p.font()).elidedText(shownText_, Qt::ElideRight, textRect.width())
                                             : shownText_;
  DrawElementText(p, textRect, text, c, iconSkin_ ? (Qt::AlignLeft | Qt::AlignVCenter) : textAlign_, multiLine_);
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
  pal.setColor(QPalette::Disabled, QPalette::Text, FadedText(palette::kLightText));
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

void Edit::resizeEvent(QResizeEvent* e) {
  QLineEdit::resizeEvent(e);
  // The equaliser's narrow fields need every pixel for "-12.35".
  const int margin = width() < 40 ? 0 : 3;
  setTextMargins(margin, 0, margin, 0);
}

bool Edit::TakeUserChange() {
  const bool changed = isModified();
  setModified(false);
  return changed;
}

void Edit::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  // Leaving a field whose text the user did not change is not an edit.
  if (TakeUserChange()) RaiseEvent(this, KillFocusArgs{});
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
  // The open list is as wide as its longest item, at least as wide as the box.
  if (QAbstractItemView* list = view()) {
    const int frame = 2 * list->frameWidth() + 8;
    list->setMinimumWidth(std::max(width(), list->sizeHintForColumn(0) + frame));
  }
  QComboBox::showPopup();
}

void ComboBox::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionComboBox opt;
  initStyleOption(&opt);
  // The style draws the label a pixel inside its text field on either side.
  QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this).adjusted(1, 0, -1, 0);
  const QString text = opt.currentText;
  const int needed = opt.fontMetrics.horizontalAdvance(text);
  if (needed <= field.width() || text.isEmpty() || !opt.currentIcon.isNull()) {
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    p.drawControl(QStyle::CE_ComboBoxLabel, opt);
    return;
  }
  opt.currentText.clear();
  p.drawComplexControl(QStyle::CC_ComboBox, opt);
  p.drawControl(QStyle::CE_ComboBoxLabel, opt);
  // The arrow's glyph sits in the middle of the arrow button.
  const QRect arrow = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, this);
  const int glyphLeft = arrow.center().x() - kComboGlyphHalfWidth;
  field.setRight(std::max(field.right(), std::min(field.left() + needed, glyphLeft - 2)));
  const QString shown = opt.fontMetrics.elidedText(text, Qt::ElideRight, field.width());
  style()->drawItemText(&p, field, Qt::AlignLeft | Qt::AlignVCenter, opt.palette, isEnabled(), shown,
                        QPalette::ButtonText);
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

// ---- range ----

bool RangeValue::SetRangeAttribute(const QString& name, const QString& value) {
  if (name == "min") min_ = ParseInt(value);
  else if (name == "max") max_ = ParseInt(value);
  else if (name == "value") value_ = ParseInt(value);
  else return false;
  if (max_ < min_) max_ = min_;
  value_ = Clamp(value_);
  return true;
}

// ---- level bar ----

SkProgress::SkProgress(QWidget* parent) : QWidget(parent), Element(this) {
  bkSkin_ = SkinRegistry::Instance().Find("_progress_bg");
  posSkin_ = SkinRegistry::Instance().Find("_progress_pos");
}

bool SkProgress::SetAttribute(const QString& name, const QString& value) {
  if (SetRangeAttribute(name, value)) {
  } else if (name == "vertical") {
    vertical_ = ParseBool(value);
  } else if (name == "showPercent") {
    showPercent_ = ParseInt(value) != 0;
  } else if (name == "bkgndSkin" || name == "skin") {
    bkSkin_ = SkinRegistry::Instance().Find(value);
  } else if (name == "posSkin") {
    posSkin_ = SkinRegistry::Instance().Find(value);
  } else {
    return Element::SetAttribute(name, value);
  }
  update();
  return true;
}

QSize SkProgress::ContentSize() const {
  QSize s = vertical_ ? QSize(12, 100) : QSize(100, 12);
  if (size_.width >= 0) s.setWidth(size_.width);
  if (size_.height >= 0) s.setHeight(size_.height);
  return s;
}

void SkProgress::SetValue(int v) {
  value_ = Clamp(v);
  update();
}

QRect SkProgress::PositionRect() const {
  if (value_ <= min_ || max_ <= min_) return {};
  const int64_t part = static_cast<int64_t>(value_) - min_;
  const int64_t span = static_cast<int64_t>(max_) - min_;
  if (vertical_) {
    const int top = height() - static_cast<int>(part * height() / span);
    return QRect(0, top, width(), height() - top);
  }
  return QRect(0, 0, static_cast<int>(part * width() / span), height());
}

void SkProgress::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  if (bkSkin_) bkSkin_->Draw(p, rect(), SkinState::Normal);
  const QRect pos = PositionRect();
  if (!pos.isEmpty() && posSkin_) posSkin_->Draw(p, pos, SkinState::Normal);
  if (showPercent_ && max_ > min_) {
    const int pct = static_cast<int>((static_cast<int64_t>(value_) - min_) * 100 / (static_cast<int64_t>(max_) - min_));
    DrawElementText(p, rect(), QString("%1%").arg(pct), QColor(0xf0, 0xf4, 0xf6), Qt::AlignCenter, false);
  }
}

// ---- check and radio buttons ----

SkCheckButton::SkCheckButton(QWidget* parent) : SkinnedControl(parent) {
  raisesClick_ = true;
  setFocusPolicy(Qt::TabFocus);
  setCursor(Qt::PointingHandCursor);
}

bool SkCheckButton::SetAttribute(const QString& name, const QString& value) {
  if (name == "autoCheck") autoCheck_ = ParseInt(value) != 0;
  else if (name == "checked" || name == "check") SetChecked(ParseBool(value));
  else if (name == "multitip") multiTip_ = value != "0";
  else if (name == "multitext") multiText_ = value != "0";
  else if (name == "multicolor") multiColor_ = value != "0";
  else if (name == "tip1") tip1_ = value;
  else if (name == "tip2") tip2_ = value;
  else if (name == "text1") text1_ = value;
  else if (name == "text2") text2_ = value;
  else if (name == "colortext1") color1_ = ParseColor(value).value_or(QColor());
  else if (name == "colortext2") color2_ = ParseColor(value).value_or(QColor());
  else return SkinnedControl::SetAttribute(name, value);
  if (name != "autoCheck" && name != "checked" && name != "check") ApplyStateOptions();
  return true;
}

void SkCheckButton::ApplyStateOptions() {
  if (multiTip_) SetTip(checked_ ? tip2_ : tip1_);
  if (multiText_) SetText(checked_ ? text2_ : text1_);
  if (multiColor_) {
    const QColor c = checked_ ? color2_ : color1_;
    if (c.isValid()) SetTextColor(c);
  }
}

void SkCheckButton::Retranslate() { SkinnedControl::Retranslate(); }

bool SkCheckButton::ApplyChecked(bool on) {
  if (on == checked_) return false;
  checked_ = on;
  ApplyStateOptions();
  update();
  return true;
}

void SkCheckButton::SetChecked(bool on) { ApplyChecked(on); }

void SkCheckButton::CheckByUser(bool on) {
  if (ApplyChecked(on)) RaiseEvent(this, StateChangedArgs{on});
}

void SkCheckButton::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && pushed_ && rect().contains(e->position().toPoint()) && autoCheck_)
    CheckByUser(!checked_);
  SkinnedControl::mouseReleaseEvent(e);
}

void SkCheckButton::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space) {
    if (autoCheck_) CheckByUser(!checked_);
    OnClicked();
    return;
  }
  SkinnedControl::keyPressEvent(e);
}

SkRadioButton::SkRadioButton(QWidget* parent) : SkCheckButton(parent) {}

std::vector<SkRadioButton*> SkRadioButton::Group() const {
  std::vector<SkRadioButton*> group;
  if (QWidget* parent = parentWidget()) {
    for (QObject* o : parent->children())
      if (auto* r = dynamic_cast<SkRadioButton*>(o); r && r != this) group.push_back(r);
  }
  return group;
}

void SkRadioButton::CheckInGroup() {
  for (SkRadioButton* r : Group()) r->SetChecked(false);
  SetChecked(true);
}

void SkRadioButton::CheckInGroupByUser() {
  // The user's choice clears the others of the group, and each change is reported.
  for (SkRadioButton* r : Group()) r->CheckByUser(false);
  CheckByUser(true);
}

void SkRadioButton::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && pushed_ && rect().contains(e->position().toPoint()) && autoCheck_ && !checked_)
    CheckInGroupByUser();
  SkinnedControl::mouseReleaseEvent(e);
}

void SkRadioButton::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space) {
    if (autoCheck_ && !checked_) CheckInGroupByUser();
    OnClicked();
    return;
  }
  SkinnedControl::keyPressEvent(e);
}

void SkRadioButton::focusInEvent(QFocusEvent* e) {
  SkinnedControl::focusInEvent(e);
  // Focus comes from the user (a click or the Tab key); code that wants a
  // radio button checked calls SetChecked or CheckInGroup.
  if (autoCheck_ && !checked_) CheckInGroupByUser();
  update();
}

}  // namespace brisvel::ui
