#include "sound/AcmConverter.h"

#include "sound/SoundErrors.h"

namespace kobre {

namespace {
constexpr const char* kUnit = "ACM.cpp";
// Line numbers the boxes show, fixed so that box texts stay the same from
// release to release (game makers' tests compare them).
constexpr int kLineReadTargetFormat1 = 48;
constexpr int kLineReadTargetFormat2 = 61;
constexpr int kLineReadAllSource1 = 76;
constexpr int kLineReadAllSource2 = 84;
constexpr int kLineStartDecoder1 = 94;
constexpr int kLineStartDecoder2 = 100;
constexpr int kLineConvertAll1 = 110;
constexpr int kLineConvertAll2 = 133;
constexpr int kLinePrepareChunks1 = 164;
constexpr int kLinePrepareChunks2 = 171;
constexpr int kLineBeginStream = 189;
constexpr int kLineDecodeNext1 = 199;
constexpr int kLineDecodeNext2 = 216;
// Largest PCM result of one conversion (the buffer counters are signed
// 32-bit).
constexpr uint64_t kMaxPcmBytes = 0x7FFFFFFF;
}  // namespace

void AcmConverter::report(int line, uint32_t code) {
  reportMultimediaError(files_.host, kUnit, line, code);
}

void AcmConverter::freeAll() {
  decoder_.reset();
  streamOpen_ = false;
  wave_.reset();
  sourceFormat_.clear();
  source_ = target_ = WaveFormat{};
  sourceSize_ = 0;
  sourceData_ = {};
  output_ = {};
  haveOutput_ = false;
  targetChunk_ = {};
  targetChunkBytes_ = 0;
  lastProduced_ = 0;
  decodedLength_ = 0;
}

bool AcmConverter::open(std::string_view name) {
  freeAll();
  wave_ = std::make_unique<WaveFile>(files_);
  return wave_->open(name);
}

bool AcmConverter::openMemory(std::span<const uint8_t> bytes) {
  freeAll();
  wave_ = std::make_unique<WaveFile>(files_);
  return wave_->openMemory(bytes);
}

bool AcmConverter::readTargetFormat(void* destination, size_t byteCount) {
  if (!wave_) {
    report(kLineReadTargetFormat1, kMmsysErrError);
    return false;
  }
  uint8_t header[kWaveFormatExSize];
  if (!wave_->readFormat(header, sizeof header)) return false;
  source_ = WaveFormat::parse(header);
  decodedLength_ = static_cast<uint64_t>(wave_->factSampleCount()) * 2 * source_.channels;
  sourceFormat_.assign(kWaveFormatExSize + source_.extraSize, 0);
  if (!wave_->readFormat(sourceFormat_.data(), sourceFormat_.size())) return false;
  uint32_t code = 0;
  std::span<const uint8_t> extra(sourceFormat_.data() + kWaveFormatExSize, source_.extraSize);
  decoder_ = makeAudioDecoder(source_, extra, target_, code);
  if (!decoder_) {
    report(kLineReadTargetFormat2, code);
    return false;
  }
  if (destination && byteCount > 0) {
    uint8_t out[kWaveFormatExSize];
    target_.store(out);
    size_t n = std::min(byteCount, sizeof out);
    std::memcpy(destination, out, n);
    if (byteCount > n) std::memset(static_cast<uint8_t*>(destination) + n, 0, byteCount - n);
  }
  return true;
}

bool AcmConverter::readAllSource() {
  if (!wave_) {
    report(kLineReadAllSource1, kMmsysErrError);
    return false;
  }
  uint32_t size = 0;
  if (!wave_->findData(size)) return false;
  // A data chunk claiming more than the file holds would end before its
  // count; refuse it before allocating for it.
  if (size > wave_->bytesLeft()) {
    report(kLineReadAllSource2, kMmsysErrError);
    return false;
  }
  sourceData_.assign(size, 0);
  sourceSize_ = size;
  return wave_->readData(sourceData_.data(), size);
}

bool AcmConverter::startDecoder() {
  if (!decoder_) {
    report(kLineStartDecoder1, kMmsysErrError);
    return false;
  }
  if (streamOpen_) return true;
  uint32_t code = 0;
  if (!decoder_->begin(sourceData_, code)) {
    report(kLineStartDecoder2, code);
    return false;
  }
  streamOpen_ = true;
  return true;
}

bool AcmConverter::convertAll(uint32_t& pcmBytes) {
  pcmBytes = 0;
  if (!wave_) {
    report(kLineConvertAll1, kMmsysErrError);
    return false;
  }
  if (!readAllSource()) return false;
  if (!startDecoder()) return false;
  const int channels = target_.channels;
  const uint64_t maxFrames = kMaxPcmBytes / (2 * static_cast<uint64_t>(channels));
  uint64_t expected = std::min(decoder_->expectedFrames(), maxFrames);
  // Reserve what the decoder announces, but never far beyond the input.
  uint64_t reserveCap = static_cast<uint64_t>(sourceData_.size()) * 64 + 65536;
  output_.clear();
  output_.reserve(static_cast<size_t>(std::min(expected, reserveCap)) * channels);
  uint64_t frames = 0;
  for (;;) {
    uint64_t block = 65536;
    if (frames + block > maxFrames) block = maxFrames - frames;
    if (block == 0) break;
    output_.resize(static_cast<size_t>((frames + block) * channels));
    uint32_t code = 0;
    int64_t got =
        decoder_->decode(output_.data() + frames * channels, static_cast<int64_t>(block), code);
    if (got < 0) {
      output_ = {};
      report(kLineConvertAll2, code);
      return false;
    }
    frames += static_cast<uint64_t>(got);
    if (got == 0) break;
  }
  output_.resize(static_cast<size_t>(frames * channels));
  haveOutput_ = true;
  pcmBytes = static_cast<uint32_t>(frames * channels * 2);
  // The data is in memory now.
  wave_.reset();
  return true;
}

bool AcmConverter::takeOutput(void* destination, uint32_t byteCount) {
  if (!haveOutput_) return false;
  size_t n = std::min<size_t>(byteCount, output_.size() * 2);
  if (destination && n > 0) std::memcpy(destination, output_.data(), n);
  freeAll();
  return true;
}

bool AcmConverter::takeOutput(std::vector<int16_t>& samples) {
  if (!haveOutput_) return false;
  samples = std::move(output_);
  freeAll();
  return true;
}

bool AcmConverter::prepareChunks(uint32_t targetChunkBytes) {
  if (!decoder_ || target_.channels == 0) {
    report(kLinePrepareChunks1, kMmsysErrError);
    return false;
  }
  // Whole frames per piece.
  uint32_t frameBytes = 2u * target_.channels;
  targetChunkBytes_ = targetChunkBytes / frameBytes * frameBytes;
  if (targetChunkBytes_ == 0) {
    report(kLinePrepareChunks2, kMmsysErrError);
    return false;
  }
  targetChunk_.assign(targetChunkBytes_, 0);
  lastProduced_ = 0;
  return true;
}

bool AcmConverter::beginStream() {
  // A stream begun again starts from the beginning of the source.
  decoder_.reset();
  streamOpen_ = false;
  uint32_t code = 0;
  std::span<const uint8_t> extra(sourceFormat_.data() + kWaveFormatExSize,
                                 sourceFormat_.size() - kWaveFormatExSize);
  WaveFormat target;
  decoder_ = makeAudioDecoder(source_, extra, target, code);
  if (!decoder_) {
    report(kLineBeginStream, code);
    return false;
  }
  return startDecoder();
}

bool AcmConverter::decodeNext(uint8_t* destination, uint64_t offset, uint32_t& produced) {
  produced = 0;
  lastProduced_ = 0;
  if (targetChunk_.empty()) {
    report(kLineDecodeNext1, kMmsysErrError);
    return false;
  }
  std::memset(targetChunk_.data(), 0, targetChunk_.size());
  // Once the source is used up (or the stream has ended), each call gives 0.
  if (!streamOpen_ || !decoder_) return true;
  const int channels = target_.channels;
  int64_t wanted = targetChunkBytes_ / (2 * channels);
  int64_t frames = 0;
  auto* out = reinterpret_cast<int16_t*>(targetChunk_.data());
  while (frames < wanted) {
    uint32_t code = 0;
    int64_t got = decoder_->decode(out + frames * channels, wanted - frames, code);
    if (got < 0) {
      // The stream cannot go on; later calls give nothing.
      decoder_.reset();
      streamOpen_ = false;
      report(kLineDecodeNext2, code);
      return false;
    }
    if (got == 0) {
      decoder_.reset();
      streamOpen_ = false;
      break;
    }
    frames += got;
  }
  lastProduced_ = static_cast<uint32_t>(frames * channels * 2);
  produced = lastProduced_;
  if (destination && offset < decodedLength_) {
    uint64_t n = std::min<uint64_t>(produced, decodedLength_ - offset);
    std::memcpy(destination + offset, targetChunk_.data(), static_cast<size_t>(n));
  }
  return true;
}

bool AcmConverter::endStream() {
  if (streamOpen_) {
    decoder_.reset();
    streamOpen_ = false;
  }
  return true;
}

}  // namespace kobre
