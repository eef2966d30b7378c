// The decoders behind AcmConverter: one per family of WAVE format tags. Each
// turns the whole 'data' chunk (held in memory) into interleaved 16-bit PCM
// at the source's rate and channel count.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "sound/WaveFile.h"

namespace kobre {

// Vorbis in WAVE, the tags of the common Vorbis ACM codec (modes 1, 2, 3 and
// their "+" variants).
constexpr uint16_t kWaveFormatVorbis1 = 0x674F;
constexpr uint16_t kWaveFormatVorbis2 = 0x6750;
constexpr uint16_t kWaveFormatVorbis3 = 0x6751;
constexpr uint16_t kWaveFormatVorbis1Plus = 0x676F;
constexpr uint16_t kWaveFormatVorbis2Plus = 0x6770;
constexpr uint16_t kWaveFormatVorbis3Plus = 0x6771;
constexpr uint16_t kWaveFormatMsAdpcm = 0x0002;
constexpr uint16_t kWaveFormatALaw = 0x0006;
constexpr uint16_t kWaveFormatMuLaw = 0x0007;
constexpr uint16_t kWaveFormatImaAdpcm = 0x0011;
constexpr uint16_t kWaveFormatGsm610 = 0x0031;
constexpr uint16_t kWaveFormatMpegLayer3 = 0x0055;

bool isVorbisFormatTag(uint16_t tag);

class AudioDecoder {
 public:
  virtual ~AudioDecoder() = default;
  // Starts decoding data (borrowed: it must stay alive and unchanged until
  // the decoder is destroyed). False with an ACM result code when the data
  // cannot be decoded.
  virtual bool begin(std::span<const uint8_t> data, uint32_t& code) = 0;
  // Decodes up to maxFrames frames into out (target channels interleaved).
  // Returns the frames produced, 0 at the end, -1 on a decoding error (code
  // set).
  virtual int64_t decode(int16_t* out, int64_t maxFrames, uint32_t& code) = 0;
  // Frames the whole data will give, when the decoder can tell cheaply
  // (for reserving); 0 when unknown.
  virtual uint64_t expectedFrames() { return 0; }
};

// The "suggestion": the PCM target for a source format (16-bit, the source's
// rate and channel count) and a decoder that produces it. Null with
// ACMERR_NOTPOSSIBLE when no decoder handles the format.
std::unique_ptr<AudioDecoder> makeAudioDecoder(const WaveFormat& source,
                                               std::span<const uint8_t> extra, WaveFormat& target,
                                               uint32_t& code);

// The families, for makeAudioDecoder and tests.
std::unique_ptr<AudioDecoder> makePcmDecoder(const WaveFormat& source);
std::unique_ptr<AudioDecoder> makeVorbisDecoder(const WaveFormat& source);
std::unique_ptr<AudioDecoder> makeAvDecoder(const WaveFormat& source,
                                            std::span<const uint8_t> extra);

}  // namespace kobre
