#include <gtest/gtest.h>

#include "common/Buttons.h"
#include "tests/app/FrameFixture.h"

namespace kobre::testing {
namespace {

// A sound archive with one entry: enough for start-up to open it.
bool writeSoundArchive(const std::string& path) {
  writers::ArchiveWriter sounds;
  sounds.add("a.wav", std::string_view("x"));
  return sounds.writeFile(path, false);
}

using platform::BoxButtons;
using platform::BoxIcon;
using platform::BoxResult;
using platform::kVkNext;
using platform::kVkSpace;
using platform::headless::InputStep;

TEST_F(FrameFixture, StartUpCreatesEverythingInOrder) {
  writeGame();
  frame.windowCreated();
  ASSERT_TRUE(frame.startUp());
  EXPECT_TRUE(frame.started());
  EXPECT_TRUE(boxTexts().empty());
  EXPECT_EQ(engine.log,
            (std::vector<std::string>{"codec", "backBuffer", "sprites", "soundDevice", "channels",
                                      "joypad", "script scr\\open.scr", "skip off"}));
  EXPECT_EQ(window.caption, "ソラノワ　復刻版");
  EXPECT_EQ(window.log, std::vector<std::string>{"windowed"});
  EXPECT_TRUE(window.driveLists.empty());
  EXPECT_TRUE(headless.host.menu("MnFull16").visible);
  EXPECT_EQ(headless.host.menu("MnFull16").caption, "全画面(&0)");
  EXPECT_FALSE(headless.host.menu("MnFull32").visible);
  EXPECT_TRUE(headless.host.menu("MnWindow").checked);
  EXPECT_FALSE(headless.host.menu("MnFull16").checked);
  EXPECT_EQ(headless.host.menu("MnSkip").caption, "スキップ停止中(&S)");
  EXPECT_TRUE(engine.runtime().scriptArchive.isOpen());
  EXPECT_TRUE(engine.runtime().imageArchive.isOpen());
  EXPECT_TRUE(engine.runtime().soundArchive.isOpen());
  EXPECT_EQ(engine.messageFont.pixelHeight, 22);
  EXPECT_EQ(engine.smallFont.pixelHeight, 18);
  EXPECT_FALSE(engine.runtime().closing);

  frame.destroy();
  EXPECT_EQ(window.log.back(), "restore desktop");
  EXPECT_TRUE(settingsWritten());
  std::vector<std::string> released(engine.log.end() - 9, engine.log.end());
  EXPECT_EQ(released, (std::vector<std::string>{
                          "release script", "release joypad", "release channels",
                          "release soundDevice", "release sprites", "release backBuffer",
                          "release codec", "release archives", "release fonts"}));
}

TEST_F(FrameFixture, FatalStepsShowTheirBoxAndWriteNoSettings) {
  struct Case {
    const char* step;
    std::string message;
    size_t logSize;  // engine steps run, the failing one included
  } cases[] = {
      {"codec", "Vorbis ACM が初期化できません", 1},
      {"backBuffer", "画面の作成に失敗しました", 2},
      {"soundDevice", "Direct Sound が使用できません", 4},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    platform::headless::HeadlessPlatform hp(folder.str(), folder.str() + "/.data");
    FakeEngine eng(hp.platform());
    FakeWindow win;
    frame::MainFrame f(hp.platform(), eng, win);
    eng.failing.insert(c.step);
    EXPECT_FALSE(f.startUp()) << c.step;
    ASSERT_EQ(hp.host.boxes().size(), 1u) << c.step;
    const auto& box = hp.host.boxes()[0].spec;
    EXPECT_EQ(box.text, c.message);
    EXPECT_EQ(box.caption, "KOBRE ver 1.32");
    EXPECT_EQ(box.icon, BoxIcon::Error);
    EXPECT_EQ(box.buttons, BoxButtons::Ok);
    EXPECT_EQ(eng.log.size(), c.logSize) << c.step;
    EXPECT_TRUE(eng.runtime().closing);
    EXPECT_FALSE(f.saveSettingsOnExit());
    // The next paint closes the window, without the question.
    f.paint();
    EXPECT_EQ(hp.host.closeRequests(), 1);
    EXPECT_TRUE(f.closeQuery());
    EXPECT_EQ(hp.host.boxes().size(), 1u);
    f.destroy();
    EXPECT_FALSE(std::filesystem::exists(folder.path("KOBRE.ini"))) << c.step;
    EXPECT_EQ(eng.log.back(), "release fonts");
  }
}

TEST_F(FrameFixture, MissingScriptArchiveWithLooseScriptsContinues) {
  writeGame(/*withScriptArchive=*/false);
  dir.write("scr/open.scr", "N\r\n");
  ASSERT_TRUE(frame.startUp());
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"データファイルが読めません\narc.scr"});
  frame.destroy();
  EXPECT_TRUE(settingsWritten());
}

TEST_F(FrameFixture, MissingPictureArchiveContinues) {
  writeGame(true, true, /*withImages=*/false);
  ASSERT_TRUE(frame.startUp());
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"データファイルが読めません\narc.cg"});
}

TEST_F(FrameFixture, MissingScriptArchiveAndScriptIsFatal) {
  writeGame(/*withScriptArchive=*/false);
  EXPECT_FALSE(frame.startUp());
  EXPECT_EQ(boxTexts(), (std::vector<std::string>{"データファイルが読めません\narc.scr",
                                                  "シナリオが初期化できません"}));
  frame.destroy();
  EXPECT_FALSE(settingsWritten());
}

TEST_F(FrameFixture, MissingSoundArchiveAsksForTheDriveAndTriesTheImageFolder) {
  writeGame(true, /*withSound=*/false);
  EXPECT_FALSE(frame.startUp());
  ASSERT_EQ(window.driveLists.size(), 1u);
  EXPECT_EQ(window.driveLists[0], headless.files.opticalDrives());
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"データファイルが読めません\narc.wav"});
  // Nothing after the sound archive ran.
  EXPECT_EQ(engine.log.back(), "joypad");
  frame.destroy();
  EXPECT_FALSE(settingsWritten());
}

TEST_F(FrameFixture, SoundArchiveInTheImageFolderOfTheEmptyPrefix) {
  writeGame(true, /*withSound=*/false);
  std::filesystem::create_directories(dir.path("image"));
  ASSERT_TRUE(writeSoundArchive(dir.str() + "/image/arc.wav"));
  headless.files.opticalDrives();
  ASSERT_TRUE(frame.startUp());
  EXPECT_TRUE(boxTexts().empty());
  EXPECT_EQ(window.driveLists.size(), 1u);
  EXPECT_TRUE(engine.runtime().soundArchive.isOpen());
}

TEST_F(FrameFixture, SoundArchiveOnTheChosenDrive) {
  writeGame(true, /*withSound=*/false);
  // A mounted disc: the drive root ends in a separator, as the list gives it.
  TempFolder disc;
  std::filesystem::create_directories(disc.path("image"));
  ASSERT_TRUE(writeSoundArchive(disc.str() + "/image/arc.wav"));
  writers::ArchiveWriter more;
  more.add("b.wav", std::string_view("y"));
  ASSERT_TRUE(more.writeFile(disc.str() + "/image/arc2.wav", false));
  struct DiscWindow : FakeWindow {
    std::string root;
    std::string chooseDrive(const std::vector<std::string>& roots) override {
      driveLists.push_back(roots);
      return root;
    }
  } discWindow;
  discWindow.root = disc.str() + "/";
  frame::MainFrame f(headless.platform(), engine, discWindow);
  ASSERT_TRUE(f.startUp());
  EXPECT_EQ(discWindow.driveLists.size(), 1u);
  ArchiveFile& archive = engine.runtime().soundArchive;
  EXPECT_TRUE(archive.find("a.wav"));
  EXPECT_TRUE(archive.find("b.wav"));  // the supplement beside it on the disc
}

TEST_F(FrameFixture, TooSmallOrTooFewColoursIsFatalAfterEverythingStarted) {
  struct Case {
    int w, h, bits;
    bool ok;
  } cases[] = {{640, 480, 32, false}, {1024, 768, 8, false}, {800, 600, 14, false},
               {800, 600, 15, true},  {799, 600, 32, false}, {800, 599, 32, false}};
  for (const Case& c : cases) {
    TempFolder folder;
    platform::headless::HeadlessPlatform hp(folder.str(), folder.str() + "/.data");
    hp.host.setScreen(c.w, c.h, c.bits);
    FakeEngine eng(hp.platform());
    FakeWindow win;
    frame::MainFrame f(hp.platform(), eng, win);
    folder.write("scr/open.scr", "N\r\n");
    ASSERT_TRUE(writeSoundArchive(folder.str() + "/arc.wav"));
    hp.host.clearBoxes();
    EXPECT_EQ(f.startUp(), c.ok) << c.w << "x" << c.h << "x" << c.bits;
    std::vector<std::string> texts;
    for (const auto& b : hp.host.boxes()) texts.push_back(b.spec.text);
    if (!c.ok) {
      ASSERT_FALSE(texts.empty());
      EXPECT_EQ(texts.back(), "デスクトップを 800 × 600 ハイカラー以上にして下さい");
      EXPECT_EQ(eng.log.back(), "skip off");  // every subsystem had started
      EXPECT_TRUE(win.log.empty());           // no display mode applied
    }
    f.destroy();
    EXPECT_EQ(std::filesystem::exists(folder.path("KOBRE.ini")), c.ok);
  }
}

TEST_F(FrameFixture, MissingFolderIsFatal) {
  frame.setFolderAvailable(false);
  EXPECT_FALSE(frame.startUp());
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"フォルダが変更できません"});
  EXPECT_TRUE(engine.log.empty());
}

TEST_F(FrameFixture, QuitQuestionNoKeepsRunningAndWritesNothing) {
  writeGame();
  ASSERT_TRUE(frame.startUp());
  engine.runtime().readRecord.addScript("scr\\open.scr");
  engine.runtime().readRecord.markRead("scr\\open.scr", 10);
  headless.host.queueAnswer(BoxResult::No);
  EXPECT_FALSE(frame.closeQuery());
  ASSERT_EQ(headless.host.boxes().size(), 1u);
  const auto& box = headless.host.boxes()[0].spec;
  EXPECT_EQ(box.text, "本当に終了してもよろしいですか？");
  EXPECT_EQ(box.caption, "KOBRE ver 1.32");
  EXPECT_EQ(box.buttons, BoxButtons::YesNo);
  EXPECT_EQ(box.defaultButton, BoxResult::No);
  EXPECT_EQ(box.icon, BoxIcon::Question);
  EXPECT_FALSE(engine.runtime().closing);
  EXPECT_FALSE(std::filesystem::exists(dir.path("Read.dat")));
  EXPECT_FALSE(settingsWritten());
}

TEST_F(FrameFixture, QuitQuestionYesWritesReadRecordThenSettings) {
  writeGame();
  ASSERT_TRUE(frame.startUp());
  engine.runtime().readRecord.addScript("scr\\open.scr");
  engine.runtime().readRecord.markRead("scr\\open.scr", 10);
  headless.host.queueAnswer(BoxResult::Yes);
  EXPECT_TRUE(frame.closeQuery());
  EXPECT_TRUE(engine.runtime().closing);
  EXPECT_TRUE(std::filesystem::exists(dir.path("Read.dat")));
  EXPECT_FALSE(settingsWritten());
  frame.destroy();
  EXPECT_TRUE(settingsWritten());
  // A second close query is granted without asking again.
  EXPECT_TRUE(frame.closeQuery());
  EXPECT_EQ(headless.host.boxes().size(), 1u);
}

TEST_F(FrameFixture, ScriptEndingByItselfClosesWithoutTheQuestion) {
  writeGame();
  ASSERT_TRUE(frame.startUp());
  engine.runtime().readRecord.addScript("scr\\open.scr");
  engine.runtime().readRecord.markRead("scr\\open.scr", 10);
  int steps = 0;
  engine.onStep = [&] { return ++steps < 5; };
  frame.runMainLoop();
  EXPECT_EQ(steps, 5);
  EXPECT_TRUE(engine.runtime().closing);
  EXPECT_EQ(headless.host.closeRequests(), 1);
  EXPECT_TRUE(frame.closeQuery());
  EXPECT_TRUE(boxTexts().empty());
  frame.destroy();
  EXPECT_FALSE(std::filesystem::exists(dir.path("Read.dat")));
  EXPECT_TRUE(settingsWritten());
  EXPECT_TRUE(headless.host.menu("MnDispCopy").enabled);
}

TEST_F(FrameFixture, InactiveWindowDoesNotStepTheScript) {
  writeGame();
  ASSERT_TRUE(frame.startUp());
  headless.host.setActive(false);
  int steps = 0;
  engine.onStep = [&] { return ++steps < 3; };
  // A nested menu command closes the program while nothing steps.
  headless.host.onPump([&] {
    if (headless.host.pumps() == 50) engine.runtime().closing = true;
  });
  frame.runMainLoop();
  EXPECT_EQ(steps, 0);
  EXPECT_GE(headless.host.pumps(), 50u);
}

TEST_F(FrameFixture, InactiveWindowWaitsForMessagesInsteadOfPumping) {
  writeGame();
  ASSERT_TRUE(frame.startUp());
  int steps = 0;
  engine.onStep = [&] { return ++steps < 1000; };
  // Inactive for the first 20 passes, then active for 5, then closed.
  headless.host.setActive(false);
  headless.host.onPump([&] {
    if (headless.host.pumps() == 20) headless.host.setActive(true);
    if (headless.host.pumps() == 25) engine.runtime().closing = true;
  });
  const uint64_t pumpsBefore = headless.host.pumps();
  frame.runMainLoop();
  EXPECT_EQ(headless.host.waits(), 20u - pumpsBefore);  // every inactive pass waited
  EXPECT_EQ(steps, 5);  // the pass that was woken and the four active ones stepped
  EXPECT_TRUE(headless.host.menu("MnDispCopy").enabled);
  EXPECT_TRUE(headless.host.menu("MnDispSave").enabled);
}

class PollFixture : public FrameFixture {
 protected:
  void SetUp() override {
    writeGame();
    ASSERT_TRUE(frame.startUp());
  }
  struct Sets {
    uint32_t held, pressed;
    bool operator==(const Sets&) const = default;
  };
  Sets poll() {
    EXPECT_TRUE(frame.pollInput());
    return {engine.runtime().heldButtons, engine.runtime().pressedButtons};
  }
};

TEST_F(PollFixture, HeldSpaceIsPressedOnlyAtTheFirstPoll) {
  InputStep space;
  space.poll = 1;
  space.keys = {kVkSpace};
  headless.host.setInput({space});
  EXPECT_EQ(poll(), (Sets{kButtonOk, kButtonOk}));
  EXPECT_EQ(poll(), (Sets{kButtonOk, 0}));
  EXPECT_EQ(poll(), (Sets{kButtonOk, 0}));
  EXPECT_EQ(engine.soundUpdates, 3);
}

TEST_F(PollFixture, WheelAndPageKeys) {
  InputStep twoNotches;  // two notches before one poll: one WheelUp
  twoNotches.poll = 1;
  twoNotches.x = 100;
  twoNotches.y = 100;
  twoNotches.wheelDelta = 240;
  InputStep outside;  // turned outside the client area: ignored
  outside.poll = 3;
  outside.x = 900;
  outside.y = 100;
  outside.wheelDelta = -120;
  InputStep down;  // towards the user
  down.poll = 4;
  down.x = 10;
  down.y = 10;
  down.wheelDelta = -120;
  InputStep pageDown;
  pageDown.poll = 6;
  pageDown.keys = {kVkNext};
  headless.host.setInput({twoNotches, outside, down, pageDown});
  EXPECT_EQ(poll(), (Sets{kButtonWheelUp, kButtonWheelUp}));
  EXPECT_EQ(poll(), (Sets{0, 0}));  // the delta was used up
  EXPECT_EQ(poll(), (Sets{0, 0}));
  EXPECT_EQ(poll(), (Sets{kButtonWheelDown, kButtonWheelDown}));
  EXPECT_EQ(poll(), (Sets{0, 0}));
  EXPECT_EQ(poll(), (Sets{kButtonWheelDown, kButtonWheelDown}));
  EXPECT_EQ(poll(), (Sets{kButtonWheelDown, 0}));
}

TEST_F(PollFixture, KeyMouseAndJoypadTable) {
  using namespace platform;
  struct Case {
    std::vector<int> keys;
    bool left, right;
    uint32_t expected;
  } cases[] = {
      {{kVkUp}, false, false, kButtonUp},
      {{kVkNumpad0 + 8}, false, false, kButtonUp},
      {{kVkDown}, false, false, kButtonDown},
      {{kVkNumpad0 + 2}, false, false, kButtonDown},
      {{kVkLeft}, false, false, kButtonLeft},
      {{kVkNumpad0 + 4}, false, false, kButtonLeft},
      {{kVkRight}, false, false, kButtonRight},
      {{kVkNumpad0 + 6}, false, false, kButtonRight},
      {{kVkReturn}, false, false, kButtonOk},
      {{kVkEscape}, false, false, kButtonCancel},
      {{kVkNumpad0}, false, false, kButtonCancel},
      {{kVkControl}, false, false, kButtonControl},
      {{kVkPrior}, false, false, kButtonWheelUp},
      {{kVkF1}, false, false, kButtonLoad},
      {{kVkF1 + 1}, false, false, kButtonSave},
      {{}, true, false, kButtonOk},
      {{}, false, true, kButtonCancel},
      {{kVkShift, kVkTab, 'A'}, false, false, 0},
      {{kVkUp, kVkSpace}, true, true, kButtonUp | kButtonOk | kButtonCancel},
  };
  std::vector<InputStep> steps;
  uint64_t n = 1;
  for (const Case& c : cases) {
    InputStep s;
    s.poll = n;
    s.keys = c.keys;
    s.mouseLeft = c.left;
    s.mouseRight = c.right;
    steps.push_back(s);
    InputStep none;
    none.poll = n + 1;
    steps.push_back(none);
    n += 2;
  }
  headless.host.setInput(steps);
  for (const Case& c : cases) {
    EXPECT_EQ(poll().held, c.expected) << "case " << (&c - cases);
    EXPECT_EQ(poll().held, 0u);
  }
  engine.padPresent = true;
  engine.padButtons = kButtonCenter | kButtonRight;
  EXPECT_EQ(poll(), (Sets{kButtonCenter | kButtonRight, kButtonCenter | kButtonRight}));
  engine.padPresent = false;  // a pad that cannot be read adds nothing
  EXPECT_EQ(poll().held, 0u);
}

TEST_F(PollFixture, MousePositionAndInactiveWindow) {
  InputStep at;
  at.poll = 1;
  at.x = 123;
  at.y = 45;
  at.keys = {kVkSpace};
  headless.host.setInput({at});
  poll();
  EXPECT_EQ(engine.runtime().cursorX, 123);
  EXPECT_EQ(engine.runtime().cursorY, 45);
  headless.host.setActive(false);
  EXPECT_EQ(poll(), (Sets{0, 0}));
  EXPECT_EQ(engine.soundUpdates, 2);  // sound goes on while inactive
  headless.host.setActive(true);
  EXPECT_EQ(poll(), (Sets{kButtonOk, kButtonOk}));
  engine.runtime().closing = true;
  EXPECT_FALSE(frame.pollInput());
}

TEST_F(PollFixture, PresentComposesAndShakenDoesNot) {
  frame.present();
  EXPECT_EQ(engine.composes, 1);
  EXPECT_EQ(headless.host.presents(), 1u);
  frame.presentShaken(-10);
  EXPECT_EQ(engine.composes, 1);
  EXPECT_EQ(headless.host.presents(), 2u);
  EXPECT_EQ(headless.host.lastShake(), -10);
  engine.runtime().moviePlaying = true;
  frame.present();
  EXPECT_EQ(headless.host.presents(), 2u);  // painting skipped under a movie
}

TEST_F(FrameFixture, DisplayModeSwitches) {
  writeGame();
  ASSERT_TRUE(frame.startUp());
  frame.toggleDisplayMode();  // Alt+Enter
  EXPECT_FALSE(engine.windowed);
  EXPECT_FALSE(headless.host.menu("MnWindow").checked);
  EXPECT_TRUE(headless.host.menu("MnFull16").checked);
  EXPECT_TRUE(frame.mouseMove(100, 7));
  EXPECT_FALSE(frame.mouseMove(100, 8));
  frame.toggleDisplayMode();
  EXPECT_TRUE(engine.windowed);
  EXPECT_TRUE(headless.host.menu("MnWindow").checked);
  EXPECT_TRUE(frame.mouseMove(100, 300));  // windowed: the menu bar is always there
  // The menu: the checked item and the hidden 32-bit item do nothing.
  window.log.clear();
  frame.displayModeMenuClick("MnWindow");
  frame.displayModeMenuClick("MnFull32");
  EXPECT_TRUE(window.log.empty());
  frame.displayModeMenuClick("MnFull16");
  EXPECT_EQ(window.log, std::vector<std::string>{"full screen"});
  frame.destroy();
  // Quitting in full screen: the desktop comes back first, the file says 0.
  EXPECT_EQ(window.log.back(), "restore desktop");
  EXPECT_NE(textFile(dir, "KOBRE.ini").find("Display=0"), std::string::npos);
}

TEST_F(FrameFixture, FullScreenSettingStartsInFullScreen) {
  writeGame();
  dir.write("KOBRE.ini", "[Window]\r\nDisplay=0\r\n");
  ASSERT_TRUE(frame.startUp());
  EXPECT_EQ(window.log, std::vector<std::string>{"full screen"});
  EXPECT_TRUE(headless.host.menu("MnFull16").checked);
}

TEST_F(FrameFixture, FontStyleReadAppliedAndWrittenBack) {
  struct Case {
    const char* style;
    bool bold, italic;
    const char* written;
  } cases[] = {{"0", false, false, "Style=0"}, {"1", true, false, "Style=1"},
               {"2", false, true, "Style=2"},  {"3", true, true, "Style=3"},
               {"7", false, false, "Style=0"}, {"-1", false, false, "Style=0"}};
  for (const Case& c : cases) {
    TempFolder folder;
    platform::headless::HeadlessPlatform hp(folder.str(), folder.str() + "/.data");
    FakeEngine eng(hp.platform());
    FakeWindow win;
    frame::MainFrame f(hp.platform(), eng, win);
    folder.write("scr/open.scr", "N\r\n");
    ASSERT_TRUE(writeSoundArchive(folder.str() + "/arc.wav"));
    folder.write("KOBRE.ini", std::string("[Font]\r\nName=IPAGothic\r\nStyle=") + c.style +
                                  "\r\n[Support]\r\nMail=a@b\r\n");
    ASSERT_TRUE(f.startUp());
    EXPECT_EQ(eng.messageFont.bold, c.bold) << c.style;
    EXPECT_EQ(eng.messageFont.italic, c.italic) << c.style;
    EXPECT_EQ(eng.messageFont.face, "IPAGothic");
    EXPECT_EQ(eng.smallFont.bold, c.bold);
    EXPECT_EQ(f.messageFont().pixelHeight, 22);
    // The support mail writes its section meanwhile; the exit keeps it.
    folder.write("KOBRE.ini", std::string("[Font]\r\nName=IPAGothic\r\nStyle=") + c.style +
                                  "\r\n[Support]\r\nMail=new@b\r\n");
    f.destroy();
    std::string text = textFile(folder, "KOBRE.ini");
    EXPECT_NE(text.find(c.written), std::string::npos) << c.style << text;
    EXPECT_NE(text.find("Mail=new@b"), std::string::npos);
  }
}

TEST_F(FrameFixture, SettingsReachTheRuntimeAndComeBack) {
  writeGame();
  dir.write("KOBRE.ini", "[Message]\r\nReaded=7\r\n[Volume]\r\nBgm=abc\r\nSe=40\r\n");
  ASSERT_TRUE(frame.startUp());
  EXPECT_TRUE(engine.runtime().settings.messageReaded);
  EXPECT_EQ(engine.runtime().settings.volumeBgm, 100);
  EXPECT_EQ(engine.runtime().settings.volumeSe, 40);
  engine.runtime().settings.volumeVoice = 55;  // changed by a dialog
  frame.destroy();
  std::string text = textFile(dir, "KOBRE.ini");
  for (const char* line : {"Readed=1\r\n", "Bgm=100\r\n", "Se=40\r\n", "Voice=55\r\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

}  // namespace
}  // namespace kobre::testing
