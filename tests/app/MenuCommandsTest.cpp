// The main menu's commands: over a stand-in engine for what the commands
// decide themselves, and through `kobre --headless` runs of generated games
// for what the running script sees.
#include "app/frame/MenuCommands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/HeadlessRunner.h"
#include "app/frame/FrameEngine.h"
#include "app/frame/MainFrame.h"
#include "common/SjisText.h"
#include "graphics/DIBSprite.h"
#include "script/Runtime.h"
#include "sound/SoundBuffer.h"
#include "tests/app/FrameFixture.h"
#include "tools/writers/ArchiveWriter.h"
#include "tools/writers/BmpWriter.h"
#include "tools/writers/ScriptWriter.h"
#include "tools/writers/WavWriter.h"

// Last: Qt's keywords would clash with names in the headers above.
#include <QImage>
#include <QString>

namespace kobre::testing {
namespace {

using frame::MenuCommands;
using frame::MenuDialogs;
using platform::BoxIcon;
using platform::BoxResult;

// Records what the commands ask of the dialogs; answers are scripted.
class FakeDialogs : public MenuDialogs {
 public:
  std::vector<std::string> suggested;
  std::vector<SaveResult> saveResults;  // taken in order; Saved when none is left
  int copies = 0;
  bool fontAnswer = false;
  platform::FontSpec fontChoice;
  std::vector<std::string> shown;

  SaveResult saveScreen(const std::string& name, const frame::ScreenPicture& picture) override {
    suggested.push_back(name);
    EXPECT_EQ(picture.size(), 800u * 600u);
    if (saveResults.empty()) return SaveResult::Saved;
    SaveResult r = saveResults.front();
    saveResults.erase(saveResults.begin());
    return r;
  }
  void copyScreen(const frame::ScreenPicture& picture) override {
    EXPECT_EQ(picture.size(), 800u * 600u);
    ++copies;
  }
  bool chooseFont(platform::FontSpec& font) override {
    shown.push_back("font");
    if (fontAnswer) font = fontChoice;
    return fontAnswer;
  }
  void showOptions() override { shown.push_back("options"); }
  void showPad() override { shown.push_back("pad"); }
  void showFlags() override { shown.push_back("flags"); }
  void supportMail() override { shown.push_back("mail"); }
};

// The stand-in engine with the menu services.
class MenuEngine : public FakeEngine {
 public:
  using FakeEngine::FakeEngine;
  int titleReloads = 0;
  bool reloadTitleScript() override {
    ++titleReloads;
    return true;
  }
  bool captureScreen(std::vector<uint32_t>& pixels) override {
    pixels.assign(800 * 600, 0x00336699);
    return true;
  }
  bool currentLine(int& number, std::string& text) override {
    number = 12;
    text = "bg \x94\x77\x8c\x69";  // "bg 背景" in CP932
    return true;
  }
};

class MenuCommandsTest : public ::testing::Test {
 protected:
  MenuCommandsTest()
      : headless(dir.str(), dir.str() + "/.data"),
        engine(headless.platform()),
        frame(headless.platform(), engine, window),
        commands(headless.platform(), frame, engine, dialogs) {}

  std::vector<std::string> boxTexts() const {
    std::vector<std::string> out;
    for (const auto& b : headless.host.boxes()) out.push_back(b.spec.text);
    return out;
  }

  TempFolder dir;
  platform::headless::HeadlessPlatform headless;
  MenuEngine engine;
  FakeWindow window;
  frame::MainFrame frame;
  FakeDialogs dialogs;
  MenuCommands commands;
};

TEST(CaptureFileName, FourDigits) {
  EXPECT_EQ(frame::captureFileName(0), "0000.bmp");
  EXPECT_EQ(frame::captureFileName(12), "0012.bmp");
  EXPECT_EQ(frame::captureFileName(12345), "12345.bmp");
}

TEST_F(MenuCommandsTest, ScreenSavesNumberOnlyTheFilesWritten) {
  using R = MenuDialogs::SaveResult;
  dialogs.saveResults = {R::Saved, R::Cancelled, R::Saved, R::Failed, R::Saved};
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(commands.run("MnDispSave"));
  EXPECT_EQ(dialogs.suggested,
            (std::vector<std::string>{"0000.bmp", "0001.bmp", "0001.bmp", "0002.bmp", "0002.bmp"}));
  EXPECT_EQ(commands.captureCount(), 3);
  // A fresh window (the next run) starts at 0 again.
  FakeDialogs other;
  MenuCommands next(headless.platform(), frame, engine, other);
  next.run("MnDispSave");
  EXPECT_EQ(other.suggested, (std::vector<std::string>{"0000.bmp"}));
  // The copy uses no number.
  commands.run("MnDispCopy");
  EXPECT_EQ(dialogs.copies, 1);
  EXPECT_EQ(commands.captureCount(), 3);
}

TEST_F(MenuCommandsTest, TitleQuestionNoLeavesEverythingYesReloads) {
  headless.host.queueAnswer(BoxResult::No);
  commands.run("MnTitle");
  EXPECT_EQ(engine.titleReloads, 0);
  EXPECT_FALSE(engine.runtime().returnToTitle);
  headless.host.queueAnswer(BoxResult::Yes);
  commands.run("MnTitle");
  EXPECT_EQ(engine.titleReloads, 1);
  EXPECT_TRUE(engine.runtime().returnToTitle);
  ASSERT_EQ(headless.host.boxes().size(), 2u);
  const auto& spec = headless.host.boxes()[0].spec;
  EXPECT_EQ(spec.caption, "KOBRE ver 1.32");
  EXPECT_EQ(spec.text, "タイトル画面に戻りますか？");
  EXPECT_EQ(spec.buttons, platform::BoxButtons::YesNo);
  EXPECT_EQ(spec.defaultButton, BoxResult::No);
  EXPECT_EQ(spec.icon, BoxIcon::Question);
}

TEST_F(MenuCommandsTest, FontChoiceKeepsTheHeights) {
  // A 36-point bold italic choice: face and style are taken, the heights
  // stay 22 and 18 pixels.
  dialogs.fontAnswer = true;
  dialogs.fontChoice = {"IPAGothic", 48, true, true};
  commands.run("MnFont");
  EXPECT_EQ(engine.messageFont.face, "IPAGothic");
  EXPECT_EQ(engine.messageFont.pixelHeight, 22);
  EXPECT_TRUE(engine.messageFont.bold && engine.messageFont.italic);
  EXPECT_EQ(engine.smallFont.face, "IPAGothic");
  EXPECT_EQ(engine.smallFont.pixelHeight, 18);
  EXPECT_TRUE(engine.smallFont.bold && engine.smallFont.italic);
  EXPECT_TRUE(engine.runtime().fontChanged);

  // Cancelled: nothing changes.
  engine.runtime().fontChanged = false;
  dialogs.fontAnswer = false;
  dialogs.fontChoice = {"Other", 10, false, false};
  commands.run("MnFont");
  EXPECT_EQ(engine.messageFont.face, "IPAGothic");
  EXPECT_FALSE(engine.runtime().fontChanged);

  commands.run("MnFontNormal");
  EXPECT_EQ(engine.messageFont.face, std::string(kSjisDefaultFontFace));
  EXPECT_EQ(engine.messageFont.pixelHeight, 22);
  EXPECT_FALSE(engine.messageFont.bold || engine.messageFont.italic);
  EXPECT_EQ(engine.smallFont.face, std::string(kSjisDefaultFontFace));
  EXPECT_EQ(engine.smallFont.pixelHeight, 18);
  EXPECT_TRUE(engine.runtime().fontChanged);
}

TEST_F(MenuCommandsTest, BoxesOfAboutCurrentLineAndShellFailures) {
  commands.run("MnAbout");
  commands.run("MnNowLine");
  headless.shell.setResult(2);
  commands.run("MnUpdate");
  commands.run("MnManual");
  headless.shell.setResult(33);
  commands.run("MnUpdate");
  commands.run("MnManual");

  const auto& boxes = headless.host.boxes();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].spec.text,
            "バージョン情報\nKOBRE ver 1.32\nKOBRE visual-novel runtime for Linux\n"
            "Written by the KOBRE developers\n\n");
  EXPECT_EQ(boxes[0].spec.icon, BoxIcon::Information);
  EXPECT_EQ(boxes[1].spec.text, "現在実行中の行\n\n12 bg 背景");
  EXPECT_EQ(boxes[1].spec.icon, BoxIcon::Warning);
  EXPECT_EQ(boxes[2].spec.text, "アップデータエラー");
  EXPECT_EQ(boxes[3].spec.text, "起動エラー");
  for (const auto& b : boxes) EXPECT_EQ(b.spec.caption, "KOBRE ver 1.32");
  // Started without waiting, with no parameters; above 32 is success.
  const auto& calls = headless.shell.calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0], (std::pair<std::string, std::string>{"upfetch.exe", ""}));
  EXPECT_EQ(calls[1], (std::pair<std::string, std::string>{"Manual\\Manual.html", ""}));
}

TEST_F(MenuCommandsTest, DialogItemsFlagsAndUnknownNames) {
  for (const char* item : {"MnOption", "MnPad", "MnFlag", "MnMail"}) commands.run(item);
  EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"options", "pad", "flags", "mail"}));
  commands.run("MnKaisouExit");
  EXPECT_TRUE(engine.runtime().returnToMenu);
  EXPECT_TRUE(commands.run("MnOpen"));
  EXPECT_FALSE(commands.run("MnFile"));
  EXPECT_FALSE(commands.run(""));
  EXPECT_FALSE(commands.run("MnNoSuchItem"));
  EXPECT_TRUE(headless.host.boxes().empty());
  // Exit is the window's close request (its question runs there).
  commands.run("MnExit");
  EXPECT_EQ(headless.host.closeRequests(), 1);
  for (std::string_view item : MenuCommands::commandNames()) {
    EXPECT_TRUE(item == "MnKaisouExit" || item == "MnSkip" || !MenuCommands::menuOf(item).empty())
        << item;
  }
}

// --- whole runs of generated games ---------------------------------------

class Game {
 public:
  explicit Game(const std::string& openScript) {
    std::vector<uint8_t> script;
    EXPECT_TRUE(writers::ScriptWriter().build(openScript, {}, script));
    writers::ArchiveWriter scripts;
    scripts.add("open.scr", script);
    EXPECT_TRUE(scripts.writeFile(dir.str() + "/arc.scr", true));
    // Pictures and sounds as loose files, as a game maker tries them.
    writers::ArchiveWriter images;
    images.add("dummy.bmp", std::string_view("x"));
    EXPECT_TRUE(images.writeFile(dir.str() + "/arc.cg", true));
    std::vector<uint32_t> pixels(800 * 600, 0x00204080);
    dir.write("cg/back.bmp", writers::writeBmp24(800, 600, pixels));
    std::vector<uint32_t> frame(760 * 150, 0x00101010);
    dir.write("cg/frame.bmp", writers::writeBmp24(760, 150, frame));
    writers::ArchiveWriter sounds;
    sounds.add("dummy.wav", std::string_view("x"));
    EXPECT_TRUE(sounds.writeFile(dir.str() + "/arc.wav", false));
    std::vector<int16_t> samples(44100, 1000);
    dir.write("wav/music.wav", writers::writePcmWave(samples, 44100, 1));
  }
  void input(std::string_view text) { dir.write("input.txt", text); }
  TempFolder dir;
};

struct RunOutput {
  int code;
  std::string out, err;
};

RunOutput runGame(Game& game, app::HeadlessOptions o,
                  const std::function<void(app::HeadlessRunner&)>& setup = {}) {
  o.gameFolder = game.dir.str();
  if (game.dir.exists("input.txt")) o.inputFile = game.dir.str() + "/input.txt";
  std::ostringstream out, err;
  app::HeadlessRunner runner(std::move(o), out, err);
  if (setup) setup(runner);
  const int code = runner.run();
  return {code, out.str(), err.str()};
}

bool anySpriteLoaded(const Runtime& rt) {
  for (const DIBSprite* s : rt.spriteSlots)
    if (s != nullptr && s->isLoaded()) return true;
  return false;
}

bool anySoundLoaded(Runtime& rt) {
  if (rt.soundChannels == nullptr) return false;
  for (int i = 0; i < kSoundChannelCount; ++i)
    if ((*rt.soundChannels)[i].isLoaded()) return true;
  return false;
}

TEST(MenuRun, TitleAnsweredNoLeavesTheScriptYesRestartsItBare) {
  // Each pass of the script counts in A; the picture and music make a scene.
  for (bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "yes" : "no");
    Game game("A=A+1\nbg back FADE_IN\nbgm music LOOP\nwait 2\nwait 2\n");
    game.input("20 menu MnTitle\n");
    app::HeadlessOptions o;
    o.answerYes = yes;
    o.maxPolls = 4000;
    o.dumpState = game.dir.str() + "/state.dat";
    bool checked = false;
    bool sceneBefore = false, spritesAfter = true, soundAfter = true;
    RunOutput r = runGame(game, o, [&](app::HeadlessRunner& runner) {
      runner.onPump([&] {
        auto& rt = runner.engine().runtime();
        const uint64_t polls = runner.headless().host.polls();
        if (polls == 18) sceneBefore = anySpriteLoaded(rt) && anySoundLoaded(rt);
        // The pump after the one that clicked: the old scene is gone before
        // the title script runs again.
        if (polls == 20 && !checked) {
          checked = true;
          spritesAfter = anySpriteLoaded(rt);
          soundAfter = anySoundLoaded(rt);
        }
      });
    });
    EXPECT_NE(r.out.find("BOX\tKOBRE ver 1.32\tタイトル画面に戻りますか？"), std::string::npos)
        << r.out;
    EXPECT_TRUE(sceneBefore);
    ASSERT_TRUE(checked);
    EXPECT_EQ(spritesAfter, !yes);
    EXPECT_EQ(soundAfter, !yes);
    auto dump = game.dir.read("state.dat");
    ASSERT_EQ(dump.size(), sizeof(GameState));
    GameState state;
    std::memcpy(&state, dump.data(), sizeof state);
    // No: one pass to the end. Yes: the title script ran again from its top.
    EXPECT_EQ(state.variable('A'), yes ? 2 : 1);
  }
}

TEST(MenuRun, SkipCaptionFollowsTwoClicks) {
  Game game("wait 3\n");
  game.input("5 menu MnSkip\n10 menu MnSkip\n");
  app::HeadlessOptions o;
  std::vector<std::string> captions;
  RunOutput r = runGame(game, o, [&](app::HeadlessRunner& runner) {
    runner.onPump([&] {
      const uint64_t polls = runner.headless().host.polls();
      if ((polls == 6 || polls == 11) && captions.size() < (polls == 6 ? 1u : 2u))
        captions.push_back(runner.headless().host.menu("MnSkip").caption);
    });
  });
  EXPECT_EQ(captions, (std::vector<std::string>{"スキップ中(&S)", "スキップ停止中(&S)"})) << r.err;
}

TEST(MenuRun, FontChoiceStillDrawsMessagesAt22Pixels) {
  Game game("window 0 20 440 760 150 30 20 30 4 frame 0 0\nwait 1\nあいう\n");
  app::HeadlessOptions o;
  o.autoOk = true;
  o.maxPolls = 3000;
  FakeDialogs dialogs;
  dialogs.fontAnswer = true;
  dialogs.fontChoice = {"IPAGothic", 48, true, false};  // a 36-point bold choice
  std::vector<platform::headless::HeadlessTextRasterizer::Run> runs;
  RunOutput r = runGame(game, o, [&](app::HeadlessRunner& runner) {
    runner.onPump([&runner, &dialogs, &runs] {
      auto& raster = runner.headless().raster;
      if (dialogs.shown.empty() && runner.headless().host.polls() == 3) {
        MenuCommands commands(runner.headless().platform(), runner.frame(), runner.engine(),
                              dialogs);
        commands.run("MnFont");
        raster.clear();
      }
      runs = raster.runs();
    });
  });
  ASSERT_EQ(dialogs.shown.size(), 1u) << r.err;
  ASSERT_FALSE(runs.empty()) << r.out << r.err;
  for (const auto& run : runs) {
    if (run.text.empty() || static_cast<unsigned char>(run.text[0]) < 0x80) continue;
    EXPECT_EQ(run.font.face, "IPAGothic");
    EXPECT_EQ(run.font.pixelHeight, 22);
    EXPECT_TRUE(run.font.bold);
  }
}

TEST(MenuRun, ScreenSavesWriteNumberedBitmapsOfTheScreen) {
  Game game("bg back FADE_IN\nwait 3\n");
  game.input("100 menu MnDispSave\n130 menu MnDispSave\n150 menu MnDispCopy\n");
  app::HeadlessOptions o;
  RunOutput r = runGame(game, o);
  EXPECT_EQ(r.code, 0) << r.err;
  const std::string folder = game.dir.str();
  for (const char* name : {"0000.bmp", "0001.bmp"}) {
    SCOPED_TRACE(name);
    QImage image(QString::fromStdString(folder + "/" + name));
    ASSERT_FALSE(image.isNull()) << r.out << r.err;
    EXPECT_EQ(image.width(), 800);
    EXPECT_EQ(image.height(), 600);
    EXPECT_EQ(image.pixel(400, 300) & 0xFFFFFF, 0x204080u);
  }
  EXPECT_FALSE(game.dir.exists("0002.bmp"));
}

TEST(MenuRun, HiddenItemsAreNotClickedUntilTheDebugMenuIsShown) {
  for (bool debugMenu : {false, true}) {
    SCOPED_TRACE(debugMenu);
    Game game("wait 2\n");
    game.input("5 menu MnNowLine\n6 menu MnManual\n");
    app::HeadlessOptions o;
    o.debugMenu = debugMenu;
    RunOutput r = runGame(game, o);
    EXPECT_EQ(r.out.find("現在実行中の行") != std::string::npos, debugMenu) << r.out;
    EXPECT_NE(r.err.find("menu item MnManual at poll 6 is hidden or disabled"), std::string::npos)
        << r.err;
    if (debugMenu) {
      EXPECT_NE(r.out.find("BOX\tKOBRE ver 1.32\t現在実行中の行\\n\\n1 wait 2"), std::string::npos)
          << r.out;
    }
  }
}

TEST(MenuRun, InputLinesForMenuItems) {
  std::vector<platform::headless::InputStep> steps;
  std::vector<platform::headless::PadStep> pad;
  std::vector<app::MenuStep> menu;
  std::string error;
  ASSERT_TRUE(app::parseInputScript("3 Ok\n7 menu MnTitle\n# note\n5 MENU MnSkip\n", steps, pad,
                                    menu, error))
      << error;
  ASSERT_EQ(menu.size(), 2u);
  EXPECT_EQ(menu[0].poll, 7u);
  EXPECT_EQ(menu[0].item, "MnTitle");
  EXPECT_EQ(menu[1].item, "MnSkip");
  EXPECT_EQ(steps.size(), 1u);
  const char* bad[] = {"5 menu\n",         "5 menu MnTitle extra\n", "0 menu MnTitle\n",
                       "x menu MnTitle\n", "5 menu MnFile\n",        "5 menu mntitle\n"};
  for (const char* text : bad) {
    EXPECT_FALSE(app::parseInputScript(text, steps, pad, menu, error)) << text;
    EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << error;
  }
}

}  // namespace
}  // namespace kobre::testing
