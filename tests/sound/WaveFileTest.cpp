#include <gtest/gtest.h>

#include <cstring>

#include "sound/AcmConverter.h"
#include "sound/WaveFile.h"
#include "tests/sound/SoundTestSupport.h"
#include "tools/writers/ArchiveWriter.h"
#include "tools/writers/WavWriter.h"

namespace kobre {
namespace {

using testing::SoundRig;
using writers::WaveChunk;

std::vector<uint8_t> le32(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

std::vector<uint8_t> pcmFmt(bool withExtraSize) {
  auto fmt = writers::waveFormatBlock(1, 2, 44100, 176400, 4, 16);
  if (!withExtraSize) fmt.resize(16);
  return fmt;
}

TEST(WaveFile, SixteenByteFmtGivesEighteenBytesWithExtraSizeZero) {
  platform::headless::HeadlessHost host;
  auto bytes = writers::writeRiffWave({{"fmt ", pcmFmt(false), {}}, {"data", {1, 2, 3, 4}, {}}});
  WaveFile wave(SoundFiles{&host, nullptr, nullptr});
  ASSERT_TRUE(wave.openMemory(bytes));
  uint8_t header[18];
  std::memset(header, 0xEE, sizeof header);
  ASSERT_TRUE(wave.readFormat(header, sizeof header));
  WaveFormat f = WaveFormat::parse(header);
  EXPECT_EQ(f.formatTag, 1);
  EXPECT_EQ(f.channels, 2);
  EXPECT_EQ(f.samplesPerSec, 44100u);
  EXPECT_EQ(f.blockAlign, 4);
  EXPECT_EQ(f.extraSize, 0);
  EXPECT_EQ(wave.formatBlock().size(), 18u);
  EXPECT_EQ(wave.factSampleCount(), 0u);
  uint32_t size = 0;
  ASSERT_TRUE(wave.findData(size));
  EXPECT_EQ(size, 4u);
  uint8_t data[4];
  ASSERT_TRUE(wave.readData(data, 4));
  EXPECT_EQ(data[3], 4);
  EXPECT_TRUE(host.boxes().empty());
}

TEST(WaveFile, ChunkOrderAndExtraBytes) {
  platform::headless::HeadlessHost host;
  std::vector<uint8_t> extra = {9, 8, 7};
  auto fmt = writers::waveFormatBlock(0x674F, 1, 22050, 8000, 1, 16, extra);
  struct Case {
    const char* name;
    std::vector<WaveChunk> chunks;
    uint32_t fact;
  } cases[] = {
      {"fact after fmt", {{"fmt ", fmt, {}}, {"fact", le32(1234), {}}, {"data", {5}, {}}}, 1234},
      // The search for 'fact' runs forward from the end of 'fmt '.
      {"fact before fmt", {{"fact", le32(1234), {}}, {"fmt ", fmt, {}}, {"data", {5}, {}}}, 0},
      // Unknown chunks (odd sizes padded) are skipped, and 'data' is found
      // again from the beginning even when it comes before 'fmt '.
      {"data first", {{"data", {5}, {}}, {"LIST", {1, 2, 3}, {}}, {"fmt ", fmt, {}}}, 0},
  };
  for (const Case& c : cases) {
    auto bytes = writers::writeRiffWave(c.chunks);
    WaveFile wave(SoundFiles{&host, nullptr, nullptr});
    ASSERT_TRUE(wave.openMemory(bytes)) << c.name;
    std::vector<uint8_t> block(21);
    ASSERT_TRUE(wave.readFormat(block.data(), block.size())) << c.name;
    EXPECT_EQ(block[16], 3) << c.name;
    EXPECT_EQ(block[18], 9) << c.name;
    EXPECT_EQ(block[20], 7) << c.name;
    EXPECT_EQ(wave.factSampleCount(), c.fact) << c.name;
    uint32_t size = 0;
    ASSERT_TRUE(wave.findData(size)) << c.name;
    EXPECT_EQ(size, 1u) << c.name;
  }
  EXPECT_TRUE(host.boxes().empty());
}

TEST(WaveFile, BadFilesReportOnce) {
  auto fmt = pcmFmt(true);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int failAt;  // 0 open, 1 readFormat, 2 findData, 3 readData
    const char* text;
  } cases[] = {
      {"not RIFF", writers::writeRiffWave({{"fmt ", fmt, {}}}, std::nullopt, "RIFX"), 0,
       "0x00000001"},
      {"not WAVE", writers::writeRiffWave({{"fmt ", fmt, {}}}, std::nullopt, "RIFF", "AVI "), 0,
       "0x00000001"},
      {"too short for a chunk", {'R', 'I', 'F'}, 0, "MMIOERR_CHUNKNOTFOUND"},
      {"no fmt", writers::writeRiffWave({{"data", {1, 2}, {}}}), 1, "MMIOERR_CHUNKNOTFOUND"},
      {"fmt of 14 bytes", writers::writeRiffWave({{"fmt ", std::vector<uint8_t>(14), {}}}), 1,
       "0x00000001"},
      {"fact of 8 bytes",
       writers::writeRiffWave({{"fmt ", fmt, {}}, {"fact", std::vector<uint8_t>(8), {}}}), 1,
       "0x00000001"},
      {"extra bytes past the end",
       writers::writeRiffWave({{"fmt ", writers::waveFormatBlock(2, 1, 8000, 1, 1, 4), {}}},
                              std::nullopt),
       -1, ""},
      {"no data", writers::writeRiffWave({{"fmt ", fmt, {}}}), 2, "MMIOERR_CHUNKNOTFOUND"},
      // Chunk sizes that point anywhere: the search stops at the end.
      {"fmt size huge", writers::writeRiffWave({{"LIST", {}, 0xFFFFFFF0u}, {"fmt ", fmt, {}}}), 1,
       "MMIOERR_CHUNKNOTFOUND"},
      {"riff size huge", writers::writeRiffWave({{"fmt ", fmt, {}}}, 0xFFFFFFFFu), 2,
       "MMIOERR_CHUNKNOTFOUND"},
      {"data shorter than promised",
       writers::writeRiffWave({{"fmt ", fmt, {}}, {"data", {1, 2, 3, 4}, 4000}}), 3, "0x00000001"},
  };
  // The extra-size case: a header saying 0x300 extra bytes with none there.
  {
    auto bad = writers::waveFormatBlock(2, 1, 8000, 1, 1, 4);
    bad[16] = 0x00;
    bad[17] = 0x03;
    cases[6].bytes = writers::writeRiffWave({{"fmt ", bad, {}}});
    cases[6].failAt = 1;
    cases[6].text = "0x00000001";
  }
  for (const Case& c : cases) {
    platform::headless::HeadlessHost host;
    WaveFile wave(SoundFiles{&host, nullptr, nullptr});
    int failed = -1;
    std::vector<uint8_t> format(18);
    uint32_t size = 0;
    if (!wave.openMemory(c.bytes)) {
      failed = 0;
    } else if (!wave.readFormat(format.data(), format.size())) {
      failed = 1;
    } else if (!wave.findData(size)) {
      failed = 2;
    } else {
      std::vector<uint8_t> data(std::min<uint32_t>(size, 1 << 20));
      if (!wave.readData(data.data(), static_cast<uint32_t>(data.size()))) failed = 3;
    }
    EXPECT_EQ(failed, c.failAt) << c.name;
    ASSERT_EQ(host.boxes().size(), 1u) << c.name;
    EXPECT_EQ(host.boxes()[0].spec.caption, "MMSystem Error");
    EXPECT_NE(host.boxes()[0].spec.text.find(c.text), std::string::npos)
        << c.name << ": " << host.boxes()[0].spec.text;
  }
}

// The line in a box is a fixed number per reporting place, not wherever the
// code happens to sit: game makers' tests compare box texts.
TEST(WaveFile, BoxesShowFixedLineNumbers) {
  auto fmt = pcmFmt(true);
  struct Case {
    std::vector<uint8_t> bytes;
    const char* start;
  } cases[] = {
      {{'R', 'I', 'F'}, "Wave.cpp (115)\n"},
      {writers::writeRiffWave({{"fmt ", fmt, {}}}, std::nullopt, "RIFX"), "Wave.cpp (123)\n"},
      {writers::writeRiffWave({{"data", {1, 2}, {}}}), "Wave.cpp (174)\n"},
      {writers::writeRiffWave({{"fmt ", std::vector<uint8_t>(14), {}}}), "Wave.cpp (178)\n"},
      {writers::writeRiffWave({{"fmt ", fmt, {}}}), "Wave.cpp (240)\n"},
      {writers::writeRiffWave({{"fmt ", fmt, {}}, {"data", {1, 2, 3, 4}, 4000}}),
       "Wave.cpp (255)\n"},
  };
  for (const Case& c : cases) {
    platform::headless::HeadlessHost host;
    WaveFile wave(SoundFiles{&host, nullptr, nullptr});
    std::vector<uint8_t> format(18), data(4000);
    uint32_t size = 0;
    if (wave.openMemory(c.bytes) && wave.readFormat(format.data(), format.size()) &&
        wave.findData(size))
      (void)wave.readData(data.data(), size);
    ASSERT_EQ(host.boxes().size(), 1u) << c.start;
    EXPECT_EQ(host.boxes()[0].spec.text.rfind(c.start, 0), 0u) << host.boxes()[0].spec.text;
  }
}

TEST(WaveFile, LooseFileWinsOverArchiveAndArchiveEntriesAreRead) {
  SoundRig rig;
  auto loose = writers::writePcmWave(std::vector<int16_t>{1, 2, 3, 4}, 22050, 1);
  auto packed = writers::writePcmWave(std::vector<int16_t>{9, 9}, 11025, 2);
  rig.writeSound("both", loose);
  writers::ArchiveWriter arc;
  arc.add("both.wav", packed);
  arc.add("only.wav", packed);
  ASSERT_TRUE(arc.writeFile(rig.folder.str() + "/arc.wav", false));
  ASSERT_TRUE(rig.archive.open("arc.wav", false));
  struct Case {
    const char* name;
    uint32_t rate;
  } cases[] = {{"wav\\both.wav", 22050}, {"wav\\only.wav", 11025}, {"WAV\\ONLY.WAV", 11025}};
  for (const Case& c : cases) {
    WaveFile wave(rig.device.soundFiles());
    ASSERT_TRUE(wave.open(c.name)) << c.name;
    uint8_t header[18];
    ASSERT_TRUE(wave.readFormat(header, 18));
    EXPECT_EQ(WaveFormat::parse(header).samplesPerSec, c.rate) << c.name;
  }
  // Found nowhere: false, and no box.
  WaveFile wave(rig.device.soundFiles());
  EXPECT_FALSE(wave.open("wav\\missing.wav"));
  EXPECT_TRUE(rig.boxes().empty());
}

TEST(WaveFile, HugeDataChunkIsRefusedBeforeAllocating) {
  platform::headless::HeadlessHost host;
  auto bytes =
      writers::writeRiffWave({{"fmt ", pcmFmt(true), {}}, {"data", {1, 2, 3, 4}, 0xFFFFFFF0u}});
  AcmConverter converter(SoundFiles{&host, nullptr, nullptr});
  ASSERT_TRUE(converter.openMemory(bytes));
  ASSERT_TRUE(converter.readTargetFormat(nullptr, 0));
  uint32_t pcm = 0;
  EXPECT_FALSE(converter.convertAll(pcm));
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_NE(host.boxes()[0].spec.text.find("0x00000001"), std::string::npos);
}

}  // namespace
}  // namespace kobre
