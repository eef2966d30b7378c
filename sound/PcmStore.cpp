#include "sound/PcmStore.h"

#include <algorithm>
#include <cstring>

namespace kobre {

void PcmStore::clear() {
  readable_.store(0, std::memory_order_release);
  pieces_.clear();
  pieceSamples_ = 1;
  totalBytes_ = totalFrames_ = written_ = 0;
  channels_ = 1;
}

bool PcmStore::reset(uint64_t totalBytes, int channels, uint32_t pieceBytes) {
  clear();
  if (channels < 1 || totalBytes > kMaxBytes || pieceBytes < 2 * static_cast<uint32_t>(channels))
    return false;
  channels_ = channels;
  uint64_t frameBytes = 2 * static_cast<uint64_t>(channels);
  // Pieces hold whole frames so that a frame never straddles two of them.
  pieceSamples_ = (pieceBytes / frameBytes) * static_cast<uint64_t>(channels);
  totalBytes_ = totalBytes;
  totalFrames_ = totalBytes / frameBytes;
  uint64_t pieceBytesExact = pieceSamples_ * 2;
  pieces_.resize((totalBytes + pieceBytesExact - 1) / pieceBytesExact);
  return true;
}

bool PcmStore::adopt(std::vector<int16_t> samples, int channels) {
  clear();
  uint64_t bytes = static_cast<uint64_t>(samples.size()) * 2;
  if (channels < 1 || bytes > kMaxBytes) return false;
  channels_ = channels;
  totalBytes_ = written_ = bytes;
  totalFrames_ = samples.size() / static_cast<size_t>(channels);
  pieceSamples_ = std::max<uint64_t>(samples.size(), 1);
  pieces_.resize(1);
  pieces_[0] = std::move(samples);
  readable_.store(totalFrames_, std::memory_order_release);
  return true;
}

uint64_t PcmStore::append(const uint8_t* bytes, uint64_t count) {
  count = std::min(count, totalBytes_ - written_);
  uint64_t pieceBytes = pieceSamples_ * 2;
  uint64_t taken = 0;
  while (taken < count) {
    uint64_t at = written_ + taken;
    uint64_t piece = at / pieceBytes;
    uint64_t offset = at - piece * pieceBytes;
    std::vector<int16_t>& target = pieces_[piece];
    if (target.empty()) {
      // The last piece is only as long as the sound (an odd byte count still
      // gets room for its final half sample).
      uint64_t left = totalBytes_ - piece * pieceBytes;
      target.assign(std::min<uint64_t>(pieceSamples_, (left + 1) / 2), 0);
    }
    uint64_t n = std::min(count - taken, pieceBytes - offset);
    std::memcpy(reinterpret_cast<uint8_t*>(target.data()) + offset, bytes + taken, n);
    taken += n;
  }
  written_ += taken;
  readable_.store(written_ / (2 * static_cast<uint64_t>(channels_)), std::memory_order_release);
  return taken;
}

}  // namespace kobre
