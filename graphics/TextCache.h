// The drawing side of text sprites: the laid-out text with its one-pixel
// black shadow, rasterised through the platform's text rasteriser only when
// the text (or how much of it is shown) changes, and blended from the cache
// at every composed frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "graphics/Rect.h"
#include "graphics/TextLayout.h"
#include "platform/TextRasterizer.h"

namespace kobre {

// Shared by every text sprite of one runtime: the two character tables of
// the message box (views of buffers owned by the runtime, each ending at its
// first zero) and the scratch surface glyphs are rasterised into before they
// are folded into a sprite's cache.
struct TextRenderer {
  std::string_view openingBrackets;
  std::string_view closingMarks;
  std::vector<uint32_t> scratch;  // target-sized, allocated on first use
};

// What one text sprite asks to draw.
struct TextDrawRequest {
  std::string_view text;  // CP932
  const platform::FontSpec* font = nullptr;
  uint32_t colour = 0xFFFFFF;  // 0x00BBGGRR
  int cellWidth = 22;
  int columns = 1;
  int rows = 1;
  int shownChars = 10000;
  int x = 0, y = 0;  // top-left of the first cell on the target
};

struct TextTarget {
  uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;  // pixels
  // Only pixels inside this rectangle are written.
  Rect clip = kEverywhere;
};

class TextCache {
 public:
  TextCache();
  ~TextCache();
  TextCache(TextCache&&) noexcept;
  TextCache& operator=(TextCache&&) noexcept;

  // Draws the request into the target, rebuilding the cache first when
  // anything it was made from differs.
  void draw(const TextDrawRequest& request, TextRenderer& renderer,
            platform::TextRasterizer* raster, std::string_view heroName, const TextTarget& target);
  // The target rectangle the request's whole text can touch (however much of
  // it is shown), rebuilding the cache first when it is out of date.
  Rect bounds(const TextDrawRequest& request, TextRenderer& renderer,
              platform::TextRasterizer* raster, std::string_view heroName,
              const TextTarget& target);
  // Frees the cache.
  void clear();

  // The runs drawn at the last draw (offsets from the request's x, y).
  const std::vector<TextRun>& shownRuns() const;
  // How many times glyphs were sent to the rasteriser.
  uint64_t rasterPasses() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kobre
