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

// Linear interpolation between neighbouring frames. Frames that have not been
// decoded yet play as silence (a streamed sound that decoding has not caught
// up with), and the position still advances as it would over a zeroed buffer.
void SoundMixer::mixVoice(MixerVoice& voice, float* out, int frameCount) {
  const PcmStore& pcm = voice.pcm;
  uint64_t total = pcm.totalFrames();
  if (total == 0) {
    voice.playing = false;
    voice.position = 0;
    voice.fraction = 0;
    return;
  }
  uint64_t readable = std::min(pcm.readableFrames(), total);
  const int channels = pcm.channels();
  // Source frames per output frame as 32.32 fixed point.
  const uint64_t step =
      (static_cast<uint64_t>(voice.sampleRate) << 32) / static_cast<uint64_t>(outputRate_);
  const float gl = voice.gainLeft, gr = voice.gainRight;
  uint64_t pos = voice.position;
  uint64_t frac = voice.fraction;
  if (pos >= total) pos = voice.looping ? pos % total : total;

  // The piece holding the frames last read, so that most fetches are a
  // plain index instead of a piece lookup.
  const int16_t* run = nullptr;
  uint64_t runStart = 0, runEnd = 0;
  auto fetch = [&](uint64_t frame, float& left, float& right) {
    if (frame >= readable) {
      left = right = 0.0f;
      return;
    }
    if (frame < runStart || frame >= runEnd) {
      uint64_t count = 0;
      run = pcm.run(frame, count);
      runStart = frame;
      runEnd = frame + count;
    }
    const int16_t* s = run + (frame - runStart) * static_cast<uint64_t>(channels);
    left = s[0];
    right = channels == 1 ? s[0] : s[1];
  };

  for (int i = 0; i < frameCount; ++i) {
    if (pos >= total) {
      voice.playing = false;
      pos = total;
      frac = 0;
      break;
    }
    float l0, r0, l1, r1;
    fetch(pos, l0, r0);
    uint64_t next = pos + 1;
    if (next >= total) {
      if (voice.looping) {
        fetch(0, l1, r1);
      } else {
        l1 = l0;
        r1 = r0;
      }
    } else {
      fetch(next, l1, r1);
    }
    float t = static_cast<float>(frac) * (1.0f / 4294967296.0f);
    out[2 * i] += (l0 + (l1 - l0) * t) * gl;
    out[2 * i + 1] += (r0 + (r1 - r0) * t) * gr;
    frac += step;
    pos += frac >> 32;
    frac &= 0xFFFFFFFFu;
    if (pos >= total) {
      if (voice.looping) {
        pos %= total;
      } else {
        // A one-shot sound stops at its end and stays there.
        voice.playing = false;
        pos = total;
        frac = 0;
        break;
      }
    }
  }
  voice.position = pos;
  voice.fraction = static_cast<uint32_t>(frac);
}

}  // namespace kobre
