#include "tools/writers/BmpWriter.h"

#include "common/ByteWriter.h"
namespace kobre::writers {

std::vector<uint8_t> writeBmp24(int width, int height, std::span<const uint32_t> pixels) {
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t imageSize = stride * static_cast<uint32_t>(height);
  std::vector<uint8_t> out;
  ByteWriter w(out);
  out.reserve(54 + imageSize);
  out.push_back('B');
  out.push_back('M');
  w.le32(54 + imageSize);
  w.le32(0);
  w.le32(54);
  w.le32(40);
  w.le32(static_cast<uint32_t>(width));
  w.le32(static_cast<uint32_t>(height));
  w.le16(1);
  w.le16(24);
  w.le32(0);  // no compression
  w.le32(imageSize);
  w.le32(2835);  // 72 dpi
  w.le32(2835);
  w.le32(0);
  w.le32(0);
  for (int y = height - 1; y >= 0; --y) {
    const uint32_t* row = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int x = 0; x < width; ++x) {
      out.push_back(static_cast<uint8_t>(row[x]));
      out.push_back(static_cast<uint8_t>(row[x] >> 8));
      out.push_back(static_cast<uint8_t>(row[x] >> 16));
    }
    for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < stride; ++pad) out.push_back(0);
  }
  return out;
}

}  // namespace kobre::writers
