#include "graphics/PSD.h"

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
  for (int i = 0; i < layerCount_; ++i)
    readLayer(bitmap.pixels(i), i, static_cast<int>(width_) * 4, alpha);
  bitmap.setAlpha(alpha);
  return true;
}

bool PSD::readLayer(uint32_t* frame, int layer, int rowBytes, bool& alphaInUse) {
  uint8_t* dst = reinterpret_cast<uint8_t*>(frame);
  if (!hasAlpha_) {
    decodeChannel(dst, rowBytes, layer, 0, 2);
    decodeChannel(dst, rowBytes, layer, 1, 1);
    decodeChannel(dst, rowBytes, layer, 2, 0);
    alphaInUse = false;
    return true;
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
  if (compression == 0) return decodeRaw(r, out);
  return decodePackBits(r, out);
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
  const int64_t colFrom = firstColumn(t), colTo = endColumn(t);
  const int64_t rowFrom = std::max<int64_t>(t.top, 0);
  const int64_t rowTo = std::min<int64_t>(t.top + t.height, int64_t{height_});
  for (int64_t row = rowFrom; row < rowTo; ++row) {
    const uint8_t* in = src.data() + (row - t.top) * t.width + (colFrom - t.left);
    uint8_t* out = t.frame + row * t.rowBytes + colFrom * 4;
    for (int64_t x = colFrom; x < colTo; ++x, out += 4) *out = *in++;
  }
  return true;
}

bool PSD::decodePackBits(ByteReader& r, const ChannelTarget& t) {
  // One 16-bit byte count per row (not needed), then the rows.
  r.skip(2 * static_cast<uint64_t>(t.height));
  if (r.ranOut()) {
    report(kCodeChannelData, "ファイルが正常に読み込めない");
    return false;
  }
  const int64_t colFrom = firstColumn(t), colTo = endColumn(t);
  const int64_t docH = height_;
  const int64_t rowEnd = t.left + t.width;
  for (int64_t row = t.top; row < t.top + t.height; ++row) {
    const bool rowInside = row >= 0 && row < docH;
    uint8_t* out = rowInside ? t.frame + row * t.rowBytes : nullptr;
    int64_t x = t.left;
    while (x < rowEnd) {
      if (r.atEnd()) {
        report(kCodeChannelData, "ファイルが正常に読み込めない");
        return false;
      }
      const int n = static_cast<int8_t>(r.u8());
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
        const std::span<const uint8_t> literal = r.bytes(static_cast<uint64_t>(run));
        if (r.ranOut()) {
          report(kCodeChannelData, "ファイルが正常に読み込めない");
          return false;
        }
        if (rowInside)
          for (int64_t c = from; c < to; ++c) out[c * 4] = literal[static_cast<size_t>(c - x)];
      } else {
        if (r.atEnd()) {
          report(kCodeChannelData, "ファイルが正常に読み込めない");
          return false;
        }
        const uint8_t v = r.u8();
        if (rowInside)
          for (int64_t c = from; c < to; ++c) out[c * 4] = v;
      }
      x += run;
    }
  }
  return true;
}

}  // namespace kobre
