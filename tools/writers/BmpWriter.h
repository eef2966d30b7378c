// Writes 24-bit Windows bitmaps (bottom-up rows padded to 4 bytes).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kobre::writers {

// pixels: width x height values 0x??RRGGBB, rows top to bottom.
std::vector<uint8_t> writeBmp24(int width, int height, std::span<const uint32_t> pixels);

}  // namespace kobre::writers
