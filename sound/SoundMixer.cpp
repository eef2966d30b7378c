#include "sound/SoundMixer.h"

#include <algorithm>
#include <cmath>

namespace kobre {

namespace {
constexpr int kBlockFrames = 1024;  // frames mixed per pass; no allocation in mix()
}

float volumeGain(int32_t hundredthsDb) {
  if (hundredthsDb <= -10000) return 0.0f;
  if (hundredthsDb >= 0) return 1.0f;
  return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

void MixerVoice::updateGains() {
  float gain = volumeGain(volume);
  gainLeft = gain * (pan > 0 ? volumeGain(-pan) : 1.0f);
  gainRight = gain * (pan < 0 ? volumeGain(pan) : 1.0f);
}

SoundMixer::SoundMixer() {
  accumulator_.resize(static_cast<size_t>(kBlockFrames) * 2);
  sourceScratch_.resize(static_cast<size_t>(kBlockFrames) * 2);
  voiceScratch_.resize(static_cast<size_t>(kBlockFrames) * 2);
  // Enough silence for one block at the highest source rate we take.
  silence_.assign(static_cast<size_t>(kBlockFrames) * 2 * 8, 0);
  voices_.reserve(8);
}

void SoundMixer::addVoice(MixerVoice* voice) {
  if (std::find(voices_.begin(), voices_.end(), voice) == voices_.end()) voices_.push_back(voice);
}

void SoundMixer::removeVoice(MixerVoice* voice) {
  voices_.erase(std::remove(voices_.begin(), voices_.end(), voice), voices_.end());
}

void SoundMixer::addSource(platform::AudioSource* source) {
  if (std::find(sources_.begin(), sources_.end(), source) == sources_.end())
    sources_.push_back(source);
}

void SoundMixer::removeSource(platform::AudioSource* source) {
  sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

void SoundMixer::mix(int16_t* frames, int frameCount) {
  while (frameCount > 0) {
    int n = std::min(frameCount, kBlockFrames);
    float* acc = accumulator_.data();
    std::fill(acc, acc + 2 * n, 0.0f);
    for (MixerVoice* voice : voices_) {
      if (voice->playing) mixVoice(*voice, acc, n);
    }
    for (platform::AudioSource* source : sources_) {
      source->mix(sourceScratch_.data(), n);
      for (int i = 0; i < 2 * n; ++i) acc[i] += sourceScratch_[static_cast<size_t>(i)];
    }
    for (int i = 0; i < 2 * n; ++i) {
      float v = std::clamp(acc[i], -32768.0f, 32767.0f);
      frames[i] = static_cast<int16_t>(std::lrintf(v));
    }
    frames += 2 * n;
    frameCount -= n;
  }
}

void SoundMixer::stopAtEnd(MixerVoice& voice) {
  // A one-shot sound stops at its end and stays there.
  voice.playing = false;
  voice.draining = false;
  voice.position = voice.pcm.totalFrames();
  voice.restart = true;
}

const int16_t* SoundMixer::sourceRun(const MixerVoice& voice, uint64_t readable, int maxFrames,
                                     int& frames) {
  const PcmStore& pcm = voice.pcm;
  const uint64_t pos = voice.position;
  const uint64_t total = pcm.totalFrames();
  uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(maxFrames), total - pos);
  if (pos >= readable) {
    // Not decoded yet: silence.
    frames = static_cast<int>(std::min<uint64_t>(n, silence_.size() / 2));
    return silence_.data();
  }
  uint64_t inPiece = 0;
  const int16_t* run = pcm.run(pos, inPiece);
  frames = static_cast<int>(std::min({n, inPiece, readable - pos}));
  return run;
}

// Frames that have not been decoded yet play as silence (a streamed sound
// that decoding has not caught up with), and the position still advances as
// it would over a zeroed buffer. The resampler's history runs on across the
// loop point and across pieces, so neither makes a click.
void SoundMixer::mixVoice(MixerVoice& voice, float* out, int frameCount) {
  const PcmStore& pcm = voice.pcm;
  const uint64_t total = pcm.totalFrames();
  if (total == 0) {
    voice.playing = false;
    voice.position = 0;
    voice.restart = true;
    return;
  }
  const int channels = pcm.channels();
  const uint64_t readable = std::min(pcm.readableFrames(), total);
  if (voice.position >= total && !voice.draining) {
    if (!voice.looping) {
      stopAtEnd(voice);
      return;
    }
    voice.position %= total;
  }
  if (!voice.resampler) voice.resampler = std::make_unique<Resampler>();
  Resampler& rs = *voice.resampler;
  if (voice.restart || !rs.matches(voice.sampleRate, outputRate_, channels)) {
    voice.restart = false;
    voice.draining = false;
    if (!rs.start(voice.sampleRate, outputRate_, channels)) {
      voice.playing = false;
      return;
    }
  }

  float* frames = voiceScratch_.data();
  int produced = 0;
  while (produced < frameCount) {
    float* at = frames + static_cast<ptrdiff_t>(produced) * channels;
    const int room = frameCount - produced;
    if (voice.draining) {
      const int got = rs.drain(at, room);
      if (got == 0) {
        stopAtEnd(voice);
        break;
      }
      produced += got;
      continue;
    }
    // Output the filter holds already, then the next source frames.
    int got = rs.convert(nullptr, 0, at, room);
    if (got < 0) {
      voice.playing = false;
      break;
    }
    produced += got;
    if (produced == frameCount) break;
    at = frames + static_cast<ptrdiff_t>(produced) * channels;
    int count = 0;
    const int16_t* src = sourceRun(voice, readable, rs.inputFor(frameCount - produced), count);
    got = rs.convert(src, count, at, frameCount - produced);
    if (got < 0) {
      voice.playing = false;
      break;
    }
    produced += got;
    voice.position += static_cast<uint64_t>(count);
    if (voice.position >= total) {
      if (voice.looping)
        voice.position = 0;
      else
        voice.draining = true;
    }
  }

  const float gl = voice.gainLeft, gr = voice.gainRight;
  if (channels == 1) {
    for (int i = 0; i < produced; ++i) {
      out[2 * i] += frames[i] * gl;
      out[2 * i + 1] += frames[i] * gr;
    }
  } else {
    for (int i = 0; i < produced; ++i) {
      out[2 * i] += frames[2 * i] * gl;
      out[2 * i + 1] += frames[2 * i + 1] * gr;
    }
  }
}

}  // namespace kobre
