#include "sound/SoundBuffer.h"

#include <cstdio>

#include "common/AsciiCase.h"
#include "sound/SoundDevice.h"
#include "sound/SoundErrors.h"

namespace kobre {

namespace {
constexpr const char* kUnit = "DSB.cpp";
// Line numbers the boxes show, fixed so that box texts stay the same from
// release to release (game makers' tests compare them).
constexpr int kLineLoadWhole1 = 87;
constexpr int kLineLoadWhole2 = 98;
constexpr int kLineLoadWhole3 = 104;
constexpr int kLineLoadWhole4 = 112;
constexpr int kLineLoadStreamed1 = 137;
constexpr int kLineLoadStreamed2 = 145;
constexpr int kLineLoadStreamed3 = 158;
constexpr int kLineLoadStreamed4 = 173;
}  // namespace

int32_t volumeToHundredthsDb(int volume) {
  volume = std::clamp(volume, 0, 100);
  int32_t db = volume * 25 - 2500;
  return db > -2500 ? db : -10000;
}

void SoundBuffer::attach(SoundDevice* device) {
  detach();
  device_ = device;
  if (device_) {
    SoundLock lock(device_);
    device_->mixer().addVoice(&voice_);
  }
}

void SoundBuffer::detach() {
  if (!device_) return;
  release();
  {
    SoundLock lock(device_);
    device_->mixer().removeVoice(&voice_);
  }
  device_ = nullptr;
}

bool SoundBuffer::ready() const {
  return device_ && device_->isReady();
}

void SoundBuffer::report(int line, uint32_t code, std::string_view detail) {
  reportDirectSoundError(device_ ? device_->ownerWindow() : nullptr, kUnit, line, code, detail);
}

void SoundBuffer::storeName(std::string_view name) {
  loadedName_.fill(0);
  // Only names shorter than 32 bytes are remembered.
  if (name.size() < loadedName_.size()) std::memcpy(loadedName_.data(), name.data(), name.size());
}

void SoundBuffer::release() {
  {
    SoundLock lock(device_);
    voice_.playing = false;
    voice_.looping = false;
    voice_.position = 0;
    voice_.restart = true;
    voice_.pcm.clear();
    // The next load makes a fresh buffer, and a fresh buffer plays centred.
    voice_.pan = 0;
    voice_.updateGains();
  }
  decoder_.reset();
  loaded_ = false;
  decodedSoFar_ = decodedLength_ = 0;
  fadeLevel_ = -1;
  loadedName_.fill(0);
  decodeFailed_ = false;
}

bool SoundBuffer::loadWhole(std::string_view name) {
  if (!ready()) return false;
  release();
  AcmConverter converter(device_->soundFiles());
  uint8_t format[kWaveFormatExSize];
  if (!converter.open(name) || !converter.readTargetFormat(format, sizeof format)) return false;
  WaveFormat target = WaveFormat::parse(format);
  if (target.formatTag != kWaveFormatPcm) {
    report(kLineLoadWhole1, kMmsysErrError);
    release();
    return false;
  }
  uint32_t bytes = 0;
  if (!converter.convertAll(bytes)) {
    release();
    return false;
  }
  // A buffer of no bytes cannot be made.
  if (bytes == 0) {
    report(kLineLoadWhole2, kDsErrInvalidParam);
    release();
    return false;
  }
  std::vector<int16_t> samples;
  if (!converter.takeOutput(samples)) {
    report(kLineLoadWhole3, kMmsysErrError);
    release();
    return false;
  }
  {
    SoundLock lock(device_);
    if (!voice_.pcm.adopt(std::move(samples), target.channels)) {
      voice_.pcm.clear();
      report(kLineLoadWhole4, kDsErrOutOfMemory);
      release();
      return false;
    }
    voice_.sampleRate = static_cast<int>(target.samplesPerSec);
    voice_.position = 0;
    voice_.restart = true;
  }
  loaded_ = true;
  storeName(name);
  return true;
}

bool SoundBuffer::loadStreamed(std::string_view name) {
  if (!ready()) return false;
  if (loaded_ && loadedName_[0] != 0 && equalsIgnoreAsciiCase(name, loadedName())) return true;
  release();
  decoder_ = std::make_unique<AcmConverter>(device_->soundFiles());
  uint8_t format[kWaveFormatExSize];
  if (!decoder_->open(name) || !decoder_->readTargetFormat(format, sizeof format)) {
    release();
    return false;
  }
  WaveFormat target = WaveFormat::parse(format);
  if (target.formatTag != kWaveFormatPcm) {
    report(kLineLoadStreamed1, kMmsysErrError);
    release();
    return false;
  }
  if (!decoder_->readAllSource() || !decoder_->prepareChunks(kStreamChunkBytes) ||
      !decoder_->beginStream()) {
    release();
    return false;
  }
  // The length comes from the 'fact' chunk; without one, from the stream
  // itself where its decoder knows it (PCM from its data chunk, Vorbis from
  // the Ogg stream). Only a format that needs 'fact' and lacks it is refused.
  uint64_t length = decoder_->decodedLength();
  if (length == 0) length = decoder_->streamFrames() * 2 * target.channels;
  if (length == 0) {
    char detail[96];
    std::snprintf(detail, sizeof detail, "'fact' チャンクがないため長さが分からない (形式 0x%04X)",
                  decoder_->sourceFormat().formatTag);
    report(kLineLoadStreamed2, kMmsysErrError, detail);
    release();
    return false;
  }
  // A count beyond what the counters hold is refused instead of allocated.
  if (length > PcmStore::kMaxBytes) {
    report(kLineLoadStreamed2, kMmsysErrError);
    release();
    return false;
  }
  {
    // The buffer is silent where nothing has been decoded yet.
    SoundLock lock(device_);
    if (!voice_.pcm.reset(length, target.channels, kStreamChunkBytes)) {
      report(kLineLoadStreamed3, kMmsysErrError);
      release();
      return false;
    }
    voice_.sampleRate = static_cast<int>(target.samplesPerSec);
    voice_.position = 0;
    voice_.restart = true;
  }
  decodedLength_ = static_cast<int64_t>(length);
  uint32_t produced = 0;
  if (!decoder_->decodeNext(nullptr, 0, produced)) {
    release();
    return false;
  }
  if (produced == 0) {
    report(kLineLoadStreamed4, kMmsysErrError);
    release();
    return false;
  }
  voice_.pcm.append(decoder_->lastChunk().data(), decoder_->lastChunk().size());
  decodedSoFar_ = produced;
  loaded_ = true;
  storeName(name);
  return true;
}

bool SoundBuffer::play(bool loop) {
  if (!loaded_) return false;
  SoundLock lock(device_);
  if (voice_.playing) return true;
  // A one-shot sound that ran to its end starts again from the beginning.
  if (voice_.position >= voice_.pcm.totalFrames()) {
    voice_.position = 0;
    voice_.restart = true;
  }
  voice_.looping = loop;
  voice_.playing = true;
  return true;
}

bool SoundBuffer::stop() {
  if (!loaded_) return false;
  SoundLock lock(device_);
  voice_.playing = false;
  voice_.position = 0;
  voice_.restart = true;
  return true;
}

bool SoundBuffer::setVolume(int volume, bool remember) {
  if (!loaded_) return false;
  volume = std::clamp(volume, 0, 100);
  if (remember) volume_ = volume;
  SoundLock lock(device_);
  voice_.volume = volumeToHundredthsDb(volume);
  voice_.updateGains();
  return true;
}

bool SoundBuffer::setPan(int pan) {
  if (pan < -100 || pan > 100) return false;
  if (!loaded_) return false;
  SoundLock lock(device_);
  voice_.pan = pan * 100;
  voice_.updateGains();
  return true;
}

bool SoundBuffer::isPlaying() const {
  if (!loaded_) return false;
  SoundLock lock(device_);
  return voice_.playing;
}

uint64_t SoundBuffer::playPosition() const {
  SoundLock lock(device_);
  return voice_.position;
}

void SoundBuffer::startFade(int startLevel, int step) {
  fadeLevel_ = startLevel;
  fadeStep_ = step;
}

bool SoundBuffer::update(bool decodeMore) {
  if (!loaded_) return false;
  if (fadeLevel_ != -1) {
    fadeLevel_ += fadeStep_;
    if (fadeLevel_ > volume_) fadeLevel_ = volume_;
    if (fadeLevel_ < 0) fadeLevel_ = 0;
    setVolume(fadeLevel_, false);
    if (fadeLevel_ >= volume_) {
      fadeLevel_ = -1;
    } else if (fadeLevel_ == 0) {
      release();
      return true;
    }
  }
  if (!decodeMore) return true;
  if (decodedSoFar_ >= decodedLength_ || decodeFailed_) {
    if (decoder_) decoder_->endStream();
    return true;
  }
  uint32_t produced = 0;
  if (!decoder_ || !decoder_->decodeNext(nullptr, static_cast<uint64_t>(decodedSoFar_), produced)) {
    // The converter has shown its box; keep what was decoded and stop
    // decoding, so the failure is not reported again at every poll.
    decodeFailed_ = true;
    return true;
  }
  uint64_t taken = voice_.pcm.append(decoder_->lastChunk().data(), decoder_->lastChunk().size());
  decodedSoFar_ += static_cast<int64_t>(taken);
  // A source used up before its announced length keeps the rest silent.
  if (produced == 0) decodeFailed_ = true;
  return true;
}

}  // namespace kobre
