#include <gtest/gtest.h>

#include <cstring>

#include "platform/headless/HeadlessPlatform.h"
#include "sound/AcmConverter.h"
#include "sound/VorbisCodecDriver.h"
#include "sound/WaveRecording.h"
#include "tools/writers/WavWriter.h"

namespace kobre {
namespace {

TEST(VorbisCodecDriver, OpensAndReleases) {
  platform::headless::HeadlessHost host;
  VorbisCodecDriver driver(&host);
  ASSERT_TRUE(driver.open("Vorbis.acm"));
  EXPECT_TRUE(driver.isOpen());
  EXPECT_FALSE(driver.version().empty());
  driver.release();
  EXPECT_FALSE(driver.isOpen());
  driver.release();
  EXPECT_TRUE(host.boxes().empty());
}

TEST(VorbisCodecDriver, FailuresShowTheSystemErrorBox) {
  struct Case {
    int step;
    const char* message;
  } cases[] = {{1, "Vorbis.acm がロードできません Vorbis.acm"},
               {2, "GetProcAddress() の値が不正 Vorbis.acm"}};
  for (const Case& c : cases) {
    platform::headless::HeadlessHost host;
    VorbisCodecDriver driver(&host);
    driver.failNextOpenAt(c.step);
    EXPECT_FALSE(driver.open("Vorbis.acm"));
    EXPECT_FALSE(driver.isOpen());
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_EQ(host.boxes()[0].spec.caption, "System Error");
    EXPECT_TRUE(host.boxes()[0].spec.ownerless);
    EXPECT_EQ(host.boxes()[0].spec.text.rfind("Vorbis.cpp (", 0), 0u) << host.boxes()[0].spec.text;
    EXPECT_NE(host.boxes()[0].spec.text.find(c.message), std::string::npos);
  }
}

TEST(WaveRecording, MixBytesReadBackThroughTheConverter) {
  std::vector<int16_t> mix = writers::makeSineWave(1000, 44100, 2, 1000);
  std::vector<uint8_t> wav = makePcmWaveBytes(mix, 44100, 2);
  ASSERT_EQ(wav.size(), 44u + mix.size() * 2);
  EXPECT_EQ(std::memcmp(wav.data(), "RIFF", 4), 0);
  platform::headless::HeadlessHost host;
  AcmConverter c(SoundFiles{&host, nullptr, nullptr});
  uint8_t fmt[18];
  uint32_t pcm = 0;
  ASSERT_TRUE(c.openMemory(wav));
  ASSERT_TRUE(c.readTargetFormat(fmt, 18));
  EXPECT_EQ(WaveFormat::parse(fmt).samplesPerSec, 44100u);
  ASSERT_TRUE(c.convertAll(pcm));
  std::vector<int16_t> back;
  ASSERT_TRUE(c.takeOutput(back));
  EXPECT_EQ(back, mix);
}

}  // namespace
}  // namespace kobre
