// Writes layered RGB Photoshop documents (8 bits per channel) of the kind the
// runtime reads: layer rectangles anywhere (also reaching outside the
// document), raw, PackBits or deflate channels, 3 or 4 document channels, merged
// alpha on or off.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kobre::writers {

// An additional layer information block (signature "8BIM", 4-byte key).
struct PsdInfoBlock {
  std::string signature = "8BIM";
  std::string key;
  std::vector<uint8_t> data;
};

struct PsdLayer {
  int32_t top = 0, left = 0, bottom = 0, right = 0;
  // (right - left) x (bottom - top) values 0xAARRGGBB, rows top to bottom.
  std::vector<uint32_t> pixels;
  // Compression field of every channel: 0 raw, 1 PackBits, 2 deflate, 3
  // deflate of the differences along each row. Other values are written as
  // given (with PackBits data) to exercise readers.
  uint16_t compression = 0;
  // PackBits only: no-operation bytes (0x80) appended to every packed row,
  // as some encoders pad them.
  uint8_t packBitsPadding = 0;
  // Channel ids in record order; empty means -1, 0, 1, 2 (transparency
  // first, as Photoshop writes them).
  std::vector<int16_t> channelIds;
  std::string name = "Layer";
  // Additional information; empty means one "lyid" block.
  std::vector<PsdInfoBlock> blocks;
};

struct PsdDocument {
  uint32_t width = 0, height = 0;
  uint16_t channels = 4;
  bool mergedAlpha = true;  // written as a negative layer count
  std::vector<PsdLayer> layers;
};

// A layer with the given rectangle filled from a function of document
// coordinates (x, y) -> 0xAARRGGBB.
template <typename F>
PsdLayer makePsdLayer(int32_t left, int32_t top, int32_t right, int32_t bottom, F pixelAt) {
  PsdLayer layer;
  layer.left = left;
  layer.top = top;
  layer.right = right;
  layer.bottom = bottom;
  for (int32_t y = top; y < bottom; ++y)
    for (int32_t x = left; x < right; ++x) layer.pixels.push_back(pixelAt(x, y));
  return layer;
}

std::vector<uint8_t> writePsd(const PsdDocument& doc);

// One row in PackBits.
std::vector<uint8_t> packBits(std::span<const uint8_t> row);

}  // namespace kobre::writers
