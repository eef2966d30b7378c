// Reader of layered Photoshop documents (RGB, 8 bits, 3 or 4 channels): every
// layer becomes one frame of a DIBitmap at full document size, placed where
// the layer lies and cut to the document. Works on the whole file in memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/GraphicsContext.h"

namespace kobre {

class ByteReader;
class DIBitmap;

class PSD {
 public:
  explicit PSD(GraphicsContext* context = nullptr) : context_(context) {}

  // Reads the file's bytes (loose file, else the image archive) and checks
  // the document.
  [[nodiscard]] bool open(std::string_view name);
  // The same over bytes already read (tests, fuzzing).
  [[nodiscard]] bool openBytes(std::string_view name, std::vector<uint8_t> bytes);

  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  int layerCount() const { return layerCount_; }
  bool hasAlpha() const { return hasAlpha_; }

  // Decodes layer into a frame of width() x height() pixels whose rows are
  // rowBytes apart. Sets alphaInUse only when all four channels of a document
  // with transparency decoded; clears it for a document without. False when
  // a channel failed.
  [[nodiscard]] bool readLayer(uint32_t* frame, int layer, int rowBytes, bool& alphaInUse);

  // create on the bitmap and every layer into its frame. A layer that fails
  // is left transparent; in a document without transparency it fails the
  // whole picture (the bitmap is released).
  [[nodiscard]] bool loadInto(DIBitmap& bitmap);

  void release();

 private:
  struct Layout;
  struct ChannelSpot;
  // One channel's destination: every fourth byte of frame (already moved to
  // the channel's byte), the layer's rectangle, and who it is for reports.
  struct ChannelTarget {
    uint8_t* frame;
    int rowBytes;
    int32_t top, left;
    int64_t width, height;
    int layer, channelId;
  };
  bool parse(Layout& layout) const;
  bool findChannel(int layer, int channelId, ChannelSpot& spot);
  bool decodeChannel(uint8_t* frame, int rowBytes, int layer, int channelId, int byteOffset);
  bool decodeRaw(ByteReader& r, const ChannelTarget& t);
  bool decodePackBits(ByteReader& r, const ChannelTarget& t);
  bool decodeZip(ByteReader& r, const ChannelTarget& t, bool predicted);
  void storeRow(const ChannelTarget& t, int64_t row, const uint8_t* in) const;
  int64_t firstColumn(const ChannelTarget& t) const;
  int64_t endColumn(const ChannelTarget& t) const;
  void report(int code, std::string_view message) const;

  GraphicsContext* context_;
  std::vector<uint8_t> data_;
  uint32_t width_ = 0, height_ = 0;
  bool hasAlpha_ = false;
  int layerCount_ = 0;
  std::string name_;
};

}  // namespace kobre
