// Turns the data of one WaveFile into 16-bit PCM, all at once (whole sounds)
// or in pieces of a fixed output size (streamed music, whose total length is
// known beforehand from the 'fact' chunk). The target format is chosen for
// the source: 16-bit PCM at the source's rate and channel count.
//
// Whole:    open, readTargetFormat, convertAll, takeOutput.
// Streamed: open, readTargetFormat, decodedLength, readAllSource,
//           prepareChunks, beginStream, decodeNext..., endStream.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "sound/AudioDecoder.h"
#include "sound/WaveFile.h"

namespace kobre {

// Output bytes of one streamed piece: 2 seconds of 44100 Hz 16-bit stereo.
constexpr uint32_t kStreamChunkBytes = 352800;

class AcmConverter {
 public:
  explicit AcmConverter(const SoundFiles& files) : files_(files) {}
  ~AcmConverter() { freeAll(); }
  AcmConverter(const AcmConverter&) = delete;
  AcmConverter& operator=(const AcmConverter&) = delete;

  // Frees everything and opens the sound; false with no message when the
  // name is found nowhere.
  [[nodiscard]] bool open(std::string_view name);
  // The same over bytes held by the caller (tests, fuzzing).
  [[nodiscard]] bool openMemory(std::span<const uint8_t> bytes);
  [[nodiscard]] bool readTargetFormat(void* destination, size_t byteCount);
  // Channels x 'fact' samples x 2, computed without overflow; 0 without a
  // 'fact' chunk.
  uint64_t decodedLength() const { return decodedLength_; }
  const WaveFormat& targetFormat() const { return target_; }
  const WaveFormat& sourceFormat() const { return source_; }

  bool convertAll(uint32_t& pcmBytes);
  // Copies byteCount bytes of the result and frees everything; false (no
  // message) without a result.
  bool takeOutput(void* destination, uint32_t byteCount);
  // Hands the result over without a copy and frees everything.
  bool takeOutput(std::vector<int16_t>& samples);

  [[nodiscard]] bool readAllSource();
  bool prepareChunks(uint32_t targetChunkBytes);
  bool beginStream();
  // Converts the next piece into the target chunk, and copies it to
  // destination + offset when given, never past decodedLength. produced is
  // the uncapped size of the piece; 0 once the source is used up.
  bool decodeNext(uint8_t* destination, uint64_t offset, uint32_t& produced);
  // Frames the begun stream gives in all when its decoder can tell without
  // 'fact' (PCM: from the data chunk; Vorbis: the stream's own length); 0
  // when unknown.
  uint64_t streamFrames() const { return decoder_ ? decoder_->expectedFrames() : 0; }
  // The piece made by the last decodeNext.
  std::span<const uint8_t> lastChunk() const {
    return std::span<const uint8_t>(targetChunk_.data(), lastProduced_);
  }
  bool endStream();

 private:
  void freeAll();
  void report(int line, uint32_t code);
  bool startDecoder();

  SoundFiles files_;
  std::unique_ptr<WaveFile> wave_;
  std::vector<uint8_t> sourceFormat_;  // 18 + extra size
  WaveFormat source_;
  WaveFormat target_;
  uint32_t sourceSize_ = 0;
  std::vector<uint8_t> sourceData_;
  std::unique_ptr<AudioDecoder> decoder_;
  bool streamOpen_ = false;
  std::vector<int16_t> output_;
  bool haveOutput_ = false;
  std::vector<uint8_t> targetChunk_;
  uint32_t targetChunkBytes_ = 0;
  uint32_t lastProduced_ = 0;
  uint64_t decodedLength_ = 0;
};

}  // namespace kobre
