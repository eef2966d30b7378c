#include "tools/writers/LzssCompressor.h"

#include <cstring>

#include "storage/ArchiveFile.h"

namespace kobre::writers {

namespace {

constexpr size_t kWindow = 4096;
constexpr size_t kStart = 4078;
constexpr size_t kMinMatch = 3;
constexpr size_t kMaxMatch = 18;
constexpr size_t kMaxDistance = kWindow - 1;
constexpr int kChainDepth = 96;
constexpr size_t kHashBits = 14;

inline uint32_t hash3(const uint8_t* p) {
  uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
               (static_cast<uint32_t>(p[2]) << 16);
  return (v * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

std::vector<uint8_t> lzssCompress(std::span<const uint8_t> data) {
  const size_t n = data.size();
  const uint8_t* in = data.data();
  std::vector<uint8_t> out;
  out.reserve(n / 2 + 16);
  std::vector<int64_t> head(size_t{1} << kHashBits, -1);
  std::vector<int64_t> prev(n, -1);

  auto insert = [&](size_t pos) {
    if (pos + kMinMatch > n) return;
    uint32_t h = hash3(in + pos);
    prev[pos] = head[h];
    head[h] = static_cast<int64_t>(pos);
  };

  size_t pos = 0;
  while (pos < n) {
    size_t flagAt = out.size();
    out.push_back(0);
    uint8_t flags = 0;
    for (int item = 0; item < 8 && pos < n; ++item) {
      size_t bestLen = 0, bestPos = 0;
      if (pos + kMinMatch <= n) {
        size_t limit = std::min(kMaxMatch, n - pos);
        int64_t cand = head[hash3(in + pos)];
        for (int depth = 0; cand >= 0 && depth < kChainDepth; ++depth) {
          size_t c = static_cast<size_t>(cand);
          if (pos - c > kMaxDistance) break;
          size_t len = 0;
          while (len < limit && in[c + len] == in[pos + len]) ++len;
          if (len > bestLen) {
            bestLen = len;
            bestPos = c;
            if (len == limit) break;
          }
          cand = prev[c];
        }
      }
      if (bestLen >= kMinMatch) {
        size_t p = (kStart + bestPos) & (kWindow - 1);
        out.push_back(static_cast<uint8_t>(p & 0xFF));
        out.push_back(static_cast<uint8_t>(((p >> 4) & 0xF0) | (bestLen - kMinMatch)));
        for (size_t k = 0; k < bestLen; ++k) insert(pos + k);
        pos += bestLen;
      } else {
        flags |= static_cast<uint8_t>(1u << item);
        out.push_back(in[pos]);
        insert(pos);
        ++pos;
      }
    }
    out[flagAt] = flags;
  }
  return out;
}

std::vector<uint8_t> makePakEntry(std::span<const uint8_t> data) {
  std::vector<uint8_t> entry = {'P', 'A', 'K', ' ', 0, 0, 0, 0};
  uint32_t size = static_cast<uint32_t>(data.size());
  for (int i = 0; i < 4; ++i) entry.push_back(static_cast<uint8_t>(size >> (8 * i)));
  std::vector<uint8_t> stream = lzssCompress(data);
  entry.insert(entry.end(), stream.begin(), stream.end());
  return entry;
}

std::vector<uint8_t> makeScrambledEntry(std::span<const uint8_t> data) {
  std::vector<uint8_t> entry(data.begin(), data.end());
  for (size_t i = 0; i < 32 && i < entry.size(); ++i)
    entry[i] ^= scrambleKey[i % kScrambleKeyLength];
  return entry;
}

}  // namespace kobre::writers
