// The PCM of one loaded sound, as the mixer reads it. Stored in pieces that
// are allocated as decoding reaches them, so a streamed sound whose length is
// known in advance costs only what has really been decoded (the part beyond
// that plays as silence, as a zero-filled buffer would).
//
// Threads: the user-interface thread appends; the audio thread reads frames
// below readableFrames() only. A piece is written before the readable count
// that covers it is published (release/acquire), and the piece table never
// reallocates after reset, so the two threads never touch the same bytes.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace kobre {

class PcmStore {
 public:
  // Largest sound we hold: the buffer counters are signed 32-bit.
  static constexpr uint64_t kMaxBytes = 0x7FFFFFFF;

  // Empties the store and sets the full length (bytes of 16-bit PCM with the
  // given channel count) and the piece size. Only while no mixer reads it.
  bool reset(uint64_t totalBytes, int channels, uint32_t pieceBytes);
  // Takes a whole decoded sound as its single piece.
  bool adopt(std::vector<int16_t> samples, int channels);
  void clear();

  // Appends bytes after those written so far, never past the full length;
  // returns the bytes taken. User-interface thread only.
  uint64_t append(const uint8_t* bytes, uint64_t count);

  uint64_t totalBytes() const { return totalBytes_; }
  uint64_t writtenBytes() const { return written_; }
  uint64_t totalFrames() const { return totalFrames_; }
  uint64_t readableFrames() const { return readable_.load(std::memory_order_acquire); }
  int channels() const { return channels_; }

  // Sample of a frame below readableFrames() (audio thread).
  int16_t sample(uint64_t frame, int channel) const {
    uint64_t index = frame * static_cast<uint64_t>(channels_) + static_cast<uint64_t>(channel);
    uint64_t piece = index / pieceSamples_;
    return pieces_[piece][index - piece * pieceSamples_];
  }
  // A run of samples starting at frame that lies inside one piece: pointer
  // to its first sample and how many frames follow in the same piece.
  const int16_t* run(uint64_t frame, uint64_t& framesInPiece) const {
    uint64_t index = frame * static_cast<uint64_t>(channels_);
    uint64_t piece = index / pieceSamples_;
    uint64_t offset = index - piece * pieceSamples_;
    framesInPiece = (pieceSamples_ - offset) / static_cast<uint64_t>(channels_);
    return pieces_[piece].data() + offset;
  }

 private:
  // Sized once by reset/adopt; only elements not yet readable are assigned.
  std::vector<std::vector<int16_t>> pieces_;
  uint64_t pieceSamples_ = 1;
  uint64_t totalBytes_ = 0;
  uint64_t totalFrames_ = 0;
  uint64_t written_ = 0;
  int channels_ = 1;
  std::atomic<uint64_t> readable_{0};
};

}  // namespace kobre
