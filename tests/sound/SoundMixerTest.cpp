// The mixer's rate conversion measured on its output: tones across the band
// (up to 0.9 of the source's Nyquist frequency) and a sweep at source rates
// from 8 to 96 kHz, and a looping sound whose loop point leaves no trace.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "sound/SoundMixer.h"

namespace kobre {
namespace {

constexpr int kOut = 44100;

// Plays samples (one voice at full volume, centred) through a mixer and
// returns the left channel of frames output frames.
std::vector<double> mixed(std::vector<int16_t> samples, int rate, int channels, int frames,
                          bool loop = false, uint32_t pieceBytes = 0) {
  SoundMixer mixer;
  MixerVoice voice;
  if (pieceBytes == 0) {
    EXPECT_TRUE(voice.pcm.adopt(std::move(samples), channels));
  } else {
    // Held in pieces, as a streamed sound is.
    EXPECT_TRUE(voice.pcm.reset(samples.size() * 2, channels, pieceBytes));
    voice.pcm.append(reinterpret_cast<const uint8_t*>(samples.data()), samples.size() * 2);
  }
  voice.sampleRate = rate;
  voice.playing = true;
  voice.looping = loop;
  voice.updateGains();
  mixer.addVoice(&voice);
  std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
  // Uneven slices, as the device asks for them.
  for (int done = 0, slice = 333; done < frames; done += slice, slice = slice == 333 ? 1024 : 333)
    mixer.mix(out.data() + 2 * done, std::min(slice, frames - done));
  std::vector<double> left(static_cast<size_t>(frames));
  for (size_t i = 0; i < left.size(); ++i) left[i] = out[2 * i];
  return left;
}

std::vector<int16_t> tone(int frames, int rate, int channels, double hz, double amplitude) {
  std::vector<int16_t> s;
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      s.push_back(static_cast<int16_t>(std::lrint(amplitude * std::sin(2 * M_PI * hz * i / rate))));
  return s;
}

// Least-squares fit of a sine of frequency hz to y[from, to): its amplitude,
// and everything else (images, aliases, noise) in dB below it.
struct Fit {
  double amplitude;
  double restDb;
};
Fit fitSine(const std::vector<double>& y, size_t from, size_t to, double hz) {
  double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
  for (size_t i = from; i < to; ++i) {
    double t = 2 * M_PI * hz * static_cast<double>(i) / kOut, s = std::sin(t), c = std::cos(t);
    ss += s * s, cc += c * c, sc += s * c, ys += y[i] * s, yc += y[i] * c;
  }
  const double det = ss * cc - sc * sc;
  const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
  double rest = 0, signal = 0;
  for (size_t i = from; i < to; ++i) {
    double t = 2 * M_PI * hz * static_cast<double>(i) / kOut;
    double m = a * std::sin(t) + b * std::cos(t);
    rest += (y[i] - m) * (y[i] - m);
    signal += m * m;
  }
  return {std::hypot(a, b), 10 * std::log10(rest / signal)};
}

const int kRates[] = {8000, 11025, 16000, 22050, 32000, 48000, 96000};

TEST(SoundMixer, TonesUpToNineTenthsOfNyquistAreFlatAndClean) {
  const double amplitude = 12000;
  for (int rate : kRates) {
    const double nyquist = std::min(rate, kOut) / 2.0;
    std::vector<double> tones;
    for (double part : {0.05, 0.3, 0.6, 0.8, 0.9}) tones.push_back(part * nyquist);
    if (rate == 22050) tones.push_back(9000);  // the dull-and-gritty case of linear interpolation
    for (double hz : tones) {
      for (int channels : {1, 2}) {
        auto out = mixed(tone(rate / 4, rate, channels, hz, amplitude), rate, channels, kOut / 4);
        // Leave out the filter's run-in and run-out.
        Fit f = fitSine(out, 500, out.size() - 500, hz);
        const double gainDb = 20 * std::log10(f.amplitude / amplitude);
        EXPECT_LT(std::abs(gainDb), 0.5) << rate << " Hz source, tone " << hz << " Hz";
        EXPECT_LT(f.restDb, -60) << rate << " Hz source, tone " << hz << " Hz";
      }
    }
  }
}

TEST(SoundMixer, SweepComesOutAsTheSameSweep) {
  // A linear sweep from 20 Hz to 0.9 of the lower Nyquist frequency, against
  // the same sweep computed at the output rate: every image, alias and
  // ripple of the pass band is in the difference.
  for (int rate : kRates) {
    const double top = 0.9 * std::min(rate, kOut) / 2.0;
    const double seconds = 0.5, amplitude = 12000;
    auto phase = [&](double t) { return 2 * M_PI * (20 * t + (top - 20) * t * t / (2 * seconds)); };
    std::vector<int16_t> in;
    for (int i = 0; i < static_cast<int>(rate * seconds); ++i)
      in.push_back(static_cast<int16_t>(std::lrint(amplitude * std::sin(phase(double(i) / rate)))));
    auto out = mixed(in, rate, 1, static_cast<int>(kOut * seconds));
    double signal = 0, rest = 0;
    for (size_t i = 500; i + 500 < out.size(); ++i) {
      double want = amplitude * std::sin(phase(double(i) / kOut));
      signal += want * want;
      rest += (out[i] - want) * (out[i] - want);
    }
    EXPECT_LT(10 * std::log10(rest / signal), -60) << rate;
  }
}

TEST(SoundMixer, LoopPointIsSeamless) {
  // 441 whole periods in the sound: looped, it is one endless tone. Held in
  // uneven pieces so that piece boundaries are crossed too.
  for (int rate : {11025, 22050, 48000}) {
    const double hz = 441, amplitude = 12000;
    auto out =
        mixed(tone(rate, rate, 2, hz, amplitude), rate, 2, kOut * 5 / 2, true, 4 * 1000 + 4 * 7);
    // Around the loop points (1 s and 2 s) and between them, the output is
    // the tone and nothing else.
    for (int second : {1, 2}) {
      const size_t at = static_cast<size_t>(kOut * second);
      Fit f = fitSine(out, at - 2000, at + 2000, hz);
      EXPECT_LT(std::abs(20 * std::log10(f.amplitude / amplitude)), 0.1) << rate;
      EXPECT_LT(f.restDb, -60) << rate << " at " << second << " s";
      // No step anywhere: neighbouring samples differ by no more than the
      // tone's steepest slope allows.
      const double slope = amplitude * 2 * M_PI * hz / kOut;
      for (size_t i = at - 2000; i < at + 2000; ++i)
        ASSERT_LT(std::abs(out[i + 1] - out[i]), slope * 1.05 + 2) << rate << " at " << i;
    }
  }
}

TEST(SoundMixer, OneShotSoundsKeepTheirLengthAndEnd) {
  // One second at any rate plays for one second of output, then stops.
  for (int rate : kRates) {
    SoundMixer mixer;
    MixerVoice voice;
    ASSERT_TRUE(voice.pcm.adopt(tone(rate, rate, 1, 300, 10000), 1));
    voice.sampleRate = rate;
    voice.playing = true;
    voice.updateGains();
    mixer.addVoice(&voice);
    std::vector<int16_t> out(2 * 1000);
    int frames = 0;
    while (voice.playing && frames < 2 * kOut) {
      mixer.mix(out.data(), 1000);
      frames += 1000;
    }
    EXPECT_FALSE(voice.playing) << rate;
    EXPECT_EQ(frames, kOut + 1000 - kOut % 1000) << rate;
    EXPECT_EQ(voice.position, static_cast<uint64_t>(rate)) << rate;
  }
}

}  // namespace
}  // namespace kobre
