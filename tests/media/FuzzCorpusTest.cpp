// Writes the seed corpora of the movie and MIDI fuzz targets (run on purpose
// with --gtest_also_run_disabled_tests --gtest_filter='*FuzzCorpus*').
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/media/MediaFixture.h"

namespace kobre::testing {
namespace {

void put(const std::string& target, const std::string& name, std::span<const uint8_t> bytes) {
  auto dir = std::filesystem::path(KOBRE_SOURCE_DIR) / "tests/fuzz/corpus" / target;
  std::filesystem::create_directories(dir);
  std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

TEST(MediaFuzzCorpus, DISABLED_Write) {
  put("fuzz_midi", "format0.mid", makeMidi(1.0));
  put("fuzz_midi", "format1.mid",
      writers::writeMidiFile({{0, 240, 60, 100, 0}, {120, 240, 67, 90, 9}}, 90, 40, 1));
  std::vector<uint8_t> cut = makeMidi(1.0);
  cut.resize(cut.size() - 9);
  put("fuzz_midi", "cut.mid", cut);

  writers::MovieSource s = writers::solidMovie(32, 32, 3, 25, kMovieColours);
  std::vector<uint8_t> silent, withSound;
  std::string error;
  ASSERT_TRUE(writers::writeMpegMovie(s, silent, error)) << error;
  s.sound = writers::makeSineWave(2000, 44100, 2, 440.0);
  ASSERT_TRUE(writers::writeMpegMovie(s, withSound, error)) << error;
  put("fuzz_movie", "silent.mpg", silent);
  put("fuzz_movie", "sound.mpg", withSound);
}

}  // namespace
}  // namespace kobre::testing
