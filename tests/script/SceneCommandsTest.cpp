// Scene commands run from generated scripts: fades frame by frame, layers and
// their record, cross fades, skip, screen fades, shake and rotate.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/script/SceneFixture.h"

namespace kobre::testing {
namespace {

class SceneCommandsTest : public SceneFixture {
 protected:
  SceneCommandsTest() {
    bmp("back", 800, 600, 0x203040);
    bmp("back2", 800, 600, 0x405060);
    psd("left", 200, 300, 0xFF00FF00);
    psd("right", 200, 300, 0xFFFF0000);
    psd("girl", 200, 300, 0xFF0000FF);
  }
  // Brightness (b) or opacity (o) of a slot at every composed present.
  std::vector<int> levels;
  void track(int s, char what) {
    levels.clear();
    onCompose = [this, s, what] {
      levels.push_back(what == 'b' ? slot(s).brightness() : slot(s).opacity());
    };
  }
};

std::vector<int> ramp(int from, int to, int step) {
  std::vector<int> out;
  for (int v = from; step > 0 ? v <= to : v >= to; v += step) out.push_back(v);
  return out;
}

TEST_F(SceneCommandsTest, FadeFrameCountsAtEffectSpeed16) {
  struct Case {
    const char* name;
    std::string setup;  // run first, not tracked
    std::string command;
    int slot;
    char what;
    std::vector<int> levels;  // the tracked level at each composed present
  };
  std::vector<int> in = ramp(0, 240, 16);
  in.push_back(255);
  std::vector<int> out = ramp(240, 16, -16);
  out.insert(out.begin(), 255);  // level 256 is stored as 255
  out.push_back(out.back());     // the present after the slots are released
  std::vector<int> half = ramp(248, 8, -8);
  half.insert(half.begin(), 255);
  half.push_back(half.back());
  const std::vector<Case> cases = {
      {"bg1_fi fades in from black in 16 frames", "", "bg1_fi back", 0, 'b', in},
      {"sp1_fi fades a character in by opacity", "", "sp1_fi girl", 1, 'o', in},
      {"fade_out darkens in 16 frames", "bg1 back", "fade_out", 0, 'b', out},
      {"fo2 takes twice as many", "bg1 back", "fo2", 0, 'b', half},
      {"sp_fo fades characters out by opacity", "sp2 left right", "sp_fo", 1, 'o', out},
      {"bg with FADE_NONE presents once", "", "bg back FADE_NONE", 0, 'b', {255}},
      {"bg with FADE_SET does not present", "", "bg back FADE_SET", 0, 'b', {}},
      {"FADE_STOP sets the level to 0 at once", "bg1 back", "fade FADE_STOP", 0, 'b', {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeScript("setup", c.setup + "\n");
    ASSERT_TRUE(load("setup"));
    run();
    writeScript("test", c.command + "\n");
    ASSERT_TRUE(load("test"));
    track(c.slot, c.what);
    run();
    onCompose = nullptr;
    EXPECT_EQ(levels, c.levels);
    EXPECT_TRUE(errors().empty()) << errors().front();
    headless.host.clearBoxes();
    for (auto& sp : *sprites) sp.release();
  }
}

TEST_F(SceneCommandsTest, PicturesAreRecordedAndFadeOutEmptiesTheRecord) {
  runScript("bg3 back left right\n");
  EXPECT_STREQ(layerName(0), "back");
  EXPECT_STREQ(layerName(1), "left");
  EXPECT_STREQ(layerName(2), "right");
  EXPECT_EQ(runtime->gameState.layerX[1], -150);
  EXPECT_EQ(runtime->gameState.layerX[2], 150);
  EXPECT_EQ(slot(1).x(), -150);
  EXPECT_EQ(slot(2).x(), 150);
  // A picture set with FADE_SET shows at full brightness and opacity.
  EXPECT_TRUE(slot(2).isVisible());
  EXPECT_EQ(slot(2).brightness(), 255);
  EXPECT_EQ(slot(2).opacity(), 255);

  runScript("fade_out\n");
  for (int i = 0; i < 3; ++i) {
    EXPECT_STREQ(layerName(i), "") << i;
    EXPECT_FALSE(slot(i).isLoaded()) << i;
  }
  EXPECT_TRUE(errors().empty());
}

TEST_F(SceneCommandsTest, Bg1FiOverAShownSceneGoesThroughBlack) {
  runScript("bg2 back girl\n");
  track(0, 'b');
  std::vector<int> charBrightness;
  onCompose = [this, &charBrightness] {
    levels.push_back(slot(0).brightness());
    charBrightness.push_back(slot(1).isLoaded() ? slot(1).brightness() : -1);
  };
  runScript("bg1_fi back2\n");
  // 17 presents to black (the last after releasing), then 17 back from black.
  ASSERT_EQ(levels.size(), 34u);
  EXPECT_EQ(levels[0], 255);
  EXPECT_EQ(levels[15], 16);
  EXPECT_EQ(charBrightness[15], 16);  // the character darkens with the background
  EXPECT_EQ(charBrightness[16], -1);  // and is gone before the new picture comes
  EXPECT_EQ(levels[17], 0);
  EXPECT_EQ(levels[33], 255);
  EXPECT_STREQ(layerName(0), "back2");
  EXPECT_STREQ(layerName(1), "");
  EXPECT_FALSE(slot(1).isLoaded());
}

TEST_F(SceneCommandsTest, CrossFadeLeavesTheSpareSlotEmpty) {
  runScript("sp1 girl\n");
  std::vector<std::pair<int, int>> steps;  // (new opacity, old opacity)
  onCompose = [this, &steps] {
    steps.push_back({slot(1).opacity(), slot(3).isLoaded() ? slot(3).opacity() : -1});
  };
  runScript("sp1_cf left\n");
  ASSERT_EQ(steps.size(), 17u);
  EXPECT_EQ(steps[0], std::make_pair(0, 255));
  EXPECT_EQ(steps[8], std::make_pair(128, 127));
  EXPECT_EQ(steps[15], std::make_pair(240, 15));
  EXPECT_EQ(steps[16], std::make_pair(255, -1));
  EXPECT_FALSE(slot(3).isLoaded());
  EXPECT_EQ(slot(1).name(), "cg\\left.psd");
  EXPECT_STREQ(layerName(1), "left");
}

TEST_F(SceneCommandsTest, SkipWithSkipEffectJumpsToTheEnd) {
  runtime->settings.skipEffect = true;
  runtime->skipMode = true;
  track(0, 'b');
  runScript("bg1_fi back\nsp1_cf girl\nshake x\nfade_out\n");
  // One present per fade at its end state (fade_out adds none before its last).
  EXPECT_EQ(levels, (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(shakes, (std::vector<int>{0}));
  EXPECT_FALSE(slot(0).isLoaded());
  // Skip mode without the skip-effects setting runs the fades.
  runtime->settings.skipEffect = false;
  track(0, 'b');
  runScript("bg1_fi back\n");
  EXPECT_EQ(levels.size(), 17u);
}

TEST_F(SceneCommandsTest, InputDuringAFade) {
  struct Case {
    const char* name;
    uint32_t buttons;
    size_t presents;
    bool skipAfter;
  };
  const std::vector<Case> cases = {
      {"Ok ends the fade at once", kButtonOk, 2, true},
      {"Control held ends it", kButtonControl, 2, true},
      {"Cancel switches skip mode off and the fade goes on", kButtonCancel, 17, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    runtime->skipMode = true;
    headless.host.setInput({input(nextPoll(), c.buttons)});
    track(0, 'b');
    runScript("bg1_fi back\n");
    EXPECT_EQ(levels.size(), c.presents);
    EXPECT_EQ(levels.back(), 255);
    EXPECT_EQ(runtime->skipMode, c.skipAfter);
    headless.host.setInput({});
    for (auto& sp : *sprites) sp.release();
  }
}

TEST_F(SceneCommandsTest, BadKindsLayersAndMissingPictures) {
  runScript(
      "sp 0 girl FADE_BOGUS\nsp 2 girl FADE_NONE\nspr 5 girl FADE_NONE\nbg nothere FADE_NONE\n");
  std::vector<std::string> heads = errorHeads();
  ASSERT_EQ(heads.size(), 4u);
  EXPECT_EQ(heads[0], "パラメータが不正 FADE_BOGUS");
  EXPECT_EQ(heads[1], "パラメータが不正 2");
  EXPECT_EQ(heads[2], "パラメータが不正 5");
  EXPECT_EQ(heads[3], "ファイルが存在しない cg\\nothere.psd");
  // The picture with the bad kind was loaded and recorded all the same.
  EXPECT_TRUE(slot(1).isLoaded());
  EXPECT_STREQ(layerName(1), "girl");
  EXPECT_STREQ(layerName(2), "");
  // A missing picture keeps its recorded name and changes nothing else.
  EXPECT_STREQ(layerName(0), "nothere");
  EXPECT_FALSE(slot(0).isLoaded());
}

TEST_F(SceneCommandsTest, DefineNamesAndEmptyNames) {
  runScript("define BG back\nbg BG FADE_NONE\n");
  EXPECT_STREQ(layerName(0), "back");
  EXPECT_TRUE(slot(0).isLoaded());
  // An empty name releases the layer.
  runScript("bg \"\" FADE_NONE\n");
  EXPECT_FALSE(slot(0).isLoaded());
  EXPECT_STREQ(layerName(0), "");
  EXPECT_TRUE(errors().empty());
}

TEST_F(SceneCommandsTest, ShakeOffsetsAndRumble) {
  runScript("bg1 back\nshake x\n");
  EXPECT_EQ(shakes, (std::vector<int>{-100, 81,  -81, 64, -64, 49, -49, 36, -36, 25, -25,
                                      16,   -16, 9,   -9, 4,   -4, 1,   -1, 0,   0}));
  EXPECT_EQ(back->shake(), 0);
  // Ok ends it early; the picture comes back to rest.
  shakes.clear();
  headless.host.setInput({input(headless.host.polls() + 4, kButtonOk)});
  runScript("shake x\n");
  EXPECT_EQ(shakes, (std::vector<int>{-100, 81, -81, 0}));
}

TEST_F(SceneCommandsTest, RotateSpendsFramesAndEndsWithAStepOfZero) {
  runScript("bg1 back\n");
  struct Case {
    const char* script;
    int composes;
  };
  for (Case c : {Case{"rotate 3 1 ROTATE_MOVE\n", 5}, Case{"rotate 3 0 ROTATE_MOVE\n", 5},
                 Case{"rotate 4 -2 ROTATE_MOVE\n", 6}, Case{"rotate 30 0 ROTATE_SET\n", 0},
                 Case{"rotate 30 0 OTHER\n", 0}}) {
    int before = composes;
    runScript(c.script);
    EXPECT_EQ(composes - before, c.composes) << c.script;
  }
}

TEST_F(SceneCommandsTest, ScreenFadesWorkOnTheBackBuffer) {
  runScript("bg1 back\n");
  ASSERT_EQ(pixel(10, 10), 0x203040u);
  struct Case {
    const char* script;
    uint32_t end;  // the picture shown at the end
  };
  for (Case c : {Case{"fade_all_white_out\n", 0xFFFFFFu}, Case{"fade_all_white_in\n", 0x203040u}}) {
    uint64_t before = presents();
    int composed = composes;
    runScript(c.script);
    EXPECT_EQ(presents() - before, 17u) << c.script;  // one composed, 16 repaints
    EXPECT_EQ(composes - composed, 1) << c.script;
    EXPECT_EQ(headless.host.lastFrame()[10 * 800 + 10] & 0xFFFFFF, c.end) << c.script;
    EXPECT_FALSE(slot(127).isLoaded());
  }
  // Darkening and back from black, as the system screens use them.
  lexer->ScreenFade(0);
  EXPECT_EQ(headless.host.lastFrame()[10 * 800 + 10] & 0xFFFFFF, 0u);
  lexer->ScreenFade(1);
  EXPECT_EQ(headless.host.lastFrame()[10 * 800 + 10] & 0xFFFFFF,
            0x1E2D3Cu);  // 240 / 256 of each byte
  EXPECT_FALSE(slot(127).isLoaded());
}

}  // namespace
}  // namespace kobre::testing
