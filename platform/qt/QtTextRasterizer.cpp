#include "platform/qt/QtTextRasterizer.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace kobre::platform::qt {

void QtTextRasterizer::installSubstitutions() {
  static const bool done = [] {
    // Full-width face names as the settings and font dialog store them, plus
    // their ASCII spellings.
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
    QFont::insertSubstitution(QStringLiteral("MS Mincho"), QStringLiteral("IPAMincho"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
    QFont::insertSubstitution(QStringLiteral("MS PMincho"), QStringLiteral("IPAPMincho"));
    return true;
  }();
  (void)done;
}

QtTextRasterizer::QtTextRasterizer(TextCodec& codec) : codec_(codec) {
  installSubstitutions();
}

const QFont& QtTextRasterizer::fontFor(const FontSpec& spec) {
  if (cached_ && spec.face == cachedSpec_.face && spec.pixelHeight == cachedSpec_.pixelHeight &&
      spec.bold == cachedSpec_.bold && spec.italic == cachedSpec_.italic)
    return font_;
  std::string face = codec_.toUtf8(spec.face);
  font_ = QFont(QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size())));
  // The engine's heights are character heights (Windows' negative heights),
  // which is Qt's pixel size.
  font_.setPixelSize(spec.pixelHeight > 0 ? spec.pixelHeight : 1);
  font_.setBold(spec.bold);
  font_.setItalic(spec.italic);
  font_.setStyleStrategy(QFont::NoSubpixelAntialias);
  font_.setHintingPreference(QFont::PreferFullHinting);
  cachedSpec_ = spec;
  cached_ = true;
  return font_;
}

void QtTextRasterizer::drawText(uint32_t* pixels, int width, int height, int stride, int x, int y,
                                std::string_view cp932, const FontSpec& font, uint32_t rgb) {
  if (!pixels || width <= 0 || height <= 0 || stride < width || cp932.empty()) return;
  QImage image(reinterpret_cast<uchar*>(pixels), width, height, static_cast<qsizetype>(stride) * 4,
               QImage::Format_RGB32);
  std::string utf8 = codec_.toUtf8(cp932);
  QPainter painter(&image);
  const QFont& f = fontFor(font);
  painter.setFont(f);
  painter.setPen(QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
  // (x, y) is the top left of the text cell, as GDI places text by default.
  QFontMetrics metrics(f);
  painter.drawText(QPoint(x, y + metrics.ascent()),
                   QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

}  // namespace kobre::platform::qt
