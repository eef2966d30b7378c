// WAVE files for tools and tests: plain PCM, and Ogg Vorbis inside WAVE with
// a 'fact' chunk (the form the runtime streams), plus a raw chunk writer for
// building odd files on purpose.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kobre::writers {

struct WaveChunk {
  std::string id;  // four characters
  std::vector<uint8_t> body;
  // Size written in the header; the body's size when not set.
  std::optional<uint32_t> declaredSize;
};

// "RIFF" <size> "WAVE" followed by the chunks in order (bodies padded to an
// even size). riffSize overrides the RIFF size field.
std::vector<uint8_t> writeRiffWave(const std::vector<WaveChunk>& chunks,
                                   std::optional<uint32_t> riffSize = std::nullopt,
                                   const char* riffId = "RIFF", const char* formType = "WAVE");

// The 18-byte WAVEFORMATEX followed by extra bytes (extra size = their count).
std::vector<uint8_t> waveFormatBlock(uint16_t tag, uint16_t channels, uint32_t rate,
                                     uint32_t avgBytesPerSec, uint16_t blockAlign,
                                     uint16_t bitsPerSample, std::span<const uint8_t> extra = {});

// 16-bit PCM with a 16-byte "fmt " chunk, as most tools write it.
std::vector<uint8_t> writePcmWave(std::span<const int16_t> samples, int rate, int channels);
// 8-bit (unsigned) PCM.
std::vector<uint8_t> writePcm8Wave(std::span<const uint8_t> samples, int rate, int channels);

// A plain Ogg Vorbis stream (libvorbisenc, VBR at the given quality -0.1..1).
std::vector<uint8_t> encodeOggVorbis(std::span<const int16_t> samples, int rate, int channels,
                                     float quality = 0.3f);

// Ogg Vorbis in WAVE: format tag (0x674F by default), channels and rate of
// the source, a 'fact' chunk with the sample count per channel (or the given
// count), and the Ogg stream as the data chunk.
std::vector<uint8_t> writeVorbisWave(std::span<const int16_t> samples, int rate, int channels,
                                     float quality = 0.3f, uint16_t formatTag = 0x674F,
                                     std::optional<uint32_t> factCount = std::nullopt);

// Test tones: interleaved 16-bit samples of a sine per channel.
std::vector<int16_t> makeSineWave(int frames, int rate, int channels, double hz,
                                  double amplitude = 12000.0);

}  // namespace kobre::writers
