#include "sound/AudioDecoder.h"

#include "sound/SoundErrors.h"

namespace kobre {

bool isVorbisFormatTag(uint16_t tag) {
  switch (tag) {
    case kWaveFormatVorbis1:
    case kWaveFormatVorbis2:
    case kWaveFormatVorbis3:
    case kWaveFormatVorbis1Plus:
    case kWaveFormatVorbis2Plus:
    case kWaveFormatVorbis3Plus:
      return true;
    default:
      return false;
  }
}

std::unique_ptr<AudioDecoder> makeAudioDecoder(const WaveFormat& source,
                                               std::span<const uint8_t> extra, WaveFormat& target,
                                               uint32_t& code) {
  code = kAcmErrNotPossible;
  // The mixer plays mono and stereo; rates outside what a sound card offers
  // are refused like a format no codec knows.
  if (source.channels < 1 || source.channels > 2 || source.samplesPerSec < 1000 ||
      source.samplesPerSec > 192000)
    return nullptr;
  std::unique_ptr<AudioDecoder> decoder;
  if (source.formatTag == kWaveFormatPcm) {
    decoder = makePcmDecoder(source);
  } else if (isVorbisFormatTag(source.formatTag)) {
    decoder = makeVorbisDecoder(source);
  } else {
    decoder = makeAvDecoder(source, extra);
  }
  if (!decoder) return nullptr;
  target = WaveFormat{};
  target.formatTag = kWaveFormatPcm;
  target.channels = source.channels;
  target.samplesPerSec = source.samplesPerSec;
  target.bitsPerSample = 16;
  target.blockAlign = static_cast<uint16_t>(2 * source.channels);
  target.avgBytesPerSec = target.blockAlign * target.samplesPerSec;
  target.extraSize = 0;
  code = 0;
  return decoder;
}

namespace {

// 8-bit (unsigned) and 16-bit (signed) little-endian PCM.
class PcmDecoder : public AudioDecoder {
 public:
  explicit PcmDecoder(const WaveFormat& f) : channels_(f.channels), bits_(f.bitsPerSample) {}

  bool begin(std::span<const uint8_t> data, uint32_t&) override {
    data_ = data;
    at_ = 0;
    return true;
  }

  int64_t decode(int16_t* out, int64_t maxFrames, uint32_t&) override {
    size_t frameBytes = static_cast<size_t>(channels_) * (bits_ / 8);
    size_t frames =
        std::min<size_t>(static_cast<size_t>(maxFrames), (data_.size() - at_) / frameBytes);
    const uint8_t* p = data_.data() + at_;
    size_t samples = frames * channels_;
    if (bits_ == 8) {
      for (size_t i = 0; i < samples; ++i) out[i] = static_cast<int16_t>((p[i] - 128) << 8);
    } else {
      for (size_t i = 0; i < samples; ++i)
        out[i] = static_cast<int16_t>(p[2 * i] | p[2 * i + 1] << 8);
    }
    at_ += frames * frameBytes;
    return static_cast<int64_t>(frames);
  }

  uint64_t expectedFrames() override {
    return data_.size() / (static_cast<size_t>(channels_) * (bits_ / 8));
  }

 private:
  int channels_;
  int bits_;
  std::span<const uint8_t> data_;
  size_t at_ = 0;
};

}  // namespace

std::unique_ptr<AudioDecoder> makePcmDecoder(const WaveFormat& source) {
  if (source.bitsPerSample != 8 && source.bitsPerSample != 16) return nullptr;
  return std::make_unique<PcmDecoder>(source);
}

}  // namespace kobre
