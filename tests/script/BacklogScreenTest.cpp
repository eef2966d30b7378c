// The backlog screen on generated pictures: the counter and the older and
// newer icons, the wheel, voice replay, damaged records, and the icons of
// the waits.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "screens/BacklogScreen.h"
#include "tests/script/SceneFixture.h"
#include "tools/writers/WavWriter.h"

namespace kobre::testing {
namespace {

struct Action {
  uint32_t buttons = 0;
  int x = -1, y = -1;
  std::function<void()> check;
};

constexpr int kSettlePolls = 5;

class BacklogScreenTest : public SceneFixture {
 protected:
  BacklogScreenTest() {
    systemPictures();
    psd("_Log1", 800, 150, 0xFF102030);
    psd("_Log2", 800, 150, 0xFF302010);
    for (const char* icon : {"Vo", "LogUp", "LogDown"}) {
      const std::string i = icon;
      psd("_i" + i + "Anm1", 40, 30, 0xFF00FF00);
      for (const char* g : {"1", "2"}) {
        psd("_i" + i + g, 40, 30, 0xFF0000FF);
        psd("_i" + i + "Sel" + g, 40, 30, 0xFFFF0000);
      }
    }
    GameState& gs = runtime->gameState;
    gs.windowX = 0;
    gs.windowY = 420;
    gs.windowWidth = 800;
    gs.windowHeight = 180;
    gs.textX = 20;
    gs.textY = 20;
    gs.textColumns = 30;
    gs.textRows = 4;
    lexer->state = &gs;
    lexer->isTopScript = true;
    lexer->messageText.reset(new char[kMessageSize]());
    runtime->frame.pollInput = [this] { return scriptedPoll(); };
  }

  bool scriptedPoll() {
    if (!poll()) return false;
    if (--pollsLeft == 0) {
      ADD_FAILURE() << "the backlog did not close";
      runtime->closing = true;
    }
    runtime->cursorX = mouseX;
    runtime->cursorY = mouseY;
    runtime->heldButtons = runtime->pressedButtons = 0;
    if (++settled < kSettlePolls) return true;
    settled = 0;
    if (actions.empty()) {
      runtime->heldButtons = runtime->pressedButtons = kButtonCancel;
      return true;
    }
    Action a = actions.front();
    actions.pop_front();
    if (a.check) a.check();
    if (a.x >= 0) {
      mouseX = runtime->cursorX = a.x;
      mouseY = runtime->cursorY = a.y;
    }
    runtime->heldButtons = runtime->pressedButtons = a.buttons;
    return true;
  }

  // Appends a message (and its voice) to the backlog as a message wait does.
  void addMessage(const std::string& text, const std::string& voice = "") {
    std::snprintf(lexer->messageText.get(), kMessageSize, "%s", text.c_str());
    std::memset(runtime->gameState.voiceName, 0, sizeof runtime->gameState.voiceName);
    std::memcpy(runtime->gameState.voiceName, voice.data(), voice.size());
    lexer->AddBacklog(false);
  }
  void then(uint32_t buttons, std::function<void()> check = {}) {
    actions.push_back({buttons, -1, -1, std::move(check)});
  }
  Flow open() {
    pollsLeft = 2000;
    settled = 0;
    return lexer->BacklogScreen();
  }
  std::string counter() { return std::string(slot(backlog::kCounter).text()); }
  std::string text() { return std::string(slot(backlog::kText).text()); }
  bool iconShown(int icon) { return slot(backlog::kIconAnimated + icon).isVisible(); }

  std::deque<Action> actions;
  int mouseX = 0, mouseY = 0;
  int settled = 0;
  int pollsLeft = 0;
};

TEST_F(BacklogScreenTest, PagesFromTheNewestWithTheCounterAndTheIcons) {
  addMessage("one");
  addMessage("two");
  addMessage("three");
  struct Seen {
    std::string counter, text;
    bool older, newer;
  };
  std::vector<Seen> seen;
  auto look = [&] {
    seen.push_back({counter(), text(), iconShown(backlog::kOlder), iconShown(backlog::kNewer)});
  };
  then(kButtonWheelDown, look);  // the newest: nothing newer
  then(kButtonWheelUp, look);
  then(kButtonWheelUp, look);
  then(kButtonWheelUp, look);  // the oldest: nothing older
  then(kButtonWheelDown, look);
  then(0, look);
  EXPECT_EQ(open(), Flow::Next);
  const std::vector<Seen> expected = {
      {"  1 / 3", "three", true, false}, {"  1 / 3", "three", true, false},
      {"  2 / 3", "two", true, true},    {"  3 / 3", "one", false, true},
      {"  3 / 3", "one", false, true},   {"  2 / 3", "two", true, true},
  };
  ASSERT_EQ(seen.size(), expected.size());
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].counter, expected[i].counter) << i;
    EXPECT_EQ(seen[i].text, expected[i].text) << i;
    EXPECT_EQ(seen[i].older, expected[i].older) << i;
    EXPECT_EQ(seen[i].newer, expected[i].newer) << i;
  }
  // Leaving clears the screen and gives the newly pressed buttons back empty.
  for (int s : {backlog::kBox, backlog::kFrame, backlog::kText})
    EXPECT_FALSE(slot(s).isLoaded() || slot(s).hasText()) << s;
  for (int s = backlog::kIconAnimated; s <= backlog::kCounter; ++s)
    EXPECT_FALSE(slot(s).isVisible()) << s;
  EXPECT_EQ(runtime->pressedButtons, 0u);
}

TEST_F(BacklogScreenTest, OkOnTheIconsPagesAndHoverCountsTheEdges) {
  addMessage("one");
  addMessage("two");
  // The older icon: 739..779 x 515..545, right and bottom edges included.
  actions.push_back({0, 779, 545, [] {}});
  then(0, [&] {
    EXPECT_TRUE(slot(backlog::kIconHighlight + backlog::kOlder).isVisible());
    EXPECT_FALSE(slot(backlog::kIconPlain + backlog::kOlder).isVisible());
  });
  then(kButtonOk);
  then(0, [&] { EXPECT_EQ(counter(), "  2 / 2"); });
  actions.push_back({0, 780, 546, [] {}});
  then(0, [&] { EXPECT_FALSE(slot(backlog::kIconHighlight + backlog::kOlder).isVisible()); });
  open();
}

TEST_F(BacklogScreenTest, TheTotalStaysAt256AndTheOldestAreDropped) {
  for (int i = 1; i <= 300; ++i) addMessage("m" + std::to_string(i));
  EXPECT_EQ(backlog::entryCount(runtime->gameState), 256);
  lexer->ShowBacklogEntry(1);
  EXPECT_EQ(counter(), "  1 / 256");
  EXPECT_EQ(text(), "m300");
  lexer->ShowBacklogEntry(256);
  EXPECT_EQ(counter(), "256 / 256");
  EXPECT_EQ(text(), "m45");
}

TEST_F(BacklogScreenTest, TheVoiceIconAndTheMiddleButtonReplayOnlyAnEntryWithAVoice) {
  auto tone = writers::makeSineWave(44100, 44100, 2, 440);
  dir.write("wav/v01.wav", writers::writePcmWave(tone, 44100, 2));
  runtime->settings.volumeVoice = 70;
  SoundBuffer& voice = channels->voiceChannel();
  addMessage("spoken", "v01");
  addMessage("silent");
  then(kButtonCenter, [&] { EXPECT_FALSE(iconShown(backlog::kVoice)); });
  then(0, [&] { EXPECT_FALSE(voice.isLoaded()); });
  then(kButtonWheelUp);
  then(kButtonCenter, [&] { EXPECT_TRUE(iconShown(backlog::kVoice)); });
  then(0, [&] {
    EXPECT_TRUE(voice.isPlaying());
    EXPECT_EQ(voice.loadedName(), "wav\\v01.wav");
    EXPECT_EQ(voice.volume(), 70);
    EXPECT_EQ(voice.devicePan(), 0);
  });
  open();
}

TEST_F(BacklogScreenTest, ADamagedRecordShowsWhatItCanWithinEachEntry) {
  GameState& gs = runtime->gameState;
  std::memset(gs.backlog, 0x41, sizeof gs.backlog);  // no terminators anywhere
  struct Case {
    int32_t index;
    uint8_t wrapped;
    int count;
  };
  for (const Case c : {Case{100000, 0, 256}, Case{-7, 0, 1}, Case{INT32_MIN, 1, 256},
                       Case{300, 0, 256}, Case{5, 0, 5}}) {
    gs.backlogIndex = c.index;
    gs.backlogWrapped = c.wrapped;
    EXPECT_EQ(backlog::entryCount(gs), c.count) << c.index;
    for (int n : {1, c.count}) {
      lexer->ShowBacklogEntry(n);
      EXPECT_EQ(text().size(), static_cast<size_t>(kBacklogTextSize)) << c.index;
    }
  }
  gs.backlogIndex = 3;
  gs.backlogWrapped = 0;
  then(kButtonWheelUp);
  then(kButtonWheelUp);
  then(kButtonWheelUp, [&] { EXPECT_EQ(counter(), "  3 / 3"); });
  EXPECT_EQ(open(), Flow::Next);
}

TEST_F(BacklogScreenTest, EntryEndsSkipModeAndAReturnToTitleEndsTheWait) {
  addMessage("one");
  lexer->SetSkip(true);
  then(0, [&] {
    EXPECT_FALSE(runtime->skipMode);
    runtime->returnToTitle = true;
  });
  then(0, [&] { ADD_FAILURE() << "still open"; });
  EXPECT_EQ(open(), Flow::EndWait);
  EXPECT_FALSE(runtime->returnToTitle);
}

TEST_F(BacklogScreenTest, TheWheelInAMessageWaitOpensTheBacklogAndComesBack) {
  writeScript("s", "window 0 0 420 800 180 20 20 30 4 _Log1 0 0\nあいう\nかきく\n");
  ASSERT_TRUE(load("s"));
  runtime->settings.messageSpeed = 3;  // whole messages at once
  runtime->frame.pollInput = [this] { return poll(); };
  std::vector<std::string> counters;
  onCompose = [&] {
    if (slot(backlog::kCounter).isVisible() || slot(backlog::kCounter).hasText())
      if (counters.empty() || counters.back() != counter()) counters.push_back(counter());
  };
  std::vector<Step> steps = {
      input(5, kButtonOk),      input(6, 0),  input(40, kButtonWheelUp), input(41, 0),
      input(60, kButtonCancel), input(61, 0), input(80, kButtonOk),      input(81, 0)};
  headless.host.setInput(steps);
  run(10000);
  ASSERT_FALSE(counters.empty());
  EXPECT_EQ(counters.front(), "  1 / 1");
  EXPECT_EQ(utf8(runtime->gameState.backlog[0].text), "あいう\n");
  EXPECT_EQ(utf8(runtime->gameState.backlog[1].text), "かきく\n");
  EXPECT_EQ(runtime->gameState.backlogIndex, 2);
  EXPECT_TRUE(errors().empty());
}

TEST_F(BacklogScreenTest, AScriptOutsideTheTopShowsOnlyTheBacklogIcon) {
  addMessage("one");
  for (bool top : {true, false}) {
    for (int s = slots::kIconAnimated; s < slots::kIconHighlight + slots::kIconCount; ++s)
      slot(s).release();
    lexer->isTopScript = top;
    lexer->ShowIcons(0);
    EXPECT_TRUE(slot(slots::kIconAnimated + slots::kIconBacklog).isVisible());
    EXPECT_EQ(slot(slots::kIconAnimated + slots::kIconSave).isVisible(), top);
    EXPECT_EQ(slot(slots::kIconAnimated + slots::kIconLoad).isVisible(), top);
  }
}

}  // namespace
}  // namespace kobre::testing
