// Widget snapshots for the screenshot tools.
#include "ui/widget_snapshot.h"

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <cstdio>

namespace brisvel::ui {

bool SaveWidgetImage(QWidget& widget, const QString& file) {
  widget.show();
  QApplication::processEvents();
  QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  widget.render(&image);
  if (!image.save(file)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return false;
  }
  std::printf("%s\n", qPrintable(file));
  return true;
}

}  // namespace brisvel::ui
