#include <gtest/gtest.h>

#include <algorithm>

#include "sound/SoundBuffer.h"
#include "sound/SoundDevice.h"
#include "tests/sound/SoundTestSupport.h"
#include "tools/writers/WavWriter.h"

namespace kobre {
namespace {

using testing::rms;
using testing::SoundRig;

struct BufferRig : SoundRig {
  SoundChannels channels;
  BufferRig() {
    EXPECT_TRUE(open());
    channels.attach(&device);
    hp.audio.setRecording(true);
  }
  ~BufferRig() { channels.detach(); }
  const std::vector<int16_t>& played() { return hp.audio.recorded(); }
};

std::vector<uint8_t> tonePcm(int frames, int rate = 44100, int channels = 2, double hz = 441) {
  return writers::writePcmWave(writers::makeSineWave(frames, rate, channels, hz), rate, channels);
}

TEST(SoundBuffer, VolumeMapping) {
  struct Case {
    int volume;
    int32_t hundredths;
  } cases[] = {{100, 0},   {99, -25},   {50, -1250}, {2, -2450},
               {1, -2475}, {0, -10000}, {150, 0},    {-5, -10000}};
  for (const Case& c : cases) EXPECT_EQ(volumeToHundredthsDb(c.volume), c.hundredths) << c.volume;
  EXPECT_FLOAT_EQ(volumeGain(0), 1.0f);
  EXPECT_NEAR(volumeGain(-2000), 0.1f, 1e-6);
  EXPECT_EQ(volumeGain(-10000), 0.0f);

  BufferRig rig;
  rig.writeSound("a", tonePcm(100));
  SoundBuffer& b = rig.channels.seChannel();
  EXPECT_FALSE(b.setVolume(50, true));  // nothing loaded: nothing remembered
  EXPECT_EQ(b.volume(), 100);
  ASSERT_TRUE(b.loadWhole("wav\\a.wav"));
  ASSERT_TRUE(b.setVolume(150, true));
  EXPECT_EQ(b.volume(), 100);
  EXPECT_EQ(b.deviceVolume(), 0);
  ASSERT_TRUE(b.setVolume(0, true));
  EXPECT_EQ(b.deviceVolume(), -10000);
  ASSERT_TRUE(b.setVolume(30, false));
  EXPECT_EQ(b.volume(), 0);
  EXPECT_EQ(b.deviceVolume(), 30 * 25 - 2500);
}

TEST(SoundBuffer, PanRangeAndLaw) {
  BufferRig rig;
  // A constant full-scale-ish signal makes the gains easy to read.
  std::vector<int16_t> dc(44100 * 2, 10000);
  rig.writeSound("dc", writers::writePcmWave(dc, 44100, 2));
  SoundBuffer& b = rig.channels.voiceChannel();
  ASSERT_TRUE(b.loadWhole("wav\\dc.wav"));
  ASSERT_TRUE(b.setVolume(100, true));
  EXPECT_FALSE(b.setPan(101));
  EXPECT_FALSE(b.setPan(-101));
  EXPECT_EQ(b.devicePan(), 0);
  struct Case {
    int pan;
    double left, right;
  } cases[] = {
      {0, 10000, 10000},
      {10, 10000 * 0.316228, 10000},  // the far side loses 1000 hundredths: 10 dB
      {-10, 10000, 10000 * 0.316228},
      {1, 10000 * 0.891251, 10000},  // 1 dB
      {100, 10000 * 0.0001, 10000},  // 100 dB down: silent for 16 bits
      {-100, 10000, 0},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(b.setPan(c.pan));
    EXPECT_EQ(b.devicePan(), c.pan * 100);
    ASSERT_TRUE(b.stop());
    ASSERT_TRUE(b.play(false));
    size_t start = rig.played().size() / 2;
    rig.advance(100);
    EXPECT_NEAR(rms(rig.played(), 2, 0, start + 10, 4000), c.left, 2.0) << c.pan;
    EXPECT_NEAR(rms(rig.played(), 2, 1, start + 10, 4000), c.right, 2.0) << c.pan;
  }
}

TEST(SoundBuffer, ReloadedBufferStartsCentred) {
  BufferRig rig;
  std::vector<int16_t> dc(44100 * 2, 10000);
  rig.writeSound("dc", writers::writePcmWave(dc, 44100, 2));
  SoundBuffer& b = rig.channels.voiceChannel();
  // Released and loaded again, or loaded over: either way a fresh buffer.
  for (bool releaseFirst : {true, false}) {
    ASSERT_TRUE(b.loadWhole("wav\\dc.wav"));
    ASSERT_TRUE(b.setVolume(100, true));
    ASSERT_TRUE(b.setPan(-100));
    if (releaseFirst) b.release();
    ASSERT_TRUE(b.loadWhole("wav\\dc.wav"));
    EXPECT_EQ(b.devicePan(), 0) << releaseFirst;
    ASSERT_TRUE(b.setVolume(100, true));
    ASSERT_TRUE(b.play(false));
    size_t start = rig.played().size() / 2;
    rig.advance(100);
    EXPECT_NEAR(rms(rig.played(), 2, 0, start + 10, 4000), 10000, 2.0) << releaseFirst;
    EXPECT_NEAR(rms(rig.played(), 2, 1, start + 10, 4000), 10000, 2.0) << releaseFirst;
    ASSERT_TRUE(b.stop());
  }
}

TEST(SoundBuffer, ResamplesToTheDeviceRate) {
  BufferRig rig;
  // One second of 22050 Hz mono: two seconds of 11025 Hz plays for 2 s.
  rig.writeSound("slow", tonePcm(22050, 11025, 1, 441));
  SoundBuffer& b = rig.channels.seChannel();
  ASSERT_TRUE(b.loadWhole("wav\\slow.wav"));
  ASSERT_TRUE(b.setVolume(100, true));
  ASSERT_TRUE(b.play(false));
  rig.advance(1000);
  EXPECT_TRUE(b.isPlaying());
  rig.advance(1100);
  EXPECT_FALSE(b.isPlaying());
  EXPECT_TRUE(b.isLoaded());  // a finished one-shot stays loaded
  // 441 Hz at 44100: a period of 100 frames; count rising zero crossings.
  const auto& out = rig.played();
  int crossings = 0;
  for (size_t f = 1; f < 44100; ++f) {
    if (out[2 * (f - 1)] < 0 && out[2 * f] >= 0) ++crossings;
  }
  EXPECT_NEAR(crossings, 441, 2);
  EXPECT_NEAR(rms(out, 2, 0, 0, 44100), 12000 / std::sqrt(2.0), 200);
  // Mono plays on both sides.
  EXPECT_EQ(out[2 * 1000], out[2 * 1000 + 1]);
}

TEST(SoundBuffer, LoopingAndPlayWhilePlaying) {
  BufferRig rig;
  rig.writeSound("short", tonePcm(4410));  // 100 ms
  SoundBuffer& b = rig.channels.seChannel();
  ASSERT_TRUE(b.loadWhole("wav\\short.wav"));
  ASSERT_TRUE(b.setVolume(100, true));
  ASSERT_TRUE(b.play(true));
  rig.advance(1050);
  EXPECT_TRUE(b.isPlaying());
  EXPECT_GT(rms(rig.played(), 2, 0, 44100, 2000), 5000);
  // Asking for a one-shot while it plays changes nothing.
  ASSERT_TRUE(b.play(false));
  rig.advance(500);
  EXPECT_TRUE(b.isPlaying());
  ASSERT_TRUE(b.stop());
  EXPECT_EQ(b.playPosition(), 0u);
  EXPECT_TRUE(b.isLoaded());
  // A one-shot not switched to looping when already playing.
  ASSERT_TRUE(b.play(false));
  ASSERT_TRUE(b.play(true));
  rig.advance(200);
  EXPECT_FALSE(b.isPlaying());
}

TEST(SoundBuffer, NothingLoaded) {
  BufferRig rig;
  SoundBuffer& b = rig.channels.bgmChannel();
  EXPECT_FALSE(b.play(true));
  EXPECT_FALSE(b.stop());
  EXPECT_FALSE(b.isPlaying());
  EXPECT_FALSE(b.update(true));
  b.release();
  EXPECT_EQ(b.loadedName(), "");
  // A fade started on an empty channel waits; the next load clears it.
  b.startFade(100, -5);
  EXPECT_EQ(b.fadeLevel(), 100);
  rig.writeSound("m", tonePcm(4410));
  ASSERT_TRUE(b.loadWhole("wav\\m.wav"));
  EXPECT_EQ(b.fadeLevel(), -1);
}

TEST(SoundBuffer, MissingNameSilencesTheChannelWithoutABox) {
  BufferRig rig;
  rig.writeSound("a", tonePcm(44100));
  SoundBuffer& b = rig.channels.seChannel();
  ASSERT_TRUE(b.loadWhole("wav\\a.wav"));
  ASSERT_TRUE(b.play(true));
  EXPECT_FALSE(b.loadWhole("wav\\none.wav"));
  EXPECT_FALSE(b.isLoaded());
  EXPECT_FALSE(b.isPlaying());
  EXPECT_FALSE(rig.channels.bgmChannel().loadStreamed("wav\\none.wav"));
  EXPECT_TRUE(rig.boxes().empty());
}

TEST(SoundBuffer, NoDeviceMeansNoLoad) {
  SoundRig rig;  // device never opened
  rig.writeSound("a", tonePcm(100));
  SoundBuffer b(&rig.device);
  EXPECT_FALSE(b.loadWhole("wav\\a.wav"));
  EXPECT_FALSE(b.loadStreamed("wav\\a.wav"));
  EXPECT_TRUE(rig.boxes().empty());
}

TEST(SoundBuffer, FadeRamps) {
  struct Case {
    int volume, step, releasedOn;
  } cases[] = {{100, -5, 20}, {100, -20, 5}, {50, -5, 10}, {7, -5, 2}};
  for (const Case& c : cases) {
    BufferRig rig;
    rig.writeSound("a", tonePcm(44100));
    SoundBuffer& b = rig.channels.seChannel();
    ASSERT_TRUE(b.loadWhole("wav\\a.wav"));
    ASSERT_TRUE(b.setVolume(c.volume, true));
    ASSERT_TRUE(b.play(true));
    b.startFade(c.volume, c.step);
    int polls = 0;
    int32_t previous = b.deviceVolume();
    while (b.isLoaded() && polls < 100) {
      ASSERT_TRUE(b.update(false));
      ++polls;
      if (b.isLoaded()) {
        // Each step of 5 lowers the level by 125 hundredths of a decibel.
        if (c.step == -5 && c.volume == 100) {
          EXPECT_EQ(b.deviceVolume(), previous - 125);
        }
        previous = b.deviceVolume();
      }
    }
    EXPECT_EQ(polls, c.releasedOn) << c.volume << " " << c.step;
    EXPECT_FALSE(b.isLoaded());
    EXPECT_EQ(b.loadedName(), "");
  }
}

TEST(SoundBuffer, RampOnAChannelAtVolumeZeroEndsWithoutRelease) {
  BufferRig rig;
  rig.writeSound("a", tonePcm(4410));
  SoundBuffer& b = rig.channels.seChannel();
  ASSERT_TRUE(b.loadWhole("wav\\a.wav"));
  ASSERT_TRUE(b.setVolume(0, true));
  b.startFade(0, -5);
  ASSERT_TRUE(b.update(false));
  EXPECT_EQ(b.fadeLevel(), -1);
  EXPECT_TRUE(b.isLoaded());
  // A ramp upwards stops at the channel volume.
  ASSERT_TRUE(b.setVolume(60, true));
  b.startFade(10, 30);
  ASSERT_TRUE(b.update(false));
  EXPECT_EQ(b.fadeLevel(), 40);
  ASSERT_TRUE(b.update(false));
  EXPECT_EQ(b.fadeLevel(), -1);
  EXPECT_EQ(b.deviceVolume(), volumeToHundredthsDb(60));
}

TEST(SoundBuffer, LoadedNameKeepsShortNamesOnly) {
  BufferRig rig;
  std::string name31 = "wav\\" + std::string(23, 'n') + ".wav";  // 31 bytes
  std::string name32 = "wav\\" + std::string(24, 'n') + ".wav";  // 32 bytes
  rig.writeSound(std::string(23, 'n'), tonePcm(100));
  rig.writeSound(std::string(24, 'n'), tonePcm(100));
  SoundBuffer& b = rig.channels.seChannel();
  ASSERT_TRUE(b.loadWhole(name31));
  EXPECT_EQ(b.loadedName(), name31);
  ASSERT_TRUE(b.loadWhole(name32));
  EXPECT_EQ(b.loadedName(), "");
}

std::vector<uint8_t> vorbisMusic(int seconds, int rate = 44100, int channels = 2) {
  auto tone = writers::makeSineWave(rate * seconds, rate, channels, 330);
  return writers::writeVorbisWave(tone, rate, channels, 0.1f);
}

TEST(SoundBuffer, StreamedLoadDecodesTwoSecondsThenOnePieceAnUpdate) {
  BufferRig rig;
  rig.writeSound("music", vorbisMusic(7));
  SoundBuffer& b = rig.channels.bgmChannel();
  ASSERT_TRUE(b.loadStreamed("wav\\music.wav"));
  EXPECT_EQ(b.decodedLength(), 7 * 44100 * 4);
  EXPECT_EQ(b.decodedSoFar(), kStreamChunkBytes);
  EXPECT_EQ(b.pcm().readableFrames(), 88200u);
  ASSERT_TRUE(b.setVolume(100, true));
  ASSERT_TRUE(b.play(true));
  // update with decoding adds one piece; without it, none.
  ASSERT_TRUE(b.update(false));
  EXPECT_EQ(b.decodedSoFar(), kStreamChunkBytes);
  ASSERT_TRUE(b.update(true));
  EXPECT_EQ(b.decodedSoFar(), 2 * kStreamChunkBytes);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(b.update(true));
  // The last piece is cut at the length; further updates change nothing.
  EXPECT_EQ(b.decodedSoFar(), b.decodedLength());
  rig.advance(3000);
  EXPECT_TRUE(b.isPlaying());
  EXPECT_GT(rms(rig.played(), 2, 0, 44100 * 2 + 100, 44100), 1500);
  EXPECT_TRUE(rig.boxes().empty());
}

TEST(SoundBuffer, StreamedSoundNotYetDecodedPlaysSilence) {
  BufferRig rig;
  rig.writeSound("music", vorbisMusic(5));
  SoundBuffer& b = rig.channels.bgmChannel();
  ASSERT_TRUE(b.loadStreamed("wav\\music.wav"));
  ASSERT_TRUE(b.setVolume(100, true));
  ASSERT_TRUE(b.play(false));
  // No updates: after the first two seconds the buffer is silent, and the
  // position runs on to the end as over a zeroed buffer.
  rig.advance(4000);
  EXPECT_GT(rms(rig.played(), 2, 0, 44100, 40000), 1500);
  EXPECT_EQ(rms(rig.played(), 2, 0, 44100 * 2 + 10, 44100), 0.0);
  EXPECT_TRUE(b.isPlaying());
  rig.advance(1100);
  EXPECT_FALSE(b.isPlaying());
}

TEST(SoundBuffer, SameMusicNameKeepsItsPlace) {
  BufferRig rig;
  rig.writeSound("theme", vorbisMusic(5));
  rig.writeSound("other", vorbisMusic(3));
  SoundBuffer& b = rig.channels.bgmChannel();
  ASSERT_TRUE(b.loadStreamed("wav\\theme.wav"));
  ASSERT_TRUE(b.setVolume(80, true));
  ASSERT_TRUE(b.play(true));
  rig.advance(1000);
  uint64_t before = b.playPosition();
  EXPECT_NEAR(static_cast<double>(before), 44100, 10);
  ASSERT_TRUE(b.loadStreamed("WAV\\Theme.WAV"));
  EXPECT_TRUE(b.isPlaying());
  EXPECT_EQ(b.playPosition(), before);
  EXPECT_EQ(b.volume(), 80);
  ASSERT_TRUE(b.loadStreamed("wav\\other.wav"));
  EXPECT_FALSE(b.isPlaying());
  EXPECT_EQ(b.playPosition(), 0u);
}

TEST(SoundBuffer, LongNamesReloadEveryTime) {
  BufferRig rig;
  std::string stem(24, 'x');
  rig.writeSound(stem, vorbisMusic(3));
  std::string name = "wav\\" + stem + ".wav";
  SoundBuffer& b = rig.channels.bgmChannel();
  ASSERT_TRUE(b.loadStreamed(name));
  ASSERT_TRUE(b.play(true));
  rig.advance(500);
  ASSERT_TRUE(b.loadStreamed(name));
  EXPECT_FALSE(b.isPlaying());  // reloaded, not started
  EXPECT_EQ(b.playPosition(), 0u);
}

// The same file with its 'fact' chunk renamed to one readers pass over.
std::vector<uint8_t> withoutFact(std::vector<uint8_t> wave) {
  for (size_t i = 12; i + 4 <= wave.size(); ++i)
    if (std::equal(wave.begin() + static_cast<std::ptrdiff_t>(i),
                   wave.begin() + static_cast<std::ptrdiff_t>(i + 4), "fact")) {
      std::copy_n("JUNK", 4, wave.begin() + static_cast<std::ptrdiff_t>(i));
      return wave;
    }
  ADD_FAILURE() << "no fact chunk";
  return wave;
}

TEST(SoundBuffer, StreamingRefusals) {
  auto tone = writers::makeSineWave(4410, 22050, 1, 400);
  auto adpcm = testing::encodeWithAvcodec("adpcm_ms", tone, 22050, 1);
  ASSERT_TRUE(adpcm.ok);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* detail;  // the line after the code; empty: none
  } cases[] = {
      // A format whose length only 'fact' can tell.
      {"adpcm without fact", withoutFact(testing::waveOf(adpcm, 22050, 1, 4410)),
       "'fact' チャンクがないため長さが分からない (形式 0x0002)"},
      // A count whose length does not fit the buffer counters.
      {"huge fact",
       writers::writeVorbisWave(writers::makeSineWave(2000, 22050, 2, 400), 22050, 2, 0.3f, 0x674F,
                                4000000000u),
       ""},
  };
  for (const Case& c : cases) {
    BufferRig rig;
    rig.writeSound("s", c.bytes);
    SoundBuffer& b = rig.channels.bgmChannel();
    EXPECT_FALSE(b.loadStreamed("wav\\s.wav")) << c.name;
    EXPECT_FALSE(b.isLoaded());
    ASSERT_EQ(rig.boxes().size(), 1u) << c.name;
    EXPECT_EQ(rig.boxes()[0].spec.caption, "DirectSound Error");
    const std::string& text = rig.boxes()[0].spec.text;
    const std::string code = "未定義のエラー : 0x00000001";
    ASSERT_NE(text.find(code), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.find(code) + code.size()),
              *c.detail ? "\n" + std::string(c.detail) : "")
        << c.name;
  }
  // Whole loads take plain PCM.
  BufferRig rig;
  rig.writeSound("s", tonePcm(441));
  EXPECT_TRUE(rig.channels.seChannel().loadWhole("wav\\s.wav"));
}

TEST(SoundBuffer, MusicWithoutFactStreamsToItsEndAndLoops) {
  // Plain PCM as ffmpeg and sox write it (8 and 16 bits), and Vorbis in WAVE
  // whose 'fact' chunk is missing: the length comes from the stream.
  const int frames = 3 * 44100 + 123;  // past one streamed piece, not whole pieces
  auto tone = writers::makeSineWave(frames, 44100, 2, 441);
  std::vector<uint8_t> eight(tone.size());
  for (size_t i = 0; i < tone.size(); ++i) eight[i] = static_cast<uint8_t>((tone[i] >> 8) + 128);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"pcm16", writers::writePcmWave(tone, 44100, 2)},
      {"pcm8", writers::writePcm8Wave(eight, 44100, 2)},
      {"vorbis", withoutFact(writers::writeVorbisWave(tone, 44100, 2, 0.3f))},
  };
  for (const Case& c : cases) {
    BufferRig rig;
    rig.writeSound("m", c.bytes);
    SoundBuffer& b = rig.channels.bgmChannel();
    ASSERT_TRUE(b.loadStreamed("wav\\m.wav")) << c.name;
    EXPECT_EQ(b.decodedLength(), int64_t{frames} * 4) << c.name;
    EXPECT_EQ(b.decodedSoFar(), kStreamChunkBytes) << c.name;
    ASSERT_TRUE(b.setVolume(100, true));
    ASSERT_TRUE(b.play(true));
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(b.update(true));
    EXPECT_EQ(b.decodedSoFar(), b.decodedLength()) << c.name;
    // Twice through: the music loops, with sound in its end and its start
    // both times.
    rig.advance(2 * frames * 1000 / 44100 + 500);
    EXPECT_TRUE(b.isPlaying()) << c.name;
    for (size_t at : {size_t{100}, size_t(frames) - 5000, size_t(frames) + 100,
                      size_t(2 * frames) - 5000, size_t(2 * frames) + 100})
      EXPECT_GT(rms(rig.played(), 2, 0, at, 4000), 4000) << c.name << " at " << at;
    // The PCM held is the file's (Vorbis only approximately).
    if (std::string(c.name) == "pcm16") {
      for (uint64_t f : {uint64_t{0}, uint64_t{88200}, uint64_t(frames - 1)})
        EXPECT_EQ(b.pcm().sample(f, 1), tone[f * 2 + 1]) << f;
    }
    EXPECT_TRUE(rig.boxes().empty()) << c.name;
  }
}

TEST(SoundBuffer, ShortStreamWithALargeFactPlaysItsDataThenSilence) {
  BufferRig rig;
  // 1 s of sound claiming 60 s: only what is decoded takes memory.
  auto tone = writers::makeSineWave(44100, 44100, 2, 330);
  rig.writeSound("s", writers::writeVorbisWave(tone, 44100, 2, 0.1f, 0x674F, 44100 * 60));
  SoundBuffer& b = rig.channels.bgmChannel();
  ASSERT_TRUE(b.loadStreamed("wav\\s.wav"));
  EXPECT_EQ(b.decodedSoFar(), 44100 * 4);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(b.update(true));
  EXPECT_EQ(b.decodedSoFar(), 44100 * 4);
  EXPECT_TRUE(rig.boxes().empty());
}

TEST(SoundBuffer, EmptySoundIsRefused) {
  BufferRig rig;
  rig.writeSound("empty", writers::writePcmWave(std::vector<int16_t>{}, 44100, 2));
  SoundBuffer& b = rig.channels.seChannel();
  EXPECT_FALSE(b.loadWhole("wav\\empty.wav"));
  EXPECT_FALSE(b.isLoaded());
  ASSERT_EQ(rig.boxes().size(), 1u);
  EXPECT_NE(rig.boxes()[0].spec.text.find("DSERR_INVALIDPARAM"), std::string::npos);
}

TEST(SoundDevice, CreateAndFailures) {
  SoundRig rig;
  ASSERT_TRUE(rig.open());
  EXPECT_TRUE(rig.device.isReady());
  EXPECT_EQ(rig.device.primaryFormat().blockAlign, 4);
  EXPECT_EQ(rig.device.primaryFormat().avgBytesPerSec, 176400u);
  EXPECT_EQ(rig.device.primaryFormat().formatTag, 1);
  // Creating again releases and reopens.
  ASSERT_TRUE(rig.open());
  EXPECT_TRUE(rig.hp.audio.isOpen());
  rig.device.release();
  EXPECT_FALSE(rig.device.isReady());
  EXPECT_FALSE(rig.hp.audio.isOpen());
  rig.device.release();  // safe when empty
  rig.hp.audio.setFailOpen(true);
  EXPECT_FALSE(rig.open());
  EXPECT_FALSE(rig.device.isReady());
  ASSERT_EQ(rig.boxes().size(), 1u);
  EXPECT_EQ(rig.boxes()[0].spec.caption, "DirectSound Error");
  EXPECT_NE(rig.boxes()[0].spec.text.find("DS.cpp ("), std::string::npos);
  EXPECT_NE(rig.boxes()[0].spec.text.find("DSERR_NODRIVER"), std::string::npos);
}

TEST(SoundChannels, PollUpdatesMusicWithDecodingOnly) {
  BufferRig rig;
  rig.writeSound("m", vorbisMusic(6));
  rig.writeSound("e", tonePcm(44100));
  ASSERT_TRUE(rig.channels.bgmChannel().loadStreamed("wav\\m.wav"));
  ASSERT_TRUE(rig.channels.voiceChannel().loadWhole("wav\\e.wav"));
  ASSERT_TRUE(rig.channels.voiceChannel().setVolume(100, true));
  rig.channels.voiceChannel().startFade(100, -20);
  rig.channels.pollUpdate();
  EXPECT_EQ(rig.channels.bgmChannel().decodedSoFar(), 2 * kStreamChunkBytes);
  EXPECT_EQ(rig.channels.voiceChannel().fadeLevel(), 80);
  rig.channels.releaseAll();
  EXPECT_FALSE(rig.channels.bgmChannel().isLoaded());
}

}  // namespace
}  // namespace kobre
