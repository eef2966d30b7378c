// The text part of a sprite: a string laid out on the cell grid and drawn with
// a one-pixel black shadow. Glyphs go through the platform's text rasteriser
// only when the text (or what of it is shown) changes; every composed frame
// blends the cached result.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/TextLayout.h"
#include "platform/TextRasterizer.h"

namespace kobre {

// What every text sprite of one runtime shares: the rasteriser, the character
// tables, the hero name and a screen-sized scratch surface the glyphs are
// rasterised into before they are folded into a sprite's cache.
class TextRenderer {
 public:
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 600;

  TextRenderer() = default;
  TextRenderer(platform::TextRasterizer* raster, const TextTables* tables, const char* heroName)
      : raster_(raster), tables_(tables), heroName_(heroName) {}

  void setRasterizer(platform::TextRasterizer* raster) { raster_ = raster; }
  void setTables(const TextTables* tables) { tables_ = tables; }
  // A zero-terminated CP932 buffer owned elsewhere (the settings' User/Name).
  void setHeroName(const char* heroName) { heroName_ = heroName; }

  platform::TextRasterizer* rasterizer() const { return raster_; }
  const TextTables* tables() const { return tables_; }
  std::string_view heroName() const;

 private:
  friend class TextSprite;
  platform::TextRasterizer* raster_ = nullptr;
  const TextTables* tables_ = nullptr;
  const char* heroName_ = nullptr;
  std::vector<uint32_t> scratch_;  // kWidth x kHeight, allocated on first use
};

class TextSprite {
 public:
  TextSprite() = default;
  // Copies keep the text and its settings; the cache (whose runs point into
  // the text) is built again on the next draw.
  TextSprite(const TextSprite& other) { *this = other; }
  TextSprite& operator=(const TextSprite& other);

  // Replaces the text. colour is 0x00BBGGRR; shownChars becomes 10000.
  void setText(std::string_view text, const platform::FontSpec& font, uint32_t colour,
               int cellWidth, int columns, int rows);
  void release();
  bool hasText() const { return hasText_; }

  void setFont(const platform::FontSpec& font);
  void setColour(uint32_t colour);
  void setShownChars(int n);
  int shownChars() const { return shownChars_; }
  // Two-byte characters in the text.
  int charCount() const;

  std::string_view text() const { return text_; }
  const platform::FontSpec& font() const { return font_; }
  uint32_t colour() const { return colour_; }
  int cellWidth() const { return cellWidth_; }
  int columns() const { return columns_; }
  int rows() const { return rows_; }

  // Draws the text with its top-left cell at (x, y) into an 800 x 600 target.
  void draw(TextRenderer& renderer, uint32_t* target, int stride, int x, int y);

  // The runs of the shown text as last drawn (offsets from the sprite's x, y).
  const std::vector<TextRun>& shownRuns() const { return runs_; }
  // How many times glyphs were sent to the rasteriser (once per change).
  uint64_t rasterPasses() const { return rasterPasses_; }

 private:
  struct Span {
    int row;  // row inside the cache
    int x0, x1;
  };
  void invalidate() { layoutValid_ = false; }
  void rebuild(TextRenderer& renderer, int x, int y);
  void rasterise(TextRenderer& renderer, size_t firstRun, int x, int y);
  void buildSpans();

  bool hasText_ = false;
  std::string text_;
  platform::FontSpec font_;
  uint32_t colour_ = 0xFFFFFF;
  int cellWidth_ = 22;
  int columns_ = 0;
  int rows_ = 0;
  int shownChars_ = 10000;

  // Cache: premultiplied colour and alpha of the text with its shadow over the
  // screen rectangle (cacheX, cacheY, cacheW, cacheH) the full text can touch.
  bool layoutValid_ = false;
  int layoutX_ = 0, layoutY_ = 0;  // sprite position the cache was made for
  uint32_t tablesGeneration_ = 0;
  std::string heroName_;  // the name the cache was made with
  std::vector<TextRun> runs_;
  std::vector<TextRun> fullRuns_;
  int cacheX_ = 0, cacheY_ = 0, cacheW_ = 0, cacheH_ = 0;
  std::vector<uint32_t> cache_;
  std::vector<Span> spans_;
  uint64_t rasterPasses_ = 0;
};

}  // namespace kobre
