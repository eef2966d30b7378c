// Shared pieces of the sound tests: a headless platform over a temporary
// game folder with an opened SoundDevice, codec encoders (libavcodec) for
// the formats the converter decodes, and signal comparison.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/headless/HeadlessPlatform.h"
#include "sound/SoundDevice.h"
#include "storage/ArchiveFile.h"
#include "tests/storage/TempFolder.h"

namespace kobre::testing {

struct SoundRig {
  TempFolder folder;
  platform::headless::HeadlessPlatform hp{folder.str()};
  SoundDevice device{&hp.audio};
  ArchiveFile archive{&hp.files};

  SoundRig() {
    device.setFileSystem(&hp.files);
    device.setArchive(&archive);
  }
  bool open() { return device.create(&hp.host, kDsSclPriority, 2, 44100, 16); }
  // Writes a loose sound file "wav\<name>.wav".
  void writeSound(const std::string& name, std::span<const uint8_t> bytes) {
    folder.write("wav/" + name + ".wav", bytes);
  }
  // Milliseconds of virtual time (the device mixes meanwhile).
  void advance(uint64_t ms) { hp.clock.advance(ms); }
  const std::vector<platform::headless::RecordedBox>& boxes() { return hp.host.boxes(); }
};

// An encoded sound for a WAVE container.
struct EncodedSound {
  bool ok = false;
  uint16_t formatTag = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  uint32_t avgBytesPerSec = 0;
  std::vector<uint8_t> extra;
  std::vector<uint8_t> data;
};

// Encodes interleaved 16-bit samples with libavcodec ("adpcm_ms",
// "adpcm_ima_wav", "pcm_alaw", "pcm_mulaw", "libmp3lame", "libgsm_ms").
EncodedSound encodeWithAvcodec(const char* encoder, std::span<const int16_t> samples, int rate,
                               int channels);

// The WAVE file of an encoded sound (with a 'fact' chunk of frames).
std::vector<uint8_t> waveOf(const EncodedSound& sound, int rate, int channels, uint32_t frames);

// Signal-to-noise ratio in dB of got against want (interleaved, same channel
// count), after finding the best delay of got within maxLag frames.
double snrDb(std::span<const int16_t> want, std::span<const int16_t> got, int channels,
             int maxLag = 0);

// Root mean square of one channel over a frame range.
double rms(std::span<const int16_t> samples, int channels, int channel, size_t firstFrame,
           size_t frames);

}  // namespace kobre::testing
