// Writes the seed corpus of the script fuzz target. Run by hand:
//   test_script --gtest_also_run_disabled_tests --gtest_filter='FuzzSeeds.*'
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "script/GameState.h"

#include "tools/writers/ArchiveWriter.h"
#include "tools/writers/ScriptWriter.h"

namespace kobre {
namespace {

TEST(FuzzSeeds, DISABLED_WriteScriptSeeds) {
  auto dir = std::filesystem::path(KOBRE_SOURCE_DIR) / "tests/fuzz/corpus/fuzz_script";
  std::filesystem::create_directories(dir);
  struct Seed {
    const char* name;
    const char* text;
    bool scrambled;
  } seeds[] = {
      {"basic", "; start\n@top\nA=1+2*3\nF10=A\n[A=9&F10>=9]\n{\n  B=1\n}\nwait 1\n", false},
      {"blocks", "[A=1]\n{\n ; } in a comment\n [B=0|C!1]\n {\n  表示\n }\n}\nC=F2047-1/0\n",
       false},
      {"goto", "A=A+1\n[A<3]\n{\ngoto loop\n}\n@loop\ncls 1\ngoto end\n@end", false},
      {"commands",
       "define a b\ndef_cg bg01 1100\nbg bg01 FADE_IN\nev1_fi a\nsp 0 a FADE_SET\n"
       "bgm m LOOP\nvo v\nwindow 0 1 2 3 4 5 6 7 8 pic 9 10\nwindow_sel 1 1 2 3 4 5 6 7 8 9 10 "
       "p 11 12\ndef_sel one\ndef_sel NULL\nselect 1\nrotate 10 2 ROTATE_MOVE\nname_check\n"
       "change missing\ntitle\n\\n\nmap\nset_ff 100\n",
       false},
      {"scrambled", "A=1\nB=\"quoted word\"\n", true},
      {"extremes",
       "window 0 2147483647 -2147483647 9 9 2147483647 2147483647 2147483647 -2147483647 p "
       "2147483647 -2147483647\nあ\nwindow_sel 1 2147483647 -2147483647 1 1 2147483647 "
       "2147483647 2147483647 1 2147483647 -2147483647 p 2147483647 -2147483647\n"
       "select_center_on\ndef_sel a\ndef_sel b\nselect 1\ndef_cg p 0002047\nbg p FADE_NONE\n"
       "A=2147483647*2147483647\nset_ff 99999999999\nwait 99999999999\n",
       false},
  };
  for (const Seed& s : seeds) {
    writers::ScriptOptions opt;
    opt.scrambled = s.scrambled;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(writers::ScriptWriter().build(s.text, opt, bytes));
    ASSERT_TRUE(writers::writeHostFile((dir / s.name).string(), bytes));
  }
}

// Seeds of the slot file fuzz target: a first byte (1: the target fixes the
// checksum), then the file.
TEST(FuzzSeeds, DISABLED_WriteSaveFileSeeds) {
  auto dir = std::filesystem::path(KOBRE_SOURCE_DIR) / "tests/fuzz/corpus/fuzz_savefile";
  std::filesystem::create_directories(dir);
  auto gs = std::make_unique<GameState>();
  auto seed = [&](const char* name, uint8_t mode, size_t size) {
    gs->updateChecksum();
    std::vector<uint8_t> bytes{mode};
    auto image = gs->bytes();
    bytes.insert(bytes.end(), image.begin(), image.begin() + static_cast<long>(size));
    ASSERT_TRUE(writers::writeHostFile((dir / name).string(), bytes));
  };
  gs->clear();
  std::strcpy(gs->scriptName, "s");
  gs->resumePosition = 8;
  std::strcpy(gs->layerNames[0], "bg");
  gs->layerX[0] = -150;
  std::strcpy(gs->bgmName, "m");
  std::strcpy(gs->seName, "e");
  std::strcpy(gs->windowPicture, "w");
  gs->windowWidth = 700;
  gs->windowHeight = 150;
  gs->flags[1100] = 1;
  seed("valid", 0, kGameStateSize);
  seed("short", 0, 200);
  std::memset(gs->scriptName, 'a', kNameSize);
  std::memset(gs->layerNames, 'b', sizeof gs->layerNames);
  gs->resumePosition = -1;
  seed("unterminated", 1, kGameStateSize);
}

}  // namespace
}  // namespace kobre
