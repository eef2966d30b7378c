#include "graphics/PSD.h"

#include <zlib.h>

#include <cstring>

#include "common/ByteReader.h"
#include "graphics/DIBitmap.h"

namespace kobre {

namespace {

constexpr std::string_view kUnit = "PSD";
// Fixed codes of the reporting places.
constexpr int kCodeNotFound = 310;
constexpr int kCodeSize = 311;
constexpr int kCodeMemory = 312;
// 313 was the short read of the header; the header check reports it now.
constexpr int kCodeHeader = 314;
constexpr int kCodeColourMode = 315;
constexpr int kCodeDepth = 316;
constexpr int kCodeChannelCount = 317;
constexpr int kCodeDestination = 320;
constexpr int kCodeHeaderAgain = 321;
constexpr int kCodeLayerInfo = 322;
constexpr int kCodeFirstLayerChannels = 323;
constexpr int kCodeSignature = 324;
constexpr int kCodeChannelPointer = 325;
constexpr int kCodeOverrun = 326;
constexpr int kCodeChannelData = 327;

// The largest document side accepted (Photoshop's own limit for this format).
constexpr uint32_t kMaxSide = 30000;

// One layer record of the layer and mask section.
struct LayerRecord {
  int32_t top = 0, left = 0, bottom = 0, right = 0;
  uint32_t channels = 0;
  std::span<const uint8_t> channelInfo;  // 6 bytes per channel: id, data length
  std::span<const uint8_t> extra;        // mask, blending ranges, name, tagged blocks
};

// Reads the record at the reader's position and moves past it.
bool readLayerRecord(ByteReader& r, LayerRecord& rec) {
  rec.top = r.be32s();
  rec.left = r.be32s();
  rec.bottom = r.be32s();
  rec.right = r.be32s();
  rec.channels = r.be16();
  rec.channelInfo = r.bytes(6 * uint64_t{rec.channels});
  r.skip(12);  // blend signature and key, opacity, clipping, flags, filler
  const uint32_t extraLength = r.be32();
  rec.extra = r.bytes(extraLength);
  return !r.ranOut();
}

// The channel data lengths of a record, in channel order.
template <typename Fn>
void forEachChannel(const LayerRecord& rec, Fn&& fn) {
  ByteReader info(rec.channelInfo);
  for (uint32_t c = 0; c < rec.channels; ++c) {
    const int16_t id = info.be16s();
    const uint32_t length = info.be32();
    if (!fn(id, length)) return;
  }
}

// The first layer's mask data and blending ranges must be whole, and its
// additional information blocks up to the first "lyid" must carry the "8BIM"
// signature.
bool firstLayerExtraIsSound(const LayerRecord& rec) {
  ByteReader x(rec.extra);
  for (int part = 0; part < 2; ++part) x.skip(x.be32());  // mask data, blending ranges
  if (x.ranOut()) return false;
  if (!x.atEnd()) {
    const uint32_t nameLength = x.u8();
    x.skip(((nameLength + 4) & ~uint32_t{3}) - 1);  // padded name; may end past the blocks
  }
  while (x.has(12)) {
    if (!x.match("8BIM")) return false;
    const bool isId = x.match("lyid");
    const uint32_t length = x.be32();
    if (!x.has(length)) return false;
    if (isId) break;
    x.skip(length);
  }
  return true;
}

}  // namespace

// Where things are in the file; every offset checked against its size.
struct PSD::Layout {
  uint32_t channels = 0, width = 0, height = 0, depth = 0, mode = 0;
  bool hasLayers = false;  // layer and mask section present and its count readable
  int count = 0;           // absolute layer count
  bool mergedAlpha = false;
  uint64_t records = 0;  // first layer record
};

bool PSD::parse(Layout& l) const {
  ByteReader r(data_);
  if (r.size() < 30) return false;
  if (!r.match("8BPS") || r.be16() != 1) return false;
  for (int i = 0; i < 6; ++i)
    if (r.u8() != 0) return false;
  l.channels = r.be16();
  l.height = r.be32();
  l.width = r.be32();
  l.depth = r.be16();
  l.mode = r.be16();
  r.skip(r.be32());  // colour mode data
  if (!r.has(4)) return true;
  r.skip(r.be32());  // image resources
  if (!r.has(4)) return true;
  const uint32_t sectionLength = r.be32();
  if (sectionLength == 0 || !r.has(6)) return true;
  r.skip(4);  // layer info length
  const int16_t count = r.be16s();
  l.hasLayers = true;
  l.mergedAlpha = count < 0;
  l.count = count < 0 ? -static_cast<int>(count) : count;
  l.records = r.pos();
  return true;
}

void PSD::report(int code, std::string_view message) const {
  if (context_ != nullptr)
    context_->reportError(kUnit, code, message, context_->displayText(name_));
}

bool PSD::open(std::string_view name) {
  release();
  name_ = std::string(name.substr(0, 255));
  std::vector<uint8_t> bytes;
  PictureRead got = PictureRead::kNotFound;
  if (context_ != nullptr) got = readPictureBytes(*context_, name, bytes);
  if (got == PictureRead::kNotFound) {
    report(kCodeNotFound, "ファイルが開けない");
    return false;
  }
  if (got == PictureRead::kNoMemory) {
    report(kCodeMemory, "メモリが足りない");
    return false;
  }
  return openBytes(name, std::move(bytes));
}

bool PSD::openBytes(std::string_view name, std::vector<uint8_t> bytes) {
  release();
  name_ = std::string(name.substr(0, 255));
  if (bytes.empty()) {
    report(kCodeSize, "データサイズがおかしい");
    return false;
  }
  data_ = std::move(bytes);
  Layout l;
  if (!parse(l)) {
    report(kCodeHeader, "イメージ情報が取得できない");
    release();
    return false;
  }
  if (l.mode != 3) {
    report(kCodeColourMode, "現在サポートしていないカラーモ－ド");
    release();
    return false;
  }
  if (l.depth != 8) {
    report(kCodeDepth, "現在サポートしていない色深度");
    release();
    return false;
  }
  bool accepted =
      l.count >= 1 && ((l.channels == 3 && !l.mergedAlpha) || (l.channels == 4 && l.mergedAlpha));
  if (!accepted) {
    if (context_ != nullptr) {
      std::string detail = "\n" + context_->displayText(name_) + "\nチャネル数 " +
                           std::to_string(l.channels) + "\nレイヤ数 " + std::to_string(l.count) +
                           "\nαチャネル " + (l.mergedAlpha ? "true" : "false");
      context_->reportError(kUnit, kCodeChannelCount, "現在サポートしていないチャネルの数", detail);
    }
    release();
    return false;
  }
  if (l.width == 0 || l.height == 0 || l.width > kMaxSide || l.height > kMaxSide) {
    report(kCodeSize, "データサイズがおかしい");
    release();
    return false;
  }
  width_ = l.width;
  height_ = l.height;
  hasAlpha_ = l.channels == 4;
  layerCount_ = l.count;
  return true;
}

void PSD::release() {
  data_.clear();
  data_.shrink_to_fit();
  width_ = height_ = 0;
  hasAlpha_ = false;
  layerCount_ = 0;
  name_.clear();
}

bool PSD::loadInto(DIBitmap& bitmap) {
  if (!bitmap.create(static_cast<int>(width_), static_cast<int>(height_), layerCount_))
    return false;
  bool alpha = bitmap.hasAlpha();
  const int rowBytes = static_cast<int>(width_) * 4;
  for (int i = 0; i < layerCount_; ++i) {
    uint32_t* frame = bitmap.pixels(i);
    if (readLayer(frame, i, rowBytes, alpha)) continue;
    if (!hasAlpha_) {
      // An opaque picture has no way to leave a broken layer out: refuse the
      // picture rather than cover the scene with a black rectangle.
      bitmap.release();
      return false;
    }
    // A broken layer is left fully transparent; alpha goes into use so that
    // it hides nothing even when no layer decoded.
    std::memset(frame, 0, static_cast<size_t>(rowBytes) * height_);
    alpha = true;
  }
  bitmap.setAlpha(alpha);
  return true;
}

bool PSD::readLayer(uint32_t* frame, int layer, int rowBytes, bool& alphaInUse) {
  uint8_t* dst = reinterpret_cast<uint8_t*>(frame);
  if (!hasAlpha_) {
    bool ok = decodeChannel(dst, rowBytes, layer, 0, 2);
    ok = decodeChannel(dst, rowBytes, layer, 1, 1) && ok;
    ok = decodeChannel(dst, rowBytes, layer, 2, 0) && ok;
    alphaInUse = false;
    return ok;
  }
  if (!decodeChannel(dst, rowBytes, layer, 0, 2)) return false;
  if (!decodeChannel(dst, rowBytes, layer, 1, 1)) return false;
  if (!decodeChannel(dst, rowBytes, layer, 2, 0)) return false;
  if (!decodeChannel(dst, rowBytes, layer, -1, 3)) return false;
  alphaInUse = true;
  return true;
}

// Where one channel of one layer lies: the layer's rectangle and the
// channel's bytes from its compression field to the end of the file.
struct PSD::ChannelSpot {
  int32_t top = 0, left = 0, bottom = 0, right = 0;
  std::span<const uint8_t> data;
};

bool PSD::findChannel(int layer, int channelId, ChannelSpot& spot) {
  Layout l;
  if (!parse(l)) {
    report(kCodeHeaderAgain, "イメージ情報が取得できない");
    return false;
  }
  ByteReader r(data_);
  r.seek(l.records);
  LayerRecord first;
  const bool firstOk =
      l.hasLayers && l.count >= 1 && readLayerRecord(r, first) && firstLayerExtraIsSound(first);
  if (!firstOk) {
    report(kCodeLayerInfo, "レイヤ情報が取得できない");
    return false;
  }
  if (first.channels != 4) report(kCodeFirstLayerChannels, "チャネルの数が不正");

  if (!ByteReader(data_).match("8BPS")) {
    report(kCodeSignature, "ファイルヘッダが不正");
    return false;
  }
  if (layer < 0 || layer >= l.count) {
    report(kCodeLayerInfo, "レイヤ情報が取得できない");
    return false;
  }

  // Walk every record: the channel data begins after the last one, and the
  // layers before this one come first there.
  LayerRecord target;
  uint64_t dataBefore = 0;
  r.seek(l.records);
  for (int i = 0; i < l.count; ++i) {
    LayerRecord rec;
    if (!readLayerRecord(r, rec)) {
      report(kCodeLayerInfo, "レイヤ情報が取得できない");
      return false;
    }
    if (i < layer) {
      forEachChannel(rec, [&](int16_t, uint32_t length) {
        dataBefore += length;
        return true;
      });
    } else if (i == layer) {
      target = rec;
    }
  }
  uint64_t offset = r.pos() + dataBefore;
  bool found = false;
  forEachChannel(target, [&](int16_t id, uint32_t length) {
    if (id == channelId) {
      found = true;
      return false;
    }
    offset += length;
    return true;
  });
  // The channel's data must at least begin inside the file.
  ByteReader channel(data_);
  channel.seek(offset);
  if (!found || !channel.has(2)) {
    report(kCodeChannelPointer, "チャネルのポインタが不正");
    return false;
  }
  spot.top = target.top;
  spot.left = target.left;
  spot.bottom = target.bottom;
  spot.right = target.right;
  spot.data = channel.rest();
  return true;
}

bool PSD::decodeChannel(uint8_t* frame, int rowBytes, int layer, int channelId, int byteOffset) {
  if (frame == nullptr) {
    report(kCodeDestination, "書き込み先のポインタが不正");
    return false;
  }
  ChannelSpot spot;
  if (!findChannel(layer, channelId, spot)) return false;
  ByteReader r(spot.data);
  const uint32_t compression = r.be16();
  const int64_t w = int64_t{spot.right} - spot.left;
  const int64_t h = int64_t{spot.bottom} - spot.top;
  if (w <= 0 || h <= 0) return true;  // an empty layer

  ChannelTarget out{frame + byteOffset, rowBytes, spot.top, spot.left, w, h, layer, channelId};
  switch (compression) {
    case 0:
      return decodeRaw(r, out);
    case 1:
      return decodePackBits(r, out);
    case 2:
    case 3:
      return decodeZip(r, out, compression == 3);
    default:
      report(kCodeChannelData, "ファイルが正常に読み込めない");
      return false;
  }
}

// Stores one decoded row of the layer into the document's columns.
void PSD::storeRow(const ChannelTarget& t, int64_t row, const uint8_t* in) const {
  if (row < 0 || row >= int64_t{height_}) return;
  const int64_t colFrom = firstColumn(t), colTo = endColumn(t);
  in += colFrom - t.left;
  uint8_t* out = t.frame + row * t.rowBytes + colFrom * 4;
  for (int64_t x = colFrom; x < colTo; ++x, out += 4) *out = *in++;
}

// Columns of the layer inside the document.
int64_t PSD::firstColumn(const ChannelTarget& t) const {
  return std::max<int64_t>(t.left, 0);
}
int64_t PSD::endColumn(const ChannelTarget& t) const {
  return std::min<int64_t>(t.left + t.width, int64_t{width_});
}

bool PSD::decodeRaw(ByteReader& r, const ChannelTarget& t) {
  if (r.remaining() / static_cast<uint64_t>(t.width) < static_cast<uint64_t>(t.height)) {
    report(kCodeChannelData, "ファイルが正常に読み込めない");
    return false;
  }
  const std::span<const uint8_t> src = r.rest();
  const int64_t rowFrom = std::max<int64_t>(t.top, 0);
  const int64_t rowTo = std::min<int64_t>(t.top + t.height, int64_t{height_});
  for (int64_t row = rowFrom; row < rowTo; ++row)
    storeRow(t, row, src.data() + (row - t.top) * t.width);
  return true;
}

// Deflate data of the whole channel, rows one after another; with prediction
// every byte after a row's first is stored as the difference to its left
// neighbour.
bool PSD::decodeZip(ByteReader& r, const ChannelTarget& t, bool predicted) {
  const std::span<const uint8_t> in = r.rest();
  // Deflate cannot expand data by more than about 1032 times: a rectangle
  // larger than that is a lie, and the row buffer stays bounded by the file.
  constexpr uint64_t kMaxRatio = 1032;
  const uint64_t total = static_cast<uint64_t>(t.width) * static_cast<uint64_t>(t.height);
  if (total / kMaxRatio > in.size() + 64) {
    report(kCodeChannelData, "ファイルが正常に読み込めない");
    return false;
  }
  std::vector<uint8_t> line(static_cast<size_t>(t.width));
  z_stream z{};
  if (inflateInit(&z) != Z_OK) {
    report(kCodeChannelData, "ファイルが正常に読み込めない");
    return false;
  }
  z.next_in = const_cast<Bytef*>(in.data());
  bool ok = true;
  size_t fed = 0;
  for (int64_t row = t.top; ok && row < t.top + t.height; ++row) {
    z.next_out = line.data();
    size_t want = line.size();
    while (want > 0) {
      // zlib counts in 32 bits: hand over at most 1 GiB at a time.
      constexpr size_t kChunk = size_t{1} << 30;
      if (z.avail_in == 0 && fed < in.size()) {
        z.avail_in = static_cast<uInt>(std::min(in.size() - fed, kChunk));
        fed += z.avail_in;
      }
      z.avail_out = static_cast<uInt>(std::min(want, kChunk));
      const uInt outBefore = z.avail_out, inBefore = z.avail_in;
      const int rc = inflate(&z, Z_NO_FLUSH);
      want -= outBefore - z.avail_out;
      if (want == 0) break;
      // Damaged, ended early, or no way forward (headers and tables may
      // take input without giving output; that is progress).
      const bool moved = z.avail_out != outBefore || z.avail_in != inBefore;
      if (rc != Z_OK || !moved) {
        ok = false;
        break;
      }
    }
    if (!ok) break;
    if (predicted)
      for (size_t i = 1; i < line.size(); ++i)
        line[i] = static_cast<uint8_t>(line[i] + line[i - 1]);
    storeRow(t, row, line.data());
  }
  inflateEnd(&z);
  if (!ok) report(kCodeChannelData, "ファイルが正常に読み込めない");
  return ok;
}

bool PSD::decodePackBits(ByteReader& r, const ChannelTarget& t) {
  // One 16-bit byte count per row, then the rows; each row is decoded from its
  // own bytes only, so padding after a row's pixels is passed over.
  ByteReader counts = r.sub(2 * static_cast<uint64_t>(t.height));
  if (r.ranOut()) {
    report(kCodeChannelData, "ファイルが正常に読み込めない");
    return false;
  }
  const int64_t colFrom = firstColumn(t), colTo = endColumn(t);
  const int64_t docH = height_;
  const int64_t rowEnd = t.left + t.width;
  for (int64_t row = t.top; row < t.top + t.height; ++row) {
    ByteReader line = r.sub(counts.be16());
    if (r.ranOut()) {
      report(kCodeChannelData, "ファイルが正常に読み込めない");
      return false;
    }
    const bool rowInside = row >= 0 && row < docH;
    uint8_t* out = rowInside ? t.frame + row * t.rowBytes : nullptr;
    int64_t x = t.left;
    while (x < rowEnd) {
      if (line.atEnd()) {
        report(kCodeChannelData, "ファイルが正常に読み込めない");
        return false;
      }
      const int n = static_cast<int8_t>(line.u8());
      if (n == -128) continue;  // no operation (some encoders pad rows with it)
      const int64_t run = n >= 0 ? n + 1 : 1 - n;
      if (x + run > rowEnd) {
        if (context_ != nullptr) {
          std::string message =
              "RLE データがオーバーランしました\n" + context_->displayText(name_) + "\nレイヤ " +
              std::to_string(t.layer) + " チャネル " + std::to_string(t.channelId);
          context_->reportError(kUnit, kCodeOverrun, message, "");
        }
        return false;
      }
      const int64_t from = std::max(x, colFrom), to = std::min(x + run, colTo);
      if (n >= 0) {
        const std::span<const uint8_t> literal = line.bytes(static_cast<uint64_t>(run));
        if (line.ranOut()) {
          report(kCodeChannelData, "ファイルが正常に読み込めない");
          return false;
        }
        if (rowInside)
          for (int64_t c = from; c < to; ++c) out[c * 4] = literal[static_cast<size_t>(c - x)];
      } else {
        if (line.atEnd()) {
          report(kCodeChannelData, "ファイルが正常に読み込めない");
          return false;
        }
        const uint8_t v = line.u8();
        if (rowInside)
          for (int64_t c = from; c < to; ++c) out[c * 4] = v;
      }
      x += run;
    }
  }
  return true;
}

}  // namespace kobre
