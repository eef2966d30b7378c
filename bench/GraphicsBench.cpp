// Blending and composition against pixman (OVER, a solid mask for opacity) on
// the same buffers in the same process, plus LZSS and PSD decoding speed.
// Pictures for pixman are premultiplied copies of ours (identical where the
// alpha is 0 or 255).
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchCheck.h"
#include "common/Settings.h"
#include "graphics/Blend.h"
#include "graphics/DIB.h"
#include "graphics/DIBSprite.h"
#include "graphics/GraphicsContext.h"
#include "graphics/Lzss.h"
#include "graphics/PSD.h"
#include "tools/writers/LzssCompressor.h"
#include "tools/writers/PsdWriter.h"

namespace {

using namespace kobre;

constexpr int kW = 800, kH = 600;

// The version start-up would choose; KOBRE_BLEND=sse2, packed or plain
// measures another one.
const BlendRoutines& routines() {
  static const BlendRoutines* r = [] {
    ProcessorInfo info;
    probeProcessor(info);
    const BlendRoutines* chosen = &selectBlendRoutines(info, info.hasMmx != 0);
    if (const char* want = std::getenv("KOBRE_BLEND")) {
      std::string w = want;
      if (w == "sse2" && packedSse2BlendRoutines(info)) chosen = packedSse2BlendRoutines(info);
      if (w == "packed") chosen = &packedScalarBlendRoutines();
      if (w == "plain") chosen = &plainBlendRoutines();
    }
    return chosen;
  }();
  return *r;
}

struct Picture {
  int w = 0, h = 0;
  std::vector<uint32_t> pixels;  // ours: straight alpha
  std::vector<uint32_t> premultiplied;
  pixman_image_t* image = nullptr;

  Picture(int width, int height) : w(width), h(height), pixels(size_t(width) * height) {}
  Picture(const Picture&) = delete;
  ~Picture() {
    if (image) pixman_image_unref(image);
  }
  void finish() {
    premultiplied.resize(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) {
      uint32_t p = pixels[i], a = p >> 24;
      auto pm = [&](int shift) { return ((((p >> shift) & 0xFF) * a + 127) / 255) << shift; };
      premultiplied[i] = (a << 24) | pm(16) | pm(8) | pm(0);
    }
    image = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, premultiplied.data(), w * 4);
  }
};

uint32_t colourAt(int x, int y) {
  return static_cast<uint32_t>(((x * 3) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 | ((x + y) & 0xFF));
}

// A character: an upright ellipse covering about 60% of its 400 x 600 box,
// opaque inside, transparent outside, with a two-pixel anti-aliased edge.
void drawCharacter(Picture& p) {
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x) {
      double dx = (x - p.w / 2.0) / 150.0, dy = (y - 330.0) / 310.0;
      double edge = (1.0 - std::sqrt(dx * dx + dy * dy)) * 150.0;  // pixels inside the edge
      int a = static_cast<int>(std::lround(std::clamp(edge * 127.5 + 127.5, 0.0, 255.0)));
      p.pixels[size_t(y) * p.w + x] = (uint32_t(a) << 24) | colourAt(x, y);
    }
  p.finish();
}

struct Target {
  std::vector<uint32_t> pixels = std::vector<uint32_t>(size_t(kW) * kH);
  pixman_image_t* image;
  Target() {
    for (size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    image = pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, pixels.data(), kW * 4);
  }
  Target(const Target&) = delete;
  ~Target() { pixman_image_unref(image); }
};

Picture& opaquePicture() {
  static Picture p(kW, kH);
  if (!p.image) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) p.pixels[size_t(y) * kW + x] = 0xFF000000u | colourAt(x, y);
    p.finish();
  }
  return p;
}
Picture& halfPicture() {
  static Picture p(kW, kH);
  if (!p.image) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) p.pixels[size_t(y) * kW + x] = 0x80000000u | colourAt(x, y);
    p.finish();
  }
  return p;
}
Picture& characterPicture() {
  static Picture p(400, kH);
  if (!p.image) drawCharacter(p);
  return p;
}

void kobreBlend(benchmark::State& state, Picture& pic, int opacity) {
  Target t;
  const BlendRoutines& r = routines();
  for (auto _ : state) {
    if (opacity < 255)
      r.blendAlphaOpacity(t.pixels.data() + 200, kW, pic.pixels.data(), pic.w, pic.h, pic.w,
                          opacity);
    else
      r.blendAlpha(t.pixels.data() + (pic.w < kW ? 200 : 0), kW, pic.pixels.data(), pic.w, pic.h,
                   pic.w);
    benchmark::ClobberMemory();
  }
  state.SetLabel(r.name);
  state.SetItemsProcessed(state.iterations() * pic.w * pic.h);
}

void pixmanBlend(benchmark::State& state, Picture& pic, int opacity) {
  Target t;
  pixman_image_t* mask = nullptr;
  if (opacity < 255) {
    pixman_color_t c = {0, 0, 0, uint16_t(opacity * 257)};
    mask = pixman_image_create_solid_fill(&c);
  }
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, pic.image, mask, t.image, 0, 0, 0, 0,
                             pic.w < kW ? 200 : 0, 0, pic.w, pic.h);
    benchmark::ClobberMemory();
  }
  if (mask) pixman_image_unref(mask);
  state.SetItemsProcessed(state.iterations() * pic.w * pic.h);
}

void BM_blend_opaque_kobre(benchmark::State& s) {
  kobreBlend(s, opaquePicture(), 255);
}
void BM_blend_opaque_pixman(benchmark::State& s) {
  pixmanBlend(s, opaquePicture(), 255);
}
void BM_blend_character_kobre(benchmark::State& s) {
  kobreBlend(s, characterPicture(), 255);
}
void BM_blend_character_pixman(benchmark::State& s) {
  pixmanBlend(s, characterPicture(), 255);
}
void BM_blend_half_kobre(benchmark::State& s) {
  kobreBlend(s, halfPicture(), 255);
}
void BM_blend_half_pixman(benchmark::State& s) {
  pixmanBlend(s, halfPicture(), 255);
}
void BM_blend_opacity_kobre(benchmark::State& s) {
  kobreBlend(s, characterPicture(), 128);
}
void BM_blend_opacity_pixman(benchmark::State& s) {
  pixmanBlend(s, characterPicture(), 128);
}

BENCHMARK(BM_blend_opaque_kobre)->Name("blend_opaque/kobre");
BENCHMARK(BM_blend_opaque_pixman)->Name("blend_opaque/pixman");
BENCHMARK(BM_blend_character_kobre)->Name("blend_character/kobre");
BENCHMARK(BM_blend_character_pixman)->Name("blend_character/pixman");
BENCHMARK(BM_blend_half_kobre)->Name("blend_half/kobre");
BENCHMARK(BM_blend_half_pixman)->Name("blend_half/pixman");
BENCHMARK(BM_blend_opacity_kobre)->Name("blend_opacity/kobre");
BENCHMARK(BM_blend_opacity_pixman)->Name("blend_opacity/pixman");

// Copy of a picture without alpha, and the darkened copy.
void BM_blit_copy_kobre(benchmark::State& state) {
  Target t;
  Picture& p = opaquePicture();
  for (auto _ : state) {
    routines().blitCopy(t.pixels.data(), kW, p.pixels.data(), kW, kH, kW);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
void BM_blit_copy_pixman(benchmark::State& state) {
  Target t;
  Picture& p = opaquePicture();
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, p.pixels.data(), kW * 4);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, t.image, 0, 0, 0, 0, 0, 0, kW, kH);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(src);
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_blit_copy_kobre)->Name("blit_copy/kobre");
BENCHMARK(BM_blit_copy_pixman)->Name("blit_copy/pixman");

void BM_blit_darken_kobre(benchmark::State& state) {
  Target t;
  Picture& p = opaquePicture();
  for (auto _ : state) {
    routines().blitDarken(t.pixels.data(), kW, p.pixels.data(), kW, kH, kW, 128);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_blit_darken_kobre)->Name("blit_darken/kobre");

// The scene: an opaque background, two characters, the message box at
// Window/Alpha 128; the whole compose of the 130 slots (no pacing sleep).
struct Scene {
  Settings settings;
  GraphicsContext context;
  std::unique_ptr<SpriteSlots> slots = std::make_unique<SpriteSlots>();
  DIB back;
  Scene() {
    settings.windowRed = 20;
    settings.windowGreen = 40;
    settings.windowBlue = 90;
    settings.windowAlpha = 128;
    context.settings = &settings;
    context.blend = &routines();
    attachSpriteSlots(*slots, &context);
    back.setContext(&context);
    kobre::bench::mustSucceed(back.create(), "back buffer");
    Picture& bg = opaquePicture();
    Picture& ch = characterPicture();
    kobre::bench::mustSucceed((*slots)[0].createBlank(kW, kH), "background");
    std::memcpy((*slots)[0].bitmap()->pixels(0), bg.pixels.data(), bg.pixels.size() * 4);
    for (int i : {1, 2}) {
      kobre::bench::mustSucceed((*slots)[i].createBlank(400, kH), "character");
      (*slots)[i].bitmap()->setAlpha(true);
      std::memcpy((*slots)[i].bitmap()->pixels(0), ch.pixels.data(), ch.pixels.size() * 4);
      (*slots)[i].setPosition(i == 1 ? 0 : 400, 0);
    }
    kobre::bench::mustSucceed((*slots)[5].createBox(20, 440, 760, 150), "message box");
  }
};

void BM_scene_kobre(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) {
    scene.back.compose(*scene.slots);
    benchmark::ClobberMemory();
  }
  state.SetLabel(routines().name);
}

void BM_scene_pixman(benchmark::State& state) {
  Target t;
  Picture& bg = opaquePicture();
  Picture& ch = characterPicture();
  pixman_image_t* bgImage =
      pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, bg.pixels.data(), kW * 4);
  std::vector<uint32_t> boxPixels(760 * 150, 0xFF000000u | (20u << 16) | (40u << 8) | 90u);
  pixman_image_t* box =
      pixman_image_create_bits(PIXMAN_a8r8g8b8, 760, 150, boxPixels.data(), 760 * 4);
  pixman_color_t half = {0, 0, 0, 128 * 257};
  pixman_image_t* mask = pixman_image_create_solid_fill(&half);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, bgImage, nullptr, t.image, 0, 0, 0, 0, 0, 0, kW, kH);
    pixman_image_composite32(PIXMAN_OP_OVER, ch.image, nullptr, t.image, 0, 0, 0, 0, 0, 0, 400, kH);
    pixman_image_composite32(PIXMAN_OP_OVER, ch.image, nullptr, t.image, 0, 0, 0, 0, 400, 0, 400,
                             kH);
    pixman_image_composite32(PIXMAN_OP_OVER, box, mask, t.image, 0, 0, 0, 0, 20, 440, 760, 150);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(bgImage);
  pixman_image_unref(box);
  pixman_image_unref(mask);
}
BENCHMARK(BM_scene_kobre)->Name("scene/kobre");
BENCHMARK(BM_scene_pixman)->Name("scene/pixman");

// LZSS on script-like text (MB/s of output).
std::vector<uint8_t> scriptText(size_t bytes) {
  static const char* lines[] = {
      "bg cg\\bg012 FADE_IN\r\n",
      "\x81\x75\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8\x81\x41\x82\xa9\x82\xab\x81\x76\r\n",
      "ch 1 cg\\ch_yuka03 CENTER\r\n",
      "voice v01_0123\r\n",
      "\x82\xb1\x82\xea\x82\xcd\x81\x41\x83\x65\x83\x58\x83\x67\x82\xc5\x82\xb7\x81\x42\r\n",
      "if F1000 == 1 goto *route_a\r\n",
      "wait 30\r\n",
  };
  std::string s;
  uint32_t seed = 1;
  while (s.size() < bytes) {
    seed = seed * 1103515245u + 12345u;
    s += lines[(seed >> 16) % 7];
    if ((seed >> 8) % 3 == 0) s += std::to_string(seed % 1000);
  }
  s.resize(bytes);
  return {s.begin(), s.end()};
}

void BM_lzss_script(benchmark::State& state) {
  auto text = scriptText(1 << 20);
  auto stream = writers::lzssCompress(text);
  std::vector<uint8_t> out(text.size());
  LzssWindow window;
  for (auto _ : state) {
    lzssDecompress(stream, out, window);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(out.size()));
  state.SetLabel("ratio " +
                 std::to_string(double(stream.size()) / double(text.size())).substr(0, 4));
}
BENCHMARK(BM_lzss_script)->Name("lzss_script/kobre");

// PSD: an 800 x 600 document with a 400 x 600 PackBits character layer and a
// raw full layer (MB/s of frame pixels written).
void BM_psd_decode(benchmark::State& state) {
  writers::PsdDocument doc;
  doc.width = kW;
  doc.height = kH;
  Picture& ch = characterPicture();
  writers::PsdLayer character;
  character.left = 200;
  character.right = 600;
  character.bottom = kH;
  character.pixels = ch.pixels;
  character.compression = 1;
  doc.layers.push_back(character);
  writers::PsdLayer full;
  full.right = kW;
  full.bottom = kH;
  full.pixels = halfPicture().pixels;
  doc.layers.push_back(full);
  auto file = writers::writePsd(doc);
  GraphicsContext context;
  DIBitmap bitmap(&context);
  kobre::bench::mustSucceed(bitmap.create(kW, kH, 2), "bitmap");
  for (auto _ : state) {
    PSD psd(&context);
    kobre::bench::mustSucceed(psd.openBytes("bench.psd", file), "psd");
    bool alpha = false;
    for (int i = 0; i < 2; ++i)
      kobre::bench::mustSucceed(psd.readLayer(bitmap.pixels(i), i, kW * 4, alpha), "layer");
    benchmark::DoNotOptimize(bitmap.pixels(0));
  }
  state.SetBytesProcessed(state.iterations() * int64_t(400 + 800) * kH * 4);
}
BENCHMARK(BM_psd_decode)->Name("psd_decode/kobre");

}  // namespace
