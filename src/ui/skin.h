// Named skins: the artwork of every control, drawn in one of the states below.
// The built-in skins are painted with QPainter in the console's dark look; a
// skin can also come from an image (the logo and watermark may be replaced by
// files beside the executable).
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <map>
#include <memory>

namespace brisvel::ui {

enum class SkinState { Normal, Hover, Pushed, Disabled, CheckedNormal, CheckedHover, CheckedPushed, CheckedDisabled };

// The state for a control's flags.
SkinState StateFor(bool enabled, bool hover, bool pushed, bool checked);
bool IsChecked(SkinState s);

class Skin {
 public:
  virtual ~Skin() = default;
  virtual void Draw(QPainter& p, const QRect& r, SkinState state) const = 0;
  // Natural size; empty when the skin stretches to any size.
  virtual QSize NaturalSize() const { return {}; }
};

// A skin painted by a function.
class PaintedSkin : public Skin {
 public:
  using Painter = std::function<void(QPainter&, const QRectF&, SkinState)>;
  PaintedSkin(QSize natural, Painter painter) : natural_(natural), painter_(std::move(painter)) {}
  void Draw(QPainter& p, const QRect& r, SkinState state) const override;
  QSize NaturalSize() const override { return natural_; }

 private:
  QSize natural_;
  Painter painter_;
};

// A skin from one image, scaled smoothly to the target rectangle.
class ImageSkin : public Skin {
 public:
  explicit ImageSkin(QImage image) : image_(std::move(image)) {}
  void Draw(QPainter& p, const QRect& r, SkinState state) const override;
  QSize NaturalSize() const override { return image_.size(); }
  const QImage& Image() const { return image_; }

 private:
  QImage image_;
};

class SkinRegistry {
 public:
  // The registry with every built-in skin.
  static SkinRegistry& Instance();
  const Skin* Find(const QString& name) const;
  void Register(const QString& name, std::shared_ptr<Skin> skin);
  // Replaces the named image skin by the file when the file loads as an image;
  // a missing or corrupt file leaves the built-in skin. Returns true when replaced.
  bool ReplaceFromFile(const QString& name, const QString& path);
  QStringList Names() const;

 private:
  SkinRegistry();
  std::map<QString, std::shared_ptr<Skin>> skins_;
};

// Replaces skin_logo_png and skin_watermark_png by skin/logo.png and
// skin/watermark.png inside folder, when they load.
void LoadReplacementImages(const QString& folder);

// The console's palette.
namespace palette {
inline const QColor kMainBackground{0x27, 0x34, 0x44};
inline const QColor kCompactBackground{0x33, 0x33, 0x33};
inline const QColor kBorder{0x79, 0x8a, 0x92};
inline const QColor kText{0x89, 0xb8, 0xd1};
inline const QColor kLightText{0xcc, 0xcc, 0xcc};
inline const QColor kEditBackground{0x15, 0x25, 0x2e};
inline const QColor kListBackground{0x1b, 0x22, 0x32};
inline const QColor kAccent{0x91, 0xb1, 0x36};
inline const QColor kAccentLight{0xa1, 0xc1, 0x46};
inline const QColor kCurve{0xc0, 0x27, 0xc0};
inline const QColor kPanel{0x1e, 0x29, 0x36};
inline const QColor kControl{0x34, 0x45, 0x58};
}  // namespace palette

}  // namespace brisvel::ui
