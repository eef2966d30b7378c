// The one image type: a stack of 1 to 100 frames of equal size, each 32-bit
// pixels (bytes blue, green, red, alpha; rows top-down, width x 4 bytes),
// written directly by the blending code and drawn on by the text rasteriser
// between beginDraw and endDraw. Also owns how a picture file's bytes are
// found and unpacked, and the 24-bit BMP reader.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "graphics/GraphicsContext.h"

namespace kobre {

// Where text is drawn into one frame.
struct DrawContext {
  uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;  // in pixels
  int frame = 0;
};

class DIBitmap {
 public:
  static constexpr int kMaxFrames = 100;

  explicit DIBitmap(GraphicsContext* context = nullptr) : context_(context) {}
  ~DIBitmap() { release(); }
  DIBitmap(const DIBitmap&) = delete;
  DIBitmap& operator=(const DIBitmap&) = delete;

  void setContext(GraphicsContext* context) { context_ = context; }

  // All frames zeroed. Refuses sizes below 1, more than 100 frames and more
  // pixel memory than the context allows.
  [[nodiscard]] bool create(int width, int height, int frames);
  void release();
  // ".bmp" at the end (any case): the 24-bit BMP reader; else the PSD reader,
  // one frame per layer.
  [[nodiscard]] bool load(std::string_view name);
  // The BMP reader over a file's bytes (name only for messages).
  [[nodiscard]] bool loadBmp(std::string_view name, std::span<const uint8_t> bytes);

  bool isComplete() const { return pixels_ != nullptr; }
  int width() const { return isComplete() ? width_ : 0; }
  int height() const { return isComplete() ? height_ : 0; }
  int frameCount() const { return isComplete() ? frames_ : 0; }
  uint32_t* pixels(int frame);
  const uint32_t* pixels(int frame) const;

  // Every pixel of frame 0 set to value (0xAARRGGBB).
  bool fill(uint32_t value);
  // The draw context on the given frame; an open one is returned as it is,
  // whatever frame is asked for. Null for a frame that does not exist.
  DrawContext* beginDraw(int frame);
  // Forgets the draw context; false when there was none.
  bool endDraw();

  bool hasAlpha() const { return alphaInUse_; }
  void setAlpha(bool flag) {
    touch();
    alphaInUse_ = flag;
  }

  // Changes whenever the picture may have changed: made, loaded, released,
  // writable pixels or a draw context handed out, alpha use switched. Unique
  // across all bitmaps, so equal stamps mean the same unchanged picture.
  uint64_t stamp() const { return stamp_; }
  // Renews the stamp: for pixels written through a pointer kept from before.
  void markChanged() { touch(); }

 private:
  struct FreeDeleter {
    void operator()(uint32_t* p) const { std::free(p); }
  };

  void touch();
  uint32_t* address(int frame) const;

  GraphicsContext* context_;
  uint64_t stamp_ = 0;
  std::unique_ptr<uint32_t, FreeDeleter> pixels_;
  DrawContext drawContext_;
  bool drawing_ = false;
  bool alphaInUse_ = false;
  int width_ = 0, height_ = 0, frames_ = 0;
};

enum class PictureRead { kOk, kNotFound, kNoMemory };

// A picture file's bytes: the loose file as it is, else the image archive's
// entry, unpacked ("PAK ") or with its 32-byte head unscrambled.
[[nodiscard]] PictureRead readPictureBytes(GraphicsContext& context, std::string_view name,
                                           std::vector<uint8_t>& out);

// An archive entry's bytes as the readers see them. A packed entry declaring
// more than its stream can produce (or than maxBytes) is refused (kNoMemory).
[[nodiscard]] PictureRead unpackPictureEntry(std::vector<uint8_t>& entry, LzssWindow& window,
                                             uint64_t maxBytes, std::vector<uint8_t>& out);

}  // namespace kobre
