#include "app/PngFile.h"

#include <QImage>
#include <QString>

namespace kobre::app {

bool writePng(const std::string& path, const uint32_t* pixels, int width, int height) {
  // RGB32 ignores the top byte, so the back buffer's XRGB words go in as
  // they are; the RGB888 copy leaves the unused byte out of the file.
  const QImage view(reinterpret_cast<const uchar*>(pixels), width, height,
                    static_cast<qsizetype>(width) * 4, QImage::Format_RGB32);
  return view.convertToFormat(QImage::Format_RGB888).save(QString::fromStdString(path), "PNG");
}

}  // namespace kobre::app
