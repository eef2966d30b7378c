// A typical scene with a full message window: background, one character with
// alpha, the translucent message box and four rows of thirty characters of
// text with their shadows. kobre composes it from its sprite slots (the text
// from its glyph cache); pixman draws the same layers with 120 pre-rendered
// glyph pictures.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchCheck.h"
#include "common/Settings.h"
#include "common/SjisText.h"
#include "graphics/DIB.h"
#include "graphics/DIBSprite.h"
#include "graphics/GraphicsContext.h"
#include "platform/headless/HeadlessPlatform.h"

namespace {

using namespace kobre;

constexpr int kRows = 4;
constexpr int kColumns = 30;
constexpr int kBoxX = 20, kBoxY = 440, kBoxW = 760, kBoxH = 150;
constexpr int kTextX = 50, kTextY = 470;

uint32_t noise(uint32_t& seed) {
  seed = seed * 1664525u + 1013904223u;
  return seed;
}

void fillBackground(uint32_t* p, int w, int h) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      p[y * w + x] = 0xFF000000u | (static_cast<uint32_t>(x & 0xFF) << 16) |
                     (static_cast<uint32_t>(y & 0xFF) << 8) | static_cast<uint32_t>((x + y) & 0xFF);
}

// A character picture: opaque inside an ellipse, a soft edge, clear outside.
// Straight alpha for kobre; premultiplied when asked (pixman).
void fillCharacter(uint32_t* p, int w, int h, bool premultiply) {
  uint32_t seed = 7;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double dx = (x - w / 2.0) / (w / 2.0), dy = (y - h / 2.0) / (h / 2.0);
      double d = dx * dx + dy * dy;
      uint32_t a = d < 0.8 ? 255 : d < 1.0 ? static_cast<uint32_t>((1.0 - d) * 5 * 255) : 0;
      uint32_t c = noise(seed);
      uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      if (premultiply) {
        r = r * a / 255;
        g = g * a / 255;
        b = b * a / 255;
      }
      p[y * w + x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
}

// Four lines of thirty two-byte characters, each line ended by a line feed.
std::string messageText() {
  std::string text;
  for (int row = 0; row < kRows; ++row) {
    for (int col = 0; col < kColumns; ++col) {
      text += '\x82';
      text += static_cast<char>(0xA0 + (row * kColumns + col) % 80);
    }
    text += '\n';
  }
  return text;
}

struct KobreScene {
  platform::headless::HeadlessPlatform headless{"/nonexistent"};
  Settings settings;
  uint32_t pressed = 0;
  GraphicsContext context;
  DIB back{&context};
  SpriteSlots slots;
  platform::FontSpec font;

  KobreScene() {
    context.host = &headless.host;
    context.clock = &headless.clock;
    context.raster = &headless.raster;
    context.settings = &settings;
    context.pressedButtons = &pressed;
    context.textRenderer.openingBrackets = kSjisOpeningBrackets;
    context.textRenderer.closingMarks = kSjisClosingMarks;
    std::memcpy(settings.heroName, kSjisDefaultHeroName.data(), kSjisDefaultHeroName.size());
    attachSpriteSlots(slots, &context);
    kobre::bench::mustSucceed(back.create(), "back buffer");
    font.face = std::string(kSjisDefaultFontFace);
    font.pixelHeight = 22;

    kobre::bench::mustSucceed(slots[0].createBlank(800, 600), "background");
    fillBackground(slots[0].bitmap()->pixels(0), 800, 600);
    kobre::bench::mustSucceed(slots[1].createBlank(400, 600), "character");
    slots[1].bitmap()->setAlpha(true);
    fillCharacter(slots[1].bitmap()->pixels(0), 400, 600, false);
    slots[1].setPosition(200, 0);
    kobre::bench::mustSucceed(slots[5].createBox(kBoxX, kBoxY, kBoxW, kBoxH), "message box");
    slots[7].setText(messageText(), &font, 0xFFFFFF, 22, kColumns + 1, kRows);
    slots[7].setPosition(kTextX, kTextY);
  }
};

void BM_SceneTextKobre(benchmark::State& state) {
  KobreScene scene;
  scene.back.compose(scene.slots);  // rasterises the text once
  for (auto _ : state) {
    scene.back.compose(scene.slots);
    benchmark::DoNotOptimize(scene.back.surface()->pixels(0)[kTextY * 800 + kTextX]);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SceneTextKobre)->Name("scene_text/kobre");

void BM_SceneTextPixman(benchmark::State& state) {
  std::vector<uint32_t> dst(800 * 600), bg(800 * 600), chara(400 * 600);
  fillBackground(bg.data(), 800, 600);
  fillCharacter(chara.data(), 400, 600, true);
  // One glyph picture per character: an 11 x 11 mark and its black shadow,
  // premultiplied, in a 24 x 28 cell (as the headless rasteriser draws them).
  constexpr int kGlyphW = 24, kGlyphH = 28;
  std::vector<std::vector<uint32_t>> glyphs(kRows * kColumns,
                                            std::vector<uint32_t>(kGlyphW * kGlyphH, 0));
  for (auto& g : glyphs) {
    for (int y = 3; y < 14; ++y)
      for (int x = 2; x < 13; ++x) g[y * kGlyphW + x] = 0xFF000000u;
    for (int y = 2; y < 13; ++y)
      for (int x = 1; x < 12; ++x) g[y * kGlyphW + x] = 0xFFFFFFFFu;
  }

  pixman_image_t* d = pixman_image_create_bits(PIXMAN_x8r8g8b8, 800, 600, dst.data(), 800 * 4);
  pixman_image_t* b = pixman_image_create_bits(PIXMAN_x8r8g8b8, 800, 600, bg.data(), 800 * 4);
  pixman_image_t* c = pixman_image_create_bits(PIXMAN_a8r8g8b8, 400, 600, chara.data(), 400 * 4);
  pixman_color_t boxColour = {0, 0, 0, 0x8080};  // black at half opacity, premultiplied
  pixman_image_t* box = pixman_image_create_solid_fill(&boxColour);
  std::vector<pixman_image_t*> glyphImages;
  for (auto& g : glyphs)
    glyphImages.push_back(
        pixman_image_create_bits(PIXMAN_a8r8g8b8, kGlyphW, kGlyphH, g.data(), kGlyphW * 4));

  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, b, nullptr, d, 0, 0, 0, 0, 0, 0, 800, 600);
    pixman_image_composite32(PIXMAN_OP_OVER, c, nullptr, d, 0, 0, 0, 0, 200, 0, 400, 600);
    pixman_image_composite32(PIXMAN_OP_OVER, box, nullptr, d, 0, 0, 0, 0, kBoxX, kBoxY, kBoxW,
                             kBoxH);
    for (int i = 0; i < kRows * kColumns; ++i) {
      int x = kTextX + (i % kColumns) * 22, y = kTextY + (i / kColumns) * 26;
      pixman_image_composite32(PIXMAN_OP_OVER, glyphImages[static_cast<size_t>(i)], nullptr, d, 0,
                               0, 0, 0, x, y, kGlyphW, kGlyphH);
    }
    benchmark::DoNotOptimize(dst[kTextY * 800 + kTextX]);
  }
  for (auto* g : glyphImages) pixman_image_unref(g);
  pixman_image_unref(box);
  pixman_image_unref(c);
  pixman_image_unref(b);
  pixman_image_unref(d);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SceneTextPixman)->Name("scene_text/pixman");

}  // namespace
