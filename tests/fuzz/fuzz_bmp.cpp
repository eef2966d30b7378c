// The 24-bit BMP reader over arbitrary bytes, and the same bytes as an image
// archive entry ("PAK " packed or head-scrambled) on the way in.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/DIBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kobre::GraphicsContext context;
  context.maxBitmapBytes = 16u << 20;
  kobre::DIBitmap bitmap(&context);
  (void)bitmap.loadBmp("fuzz.bmp", {data, size});
  std::vector<uint8_t> entry(data, data + size), out;
  if (kobre::unpackPictureEntry(entry, context.lzss, 16u << 20, out) == kobre::PictureRead::kOk)
    (void)bitmap.loadBmp("fuzz.bmp", out);
  return 0;
}
