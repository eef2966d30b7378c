// The blending routines against a straightforward reference, bit for bit,
// over the edge values of alpha, opacity and brightness.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "graphics/Blend.h"

namespace kobre {
namespace {

uint32_t pixel(uint32_t b, uint32_t g, uint32_t r, uint32_t a) {
  return b | (g << 8) | (r << 16) | (a << 24);
}
uint32_t ch(uint32_t p, int i) {
  return (p >> (8 * i)) & 0xFF;
}

enum class Routine { kCopy, kDarken, kAlpha, kAlphaOpacity, kAlphaDarken };

// One pixel as the formulas read. packed: all four lanes as the packed
// versions compute them; otherwise the plain results (alpha kept).
uint32_t reference(Routine r, bool packed, uint32_t s, uint32_t d, int value) {
  const uint32_t sA = s >> 24;
  const int lanes = packed ? 4 : 3;
  uint32_t out = packed ? 0 : (d & 0xFF000000u);
  auto sub = [](uint32_t c, uint32_t k) { return c > k ? c - k : 0u; };
  auto mix = [](uint32_t sc, uint32_t dc, uint32_t a) { return (sc * a + dc * (255 - a)) >> 8; };
  switch (r) {
    case Routine::kCopy:
      return s;
    case Routine::kDarken:
      for (int i = 0; i < lanes; ++i) out |= sub(ch(s, i), 255u - value) << (8 * i);
      return out;
    case Routine::kAlpha:
      if (sA == 0) return d;
      if (packed && sA == 255) return s;
      for (int i = 0; i < lanes; ++i) out |= mix(ch(s, i), ch(d, i), sA) << (8 * i);
      return out;
    case Routine::kAlphaOpacity: {
      uint32_t a = (sA * static_cast<uint32_t>(value)) >> 8;
      if (a == 0) return d;
      for (int i = 0; i < lanes; ++i) out |= mix(ch(s, i), ch(d, i), a) << (8 * i);
      return out;
    }
    case Routine::kAlphaDarken:
      if (sA == 0) return d;
      for (int i = 0; i < lanes; ++i) {
        uint32_t m = mix(ch(s, i), ch(d, i), sA);
        uint32_t c = packed ? (m * static_cast<uint32_t>(value)) >> 8 : sub(m, 255u - value);
        out |= c << (8 * i);
      }
      return out;
  }
  return 0;
}

void run(const BlendRoutines& v, Routine r, uint32_t* dst, int dstStride, const uint32_t* src,
         int w, int h, int srcStride, int value) {
  switch (r) {
    case Routine::kCopy:
      v.blitCopy(dst, dstStride, src, w, h, srcStride);
      break;
    case Routine::kDarken:
      v.blitDarken(dst, dstStride, src, w, h, srcStride, value);
      break;
    case Routine::kAlpha:
      v.blendAlpha(dst, dstStride, src, w, h, srcStride);
      break;
    case Routine::kAlphaOpacity:
      v.blendAlphaOpacity(dst, dstStride, src, w, h, srcStride, value);
      break;
    case Routine::kAlphaDarken:
      v.blendAlphaDarken(dst, dstStride, src, w, h, srcStride, value);
      break;
  }
}

struct Version {
  const BlendRoutines* routines;
  bool packed;
};

std::vector<Version> versions() {
  ProcessorInfo info;
  probeProcessor(info);
  std::vector<Version> out = {{&plainBlendRoutines(), false}, {&packedScalarBlendRoutines(), true}};
  if (auto* r = packedSse2BlendRoutines(info)) out.push_back({r, true});
  if (auto* r = packedAvx2BlendRoutines(info)) out.push_back({r, true});
  return out;
}

const uint8_t kEdges[] = {0, 1, 2, 54, 55, 56, 100, 126, 127, 128, 129, 200, 253, 254, 255};

// Every combination of edge source alpha, source and destination channel
// values (different per channel) in one picture; rows of odd widths so that
// every vector tail is taken.
struct Fixture {
  std::vector<uint32_t> src, dst;
  int width = 0, height = 0;
};

Fixture edgeFixture(int width) {
  std::vector<uint32_t> s, d;
  for (uint8_t a : kEdges)
    for (uint8_t sv : kEdges)
      for (uint8_t dv : kEdges) {
        s.push_back(pixel(sv, 255 - sv, (sv * 7) & 0xFF, a));
        d.push_back(pixel(dv, (dv * 3) & 0xFF, 255 - dv, (dv * 5) & 0xFF));
      }
  // Runs of one alpha, for the all-opaque and all-clear vector paths.
  for (uint8_t a : {0, 255, 128})
    for (int i = 0; i < 40; ++i) {
      s.push_back(pixel(i * 6, 90, 255 - i, a));
      d.push_back(pixel(17, i * 5, 33, 200));
    }
  Fixture f;
  f.width = width;
  f.height = static_cast<int>((s.size() + width - 1) / width);
  s.resize(static_cast<size_t>(f.width * f.height), pixel(9, 9, 9, 77));
  d.resize(s.size(), pixel(1, 2, 3, 4));
  f.src = s;
  f.dst = d;
  return f;
}

TEST(Blend, EveryVersionMatchesTheReferenceOverEdgeValues) {
  const Routine routines[] = {Routine::kCopy, Routine::kDarken, Routine::kAlpha,
                              Routine::kAlphaOpacity, Routine::kAlphaDarken};
  for (const Version& v : versions()) {
    for (Routine r : routines) {
      for (int value : {0, 1, 54, 55, 127, 128, 129, 200, 254, 255}) {
        for (int width : {1, 3, 7, 8, 9, 15, 17, 33}) {
          Fixture f = edgeFixture(width);
          // Destination rows wider than the source rows, with a margin that
          // must stay untouched.
          const int dstStride = width + 5;
          std::vector<uint32_t> dst(static_cast<size_t>(dstStride * f.height), 0xDEADBEEF);
          for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < width; ++x)
              dst[static_cast<size_t>(y * dstStride + x)] =
                  f.dst[static_cast<size_t>(y * width + x)];
          run(*v.routines, r, dst.data(), dstStride, f.src.data(), width, f.height, width, value);
          for (int y = 0; y < f.height; ++y) {
            for (int x = 0; x < dstStride; ++x) {
              uint32_t got = dst[static_cast<size_t>(y * dstStride + x)];
              if (x >= width) {
                ASSERT_EQ(got, 0xDEADBEEFu) << v.routines->name;
                continue;
              }
              size_t i = static_cast<size_t>(y * width + x);
              uint32_t want = reference(r, v.packed, f.src[i], f.dst[i], value);
              ASSERT_EQ(got, want) << v.routines->name << " routine " << static_cast<int>(r)
                                   << " value " << value << " width " << width << " pixel " << i
                                   << std::hex << " src " << f.src[i] << " dst " << f.dst[i];
            }
          }
        }
      }
    }
  }
}

TEST(Blend, RandomPicturesMatchTheReference) {
  std::mt19937 rng(1234);
  for (const Version& v : versions()) {
    for (int round = 0; round < 20; ++round) {
      int w = 1 + static_cast<int>(rng() % 70), h = 1 + static_cast<int>(rng() % 5);
      int value = static_cast<int>(rng() % 256);
      std::vector<uint32_t> src(static_cast<size_t>(w * h)), dst(src.size());
      for (auto& p : src) p = rng();
      for (auto& p : dst) p = rng();
      for (Routine r :
           {Routine::kDarken, Routine::kAlpha, Routine::kAlphaOpacity, Routine::kAlphaDarken}) {
        std::vector<uint32_t> out = dst;
        run(*v.routines, r, out.data(), w, src.data(), w, h, w, value);
        for (size_t i = 0; i < out.size(); ++i)
          ASSERT_EQ(out[i], reference(r, v.packed, src[i], dst[i], value)) << v.routines->name;
      }
    }
  }
}

// The worked examples.
struct Example {
  const char* what;
  Routine routine;
  bool packed;
  uint32_t src, dst;
  int value;
  uint32_t want;  // colour bytes only
};

TEST(Blend, WorkedExamples) {
  const Example examples[] = {
      {"alpha 128 over grey", Routine::kAlpha, true, pixel(10, 20, 30, 128),
       pixel(200, 200, 200, 0), 255, pixel(104, 109, 114, 0)},
      {"alpha 128 over grey, plain", Routine::kAlpha, false, pixel(10, 20, 30, 128),
       pixel(200, 200, 200, 0), 255, pixel(104, 109, 114, 0)},
      {"opacity 128 blends alpha 255 as 127: (255 * 127) >> 8", Routine::kAlphaOpacity, true,
       pixel(255, 255, 255, 255), pixel(0, 0, 0, 0), 128, pixel(126, 126, 126, 0)},
      {"darken to black", Routine::kDarken, true, pixel(255, 128, 1, 255), pixel(9, 9, 9, 0), 0,
       pixel(0, 0, 0, 0)},
      {"darken by 55", Routine::kDarken, false, pixel(100, 55, 20, 255), pixel(9, 9, 9, 0), 200,
       pixel(45, 0, 0, 0)},
      {"darkened white, packed", Routine::kAlphaDarken, true, pixel(255, 255, 255, 255),
       pixel(0, 0, 0, 0), 128, pixel(127, 127, 127, 0)},
      {"darkened white, plain", Routine::kAlphaDarken, false, pixel(255, 255, 255, 255),
       pixel(0, 0, 0, 0), 128, pixel(127, 127, 127, 0)},
      {"darkened 100, packed", Routine::kAlphaDarken, true, pixel(100, 100, 100, 255),
       pixel(0, 0, 0, 0), 128, pixel(49, 49, 49, 0)},
      {"darkened 100, plain", Routine::kAlphaDarken, false, pixel(100, 100, 100, 255),
       pixel(0, 0, 0, 0), 128, pixel(0, 0, 0, 0)},
      {"opaque white, plain", Routine::kAlpha, false, pixel(255, 255, 255, 255), pixel(0, 0, 0, 0),
       255, pixel(254, 254, 254, 0)},
      {"opaque white, packed", Routine::kAlpha, true, pixel(255, 255, 255, 255), pixel(0, 0, 0, 0),
       255, pixel(255, 255, 255, 0)},
  };
  for (const Version& v : versions()) {
    for (const Example& e : examples) {
      if (e.packed != v.packed) continue;
      uint32_t src[9], dst[9];
      for (int i = 0; i < 9; ++i) {  // nine copies: vector body and tail
        src[i] = e.src;
        dst[i] = e.dst;
      }
      run(*v.routines, e.routine, dst, 9, src, 9, 1, 9, e.value);
      for (uint32_t d : dst) EXPECT_EQ(d & 0xFFFFFF, e.want) << v.routines->name << ": " << e.what;
    }
  }
}

TEST(Blend, ClearSourceLeavesTheDestinationWhateverTheValues) {
  for (const Version& v : versions()) {
    for (int value : {0, 1, 128, 254, 255}) {
      for (Routine r : {Routine::kAlpha, Routine::kAlphaOpacity, Routine::kAlphaDarken}) {
        std::vector<uint32_t> src(19, pixel(200, 100, 50, 0)), dst(19, pixel(1, 2, 3, 4));
        run(*v.routines, r, dst.data(), 19, src.data(), 19, 1, 19, value);
        for (uint32_t d : dst) EXPECT_EQ(d, pixel(1, 2, 3, 4)) << v.routines->name;
      }
    }
  }
}

TEST(Blend, ProbeAndChoice) {
  ProcessorInfo info;
  probeProcessor(info);
#if defined(__x86_64__)
  EXPECT_EQ(info.hasCpuid, 1);
  EXPECT_EQ(info.hasMmx, 1);
  EXPECT_EQ(info.hasSse2, 1);
  EXPECT_EQ(std::string(info.vendor).size(), 12u);
#endif
  EXPECT_EQ(&selectBlendRoutines(info, false), &plainBlendRoutines());
  const BlendRoutines& chosen = selectBlendRoutines(info, true);
  EXPECT_NE(&chosen, &plainBlendRoutines());
  if (info.hasAvx2) {
    EXPECT_STREQ(chosen.name, "avx2");
  }
  // Without any vector unit the packed results still come, one pixel a time.
  ProcessorInfo bare;
  bare.hasMmx = 1;
  EXPECT_EQ(&selectBlendRoutines(bare, true), &packedScalarBlendRoutines());
}

}  // namespace
}  // namespace kobre
