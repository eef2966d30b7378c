// The PSD reader over arbitrary bytes: opening, then every layer into a
// bitmap.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/DIBitmap.h"
#include "graphics/PSD.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kobre::GraphicsContext context;
  context.maxBitmapBytes = 16u << 20;
  kobre::PSD psd(&context);
  if (!psd.openBytes("fuzz.psd", std::vector<uint8_t>(data, data + size))) return 0;
  kobre::DIBitmap bitmap(&context);
  (void)psd.loadInto(bitmap);
  return 0;
}
