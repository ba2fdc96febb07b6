// Toolkit start: the dark application palette, fonts with CJK fallback,
// built-in skins and elements.

#include "ui/toolkit.h"

#include "ui/element.h"
#include "ui/layout_loader.h"
#include "ui/skin.h"

#include <QApplication>
#include <QEventLoop>
#include <QFontDatabase>
#include <QStyleFactory>
#include <QTimer>
#include <QToolTip>

namespace brisvel::ui {

void InitToolkit(const QString& defaultFace, int defaultPixelSize) {
  if (QStyle* style = QStyleFactory::create("Fusion")) QApplication::setStyle(style);
  QPalette pal;
  pal.setColor(QPalette::Window, palette::kMainBackground);
  pal.setColor(QPalette::WindowText, palette::kLightText);
  pal.setColor(QPalette::Base, palette::kEditBackground);
  pal.setColor(QPalette::AlternateBase, palette::kPanel);
  pal.setColor(QPalette::Text, palette::kLightText);
  pal.setColor(QPalette::Button, palette::kControl);
  pal.setColor(QPalette::ButtonText, palette::kLightText);
  pal.setColor(QPalette::Highlight, QColor(0x4e, 0x6c, 0x22));
  pal.setColor(QPalette::HighlightedText, Qt::white);
  pal.setColor(QPalette::ToolTipBase, QColor(0x1e, 0x26, 0x30));
  pal.setColor(QPalette::ToolTipText, QColor(0xe0, 0xe8, 0xee));
  QApplication::setPalette(pal);
  QToolTip::setPalette(pal);

  // Faces the layouts ask for that may be missing here.
  const QString cjk = CjkFontFamily();
  QStringList latin;
  for (const char* f : {"Liberation Sans", "DejaVu Sans", "Noto Sans"})
    if (QFontDatabase::hasFamily(f)) latin.push_back(f);
  for (const char* face : {"微软雅黑", "Microsoft YaHei", "宋体", "SimSun"})
    if (!cjk.isEmpty()) QFont::insertSubstitution(face, cjk);
  if (!latin.isEmpty()) QFont::insertSubstitutions("Arial", latin);
  if (!cjk.isEmpty()) QFont::insertSubstitution("Arial", cjk);

  QApplication::setFont(ParseFont(QString("face:%1,size:%2").arg(defaultFace).arg(defaultPixelSize), QApplication::font()));
  (void)SkinRegistry::Instance();
  (void)ElementRegistry::Instance();
}

void PumpWait(int ms) {
  // A nested loop ended by a timer: no polling, no sleeping between events.
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace brisvel::ui
