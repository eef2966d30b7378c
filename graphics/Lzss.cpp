#include "graphics/Lzss.h"

namespace kobre {

namespace {

constexpr unsigned kMask = kLzssWindowSize - 1;

// Puts the last bytes written to out into the window as the ring would hold
// them after n bytes.
void syncWindow(uint8_t* win, const uint8_t* out, uint64_t n) {
  uint64_t first = n > kLzssWindowSize ? n - kLzssWindowSize : 0;
  for (uint64_t k = first; k < n; ++k) win[(kLzssStart + k) & kMask] = out[k];
}

}  // namespace

uint64_t lzssDecompress(std::span<const uint8_t> in, std::span<uint8_t> out, LzssWindow& window) {
  uint8_t* win = window.bytes;
  std::memset(win, 0, kLzssStart);
  const uint8_t* ip = in.data();
  const uint8_t* const end = ip + in.size();
  uint8_t* const op = out.data();
  const uint64_t cap = out.size();
  uint64_t n = 0;
  unsigned flags = 0;

  // First phase: the output itself is the history, so matches copy within
  // out. Runs while any item still fits whole; the window stays as it was at
  // the start and answers references before the first output byte.
  while (n + 18 <= cap) {
    flags >>= 1;
    if ((flags & 0x100) == 0) {
      if (ip == end) goto finish;
      flags = *ip++ | 0xFF00u;
    }
    if (flags & 1) {
      if (ip == end) goto finish;
      op[n++] = *ip++;
      continue;
    }
    if (end - ip < 2) goto finish;
    {
      unsigned i = ip[0], j = ip[1];
      ip += 2;
      unsigned p = i | ((j & 0xF0u) << 4);
      unsigned len = (j & 0x0Fu) + 3;
      unsigned r = static_cast<unsigned>((kLzssStart + n) & kMask);
      uint64_t dist = (r - p) & kMask;
      if (dist == 0) dist = kLzssWindowSize;
      if (dist <= n) {
        uint8_t* d = op + n;
        const uint8_t* s = d - dist;
        if (dist >= 18) {
          std::memcpy(d, s, 18);  // whole item at once; the tail is scratch
        } else {
          for (unsigned k = 0; k < len; ++k) d[k] = s[k];
        }
        n += len;
      } else {
        for (unsigned k = 0; k < len; ++k) {
          int64_t at = static_cast<int64_t>(n) - static_cast<int64_t>(dist);
          op[n] = at < 0 ? win[(kLzssStart + at) & kMask] : op[at];
          ++n;
        }
      }
    }
  }

  // Second phase, near the end of out: the classic ring, dropping what does
  // not fit.
  syncWindow(win, op, n);
  {
    unsigned r = static_cast<unsigned>((kLzssStart + n) & kMask);
    for (;;) {
      flags >>= 1;
      if ((flags & 0x100) == 0) {
        if (ip == end) break;
        flags = *ip++ | 0xFF00u;
      }
      if (flags & 1) {
        if (ip == end) break;
        uint8_t c = *ip++;
        if (n < cap) op[n] = c;
        ++n;
        win[r] = c;
        r = (r + 1) & kMask;
        continue;
      }
      if (end - ip < 2) break;
      unsigned i = ip[0], j = ip[1];
      ip += 2;
      unsigned p = i | ((j & 0xF0u) << 4);
      unsigned len = (j & 0x0Fu) + 3;
      for (unsigned k = 0; k < len; ++k) {
        uint8_t c = win[(p + k) & kMask];
        if (n < cap) op[n] = c;
        ++n;
        win[r] = c;
        r = (r + 1) & kMask;
      }
    }
  }
  if (n < cap) std::memset(op + n, 0, cap - n);
  return n;

finish:
  syncWindow(win, op, n);
  if (n < cap) std::memset(op + n, 0, cap - n);
  return n;
}

}  // namespace kobre
