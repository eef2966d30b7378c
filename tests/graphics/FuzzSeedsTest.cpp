// Writes the seed corpora of the BMP, PSD and LZSS fuzz targets with our own
// writers. Runs only when KOBRE_WRITE_FUZZ_SEEDS is set:
//   KOBRE_WRITE_FUZZ_SEEDS=1 test_graphics --gtest_filter=FuzzSeeds.*
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/writers/BmpWriter.h"
#include "tools/writers/LzssCompressor.h"
#include "tools/writers/PsdWriter.h"

namespace kobre {
namespace {

void writeSeed(const std::string& target, const std::string& name, const std::vector<uint8_t>& b) {
  auto dir = std::filesystem::path(KOBRE_SOURCE_DIR) / "tests/fuzz/corpus" / target;
  std::filesystem::create_directories(dir);
  std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

std::vector<uint32_t> pattern(int w, int h, uint32_t alpha) {
  std::vector<uint32_t> px;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      px.push_back((alpha << 24) | static_cast<uint32_t>((x * 37) << 16 | (y * 11) << 8 | (x ^ y)));
  return px;
}

writers::PsdLayer psdLayer(int l, int t, int r, int b, uint16_t compression, uint32_t alpha) {
  writers::PsdLayer layer = writers::makePsdLayer(l, t, r, b, [&](int x, int y) {
    return (alpha << 24) | static_cast<uint32_t>(((x * 5) & 0xFF) << 16 | ((y * 3) & 0xFF));
  });
  layer.compression = compression;
  return layer;
}

TEST(FuzzSeeds, Write) {
  if (std::getenv("KOBRE_WRITE_FUZZ_SEEDS") == nullptr) GTEST_SKIP() << "not asked to write seeds";
  auto bmp3 = writers::writeBmp24(3, 2, pattern(3, 2, 0));
  writeSeed("fuzz_bmp", "bmp_3x2.bmp", bmp3);
  writeSeed("fuzz_bmp", "bmp_1x1.bmp", writers::writeBmp24(1, 1, pattern(1, 1, 0)));
  writeSeed("fuzz_bmp", "bmp_16x9.bmp", writers::writeBmp24(16, 9, pattern(16, 9, 0)));
  writeSeed("fuzz_bmp", "pak_5x5.bin",
            writers::makePakEntry(writers::writeBmp24(5, 5, pattern(5, 5, 0))));
  writeSeed("fuzz_bmp", "scrambled_3x2.bin", writers::makeScrambledEntry(bmp3));
  auto topDown = bmp3;  // rows read top-down: the 2 rows swapped, height -2
  std::swap_ranges(topDown.begin() + 54, topDown.begin() + 66, topDown.begin() + 66);
  topDown[22] = 0xFE;
  topDown[23] = topDown[24] = topDown[25] = 0xFF;
  writeSeed("fuzz_bmp", "topdown_3x2.bmp", topDown);

  writers::PsdDocument doc;
  doc.width = 12;
  doc.height = 8;
  doc.layers.push_back(psdLayer(0, 0, 12, 8, 1, 255));
  doc.layers.push_back(psdLayer(-3, 2, 6, 11, 0, 128));
  doc.layers.push_back(psdLayer(10, -2, 20, 3, 1, 0));
  writeSeed("fuzz_psd", "layers_4ch.psd", writers::writePsd(doc));
  writers::PsdDocument flat;
  flat.width = 6;
  flat.height = 5;
  flat.channels = 3;
  flat.mergedAlpha = false;
  flat.layers.push_back(psdLayer(1, 1, 5, 4, 1, 255));
  flat.layers[0].channelIds = {0, 1, 2};
  writeSeed("fuzz_psd", "flat_3ch.psd", writers::writePsd(flat));
  writers::PsdDocument wide;
  wide.width = 130;
  wide.height = 2;
  wide.layers.push_back(psdLayer(0, 0, 130, 2, 1, 255));
  writeSeed("fuzz_psd", "runs_130.psd", writers::writePsd(wide));
  writers::PsdDocument zip;
  zip.width = 10;
  zip.height = 6;
  zip.layers.push_back(psdLayer(0, 0, 10, 6, 2, 255));
  zip.layers.push_back(psdLayer(2, -1, 12, 4, 3, 200));
  zip.layers.push_back(psdLayer(1, 1, 9, 5, 1, 255));
  zip.layers.back().packBitsPadding = 2;
  writeSeed("fuzz_psd", "zip_and_padded.psd", writers::writePsd(zip));

  std::string text;
  for (int i = 0; i < 40; ++i)
    text += "bg cg\\bg01 FADE_IN\r\n\x81\x75text " + std::to_string(i) + "\x81\x76\r\n";
  std::vector<uint8_t> bytes(text.begin(), text.end());
  auto stream = writers::lzssCompress(bytes);
  std::vector<uint8_t> seed;
  seed.reserve(stream.size() + 2);
  seed.push_back(static_cast<uint8_t>((bytes.size() / 3) >> 8));
  seed.push_back(static_cast<uint8_t>(bytes.size() / 3));
  for (uint8_t b : stream) seed.push_back(b);
  writeSeed("fuzz_lzss", "script.bin", seed);
  // A match on the untouched window tail, a self-overlapping one, a cut one.
  writeSeed("fuzz_lzss", "window.bin",
            {0x00, 0x10, 0x02, 0x00, 0x02, 'x', 0xF2, 0xFF, 0xEE, 0xFF, 0x00});
}

}  // namespace
}  // namespace kobre
