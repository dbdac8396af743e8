// Renders an SVG file to a square PNG at build time, for the icon theme's fixed
// sizes: vexon-icon-render <in.svg> <pixels> <out.png>
// Painting on a QImage needs no application object, so no display either.
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <in.svg> <pixels> <out.png>\n", argv[0]);
    return 2;
  }
  bool ok = false;
  const int pixels = QString::fromLocal8Bit(argv[2]).toInt(&ok);
  if (!ok || pixels <= 0 || pixels > 4096) {
    std::fprintf(stderr, "%s: bad size %s\n", argv[0], argv[2]);
    return 2;
  }
  QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
  if (!renderer.isValid()) {
    std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
    return 1;
  }
  QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter, QRectF(0, 0, pixels, pixels));
  painter.end();
  if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[3]);
    return 1;
  }
  return 0;
}
