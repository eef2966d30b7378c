#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kobre::platform {

struct FontSpec {
  std::string face;  // CP932, as the settings hold it
  int pixelHeight = 22;
  bool bold = false;
  bool italic = false;
  bool operator==(const FontSpec&) const = default;
};

// Draws text into a 32-bit XRGB pixel buffer. Text is CP932.
class TextRasterizer {
 public:
  virtual ~TextRasterizer() = default;
  virtual void drawText(uint32_t* pixels, int width, int height, int stride, int x, int y,
                        std::string_view cp932, const FontSpec& font, uint32_t rgb) = 0;
};

}  // namespace kobre::platform
