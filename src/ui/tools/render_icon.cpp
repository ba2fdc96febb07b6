// Renders the console's SVG icon to square PNG files for the icon theme.
//   brisvel_render_icon ICON.svg OUTDIR SIZE...   writes OUTDIR/SIZExSIZE.png
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: brisvel_render_icon ICON.svg OUTDIR SIZE...\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  if (!svg.isValid()) {
    std::fprintf(stderr, "brisvel_render_icon: %s is not a readable SVG image\n", argv[1]);
    return 1;
  }
  for (int i = 3; i < argc; ++i) {
    const int size = QString::fromLatin1(argv[i]).toInt();
    if (size < 8 || size > 1024) {
      std::fprintf(stderr, "brisvel_render_icon: size %s out of range\n", argv[i]);
      return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
      QPainter p(&image);
      p.setRenderHint(QPainter::Antialiasing, true);
      svg.render(&p);
    }
    const QString file = QStringLiteral("%1/%2x%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(size);
    if (!image.save(file)) {
      std::fprintf(stderr, "brisvel_render_icon: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
