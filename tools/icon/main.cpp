// kobre-icon OUT.png [SIZE]: draws the program's icon (a message window over
// an evening sky, with a typing cursor) and writes it as a PNG. Built and
// run at build time; the icon is not kept as a file in the sources.
#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: kobre-icon OUT.png [SIZE]\n");
    return 2;
  }
  const int size = argc == 3 ? std::atoi(argv[2]) : 256;
  if (size < 16 || size > 1024) {
    std::fprintf(stderr, "kobre-icon: size must be 16 to 1024\n");
    return 2;
  }
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 256.0, size / 256.0);

  // The picture: a rounded square of evening sky with a low hill.
  QPainterPath frame;
  frame.addRoundedRect(QRectF(8, 8, 240, 240), 36, 36);
  QLinearGradient sky(0, 8, 0, 248);
  sky.setColorAt(0.0, QColor(0x2B, 0x2F, 0x77));
  sky.setColorAt(0.55, QColor(0xE0, 0x6C, 0x75));
  sky.setColorAt(1.0, QColor(0xF6, 0xC1, 0x77));
  p.fillPath(frame, sky);
  p.setClipPath(frame);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x3A, 0x24, 0x4A));
  p.drawEllipse(QRectF(-60, 150, 380, 200));
  p.setBrush(QColor(0xFF, 0xF4, 0xD6));
  p.drawEllipse(QRectF(160, 40, 44, 44));  // the moon

  // The message window with three lines of "text" and the wait cursor.
  p.setBrush(QColor(12, 16, 40, 215));
  p.setPen(QPen(QColor(0xF2, 0xE6, 0xC8), 5));
  p.drawRoundedRect(QRectF(28, 132, 200, 92), 14, 14);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xF2, 0xE6, 0xC8));
  const double widths[3] = {150, 120, 84};
  for (int i = 0; i < 3; ++i) p.drawRoundedRect(QRectF(46, 150 + i * 22, widths[i], 10), 5, 5);
  QPainterPath cursor;
  cursor.moveTo(196, 196);
  cursor.lineTo(212, 196);
  cursor.lineTo(204, 208);
  cursor.closeSubpath();
  p.fillPath(cursor, QColor(0xFF, 0xC8, 0x4A));
  p.end();

  if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "kobre-icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
