#include "graphics/PSD.h"

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

inline uint32_t be16(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 8) | p[1];
}
inline uint32_t be32(const uint8_t* p) {
  return (be16(p) << 16) | be16(p + 2);
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
  const uint8_t* d = data_.data();
  const uint64_t size = data_.size();
  if (size < 30) return false;
  if (std::memcmp(d, "8BPS", 4) != 0 || be16(d + 4) != 1) return false;
  for (int i = 6; i < 12; ++i)
    if (d[i] != 0) return false;
  l.channels = be16(d + 12);
  l.height = be32(d + 14);
  l.width = be32(d + 18);
  l.depth = be16(d + 22);
  l.mode = be16(d + 24);
  uint64_t off = 26;
  off += 4 + uint64_t{be32(d + off)};  // colour mode data
  if (off + 4 > size) return true;
  off += 4 + uint64_t{be32(d + off)};  // image resources
  if (off + 4 > size) return true;
  uint32_t sectionLength = be32(d + off);
  off += 4;
  if (sectionLength == 0 || off + 6 > size) return true;
  off += 4;  // layer info length
  int16_t count = static_cast<int16_t>(be16(d + off));
  off += 2;
  l.hasLayers = true;
  l.mergedAlpha = count < 0;
  l.count = count < 0 ? -static_cast<int>(count) : count;
  l.records = off;
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

bool PSD::decodeChannel(uint8_t* frame, int rowBytes, int layer, int channelId, int byteOffset) {
  if (frame == nullptr) {
    report(kCodeDestination, "書き込み先のポインタが不正");
    return false;
  }
  Layout l;
  if (!parse(l)) {
    report(kCodeHeaderAgain, "イメージ情報が取得できない");
    return false;
  }
  const uint8_t* d = data_.data();
  const uint64_t size = data_.size();

  // Walk the layer records: where each starts, and where the channel data
  // begins (after the last record).
  struct Record {
    uint64_t at = 0;
    uint32_t channels = 0;
    uint64_t extra = 0, extraLength = 0;
  };
  auto readRecord = [&](uint64_t at, Record& r) {
    if (at + 18 > size) return false;
    r.at = at;
    r.channels = be16(d + at + 16);
    uint64_t fixed = at + 18 + 6 * uint64_t{r.channels} + 12;
    if (fixed + 4 > size) return false;
    r.extraLength = be32(d + fixed);
    r.extra = fixed + 4;
    return r.extra + r.extraLength <= size;
  };

  // The first layer's record must be whole, and its additional information
  // blocks up to the first "lyid" must carry the "8BIM" signature.
  Record first;
  bool firstOk = l.hasLayers && l.count >= 1 && readRecord(l.records, first);
  if (firstOk) {
    uint64_t p = first.extra;
    const uint64_t end = first.extra + first.extraLength;
    for (int part = 0; part < 2 && firstOk; ++part) {  // mask data, blending ranges
      if (p + 4 > end) {
        firstOk = false;
        break;
      }
      p += 4 + uint64_t{be32(d + p)};
    }
    if (firstOk && p < end)
      p += (uint64_t{d[p]} + 4) & ~uint64_t{3};  // padded name
    else if (p > end)
      firstOk = false;
    while (firstOk && p + 12 <= end) {
      if (std::memcmp(d + p, "8BIM", 4) != 0) {
        firstOk = false;
        break;
      }
      bool isId = std::memcmp(d + p + 4, "lyid", 4) == 0;
      uint64_t next = p + 12 + uint64_t{be32(d + p + 8)};
      if (next > end) firstOk = false;
      if (isId) break;
      p = next;
    }
  }
  if (!firstOk) {
    report(kCodeLayerInfo, "レイヤ情報が取得できない");
    return false;
  }
  if (first.channels != 4) report(kCodeFirstLayerChannels, "チャネルの数が不正");

  if (std::memcmp(d, "8BPS", 4) != 0) {
    report(kCodeSignature, "ファイルヘッダが不正");
    return false;
  }

  if (layer < 0 || layer >= l.count) {
    report(kCodeLayerInfo, "レイヤ情報が取得できない");
    return false;
  }
  // Find layer's record and the sum of the data lengths before its channels.
  Record target;
  uint64_t at = l.records;
  uint64_t dataBefore = 0;  // channel data of earlier layers
  for (int i = 0; i < l.count; ++i) {
    Record r;
    if (!readRecord(at, r)) {
      report(kCodeLayerInfo, "レイヤ情報が取得できない");
      return false;
    }
    if (i < layer) {
      for (uint32_t c = 0; c < r.channels; ++c) dataBefore += be32(d + r.at + 18 + 6 * c + 2);
    } else if (i == layer) {
      target = r;
    }
    at = r.extra + r.extraLength;
  }
  const uint64_t channelData = at;

  int32_t top = static_cast<int32_t>(be32(d + target.at));
  int32_t left = static_cast<int32_t>(be32(d + target.at + 4));
  int32_t bottom = static_cast<int32_t>(be32(d + target.at + 8));
  int32_t right = static_cast<int32_t>(be32(d + target.at + 12));
  uint64_t offset = channelData + dataBefore;
  bool found = false;
  for (uint32_t c = 0; c < target.channels; ++c) {
    const uint8_t* info = d + target.at + 18 + 6 * c;
    if (static_cast<int16_t>(be16(info)) == channelId) {
      found = true;
      break;
    }
    offset += be32(info + 2);
  }
  if (!found) {
    report(kCodeChannelPointer, "チャネルのポインタが不正");
    return false;
  }
  // The channel's data must at least begin inside the file.
  if (offset + 2 > size) {
    report(kCodeChannelPointer, "チャネルのポインタが不正");
    return false;
  }

  const int64_t w = int64_t{right} - left;
  const int64_t h = int64_t{bottom} - top;
  const uint32_t compression = be16(d + offset);
  const uint8_t* p = d + offset + 2;
  const uint8_t* const end = d + size;
  if (w <= 0 || h <= 0) return true;  // an empty layer

  // Columns of the layer inside the document, and the rows.
  const int64_t docW = width_, docH = height_;
  const int64_t colFrom = std::max<int64_t>(left, 0), colTo = std::min<int64_t>(left + w, docW);
  auto rowStart = [&](int64_t row) { return frame + row * rowBytes + byteOffset; };

  if (compression == 0) {
    if (static_cast<uint64_t>(end - p) / static_cast<uint64_t>(w) < static_cast<uint64_t>(h)) {
      report(kCodeChannelData, "ファイルが正常に読み込めない");
      return false;
    }
    const int64_t rowFrom = std::max<int64_t>(top, 0), rowTo = std::min<int64_t>(bottom, docH);
    for (int64_t r = rowFrom; r < rowTo; ++r) {
      const uint8_t* src = p + (r - top) * w + (colFrom - left);
      uint8_t* out = rowStart(r) + colFrom * 4;
      for (int64_t x = colFrom; x < colTo; ++x, out += 4) *out = *src++;
    }
    return true;
  }

  // PackBits: one 16-bit byte count per row (not needed), then the rows.
  if (static_cast<uint64_t>(end - p) / 2 < static_cast<uint64_t>(h)) {
    report(kCodeChannelData, "ファイルが正常に読み込めない");
    return false;
  }
  p += 2 * h;
  const int64_t rowEnd = left + w;
  for (int64_t r = top; r < bottom; ++r) {
    const bool rowInside = r >= 0 && r < docH;
    uint8_t* out = rowInside ? rowStart(r) : nullptr;
    int64_t x = left;
    while (x < rowEnd) {
      if (p >= end) {
        report(kCodeChannelData, "ファイルが正常に読み込めない");
        return false;
      }
      int n = static_cast<int8_t>(*p++);
      int64_t run = n >= 0 ? n + 1 : 1 - n;
      if (x + run > rowEnd) {
        if (context_ != nullptr) {
          std::string message = "RLE データがオーバーランしました\n" +
                                context_->displayText(name_) + "\nレイヤ " + std::to_string(layer) +
                                " チャネル " + std::to_string(channelId);
          context_->reportError(kUnit, kCodeOverrun, message, "");
        }
        return false;
      }
      const int64_t from = std::max(x, colFrom), to = std::min(x + run, colTo);
      if (n >= 0) {
        if (end - p < run) {
          report(kCodeChannelData, "ファイルが正常に読み込めない");
          return false;
        }
        if (rowInside)
          for (int64_t c = from; c < to; ++c) out[c * 4] = p[c - x];
        p += run;
      } else {
        if (p >= end) {
          report(kCodeChannelData, "ファイルが正常に読み込めない");
          return false;
        }
        uint8_t v = *p++;
        if (rowInside)
          for (int64_t c = from; c < to; ++c) out[c * 4] = v;
      }
      x += run;
    }
  }
  return true;
}

}  // namespace kobre
