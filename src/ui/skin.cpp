// The built-in skins: every image of the console drawn with QPainter in a dark
// console look, plus image skins for the logo and watermark, which files
// beside the executable may replace.

#include "ui/skin.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

#include "settings/file_safety.h"

namespace brisvel::ui {

SkinState StateFor(bool enabled, bool hover, bool pushed, bool checked) {
  SkinState s = !enabled ? SkinState::Disabled : pushed ? SkinState::Pushed : hover ? SkinState::Hover : SkinState::Normal;
  if (checked) s = static_cast<SkinState>(static_cast<int>(s) + 4);
  return s;
}

bool IsChecked(SkinState s) { return static_cast<int>(s) >= 4; }

static SkinState Base(SkinState s) { return static_cast<SkinState>(static_cast<int>(s) % 4); }

void PaintedSkin::Draw(QPainter& p, const QRect& r, SkinState state) const {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  painter_(p, QRectF(r), state);
  p.restore();
}

void ImageSkin::Draw(QPainter& p, const QRect& r, SkinState) const {
  p.save();
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  p.drawImage(r, image_);
  p.restore();
}

namespace {

using palette::kAccent;

QColor Lift(const QColor& c, int amount) {
  return QColor(std::clamp(c.red() + amount, 0, 255), std::clamp(c.green() + amount, 0, 255),
                std::clamp(c.blue() + amount, 0, 255), c.alpha());
}

// The face of a raised control in a state.
void FillFace(QPainter& p, const QRectF& r, double radius, SkinState s, const QColor& base, const QColor& checkedColor) {
  const bool checked = IsChecked(s);
  QColor c = checked ? checkedColor : base;
  switch (Base(s)) {
    case SkinState::Hover: c = Lift(c, 18); break;
    case SkinState::Pushed: c = Lift(c, -14); break;
    case SkinState::Disabled: c = QColor(0x3a, 0x40, 0x48); break;
    default: break;
  }
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, Lift(c, 16));
  g.setColorAt(1, Lift(c, -10));
  p.setPen(QPen(Lift(c, checked ? 40 : 28), 1));
  p.setBrush(g);
  p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

std::shared_ptr<Skin> Painted(QSize natural, PaintedSkin::Painter f) {
  return std::make_shared<PaintedSkin>(natural, std::move(f));
}

const QColor kFace(0x33, 0x44, 0x57);
const QColor kGreen(0x5f, 0x8c, 0x2a);
const QColor kRed(0xa8, 0x32, 0x32);
const QColor kAmber(0xc0, 0x80, 0x20);
// Shades more than one skin shares.
const QColor kDeepGreen(0x4e, 0x6c, 0x22);   // checked faces, the dark end of a fader's fill
const QColor kGlyph(0xb8, 0xc8, 0xd4);       // icons on an unchecked button
const QColor kMutedGlyph(0xff, 0xe0, 0xe0);  // the speaker icon of a muted channel
const QColor kKnobRim(0x44, 0x48, 0x4e);     // knob rims and the grey button face
const QColor kRoundFace(0x40, 0x44, 0x4a);   // round buttons
const QColor kShadowBlue(0x1a, 0x24, 0x30);  // pushed menu bar, the dark end of the caption
const QColor kWell(0x12, 0x1a, 0x22);        // sunken areas: progress track, unchecked bypass

void SpeakerIcon(QPainter& p, const QRectF& r, const QColor& c, bool muted) {
  const double s = std::min(r.width(), r.height()) * 0.55;
  const QPointF o(r.center().x() - s * 0.55, r.center().y() - s / 2);
  QPainterPath path;
  path.moveTo(o + QPointF(0, s * 0.32));
  path.lineTo(o + QPointF(s * 0.28, s * 0.32));
  path.lineTo(o + QPointF(s * 0.6, 0));
  path.lineTo(o + QPointF(s * 0.6, s));
  path.lineTo(o + QPointF(s * 0.28, s * 0.68));
  path.lineTo(o + QPointF(0, s * 0.68));
  path.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPath(path);
  p.setPen(QPen(c, std::max(1.2, s * 0.1), Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  if (muted) {
    const QPointF x0 = o + QPointF(s * 0.78, s * 0.3);
    p.drawLine(x0, x0 + QPointF(s * 0.4, s * 0.4));
    p.drawLine(x0 + QPointF(0, s * 0.4), x0 + QPointF(s * 0.4, 0));
  } else {
    p.drawArc(QRectF(o + QPointF(s * 0.45, s * 0.2), QSizeF(s * 0.5, s * 0.6)), -50 * 16, 100 * 16);
    p.drawArc(QRectF(o + QPointF(s * 0.45, s * 0.0), QSizeF(s * 0.8, s * 1.0)), -50 * 16, 100 * 16);
  }
}

QImage MakeLogo() {
  QImage img(500, 64, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  // A stylised wave mark, then the word mark.
  QPainterPath wave;
  wave.moveTo(8, 32);
  for (int x = 8; x <= 60; ++x) wave.lineTo(x, 32 - 18 * std::sin((x - 8) / 52.0 * 2 * M_PI) * std::exp(-(x - 8) / 60.0));
  p.setPen(QPen(palette::kAccentLight, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(wave);
  p.setPen(QPen(QColor(0xc0, 0x27, 0xc0), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8, 52), QPointF(60, 52));
  QFont f;
  f.setFamilies({"DejaVu Sans", "Liberation Sans"});
  f.setPixelSize(40);
  f.setBold(true);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 6);
  p.setFont(f);
  QLinearGradient g(0, 10, 0, 54);
  g.setColorAt(0, QColor(0xe8, 0xee, 0xf2));
  g.setColorAt(1, QColor(0x9c, 0xb4, 0xc4));
  p.setPen(QPen(QBrush(g), 1));
  p.drawText(QRectF(76, 0, 300, 64), Qt::AlignVCenter | Qt::AlignLeft, "BRISVEL");
  f.setPixelSize(18);
  f.setBold(false);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 3);
  p.setFont(f);
  p.setPen(palette::kAccentLight);
  p.drawText(QRectF(330, 0, 170, 64), Qt::AlignVCenter | Qt::AlignLeft, "DSP");
  return img;
}

QImage MakeWatermark() {
  QImage img(600, 120, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QFont f;
  f.setFamilies({"DejaVu Sans", "Liberation Sans"});
  f.setPixelSize(64);
  f.setBold(true);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 14);
  p.setFont(f);
  p.setPen(QColor(255, 255, 255, 16));
  p.drawText(img.rect(), Qt::AlignCenter, "BRISVEL");
  return img;
}

QImage MakeCar() {
  QImage img(220, 448, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  // wheels
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x11, 0x14, 0x18));
  for (double y : {72.0, 330.0}) {
    p.drawRoundedRect(QRectF(4, y, 22, 54), 6, 6);
    p.drawRoundedRect(QRectF(194, y, 22, 54), 6, 6);
  }
  // body
  QLinearGradient body(0, 0, 220, 0);
  body.setColorAt(0, QColor(0x3a, 0x4c, 0x60));
  body.setColorAt(0.5, QColor(0x5a, 0x70, 0x88));
  body.setColorAt(1, QColor(0x3a, 0x4c, 0x60));
  p.setBrush(body);
  p.setPen(QPen(QColor(0x8a, 0xa4, 0xb8), 2));
  QPainterPath shell;
  shell.addRoundedRect(QRectF(16, 8, 188, 432), 60, 48);
  p.drawPath(shell);
  // windscreen and rear window
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x16, 0x22, 0x30, 230));
  QPainterPath front;
  front.moveTo(40, 120);
  front.quadTo(110, 86, 180, 120);
  front.lineTo(168, 168);
  front.quadTo(110, 152, 52, 168);
  front.closeSubpath();
  p.drawPath(front);
  QPainterPath rear;
  rear.moveTo(50, 352);
  rear.quadTo(110, 366, 170, 352);
  rear.lineTo(178, 392);
  rear.quadTo(110, 410, 42, 392);
  rear.closeSubpath();
  p.drawPath(rear);
  // roof and side windows
  p.setBrush(QColor(0x4c, 0x62, 0x78));
  p.drawRoundedRect(QRectF(54, 176, 112, 168), 14, 14);
  p.setBrush(QColor(0x16, 0x22, 0x30, 200));
  p.drawRoundedRect(QRectF(34, 180, 14, 150), 5, 5);
  p.drawRoundedRect(QRectF(172, 180, 14, 150), 5, 5);
  // head lights
  p.setBrush(QColor(0xe8, 0xf0, 0xc0, 200));
  p.drawEllipse(QRectF(34, 18, 30, 12));
  p.drawEllipse(QRectF(156, 18, 30, 12));
  p.setBrush(QColor(0xd0, 0x30, 0x30, 200));
  p.drawRoundedRect(QRectF(32, 424, 34, 8), 3, 3);
  p.drawRoundedRect(QRectF(154, 424, 34, 8), 3, 3);
  return img;
}

}  // namespace

SkinRegistry& SkinRegistry::Instance() {
  static SkinRegistry registry;
  return registry;
}

const Skin* SkinRegistry::Find(const QString& name) const {
  auto it = skins_.find(name);
  return it == skins_.end() ? nullptr : it->second.get();
}

void SkinRegistry::Register(const QString& name, std::shared_ptr<Skin> skin) { skins_[name] = std::move(skin); }

QStringList SkinRegistry::Names() const {
  QStringList out;
  for (const auto& [name, skin] : skins_) out.push_back(name);
  return out;
}

bool SkinRegistry::ReplaceFromFile(const QString& name, const QString& path) {
  // Only a regular file of bounded size is read: a link to a device or a
  // FIFO beside the program neither aborts nor blocks the start.
  constexpr size_t kMaxImageFileBytes = 32u << 20;
  const settings::FileContent file =
      settings::ReadRegularFile(QFile::encodeName(path).toStdString(), kMaxImageFileBytes);
  if (file.status != settings::ReadStatus::kOk) {
    if (file.status != settings::ReadStatus::kMissing) qWarning("skin: %s", file.error.c_str());
    return false;
  }
  QByteArray bytes(file.data.data(), static_cast<qsizetype>(file.data.size()));
  QBuffer buffer(&bytes);
  QImageReader reader(&buffer);
  QImage image = reader.read();
  if (image.isNull()) return false;
  Register(name, std::make_shared<ImageSkin>(image.convertToFormat(QImage::Format_ARGB32_Premultiplied)));
  return true;
}

void LoadReplacementImages(const QString& folder) {
  SkinRegistry& r = SkinRegistry::Instance();
  r.ReplaceFromFile("skin_logo_png", folder + "/skin/logo.png");
  r.ReplaceFromFile("skin_watermark_png", folder + "/skin/watermark.png");
}

namespace {
// Standard controls.
void PaintButton(QPainter& p, const QRectF& r, SkinState s) {
  FillFace(p, r, 4, s, kFace, kGreen); 
}

// The connection indicator: a dark face whose outline lights when connected.
void PaintBtn3Bg(QPainter& p, const QRectF& r, SkinState s) {
  FillFace(p, r, 4, static_cast<SkinState>(static_cast<int>(Base(s))), QColor(0x2a, 0x36, 0x44), kGreen);
  if (IsChecked(s)) {
    p.setPen(QPen(QColor(0x3c, 0xb0, 0x3c), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 4, 4);
  }

}

void PaintBtnMenuBar(QPainter& p, const QRectF& r, SkinState s) {
  const SkinState b = Base(s);
  if (b == SkinState::Normal && !IsChecked(s)) return;
  QColor c = b == SkinState::Pushed ? kShadowBlue : QColor(0x3c, 0x50, 0x66);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawRoundedRect(r.adjusted(1, 2, -1, -2), 3, 3);
  p.setBrush(kAccent);
  p.drawRect(QRectF(r.left() + 6, r.bottom() - 3, r.width() - 12, 2));

}

void PaintBtn2Bg(QPainter& p, const QRectF& r, SkinState s) {
  FillFace(p, r.adjusted(1, 1, -1, -1), 6, s, kKnobRim, kDeepGreen);
  if (IsChecked(s)) {
    p.setPen(QPen(palette::kAccentLight, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(2, 2, -2, -2), 6, 6);
  }

}

void PaintCheckBox(QPainter& p, const QRectF& r, SkinState s) {
  const QRectF b = r.adjusted(0.5, 0.5, -0.5, -0.5);
  p.setPen(QPen(Base(s) == SkinState::Hover ? palette::kAccentLight : palette::kBorder, 1));
  p.setBrush(IsChecked(s) ? kAccent : palette::kEditBackground);
  p.drawRoundedRect(b, 2.5, 2.5);
  if (IsChecked(s)) {
    p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPolygonF tick{{b.left() + b.width() * 0.22, b.top() + b.height() * 0.52},
                   {b.left() + b.width() * 0.42, b.top() + b.height() * 0.72},
                   {b.left() + b.width() * 0.78, b.top() + b.height() * 0.28}};
    p.drawPolyline(tick);
  }

}

void PaintRadioBox(QPainter& p, const QRectF& r, SkinState s) {
  const QRectF b = r.adjusted(0.5, 0.5, -0.5, -0.5);
  p.setPen(QPen(Base(s) == SkinState::Hover ? palette::kAccentLight : palette::kBorder, 1));
  p.setBrush(palette::kEditBackground);
  p.drawEllipse(b);
  if (IsChecked(s)) {
    p.setPen(Qt::NoPen);
    p.setBrush(palette::kAccentLight);
    p.drawEllipse(b.center(), b.width() * 0.26, b.height() * 0.26);
  }

}

// Radio buttons drawn as a segmented switch ("Master"/"Sub", "MS"/"CM"/"IN", limiter modes).
void PaintRadioButton(QPainter& p, const QRectF& r, SkinState s) {
  FillFace(p, r.adjusted(0.5, 0.5, -0.5, -0.5), 4, s, QColor(0x2c, 0x36, 0x42), kDeepGreen);

}

void PaintEditFocus(QPainter& p, const QRectF& r, SkinState) {
  p.setPen(QPen(palette::kAccentLight, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));

}

void PaintProgressBg(QPainter& p, const QRectF& r, SkinState) {
  p.setPen(QPen(QColor(0x0c, 0x12, 0x18), 1));
  p.setBrush(kWell);
  p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);

}

void PaintProgressPos(QPainter& p, const QRectF& r, SkinState) {
  QLinearGradient g(r.topLeft(), r.width() > r.height() ? r.topRight() : r.bottomLeft());
  g.setColorAt(0, QColor(0x6f, 0x9a, 0x24));
  g.setColorAt(0.75, palette::kAccentLight);
  g.setColorAt(1, QColor(0xe0, 0xc0, 0x40));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 2, 2);

}

// Faders.
void PaintRail(QPainter& p, const QRectF& r, SkinState) {
  const bool vertical = r.height() >= r.width();
  const double t = 4;
  QRectF groove = vertical ? QRectF(r.center().x() - t / 2, r.top(), t, r.height())
                           : QRectF(r.left(), r.center().y() - t / 2, r.width(), t);
  p.setPen(QPen(QColor(0x0a, 0x0f, 0x14), 1));
  p.setBrush(QColor(0x10, 0x17, 0x1e));
  p.drawRoundedRect(groove, 2, 2);

}

void PaintFill(QPainter& p, const QRectF& r, SkinState) {
  const bool vertical = r.height() >= r.width();
  const double t = 4;
  QRectF groove = vertical ? QRectF(r.center().x() - t / 2, r.top(), t, r.height())
                           : QRectF(r.left(), r.center().y() - t / 2, r.width(), t);
  QLinearGradient g(groove.topLeft(), vertical ? groove.bottomLeft() : groove.topRight());
  g.setColorAt(0, vertical ? palette::kAccentLight : kDeepGreen);
  g.setColorAt(1, vertical ? kDeepGreen : palette::kAccentLight);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(groove, 2, 2);

}

void PaintThumb(QPainter& p, const QRectF& r, SkinState s) {
  const bool vertical = r.width() >= r.height();
  QColor c(0x8a, 0x98, 0xa6);
  if (Base(s) == SkinState::Hover) c = QColor(0xb0, 0xbe, 0xcc);
  if (Base(s) == SkinState::Pushed) c = QColor(0xc8, 0xdc, 0x90);
  if (Base(s) == SkinState::Disabled) c = QColor(0x55, 0x5a, 0x60);
  QLinearGradient g(r.topLeft(), vertical ? r.bottomLeft() : r.topRight());
  g.setColorAt(0, Lift(c, 30));
  g.setColorAt(0.5, c);
  g.setColorAt(1, Lift(c, -40));
  p.setPen(QPen(QColor(0x10, 0x14, 0x18), 1));
  p.setBrush(g);
  p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
  p.setPen(QPen(QColor(0x20, 0x28, 0x30), 1));
  if (vertical) p.drawLine(QPointF(r.left() + 3, r.center().y()), QPointF(r.right() - 3, r.center().y()));
  else p.drawLine(QPointF(r.center().x(), r.top() + 3), QPointF(r.center().x(), r.bottom() - 3));

}

void PaintSlider3ScaleBg(QPainter& p, const QRectF& r, SkinState) {
  p.setPen(QPen(QColor(0x6a, 0x80, 0x90), 1));
  const int n = 12;
  for (int i = 0; i <= n; ++i) {
    const double y = r.top() + 5 + (r.height() - 10) * i / n;
    const double len = i % 3 == 0 ? 7 : 4;
    p.drawLine(QPointF(r.left() + 2, y), QPointF(r.left() + 2 + len, y));
    p.drawLine(QPointF(r.right() - 2 - len, y), QPointF(r.right() - 2, y));
  }

}

// The value knob.
void PaintVolumeRotrayknobBg(QPainter& p, const QRectF& r, SkinState) {
  const QPointF c = r.center();
  const double R = std::min(r.width(), r.height()) / 2 - 2;
  QRadialGradient g(c, R);
  g.setColorAt(0, QColor(0x2a, 0x2e, 0x33));
  g.setColorAt(0.8, QColor(0x22, 0x25, 0x29));
  g.setColorAt(1, QColor(0x1a, 0x1c, 0x1f));
  p.setPen(QPen(kKnobRim, 1));
  p.setBrush(g);
  p.drawEllipse(c, R, R);
  // scale ticks over the sweep (gap at the bottom)
  for (int i = 0; i <= 30; ++i) {
    const double a = (135 + i * 9) * M_PI / 180;
    const double r1 = R - 4, r2 = R - (i % 5 == 0 ? 13 : 8);
    p.setPen(QPen(i % 5 == 0 ? QColor(0x9a, 0xa4, 0xae) : QColor(0x5a, 0x62, 0x6a), i % 5 == 0 ? 2 : 1));
    p.drawLine(c + QPointF(r1 * std::cos(a), r1 * std::sin(a)), c + QPointF(r2 * std::cos(a), r2 * std::sin(a)));
  }

}

void PaintVolumeRotrayknobBg1(QPainter& p, const QRectF& r, SkinState) {
  const QPointF c = r.center();
  const double R = std::min(r.width(), r.height()) * 0.28;
  // outer shadow ring, then a brushed face
  QRadialGradient shadow(c, R + 8);
  shadow.setColorAt(0.85, QColor(0, 0, 0, 160));
  shadow.setColorAt(1, QColor(0, 0, 0, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(shadow);
  p.drawEllipse(c, R + 8, R + 8);
  QLinearGradient face(c - QPointF(0, R), c + QPointF(0, R));
  face.setColorAt(0, QColor(0x5c, 0x62, 0x6a));
  face.setColorAt(1, QColor(0x26, 0x2a, 0x2f));
  p.setPen(QPen(QColor(0x70, 0x78, 0x80), 1.2));
  p.setBrush(face);
  p.drawEllipse(c, R, R);
  QRadialGradient cap(c - QPointF(R * 0.25, R * 0.3), R * 0.9);
  cap.setColorAt(0, QColor(0x4a, 0x50, 0x57));
  cap.setColorAt(1, QColor(0x30, 0x34, 0x39));
  p.setPen(Qt::NoPen);
  p.setBrush(cap);
  p.drawEllipse(c, R * 0.8, R * 0.8);

}

void PaintVolumeRotrayknobPos(QPainter& p, const QRectF& r, SkinState) {
  QRadialGradient g(r.center(), r.width() / 2);
  g.setColorAt(0, QColor(0xf4, 0xff, 0xd0));
  g.setColorAt(0.45, palette::kAccentLight);
  g.setColorAt(1, QColor(0xa1, 0xc1, 0x46, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawEllipse(r);

}

// Window frames.
void PaintCaptionBg(QPainter& p, const QRectF& r, SkinState) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(0x22, 0x2e, 0x3c));
  g.setColorAt(1, kShadowBlue);
  p.fillRect(r, g);
  p.setPen(QPen(QColor(0x0e, 0x14, 0x1a), 1));
  p.drawLine(r.bottomLeft() + QPointF(0, -0.5), r.bottomRight() + QPointF(0, -0.5));

}

void PaintMenuBg(QPainter& p, const QRectF& r, SkinState) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(0x2e, 0x3d, 0x4e));
  g.setColorAt(1, QColor(0x25, 0x32, 0x40));
  p.fillRect(r, g);

}

void PaintBtnMin(QPainter& p, const QRectF& r, SkinState s) {
  if (Base(s) != SkinState::Normal) p.fillRect(r, QColor(255, 255, 255, Base(s) == SkinState::Pushed ? 20 : 36));
  p.setPen(QPen(QColor(0xc8, 0xc8, 0xc8), 1.5));
  p.drawLine(QPointF(r.center().x() - 6, r.center().y() + 3), QPointF(r.center().x() + 6, r.center().y() + 3));

}

void PaintBtnClose(QPainter& p, const QRectF& r, SkinState s) {
  if (Base(s) != SkinState::Normal) p.fillRect(r, Base(s) == SkinState::Pushed ? QColor(0x90, 0x20, 0x20) : QColor(0xc0, 0x30, 0x30));
  p.setPen(QPen(QColor(0xe0, 0xe0, 0xe0), 1.5));
  const QPointF c = r.center();
  p.drawLine(c + QPointF(-5, -5), c + QPointF(5, 5));
  p.drawLine(c + QPointF(-5, 5), c + QPointF(5, -5));

}

// Toggle buttons of the channel strips.
void PaintCheckMute(QPainter& p, const QRectF& r, SkinState s) {
  FillFace(p, r, 4, s, kFace, kRed);
  SpeakerIcon(p, r, IsChecked(s) ? kMutedGlyph : kGlyph, IsChecked(s));

}

void PaintBtnMute2(QPainter& p, const QRectF& r, SkinState s) {
  const QRectF c = r.adjusted(2, 2, -2, -2);
  FillFace(p, c, c.width() / 2, s, kRoundFace, kRed);
  SpeakerIcon(p, c, IsChecked(s) ? kMutedGlyph : QColor(0xc8, 0xd0, 0xd8), IsChecked(s));

}

void PaintChkPhase(QPainter& p, const QRectF& r, SkinState s) {
  FillFace(p, r, 4, s, kFace, kAmber);
  // a sine period, inverted in the checked state
  QPainterPath w;
  const double x0 = r.center().x() - 12, y0 = r.center().y(), a = IsChecked(s) ? -5 : 5;
  w.moveTo(x0, y0);
  for (int i = 1; i <= 24; ++i) w.lineTo(x0 + i, y0 - a * std::sin(i / 24.0 * 2 * M_PI));
  p.setPen(QPen(IsChecked(s) ? QColor(0xff, 0xf0, 0xd0) : kGlyph, 1.6));
  p.setBrush(Qt::NoBrush);
  p.drawPath(w);

}

void PaintChkBypass(QPainter& p, const QRectF& r, SkinState s) {
  const QRectF b = r.adjusted(1.5, 1.5, -1.5, -1.5);
  p.setPen(QPen(Base(s) == SkinState::Hover ? QColor(0xe0, 0xa0, 0x40) : QColor(0x6a, 0x7a, 0x86), 1));
  p.setBrush(IsChecked(s) ? kAmber : kWell);
  p.drawRoundedRect(b, 2, 2);
  if (IsChecked(s)) {
    p.setPen(QPen(QColor(0x20, 0x14, 0x00), 1.6));
    p.drawLine(QPointF(b.left() + 3, b.center().y()), QPointF(b.right() - 3, b.center().y()));
  }

}

// EQ graph handles.
void PaintEqThumb(QPainter& p, const QRectF& r, SkinState s) {
  const QRectF c = r.adjusted(2, 2, -2, -2);
  p.setPen(QPen(QColor(255, 255, 255, Base(s) == SkinState::Normal ? 90 : 200), 1.2));
  p.setBrush(QColor(0x10, 0x14, 0x18, Base(s) == SkinState::Pushed ? 240 : 200));
  p.drawEllipse(c);

}

void PaintCarbk(QPainter& p, const QRectF& r, SkinState) {
  QRadialGradient g(r.center(), std::max(r.width(), r.height()) * 0.7);
  g.setColorAt(0, QColor(0x1c, 0x24, 0x2e));
  g.setColorAt(1, QColor(0x10, 0x15, 0x1b));
  p.fillRect(r, g);

}

void PaintPeople(QPainter& p, const QRectF& r, SkinState s) {
  const QPointF c = r.center();
  const double R = std::min(r.width(), r.height()) / 2 - 3;
  p.setPen(QPen(QColor(0x91, 0xb1, 0x36, Base(s) == SkinState::Normal ? 200 : 255), 2));
  p.setBrush(QColor(0x91, 0xb1, 0x36, 50));
  p.drawEllipse(c, R, R);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xd8, 0xe8, 0xb0));
  p.drawEllipse(c + QPointF(0, -R * 0.25), R * 0.3, R * 0.3);
  QPainterPath body;
  body.moveTo(c + QPointF(-R * 0.55, R * 0.55));
  body.quadTo(c + QPointF(0, -R * 0.1), c + QPointF(R * 0.55, R * 0.55));
  body.closeSubpath();
  p.drawPath(body);

}

void PaintYuan(QPainter& p, const QRectF& r, SkinState s) {
  const QPointF c = r.center();
  const double R = std::min(r.width(), r.height()) / 2 - 3;
  QRadialGradient g(c, R);
  g.setColorAt(0, QColor(0x40, 0x24, 0x3e, 220));
  g.setColorAt(1, QColor(0x20, 0x14, 0x22, 220));
  p.setPen(QPen(QColor(0xc0, 0x27, 0xc0, Base(s) == SkinState::Normal ? 200 : 255), 2));
  p.setBrush(g);
  p.drawEllipse(c, R, R);
  p.setPen(QPen(QColor(0xc0, 0x27, 0xc0, 90), 1));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(c, R * 0.7, R * 0.7);

}

// Tip bubble: the tail at the bottom-left points at the anchor.
void PaintTip2Bg(QPainter& p, const QRectF& r, SkinState) {
  QPainterPath path;
  const QRectF body = r.adjusted(1, 1, -1, -13);
  path.addRoundedRect(body, 6, 6);
  QPainterPath tail;
  tail.moveTo(body.left() + 10, body.bottom() - 1);
  tail.lineTo(body.left() + 1, r.bottom() - 1);
  tail.lineTo(body.left() + 24, body.bottom() - 1);
  tail.closeSubpath();
  path = path.united(tail);
  p.setPen(QPen(kAccent, 1));
  p.setBrush(QColor(0x1e, 0x26, 0x30, 245));
  p.drawPath(path);

}

std::shared_ptr<Skin> Selector(int direction) {
  return Painted({18, 18}, [direction](QPainter& p, const QRectF& r, SkinState s) {
    FillFace(p, r.adjusted(1, 1, -1, -1), 3, s, kFace, kGreen);
    const QPointF c = r.center();
    const double d = std::min(r.width(), r.height()) * 0.22;
    QPolygonF tri;
    if (direction == 0) tri = {c + QPointF(-d, 0), c + QPointF(d * 0.7, -d), c + QPointF(d * 0.7, d)};
    else if (direction == 1) tri = {c + QPointF(d, 0), c + QPointF(-d * 0.7, -d), c + QPointF(-d * 0.7, d)};
    else tri = {c + QPointF(0, d), c + QPointF(-d, -d * 0.7), c + QPointF(d, -d * 0.7)};
    p.setPen(Qt::NoPen);
    p.setBrush(IsChecked(s) ? QColor(0xf0, 0xff, 0xd0) : QColor(0xa8, 0xb8, 0xc4));
    p.drawPolygon(tri);
  });

}

std::shared_ptr<Skin> ValueStep(bool plus) {
  return Painted({46, 46}, [plus](QPainter& p, const QRectF& r, SkinState s) {
    const QRectF c = r.adjusted(2, 2, -2, -2);
    FillFace(p, c, c.width() / 2, s, kRoundFace, kGreen);
    p.setPen(QPen(QColor(0xd8, 0xe0, 0xe6), 2.4, Qt::SolidLine, Qt::RoundCap));
    const double d = c.width() * 0.2;
    p.drawLine(c.center() - QPointF(d, 0), c.center() + QPointF(d, 0));
    if (plus) p.drawLine(c.center() - QPointF(0, d), c.center() + QPointF(0, d));
  });

}

std::shared_ptr<Skin> QHandle(bool left) {
  return Painted({20, 17}, [left](QPainter& p, const QRectF& r, SkinState s) {
    const QColor c = Base(s) == SkinState::Normal ? QColor(0xc0, 0x90, 0xd0) : QColor(0xf0, 0xc0, 0xff);
    QPolygonF tri = left ? QPolygonF{r.topRight() + QPointF(-2, 1), r.bottomRight() + QPointF(-2, -1),
                                     QPointF(r.left() + 2, r.center().y())}
                         : QPolygonF{r.topLeft() + QPointF(2, 1), r.bottomLeft() + QPointF(2, -1),
                                     QPointF(r.right() - 2, r.center().y())};
    p.setPen(QPen(c, 1.2));
    p.setBrush(QColor(c.red(), c.green(), c.blue(), 80));
    p.drawPolygon(tri);
  });

}

// Every built-in skin by name; several names share a drawing.
std::vector<std::pair<const char*, std::shared_ptr<Skin>>> BuiltInSkins() {
  return {
      {"_button", Painted({}, PaintButton)},
      {"skin_btn_3_bg_png", Painted({}, PaintBtn3Bg)},
      {"skin_btn_menu_bar", Painted({}, PaintBtnMenuBar)},
      {"skin_btn_2_bg_png", Painted({74, 40}, PaintBtn2Bg)},
      {"_check_box", Painted({14, 14}, PaintCheckBox)},
      {"_radio_box", Painted({14, 14}, PaintRadioBox)},
      {"_radio_button", Painted({}, PaintRadioButton)},
      {"_edit_focus", Painted({}, PaintEditFocus)},
      {"_progress_bg", Painted({}, PaintProgressBg)},
      {"_progress_pos", Painted({}, PaintProgressPos)},
      {"skin_slider_bg_png", Painted({6, 0}, PaintRail)},
      {"_slider_rail", Painted({6, 0}, PaintRail)},
      {"skin_slider_fg_png", Painted({6, 0}, PaintFill)},
      {"_slider_pos", Painted({6, 0}, PaintFill)},
      {"skin_slider_thumb_png", Painted({16, 10}, PaintThumb)},
      {"_slider_thumb", Painted({16, 10}, PaintThumb)},
      {"skin_slider3_scale_bg_png", Painted({40, 122}, PaintSlider3ScaleBg)},
      {"skin_volume_rotrayknob_bg", Painted({238, 216}, PaintVolumeRotrayknobBg)},
      {"skin_volume_rotrayknob_bg1", Painted({238, 216}, PaintVolumeRotrayknobBg1)},
      {"skin_volume_rotrayknob_pos", Painted({14, 14}, PaintVolumeRotrayknobPos)},
      {"skin_caption_bg_png", Painted({}, PaintCaptionBg)},
      {"skin_main_menu_wnd_bg_png", Painted({}, PaintMenuBg)},
      {"skin_main_menu_bg_png", Painted({}, PaintMenuBg)},
      {"skin_btn_min", Painted({30, 26}, PaintBtnMin)},
      {"skin_btn_close", Painted({30, 26}, PaintBtnClose)},
      {"skin_check_mute", Painted({51, 23}, PaintCheckMute)},
      {"skin_btn_mute_2", Painted({46, 46}, PaintBtnMute2)},
      {"skin_chk_phase", Painted({51, 23}, PaintChkPhase)},
      {"skin_chk_left", Selector(0)},
      {"skin_chk_right", Selector(1)},
      {"skin_chk_bottom", Selector(2)},
      {"skin_chk_bypass_png", Painted({16, 16}, PaintChkBypass)},
      {"skin_btn_add_value", ValueStep(true)},
      {"skin_btn_minus_value", ValueStep(false)},
      {"skin_eq_thumb", Painted({25, 25}, PaintEqThumb)},
      {"skin_left_thumb_png", QHandle(true)},
      {"skin_right_thumb_png", QHandle(false)},
      {"skin_carbk_png", Painted({}, PaintCarbk)},
      {"skin_people_png", Painted({50, 50}, PaintPeople)},
      {"skin_yuan_png", Painted({50, 50}, PaintYuan)},
      {"image_tip2_bg_png", Painted({}, PaintTip2Bg)},
      {"skin_car_png", std::make_shared<ImageSkin>(MakeCar())},
      {"skin_logo_png", std::make_shared<ImageSkin>(MakeLogo())},
      {"skin_watermark_png", std::make_shared<ImageSkin>(MakeWatermark())},
  };
}

}  // namespace

SkinRegistry::SkinRegistry() {
  for (auto& [name, skin] : BuiltInSkins()) Register(name, std::move(skin));
}

}  // namespace brisvel::ui
