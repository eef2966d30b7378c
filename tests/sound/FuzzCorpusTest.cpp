// Writes the seed corpora of the sound fuzz targets (run on purpose with
// --gtest_also_run_disabled_tests --gtest_filter='*FuzzCorpus*').
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/sound/SoundTestSupport.h"
#include "tools/writers/WavWriter.h"

namespace kobre {
namespace {

void put(const std::string& target, const std::string& name, std::span<const uint8_t> bytes) {
  auto dir = std::filesystem::path(KOBRE_SOURCE_DIR) / "tests/fuzz/corpus" / target;
  std::filesystem::create_directories(dir);
  std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

TEST(FuzzCorpus, DISABLED_Write) {
  auto mono = writers::makeSineWave(400, 8000, 1, 440);
  auto stereo = writers::makeSineWave(300, 8000, 2, 440);
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
      {"pcm16.wav", writers::writePcmWave(mono, 8000, 1)},
      {"pcm16s.wav", writers::writePcmWave(stereo, 8000, 2)},
      {"pcm8.wav", writers::writePcm8Wave(std::vector<uint8_t>(200, 100), 8000, 1)},
      {"vorbis.wav", writers::writeVorbisWave(mono, 8000, 1, 0.0f)},
      {"fact_first.wav",
       writers::writeRiffWave({{"fact", {4, 0, 0, 0}, {}},
                               {"fmt ", writers::waveFormatBlock(1, 1, 8000, 16000, 2, 16), {}},
                               {"data", {1, 2, 3, 4, 5, 6, 7, 8}, {}}})},
  };
  for (const char* codec : {"adpcm_ms", "adpcm_ima_wav", "pcm_alaw", "pcm_mulaw", "libmp3lame"}) {
    int rate = std::string(codec) == "libmp3lame" ? 22050 : 8000;
    auto tone =
        writers::makeSineWave(std::string(codec) == "libmp3lame" ? 1152 : 1000, rate, 1, 440);
    auto enc = testing::encodeWithAvcodec(codec, tone, rate, 1);
    ASSERT_TRUE(enc.ok) << codec;
    files.push_back({std::string(codec) + ".wav",
                     testing::waveOf(enc, rate, 1, static_cast<uint32_t>(tone.size()))});
  }
  for (auto& [name, bytes] : files) {
    put("fuzz_wav", name, bytes);
    put("fuzz_acm", name, bytes);
  }
  // Raw data for the codec front ends: selector byte, then the data chunk.
  auto rawFor = [](uint8_t selector, std::span<const uint8_t> data) {
    std::vector<uint8_t> out{selector};
    out.insert(out.end(), data.begin(), data.end());
    return out;
  };
  std::vector<uint8_t> pcmBytes(400);
  for (size_t i = 0; i < pcmBytes.size(); ++i) pcmBytes[i] = static_cast<uint8_t>(i * 7);
  put("fuzz_acm_codec", "pcm", rawFor(0, pcmBytes));
  // The front end's rate for the Vorbis selector is 44100: encode at it.
  put("fuzz_acm_codec", "vorbis",
      rawFor(2,
             writers::encodeOggVorbis(writers::makeSineWave(500, 44100, 1, 440), 44100, 1, 0.0f)));
  struct Raw {
    const char* codec;
    uint8_t selector;
    int rate;
  } raws[] = {{"adpcm_ms", 4, 22050},
              {"adpcm_ima_wav", 5, 22050},
              {"pcm_alaw", 6, 8000},
              {"pcm_mulaw", 7, 8000},
              {"libmp3lame", 9, 44100}};
  for (const Raw& r : raws) {
    auto tone = writers::makeSineWave(1152, r.rate, 1, 440);
    auto enc = testing::encodeWithAvcodec(r.codec, tone, r.rate, 1);
    ASSERT_TRUE(enc.ok) << r.codec;
    put("fuzz_acm_codec", r.codec, rawFor(r.selector, enc.data));
  }
}

}  // namespace
}  // namespace kobre
