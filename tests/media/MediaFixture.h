// A game folder on the headless platform with an open sound device and our
// command-string service over it, plus generated movies and MIDI files.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "media/MciStrings.h"
#include "platform/headless/HeadlessPlatform.h"
#include "sound/SoundDevice.h"
#include "tests/storage/TempFolder.h"
#include "tools/writers/MidiWriter.h"
#include "tools/writers/MovieWriter.h"
#include "tools/writers/WavWriter.h"

namespace kobre::testing {

// Colours of the test movies' frames, far apart after YUV rounding.
inline const std::vector<uint32_t> kMovieColours = {0xE02020, 0x20E020, 0x2020E0, 0xE0E020};

inline std::vector<uint8_t> makeMovie(int frames, int fps, std::vector<int16_t> sound = {}) {
  writers::MovieSource s = writers::solidMovie(64, 48, frames, fps, kMovieColours);
  s.sound = std::move(sound);
  std::vector<uint8_t> out;
  std::string error;
  EXPECT_TRUE(writers::writeMpegMovie(s, out, error)) << error;
  return out;
}

inline std::vector<uint8_t> makeMidi(double seconds = 1.0) {
  std::vector<writers::MidiNote> notes;
  const int beats = static_cast<int>(seconds * 2);  // 120 beats a minute
  for (int i = 0; i < beats; ++i)
    notes.push_back(
        {static_cast<uint32_t>(i * 480), 440, static_cast<uint8_t>(60 + i % 12), 110, 0});
  return writers::writeMidiFile(notes, 120, 0);
}

// Nearest of kMovieColours to a pixel, or -1 for black.
inline int movieColourIndex(uint32_t pixel) {
  int best = -1;
  int bestDistance = 3 * 40 * 40;  // black unless close to a frame colour
  for (size_t i = 0; i < kMovieColours.size(); ++i) {
    const uint32_t c = kMovieColours[i];
    int d = 0;
    for (int shift : {0, 8, 16}) {
      const int a = static_cast<int>((pixel >> shift) & 255),
                b = static_cast<int>((c >> shift) & 255);
      d += (a - b) * (a - b);
    }
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

// Root mean square of interleaved stereo samples from frame `from` for `count` frames.
inline double rms(const std::vector<int16_t>& stereo, size_t from, size_t count) {
  double sum = 0;
  size_t n = 0;
  for (size_t f = from; f < from + count && 2 * f + 1 < stereo.size(); ++f, ++n)
    sum += double(stereo[2 * f]) * stereo[2 * f] + double(stereo[2 * f + 1]) * stereo[2 * f + 1];
  return n == 0 ? 0 : std::sqrt(sum / (2.0 * static_cast<double>(n)));
}

class MediaFixture : public ::testing::Test {
 protected:
  MediaFixture() : headless(dir.str(), dir.str() + "/.data"), device(&headless.audio) {
    EXPECT_TRUE(device.create(&headless.host, kDsSclPriority, 2, 44100, 16));
    headless.audio.setRecording(true);
    MciSetup setup;
    setup.files = &headless.files;
    setup.clock = &headless.clock;
    setup.host = &headless.host;
    setup.sound = &device;
    setup.musicVolume = [this] { return musicVolume; };
    setup.notify = [this] { ++notifications; };
    mci = std::make_unique<MciStrings>(std::move(setup));
  }
  ~MediaFixture() override { mci.reset(); }

  // Lets virtual time pass as the movie wait does, 16 ms a pass.
  void pass(uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 16) {
      mci->update();
      headless.clock.sleep(16);
    }
  }

  TempFolder dir;
  platform::headless::HeadlessPlatform headless;
  SoundDevice device;
  std::unique_ptr<MciStrings> mci;
  int musicVolume = 100;
  int notifications = 0;
};

}  // namespace kobre::testing
