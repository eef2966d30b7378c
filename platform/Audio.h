#pragma once

#include <cstdint>

namespace kobre::platform {

// Fills interleaved 16-bit stereo frames at the device rate. Called on the
// audio thread (desktop) or from the virtual clock (headless).
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  virtual void mix(int16_t* frames, int frameCount) = 0;
};

// One output device: 44100 Hz, 16-bit stereo. lock/unlock keep the source's
// state consistent against the audio thread.
class AudioDevice {
 public:
  virtual ~AudioDevice() = default;
  virtual bool open(int sampleRate, int channels, int bits) = 0;
  virtual void close() = 0;
  virtual bool isOpen() = 0;
  virtual int sampleRate() = 0;
  virtual void setSource(AudioSource* source) = 0;
  virtual void lock() = 0;
  virtual void unlock() = 0;
};

}  // namespace kobre::platform
