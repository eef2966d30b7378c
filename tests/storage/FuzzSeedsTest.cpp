// Writes the seed corpora of the archive and Read.dat fuzz targets. Run by
// hand after changing a format:
//   test_storage --gtest_also_run_disabled_tests --gtest_filter='FuzzSeeds.*'
#include <gtest/gtest.h>

#include <filesystem>

#include "storage/ReadRecord.h"
#include "tests/storage/TempFolder.h"
#include "tools/writers/ArchiveWriter.h"

namespace kobre {
namespace {

std::filesystem::path corpus(const char* name) {
  auto p = std::filesystem::path(KOBRE_SOURCE_DIR) / "tests/fuzz/corpus" / name;
  std::filesystem::create_directories(p);
  return p;
}

void put(const std::filesystem::path& p, std::vector<uint8_t> bytes) {
  ASSERT_TRUE(writers::writeHostFile(p.string(), bytes)) << p;
}

TEST(FuzzSeeds, DISABLED_WriteArchiveSeeds) {
  auto dir = corpus("fuzz_archive");
  writers::ArchiveWriter w;
  w.add("open.scr", "N;comment\r\n");
  w.add("BG01.bmp", "BM..");
  w.add("bg01.bmp", "shadowed");
  w.add("se.wav", "RIFF");
  for (int mode = 0; mode < 4; ++mode) {
    auto image = w.build(mode & 1);
    std::vector<uint8_t> seed{static_cast<uint8_t>(mode)};
    seed.insert(seed.end(), image.begin(), image.end());
    if (mode & 2) seed.insert(seed.end(), image.begin(), image.end());  // a supplement
    put(dir / ("archive" + std::to_string(mode)), seed);
  }
  writers::ArchiveWriter empty;
  auto e = empty.build(true);
  e.insert(e.begin(), 1);
  put(dir / "empty", e);
}

TEST(FuzzSeeds, DISABLED_WriteReadRecordSeeds) {
  auto dir = corpus("fuzz_readrecord");
  ReadRecord r;
  r.addScript("scr\\open.scr");
  r.markRead("scr\\open.scr", 10);
  r.markRead("scr\\open.scr", 250);
  r.addScript("scr\\a01.scr");
  put(dir / "two", r.saveBytes());
  ReadRecord full;
  full.addScript("scr\\full.scr");
  for (int k = 0; k < ReadRecord::kMaxKeys; ++k) full.markRead("scr\\full.scr", k + 1);
  put(dir / "fullkeys", full.saveBytes());
  auto cut = r.saveBytes();
  cut.resize(cut.size() - 6);
  put(dir / "cut", cut);
}

}  // namespace
}  // namespace kobre
