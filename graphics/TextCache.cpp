#include "graphics/TextCache.h"

#include <algorithm>
#include <string>

#include "common/UntilZero.h"

namespace kobre {

namespace {

// XRGB, as the rasteriser and the back buffer hold colours, from 0x00BBGGRR.
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

// The target rectangle one run can touch, generously: glyphs may overhang
// their cell a little on every side, and the shadow adds a pixel right and
// down.
Rect runRect(const TextRun& run, int x, int y, int pixelHeight) {
  long long h = std::max(pixelHeight, 1);
  long long left = static_cast<long long>(x) + run.x - 2 - h / 8;
  long long top = static_cast<long long>(y) + run.y - 2 - h / 8;
  long long right = static_cast<long long>(x) + run.x +
                    static_cast<long long>(run.bytes.size()) * ((h + 1) / 2) + h / 4 + 4;
  long long bottom =
      static_cast<long long>(y) + run.y + std::max<long long>(kTextLineHeight, h + h / 2) + 3;
  auto fit = [](long long v) {
    return static_cast<int>(std::clamp<long long>(v, -1000000, 1000000));
  };
  return {fit(left), fit(top), fit(right), fit(bottom)};
}

}  // namespace

struct TextCache::State {
  // What the cache was made from.
  bool valid = false;
  std::string text;
  platform::FontSpec font;
  bool hasFont = false;
  uint32_t colour = 0;
  int cellWidth = 0, columns = 0, rows = 0, x = 0, y = 0;
  std::string openingBrackets;
  std::string closingMarks;
  std::string heroName;
  platform::TextRasterizer* raster = nullptr;
  int targetW = 0, targetH = 0;

  std::vector<TextRun> fullRuns;  // the whole text; views into text / heroName
  std::vector<TextRun> runs;      // the prefix drawn so far
  // Premultiplied colour and alpha of text over shadow, for the target
  // rectangle (cacheX, cacheY, cacheW, cacheH) the whole text can touch.
  int cacheX = 0, cacheY = 0, cacheW = 0, cacheH = 0;
  std::vector<uint32_t> pixels;
  struct Span {
    int row, x0, x1;
  };
  std::vector<Span> spans;
  uint64_t rasterPasses = 0;

  bool matches(const TextDrawRequest& r, const TextRenderer& renderer,
               platform::TextRasterizer* rasterizer, std::string_view hero,
               const TextTarget& target) const {
    if (!valid || r.text != text || r.colour != colour || r.cellWidth != cellWidth ||
        r.columns != columns || r.rows != rows || r.x != x || r.y != y ||
        untilZero(renderer.openingBrackets) != openingBrackets ||
        untilZero(renderer.closingMarks) != closingMarks || rasterizer != raster ||
        target.width != targetW || target.height != targetH || hero != heroName)
      return false;
    if ((r.font != nullptr) != hasFont) return false;
    if (r.font && (r.font->face != font.face || r.font->pixelHeight != font.pixelHeight ||
                   r.font->bold != font.bold || r.font->italic != font.italic))
      return false;
    return true;
  }

  void rebuild(const TextDrawRequest& r, const TextRenderer& renderer,
               platform::TextRasterizer* rasterizer, std::string_view hero,
               const TextTarget& target) {
    text.assign(r.text);
    hasFont = r.font != nullptr;
    font = r.font ? *r.font : platform::FontSpec{};
    colour = r.colour;
    cellWidth = r.cellWidth;
    columns = r.columns;
    rows = r.rows;
    x = r.x;
    y = r.y;
    openingBrackets.assign(untilZero(renderer.openingBrackets));
    closingMarks.assign(untilZero(renderer.closingMarks));
    heroName.assign(hero);
    raster = rasterizer;
    targetW = target.width;
    targetH = target.height;

    TextLayoutInput in;
    in.text = text;
    in.cellWidth = cellWidth;
    in.columns = columns;
    in.rows = rows;
    in.shownChars = 10000;
    in.openingBrackets = openingBrackets;
    in.closingMarks = closingMarks;
    in.heroName = heroName;
    layoutText(in, fullRuns);

    Rect box;
    for (const TextRun& run : fullRuns) box.unite(runRect(run, x, y, font.pixelHeight));
    box.clip({0, 0, targetW, targetH});
    if (box.empty()) box = {};
    cacheX = box.x0;
    cacheY = box.y0;
    cacheW = box.x1 - box.x0;
    cacheH = box.y1 - box.y0;
    pixels.assign(static_cast<size_t>(cacheW) * static_cast<size_t>(cacheH), 0u);
    spans.clear();
    runs.clear();
    valid = true;
  }

  // Rasterises runs[first..] and folds them over the cache.
  void rasterise(size_t first, TextRenderer& renderer) {
    if (cacheW <= 0 || cacheH <= 0 || raster == nullptr) return;
    const int W = targetW, H = targetH;
    if (renderer.scratch.size() < static_cast<size_t>(W) * static_cast<size_t>(H))
      renderer.scratch.assign(static_cast<size_t>(W) * static_cast<size_t>(H), 0u);

    Rect area;
    for (size_t i = first; i < runs.size(); ++i)
      area.unite(runRect(runs[i], x, y, font.pixelHeight));
    area.clip({cacheX, cacheY, cacheX + cacheW, cacheY + cacheH});
    if (area.empty()) return;
    uint32_t* scratch = renderer.scratch.data();
    for (int row = area.y0; row < area.y1; ++row)
      std::fill(scratch + static_cast<size_t>(row) * W + area.x0,
                scratch + static_cast<size_t>(row) * W + area.x1, 0u);

    // Coverage once per run, in white; the shadow is the same coverage one
    // pixel right and down.
    ++rasterPasses;
    for (size_t i = first; i < runs.size(); ++i) {
      const TextRun& run = runs[i];
      if (run.bytes.empty()) continue;
      raster->drawText(scratch, W, H, W, x + run.x, y + run.y, run.bytes, font, 0xFFFFFF);
    }

    // New text over its shadow over what the cache already holds.
    const uint32_t c = toXrgb(colour);
    const uint32_t cr = (c >> 16) & 0xFF, cg = (c >> 8) & 0xFF, cb = c & 0xFF;
    for (int row = area.y0; row < area.y1; ++row) {
      uint32_t* out = pixels.data() + static_cast<size_t>(row - cacheY) * cacheW;
      const uint32_t* line = scratch + static_cast<size_t>(row) * W;
      const uint32_t* above = row > area.y0 ? line - W : nullptr;
      for (int col = area.x0; col < area.x1; ++col) {
        uint32_t t = coverage(line[col]);
        uint32_t s = (above && col > area.x0) ? coverage(above[col - 1]) : 0;
        if (t == 0 && s == 0) continue;
        uint32_t& o = out[col - cacheX];
        uint32_t oa = o >> 24, orr = (o >> 16) & 0xFF, og = (o >> 8) & 0xFF, ob = o & 0xFF;
        uint32_t keep = mul255(255 - t, 255 - s);  // how much of the old shows through
        uint32_t a = std::min<uint32_t>(255, t + mul255(255 - t, s) + mul255(keep, oa));
        uint32_t r = std::min(a, mul255(t, cr) + mul255(keep, orr));
        uint32_t g = std::min(a, mul255(t, cg) + mul255(keep, og));
        uint32_t b = std::min(a, mul255(t, cb) + mul255(keep, ob));
        o = (a << 24) | (r << 16) | (g << 8) | b;
      }
    }
  }

  void buildSpans() {
    spans.clear();
    for (int row = 0; row < cacheH; ++row) {
      const uint32_t* line = pixels.data() + static_cast<size_t>(row) * cacheW;
      int col = 0;
      while (col < cacheW) {
        while (col < cacheW && (line[col] >> 24) == 0) ++col;
        if (col >= cacheW) break;
        int start = col;
        while (col < cacheW && (line[col] >> 24) != 0) ++col;
        spans.push_back({row, start, col});
      }
    }
  }
};

TextCache::TextCache() = default;
TextCache::~TextCache() = default;
TextCache::TextCache(TextCache&&) noexcept = default;
TextCache& TextCache::operator=(TextCache&&) noexcept = default;

void TextCache::clear() {
  state_.reset();
}

const std::vector<TextRun>& TextCache::shownRuns() const {
  static const std::vector<TextRun> kNone;
  return state_ ? state_->runs : kNone;
}

uint64_t TextCache::rasterPasses() const {
  return state_ ? state_->rasterPasses : 0;
}

Rect TextCache::bounds(const TextDrawRequest& request, TextRenderer& renderer,
                       platform::TextRasterizer* raster, std::string_view heroName,
                       const TextTarget& target) {
  if (!state_) state_ = std::make_unique<State>();
  State& st = *state_;
  if (!st.matches(request, renderer, raster, heroName, target)) {
    uint64_t passes = st.rasterPasses;
    st.rebuild(request, renderer, raster, heroName, target);
    st.rasterPasses = passes;
  }
  return {st.cacheX, st.cacheY, st.cacheX + st.cacheW, st.cacheY + st.cacheH};
}

void TextCache::draw(const TextDrawRequest& request, TextRenderer& renderer,
                     platform::TextRasterizer* raster, std::string_view heroName,
                     const TextTarget& target) {
  if (target.pixels == nullptr || target.width <= 0 || target.height <= 0) return;
  (void)bounds(request, renderer, raster, heroName, target);
  State& st = *state_;

  // The shown runs are always a prefix of the whole layout: showing more
  // rasterises only the new ones, showing fewer starts again.
  size_t want = std::min(st.fullRuns.size(), static_cast<size_t>(std::max(request.shownChars, 0)));
  if (want < st.runs.size()) {
    st.runs.clear();
    st.spans.clear();
    std::fill(st.pixels.begin(), st.pixels.end(), 0u);
  }
  if (want > st.runs.size()) {
    size_t first = st.runs.size();
    st.runs.assign(st.fullRuns.begin(), st.fullRuns.begin() + static_cast<ptrdiff_t>(want));
    st.rasterise(first, renderer);
    st.buildSpans();
  }

  // The clip in cache coordinates.
  const Rect clip = target.clip.clipped({0, 0, target.width, target.height});
  const int clipX0 = clip.x0 - st.cacheX, clipX1 = clip.x1 - st.cacheX;
  const int clipY0 = clip.y0 - st.cacheY, clipY1 = clip.y1 - st.cacheY;
  for (const State::Span& span : st.spans) {
    if (span.row < clipY0 || span.row >= clipY1) continue;
    const int x0 = std::max(span.x0, clipX0), x1 = std::min(span.x1, clipX1);
    const uint32_t* src = st.pixels.data() + static_cast<size_t>(span.row) * st.cacheW;
    uint32_t* dst =
        target.pixels + static_cast<ptrdiff_t>(st.cacheY + span.row) * target.stride + st.cacheX;
    for (int i = x0; i < x1; ++i) {
      uint32_t s = src[i];
      uint32_t a = s >> 24;
      if (a == 255) {
        dst[i] = s & 0xFFFFFF;
        continue;
      }
      // dst = src + dst * (255 - a) / 255, red and blue in one word.
      uint32_t d = dst[i];
      uint32_t inv = 255 - a;
      uint32_t rb = (d & 0xFF00FF) * inv + 0x800080;
      rb = ((rb + ((rb >> 8) & 0xFF00FF)) >> 8) & 0xFF00FF;
      uint32_t g = ((d >> 8) & 0xFF) * inv + 0x80;
      g = ((g + (g >> 8)) >> 8) << 8;
      dst[i] = (s & 0xFFFFFF) + rb + g;
    }
  }
}

}  // namespace kobre
