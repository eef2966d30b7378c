#include "graphics/Blend.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace kobre {

namespace {

inline uint32_t channel(uint32_t p, int shift) {
  return (p >> shift) & 0xFF;
}

// ---- plain versions: colour bytes only, the destination's alpha stays ----

void plainCopy(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h, int srcStride) {
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride)
    std::memcpy(dst, src, static_cast<size_t>(w) * 4);
}

void plainDarken(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h, int srcStride,
                 int brightness) {
  const uint32_t k = 255u - static_cast<uint32_t>(clampByte(brightness));
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < w; ++x) {
      uint32_t s = src[x];
      uint32_t out = dst[x] & 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        uint32_t c = channel(s, shift);
        out |= (c > k ? c - k : 0) << shift;
      }
      dst[x] = out;
    }
  }
}

inline uint32_t plainMix(uint32_t s, uint32_t d, uint32_t a) {
  uint32_t out = d & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8)
    out |= ((channel(s, shift) * a + channel(d, shift) * (255 - a)) >> 8) << shift;
  return out;
}

void plainAlpha(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h, int srcStride) {
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < w; ++x) {
      uint32_t s = src[x];
      uint32_t a = s >> 24;
      if (a != 0) dst[x] = plainMix(s, dst[x], a);
    }
  }
}

void plainAlphaOpacity(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h,
                       int srcStride, int opacity) {
  const uint32_t o = static_cast<uint32_t>(clampByte(opacity));
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < w; ++x) {
      uint32_t s = src[x];
      uint32_t a = ((s >> 24) * o) >> 8;
      if (a != 0) dst[x] = plainMix(s, dst[x], a);
    }
  }
}

void plainAlphaDarken(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h,
                      int srcStride, int brightness) {
  const uint32_t k = 255u - static_cast<uint32_t>(clampByte(brightness));
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < w; ++x) {
      uint32_t s = src[x];
      uint32_t a = s >> 24;
      if (a == 0) continue;
      uint32_t m = plainMix(s, dst[x], a);
      uint32_t out = m & 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        uint32_t c = channel(m, shift);
        out |= (c > k ? c - k : 0) << shift;
      }
      dst[x] = out;
    }
  }
}

// ---- packed versions, one pixel at a time: all four lanes ----

inline uint32_t lanes(uint32_t s, uint32_t d, uint32_t a) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8)
    out |= ((channel(s, shift) * a + channel(d, shift) * (255 - a)) >> 8) << shift;
  return out;
}

void packedDarken(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h, int srcStride,
                  int brightness) {
  const uint32_t k = 255u - static_cast<uint32_t>(clampByte(brightness));
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < w; ++x) {
      uint32_t s = src[x];
      uint32_t out = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        uint32_t c = channel(s, shift);
        out |= (c > k ? c - k : 0) << shift;
      }
      dst[x] = out;
    }
  }
}

void packedAlpha(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h, int srcStride) {
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < w; ++x) {
      uint32_t s = src[x];
      uint32_t a = s >> 24;
      if (a == 255)
        dst[x] = s;
      else if (a != 0)
        dst[x] = lanes(s, dst[x], a);
    }
  }
}

void packedAlphaOpacity(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h,
                        int srcStride, int opacity) {
  const uint32_t o = static_cast<uint32_t>(clampByte(opacity));
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < w; ++x) {
      uint32_t s = src[x];
      uint32_t a = ((s >> 24) * o) >> 8;
      if (a != 0) dst[x] = lanes(s, dst[x], a);
    }
  }
}

void packedAlphaDarken(uint32_t* dst, int dstStride, const uint32_t* src, int w, int h,
                       int srcStride, int brightness) {
  const uint32_t b = static_cast<uint32_t>(clampByte(brightness));
  for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) {
    for (int x = 0; x < w; ++x) {
      uint32_t s = src[x];
      uint32_t a = s >> 24;
      if (a == 0) continue;
      uint32_t m = lanes(s, dst[x], a);
      uint32_t out = 0;
      for (int shift = 0; shift < 32; shift += 8) out |= ((channel(m, shift) * b) >> 8) << shift;
      dst[x] = out;
    }
  }
}

const BlendRoutines kPlain = {"plain",    plainCopy,         plainDarken,
                              plainAlpha, plainAlphaOpacity, plainAlphaDarken};
const BlendRoutines kPackedScalar = {"packed",    plainCopy,          packedDarken,
                                     packedAlpha, packedAlphaOpacity, packedAlphaDarken};

}  // namespace

const BlendRoutines& plainBlendRoutines() {
  return kPlain;
}
const BlendRoutines& packedScalarBlendRoutines() {
  return kPackedScalar;
}

void probeProcessor(ProcessorInfo& info) {
  info = ProcessorInfo{};
#if defined(__x86_64__) || defined(__i386__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(0, &eax, &ebx, &ecx, &edx) == 0) return;
  info.hasCpuid = 1;
  std::memcpy(info.vendor + 0, &ebx, 4);
  std::memcpy(info.vendor + 4, &edx, 4);
  std::memcpy(info.vendor + 8, &ecx, 4);
  info.vendor[12] = 0;
  if (eax >= 1 && __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0) {
    info.processorType = (eax & 0xF000) >> 12;
    info.family = (eax & 0xF00) >> 8;
    info.model = (eax & 0xF0) >> 4;
    info.stepping = eax & 0xF;
    info.hasMmx = (edx >> 23) & 1;
    info.hasSse2 = (edx >> 26) & 1;
  }
  // AVX2 needs the operating system to save the wide registers too; the
  // compiler's check covers both.
  __builtin_cpu_init();
  info.hasAvx2 = __builtin_cpu_supports("avx2") ? 1 : 0;
#endif
}

const BlendRoutines& selectBlendRoutines(const ProcessorInfo& info, bool useMmx) {
  if (!useMmx) return kPlain;
  if (const BlendRoutines* r = packedAvx2BlendRoutines(info)) return *r;
  if (const BlendRoutines* r = packedSse2BlendRoutines(info)) return *r;
  return kPackedScalar;
}

}  // namespace kobre
