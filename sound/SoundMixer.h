// Our replacement for the sound card's secondary buffers: every loaded sound
// is a MixerVoice (16-bit PCM at its own rate, one or two channels) and the
// mixer plays all voices into the device's 44100 Hz stereo stream, resampling
// each one with a band-limited filter (Resampler) and applying the
// DirectSound volume and pan laws.
//
// Threads: mix() runs on the audio thread (desktop) or inside the virtual
// clock's sleep (headless). The user-interface thread changes a voice only
// between AudioDevice::lock and unlock (see SoundDevice::Lock); the PCM itself
// is published through PcmStore's readable count.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Audio.h"
#include "sound/PcmStore.h"
#include "sound/Resampler.h"

namespace kobre {

// Gain of a DirectSound volume in hundredths of a decibel (0 .. -10000);
// -10000 and below is silence.
float volumeGain(int32_t hundredthsDb);

struct MixerVoice {
  PcmStore pcm;
  int sampleRate = 44100;  // of the PCM
  // Play position in source frames: the next frame handed to the resampler
  // (the filter holds a few frames more than it has played).
  uint64_t position = 0;
  // Set by whoever moves position (load, stop, restart): the resampler then
  // starts over with empty history instead of joining old and new sound.
  bool restart = true;
  bool playing = false;
  bool looping = false;
  int32_t volume = 0;  // hundredths of a decibel, 0 .. -10000
  int32_t pan = 0;     // hundredths of a decibel, -10000 (left) .. 10000 (right)
  float gainLeft = 1.0f;
  float gainRight = 1.0f;

  // Recomputes the two gains from volume and pan: the far side of the pan is
  // attenuated by |pan| hundredths of a decibel, as DirectSound does.
  void updateGains();

  // The mixer's, made on first use and touched by the audio thread only.
  std::unique_ptr<Resampler> resampler;
  bool draining = false;  // a one-shot sound past its last frame: the filter empties
};

class SoundMixer : public platform::AudioSource {
 public:
  SoundMixer();

  // Called with the device locked (or before the device starts).
  void addVoice(MixerVoice* voice);
  void removeVoice(MixerVoice* voice);
  // Further sources mixed on top (MIDI); called with the device locked.
  void addSource(platform::AudioSource* source);
  void removeSource(platform::AudioSource* source);
  void setOutputRate(int rate) { outputRate_ = rate > 0 ? rate : 44100; }
  int outputRate() const { return outputRate_; }

  // Audio thread: fills frameCount interleaved stereo frames.
  void mix(int16_t* frames, int frameCount) override;

 private:
  void mixVoice(MixerVoice& voice, float* out, int frameCount);
  // Source frames at the voice's position: up to maxFrames from one piece of
  // the PCM, or silence where decoding has not arrived yet.
  const int16_t* sourceRun(const MixerVoice& voice, uint64_t readable, int maxFrames, int& frames);
  void stopAtEnd(MixerVoice& voice);

  int outputRate_ = 44100;
  std::vector<MixerVoice*> voices_;
  std::vector<platform::AudioSource*> sources_;
  std::vector<float> accumulator_;
  std::vector<int16_t> sourceScratch_;
  std::vector<float> voiceScratch_;  // one voice's frames at the output rate
  std::vector<int16_t> silence_;     // fed for frames not decoded yet
};

}  // namespace kobre
