// The one sound output of the program: opens the platform's audio device at
// the requested format and plays every SoundBuffer through our mixer. Also
// carries what the buffers need to find their files (the loose-file system
// and the sound archive, which start-up creates after the device).
#pragma once

#include <cstdint>

#include "platform/Audio.h"
#include "sound/SoundMixer.h"
#include "sound/WaveFile.h"

namespace kobre {

namespace platform {
class Host;
}

constexpr uint32_t kDsSclPriority = 2;

// The primary format set by create (what the device must accept), in the
// same WAVEFORMATEX form the WAV reader gives every sound.
using PrimaryFormat = WaveFormat;

class SoundDevice {
 public:
  explicit SoundDevice(platform::AudioDevice* audio = nullptr) : audio_(audio) {}
  ~SoundDevice() { release(); }
  SoundDevice(const SoundDevice&) = delete;
  SoundDevice& operator=(const SoundDevice&) = delete;

  void setAudioDevice(platform::AudioDevice* audio) { audio_ = audio; }

  // Opens the device (releasing an open one first). Each failing step shows
  // the DirectSound box, releases and returns false. Start-up passes the main
  // window, kDsSclPriority, 2 channels, 44100 Hz and 16 bits.
  [[nodiscard]] bool create(platform::Host* owner, uint32_t cooperativeLevel, uint16_t channels,
                            uint32_t samplesPerSec, uint16_t bitsPerSample);
  void release();
  bool isReady() const { return ready_; }

  platform::Host* ownerWindow() const { return owner_; }
  SoundMixer& mixer() { return mixer_; }
  const PrimaryFormat& primaryFormat() const { return primary_; }

  // Where sounds are found; the archive may be set later than the device.
  void setFileSystem(platform::FileSystem* files) { files_.files = files; }
  void setArchive(ArchiveFile* archive) { files_.archive = archive; }
  // The file context for WaveFile; its host is the owner window.
  SoundFiles soundFiles() const {
    SoundFiles f = files_;
    f.host = owner_;
    return f;
  }

  // Keeps the mixer's state consistent against the audio thread.
  void lock() {
    if (audio_ && ready_) audio_->lock();
  }
  void unlock() {
    if (audio_ && ready_) audio_->unlock();
  }

 private:
  platform::AudioDevice* audio_ = nullptr;
  platform::Host* owner_ = nullptr;
  SoundMixer mixer_;
  SoundFiles files_;
  PrimaryFormat primary_;
  bool ready_ = false;
};

// Scoped device lock.
class SoundLock {
 public:
  explicit SoundLock(SoundDevice* device) : device_(device) {
    if (device_) device_->lock();
  }
  ~SoundLock() {
    if (device_) device_->unlock();
  }
  SoundLock(const SoundLock&) = delete;
  SoundLock& operator=(const SoundLock&) = delete;

 private:
  SoundDevice* device_;
};

}  // namespace kobre
