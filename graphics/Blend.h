// The five pixel routines that put a sprite's rows into the back buffer, each
// in a plain (byte by byte) and a packed (16-bit lanes) version, and the
// processor probe that decides which version runs.
//
// Pixels are 32-bit, bytes in memory order blue, green, red, alpha. Every
// routine takes the destination's first pixel and row length (in pixels), the
// source's first pixel, the width and height to process (both >= 1) and the
// source's row length. Destination and source never overlap.
//
// Results (s, d: source and destination channel, sA: source alpha):
//   blitCopy           rows copied, alpha included.
//   blitDarken         c = max(0, s - (255 - b)).
//   blendAlpha         sA 0 keeps d; c = (s*sA + d*(255-sA)) >> 8; the packed
//                      version copies a pixel of sA 255 outright.
//   blendAlphaOpacity  a = (sA*o) >> 8; a 0 keeps d; c = (s*a + d*(255-a)) >> 8.
//   blendAlphaDarken   sA 0 keeps d; m = (s*sA + d*(255-sA)) >> 8; plain
//                      c = max(0, m - (255 - b)), packed c = (m*b) >> 8.
// The destination alpha byte means nothing in the back buffer. The plain
// versions keep it; the packed versions write the alpha lane with the same
// lane arithmetic as the colours (the source alpha when copying, d - (255-b)
// for blitDarken), the same on every processor.
#pragma once

#include <cstdint>

#include "common/ClampByte.h"

namespace kobre {

// What the processor probe found.
struct ProcessorInfo {
  uint8_t hasCpuid = 0;
  char vendor[13] = {};
  uint32_t processorType = 0;
  uint32_t family = 0;
  uint32_t model = 0;
  uint32_t stepping = 0;
  uint8_t hasMmx = 0;
  // Vector units the packed routines can use (x86-64 always has SSE2).
  uint8_t hasSse2 = 0;
  uint8_t hasAvx2 = 0;
};

// Zeroes the record and fills it from the processor identification
// instruction; stays zero where there is none.
void probeProcessor(ProcessorInfo& info);

using BlitRoutine = void (*)(uint32_t* dst, int dstStride, const uint32_t* src, int width,
                             int height, int srcStride);
using BlitValueRoutine = void (*)(uint32_t* dst, int dstStride, const uint32_t* src, int width,
                                  int height, int srcStride, int value);

// One version of the five routines.
struct BlendRoutines {
  const char* name;
  BlitRoutine blitCopy;
  BlitValueRoutine blitDarken;  // value: brightness
  BlitRoutine blendAlpha;
  BlitValueRoutine blendAlphaOpacity;  // value: opacity
  BlitValueRoutine blendAlphaDarken;   // value: brightness
};

// The plain results, byte by byte.
const BlendRoutines& plainBlendRoutines();
// The packed results computed one pixel at a time (any processor).
const BlendRoutines& packedScalarBlendRoutines();
// The packed results with SSE2 / AVX2; null where the build or the processor
// has no such unit.
const BlendRoutines* packedSse2BlendRoutines(const ProcessorInfo& info);
const BlendRoutines* packedAvx2BlendRoutines(const ProcessorInfo& info);

// The version that runs, chosen once at start-up: plain without MMX,
// otherwise the widest packed one the processor has.
const BlendRoutines& selectBlendRoutines(const ProcessorInfo& info, bool useMmx);

}  // namespace kobre
