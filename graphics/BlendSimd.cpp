// The packed routines with SSE2 (4 pixels a step) and AVX2 (8 pixels a step).
// AVX2 code is marked per function, so this file builds for the x86-64
// baseline and the AVX2 functions run only after the probe found the unit.
// Results equal the one-pixel packed routines bit for bit; row tails go
// through those.
#include "graphics/Blend.h"

#if defined(__x86_64__)
// The intrinsics headers pull in <stdlib.h> only for _mm_malloc, which is
// not used; its guard is set so that the core's banned names stay banned.
#define _MM_MALLOC_H_INCLUDED
#define __MM_MALLOC_H
#include <immintrin.h>

#define KOBRE_AVX2 __attribute__((target("avx2")))

namespace kobre {

namespace {

// ---------------------------------------------------------------- SSE2

inline __m128i load4(const uint32_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store4(uint32_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Each pixel's alpha in the four 16-bit lanes of that pixel.
inline __m128i spreadAlpha(__m128i wide) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(wide, 0xFF), 0xFF);
}

// (s*a + d*(255-a)) >> 8 on 16-bit lanes.
inline __m128i mix16(__m128i s, __m128i d, __m128i a) {
  const __m128i c255 = _mm_set1_epi16(255);
  __m128i sum = _mm_adds_epu16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, _mm_sub_epi16(c255, a)));
  return _mm_srli_epi16(sum, 8);
}

inline __m128i select(__m128i mask, __m128i a, __m128i b) {
  return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

void sse2Darken(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h, int srcStride,
                int brightness) {
  const __m128i k = _mm_set1_epi8(static_cast<char>(255 - clampByte(brightness)));
  const int body = w & ~3;
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < body; x += 4) store4(dst + x, _mm_subs_epu8(load4(src + x), k));
    if (body < w)
      packedScalarBlendRoutines().blitDarken(dst + body, dstStride, src + body, w - body, 1,
                                             srcStride, brightness);
  }
}

void sse2Alpha(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h, int srcStride) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i amask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const int body = w & ~3;
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < body; x += 4) {
      __m128i s = load4(src + x);
      __m128i as = _mm_and_si128(s, amask);
      __m128i opaque = _mm_cmpeq_epi32(as, amask);
      int opaqueBits = _mm_movemask_epi8(opaque);
      if (opaqueBits == 0xFFFF) {
        store4(dst + x, s);
        continue;
      }
      __m128i clear = _mm_cmpeq_epi32(as, zero);
      int clearBits = _mm_movemask_epi8(clear);
      if (clearBits == 0xFFFF) continue;
      __m128i d = load4(dst + x);
      __m128i slo = _mm_unpacklo_epi8(s, zero), shi = _mm_unpackhi_epi8(s, zero);
      __m128i lo = mix16(slo, _mm_unpacklo_epi8(d, zero), spreadAlpha(slo));
      __m128i hi = mix16(shi, _mm_unpackhi_epi8(d, zero), spreadAlpha(shi));
      __m128i r = _mm_packus_epi16(lo, hi);
      // Opaque pixels are copied and clear ones kept, also in mixed vectors.
      if (opaqueBits != 0) r = select(opaque, s, r);
      if (clearBits != 0) r = select(clear, d, r);
      store4(dst + x, r);
    }
    if (body < w)
      packedScalarBlendRoutines().blendAlpha(dst + body, dstStride, src + body, w - body, 1,
                                             srcStride);
  }
}

void sse2AlphaOpacity(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h,
                      int srcStride, int opacity) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i amask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i o = _mm_set1_epi16(static_cast<short>(clampByte(opacity)));
  const int body = w & ~3;
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < body; x += 4) {
      __m128i s = load4(src + x);
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, amask), zero)) == 0xFFFF) continue;
      __m128i d = load4(dst + x);
      __m128i slo = _mm_unpacklo_epi8(s, zero), shi = _mm_unpackhi_epi8(s, zero);
      __m128i dlo = _mm_unpacklo_epi8(d, zero), dhi = _mm_unpackhi_epi8(d, zero);
      __m128i alo = _mm_srli_epi16(_mm_mullo_epi16(spreadAlpha(slo), o), 8);
      __m128i ahi = _mm_srli_epi16(_mm_mullo_epi16(spreadAlpha(shi), o), 8);
      __m128i lo = mix16(slo, dlo, alo), hi = mix16(shi, dhi, ahi);
      __m128i zlo = _mm_cmpeq_epi16(alo, zero), zhi = _mm_cmpeq_epi16(ahi, zero);
      if (_mm_movemask_epi8(_mm_or_si128(zlo, zhi)) != 0) {  // pixels whose a became 0
        lo = select(zlo, dlo, lo);
        hi = select(zhi, dhi, hi);
      }
      store4(dst + x, _mm_packus_epi16(lo, hi));
    }
    if (body < w)
      packedScalarBlendRoutines().blendAlphaOpacity(dst + body, dstStride, src + body, w - body, 1,
                                                    srcStride, opacity);
  }
}

void sse2AlphaDarken(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h, int srcStride,
                     int brightness) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i amask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i b = _mm_set1_epi16(static_cast<short>(clampByte(brightness)));
  const int body = w & ~3;
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < body; x += 4) {
      __m128i s = load4(src + x);
      __m128i clear = _mm_cmpeq_epi32(_mm_and_si128(s, amask), zero);
      int clearBits = _mm_movemask_epi8(clear);
      if (clearBits == 0xFFFF) continue;
      __m128i d = load4(dst + x);
      __m128i slo = _mm_unpacklo_epi8(s, zero), shi = _mm_unpackhi_epi8(s, zero);
      __m128i lo = mix16(slo, _mm_unpacklo_epi8(d, zero), spreadAlpha(slo));
      __m128i hi = mix16(shi, _mm_unpackhi_epi8(d, zero), spreadAlpha(shi));
      lo = _mm_srli_epi16(_mm_mullo_epi16(lo, b), 8);
      hi = _mm_srli_epi16(_mm_mullo_epi16(hi, b), 8);
      __m128i r = _mm_packus_epi16(lo, hi);
      store4(dst + x, clearBits != 0 ? select(clear, d, r) : r);
    }
    if (body < w)
      packedScalarBlendRoutines().blendAlphaDarken(dst + body, dstStride, src + body, w - body, 1,
                                                   srcStride, brightness);
  }
}

// ---------------------------------------------------------------- AVX2

KOBRE_AVX2 inline __m256i load8(const uint32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
KOBRE_AVX2 inline void store8(uint32_t* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Alpha of each pixel into its four 16-bit lanes, straight from the packed
// pixels: low half takes pixels 0-1 of each 128-bit lane, high half 2-3.
KOBRE_AVX2 inline __m256i spreadAlphaLo(__m256i s) {
  const __m256i idx = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1,  //
                                       3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1);
  return _mm256_shuffle_epi8(s, idx);
}
KOBRE_AVX2 inline __m256i spreadAlphaHi(__m256i s) {
  const __m256i idx =
      _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1,  //
                       11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
  return _mm256_shuffle_epi8(s, idx);
}

KOBRE_AVX2 inline __m256i mix16x(__m256i s, __m256i d, __m256i a) {
  const __m256i c255 = _mm256_set1_epi16(255);
  __m256i sum =
      _mm256_adds_epu16(_mm256_mullo_epi16(s, a), _mm256_mullo_epi16(d, _mm256_sub_epi16(c255, a)));
  return _mm256_srli_epi16(sum, 8);
}

KOBRE_AVX2 inline __m256i selectx(__m256i mask, __m256i a, __m256i b) {
  return _mm256_blendv_epi8(b, a, mask);
}

KOBRE_AVX2 void avx2Darken(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h,
                           int srcStride, int brightness) {
  const __m256i k = _mm256_set1_epi8(static_cast<char>(255 - clampByte(brightness)));
  const int body = w & ~7;
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < body; x += 8) store8(dst + x, _mm256_subs_epu8(load8(src + x), k));
    if (body < w)
      packedScalarBlendRoutines().blitDarken(dst + body, dstStride, src + body, w - body, 1,
                                             srcStride, brightness);
  }
}

KOBRE_AVX2 void avx2Alpha(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h,
                          int srcStride) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i amask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const int body = w & ~7;
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < body; x += 8) {
      __m256i s = load8(src + x);
      __m256i as = _mm256_and_si256(s, amask);
      __m256i opaque = _mm256_cmpeq_epi32(as, amask);
      if (_mm256_movemask_epi8(opaque) == -1) {
        store8(dst + x, s);
        continue;
      }
      __m256i clear = _mm256_cmpeq_epi32(as, zero);
      int clearBits = _mm256_movemask_epi8(clear);
      if (clearBits == -1) continue;
      __m256i d = load8(dst + x);
      __m256i lo =
          mix16x(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero), spreadAlphaLo(s));
      __m256i hi =
          mix16x(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero), spreadAlphaHi(s));
      __m256i r = _mm256_packus_epi16(lo, hi);
      if (_mm256_movemask_epi8(opaque) != 0) r = selectx(opaque, s, r);
      if (clearBits != 0) r = selectx(clear, d, r);
      store8(dst + x, r);
    }
    if (body < w)
      packedScalarBlendRoutines().blendAlpha(dst + body, dstStride, src + body, w - body, 1,
                                             srcStride);
  }
}

KOBRE_AVX2 void avx2AlphaOpacity(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h,
                                 int srcStride, int opacity) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i amask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i o = _mm256_set1_epi16(static_cast<short>(clampByte(opacity)));
  const int body = w & ~7;
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < body; x += 8) {
      __m256i s = load8(src + x);
      __m256i as = _mm256_and_si256(s, amask);
      if (_mm256_testz_si256(as, as)) continue;
      __m256i d = load8(dst + x);
      __m256i dlo = _mm256_unpacklo_epi8(d, zero), dhi = _mm256_unpackhi_epi8(d, zero);
      __m256i alo = _mm256_srli_epi16(_mm256_mullo_epi16(spreadAlphaLo(s), o), 8);
      __m256i ahi = _mm256_srli_epi16(_mm256_mullo_epi16(spreadAlphaHi(s), o), 8);
      __m256i lo = mix16x(_mm256_unpacklo_epi8(s, zero), dlo, alo);
      __m256i hi = mix16x(_mm256_unpackhi_epi8(s, zero), dhi, ahi);
      __m256i zlo = _mm256_cmpeq_epi16(alo, zero), zhi = _mm256_cmpeq_epi16(ahi, zero);
      __m256i z = _mm256_or_si256(zlo, zhi);
      if (!_mm256_testz_si256(z, z)) {  // pixels whose a became 0
        lo = selectx(zlo, dlo, lo);
        hi = selectx(zhi, dhi, hi);
      }
      store8(dst + x, _mm256_packus_epi16(lo, hi));
    }
    if (body < w)
      packedScalarBlendRoutines().blendAlphaOpacity(dst + body, dstStride, src + body, w - body, 1,
                                                    srcStride, opacity);
  }
}

KOBRE_AVX2 void avx2AlphaDarken(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h,
                                int srcStride, int brightness) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i amask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i b = _mm256_set1_epi16(static_cast<short>(clampByte(brightness)));
  const int body = w & ~7;
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < body; x += 8) {
      __m256i s = load8(src + x);
      __m256i as = _mm256_and_si256(s, amask);
      if (_mm256_testz_si256(as, as)) continue;
      __m256i clear = _mm256_cmpeq_epi32(as, zero);
      __m256i d = load8(dst + x);
      __m256i lo =
          mix16x(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero), spreadAlphaLo(s));
      __m256i hi =
          mix16x(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero), spreadAlphaHi(s));
      lo = _mm256_srli_epi16(_mm256_mullo_epi16(lo, b), 8);
      hi = _mm256_srli_epi16(_mm256_mullo_epi16(hi, b), 8);
      __m256i r = _mm256_packus_epi16(lo, hi);
      store8(dst + x, _mm256_testz_si256(clear, clear) ? r : selectx(clear, d, r));
    }
    if (body < w)
      packedScalarBlendRoutines().blendAlphaDarken(dst + body, dstStride, src + body, w - body, 1,
                                                   srcStride, brightness);
  }
}

void copyRows(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h, int srcStride) {
  if (dstStride == w && srcStride == w) {
    std::memcpy(dst, src, static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    return;
  }
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride)
    std::memcpy(dst, src, static_cast<size_t>(w) * 4);
}

const BlendRoutines kSse2 = {"sse2",    copyRows,         sse2Darken,
                             sse2Alpha, sse2AlphaOpacity, sse2AlphaDarken};
const BlendRoutines kAvx2 = {"avx2",    copyRows,         avx2Darken,
                             avx2Alpha, avx2AlphaOpacity, avx2AlphaDarken};

}  // namespace

const BlendRoutines* packedSse2BlendRoutines(const ProcessorInfo& info) {
  return info.hasSse2 ? &kSse2 : nullptr;
}
const BlendRoutines* packedAvx2BlendRoutines(const ProcessorInfo& info) {
  return info.hasAvx2 ? &kAvx2 : nullptr;
}

}  // namespace kobre

#else

namespace kobre {
const BlendRoutines* packedSse2BlendRoutines(const ProcessorInfo&) {
  return nullptr;
}
const BlendRoutines* packedAvx2BlendRoutines(const ProcessorInfo&) {
  return nullptr;
}
}  // namespace kobre

#endif
