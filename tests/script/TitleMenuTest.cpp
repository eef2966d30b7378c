// The title menu on a generated game with the demo's title pictures: Save00.dat,
// game select, the title buttons and their key and mouse rules, route select
// and the after-story.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "screens/TitleMenu.h"
#include "script/SaveFile.h"
#include "storage/SystemError.h"
#include "tests/script/SceneFixture.h"
#include "tools/writers/WavWriter.h"

namespace kobre::testing {
namespace {

// One press (or mouse move) given to the menu once the screen whose
// background is `screen` has been up long enough for its fade to end.
struct Action {
  std::string screen;  // the picture of slot 40
  uint32_t buttons = 0;
  int x = -1, y = -1;  // mouse moves here (before the buttons)
};

constexpr int kSettlePolls = 40;

class TitleMenuTest : public SceneFixture {
 protected:
  TitleMenuTest() {
    for (const char* d : {"1", "2"}) {
      const std::string n = d;
      bmp("_MnBack" + n, 800, 600, 0x101830);
      for (const char* b : {"_MnFirst", "_MnCont", "_MnOmake", "_MnEnd"})
        psd(b + n, 160, 44, 0xFFE8C15A);
      bmp("_MnGameSel" + n, 216, 48, 0xE8C15A);
      psd("_MnAnime" + n, 44, 257, 0x80FFFFFF);
      psd("_Mn5AnivAnime" + n, 340, 54, 0x60000000);
      bmp("_MnPsBack" + n, 800, 600, 0x2A3A70);
      psd("_MnPsHLine" + n, 800, 4, 0xFFE8C15A);
      psd("_MnPsLeftAnm" + n, 73, 600, 0x40FFFFFF);
      psd("_MnPsRightAnm" + n, 73, 600, 0x40FFFFFF);
      psd("_MnPsRead" + n, 286, 40, 0x80FFFFFF);
      for (const char* c : {"_MnPsLeft", "_MnPsLeftSel", "_MnPsRight", "_MnPsRightSel"})
        bmp(c + n, 126, 126, 0x405080);
      // The main route's picture is transparent where the side choices lie.
      psdRect("_MnPsMain" + n, 286, 330);
      psdRect("_MnPsMainSel" + n, 286, 330);
      psd("_MnPsLeftWaku" + n, 150, 150, 0x80FFFFFF);
      psd("_MnPsRightWaku" + n, 150, 150, 0x80FFFFFF);
      psd("_MnPsLeftName" + n, 140, 40, 0xFFFFFFFF);
      psd("_MnPsRightName" + n, 140, 40, 0xFFFFFFFF);
    }
    psd("_MnAfter2", 160, 44, 0xFF8FE0C8);
    psd("_MnAfterAnm2", 160, 40, 0x50FFFFFF);
    bmp("_MnGsBack", 800, 600, 0x101828);
    bmp("_MnGsMorvane", 800, 600, 0x1C2550);
    bmp("_MnGsQuellan", 800, 600, 0x4A1F3A);
    psd("_MnGsAnime", 200, 40, 0x60000000);
    for (const char* music : {"ki_01", "sd_01", "ki_07"}) {
      auto tone = writers::makeSineWave(44100, 44100, 2, 330);
      dir.write(std::string("wav/") + music + ".wav",
                writers::writeVorbisWave(tone, 44100, 2, 0.1f));
    }

    runtime->frame.pollInput = [this] { return scriptedPoll(); };
    onCompose = [this] { recordButtons(); };
  }

  // A picture opaque only in its left 100 columns.
  void psdRect(const std::string& name, int w, int h) {
    writers::PsdDocument doc;
    doc.width = static_cast<uint32_t>(w);
    doc.height = static_cast<uint32_t>(h);
    doc.layers.push_back(
        writers::makePsdLayer(0, 0, w, h, [](int x, int) { return x < 100 ? 0xFFC0A0A0u : 0u; }));
    dir.write("cg/" + name + ".psd", writers::writePsd(doc));
  }

  // The poll of the main window, then the next action once its screen has
  // settled; an action's buttons are down for that one poll only.
  bool scriptedPoll() {
    if (!poll()) return false;
    if (--pollsLeft == 0) {  // a menu that never reacts: give up
      ADD_FAILURE() << "the menu did not react";
      runtime->closing = true;
    }
    runtime->cursorX = mouseX;
    runtime->cursorY = mouseY;
    runtime->heldButtons = runtime->pressedButtons = 0;
    if (actions.empty()) {
      if (closeWhenDone && ++idle > kSettlePolls) runtime->closing = true;
      return true;
    }
    const Action& a = actions.front();
    settled = slot(40).name() == a.screen ? settled + 1 : 0;
    if (settled < kSettlePolls) return true;
    if (a.x >= 0) {
      mouseX = runtime->cursorX = a.x;
      mouseY = runtime->cursorY = a.y;
    }
    runtime->heldButtons = runtime->pressedButtons = a.buttons;
    actions.pop_front();
    settled = kSettlePolls - 3;  // the next action on the same screen comes soon
    return true;
  }

  // The title buttons shown, as a string of button numbers, at each change.
  void recordButtons() {
    std::string shown;
    for (int b = 0; b <= 5; ++b)
      if (slot(60 + b).isVisible() && slot(40).name().find("_MnBack") != std::string::npos)
        shown += static_cast<char>('0' + b);
    if (shown.empty()) return;
    if (buttonsShown.empty() || buttonsShown.back() != shown) buttonsShown.push_back(shown);
  }

  void writeSave00(const std::function<void(GameState&)>& fill) {
    auto gs = std::make_unique<GameState>();
    gs->clear();
    fill(*gs);
    gs->updateChecksum();
    auto b = gs->bytes();
    dir.write("Save00.dat", std::vector<uint8_t>(b.begin(), b.end()));
  }

  bool menu() {
    settled = idle = 0;
    mouseX = mouseY = runtime->cursorX = runtime->cursorY = 0;
    pollsLeft = 20000;
    return lexer->TitleMenu();
  }

  static Action press(const char* screen, uint32_t buttons) { return {screen, buttons}; }
  static Action moveTo(const char* screen, int x, int y) { return {screen, 0, x, y}; }

  std::deque<Action> actions;
  bool closeWhenDone = true;
  int idle = 0;
  int pollsLeft = 0;
  int settled = 0;
  int mouseX = 0, mouseY = 0;
  std::vector<std::string> buttonsShown;
};

const char* const kGs = "cg\\_MnGsBack.bmp";
const char* const kTitle0 = "cg\\_MnBack1.bmp";
const char* const kTitle1 = "cg\\_MnBack2.bmp";
const char* const kRoute0 = "cg\\_MnPsBack1.bmp";

TEST_F(TitleMenuTest, Save00ReplacesTheStateOnlyWhenItIsThere) {
  struct Case {
    const char* name;
    int save00;  // 0: none, 1: good, 2: damaged
    int a;       // variable A while the menu runs
  };
  const Case cases[] = {{"no Save00.dat: the state stays", 0, 5},
                        {"a good one replaces it", 1, 9},
                        {"a damaged one zeroes it after the box", 2, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir.path("Save00.dat"));
    if (c.save00 != 0) writeSave00([](GameState& gs) { gs.variable('A') = 9; });
    if (c.save00 == 2) {
      auto bytes = dir.read("Save00.dat");
      bytes[1000] ^= 1;
      dir.write("Save00.dat", bytes);
    }
    runtime->gameState.clear();
    runtime->gameState.variable('A') = 5;
    runtime->gameState.flags[2000] = 1;
    runtime->closing = false;
    headless.host.clearBoxes();
    int seen = -1;
    onCompose = [&] { seen = runtime->gameState.variable('A'); };
    actions = {press(kGs, 0)};
    closeWhenDone = true;
    idle = 0;
    EXPECT_FALSE(menu());  // closed from the menu
    EXPECT_EQ(seen, c.a);
    EXPECT_EQ(runtime->gameState.flags[2000], c.save00 == 0 ? 1 : 0);
    std::vector<std::string> boxes;
    for (const auto& b : headless.host.boxes()) boxes.push_back(b.spec.text);
    if (c.save00 == 2) {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0], formatSystemError("xMenu", title::kCodeLastingCorrupted,
                                            "セーブデータが壊れています", "Save00.dat"));
      EXPECT_EQ(headless.host.boxes()[0].spec.caption, "System Error");
    } else {
      EXPECT_TRUE(boxes.empty());
    }
  }
}

TEST_F(TitleMenuTest, GameZeroBeforeCompletionPassesOverTheExtras) {
  actions = {
      press(kGs, kButtonLeft),
      press(kGs, kButtonOk),
      press(kTitle0, kButtonDown),          // 0 -> 1
      press(kTitle0, kButtonDown),          // 1 -> 3, past the extras
      press(kTitle0, kButtonUp),            // 3 -> 1
      press(kTitle0, kButtonUp),            // 1 -> 0
      press(kTitle0, kButtonUp),            // 0 -> 4, wrapping
      press(kTitle0, kButtonDown),          // 4 -> 0
      moveTo(kTitle0, 98 + 80, 404 + 22),   // over the extras: nothing changes
      moveTo(kTitle0, 146 + 80, 348 + 22),  // over continue
      moveTo(kTitle0, 700, 100),            // off every button: continue stays
      press(kTitle0, kButtonDown),          // 1 -> 3
  };
  std::string music[2];
  onCompose = [&] {
    recordButtons();
    if (slot(40).name() == kGs) music[0] = channels->bgmChannel().loadedName();
    if (slot(40).name() == kTitle0) music[1] = channels->bgmChannel().loadedName();
  };
  EXPECT_FALSE(menu());  // closed from the menu
  EXPECT_EQ(music[0], "wav\\ki_07.wav");
  EXPECT_EQ(music[1], "wav\\ki_01.wav");
  EXPECT_EQ(runtime->gameState.flags[1000], 0);
  const std::vector<std::string> expected = {"0", "1", "3", "1", "0", "4", "0", "1", "3"};
  EXPECT_EQ(buttonsShown, expected);
}

TEST_F(TitleMenuTest, ButtonsOfTheSecondGameWrapPastTheLockedAfterStory) {
  struct Case {
    const char* name;
    bool completed;
    std::vector<uint32_t> keys;
    std::vector<std::string> shown;
  };
  const std::vector<Case> cases = {
      {"locked: Up from 0 lands on 4, Down from 4 on 0",
       false,
       {kButtonUp, kButtonDown, kButtonDown, kButtonDown},
       {"0", "4", "0", "1", "3"}},
      {"completed: 5 and 2 are buttons like the others",
       true,
       {kButtonUp, kButtonDown, kButtonUp, kButtonUp, kButtonUp, kButtonUp},
       {"0", "5", "0", "5", "4", "3", "2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeSave00([&](GameState& gs) { gs.flags[2001] = c.completed ? 1 : 0; });
    runtime->closing = false;
    buttonsShown.clear();
    idle = 0;
    actions = {press(kGs, kButtonRight), press(kGs, kButtonOk)};
    for (uint32_t k : c.keys) actions.push_back(press(kTitle1, k));
    EXPECT_FALSE(menu());  // closed from the menu
    EXPECT_EQ(buttonsShown, c.shown);
  }
}

TEST_F(TitleMenuTest, TheAfterStoryStartsFromAZeroedRecord) {
  writeSave00([](GameState& gs) {
    gs.flags[2001] = 1;
    gs.flags[1300] = 1;
    gs.variable('Q') = 4;
    std::strcpy(gs.scriptName, "q_01");
  });
  std::vector<bool> titleItem;
  onCompose = [&] { titleItem.push_back(headless.host.menu("MnTitle").enabled); };
  actions = {press(kGs, kButtonRight), press(kGs, kButtonOk), press(kTitle1, kButtonUp),
             press(kTitle1, kButtonOk)};
  closeWhenDone = false;
  ASSERT_TRUE(menu());
  EXPECT_FALSE(runtime->closing);
  auto expected = std::make_unique<GameState>();
  expected->clear();
  expected->flags[1000] = 1;
  expected->flags[1001] = 2;
  EXPECT_TRUE(std::memcmp(&runtime->gameState, expected.get(), kGameStateSize) == 0);
  ASSERT_FALSE(titleItem.empty());
  EXPECT_FALSE(titleItem.front());  // disabled while the menu runs
  EXPECT_TRUE(headless.host.menu("MnTitle").enabled);
  for (int i = 0; i <= title::kLastScreenSlot; ++i) EXPECT_FALSE(slot(i).isLoaded()) << i;
}

TEST_F(TitleMenuTest, RouteSelect) {
  struct Case {
    const char* name;
    bool completed;
    std::vector<Action> route;  // on the route select screen
    int route_;                 // F1001 afterwards; -1: back at the title screen
  };
  const std::vector<Case> cases = {
      {"Ok at once takes route 0", false, {press(kRoute0, kButtonOk)}, 0},
      {"Right from 0 passes over the locked route",
       false,
       {press(kRoute0, kButtonRight), press(kRoute0, kButtonOk)},
       -1},
      {"Left from 2 passes over it too",
       false,
       {press(kRoute0, kButtonLeft), press(kRoute0, kButtonLeft), press(kRoute0, kButtonOk)},
       0},
      {"the mouse over the locked route picks nothing",
       false,
       {moveTo(kRoute0, 473 + 60, 162 + 60), press(kRoute0, kButtonOk),
        press(kRoute0, kButtonRight), press(kRoute0, kButtonOk)},
       0},
      {"once completed, Right leads to route 1",
       true,
       {press(kRoute0, kButtonRight), press(kRoute0, kButtonOk)},
       1},
      {"the mouse picks route 1",
       true,
       {moveTo(kRoute0, 473 + 60, 162 + 60), press(kRoute0, kButtonOk)},
       1},
      {"route 2 returns to the title screen",
       true,
       {press(kRoute0, kButtonLeft), press(kRoute0, kButtonOk)},
       -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeSave00([&](GameState& gs) {
      gs.flags[2000] = c.completed ? 1 : 0;
      gs.variable('A') = 7;
    });
    runtime->closing = false;
    idle = 0;
    actions = {press(kGs, kButtonLeft), press(kGs, kButtonOk), press(kTitle0, kButtonOk)};
    actions.insert(actions.end(), c.route.begin(), c.route.end());
    bool backAtTitle = false;
    int choiceShown = -1;
    onCompose = [&] {
      if (slot(40).name() == kRoute0)
        for (int i = 0; i < 3; ++i)
          if (slot(63 + i).isVisible()) choiceShown = i;
      if (choiceShown >= 0 && slot(40).name() == kTitle0) backAtTitle = true;
    };
    closeWhenDone = c.route_ == -1;
    const bool started = menu();  // else closed from the title screen
    EXPECT_EQ(backAtTitle, c.route_ == -1);
    if (c.route_ >= 0) {
      EXPECT_TRUE(started);
      EXPECT_FALSE(runtime->closing);
      EXPECT_EQ(runtime->gameState.flags[1001], c.route_);
      EXPECT_EQ(runtime->gameState.flags[1000], 0);
      EXPECT_EQ(runtime->gameState.variable('A'), 0);  // a new game starts from zero
      EXPECT_EQ(runtime->gameState.flags[2000], 0);
    }
  }
}

TEST_F(TitleMenuTest, TheRouteSelectShowsTheChosenRoute) {
  writeSave00([](GameState& gs) { gs.flags[2000] = 1; });
  std::vector<std::string> seen;
  onCompose = [&] {
    if (slot(40).name() != kRoute0) return;
    std::string s;
    for (int i = 60; i <= 70; ++i) s += slot(i).isVisible() ? '1' : '0';
    s += slot(69).isAnimating() ? 'a' : '-';
    s += slot(70).isAnimating() ? 'a' : '-';
    if (seen.empty() || seen.back() != s) seen.push_back(s);
  };
  actions = {press(kGs, kButtonLeft), press(kGs, kButtonOk), press(kTitle0, kButtonOk),
             press(kRoute0, kButtonRight), press(kRoute0, kButtonOk)};
  closeWhenDone = false;
  ASSERT_TRUE(menu());
  // Slots 60-70: plain 0-2, selected 0-2, frames 0-1, (68), names 0-1.
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen[0], "11100000011--");  // as built: nothing selected yet
  EXPECT_EQ(seen[1], "01110010011a-");  // choice 0
  EXPECT_EQ(seen[2], "10101001011-a");  // choice 1
  EXPECT_EQ(slot(45).name(), "");       // released on the way out
}

TEST_F(TitleMenuTest, TheMenuCommandGoesOnIntoTheNewGame) {
  actions = {press(kGs, kButtonRight), press(kGs, kButtonOk), press(kTitle1, kButtonOk),
             press("cg\\_MnPsBack2.bmp", kButtonOk)};
  closeWhenDone = false;
  runScript("menu\nB=F1000\nC=F1001\nD=1\n");
  EXPECT_EQ(var('B'), 1);
  EXPECT_EQ(var('C'), 0);
  EXPECT_EQ(var('D'), 1);
  EXPECT_TRUE(errors().empty()) << errors().front();
}

}  // namespace
}  // namespace kobre::testing
