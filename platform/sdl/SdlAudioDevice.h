#pragma once

#include <cstdint>

#include "platform/Audio.h"
#include "platform/Log.h"

namespace kobre::platform::sdl {

// The one SDL2 output device: 16-bit stereo; the source mixes on SDL's audio
// thread, lock/unlock keep the engine's changes away from a running mix.
class SdlAudioDevice : public AudioDevice {
 public:
  ~SdlAudioDevice() override;
  bool open(int sampleRate, int channels, int bits) override;
  void close() override;
  bool isOpen() override { return device_ != 0; }
  int sampleRate() override { return rate_; }
  void setSource(AudioSource* source) override;
  void lock() override;
  void unlock() override;

  // When no real output opens, fall back to SDL's silent driver (on by
  // default) so the game still runs; silent() tells that it happened.
  void setSilentFallback(bool on) { silentFallback_ = on; }
  bool silent() const { return silent_; }
  // Where the fallback is reported (one line); none by default.
  void setLog(Log* log) { log_ = log; }

 private:
  static void callback(void* self, uint8_t* stream, int bytes);

  uint32_t device_ = 0;
  int rate_ = 44100;
  bool silentFallback_ = true;
  Log* log_ = nullptr;
  bool silent_ = false;
  AudioSource* source_ = nullptr;  // read on the audio thread under the device lock
};

}  // namespace kobre::platform::sdl
