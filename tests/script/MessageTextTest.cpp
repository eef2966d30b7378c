// Message window text from generated scripts: collecting text lines, typing
// speeds, the wait with Ok, Control, Cancel and skip mode, read text, the
// backlog ring, the window commands and the in-game icons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/script/SceneFixture.h"
#include "tools/writers/WavWriter.h"

namespace kobre::testing {
namespace {

const std::string kWindow = "window 0 20 440 760 150 30 20 30 4 frame 0 0\n";

class MessageTextTest : public SceneFixture {
 protected:
  MessageTextTest() {
    systemPictures();
    psd("frame", 760, 150, 0x80000000);
  }
  std::string logText(int i) const { return utf8(runtime->gameState.backlog[i].text); }
  std::string logVoice(int i) const { return runtime->gameState.backlog[i].voice; }
  int logIndex() const { return runtime->gameState.backlogIndex; }
  std::string shownText() { return utf8(std::string(slot(7).text())); }
  uint64_t start_ = 0;
};

TEST_F(MessageTextTest, TextLinesMakeMessages) {
  struct Case {
    const char* name;
    std::string script;
    std::vector<std::string> log;
  };
  const std::vector<Case> cases = {
      {"each text line is a message", "あいう\nかきく\n", {"あいう\n", "かきく\n"}},
      {"auto_ret_off collects lines until ret",
       "auto_ret_off\nあいう\nかきく\nret\nさし\nret\n",
       {"あいう\nかきく\n", "さし\n"}},
      {"ret_noskip shows the collection too", "auto_ret_off\nあい\nret_noskip\n", {"あい\n"}},
      {"ret with auto return on does nothing", "あい\nret\nret_noskip\n", {"あい\n"}},
      {"an ASCII space is lost", "auto_ret_off\nあい うえ\nret\n", {"あいうえ\n"}},
      {"the hero name goes into the backlog", "●●さん\n", {"遥斗さん\n"}},
  };
  headless.host.setAutoOk(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    runtime->gameState.backlogIndex = 0;
    runtime->gameState.flags[kFlagAutoReturnOff] = 0;
    runScript(kWindow + c.script);
    ASSERT_EQ(logIndex(), static_cast<int>(c.log.size()));
    for (size_t i = 0; i < c.log.size(); ++i) {
      EXPECT_EQ(logText(static_cast<int>(i)), c.log[i]) << i;
      EXPECT_EQ(logVoice(static_cast<int>(i)), "");
    }
    EXPECT_TRUE(errors().empty()) << errors().front();
    headless.host.clearBoxes();
  }
}

TEST_F(MessageTextTest, TextBeforeAnyWindowStopsTheScript) {
  // The message buffer exists from the start, but there is no window to
  // draw in: the first text line stops the script without waiting.
  headless.host.setAutoOk(true);
  EXPECT_EQ(runScript("あいう\nB=1\n"), 1);
  EXPECT_EQ(errorHeads(), std::vector<std::string>{"window が定義されていません "});
  EXPECT_FALSE(endedNormally());
  EXPECT_EQ(var('B'), 0);
  EXPECT_EQ(logIndex(), 0);
  EXPECT_TRUE(headless.raster.runs().empty());

  // A GameState that brings its window definition (a loaded game, a
  // recollection's copy) needs no window command in this script.
  headless.host.clearBoxes();
  runScript(kWindow);
  lexer = std::make_unique<Lexer>(runtime.get());
  runScript("あいう\n");
  EXPECT_TRUE(errors().empty());
  EXPECT_EQ(logIndex(), 1);
}

TEST_F(MessageTextTest, ExtremeWindowNumbersPlaceWithoutWrapping) {
  runScript(
      "window 0 2147483647 2147483647 10 10 2147483647 2147483647 2147483647 2147483647 "
      "frame 2147483647 2147483647\n");
  EXPECT_TRUE(errors().empty());
  EXPECT_GT(slot(6).x(), 800);
  EXPECT_GT(slot(6).y(), 600);
  headless.host.setAutoOk(true);
  runScript(
      "window 0 -2147483647 -2147483647 10 10 -2147483647 -2147483647 -2147483647 "
      "-2147483647 frame -2147483647 -2147483647\nあ\n");
  EXPECT_LT(slot(6).x(), 0);
  EXPECT_LT(slot(6).y(), 0);
  EXPECT_EQ(logIndex(), 1);
}

TEST_F(MessageTextTest, AHalfWidthWordIsNoText) {
  headless.host.setAutoOk(true);
  runScript(kWindow + "あい\nabc\n");
  ASSERT_EQ(errorHeads().size(), 1u);
  EXPECT_NE(errorHeads()[0].find("abc"), std::string::npos);
  EXPECT_EQ(logIndex(), 1);
}

TEST_F(MessageTextTest, WindowDefinitionAndSlots) {
  runScript("window 1 20 440 760 150 30 20 30 4 frame 5 6\n");
  ASSERT_EQ(errorHeads().size(), 1u);
  EXPECT_EQ(errorHeads()[0], "現在サポートされていないウィンドウＮｏ． 1");
  const GameState& gs = runtime->gameState;
  EXPECT_EQ(gs.windowX, 20);
  EXPECT_EQ(gs.windowY, 440);
  EXPECT_EQ(gs.windowWidth, 760);
  EXPECT_EQ(gs.windowHeight, 150);
  EXPECT_EQ(gs.textX, 30);
  EXPECT_EQ(gs.textY, 20);
  EXPECT_EQ(gs.textColumns, 30);
  EXPECT_EQ(gs.textRows, 4);
  EXPECT_STREQ(gs.windowPicture, "frame");
  EXPECT_EQ(gs.windowPictureX, 5);
  EXPECT_EQ(gs.windowPictureY, 6);
  EXPECT_EQ(slot(5).name(), DIBSprite::kBoxName);
  EXPECT_EQ(slot(5).x(), 20);
  EXPECT_EQ(slot(5).width(), 760);
  EXPECT_EQ(slot(5).opacity(), runtime->settings.windowAlpha);
  EXPECT_EQ(slot(6).name(), "cg\\frame.psd");
  EXPECT_EQ(slot(6).x(), 25);
  EXPECT_EQ(slot(6).y(), 446);

  // window_off / window_on hide and show the group and set F2046.
  headless.host.setAutoOk(true);
  runScript("あい\nwindow_off\n");
  EXPECT_EQ(flag(kFlagWindowHidden), 1);
  EXPECT_FALSE(slot(5).isVisible());
  EXPECT_FALSE(slot(7).isVisible());
  runScript("window_on\n");
  EXPECT_EQ(flag(kFlagWindowHidden), 0);
  EXPECT_TRUE(slot(5).isVisible());
  EXPECT_TRUE(slot(7).isVisible());
  // cls takes the text away.
  runScript("cls\n");
  EXPECT_FALSE(slot(7).hasText());
}

TEST_F(MessageTextTest, TextSpriteAndCursorPlaces) {
  headless.host.setInput({input(100, kButtonOk)});
  bool checked = false;
  onCompose = [this, &checked] {
    if (headless.host.polls() != 90) return;
    checked = true;
    EXPECT_EQ(shownText(), "「あいう」\n");
    EXPECT_EQ(slot(7).x(), 800);  // a text sprite reports no picture position
    EXPECT_EQ(slot(7).textColour(), 0xFFFFFFu);
    EXPECT_EQ(slot(7).cellWidth(), 22);
    EXPECT_EQ(slot(7).width(), 30);
    EXPECT_EQ(slot(7).height(), 4);
    EXPECT_EQ(slot(7).font(), &runtime->messageFont);
    EXPECT_EQ(slot(128).name(), "cg\\_Ret.psd");
    EXPECT_EQ(slot(128).x(), 20 + 30 + 30 * 22 - 22);
    EXPECT_EQ(slot(128).y(), 440 + 20 + 4 * 26 - 26);
  };
  headless.raster.clear();
  runScript(kWindow + "「あいう」\n");
  EXPECT_TRUE(checked);
  // The text's runs were drawn at the window's text origin, once each.
  std::vector<std::pair<int, int>> at;
  for (const auto& run : headless.raster.runs()) at.push_back({run.x, run.y});
  const std::vector<std::pair<int, int>> want = {
      {50, 460}, {72, 460}, {94, 460}, {116, 460}, {138, 460}};
  EXPECT_EQ(at, want);
  // After the advance the cursor and the icons are gone.
  EXPECT_FALSE(slot(128).isLoaded());
}

TEST_F(MessageTextTest, TypingSpeedsInPresentedFrames) {
  struct Case {
    int speed;
    std::vector<int> shown;  // shownChars at each composed frame while typing
  };
  auto repeat = [](int each) {
    std::vector<int> out;
    for (int c = 1; c <= 3; ++c)
      for (int i = 0; i < each; ++i) out.push_back(c);
    return out;
  };
  const std::vector<Case> cases = {
      {0, repeat(5)}, {1, repeat(3)}, {2, repeat(1)}, {3, {}}, {-1, repeat(5)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.speed);
    runtime->settings.messageSpeed = c.speed;
    runScript(kWindow);
    std::vector<int> seen;
    onCompose = [this, &seen] {
      if (slot(7).shownChars() != DIBSprite::kAllChars) seen.push_back(slot(7).shownChars());
    };
    headless.host.setInput({input(nextPoll() + 40, kButtonOk)});
    runScript("あいうえ\n");
    onCompose = nullptr;
    EXPECT_EQ(seen, c.shown);
    EXPECT_EQ(logIndex() > 0, true);
    runtime->gameState.backlogIndex = 0;
  }
}

TEST_F(MessageTextTest, OkDuringTypingShowsEverythingAndControlSkips) {
  runScript(kWindow);
  // Ok during typing: the whole text at once, then the wait.
  std::vector<int> seen;
  onCompose = [this, &seen] { seen.push_back(slot(7).shownChars()); };
  headless.host.setInput({input(nextPoll() + 3, kButtonOk), input(nextPoll() + 4, 0),
                          input(nextPoll() + 20, kButtonOk)});
  runScript("あいうえおかき\n");
  ASSERT_GE(seen.size(), 4u);
  EXPECT_EQ(seen[0], 1);
  EXPECT_EQ(seen[2], 1);
  EXPECT_EQ(seen[3], DIBSprite::kAllChars);
  EXPECT_EQ(logIndex(), 1);

  // Control held: every skippable message advances right after drawing,
  // a ret_noskip message still waits for Ok.
  std::vector<std::pair<uint64_t, int>> progress;  // (poll, backlog entries)
  onCompose = [this, &progress] { progress.push_back({headless.host.polls(), logIndex()}); };
  const uint64_t start = nextPoll();
  headless.host.setInput(
      {input(start, kButtonControl), input(start + 50, kButtonControl | kButtonOk)});
  runScript("あい\nうえ\nauto_ret_off\nおか\nret_noskip\n");
  EXPECT_EQ(logIndex(), 4);
  uint64_t firstTwoDone = 0, lastDone = 0;
  for (auto [poll, entries] : progress) {
    if (entries == 3 && firstTwoDone == 0) firstTwoDone = poll;
    if (entries == 4 && lastDone == 0) lastDone = poll;
  }
  EXPECT_GT(firstTwoDone, 0u);
  EXPECT_LT(firstTwoDone, start + 10);
  EXPECT_EQ(lastDone, 0u);  // the script ended right after the Ok
  EXPECT_GE(headless.host.polls(), start + 50);
}

TEST_F(MessageTextTest, CancelHidesTheWindowAndTheNextPressShowsIt) {
  runScript(kWindow);
  struct Seen {
    uint64_t poll;
    bool text, box;
  };
  std::vector<Seen> seen;
  onCompose = [this, &seen] {
    seen.push_back({headless.host.polls(), slot(7).isVisible(), slot(5).isVisible()});
  };
  const uint64_t p = nextPoll();
  // Typing ends with Ok at p+2; Cancel at p+10 hides; Ok at p+20 shows without
  // advancing; Ok at p+30 advances.
  headless.host.setInput({input(p + 2, kButtonOk), input(p + 3, 0), input(p + 10, kButtonCancel),
                          input(p + 11, 0), input(p + 20, kButtonOk), input(p + 21, 0),
                          input(p + 30, kButtonOk)});
  runScript("あいう\n");
  EXPECT_EQ(logIndex(), 1);
  int hidden = 0;
  for (const Seen& v : seen) {
    if (v.poll > p + 11 && v.poll < p + 20) {
      EXPECT_FALSE(v.text) << v.poll;
      EXPECT_FALSE(v.box) << v.poll;
      ++hidden;
    }
    if (v.poll > p + 21 && v.poll < p + 30) {
      EXPECT_TRUE(v.text) << v.poll;
    }
  }
  EXPECT_GT(hidden, 5);
  EXPECT_GE(headless.host.polls(), p + 30);
}

TEST_F(MessageTextTest, SkipModeAdvancesAfterSkipWaitSeconds) {
  runtime->settings.skipUnread = false;
  runtime->settings.messageSpeed = 3;
  dir.write("wav/v1.wav",
            writers::writePcmWave(writers::makeSineWave(44100 * 3, 44100, 2, 440.0), 44100, 2));
  runScript(kWindow);
  struct Case {
    const char* name;
    std::string script;
    bool skipVoice;
    uint64_t minMs, maxMs;  // virtual time from the drawing to the advance
  };
  const std::vector<Case> cases = {
      {"five seconds after drawing", "あいう\n", false, 5000, 5100},
      {"five seconds after the voice ended", "vo v1\nあいう\n", false, 8000, 8200},
      {"with Skip/Voice the voice does not hold it", "vo v1\nあいう\n", true, 5000, 5100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    runtime->settings.skipVoice = c.skipVoice;
    lexer->SetSkip(true);
    uint64_t drawn = 0, advanced = 0;
    const int before = logIndex();
    onCompose = [&] {
      if (drawn == 0 && slot(128).isLoaded()) drawn = headless.clock.now();
      if (advanced == 0 && logIndex() != before) advanced = headless.clock.now();
    };
    runScript(c.script);
    onCompose = nullptr;
    ASSERT_EQ(logIndex(), before + 1);
    if (advanced == 0) advanced = headless.clock.now();
    EXPECT_GE(advanced - drawn, c.minMs);
    EXPECT_LE(advanced - drawn, c.maxMs);
    EXPECT_TRUE(runtime->skipMode);
    EXPECT_EQ(headless.host.menu("MnSkip").caption, "スキップ中(&S)");
  }
}

TEST_F(MessageTextTest, SkipModeEndsOnUnreadTextOrAPress) {
  runtime->settings.messageSpeed = 3;
  headless.host.setAutoOk(true);
  runScript(kWindow);
  lexer->SetSkip(true);
  runScript("あいう\n");  // unread, and Skip/Unread is on
  EXPECT_FALSE(runtime->skipMode);
  EXPECT_EQ(headless.host.menu("MnSkip").caption, "スキップ停止中(&S)");
  // A press in skip mode only ends skip mode; the message then waits.
  runtime->settings.skipUnread = false;
  headless.host.setAutoOk(false);
  lexer->SetSkip(true);
  headless.host.setInput({input(nextPoll() + 2, kButtonOk), input(nextPoll() + 3, 0),
                          input(nextPoll() + 20, kButtonOk)});
  const uint64_t start = nextPoll();
  runScript("かきく\n");
  EXPECT_FALSE(runtime->skipMode);
  EXPECT_GE(headless.host.polls(), start + 19);
}

TEST_F(MessageTextTest, ReadTextIsGrey) {
  headless.host.setAutoOk(true);
  runScript(kWindow);
  std::vector<uint32_t> colours;
  onCompose = [this, &colours] {
    if (slot(7).hasText()) colours.push_back(slot(7).textColour());
  };
  writeScript("story", "あいう\n");
  for (int pass = 0; pass < 2; ++pass) {
    colours.clear();
    ASSERT_TRUE(load("story"));
    run();
    ASSERT_FALSE(colours.empty());
    EXPECT_EQ(colours.back(), pass == 0 ? 0xFFFFFFu : 0x808080u) << pass;
  }
  // The glyphs of read text are drawn in that grey.
  const auto& frame = headless.host.lastFrame();
  bool grey = false;
  for (int y = 460; y < 486; ++y)
    for (int x = 50; x < 120; ++x)
      grey |= (frame[static_cast<size_t>(y) * 800 + x] & 0xFFFFFF) == 0x808080;
  EXPECT_TRUE(grey);
  // With Message/Readed off read text stays white.
  runtime->settings.messageReaded = false;
  colours.clear();
  ASSERT_TRUE(load("story"));
  run();
  EXPECT_EQ(colours.back(), 0xFFFFFFu);
}

TEST_F(MessageTextTest, BacklogRingWrapsAndCutsLongTexts) {
  headless.host.setAutoOk(true);
  runtime->settings.messageSpeed = 3;
  runScript(kWindow);
  runtime->gameState.backlogIndex = 254;
  runScript("あ\nい\nう\n");
  EXPECT_EQ(logIndex(), 1);
  EXPECT_EQ(runtime->gameState.backlogWrapped, 1);
  EXPECT_EQ(logText(254), "あ\n");
  EXPECT_EQ(logText(255), "い\n");
  EXPECT_EQ(logText(0), "う\n");

  // A message of 600 bytes keeps 511 of them, whole characters only.
  std::string line;
  for (int i = 0; i < 300; ++i) line += "あ";
  runScript("auto_ret_off\n" + line + "\nret\n");
  const std::string kept = runtime->gameState.backlog[1].text;
  EXPECT_EQ(kept.size(), 510u);
  EXPECT_EQ(kept, sj(line).substr(0, 510));
}

TEST_F(MessageTextTest, VoiceFadesOnAdvanceUnlessVoiceNext) {
  headless.host.setAutoOk(true);
  runtime->settings.messageSpeed = 3;
  dir.write("wav/v1.wav",
            writers::writePcmWave(writers::makeSineWave(44100 * 3, 44100, 2, 440.0), 44100, 2));
  runScript(kWindow);
  runScript("vo v1\nあいう\n");
  EXPECT_EQ(channels->voiceChannel().fadeStep(), -20);
  EXPECT_EQ(logVoice(0), "v1");
  runtime->settings.voiceNext = true;
  runScript("vo v1\nかきく\n");
  EXPECT_EQ(channels->voiceChannel().fadeLevel(), -1);
}

TEST_F(MessageTextTest, IconsAppearWithTheBacklogAndHighlightUnderTheMouse) {
  runtime->settings.messageSpeed = 3;
  runScript(kWindow);
  bool checked = false;
  // First message: the backlog is empty, so only load and save.
  onCompose = [this, &checked] {
    if (!slot(128).isLoaded() || checked) return;
    checked = true;
    EXPECT_FALSE(slot(10).isLoaded());
    EXPECT_TRUE(slot(11).isVisible());
    EXPECT_EQ(slot(11).y(), 555);
    EXPECT_EQ(slot(12).y(), 515);
    EXPECT_EQ(slot(12).x(), 739);
    EXPECT_FALSE(slot(14).isVisible());
    EXPECT_FALSE(slot(17).isVisible());
  };
  headless.host.setInput({input(nextPoll() + 10, kButtonOk)});
  runScript("あい\n");
  EXPECT_TRUE(checked);
  EXPECT_FALSE(slot(11).isLoaded());

  // Second message: the backlog icon too; the mouse over the save icon
  // highlights it (edges included).
  checked = false;
  onCompose = [this, &checked] {
    if (headless.host.polls() < 20 + start_) return;
    if (checked) return;
    checked = true;
    EXPECT_TRUE(slot(10).isVisible());
    EXPECT_EQ(slot(10).y(), 475);
    EXPECT_TRUE(slot(17).isVisible());
    EXPECT_FALSE(slot(14).isVisible());
    EXPECT_TRUE(slot(13).isVisible());
    EXPECT_FALSE(slot(16).isVisible());
  };
  start_ = nextPoll();
  headless.host.setInput({input(start_, 0, 739 + 40, 555 + 30), input(start_ + 40, 0, 10, 10),
                          input(start_ + 41, kButtonOk)});
  runScript("うえ\n");
  EXPECT_TRUE(checked);
  EXPECT_EQ(logIndex(), 2);
  // A script that is not the top script shows the backlog icon only.
  onCompose = [this] {
    if (slot(128).isLoaded()) {
      EXPECT_TRUE(slot(10).isLoaded());
      EXPECT_FALSE(slot(11).isLoaded());
      EXPECT_FALSE(slot(12).isLoaded());
    }
  };
  writeScript("sub", "おか\n");
  headless.host.setInput({input(nextPoll() + 10, kButtonOk)});
  ASSERT_TRUE(load("sub", false));
  run();
}

TEST_F(MessageTextTest, ReturnToTitleAndClosingEndTheWait) {
  runtime->settings.messageSpeed = 3;
  runScript(kWindow);
  int pumps = 0;
  headless.host.onPump([this, &pumps] {
    if (++pumps == 10) runtime->returnToTitle = true;
  });
  runScript("あい\n");
  EXPECT_FALSE(runtime->returnToTitle);
  EXPECT_EQ(logIndex(), 0);  // left without advancing
  // A font change applies the message font to the text.
  runtime->messageFont.pixelHeight = 30;
  pumps = 0;
  headless.host.onPump([this, &pumps] {
    ++pumps;
    if (pumps == 5) runtime->fontChanged = true;
    if (pumps == 10) runtime->closing = true;
  });
  headless.raster.clear();
  runScript("うえ\n");
  EXPECT_FALSE(runtime->fontChanged);
  ASSERT_FALSE(headless.raster.runs().empty());
  EXPECT_EQ(headless.raster.runs().back().font.pixelHeight, 30);
}

}  // namespace
}  // namespace kobre::testing

namespace kobre::testing {
namespace {

TEST_F(MessageTextTest, ReplayVoicePlaysTheEntrysVoice) {
  headless.host.setAutoOk(true);
  runtime->settings.messageSpeed = 3;
  dir.write("wav/v1.wav",
            writers::writePcmWave(writers::makeSineWave(44100, 44100, 2, 440.0), 44100, 2));
  runScript(kWindow + "vo v1\nあいう\nかきく\n");
  channels->voiceChannel().stop();
  // Both entries carry the last voice name; two back from the next index is
  // the first message.
  EXPECT_EQ(logVoice(0), "v1");
  EXPECT_TRUE(lexer->ReplayVoice(2));
  EXPECT_TRUE(channels->voiceChannel().isPlaying());
  EXPECT_EQ(channels->voiceChannel().loadedName(), "wav\\v1.wav");
  // An entry without a voice plays nothing.
  runtime->gameState.backlog[0].voice[0] = 0;
  channels->voiceChannel().stop();
  EXPECT_FALSE(lexer->ReplayVoice(2));
  EXPECT_FALSE(channels->voiceChannel().isPlaying());
}

}  // namespace
}  // namespace kobre::testing
