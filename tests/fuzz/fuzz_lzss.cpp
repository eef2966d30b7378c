// The LZSS decompressor against the plain ring-buffer decoder: the same
// output and the same window afterwards, for any stream and output size.
// The first two bytes choose the output size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "graphics/Lzss.h"

namespace {

uint64_t ringDecode(const uint8_t* in, size_t size, std::vector<uint8_t>& out, uint8_t* win) {
  std::memset(win, 0, kobre::kLzssStart);
  unsigned r = kobre::kLzssStart, flags = 0;
  uint64_t n = 0;
  size_t i = 0;
  auto put = [&](uint8_t c) {
    if (n < out.size()) out[n] = c;
    ++n;
    win[r] = c;
    r = (r + 1) & 4095;
  };
  for (;;) {
    flags >>= 1;
    if ((flags & 0x100) == 0) {
      if (i == size) break;
      flags = in[i++] | 0xFF00u;
    }
    if (flags & 1) {
      if (i == size) break;
      put(in[i++]);
    } else {
      if (size - i < 2) break;
      unsigned p = in[i] | ((in[i + 1] & 0xF0u) << 4), len = (in[i + 1] & 0x0Fu) + 3;
      i += 2;
      for (unsigned k = 0; k < len; ++k) put(win[(p + k) & 4095]);
    }
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t outSize = (size_t{data[0]} << 8 | data[1]) * 3;
  data += 2;
  size -= 2;
  kobre::LzssWindow fast, plain;
  // An earlier run's tail in both windows.
  for (int k = 0; k < 4096; ++k) fast.bytes[k] = plain.bytes[k] = static_cast<uint8_t>(k * 7);
  std::vector<uint8_t> a(outSize, 0x55), b(outSize, 0);
  uint64_t na = kobre::lzssDecompress({data, size}, a, fast);
  uint64_t nb = ringDecode(data, size, b, plain.bytes);
  if (na != nb || a != b || std::memcmp(fast.bytes, plain.bytes, 4096) != 0) std::abort();
  if (na > kobre::lzssMaxOutput(size)) std::abort();
  return 0;
}
