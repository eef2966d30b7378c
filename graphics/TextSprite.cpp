#include "graphics/TextSprite.h"

#include <algorithm>
#include <cstring>

namespace kobre {

namespace {

// The XRGB colour the rasteriser and the back buffer use, from 0x00BBGGRR.
uint32_t toXrgb(uint32_t colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

// Coverage of a pixel the rasteriser drew in white over black.
inline uint32_t coverage(uint32_t px) {
  uint32_t r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
  return std::max(r, std::max(g, b));
}

inline uint32_t mul255(uint32_t a, uint32_t b) {
  uint32_t t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

// The screen rectangle one run can touch, generously: glyphs may overhang
// their cell a little on every side, and the shadow adds a pixel.
struct Rect {
  int x0, y0, x1, y1;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
  void unite(const Rect& r) {
    if (r.empty()) return;
    if (empty()) {
      *this = r;
      return;
    }
    x0 = std::min(x0, r.x0);
    y0 = std::min(y0, r.y0);
    x1 = std::max(x1, r.x1);
    y1 = std::max(y1, r.y1);
  }
  void clip(int w, int h) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, w);
    y1 = std::min(y1, h);
  }
};

Rect runRect(const TextRun& run, int x, int y, int pixelHeight) {
  int h = std::max(pixelHeight, 1);
  long long width = static_cast<long long>(run.bytes.size()) * ((h + 1) / 2) + h / 4 + 4;
  long long left = static_cast<long long>(x) + run.x - 2 - h / 8;
  long long top = static_cast<long long>(y) + run.y - 2 - h / 8;
  long long right = left + width + 2 + h / 8;
  long long bottom = static_cast<long long>(y) + run.y + std::max(kTextLineHeight, h + h / 2) + 3;
  auto clampLL = [](long long v) {
    return static_cast<int>(std::clamp<long long>(v, -100000, 100000));
  };
  return {clampLL(left), clampLL(top), clampLL(right), clampLL(bottom)};
}

}  // namespace

std::string_view TextRenderer::heroName() const {
  if (!heroName_) return {};
  return std::string_view(heroName_, strnlen(heroName_, 8));
}

TextSprite& TextSprite::operator=(const TextSprite& other) {
  if (this == &other) return *this;
  hasText_ = other.hasText_;
  text_ = other.text_;
  font_ = other.font_;
  colour_ = other.colour_;
  cellWidth_ = other.cellWidth_;
  columns_ = other.columns_;
  rows_ = other.rows_;
  shownChars_ = other.shownChars_;
  runs_.clear();
  fullRuns_.clear();
  spans_.clear();
  cache_.clear();
  invalidate();
  return *this;
}

void TextSprite::setText(std::string_view text, const platform::FontSpec& font, uint32_t colour,
                         int cellWidth, int columns, int rows) {
  size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  text_.assign(text);
  font_ = font;
  colour_ = colour & 0xFFFFFF;
  cellWidth_ = cellWidth;
  columns_ = columns;
  rows_ = rows;
  shownChars_ = 10000;
  hasText_ = true;
  invalidate();
}

void TextSprite::release() {
  hasText_ = false;
  text_.clear();
  runs_.clear();
  fullRuns_.clear();
  spans_.clear();
  invalidate();
}

void TextSprite::setFont(const platform::FontSpec& font) {
  font_ = font;
  invalidate();
}

void TextSprite::setColour(uint32_t colour) {
  colour_ = colour & 0xFFFFFF;
  invalidate();
}

void TextSprite::setShownChars(int n) {
  shownChars_ = n;
}

int TextSprite::charCount() const {
  return hasText_ ? textCharCount(text_) : 0;
}

void TextSprite::draw(TextRenderer& renderer, uint32_t* target, int stride, int x, int y) {
  if (!hasText_ || !target) return;
  const TextTables* tables = renderer.tables();
  uint32_t generation = tables ? tables->generation : 0;
  if (!layoutValid_ || x != layoutX_ || y != layoutY_ || generation != tablesGeneration_ ||
      renderer.heroName() != heroName_) {
    rebuild(renderer, x, y);
  }
  // More or fewer characters shown than cached: the shown runs are always a
  // prefix of the full layout, so growing only rasterises the new ones.
  size_t want = std::min(fullRuns_.size(), static_cast<size_t>(std::max(shownChars_, 0)));
  if (want < runs_.size()) {
    runs_.clear();
    std::fill(cache_.begin(), cache_.end(), 0u);
  }
  if (want > runs_.size()) {
    size_t first = runs_.size();
    runs_.assign(fullRuns_.begin(), fullRuns_.begin() + static_cast<ptrdiff_t>(want));
    rasterise(renderer, first, x, y);
    buildSpans();
  } else if (want == 0) {
    spans_.clear();
  }

  // Blend the cached premultiplied text over the target, span by span.
  for (const Span& span : spans_) {
    const uint32_t* src = cache_.data() + static_cast<size_t>(span.row) * cacheW_;
    uint32_t* dst = target + static_cast<ptrdiff_t>(cacheY_ + span.row) * stride + cacheX_;
    for (int i = span.x0; i < span.x1; ++i) {
      uint32_t s = src[i];
      uint32_t a = s >> 24;
      if (a == 255) {
        dst[i] = s & 0xFFFFFF;
        continue;
      }
      uint32_t d = dst[i];
      uint32_t inv = 255 - a;
      // Two channels at once in 16-bit lanes: red and blue, then green.
      uint32_t rb = (d & 0xFF00FF) * inv + 0x800080;
      rb = ((rb + ((rb >> 8) & 0xFF00FF)) >> 8) & 0xFF00FF;
      uint32_t g = (d & 0xFF00) * inv + 0x8000;
      g = ((g + (g >> 8)) >> 8) & 0xFF00;
      dst[i] = (s & 0xFFFFFF) + rb + g;
    }
  }
}

void TextSprite::rebuild(TextRenderer& renderer, int x, int y) {
  heroName_.assign(renderer.heroName());
  TextLayoutInput in;
  in.text = text_;
  in.cellWidth = cellWidth_;
  in.columns = columns_;
  in.rows = rows_;
  in.shownChars = 10000;
  in.tables = renderer.tables();
  in.heroName = heroName_;
  layoutText(in, fullRuns_);

  Rect box{0, 0, 0, 0};
  for (const TextRun& run : fullRuns_) box.unite(runRect(run, x, y, font_.pixelHeight));
  box.clip(TextRenderer::kWidth, TextRenderer::kHeight);
  if (box.empty()) box = {0, 0, 0, 0};
  cacheX_ = box.x0;
  cacheY_ = box.y0;
  cacheW_ = box.x1 - box.x0;
  cacheH_ = box.y1 - box.y0;
  cache_.assign(static_cast<size_t>(cacheW_) * static_cast<size_t>(cacheH_), 0u);
  spans_.clear();
  runs_.clear();
  layoutX_ = x;
  layoutY_ = y;
  tablesGeneration_ = renderer.tables() ? renderer.tables()->generation : 0;
  layoutValid_ = true;
}

void TextSprite::rasterise(TextRenderer& renderer, size_t firstRun, int x, int y) {
  if (cacheW_ <= 0 || cacheH_ <= 0 || !renderer.raster_) return;
  constexpr int W = TextRenderer::kWidth, H = TextRenderer::kHeight;
  if (renderer.scratch_.size() != static_cast<size_t>(W) * H)
    renderer.scratch_.assign(static_cast<size_t>(W) * H, 0u);

  // Where the new runs can land (inside the cache), cleared before drawing.
  Rect area{0, 0, 0, 0};
  for (size_t i = firstRun; i < runs_.size(); ++i)
    area.unite(runRect(runs_[i], x, y, font_.pixelHeight));
  area.clip(W, H);
  area.x0 = std::max(area.x0, cacheX_);
  area.y0 = std::max(area.y0, cacheY_);
  area.x1 = std::min(area.x1, cacheX_ + cacheW_);
  area.y1 = std::min(area.y1, cacheY_ + cacheH_);
  if (area.empty()) return;
  uint32_t* scratch = renderer.scratch_.data();
  for (int row = area.y0; row < area.y1; ++row)
    std::fill(scratch + static_cast<size_t>(row) * W + area.x0,
              scratch + static_cast<size_t>(row) * W + area.x1, 0u);

  // Glyph coverage once per run, in white; the shadow is the same coverage
  // one pixel right and down.
  ++rasterPasses_;
  for (size_t i = firstRun; i < runs_.size(); ++i) {
    const TextRun& run = runs_[i];
    if (run.bytes.empty()) continue;
    renderer.raster_->drawText(scratch, W, H, W, x + run.x, y + run.y, run.bytes, font_, 0xFFFFFF);
  }

  // Fold the new text over what the cache holds: text over shadow over old.
  const uint32_t colour = toXrgb(colour_);
  const uint32_t cr = (colour >> 16) & 0xFF, cg = (colour >> 8) & 0xFF, cb = colour & 0xFF;
  for (int row = area.y0; row < area.y1; ++row) {
    uint32_t* out = cache_.data() + static_cast<size_t>(row - cacheY_) * cacheW_ - cacheX_;
    const uint32_t* line = scratch + static_cast<size_t>(row) * W;
    const uint32_t* above = row > area.y0 ? line - W : nullptr;
    for (int col = area.x0; col < area.x1; ++col) {
      uint32_t t = coverage(line[col]);
      uint32_t s = (above && col > area.x0) ? coverage(above[col - 1]) : 0;
      if (t == 0 && s == 0) continue;
      uint32_t old = out[col];
      uint32_t oa = old >> 24, orr = (old >> 16) & 0xFF, og = (old >> 8) & 0xFF, ob = old & 0xFF;
      // Shadow (black) over old, then text over that.
      uint32_t keep = mul255(255 - t, 255 - s);  // how much of the old shows through
      uint32_t a = t + mul255(255 - t, s) + mul255(keep, oa);
      if (a > 255) a = 255;
      uint32_t r = mul255(t, cr) + mul255(keep, orr);
      uint32_t g = mul255(t, cg) + mul255(keep, og);
      uint32_t b = mul255(t, cb) + mul255(keep, ob);
      out[col] = (a << 24) | (std::min(r, a) << 16) | (std::min(g, a) << 8) | std::min(b, a);
    }
  }
}

void TextSprite::buildSpans() {
  spans_.clear();
  for (int row = 0; row < cacheH_; ++row) {
    const uint32_t* line = cache_.data() + static_cast<size_t>(row) * cacheW_;
    int col = 0;
    while (col < cacheW_) {
      while (col < cacheW_ && (line[col] >> 24) == 0) ++col;
      if (col >= cacheW_) break;
      int start = col;
      while (col < cacheW_ && (line[col] >> 24) != 0) ++col;
      spans_.push_back({row, start, col});
    }
  }
}

}  // namespace kobre
