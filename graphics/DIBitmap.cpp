#include "graphics/DIBitmap.h"

#include <algorithm>
#include <atomic>

#include "common/AsciiCase.h"
#include "common/ByteReader.h"
#include "graphics/PSD.h"
#include "storage/ArchiveFile.h"

namespace kobre {

namespace {

constexpr std::string_view kUnit = "DIBitmap";
// Fixed codes of the reporting places.
constexpr int kCodeCreate = 210;
constexpr int kCodeBmpBytes = 231;
constexpr int kCodeBmpDepth = 232;

// One count for all bitmaps, so a bitmap made at a freed one's address never
// repeats its stamp.
std::atomic<uint64_t> changeCount{0};

}  // namespace

void DIBitmap::touch() {
  stamp_ = changeCount.fetch_add(1, std::memory_order_relaxed) + 1;
}

bool DIBitmap::create(int width, int height, int frames) {
  release();
  touch();
  uint64_t limit = context_ != nullptr ? context_->maxBitmapBytes : uint64_t{256} << 20;
  bool sizeOk = width > 0 && height > 0 && frames > 0 && frames <= kMaxFrames;
  uint64_t count = 0;
  if (sizeOk) {
    count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) *
            static_cast<uint64_t>(frames);
    sizeOk = count * 4 <= limit;
  }
  // calloc: large blocks arrive as untouched zero pages.
  uint32_t* block = sizeOk ? static_cast<uint32_t*>(std::calloc(count, 4)) : nullptr;
  if (block == nullptr) {
    if (context_ != nullptr)
      context_->reportError(kUnit, kCodeCreate, "ビットマップが作成できません", "");
    return false;
  }
  pixels_.reset(block);
  width_ = width;
  height_ = height;
  frames_ = frames;
  return true;
}

void DIBitmap::release() {
  touch();
  endDraw();
  pixels_.reset();
  alphaInUse_ = false;
  width_ = height_ = frames_ = 0;
}

uint32_t* DIBitmap::address(int frame) const {
  if (!isComplete() || frame < 0 || frame >= frames_) return nullptr;
  return pixels_.get() +
         static_cast<size_t>(frame) * static_cast<size_t>(width_) * static_cast<size_t>(height_);
}

uint32_t* DIBitmap::pixels(int frame) {
  // Whoever asks for writable pixels may write them.
  touch();
  return address(frame);
}

const uint32_t* DIBitmap::pixels(int frame) const {
  return address(frame);
}

bool DIBitmap::fill(uint32_t value) {
  uint32_t* p = pixels(0);
  if (p == nullptr) return false;
  size_t n = static_cast<size_t>(width_) * static_cast<size_t>(height_);
  if (value == 0)
    std::memset(p, 0, n * 4);
  else
    std::fill(p, p + n, value);
  return true;
}

DrawContext* DIBitmap::beginDraw(int frame) {
  touch();
  if (drawing_) return &drawContext_;
  uint32_t* p = pixels(frame);
  if (p == nullptr) return nullptr;
  drawContext_ = DrawContext{p, width_, height_, width_, frame};
  drawing_ = true;
  return &drawContext_;
}

bool DIBitmap::endDraw() {
  touch();
  bool had = drawing_;
  drawing_ = false;
  drawContext_ = DrawContext{};
  return had;
}

bool DIBitmap::load(std::string_view name) {
  if (endsWithIgnoreAsciiCase(name, ".bmp")) {
    release();
    std::vector<uint8_t> bytes;
    if (context_ == nullptr || readPictureBytes(*context_, name, bytes) != PictureRead::kOk) {
      if (context_ != nullptr)
        context_->reportError(kUnit, kCodeBmpBytes, "メモリが足りない、またはファイルが開けない",
                              context_->displayText(name));
      return false;
    }
    return loadBmp(name, bytes);
  }
  PSD psd(context_);
  if (!psd.open(name)) {
    release();
    return false;
  }
  bool ok = psd.loadInto(*this);
  psd.release();
  return ok;
}

bool DIBitmap::loadBmp(std::string_view name, std::span<const uint8_t> bytes) {
  release();
  auto refuse = [&](int code, std::string_view message) {
    if (context_ != nullptr)
      context_->reportError(kUnit, code, message, context_->displayText(name));
    return false;
  };
  // The header fields read: pixel-data offset, width, height, bits per pixel.
  if (bytes.size() < 30) return refuse(kCodeBmpBytes, "メモリが足りない、またはファイルが開けない");
  ByteReader header(bytes);
  header.skip(10);
  const uint32_t offset = header.le32();
  header.skip(4);  // info header size
  const int32_t width = header.le32s();
  const int32_t storedHeight = header.le32s();
  // A negative height stores the rows top-down.
  const bool topDown = storedHeight < 0 && storedHeight != INT32_MIN;
  const int32_t height = topDown ? -storedHeight : storedHeight;
  header.skip(2);  // planes
  const uint32_t bits = header.le16();
  if (bits != 24) return refuse(kCodeBmpDepth, "サポートされない色数");
  const uint64_t stride = (static_cast<uint64_t>(width) * 3 + 3) & ~uint64_t{3};
  std::span<const uint8_t> rows;
  if (width > 0 && height > 0) {
    // Every row must be in the file (the last one may lack its padding), so a
    // header cannot ask for more memory than the file backs.
    ByteReader body(bytes);
    body.seek(offset);
    rows =
        body.bytes(stride * static_cast<uint64_t>(height - 1) + static_cast<uint64_t>(width) * 3);
    if (body.ranOut()) return refuse(kCodeBmpBytes, "メモリが足りない、またはファイルが開けない");
  }
  if (!create(width, height, 1)) return false;
  uint32_t* dst = pixels(0);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = rows.data() + stride * static_cast<uint64_t>(topDown ? y : height - 1 - y);
    uint32_t* row = dst + static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int32_t x = 0; x < width; ++x, src += 3)
      row[x] = 0xFF000000u | (static_cast<uint32_t>(src[2]) << 16) |
               (static_cast<uint32_t>(src[1]) << 8) | src[0];
  }
  alphaInUse_ = false;
  return true;
}

PictureRead unpackPictureEntry(std::vector<uint8_t>& entry, LzssWindow& window, uint64_t maxBytes,
                               std::vector<uint8_t>& out) {
  ByteReader head(entry);
  if (entry.size() >= 12 && head.match("PAK ")) {
    head.skip(4);
    const uint64_t size = head.le32();
    const std::span<const uint8_t> stream = head.rest();
    // Nothing but a hostile entry declares more than its stream can give.
    if (size > maxBytes || size > lzssMaxOutput(stream.size())) return PictureRead::kNoMemory;
    out.assign(static_cast<size_t>(size), 0);
    lzssDecompress(stream, out, window);
    return PictureRead::kOk;
  }
  applyScrambleKey(std::span<uint8_t>(entry.data(), std::min<size_t>(entry.size(), 32)));
  out = std::move(entry);
  return PictureRead::kOk;
}

PictureRead readPictureBytes(GraphicsContext& context, std::string_view name,
                             std::vector<uint8_t>& out) {
  out.clear();
  if (context.files != nullptr && context.files->readAll(name, out, context.maxFileBytes))
    return PictureRead::kOk;
  out.clear();
  std::vector<uint8_t> entry;
  if (context.imageArchive == nullptr || !context.imageArchive->readEntry(name, entry))
    return PictureRead::kNotFound;
  return unpackPictureEntry(entry, context.lzss, context.maxFileBytes, out);
}

}  // namespace kobre
