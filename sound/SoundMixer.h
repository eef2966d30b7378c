// Our replacement for the sound card's secondary buffers: every loaded sound
// is a MixerVoice (16-bit PCM at its own rate, one or two channels) and the
// mixer plays all voices into the device's 44100 Hz stereo stream, resampling
// each one linearly and applying the DirectSound volume and pan laws.
//
// Threads: mix() runs on the audio thread (desktop) or inside the virtual
// clock's sleep (headless). The user-interface thread changes a voice only
// between AudioDevice::lock and unlock (see SoundDevice::Lock); the PCM itself
// is published through PcmStore's readable count.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Audio.h"
#include "sound/PcmStore.h"

namespace kobre {

// Gain of a DirectSound volume in hundredths of a decibel (0 .. -10000);
// -10000 and below is silence.
float volumeGain(int32_t hundredthsDb);

struct MixerVoice {
  PcmStore pcm;
  int sampleRate = 44100;  // of the PCM
  // Play position in frames with a 32-bit fraction for resampling.
  uint64_t position = 0;
  uint32_t fraction = 0;
  bool playing = false;
  bool looping = false;
  int32_t volume = 0;  // hundredths of a decibel, 0 .. -10000
  int32_t pan = 0;     // hundredths of a decibel, -10000 (left) .. 10000 (right)
  float gainLeft = 1.0f;
  float gainRight = 1.0f;

  // Recomputes the two gains from volume and pan: the far side of the pan is
  // attenuated by |pan| hundredths of a decibel, as DirectSound does.
  void updateGains();
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

  int outputRate_ = 44100;
  std::vector<MixerVoice*> voices_;
  std::vector<platform::AudioSource*> sources_;
  std::vector<float> accumulator_;
  std::vector<int16_t> sourceScratch_;
};

}  // namespace kobre
