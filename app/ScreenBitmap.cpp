#include "app/ScreenBitmap.h"

#include <QImage>
#include <QString>

namespace kobre::app {

bool writeScreenBitmap(const std::string& path, const std::vector<uint32_t>& pixels) {
  constexpr int kWidth = 800, kHeight = 600;
  if (pixels.size() < size_t{kWidth} * kHeight) return false;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < kWidth; ++x)
      row[x] = 0xFF000000u | pixels[static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)];
  }
  return image.save(QString::fromStdString(path), "BMP");
}

}  // namespace kobre::app
