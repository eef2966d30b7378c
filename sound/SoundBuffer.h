// One playable sound: 16-bit PCM held for the mixer, the name it was loaded
// from, its channel volume and a simple volume ramp for fade-outs. Loaded
// whole (effects, voices) or streamed (music: the first 2 seconds at once,
// 2 more at each update while it plays).
//
// All calls come from the user-interface thread; the mixer plays the sound
// on the audio thread (see SoundMixer for who may touch what).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "common/SoundChannelCount.h"
#include "sound/AcmConverter.h"
#include "sound/SoundMixer.h"

namespace kobre {

class SoundDevice;

// Part of the volume law: 100 -> 0, 1 -> -2475, 0 -> -10000 hundredths of
// a decibel.
int32_t volumeToHundredthsDb(int volume);

class SoundBuffer {
 public:
  SoundBuffer() = default;
  explicit SoundBuffer(SoundDevice* device) { attach(device); }
  ~SoundBuffer() { detach(); }
  SoundBuffer(const SoundBuffer&) = delete;
  SoundBuffer& operator=(const SoundBuffer&) = delete;

  // Joins the device's mixer (before the first load); detach releases.
  void attach(SoundDevice* device);
  void detach();

  [[nodiscard]] bool loadWhole(std::string_view name);
  [[nodiscard]] bool loadStreamed(std::string_view name);
  bool play(bool loop);
  bool stop();
  void release();
  bool setVolume(int volume, bool remember);
  bool setPan(int pan);
  bool isPlaying() const;
  void startFade(int startLevel, int step);
  bool update(bool decodeMore);

  bool isLoaded() const { return loaded_; }
  std::string_view loadedName() const { return std::string_view(loadedName_.data()); }

  int volume() const { return volume_; }
  int fadeLevel() const { return fadeLevel_; }
  int fadeStep() const { return fadeStep_; }
  int64_t decodedSoFar() const { return decodedSoFar_; }
  int64_t decodedLength() const { return decodedLength_; }
  // The level and pan last given to the mixer, in hundredths of a decibel.
  int32_t deviceVolume() const { return voice_.volume; }
  int32_t devicePan() const { return voice_.pan; }
  // Play position in frames of the sound's own rate.
  uint64_t playPosition() const;
  // The PCM as loaded (for tests and the music room's checks).
  const PcmStore& pcm() const { return voice_.pcm; }

 private:
  void report(int line, uint32_t code, std::string_view detail = {});
  void storeName(std::string_view name);
  bool ready() const;

  SoundDevice* device_ = nullptr;
  MixerVoice voice_;
  std::unique_ptr<AcmConverter> decoder_;
  bool loaded_ = false;
  int64_t decodedSoFar_ = 0;
  int64_t decodedLength_ = 0;
  std::array<char, 32> loadedName_{};
  int volume_ = 100;
  int fadeLevel_ = -1;
  int fadeStep_ = 0;
  bool decodeFailed_ = false;
};

// The five channels `soundChannels`; slots 1 and 3 exist and stay silent.
// (The script's Runtime borrows the whole object as its channels.)
struct SoundChannels {
  static constexpr int kCount = kSoundChannelCount;
  static constexpr int kBgm = 0;
  static constexpr int kSe = 2;
  static constexpr int kVoice = 4;

  std::array<SoundBuffer, kCount> slots;

  void attach(SoundDevice* device) {
    for (SoundBuffer& b : slots) b.attach(device);
  }
  void detach() {
    for (SoundBuffer& b : slots) b.detach();
  }
  SoundBuffer& operator[](int i) { return slots[static_cast<size_t>(i)]; }
  SoundBuffer& bgmChannel() { return slots[kBgm]; }
  SoundBuffer& seChannel() { return slots[kSe]; }
  SoundBuffer& voiceChannel() { return slots[kVoice]; }
  // The input poll's sound step: music with decoding, then effect and voice.
  void pollUpdate() {
    bgmChannel().update(true);
    seChannel().update(false);
    voiceChannel().update(false);
  }
  void releaseAll() {
    for (SoundBuffer& b : slots) b.release();
  }
};

}  // namespace kobre
