// The LZSS decompressor of packed picture entries: a 4096-byte window, the
// write position starting at 4078, matches of 3 to 18 bytes, one flag byte
// per eight items (bit set: a literal byte; clear: a two-byte match).
#pragma once

#include <cstdint>
#include <span>

namespace kobre {

// The window is carried from one decompression to the next: each run zeroes
// bytes 0-4077 and keeps the last 18 bytes as the previous run left them
// (valid streams write those before they read them).
struct LzssWindow {
  uint8_t bytes[4096] = {};
};

constexpr size_t kLzssWindowSize = 4096;
constexpr size_t kLzssStart = 4078;

// Decompresses the whole stream into out. Output past out's size is dropped
// (the window still takes it); bytes of out the stream does not reach are
// set to zero. Returns the number of bytes the stream produced.
uint64_t lzssDecompress(std::span<const uint8_t> in, std::span<uint8_t> out, LzssWindow& window);

// The most bytes a stream of this length can produce (every item an 18-byte
// match), so that a declared size can be checked before allocating it.
constexpr uint64_t lzssMaxOutput(uint64_t streamBytes) {
  return (streamBytes / 17 + 1) * 144;
}

}  // namespace kobre
