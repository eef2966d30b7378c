#include "tools/writers/PsdWriter.h"

#include <zlib.h>

#include <algorithm>

#include "common/ByteWriter.h"
namespace kobre::writers {

namespace {

void putText(std::vector<uint8_t>& out, const std::string& s, size_t size) {
  for (size_t i = 0; i < size; ++i) out.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
}

// The byte a channel id takes from a 0xAARRGGBB pixel.
uint8_t channelByte(uint32_t pixel, int16_t id) {
  switch (id) {
    case 0:
      return static_cast<uint8_t>(pixel >> 16);
    case 1:
      return static_cast<uint8_t>(pixel >> 8);
    case 2:
      return static_cast<uint8_t>(pixel);
    default:
      return static_cast<uint8_t>(pixel >> 24);
  }
}

std::vector<uint8_t> channelData(const PsdLayer& layer, int16_t id) {
  const int32_t w = std::max(0, layer.right - layer.left);
  const int32_t h = std::max(0, layer.bottom - layer.top);
  std::vector<uint8_t> out;
  ByteWriter bw(out);
  bw.be16(layer.compression);
  std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(h));
  for (int32_t y = 0; y < h; ++y) {
    auto& row = rows[static_cast<size_t>(y)];
    for (int32_t x = 0; x < w; ++x) {
      size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
      row.push_back(i < layer.pixels.size() ? channelByte(layer.pixels[i], id) : 0);
    }
  }
  if (layer.compression == 0) {
    for (auto& row : rows) out.insert(out.end(), row.begin(), row.end());
    return out;
  }
  if (layer.compression == 2 || layer.compression == 3) {
    std::vector<uint8_t> plain;
    for (auto& row : rows) {
      // With prediction each byte is stored as the difference to its left.
      for (size_t x = row.size(); layer.compression == 3 && x-- > 1;)
        row[x] = static_cast<uint8_t>(row[x] - row[x - 1]);
      plain.insert(plain.end(), row.begin(), row.end());
    }
    uLongf size = compressBound(static_cast<uLong>(plain.size()));
    std::vector<uint8_t> packed(size);
    compress2(packed.data(), &size, plain.data(), static_cast<uLong>(plain.size()), 9);
    out.insert(out.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(size));
    return out;
  }
  std::vector<std::vector<uint8_t>> packed;
  for (auto& row : rows) {
    packed.push_back(packBits(row));
    packed.back().insert(packed.back().end(), layer.packBitsPadding, 0x80);
  }
  for (auto& p : packed) bw.be16(static_cast<uint16_t>(p.size()));
  for (auto& p : packed) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::vector<int16_t> idsOf(const PsdLayer& layer) {
  if (!layer.channelIds.empty()) return layer.channelIds;
  return {-1, 0, 1, 2};
}

}  // namespace

std::vector<uint8_t> packBits(std::span<const uint8_t> row) {
  std::vector<uint8_t> out;
  size_t i = 0;
  const size_t n = row.size();
  while (i < n) {
    size_t run = 1;
    while (i + run < n && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(static_cast<int8_t>(1 - static_cast<int>(run))));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    size_t lit = 1;
    while (i + lit < n && lit < 128 && !(i + lit + 1 < n && row[i + lit] == row[i + lit + 1]))
      ++lit;
    out.push_back(static_cast<uint8_t>(lit - 1));
    out.insert(out.end(), row.begin() + static_cast<std::ptrdiff_t>(i),
               row.begin() + static_cast<std::ptrdiff_t>(i + lit));
    i += lit;
  }
  return out;
}

std::vector<uint8_t> writePsd(const PsdDocument& doc) {
  std::vector<uint8_t> out;
  ByteWriter w(out);
  putText(out, "8BPS", 4);
  w.be16(1);
  putText(out, "", 6);
  w.be16(doc.channels);
  w.be32(doc.height);
  w.be32(doc.width);
  w.be16(8);
  w.be16(3);
  w.be32(0);  // colour mode data
  w.be32(0);  // image resources

  size_t sectionAt = out.size();
  w.be32(0);  // layer and mask section length, patched below
  if (!doc.layers.empty()) {
    size_t infoAt = out.size();
    w.be32(0);  // layer info length, patched below
    int count = static_cast<int>(doc.layers.size());
    w.be16(static_cast<uint16_t>(doc.mergedAlpha ? -count : count));
    std::vector<std::vector<std::vector<uint8_t>>> data;
    for (size_t li = 0; li < doc.layers.size(); ++li) {
      const PsdLayer& layer = doc.layers[li];
      std::vector<int16_t> ids = idsOf(layer);
      data.emplace_back();
      for (int16_t id : ids) data.back().push_back(channelData(layer, id));
      w.be32(static_cast<uint32_t>(layer.top));
      w.be32(static_cast<uint32_t>(layer.left));
      w.be32(static_cast<uint32_t>(layer.bottom));
      w.be32(static_cast<uint32_t>(layer.right));
      w.be16(static_cast<uint32_t>(ids.size()));
      for (size_t c = 0; c < ids.size(); ++c) {
        w.be16(static_cast<uint16_t>(ids[c]));
        w.be32(static_cast<uint32_t>(data.back()[c].size()));
      }
      putText(out, "8BIM", 4);
      putText(out, "norm", 4);
      w.u8(255);  // opacity
      w.u8(0);    // clipping
      w.u8(0);    // flags
      w.u8(0);    // filler
      std::vector<uint8_t> extra;
      ByteWriter extraW(extra);
      extraW.be32(0);  // layer mask data
      extraW.be32(0);  // blending ranges
      std::string name = layer.name.substr(0, 255);
      extraW.u8(static_cast<uint32_t>(name.size()));
      extra.insert(extra.end(), name.begin(), name.end());
      while (extra.size() % 4 != 0) extraW.u8(0);
      std::vector<PsdInfoBlock> blocks = layer.blocks;
      if (blocks.empty()) {
        PsdInfoBlock id;
        id.key = "lyid";
        ByteWriter(id.data).be32(static_cast<uint32_t>(li + 1));
        blocks.push_back(id);
      }
      for (const PsdInfoBlock& b : blocks) {
        putText(extra, b.signature, 4);
        putText(extra, b.key, 4);
        extraW.be32(static_cast<uint32_t>(b.data.size()));
        extra.insert(extra.end(), b.data.begin(), b.data.end());
      }
      w.be32(static_cast<uint32_t>(extra.size()));
      out.insert(out.end(), extra.begin(), extra.end());
    }
    for (auto& layerData : data)
      for (auto& channel : layerData) out.insert(out.end(), channel.begin(), channel.end());
    if ((out.size() - infoAt) % 2 != 0) w.u8(0);
    w.patchBe32(infoAt, static_cast<uint32_t>(out.size() - infoAt - 4));
    w.be32(0);  // global layer mask info
  }
  w.patchBe32(sectionAt, static_cast<uint32_t>(out.size() - sectionAt - 4));

  // The merged image: the layers painted in order, raw planes.
  const size_t area = static_cast<size_t>(doc.width) * doc.height;
  std::vector<uint32_t> merged(area, 0);
  for (const PsdLayer& layer : doc.layers) {
    const int32_t w = layer.right - layer.left;
    for (int32_t y = layer.top; y < layer.bottom; ++y) {
      for (int32_t x = layer.left; x < layer.right; ++x) {
        if (x < 0 || y < 0 || x >= static_cast<int32_t>(doc.width) ||
            y >= static_cast<int32_t>(doc.height))
          continue;
        size_t i = static_cast<size_t>(y - layer.top) * static_cast<size_t>(w) +
                   static_cast<size_t>(x - layer.left);
        if (i < layer.pixels.size() && (layer.pixels[i] >> 24) != 0)
          merged[static_cast<size_t>(y) * doc.width + static_cast<size_t>(x)] = layer.pixels[i];
      }
    }
  }
  w.be16(0);
  const int16_t planeIds[4] = {0, 1, 2, -1};
  for (int c = 0; c < doc.channels && c < 4; ++c)
    for (uint32_t p : merged) w.u8(channelByte(p, planeIds[c]));
  for (int c = 4; c < doc.channels; ++c)
    for (size_t i = 0; i < area; ++i) w.u8(0);
  return out;
}

}  // namespace kobre::writers
