// The splash window and its built-in bitmap.

#include "app/splash_screen.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>

#include "ui/skin.h"

namespace brisvel::app {

namespace {
const QColor kSplashColour(0, 156, 163);
}

QImage StartupBitmap() {
  // The logo on the splash colour, with the console's title under it.
  QImage image(SplashScreen::kDefaultWidth, SplashScreen::kDefaultHeight, QImage::Format_ARGB32_Premultiplied);
  image.fill(kSplashColour);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  if (const ui::Skin* logo = ui::SkinRegistry::Instance().Find(QStringLiteral("skin_logo_png")))
    logo->Draw(p, QRect(50, 50, 300, 48), ui::SkinState::Normal);
  QFont f = QApplication::font();
  f.setPixelSize(15);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 120, image.width(), 30), Qt::AlignCenter, QStringLiteral("BRISVEL DSP CONTROL PANNEL"));
  return image;
}

SplashScreen::SplashScreen(QImage bitmap)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool),
      bitmap_(std::move(bitmap)) {
  setWindowTitle(QStringLiteral("StartUI"));
  setAttribute(Qt::WA_ShowWithoutActivating, true);
  setCursor(Qt::WaitCursor);
  setFixedSize(bitmap_.isNull() ? QSize(kDefaultWidth, kDefaultHeight) : bitmap_.size());
}

void SplashScreen::ShowCentred() {
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
  show();
  raise();
  repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SplashScreen::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kSplashColour);
  if (!bitmap_.isNull()) p.drawImage(0, 0, bitmap_);
}

}  // namespace brisvel::app
