// The splash screen shown from the start of initialisation until the compact
// window is on screen: a borderless, top-most window without a taskbar entry,
// the size of its bitmap (400 x 200 without one), filled with RGB(0, 156, 163).
#pragma once

#include <QImage>
#include <QWidget>

namespace brisvel::app {

class SplashScreen : public QWidget {
 public:
  static constexpr int kDefaultWidth = 400;
  static constexpr int kDefaultHeight = 200;

  // bitmap may be null: the plain-colour 400 x 200 window is shown.
  explicit SplashScreen(QImage bitmap);
  // Shows the window centred on the primary screen and paints it at once.
  void ShowCentred();

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  QImage bitmap_;
};

// The built-in start-up bitmap (BITMAP_STARTUI_BG).
QImage StartupBitmap();

}  // namespace brisvel::app
