// Writes the seed corpus of the settings file fuzz target. Run by hand after
// changing the format:
//   test_app --gtest_also_run_disabled_tests --gtest_filter='FuzzSeeds.*'
#include <gtest/gtest.h>

#include <filesystem>

#include "app/frame/SettingsFile.h"
#include "tools/writers/ArchiveWriter.h"

namespace kobre::frame {
namespace {

TEST(FuzzSeeds, DISABLED_WriteSettingsSeeds) {
  auto dir = std::filesystem::path(KOBRE_SOURCE_DIR) / "tests/fuzz/corpus/fuzz_settings";
  std::filesystem::create_directories(dir);
  auto put = [&](const char* name, const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(writers::writeHostFile((dir / name).string(), bytes));
  };
  ProfileFile defaults;
  writeSettings(defaults, defaultFrameSettings());
  put("defaults", defaults.save());

  ProfileFile edges;
  edges.writeString("Support", "Mail", "someone@example.com");
  edges.writeString("Message", "Readed", "7");
  edges.writeString("Message", "Speed", "0x3");
  edges.writeString("Volume", "Bgm", "abc");
  edges.writeString("Font", "Style", "7");
  edges.writeString("User", "Name", "\"\x82\xa0\x82\xa2\x82\xa4\x82\xa6\"");
  put("edges", edges.save());

  std::string loose = "  [window]  \nDISPLAY = 0\n; note\n[Skip\nWait=-2147483648\r[Effect]\nSpeed";
  put("loose", std::vector<uint8_t>(loose.begin(), loose.end()));
}

}  // namespace
}  // namespace kobre::frame
