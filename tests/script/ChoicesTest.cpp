// Choices from generated scripts: registering labels (with empty "NULL"
// entries), drawing the boxes, picking with the mouse and the keys, the
// highlight, centred labels and the backlog entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/script/SceneFixture.h"

namespace kobre::testing {
namespace {

// Boxes of 300 x 40 from (100, 100), 50 pixels apart downwards.
const std::string kWindows =
    "window 0 20 440 760 150 30 20 30 4 frame 0 0\n"
    "window_sel 1 100 100 300 40 10 8 20 1 0 50 selbox 0 0\n";

class ChoicesTest : public SceneFixture {
 protected:
  ChoicesTest() {
    systemPictures();
    psd("frame", 760, 150, 0x80000000);
    psd("selbox", 300, 40, 0xFF203040);
  }
  std::string logText(int i) const { return utf8(runtime->gameState.backlog[i].text); }
  int logIndex() const { return runtime->gameState.backlogIndex; }

  // Presses each button in turn, from poll `from` on, every 4 polls.
  std::vector<Step> presses(uint64_t from, std::vector<uint32_t> buttons) {
    std::vector<Step> steps;
    for (uint32_t b : buttons) {
      steps.push_back(input(from, b));
      steps.push_back(input(from + 2, 0));
      from += 4;
    }
    return steps;
  }
};

TEST_F(ChoicesTest, ExtremeChoiceWindowNumbersPlaceWithoutWrapping) {
  runScript(
      "window_sel 1 2147483647 -2147483647 300 40 2147483647 -2147483647 2147483647 1 "
      "2147483647 -2147483647 selbox 2147483647 -2147483647\n");
  runtime->gameState.flags[kFlagSelectCenter] = 1;
  lexer->choiceCount = 0;
  ASSERT_TRUE(lexer->DefSel("a"));
  ASSERT_TRUE(lexer->DefSel("b"));
  ASSERT_TRUE(lexer->DrawChoices());
  for (int i : {0, 1}) {
    for (int s : {40, 50}) {  // boxes and pictures
      EXPECT_GT(slot(s + i).x(), 800) << s + i;
      EXPECT_LT(slot(s + i).y(), 0) << s + i;
    }
  }
}

TEST_F(ChoicesTest, AnEmptyEntryKeepsItsNumber) {
  runScript(kWindows);
  bool checked = false;
  onCompose = [this, &checked] {
    if (checked || !slot(42).isLoaded()) return;
    checked = true;
    // Two boxes next to each other; the empty entry has none.
    EXPECT_EQ(slot(40).x(), 100);
    EXPECT_EQ(slot(40).y(), 100);
    EXPECT_FALSE(slot(41).isLoaded());
    EXPECT_EQ(slot(42).y(), 150);
    EXPECT_EQ(slot(52).y(), 150);
    EXPECT_EQ(utf8(std::string(slot(62).text())), "うえ");
    EXPECT_TRUE(slot(70).isLoaded());
    EXPECT_FALSE(slot(70).isVisible());
  };
  const uint64_t p = nextPoll();
  headless.host.setInput({input(p + 3, 0, 150, 165), input(p + 6, kButtonOk)});
  runScript("def_sel あい\ndef_sel NULL\ndef_sel うえ\nselect 1\n");
  EXPECT_TRUE(checked);
  EXPECT_EQ(var('S'), 3);
  EXPECT_EQ(logText(logIndex() - 1), "選択肢\nうえ");
  EXPECT_EQ(runtime->gameState.backlog[logIndex() - 1].voice[0], 0);
  // Everything the choice used is released, and nothing stays registered.
  for (int s : {40, 42, 50, 52, 60, 62, 70})
    EXPECT_FALSE(slot(s).isLoaded() || slot(s).hasText()) << s;
  EXPECT_EQ(lexer->choiceCount, 0);
  EXPECT_TRUE(errors().empty());
}

TEST_F(ChoicesTest, KeyboardOnly) {
  struct Case {
    const char* name;
    std::vector<uint32_t> keys;
    int picked;
  };
  const std::vector<Case> cases = {
      {"the first Down selects choice 1", {kButtonDown, kButtonOk}, 1},
      {"Up at choice 1 stays", {kButtonDown, kButtonUp, kButtonUp, kButtonOk}, 1},
      {"Down at the last choice stays",
       {kButtonDown, kButtonDown, kButtonDown, kButtonDown, kButtonOk},
       3},
      {"Ok with nothing selected does nothing",
       {kButtonOk, kButtonOk, kButtonUp, kButtonDown, kButtonOk},
       2},
  };
  runScript(kWindows);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    runtime->gameState.variable('S') = 0;
    headless.host.setInput(presses(nextPoll() + 2, c.keys));
    runScript("def_sel あ\ndef_sel い\ndef_sel う\nselect 1\n");
    EXPECT_EQ(var('S'), c.picked);
  }
}

TEST_F(ChoicesTest, TheLaterOfOverlappingBoxesWinsAndTheHighlightFollows) {
  runScript("window_sel 1 100 100 300 40 10 8 20 1 0 20 selbox 0 0\n");
  std::vector<int> highlightY;
  std::vector<int> boxOpacity;
  onCompose = [this, &highlightY, &boxOpacity] {
    if (!slot(70).isLoaded()) return;
    highlightY.push_back(slot(70).isVisible() ? slot(70).y() : -1);
    boxOpacity.push_back(slot(41).opacity());
  };
  const uint64_t p = nextPoll();
  // Boxes at y 100-139 and 120-159: y 125 lies in both, y 145 only in the second.
  headless.host.setInput({input(p + 3, 0, 150, 125), input(p + 8, 0, 150, 500),
                          input(p + 12, 0, 150, 125), input(p + 16, kButtonOk)});
  runScript("def_sel あ\ndef_sel い\nselect 1\n");
  EXPECT_EQ(var('S'), 2);
  ASSERT_GE(highlightY.size(), 10u);
  EXPECT_EQ(highlightY.front(), -1);
  EXPECT_NE(std::find(highlightY.begin(), highlightY.end(), 120), highlightY.end());
  // Moving off every box clears the selection and hides the highlight.
  EXPECT_EQ(highlightY[9], -1);
  // The selected box is opaque, the others translucent.
  EXPECT_NE(std::find(boxOpacity.begin(), boxOpacity.end(), 255), boxOpacity.end());
  EXPECT_EQ(boxOpacity.front(), runtime->settings.windowAlpha);
}

TEST_F(ChoicesTest, CentredLabels) {
  struct Case {
    const char* name;
    const char* centre;
    int x;
  };
  runScript(kWindows);
  for (Case c : {Case{"centred: 220 - 44 = 176 right of the text origin", "select_center_on", 286},
                 Case{"not centred", "select_center_off", 110}}) {
    SCOPED_TRACE(c.name);
    headless.raster.clear();
    headless.host.setInput(presses(nextPoll() + 2, {kButtonDown, kButtonOk}));
    runScript(std::string(c.centre) + "\ndef_sel あいうえ\nselect 1\n");
    ASSERT_FALSE(headless.raster.runs().empty());
    const auto& first = headless.raster.runs().front();
    EXPECT_EQ(utf8(first.text), "あ");
    EXPECT_EQ(first.x, c.x);
    EXPECT_EQ(first.y, 108);
    EXPECT_EQ(first.font.pixelHeight, 22);
  }
}

TEST_F(ChoicesTest, AnEmptyEntryCanBePickedWithTheKeys) {
  runScript(kWindows);
  headless.host.setInput(presses(nextPoll() + 2, {kButtonDown, kButtonOk}));
  runScript("def_sel NULL\ndef_sel い\nselect 1\n");
  EXPECT_EQ(var('S'), 1);
  EXPECT_EQ(logText(logIndex() - 1), "選択肢\n");
}

TEST_F(ChoicesTest, RegistrationLimitsAndWindowNumbers) {
  std::string script = kWindows;
  for (int i = 0; i < 11; ++i) script += "def_sel x" + std::to_string(i) + "\n";
  runScript(script);
  ASSERT_EQ(errorHeads().size(), 1u);
  EXPECT_EQ(errorHeads()[0], "選択肢はこれ以上登録できない x10");
  EXPECT_EQ(lexer->choiceCount, 10);
  headless.host.clearBoxes();
  lexer->choiceCount = 0;

  headless.host.setInput(presses(nextPoll() + 2, {kButtonDown, kButtonOk}));
  runScript("window_sel 2 100 100 300 40 10 8 20 1 0 50 selbox 0 0\ndef_sel a\nselect 2\n");
  const std::vector<std::string> heads = errorHeads();
  ASSERT_EQ(heads.size(), 2u);
  EXPECT_EQ(heads[0], "現在サポートされていないウィンドウＮｏ． 2");
  EXPECT_EQ(heads[1], "現在サポートされていないウィンドウＮｏ． 2");
  EXPECT_EQ(var('S'), 1);  // both went on
  EXPECT_EQ(runtime->gameState.selectX, 100);
  EXPECT_EQ(runtime->gameState.selectStepY, 50);
  EXPECT_STREQ(runtime->gameState.selectPicture, "selbox");
}

TEST_F(ChoicesTest, TheSecondGameUsesTheSecondHighlight) {
  runScript(kWindows + "F1000=1\n");
  std::string highlight;
  onCompose = [this, &highlight] {
    if (slot(70).isLoaded()) highlight = slot(70).name();
  };
  headless.host.setInput(presses(nextPoll() + 2, {kButtonDown, kButtonOk}));
  runScript("def_sel a\nselect 1\n");
  EXPECT_EQ(highlight, "cg\\_SelectSel2.psd");
}

}  // namespace
}  // namespace kobre::testing

namespace kobre::testing {
namespace {

TEST_F(ChoicesTest, AFontChangeReachesTheChoiceLabels) {
  runScript(kWindows);
  runtime->messageFont.pixelHeight = 30;
  int pumps = 0;
  // A label left with another font gets the message font back at the change.
  headless.host.onPump([this, &pumps] {
    if (++pumps != 4) return;
    slot(60).setFont(&runtime->smallFont);
    runtime->fontChanged = true;
  });
  headless.raster.clear();
  headless.host.setInput(presses(nextPoll() + 8, {kButtonDown, kButtonOk}));
  runScript("def_sel あ\ndef_sel い\nselect 1\n");
  EXPECT_FALSE(runtime->fontChanged);
  EXPECT_EQ(var('S'), 1);
  ASSERT_FALSE(headless.raster.runs().empty());
  // The first label's last drawing (y 108) is in the message font again.
  int last = 0;
  for (const auto& r : headless.raster.runs())
    if (r.y == 108) last = r.font.pixelHeight;
  EXPECT_EQ(last, 30);
}

}  // namespace
}  // namespace kobre::testing
