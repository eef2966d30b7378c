#include <gtest/gtest.h>

#include <cstring>

#include "common/SjisText.h"
#include "tests/script/ScriptFixture.h"

namespace kobre {
namespace {

using testing::ScriptFixture;
class CommandTest : public ScriptFixture {
 protected:
  CommandTest() { useSimpleInput(); }
};

TEST(CommandTable, EveryCommandWordIsRecognised) {
  const char* words[] = {"bg",
                         "bg1",
                         "bg1_fi",
                         "bg2",
                         "bg2_fi",
                         "bg3",
                         "bg3_fi",
                         "ev1",
                         "ev1_fi",
                         "sp",
                         "spl",
                         "spr",
                         "sp1",
                         "sp1_fi",
                         "sp1_cf",
                         "sp2",
                         "sp2_fi",
                         "sp_fade",
                         "sp_fade_out",
                         "sp_fo",
                         "sp_fade_in",
                         "fade",
                         "fade_out",
                         "fo",
                         "fade_in",
                         "fo2",
                         "fade_all_white_out",
                         "fade_all_white_in",
                         "bgm",
                         "bgm1",
                         "bgm2",
                         "bgm_stop",
                         "bgm_fo",
                         "se",
                         "se1",
                         "se2",
                         "se_stop",
                         "se_fo",
                         "se_wait",
                         "vo",
                         "vol",
                         "vor",
                         "vo2",
                         "window",
                         "ret",
                         "ret_noskip",
                         "window_sel",
                         "def_sel",
                         "select",
                         "movie",
                         "midi",
                         "change",
                         "change_kaisou",
                         "rotate",
                         "name_check",
                         "wait",
                         "title",
                         "window_off",
                         "window_on",
                         "flag_update",
                         "auto_ret_on",
                         "auto_ret_off",
                         "select_center_on",
                         "select_center_off",
                         "define",
                         "def_cg",
                         "shake",
                         "cls",
                         "kaisou_end",
                         "menu",
                         "map",
                         "ending",
                         "\\n",
                         "\\i",
                         "\\k",
                         "load",
                         "save",
                         "goto",
                         "def_indent",
                         "def_kinsoku",
                         "set_ff"};
  for (const char* w : words) EXPECT_TRUE(Lexer::IsCommandWord(w)) << w;
  for (const char* w : {"", "BG", "Bg", "bg ", "bg4", "\\x", "\\N", "@label", "goto2", "fade_out2"})
    EXPECT_FALSE(Lexer::IsCommandWord(w)) << w;
}

TEST_F(CommandTest, ScriptCommandsRunThrough) {
  runScript(
      "name_check\nwait 0\nauto_ret_on\nselect_center_off\ndefine k v\ndef_cg p 1500\n"
      "kaisou_end\nmap\n\\n\n\\i\n\\k\n@here\ndef_indent x\ndef_kinsoku y\ngoto here2\n"
      "@here2\n");
  EXPECT_EQ(errors(), std::vector<std::string>{});
  EXPECT_TRUE(endedNormally());
}

TEST_F(CommandTest, UndefinedCommandsAndSurplusWords) {
  struct Case {
    const char* script;
    std::vector<std::string> heads;
  } cases[] = {
      {"cls 1\n", {"未定義のコマンド 1"}},
      {"map extra\n", {"未定義のコマンド extra"}},
      {"Cls\n", {"代入になっていない Cls"}},  // capitals start an assignment
      {"clsx\n", {"未定義のコマンド clsx"}},
      {"\\x\n", {"未定義のコマンド \\x"}},
      {"\"\"\n", {"未定義のコマンド "}},
      {"ｃｌｓ\n", {}},  // a two-byte first character is a text line
  };
  headless.host.setAutoOk(true);  // the text line's message waits for Ok
  lexer->windowDefined = true;    // as if a window command had run
  for (const Case& c : cases) {
    headless.host.clearBoxes();
    runScript(c.script);
    EXPECT_EQ(errorHeads(), c.heads) << c.script;
  }
}

TEST_F(CommandTest, GotoFindsTheFirstLabelAnywhere) {
  runScript("goto x\nA=99\n@x\nA=A+1\n@x\nB=1\ngoto y\nC=1\nD=1 @y E=1\n");
  EXPECT_EQ(var('A'), 1);  // landed after the first @x only
  EXPECT_EQ(var('B'), 1);
  EXPECT_EQ(var('C'), 0);
  EXPECT_EQ(var('D'), 0);
  EXPECT_EQ(var('E'), 1);  // labels count wherever they stand as words
  EXPECT_TRUE(errors().empty());
  EXPECT_TRUE(endedNormally());
}

TEST_F(CommandTest, GotoLabelCaseAndMissingLabels) {
  struct Case {
    const char* script;
    const char* head;
  } cases[] = {
      {"goto Top\n@top\n", "ラベルが見つからない Top"},
      {"goto end\n@end", "ラベルが見つからない end"},  // the last word of the file
      {"goto none\n", "ラベルが見つからない none"},
      {"goto\n", "ラベルが見つからない "},
  };
  for (const Case& c : cases) {
    headless.host.clearBoxes();
    runScript(c.script);
    ASSERT_EQ(errorHeads().size(), 1u) << c.script;
    EXPECT_EQ(errorHeads()[0], c.head);
    EXPECT_FALSE(endedNormally());
  }
  headless.host.clearBoxes();
  runScript("goto end\n@end\n");  // with a line break after it, it is found
  EXPECT_TRUE(errors().empty());
}

TEST_F(CommandTest, GotoLineNumbers) {
  runScript("goto l\n\n\n@l bogus\n");
  ASSERT_EQ(errors().size(), 1u);
  EXPECT_EQ(errors()[0], "未定義のコマンド bogus\n (4)\nbogus");
}

TEST_F(CommandTest, EndlessGotoLoopEndsWhenTheWindowCloses) {
  int pumps = 0;
  headless.host.onPump([&] {
    if (++pumps == 5000) runtime->closing = true;
  });
  const int steps = runScript("@a\nA=A+1\ngoto a\n", 1000000);
  EXPECT_LT(steps, 1000000);
  EXPECT_GT(var('A'), 1000);
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(CommandTest, WaitUsesTheClockAndPresents) {
  const uint64_t before = headless.clock.now();
  runScript("wait 3\nA=1\nwait 0\nwait x\nB=1\n");
  const uint64_t spent = headless.clock.now() - before;
  EXPECT_GE(spent, 3000u);
  EXPECT_LT(spent, 3100u);
  EXPECT_EQ(var('A'), 1);
  EXPECT_EQ(var('B'), 1);
  EXPECT_TRUE(errors().empty());
}

TEST_F(CommandTest, WaitPresentsThroughTheFrameServices) {
  int presents = 0, polls = 0;
  runtime->frame.pollInput = [&] {
    ++polls;
    return true;
  };
  runtime->frame.present = [&] {
    ++presents;
    headless.clock.sleep(10);
    return true;
  };
  runScript("wait 1\n");
  EXPECT_EQ(presents, 100);
  EXPECT_EQ(polls, 100);
  // A failed present or poll stops the script.
  runtime->frame.present = [] { return false; };
  headless.host.clearBoxes();
  runScript("wait 1\nA=1\n");
  EXPECT_EQ(var('A'), 0);
  EXPECT_TRUE(boxTexts().empty());
  runtime->frame.present = nullptr;
  runtime->frame.pollInput = [] { return false; };
  runScript("wait 1\nA=1\n");
  EXPECT_EQ(var('A'), 0);
}

TEST_F(CommandTest, WaitLeavesOnWindowRequests) {
  // A return-to-title request ends the wait early and is cleared; the script
  // goes on. Closing makes the poll fail, which ends the script.
  struct Case {
    bool Runtime::*flag;
    bool goesOn;
  } cases[] = {
      {&Runtime::returnToTitle, true},
      {&Runtime::closing, false},
  };
  for (const Case& c : cases) {
    int pumps = 0;
    headless.host.onPump([&] {
      if (++pumps == 10) runtime.get()->*c.flag = true;
    });
    writeScript("w", "wait 100\nA=1\n");
    ASSERT_TRUE(load("w"));
    const uint64_t before = headless.clock.now();
    EXPECT_EQ(lexer->Step(), c.goesOn);
    EXPECT_LT(headless.clock.now() - before, 1000u);
    EXPECT_FALSE(runtime->returnToTitle);
    runtime->closing = false;
    headless.host.onPump(nullptr);
  }
}

TEST_F(CommandTest, WaitStopsOnRecollectionExit) {
  int pumps = 0;
  headless.host.onPump([&] {
    if (++pumps == 10) runtime->returnToMenu = true;
  });
  writeScript("w", "wait 100\nA=1\n");
  ASSERT_TRUE(load("w"));
  EXPECT_FALSE(lexer->Step());
  EXPECT_FALSE(runtime->returnToMenu);
}

TEST_F(CommandTest, ChangeScripts) {
  writeScript("next", "B=A+1\n");
  runScript("A=5\nF3=2\nchange next\nC=1\n");
  EXPECT_EQ(var('B'), 6);  // variables and flags stay
  EXPECT_EQ(var('C'), 0);
  EXPECT_STREQ(runtime->gameState.scriptName, "next");
  EXPECT_STREQ(lexer->scriptPath, "scr\\next.scr");
  EXPECT_TRUE(errors().empty());

  headless.host.clearBoxes();
  runScript("change missing\nC=1\n");
  ASSERT_EQ(errorHeads().size(), 1u);
  EXPECT_EQ(errorHeads()[0], "ファイルが存在しない scr\\missing.scr");
  EXPECT_EQ(var('C'), 1);  // goes on in the current script
}

TEST_F(CommandTest, ChangeInARecollection) {
  writeScript("next", "B=1\n");
  writeScript("rec", "change next\nC=1\n");
  ASSERT_TRUE(load("rec", false));
  EXPECT_FALSE(lexer->Step());  // change ends a recollection at once
  EXPECT_EQ(var('C'), 0);
  EXPECT_TRUE(boxTexts().empty());

  writeScript("rec2", "change_kaisou next\nC=1\n");
  ASSERT_TRUE(load("rec2", false));
  run();
  EXPECT_EQ(var('B'), 1);            // continues in the next script
  EXPECT_FALSE(lexer->isTopScript);  // with the same mark
  EXPECT_EQ(var('C'), 0);

  headless.host.clearBoxes();
  writeScript("rec3", "A=1\nkaisou_end\nC=1\n");
  ASSERT_TRUE(load("rec3", false));
  run();
  EXPECT_EQ(var('C'), 0);
  EXPECT_TRUE(boxTexts().empty());  // stopped without a box
  // In the top script kaisou_end has no effect.
  runScript("kaisou_end\nC=2\n");
  EXPECT_EQ(var('C'), 2);
}

TEST_F(CommandTest, ChangeToABrokenScriptStops) {
  dir.write("scr/empty.scr", "");
  runScript("change empty\nC=1\n");
  ASSERT_EQ(errorHeads().size(), 1u);
  EXPECT_EQ(errorHeads()[0], "サイズがおかしい ");
  EXPECT_EQ(var('C'), 0);
}

TEST_F(CommandTest, Title) {
  writeScript("open", "B=1\n");
  lexer->SetSkip(true);
  runScript("A=1\ntitle\nC=1\n");
  EXPECT_EQ(var('B'), 1);
  EXPECT_EQ(var('C'), 0);
  EXPECT_FALSE(lexer->IsSkipping());
  EXPECT_EQ(headless.host.menu("MnSkip").caption, "スキップ停止中(&S)");
  EXPECT_STREQ(lexer->scriptPath, "scr\\open.scr");

  headless.host.clearBoxes();
  writeScript("rec", "title\nC=1\n");
  ASSERT_TRUE(load("rec", false));
  run();
  EXPECT_EQ(var('C'), 1);
  ASSERT_EQ(errorHeads().size(), 1u);
  EXPECT_EQ(errorHeads()[0], "Ｔｏｐスクリプトでは無いので title コマンドは使えません ");
}

TEST_F(CommandTest, NameCheck) {
  runScript("V=7\nname_check\n");
  EXPECT_EQ(var('V'), 0);
  std::memcpy(runtime->settings.heroName, kSjisDefaultHeroName.data(), kSjisDefaultHeroName.size());
  runScript("name_check\n");
  EXPECT_EQ(var('V'), 1);
  runtime->settings.heroName[4] = 'x';  // a longer name is not the default
  runScript("name_check\n");
  EXPECT_EQ(var('V'), 0);
}

TEST_F(CommandTest, DefineAndPictureUnlock) {
  runScript(
      "define face bg01\ndefine face BG02\ndef_cg bg02 1100\ndef_cg BG03 1200\n"
      "def_cg bg04 5000\ndef_cg bg05 x\nbg face FADE_IN\nev1 bg03\nev1_fi bg04\nbg bg05 FADE_IN\n"
      "sp 0 bg03 FADE_IN\n");
  EXPECT_EQ(runtime->defineTable.size(), 1);  // replaced, not added
  EXPECT_EQ(*runtime->defineTable.find("face"), "BG02");
  EXPECT_EQ(flag(1100), 1);  // the define value, found without case
  EXPECT_EQ(flag(1200), 1);
  EXPECT_EQ(flag(0), 0);                 // "x" and 5000 are ignored
  for (const auto& head : errorHeads())  // the pictures themselves do not exist
    EXPECT_EQ(head.rfind("ファイルが存在しない", 0), 0u) << head;
}

TEST_F(CommandTest, PictureUnlockValues) {
  // Any decimal number 0-2047 unlocks its flag, leading zeros or not.
  struct Case {
    const char* value;
    int flag;  // -1: nothing is set
  } cases[] = {{"01024", 1024},
               {"0", 0},
               {"2047", 2047},
               {"0002047", 2047},
               {"00000000000007", 7},
               {"2048", -1},
               {"99999999999", -1},
               {"12a", -1},
               {"-1", -1},
               {"+5", -1},
               {"", -1}};
  lexer->state = &runtime->gameState;
  for (const Case& c : cases) {
    std::memset(runtime->gameState.flags, 0, sizeof runtime->gameState.flags);
    ASSERT_TRUE(runtime->cgTable.add("pic", c.value));
    lexer->UnlockPicture("PIC");
    int set = 0;
    for (int f = 0; f < kFlagCount; ++f) set += flag(f);
    EXPECT_EQ(set, c.flag < 0 ? 0 : 1) << c.value;
    if (c.flag >= 0) {
      EXPECT_EQ(flag(c.flag), 1) << c.value;
    }
  }
}

TEST_F(CommandTest, FormerHooksRunForRealWithoutStubLines) {
  // The load and save screens are built: Cancel on every other poll closes them.
  headless.host.onInput([this](platform::InputState& in) {
    if (headless.host.polls() % 2 == 1) in.extraButtons |= kButtonCancel;
  });
  runScript(
      "movie m\nmidi m\nload\nsave\nset_ff 5\nmovie m\n"
      "B=1\n");
  EXPECT_EQ(var('B'), 1);  // the script goes on past each of them
  // Movie and MIDI (their files missing here: boxes) and the screens are
  // built now: none of them logs a stub any more.
  EXPECT_EQ(headless.log.lines(), std::vector<std::string>{});
}

TEST_F(CommandTest, NameTablesAreFull) {
  std::string script;
  for (int i = 0; i < 1001; ++i) script += "define k" + std::to_string(i) + " v\n";
  script += "define k5 w\n";
  runScript(script);
  ASSERT_EQ(errorHeads().size(), 1u);
  EXPECT_EQ(errorHeads()[0], "これ以上登録できない k1000");
  EXPECT_EQ(*runtime->defineTable.find("k5"), "w");
  EXPECT_EQ(runtime->defineTable.size(), 1000);
}

TEST_F(CommandTest, FlagCommandsAndBrackets) {
  runScript("auto_ret_off\nselect_center_on\nwindow_off\ndef_indent ab\ndef_kinsoku cd\n");
  EXPECT_EQ(flag(2047), 1);
  EXPECT_EQ(flag(2045), 1);
  EXPECT_EQ(flag(2046), 1);
  EXPECT_STREQ(runtime->openingBrackets, "ab");
  EXPECT_STREQ(runtime->closingMarks, "cd");
  runScript("auto_ret_on\nselect_center_off\nwindow_on\n");
  EXPECT_EQ(flag(2047), 0);
  EXPECT_EQ(flag(2045), 0);
  EXPECT_EQ(flag(2046), 0);
}

TEST_F(CommandTest, ChoicesRegisterAndWindowSelStores) {
  runScript(
      "window_sel 2 1 2 3 4 5 6 7 8 9 10 pic 11 12\ndef_sel one\ndef_sel NULL\n"
      "def_sel \"two words\"\n");
  ASSERT_EQ(errorHeads().size(), 1u);
  EXPECT_EQ(errorHeads()[0], "現在サポートされていないウィンドウＮｏ． 2");
  const auto& g = runtime->gameState;
  EXPECT_EQ(g.selectX, 1);
  EXPECT_EQ(g.selectStepY, 10);
  EXPECT_STREQ(g.selectPicture, "pic");
  EXPECT_EQ(g.selectPictureY, 12);
  EXPECT_EQ(lexer->choiceCount, 3);
  EXPECT_EQ(*lexer->choiceTexts[0], "one");
  EXPECT_FALSE(lexer->choiceTexts[1].has_value());
  EXPECT_EQ(*lexer->choiceTexts[2], "two words");

  headless.host.clearBoxes();
  std::string many;
  for (int i = 0; i < 11; ++i) many += "def_sel c" + std::to_string(i) + "\n";
  runScript(many);
  ASSERT_EQ(errorHeads().size(), 1u);
  EXPECT_EQ(errorHeads()[0], "選択肢はこれ以上登録できない c10");
  EXPECT_EQ(lexer->choiceCount, 10);
}

}  // namespace
}  // namespace kobre
