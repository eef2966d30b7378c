// The save and load screens on generated pictures: slot files per game, the
// comment dialog and the overwrite question, the cursor rules, and what a
// damaged or empty slot does.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "screens/CommentFilter.h"
#include "screens/SaveLoadScreen.h"
#include "script/SaveFile.h"
#include "tests/script/SceneFixture.h"

namespace kobre::testing {
namespace {

using platform::headless::DialogStep;

// One step given to the open screen once it has settled: first the check,
// then the mouse move and the buttons (down for that one poll).
struct Action {
  uint32_t buttons = 0;
  int x = -1, y = -1;
  std::function<void()> check;
};

constexpr int kSettlePolls = 30;

class SaveLoadScreenTest : public SceneFixture {
 protected:
  SaveLoadScreenTest() {
    for (const char* mode : {"Load", "Save"}) {
      const std::string m = mode;
      psd("_" + m + "Sel", 300, 30, 0xFFFFFFFF);
      for (const char* g : {"1", "2"}) {
        bmp("_" + m + "Back" + g, 800, 600, 0x203040);
        psd("_" + m + "Ret" + g, 100, 30, 0xFFFF8000);
      }
    }
    runtime->frame.pollInput = [this] { return scriptedPoll(); };
  }

  bool scriptedPoll() {
    if (!poll()) return false;
    if (--pollsLeft == 0) {
      ADD_FAILURE() << "the screen did not close";
      runtime->closing = true;
    }
    runtime->cursorX = mouseX;
    runtime->cursorY = mouseY;
    runtime->heldButtons = runtime->pressedButtons = 0;
    settled = slot(saveload::kBackground).isLoaded() ? settled + 1 : 0;
    if (settled < kSettlePolls) return true;
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
    settled = 0;  // the next action once the screen has been still again (fades included)
    return true;
  }

  Flow open(bool load) {
    pollsLeft = 5000;
    settled = 0;
    return lexer->SaveLoadScreen(load);
  }
  void then(uint32_t buttons, std::function<void()> check = {}) {
    actions.push_back({buttons, -1, -1, std::move(check)});
  }
  void answer(bool ok, std::string text = {}) {
    DialogStep d;
    d.ok = ok;
    d.text = std::move(text);
    headless.dialogs.queue(d);
  }

  // A whole slot file holding comment.
  std::vector<uint8_t> saveBytes(const std::string& comment) {
    auto gs = std::make_unique<GameState>();
    gs->clear();
    std::memcpy(gs->saveComment, comment.data(), comment.size());
    gs->updateChecksum();
    auto b = gs->bytes();
    return {b.begin(), b.end()};
  }
  std::string commentIn(const std::string& file) {
    auto bytes = dir.read(file);
    auto gs = std::make_unique<GameState>();
    EXPECT_EQ(bytes.size(), sizeof(GameState));
    std::memcpy(gs.get(), bytes.data(), std::min(bytes.size(), sizeof(GameState)));
    return std::string(fieldText(gs->saveComment));
  }
  std::vector<platform::MessageBoxSpec> questions() const {
    std::vector<platform::MessageBoxSpec> out;
    for (const auto& b : headless.host.boxes())
      if (b.spec.buttons == platform::BoxButtons::YesNo) out.push_back(b.spec);
    return out;
  }
  // Where the cursor picture stands, or (-1, -1) while it is hidden.
  std::pair<int, int> cursorAt() {
    DIBSprite& c = slot(saveload::kCursor);
    if (!c.isVisible()) return {-1, -1};
    return {c.x(), c.y()};
  }

  std::deque<Action> actions;
  int mouseX = 0, mouseY = 0;
  int settled = 0;
  int pollsLeft = 0;
};

TEST_F(SaveLoadScreenTest, TheSecondGameListsSlotFilesFrom21) {
  dir.write("Save21.dat", saveBytes("second"));
  dir.write("Save02.dat", saveBytes("first game"));
  SlotList list;
  runtime->gameState.flags[kFlagSecondGame] = 1;
  buildSlotList(*lexer, true, 1, list);
  EXPECT_FALSE(list[0].empty());
  EXPECT_STREQ(list[0].comment, "second");
  EXPECT_TRUE(slot(saveload::kFirstCaption).hasText());
  EXPECT_TRUE(list[1].empty());
  EXPECT_FALSE(slot(saveload::kFirstCaption + 1).hasText());
  EXPECT_EQ(list[0].x, 80);
  EXPECT_EQ(list[0].textY, 97);
  EXPECT_EQ(list[19].x, 464);
  EXPECT_EQ(list[19].y, 440);
  EXPECT_EQ(slot(saveload::kBackground).name(), "cg\\_LoadBack2.bmp");

  // Saving at the first slot of the second game writes Save21.dat.
  runtime->settings.saveOverWriteCheck = false;
  for (int s = saveload::kBackground; s <= saveload::kLastScreenSlot; ++s) slot(s).release();
  answer(true, "new");
  then(kButtonOk);
  EXPECT_EQ(open(false), Flow::Next);
  EXPECT_EQ(commentIn("Save21.dat"), "new");
  EXPECT_EQ(commentIn("Save02.dat"), "first game");
}

TEST_F(SaveLoadScreenTest, OnlyAnExistingSlotAsksBeforeItIsOverwritten) {
  struct Case {
    bool exists;
    bool check;
    platform::BoxResult reply;
    const char* expected;  // the file's comment afterwards
    size_t questions;
  };
  const Case cases[] = {
      {false, true, platform::BoxResult::No, "typed", 0},
      {true, true, platform::BoxResult::No, "old", 1},
      {true, true, platform::BoxResult::Yes, "typed", 1},
      {true, false, platform::BoxResult::No, "typed", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("exists ") + (c.exists ? "yes" : "no") + ", check " +
                 (c.check ? "on" : "off"));
    std::filesystem::remove(dir.str() + "/Save01.dat");
    std::filesystem::remove(dir.str() + "/Save01.dat.bak");
    if (c.exists) dir.write("Save01.dat", saveBytes("old"));
    const auto before = c.exists ? dir.read("Save01.dat") : std::vector<uint8_t>{};
    headless.host.clearBoxes();
    runtime->settings.saveOverWriteCheck = c.check;
    if (c.questions != 0) headless.host.queueAnswer(c.reply);
    answer(true, "typed");
    then(kButtonOk);
    EXPECT_EQ(open(false), Flow::Next);
    ASSERT_EQ(questions().size(), c.questions);
    if (c.questions != 0) {
      EXPECT_EQ(questions()[0].text, "上書きしてよろしいですか？");
      EXPECT_EQ(questions()[0].caption, "KOBRE ver 1.32");
      EXPECT_EQ(questions()[0].icon, platform::BoxIcon::Question);
    }
    EXPECT_EQ(commentIn("Save01.dat"), c.expected);
    if (c.reply == platform::BoxResult::No && c.questions != 0) {
      EXPECT_EQ(dir.read("Save01.dat"), before);
    }
  }
}

TEST_F(SaveLoadScreenTest, CancelInTheCommentDialogSavesNothingAndKeepsTheScreen) {
  answer(false);
  answer(true, "second try");
  then(kButtonOk);
  then(0, [&] { EXPECT_FALSE(dir.exists("Save01.dat")); });
  then(kButtonDown);
  then(kButtonOk);
  EXPECT_EQ(open(false), Flow::Next);
  EXPECT_FALSE(dir.exists("Save01.dat"));
  EXPECT_EQ(commentIn("Save02.dat"), "second try");
  ASSERT_EQ(headless.dialogs.dialogs().size(), 2u);
  EXPECT_EQ(headless.dialogs.dialogs()[1].preset, "");
}

TEST_F(SaveLoadScreenTest, TheDialogShowsTheStoredCommentAndTheSaveFiltersTheAnswer) {
  dir.write("Save01.dat", saveBytes("kept"));
  runtime->settings.saveOverWriteCheck = false;
  answer(true, "a\\b" + std::string(50, 'x'));
  then(kButtonOk);
  open(false);
  ASSERT_EQ(headless.dialogs.dialogs().size(), 1u);
  EXPECT_EQ(headless.dialogs.dialogs()[0].preset, "kept");
  EXPECT_EQ(commentIn("Save01.dat"), "ab" + std::string(38, 'x'));
}

TEST_F(SaveLoadScreenTest, TheCursorShowsOnlyAfterAKeyOrTheMouseAndKeepsItsLimits) {
  std::vector<std::pair<int, int>> seen;
  auto look = [&] { seen.push_back(cursorAt()); };
  then(0, look);             // just opened: hidden
  then(kButtonDown, look);   // -> 1
  then(kButtonDown, look);   // -> 2
  then(kButtonDown, look);   // -> 3
  then(kButtonLeft, look);   // 3 - 10 -> 0
  then(kButtonRight, look);  // 0 -> 10
  for (int i = 0; i < 5; ++i) then(kButtonDown);
  then(kButtonRight, look);  // 15 -> 19
  then(kButtonDown, look);   // stays 19
  then(0, look);
  open(true);
  const std::vector<std::pair<int, int>> expected = {{-1, -1},  {-1, -1}, {80, 120},  {80, 160},
                                                     {80, 200}, {80, 80}, {464, 280}, {464, 440}};
  ASSERT_GE(seen.size(), expected.size() + 1);
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(seen[i], expected[i]) << i;
  EXPECT_EQ(seen.back(), (std::pair<int, int>{464, 440}));
}

TEST_F(SaveLoadScreenTest, TheMouseHoverShowsTheCursorAndTheReturnButton) {
  dir.write("Save11.dat", saveBytes("hovered"));  // list index 10
  then(0, [&] { EXPECT_EQ(cursorAt(), (std::pair<int, int>{-1, -1})); });
  actions.push_back({0, 470, 85, {}});
  then(0, [&] {
    EXPECT_EQ(cursorAt(), (std::pair<int, int>{464, 80}));
    EXPECT_EQ(utf8(slot(saveload::kComment).text()), "hovered");
    EXPECT_FALSE(slot(saveload::kReturnButton).isVisible());
  });
  actions.push_back({0, 50, 570, {}});  // the load screen's return button of game 0
  then(0, [&] {
    EXPECT_TRUE(slot(saveload::kReturnButton).isVisible());
    EXPECT_EQ(cursorAt(), (std::pair<int, int>{-1, -1}));
    EXPECT_FALSE(slot(saveload::kComment).hasText());
  });
  then(kButtonOk);  // the return button closes the screen
  then(0, [&] { ADD_FAILURE() << "still open"; });
  EXPECT_EQ(open(true), Flow::Next);
}

TEST_F(SaveLoadScreenTest, OkOnAnEmptySlotInLoadModeDoesNothing) {
  then(kButtonOk);
  then(0, [&] { EXPECT_TRUE(slot(saveload::kBackground).isLoaded()); });
  EXPECT_EQ(open(true), Flow::Next);
  EXPECT_TRUE(headless.host.boxes().empty());
  EXPECT_TRUE(headless.dialogs.dialogs().empty());
}

TEST_F(SaveLoadScreenTest, ADamagedSlotShowsItsBoxAndTheGameKeepsItsPictures) {
  bmp("scene", 800, 600, 0x808080);
  ASSERT_TRUE(slot(0).loadImage("cg\\scene.bmp"));
  slot(0).show();
  ASSERT_TRUE(slot(1).loadImage("cg\\scene.bmp"));
  slot(1).hide();
  auto bytes = saveBytes("broken");
  bytes[100] ^= 0xFF;  // the checksum no longer matches
  dir.write("Save01.dat", bytes);
  then(0, [&] {
    EXPECT_FALSE(slot(0).isVisible());
    EXPECT_TRUE(slot(saveload::kFirstCaption).hasText());
  });
  then(kButtonOk);
  then(0, [&] { EXPECT_TRUE(slot(saveload::kBackground).isLoaded()); });
  EXPECT_EQ(open(true), Flow::Next);
  ASSERT_EQ(headless.host.boxes().size(), 1u);
  EXPECT_NE(headless.host.boxes()[0].spec.text.find("セーブデータが壊れています"),
            std::string::npos);
  EXPECT_TRUE(slot(0).isLoaded());
  EXPECT_TRUE(slot(0).isVisible());
  EXPECT_FALSE(slot(1).isVisible());
  EXPECT_FALSE(slot(saveload::kBackground).isLoaded());
}

TEST_F(SaveLoadScreenTest, LoadingASlotEndsTheWaitWithTheLoadedGame) {
  writeScript("s", "あいう\n");
  ASSERT_TRUE(load("s"));
  std::memcpy(runtime->gameState.scriptName, "s", 2);
  runtime->gameState.variable('Q') = 42;
  ASSERT_TRUE(lexer->SaveGame(3));
  runtime->gameState.variable('Q') = 0;
  then(kButtonDown);
  then(kButtonDown);
  then(kButtonOk);
  then(0, [&] { ADD_FAILURE() << "still open after loading"; });
  EXPECT_EQ(open(true), Flow::EndWait);
  EXPECT_EQ(runtime->gameState.variable('Q'), 42);
  EXPECT_TRUE(boxTexts().empty()) << (boxTexts().empty() ? "" : boxTexts()[0]);
  EXPECT_EQ(runtime->pressedButtons, 0u);
}

TEST(CommentFilterTest, CutsAtFortyBytesNeverSplittingAndDropsBackslashes) {
  struct Case {
    std::string in, out;
  };
  const std::string kanji = "\x88\x9F";  // a two-byte character
  const Case cases[] = {
      {"abc", "abc"},
      {"a\\b", "ab"},
      {"\\", ""},
      {std::string(41, 'x'), std::string(40, 'x')},
      {std::string(39, 'x') + kanji, std::string(39, 'x')},
      {std::string(38, 'x') + kanji + "y", std::string(38, 'x') + kanji},
      // The second byte of a two-byte character may be 0x5C: it stays.
      {"\x95\x5C", "\x95\x5C"},
      // 0xA0 and 0xC0-0xDF count as lead bytes: the byte after goes with them.
      {"\xA0\\", "\xA0\\"},
      {"\xC5\\a", "\xC5\\a"},
      {"\xDF\\", "\xDF\\"},
      // Not lead bytes: 0xA1-0xBF.
      {"\xB1\\", "\xB1"},
      {std::string(39, 'x') + "\xC5" + "z", std::string(39, 'x')},
      {std::string("ab\0cd", 5), "ab"},
  };
  for (const Case& c : cases) EXPECT_EQ(filterComment(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace kobre::testing
