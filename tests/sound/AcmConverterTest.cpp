#include <gtest/gtest.h>

#include <cstring>

#include "sound/AcmConverter.h"
#include "tests/sound/SoundTestSupport.h"
#include "tools/writers/WavWriter.h"

namespace kobre {
namespace {

using testing::snrDb;

struct Decoded {
  bool ok = false;
  WaveFormat target;
  uint64_t decodedLength = 0;
  std::vector<int16_t> samples;
  size_t boxes = 0;
};

Decoded decodeWhole(std::span<const uint8_t> bytes) {
  platform::headless::HeadlessHost host;
  Decoded d;
  AcmConverter c(SoundFiles{&host, nullptr, nullptr});
  uint8_t fmt[18];
  uint32_t pcm = 0;
  d.ok = c.openMemory(bytes) && c.readTargetFormat(fmt, 18) && c.convertAll(pcm);
  if (d.ok) {
    d.target = WaveFormat::parse(fmt);
    d.decodedLength = c.decodedLength();
    std::vector<uint8_t> out(pcm);
    EXPECT_TRUE(c.takeOutput(out.data(), pcm));
    d.samples.resize(pcm / 2);
    if (pcm > 0) std::memcpy(d.samples.data(), out.data(), pcm);
  }
  d.boxes = host.boxes().size();
  return d;
}

TEST(AcmConverter, PlainPcmConvertsToItselfAndHasNoDecodedLength) {
  auto tone = writers::makeSineWave(1000, 22050, 1, 440);
  auto d = decodeWhole(writers::writePcmWave(tone, 22050, 1));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.target.formatTag, 1);
  EXPECT_EQ(d.target.channels, 1);
  EXPECT_EQ(d.target.samplesPerSec, 22050u);
  EXPECT_EQ(d.target.bitsPerSample, 16);
  EXPECT_EQ(d.target.blockAlign, 2);
  EXPECT_EQ(d.target.extraSize, 0);
  EXPECT_EQ(d.decodedLength, 0u);
  EXPECT_EQ(d.samples, tone);
}

TEST(AcmConverter, EightBitPcmBecomesSixteenBit) {
  std::vector<uint8_t> eight = {0, 128, 255, 64};
  auto d = decodeWhole(writers::writePcm8Wave(eight, 8000, 2));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.target.channels, 2);
  EXPECT_EQ(d.target.bitsPerSample, 16);
  EXPECT_EQ(d.samples, (std::vector<int16_t>{-32768, 0, 32512, -16384}));
}

TEST(AcmConverter, TakeOutputWithoutConversionFailsQuietly) {
  platform::headless::HeadlessHost host;
  AcmConverter c(SoundFiles{&host, nullptr, nullptr});
  uint8_t buffer[4];
  EXPECT_FALSE(c.takeOutput(buffer, 4));
  auto bytes = writers::writePcmWave(std::vector<int16_t>{1, 2}, 8000, 1);
  ASSERT_TRUE(c.openMemory(bytes));
  ASSERT_TRUE(c.readTargetFormat(nullptr, 0));
  EXPECT_FALSE(c.takeOutput(buffer, 4));
  EXPECT_TRUE(host.boxes().empty());
}

TEST(AcmConverter, UnknownFormatsAndBadChannelCountsAreNotPossible) {
  struct Case {
    uint16_t tag, channels;
    uint32_t rate;
    uint16_t bits;
  } cases[] = {
      {0x1234, 1, 8000, 16}, {1, 6, 8000, 16}, {1, 0, 8000, 16}, {1, 1, 0, 16}, {1, 1, 8000, 24}};
  for (const Case& k : cases) {
    auto fmt = writers::waveFormatBlock(k.tag, k.channels, k.rate, 1, 1, k.bits);
    auto bytes = writers::writeRiffWave({{"fmt ", fmt, {}}, {"data", {0, 0}, {}}});
    platform::headless::HeadlessHost host;
    AcmConverter c(SoundFiles{&host, nullptr, nullptr});
    ASSERT_TRUE(c.openMemory(bytes));
    EXPECT_FALSE(c.readTargetFormat(nullptr, 0)) << k.tag;
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_NE(host.boxes()[0].spec.text.find("ACMERR_NOTPOSSIBLE"), std::string::npos);
  }
}

TEST(AcmConverter, VorbisWholeMatchesTheEncoderInput) {
  for (int channels : {1, 2}) {
    auto tone = writers::makeSineWave(22050, 44100, channels, 330);
    auto wave = writers::writeVorbisWave(tone, 44100, channels, 0.5f);
    auto d = decodeWhole(wave);
    ASSERT_TRUE(d.ok) << channels;
    EXPECT_EQ(d.target.channels, channels);
    EXPECT_EQ(d.target.samplesPerSec, 44100u);
    EXPECT_EQ(d.decodedLength, 22050u * 2 * channels);
    EXPECT_EQ(d.samples.size(), tone.size());
    EXPECT_GT(snrDb(tone, d.samples, channels), 20.0) << channels;
  }
}

TEST(AcmConverter, VorbisTagsAllDecodeWhenTheDataIsAnOggStream) {
  auto tone = writers::makeSineWave(4000, 22050, 1, 500);
  for (uint16_t tag : {0x674F, 0x6750, 0x6751, 0x676F, 0x6770, 0x6771}) {
    auto d = decodeWhole(writers::writeVorbisWave(tone, 22050, 1, 0.3f, tag));
    EXPECT_TRUE(d.ok) << tag;
    EXPECT_EQ(d.boxes, 0u);
  }
}

TEST(AcmConverter, BrokenOggIsRefusedWithABox) {
  auto tone = writers::makeSineWave(8000, 22050, 1, 500);
  auto good = writers::writeVorbisWave(tone, 22050, 1);
  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
  } cases[] = {
      // Not an Ogg stream at all (the data of some other Vorbis mode).
      {"no OggS",
       [](std::vector<uint8_t>& b) { b[b.size() - 1000] ^= 0xFF, std::memcpy(&b[56], "Xggs", 4); }},
      {"headers cut", [](std::vector<uint8_t>& b) { b.resize(120); }},
      {"channels differ", [](std::vector<uint8_t>& b) { b[22] = 2; }},
      {"rate differs", [](std::vector<uint8_t>& b) { b[24] = 0x44; }},
  };
  for (const Case& c : cases) {
    auto bytes = good;
    c.damage(bytes);
    auto d = decodeWhole(bytes);
    EXPECT_FALSE(d.ok) << c.name;
    EXPECT_EQ(d.boxes, 1u) << c.name;
  }
}

TEST(AcmConverter, DamagedOggBodyNeverCrashes) {
  auto tone = writers::makeSineWave(8000, 22050, 1, 500);
  auto good = writers::writeVorbisWave(tone, 22050, 1);
  // Garbage over the audio pages: decoding skips or stops, it does not crash
  // and never gives more than the stream's length.
  for (size_t at = good.size() / 2; at + 64 < good.size(); at += 97) {
    auto bytes = good;
    for (size_t i = 0; i < 64; ++i) bytes[at + i] = static_cast<uint8_t>(i * 37);
    auto d = decodeWhole(bytes);
    if (d.ok) {
      EXPECT_LE(d.samples.size(), tone.size() + 8192);
    }
  }
}

TEST(AcmConverter, StreamedPiecesAreTwoSecondsAndTheLastIsCut) {
  // 5 seconds of stereo, but 'fact' says 4.5: the pieces stop at the length.
  auto tone = writers::makeSineWave(44100 * 5, 44100, 2, 220);
  auto wave = writers::writeVorbisWave(tone, 44100, 2, 0.2f, 0x674F, 44100 * 9 / 2);
  platform::headless::HeadlessHost host;
  AcmConverter c(SoundFiles{&host, nullptr, nullptr});
  ASSERT_TRUE(c.openMemory(wave));
  ASSERT_TRUE(c.readTargetFormat(nullptr, 0));
  uint64_t length = c.decodedLength();
  ASSERT_EQ(length, 44100u * 9 / 2 * 4);
  ASSERT_TRUE(c.readAllSource());
  ASSERT_TRUE(c.prepareChunks(kStreamChunkBytes));
  ASSERT_TRUE(c.beginStream());
  std::vector<uint8_t> buffer(length + 16, 0xAB);
  uint64_t offset = 0;
  std::vector<uint32_t> pieces;
  for (int i = 0; i < 10; ++i) {
    uint32_t produced = 0;
    ASSERT_TRUE(c.decodeNext(buffer.data(), offset, produced));
    pieces.push_back(produced);
    offset += produced;
    if (produced == 0) break;
  }
  // 352800 + 352800 + 352800 (cut to 176400 in the buffer) ... then 0.
  ASSERT_GE(pieces.size(), 4u);
  EXPECT_EQ(pieces[0], kStreamChunkBytes);
  EXPECT_EQ(pieces[1], kStreamChunkBytes);
  EXPECT_EQ(pieces.back(), 0u);
  // Nothing written past the length.
  for (size_t i = length; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xAB) << i;
  // After the end every call gives 0 and succeeds.
  uint32_t produced = 1;
  EXPECT_TRUE(c.decodeNext(nullptr, 0, produced));
  EXPECT_EQ(produced, 0u);
  EXPECT_TRUE(c.endStream());
  EXPECT_TRUE(c.endStream());
  EXPECT_TRUE(host.boxes().empty());
  // The pieces put together are the whole decode.
  std::vector<int16_t> streamed(length / 2);
  std::memcpy(streamed.data(), buffer.data(), length);
  EXPECT_GT(snrDb(std::span(tone).first(streamed.size()), streamed, 2), 15.0);
}

TEST(AcmConverter, FactOfFourBillionDoesNotOverflow) {
  auto tone = writers::makeSineWave(1000, 22050, 2, 500);
  auto wave = writers::writeVorbisWave(tone, 22050, 2, 0.3f, 0x674F, 4000000000u);
  platform::headless::HeadlessHost host;
  AcmConverter c(SoundFiles{&host, nullptr, nullptr});
  ASSERT_TRUE(c.openMemory(wave));
  ASSERT_TRUE(c.readTargetFormat(nullptr, 0));
  EXPECT_EQ(c.decodedLength(), 4000000000ull * 4);
  // A whole conversion gives what the stream holds.
  uint32_t pcm = 0;
  ASSERT_TRUE(c.convertAll(pcm));
  EXPECT_EQ(pcm, tone.size() * 2);
}

struct CodecCase {
  const char* encoder;
  int rate, channels;
  double minSnr;
  int maxLag;
};

TEST(AcmConverter, LibavcodecFormatsDecodeToTheEncoderInput) {
  CodecCase cases[] = {
      {"pcm_alaw", 8000, 1, 30, 0},       {"pcm_mulaw", 8000, 2, 30, 0},
      {"adpcm_ima_wav", 22050, 1, 20, 0}, {"adpcm_ima_wav", 22050, 2, 20, 0},
      {"adpcm_ms", 22050, 1, 20, 0},      {"adpcm_ms", 22050, 2, 20, 0},
      {"libmp3lame", 44100, 2, 10, 2400}, {"libgsm_ms", 8000, 1, 5, 200},
  };
  for (const CodecCase& k : cases) {
    int frames = k.rate / 4;
    auto tone = writers::makeSineWave(frames, k.rate, k.channels, k.rate / 40.0);
    auto enc = testing::encodeWithAvcodec(k.encoder, tone, k.rate, k.channels);
    if (!enc.ok) {
      ADD_FAILURE() << "no encoder " << k.encoder;
      continue;
    }
    auto d = decodeWhole(testing::waveOf(enc, k.rate, k.channels, static_cast<uint32_t>(frames)));
    ASSERT_TRUE(d.ok) << k.encoder;
    EXPECT_EQ(d.target.formatTag, 1) << k.encoder;
    EXPECT_EQ(d.target.channels, k.channels) << k.encoder;
    EXPECT_EQ(d.target.samplesPerSec, static_cast<uint32_t>(k.rate)) << k.encoder;
    EXPECT_GE(d.samples.size() + 2048u * k.channels, tone.size()) << k.encoder;
    EXPECT_GT(snrDb(tone, d.samples, k.channels, k.maxLag), k.minSnr) << k.encoder;
  }
}

TEST(AcmConverter, LibavcodecFormatsSurviveGarbage) {
  for (const char* name : {"adpcm_ima_wav", "adpcm_ms", "libmp3lame"}) {
    auto tone = writers::makeSineWave(8000, 22050, 1, 500);
    auto enc = testing::encodeWithAvcodec(name, tone, 22050, 1);
    ASSERT_TRUE(enc.ok) << name;
    for (size_t i = 0; i < enc.data.size(); i += 3) enc.data[i] = static_cast<uint8_t>(i * 131);
    decodeWhole(testing::waveOf(enc, 22050, 1, 8000));
    // A block format whose blocks are of size 0 is refused.
    enc.blockAlign = 0;
    auto d = decodeWhole(testing::waveOf(enc, 22050, 1, 8000));
    if (std::string(name) != "libmp3lame") {
      EXPECT_FALSE(d.ok) << name;
    }
  }
}

}  // namespace
}  // namespace kobre
