#include "app/HeadlessRunner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/frame/MainFrame.h"
#include "app/frame/RuntimeEngine.h"
#include "common/Buttons.h"
#include "platform/posix/InstanceLock.h"
#include "script/GameState.h"
#include "tests/app/FrameFixture.h"
#include "tools/writers/ArchiveWriter.h"
#include "tools/writers/BmpWriter.h"
#include "tools/writers/ScriptWriter.h"
#include "tools/writers/WavWriter.h"

// Last: Qt's keywords (slots, signals) would clash with names in the headers above.
#include <QImage>
#include <QString>

namespace kobre::testing {
namespace {

using app::HeadlessOptions;
using app::HeadlessRunner;
using platform::headless::InputStep;

TEST(HeadlessArguments, ParsesEveryOption) {
  HeadlessOptions o;
  std::string error;
  ASSERT_TRUE(app::parseHeadlessArguments(
      {"--input", "in.txt", "--auto-ok", "--answer", "yes", "--max-polls", "500", "--dump-state",
       "s.dat", "--screenshot", "a.png@3", "--screenshot", "b@x.png@10", "game"},
      o, error))
      << error;
  EXPECT_EQ(o.inputFile, "in.txt");
  EXPECT_TRUE(o.autoOk);
  EXPECT_TRUE(o.answerYes);
  EXPECT_EQ(o.maxPolls, 500u);
  EXPECT_EQ(o.dumpState, "s.dat");
  ASSERT_EQ(o.screenshots.size(), 2u);
  EXPECT_EQ(o.screenshots[0].path, "a.png");
  EXPECT_EQ(o.screenshots[0].poll, 3u);
  EXPECT_EQ(o.screenshots[1].path, "b@x.png");
  EXPECT_EQ(o.screenshots[1].poll, 10u);
  EXPECT_EQ(o.gameFolder, "game");
}

TEST(HeadlessArguments, RefusesWhatItDoesNotKnow) {
  const std::vector<std::vector<std::string>> bad = {{"--answer", "maybe", "g"},
                                                     {"--max-polls", "x", "g"},
                                                     {"--max-polls", "0", "g"},
                                                     {"--screenshot", "a.png", "g"},
                                                     {"--screenshot", "a.png@", "g"},
                                                     {"--input"},
                                                     {"--frobnicate", "g"},
                                                     {"g1", "g2"},
                                                     {"--auto-choose", "middle", "g"},
                                                     {"--auto-choose", "random:x", "g"},
                                                     {"--auto-choose"}};
  for (const auto& args : bad) {
    HeadlessOptions o;
    std::string error;
    EXPECT_FALSE(app::parseHeadlessArguments(args, o, error)) << args[0];
    EXPECT_FALSE(error.empty());
  }
}

TEST(HeadlessInput, ParsesLines) {
  std::vector<InputStep> steps;
  std::string error;
  ASSERT_TRUE(app::parseInputScript("# comment\n\n1 Ok\r\n5 -  \n7 up+WheelDown+Save 10,20\n",
                                    steps, error))
      << error;
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].poll, 1u);
  EXPECT_EQ(steps[0].buttons, kButtonOk);
  EXPECT_EQ(steps[0].x, -1);
  EXPECT_EQ(steps[1].buttons, 0u);
  EXPECT_EQ(steps[2].poll, 7u);
  EXPECT_EQ(steps[2].buttons, kButtonUp | kButtonWheelDown | kButtonSave);
  EXPECT_EQ(steps[2].x, 10);
  EXPECT_EQ(steps[2].y, 20);

  for (const char* bad :
       {"x Ok", "0 Ok", "3", "3 Jump", "3 Ok+", "3 Ok 1;2", "3 Ok -1,5", "3 Ok 1,2 extra"}) {
    EXPECT_FALSE(app::parseInputScript(std::string("1 Ok\n") + bad + "\n", steps, error)) << bad;
    EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
  }
}

TEST(HeadlessBoxes, OneLinePerBox) {
  platform::MessageBoxSpec spec;
  spec.caption = "KOBRE ver 1.32";
  spec.text = "データファイルが読めません\narc.scr";
  EXPECT_EQ(app::boxLine(spec), "BOX\tKOBRE ver 1.32\tデータファイルが読めません\\narc.scr");
}

TEST(HeadlessPng, WritesRgbThatReadsBackPixelForPixel) {
  TempFolder dir;
  std::vector<uint32_t> pixels(4 * 3);
  // The top byte is not colour: whatever it holds stays out of the file.
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = (i % 2 ? 0x00000000u : 0xFF000000u) | static_cast<uint32_t>(i * 0x150B03);
  const std::string path = dir.str() + "/shot.png";
  ASSERT_TRUE(app::writePng(path, pixels.data(), 4, 3));
  std::vector<uint8_t> bytes = dir.read("shot.png");
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
  QImage image(QString::fromStdString(path), "PNG");
  ASSERT_EQ(image.width(), 4);
  ASSERT_EQ(image.height(), 3);
  EXPECT_FALSE(image.hasAlphaChannel());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(image.pixel(x, y) & 0xFFFFFFu, pixels[static_cast<size_t>(y * 4 + x)] & 0xFFFFFFu)
          << x << "," << y;
  EXPECT_FALSE(app::writePng(dir.str() + "/no-such-folder/shot.png", pixels.data(), 4, 3));
}

// A generated game folder for whole runs.
class GameFolder {
 public:
  explicit GameFolder(
      const std::string& openScript, bool scriptArchive = true, bool soundArchive = true,
      const std::vector<std::pair<std::string, std::vector<uint8_t>>>& sounds = {}) {
    std::vector<uint8_t> script;
    EXPECT_TRUE(writers::ScriptWriter().build(openScript, {}, script));
    writers::ArchiveWriter scripts;
    scripts.add("open.scr", script);
    if (scriptArchive) {
      EXPECT_TRUE(scripts.writeFile(dir.str() + "/arc.scr", true));
    } else {
      dir.write("scr/open.scr", script);
    }
    writers::ArchiveWriter images;
    images.add("dummy.bmp", std::string_view("x"));
    EXPECT_TRUE(images.writeFile(dir.str() + "/arc.cg", true));
    writers::ArchiveWriter archive;
    archive.add("dummy.wav", std::string_view("x"));
    for (const auto& [name, bytes] : sounds) archive.add(name, bytes);
    if (soundArchive) {
      EXPECT_TRUE(archive.writeFile(dir.str() + "/arc.wav", false));
    }
  }
  std::string str() const { return dir.str(); }
  TempFolder dir;
};

struct RunResult {
  int code;
  std::string out, err;
  std::vector<std::string> boxes() const {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

RunResult runIn(HeadlessOptions options, const std::function<void(HeadlessRunner&)>& setup = {}) {
  std::ostringstream out, err;
  HeadlessRunner runner(std::move(options), out, err);
  if (setup) setup(runner);
  int code = runner.run();
  return {code, out.str(), err.str()};
}

const std::string kEnded = "BOX\tスクリプトエラー\t最後まで実行しました";

TEST(HeadlessRun, ScriptRunsToItsEndAndExitsNormally) {
  GameFolder game("A=5\nwait 1\n");
  HeadlessOptions o;
  o.gameFolder = game.str();
  o.dumpState = game.dir.str() + "/state.dat";
  RunResult r = runIn(o);
  EXPECT_EQ(r.code, 0) << r.err;
  ASSERT_EQ(r.boxes().size(), 1u) << r.out;
  EXPECT_EQ(r.boxes()[0].rfind(kEnded, 0), 0u) << r.out;
  EXPECT_TRUE(std::filesystem::exists(game.dir.path("KOBRE.ini")));
  EXPECT_FALSE(std::filesystem::exists(game.dir.path("Read.dat")));
  std::vector<uint8_t> dump = game.dir.read("state.dat");
  ASSERT_EQ(dump.size(), kGameStateSize);
  GameState state;
  std::memcpy(&state, dump.data(), sizeof state);
  EXPECT_TRUE(state.checksumMatches());
  EXPECT_EQ(state.variable('A'), 5);
}

TEST(HeadlessRun, StartUpFailuresAndTheSettingsFile) {
  struct Case {
    const char* name;
    bool scriptArchive, soundArchive, looseScript, openScript;
    int screenWidth;
    std::string frameBox;
    int code;
    bool settingsWritten;
  } cases[] = {
      {"arc.scr missing, loose scripts", false, true, true, true, 1920,
       "BOX\tKOBRE ver 1.32\tデータファイルが読めません\\narc.scr", 0, true},
      {"arc.wav missing", true, false, false, true, 1920,
       "BOX\tKOBRE ver 1.32\tデータファイルが読めません\\narc.wav", 1, false},
      {"open script missing", true, true, false, false, 1920,
       "BOX\tKOBRE ver 1.32\tシナリオが初期化できません", 1, false},
      {"desktop too small", true, true, false, true, 640,
       "BOX\tKOBRE ver 1.32\tデスクトップを 800 × 600 ハイカラー以上にして下さい", 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameFolder game(c.openScript ? "wait 1\n" : "", c.scriptArchive, c.soundArchive);
    if (!c.openScript) {
      // An archive without the open script.
      writers::ArchiveWriter scripts;
      scripts.add("other.scr", std::string_view("N\r\n"));
      ASSERT_TRUE(scripts.writeFile(game.str() + "/arc.scr", true));
    }
    HeadlessOptions o;
    o.gameFolder = game.str();
    RunResult r = runIn(o, [&](HeadlessRunner& runner) {
      runner.headless().host.setScreen(c.screenWidth, c.screenWidth * 3 / 4, 32);
    });
    EXPECT_EQ(r.code, c.code) << r.out << r.err;
    // The frame's box comes first when start-up goes on; a fatal one comes
    // last, after any box of the layer that failed (the script loader's).
    auto boxes = r.boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(c.code == 1 ? boxes.back() : boxes.front(), c.frameBox) << r.out;
    if (c.code == 0) {
      EXPECT_EQ(boxes.back().rfind(kEnded, 0), 0u) << r.out;
    }
    EXPECT_EQ(std::filesystem::exists(game.dir.path("KOBRE.ini")), c.settingsWritten);
  }
}

TEST(HeadlessRun, MaxPollsRunsOut) {
  GameFolder game("wait 100\n");
  HeadlessOptions o;
  o.gameFolder = game.str();
  o.maxPolls = 20;
  RunResult r = runIn(o);
  EXPECT_EQ(r.code, app::kExitPollsRanOut) << r.out << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
}

TEST(HeadlessRun, AudioOutHoldsWhatTheMixerPlayedInVirtualTime) {
  const auto tone = writers::makeSineWave(44100, 44100, 2, 440.0);
  GameFolder game("se1 tone\nwait 2\n", true, true,
                  {{"tone.wav", writers::writePcmWave(tone, 44100, 2)}});
  HeadlessOptions o;
  o.gameFolder = game.str();
  o.audioOut = game.dir.str() + "/out.wav";
  RunResult r = runIn(o);
  EXPECT_EQ(r.code, app::kExitNormal) << r.out << r.err;
  std::ifstream in(o.audioOut, std::ios::binary);
  std::vector<uint8_t> wav((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(wav.size(), 44u);
  auto u32 = [&](size_t at) {
    return uint32_t(wav[at]) | uint32_t(wav[at + 1]) << 8 | uint32_t(wav[at + 2]) << 16 |
           uint32_t(wav[at + 3]) << 24;
  };
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(u32(24), 44100u);  // sample rate
  EXPECT_EQ(wav[22], 2);       // stereo
  const size_t frames = (wav.size() - 44) / 4;
  EXPECT_GE(frames, 2u * 44100u);  // the two seconds of the wait, at least
  EXPECT_LT(frames, 4u * 44100u);  // and no real-time drift beyond it
  // The looping effect is heard in the second second as well.
  int loud = 0;
  for (size_t f = 44100 + 100; f < 44100 + 1100; ++f) {
    int16_t left = static_cast<int16_t>(wav[44 + f * 4] | wav[45 + f * 4] << 8);
    if (left > 2000 || left < -2000) ++loud;
  }
  EXPECT_GT(loud, 300);
}

TEST(HeadlessRun, MaxPollsAlsoEndsALoopThatNeverWaits) {
  // A goto loop never polls for input; the limit still ends the run.
  GameFolder game("@top\nA=A+1\ngoto top\n");
  HeadlessOptions o;
  o.gameFolder = game.str();
  o.maxPolls = 5;
  RunResult r = runIn(o);
  EXPECT_EQ(r.code, app::kExitPollsRanOut) << r.out << r.err;
}

TEST(HeadlessRun, ScreenshotOfTheFirstPictureAfterAPoll) {
  GameFolder game("wait 1\n");
  HeadlessOptions o;
  o.gameFolder = game.str();
  o.screenshots.push_back({game.dir.str() + "/shot.png", 5, false});
  o.screenshots.push_back({game.dir.str() + "/never.png", 1000000, false});
  RunResult r = runIn(o);
  EXPECT_EQ(r.code, 0);
  std::vector<uint8_t> png = game.dir.read("shot.png");
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png[1], 'P');
  EXPECT_FALSE(std::filesystem::exists(game.dir.path("never.png")));
  EXPECT_NE(r.err.find("after poll 1000000"), std::string::npos);
}

// Three labels, the middle one empty: two boxes shown, numbered 1 and 3.
GameState playChoice(const std::vector<std::string>& extraArgs, RunResult& result) {
  GameFolder game(
      "window_sel 1 100 100 300 40 10 8 20 1 0 50 selbox 0 0\nF2046=1\n"
      "def_sel A\ndef_sel NULL\ndef_sel C\nselect 1\n");
  game.dir.write("cg/selbox.bmp",
                 writers::writeBmp24(300, 40, std::vector<uint32_t>(300 * 40, 0x203040)));
  std::vector<std::string> args = extraArgs;
  args.insert(args.end(),
              {"--max-polls", "200", "--dump-state", game.str() + "/state.dat", game.str()});
  HeadlessOptions o;
  std::string error;
  EXPECT_TRUE(app::parseHeadlessArguments(args, o, error)) << error;
  result = runIn(o);
  GameState state{};
  std::vector<uint8_t> dump = game.dir.read("state.dat");
  EXPECT_EQ(dump.size(), sizeof state);
  if (dump.size() == sizeof state) std::memcpy(&state, dump.data(), sizeof state);
  return state;
}

TEST(HeadlessRun, AutoChooseGetsPastAChoice) {
  struct Case {
    std::vector<std::string> args;
    std::vector<int32_t> picks;  // the values S may take
  };
  const Case cases[] = {
      {{"--auto-choose", "first"}, {1}},
      {{"--auto-ok", "--auto-choose", "last"}, {3}},
      {{"--auto-choose", "random:7"}, {1, 3}},
      {{"--auto-choose", "random"}, {1, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[c.args.size() - 1]);
    RunResult r;
    GameState state = playChoice(c.args, r);
    EXPECT_EQ(r.code, app::kExitNormal) << r.out << r.err;
    EXPECT_NE(std::find(c.picks.begin(), c.picks.end(), state.variable('S')), c.picks.end())
        << state.variable('S');
    ASSERT_FALSE(r.boxes().empty());
    EXPECT_EQ(r.boxes().back().rfind(kEnded, 0), 0u) << r.out;
  }
  // A random run without a seed says which seed it drew, so it can be replayed.
  RunResult drawn;
  playChoice({"--auto-choose", "random"}, drawn);
  EXPECT_NE(drawn.err.find("--auto-choose random:"), std::string::npos) << drawn.err;
  // --auto-ok alone never gets past the choice.
  RunResult stuck;
  EXPECT_EQ(playChoice({"--auto-ok"}, stuck).variable('S'), 0);
  EXPECT_EQ(stuck.code, app::kExitPollsRanOut);
}

TEST(HeadlessRun, AutoChooseWithTheSameSeedPicksTheSame) {
  for (const char* seed : {"random:1", "random:2", "random:3"}) {
    RunResult a, b;
    EXPECT_EQ(playChoice({"--auto-choose", seed}, a).variable('S'),
              playChoice({"--auto-choose", seed}, b).variable('S'))
        << seed;
  }
}

TEST(HeadlessRun, SpriteDumpListsTheOccupiedSlots) {
  GameFolder game("bg1 pic\nwindow 0 20 440 760 150 30 20 30 4 nopic 0 0\nあいう\n");
  std::vector<uint32_t> px(64 * 32, 0x336699);
  game.dir.write("cg/pic.bmp", writers::writeBmp24(64, 32, px));
  HeadlessOptions bad, o;
  std::string error;
  EXPECT_FALSE(app::parseHeadlessArguments({"--dump-sprites", "x@y", game.str()}, bad, error));
  ASSERT_TRUE(app::parseHeadlessArguments(
      {"--dump-sprites", game.dir.str() + "/s.txt@300", "--dump-sprites",
       game.dir.str() + "/late.txt@99999", "--max-polls", "400", game.str()},
      o, error))
      << error;
  ASSERT_EQ(o.spriteDumps.size(), 2u);
  EXPECT_EQ(o.spriteDumps[0].poll, 300u);
  RunResult r = runIn(o);
  const auto bytes = game.dir.read("s.txt");
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u) << std::string(bytes.begin(), bytes.end());
  EXPECT_EQ(lines[0], "0\tpicture\tcg\\pic.bmp\t0\t0\t1\t0");
  EXPECT_EQ(lines[1], "5\tbox\t\t20\t440\t1\t0");
  EXPECT_EQ(lines[2].rfind("7\ttext\tあいう", 0), 0u) << lines[2];
  EXPECT_EQ(std::count(lines[2].begin(), lines[2].end(), '\t'), 6);
  EXPECT_FALSE(std::filesystem::exists(game.dir.path("late.txt")));
  EXPECT_NE(r.err.find("after poll 99999"), std::string::npos);
}

TEST(HeadlessRun, QuitQuestionAnsweredNoThenYes) {
  for (bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "yes" : "no");
    GameFolder game("wait 5\n");
    HeadlessOptions o;
    o.gameFolder = game.str();
    o.answerYes = yes;
    bool asked = false;
    RunResult r = runIn(o, [&](HeadlessRunner& runner) {
      runner.onPump([&runner, &asked] {
        // The File menu's Exit, chosen while the script waits.
        if (!asked && runner.headless().host.polls() == 10) {
          asked = true;
          auto& rt = runner.engine().runtime();
          rt.readRecord.addScript("scr\\open.scr");
          rt.readRecord.markRead("scr\\open.scr", 3);
          runner.engine().runtime().platform.host->requestClose();
        }
      });
    });
    EXPECT_EQ(r.code, 0);
    auto boxes = r.boxes();
    ASSERT_GE(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "BOX\tKOBRE ver 1.32\t本当に終了してもよろしいですか？");
    EXPECT_EQ(std::filesystem::exists(game.dir.path("Read.dat")), yes);
    if (yes) {
      EXPECT_EQ(boxes.size(), 1u) << r.out;  // ended at once, without the script's end
    } else {
      EXPECT_EQ(boxes.back().rfind(kEnded, 0), 0u) << r.out;  // ran on to the end
    }
  }
}

TEST(HeadlessRun, ShakeBandsThroughTheBackBuffer) {
  GameFolder game("wait 1\n");
  // A picture filling the screen with one colour.
  std::vector<uint32_t> red(800 * 600, 0xFF0000);
  game.dir.write("cg/red.bmp", writers::writeBmp24(800, 600, red));
  HeadlessOptions o;
  o.gameFolder = game.str();
  std::ostringstream out, err;
  HeadlessRunner runner(o, out, err);
  auto& host = runner.headless().host;
  frame::MainFrame& f = runner.frame();
  auto& engine = static_cast<frame::RuntimeEngine&>(runner.engine());
  ASSERT_TRUE(f.startUp());
  DIBSprite& sprite = (*engine.spriteSlots())[0];
  ASSERT_TRUE(sprite.loadImage("cg\\red.bmp"));
  sprite.show();
  f.present();
  const auto& frame0 = host.lastFrame();
  EXPECT_EQ(frame0[0] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(frame0[599 * 800 + 799] & 0xFFFFFF, 0xFF0000u);
  struct Case {
    int offset, firstBlack, lastBlack;
  } cases[] = {{-10, 590, 599}, {10, 0, 9}, {0, -1, -1}};
  for (const Case& c : cases) {
    f.presentShaken(c.offset);
    const auto& px = host.lastFrame();
    for (int y = 0; y < 600; ++y) {
      bool black = y >= c.firstBlack && y <= c.lastBlack;
      ASSERT_EQ(px[static_cast<size_t>(y) * 800 + 400] & 0xFFFFFF, black ? 0u : 0xFF0000u)
          << "offset " << c.offset << " row " << y;
    }
  }
  f.destroy();
}

// The program itself, as game makers run it.
RunResult runProgram(const std::string& args, const std::string& lockFolder) {
  // A run that hangs (a desktop window nobody closes) fails instead.
  std::string command =
      "XDG_RUNTIME_DIR='" + lockFolder + "' timeout 120 '" + KOBRE_PROGRAM + "' " + args;
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, {}};
}

TEST(HeadlessProgram, RunsAGameFolderWithAnInputFile) {
  GameFolder game("wait 1\n");
  TempFolder lock;
  game.dir.write("input.txt", "1 Ok 10,10\n3 -\n");
  RunResult r = runProgram(
      "--headless --input '" + game.str() + "/input.txt' '" + game.str() + "' 2>/dev/null",
      lock.str());
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out.rfind(kEnded, 0), 0u) << r.out;
}

TEST(HeadlessProgram, ExitCodes) {
  TempFolder lock;
  GameFolder broken("wait 1\n", true, /*soundArchive=*/false);
  RunResult r = runProgram("--headless '" + broken.str() + "'", lock.str());
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "BOX\tKOBRE ver 1.32\tデータファイルが読めません\\narc.wav\n");
  RunResult missing = runProgram("--headless '" + lock.str() + "/no-such-game'", lock.str());
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.out, "BOX\tKOBRE ver 1.32\tフォルダが変更できません\n");
  GameFolder slow("wait 100\n");
  EXPECT_EQ(runProgram("--headless --max-polls 5 '" + slow.str() + "'", lock.str()).code, 3);
  EXPECT_EQ(
      runProgram("--headless --answer perhaps '" + slow.str() + "' 2>/dev/null", lock.str()).code,
      2);
}

// The colour of one pixel of a PNG screenshot (0xFFFFFFFF when unreadable).
uint32_t pngPixel(const std::string& path, int x, int y) {
  QImage image(QString::fromStdString(path), "PNG");
  if (image.isNull()) return 0xFFFFFFFFu;
  return image.pixel(x, y) & 0xFFFFFFu;
}

TEST(HeadlessProgram, ShowsALoosePictureWhoseNameHasByte5C) {
  // "ソ" is 0x83 0x5C in the script; on disk the name is UTF-8.
  GameFolder game("bg ソラ FADE_NONE\nwait 20\n");
  TempFolder lock;
  std::vector<uint32_t> sky(800 * 600, 0x3366CC);
  game.dir.write("cg/ソラ.bmp", writers::writeBmp24(800, 600, sky));
  RunResult r = runProgram(
      "--headless --auto-ok --screenshot '" + game.str() + "/shot.png@5' '" + game.str() + "' 2>&1",
      lock.str());
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(r.out.find("ファイルが存在しない"), std::string::npos) << r.out;
  EXPECT_EQ(pngPixel(game.str() + "/shot.png", 400, 300), 0x3366CCu);
  EXPECT_EQ(pngPixel(game.str() + "/shot.png", 0, 0), 0x3366CCu);
}

// Waits (up to a while) for a reader of the FIFO at path and opens it for
// writing; -1 when no reader came.
int openFifoWriter(const std::string& path) {
  for (int i = 0; i < 2000; ++i) {
    int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) return fd;
    ::usleep(10000);
  }
  return -1;
}

TEST(HeadlessProgram, RunsOfOtherFoldersGoSideBySideWhileTheDesktopPlays) {
  TempFolder lock;
  platform::InstanceLock desktop;  // as a desktop kobre holds it
  ASSERT_EQ(desktop.acquire(lock.str() + "/KOBRE_MUTEX_OBJECT"),
            platform::InstanceLock::Result::Acquired);
  // Run A waits for its input from a FIFO: it holds its folder's lock while
  // B and C start.
  GameFolder a("wait 1\n"), b("wait 1\n");
  const std::string fifo = lock.str() + "/input";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string commandA = "XDG_RUNTIME_DIR='" + lock.str() + "' timeout 120 '" +
                               KOBRE_PROGRAM + "' --headless --input '" + fifo + "' '" + a.str() +
                               "' 2>&1";
  FILE* runA = popen(commandA.c_str(), "r");
  ASSERT_NE(runA, nullptr);
  const int writer = openFifoWriter(fifo);  // A has its lock and reads its input
  EXPECT_GE(writer, 0);

  RunResult runB = runProgram("--headless '" + b.str() + "' 2>&1", lock.str());
  EXPECT_EQ(runB.code, 0) << runB.out;
  EXPECT_EQ(runB.out.rfind(kEnded, 0), 0u) << runB.out;

  // A second run of A's folder ends at once, says why, and touches nothing.
  RunResult runC = runProgram("--headless '" + a.str() + "' 2>&1", lock.str());
  EXPECT_EQ(runC.code, 1);
  EXPECT_NE(runC.out.find("in use by another run"), std::string::npos) << runC.out;
  EXPECT_EQ(runC.out.find("BOX"), std::string::npos) << runC.out;
  EXPECT_FALSE(std::filesystem::exists(a.dir.path("KOBRE.ini")));

  if (writer >= 0) {
    EXPECT_EQ(::write(writer, "1 -\n", 4), 4);
    ::close(writer);
  }
  std::string outA;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, runA)) > 0) outA.append(buffer, n);
  const int status = pclose(runA);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << outA;
  EXPECT_EQ(outA.rfind(kEnded, 0), 0u) << outA;
  // Once A is done its folder runs again.
  EXPECT_EQ(runProgram("--headless '" + a.str() + "'", lock.str()).code, 0);
}

TEST(HeadlessProgram, ADesktopSecondCopyExitsAtOnceAndShowsNothing) {
  TempFolder lock;
  platform::InstanceLock held;
  ASSERT_EQ(held.acquire(lock.str() + "/KOBRE_MUTEX_OBJECT"),
            platform::InstanceLock::Result::Acquired);
  GameFolder game("wait 1\n");
  RunResult r = runProgram("'" + game.str() + "' 2>&1", lock.str());
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(r.out.empty()) << r.out;
  EXPECT_FALSE(std::filesystem::exists(game.dir.path("KOBRE.ini")));
}

TEST(HeadlessProgram, HelpVersionAndUsageErrors) {
  TempFolder lock;
  RunResult help = runProgram("--help", lock.str());
  EXPECT_EQ(help.code, 0);
  for (const char* text : {"usage: kobre [GAME_DIR]", "--headless", "--input FILE", "--auto-ok",
                           "--answer yes|no", "--max-polls N", "--dump-state FILE",
                           "--screenshot FILE@POLL", "--audio-out FILE.wav", "--version"})
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
  RunResult version = runProgram("--version", lock.str());
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "KOBRE ver 1.32\n");
  struct Case {
    const char* args;
    const char* line;
  } cases[] = {
      {"--bogus", "kobre: unknown option --bogus (see kobre --help)\n"},
      {"-x game", "kobre: unknown option -x (see kobre --help)\n"},
      {"one two", "kobre: more than one game folder: two (see kobre --help)\n"},
  };
  for (const Case& c : cases) {
    RunResult r = runProgram(std::string(c.args) + " 2>&1", lock.str());
    EXPECT_EQ(r.code, 2) << c.args;
    EXPECT_EQ(r.out, c.line);
  }
}

TEST(HeadlessProgram, PlaysTheDemoGame) {
  if (!std::filesystem::exists(std::filesystem::path(KOBRE_DEMO_DIR) / "arc.scr"))
    GTEST_SKIP() << "the demo game is not built";
  TempFolder copy, lock;
  std::filesystem::copy(KOBRE_DEMO_DIR, copy.path("game"),
                        std::filesystem::copy_options::recursive);
  std::string game = copy.str() + "/game";
  RunResult r = runProgram("--headless --auto-ok --max-polls 3000 --screenshot '" + copy.str() +
                               "/shot.png@2000' '" + game + "' 2>&1",
                           lock.str());
  EXPECT_TRUE(r.code == 0 || r.code == 3) << r.code << r.out;
  // No start-up box, no script error.
  EXPECT_EQ(r.out.find("KOBRE ver 1.32"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("パラメータが不正"), std::string::npos) << r.out;
  EXPECT_TRUE(std::filesystem::exists(copy.path("shot.png")));
  EXPECT_TRUE(std::filesystem::exists(copy.path("game/KOBRE.ini")));
}

// Unattended, the demo plays through its first choice and on to its ending
// (the ending sets F2000) without a single script error.
TEST(HeadlessProgram, PlaysTheDemoToItsEndUnattended) {
  if (!std::filesystem::exists(std::filesystem::path(KOBRE_DEMO_DIR) / "arc.scr"))
    GTEST_SKIP() << "the demo game is not built";
  TempFolder copy, lock;
  std::filesystem::copy(KOBRE_DEMO_DIR, copy.path("game"),
                        std::filesystem::copy_options::recursive);
  const std::string game = copy.str() + "/game";
  // Nothing but --auto-ok and --auto-choose: game 0 on the game select, the
  // title's new game, the first route, the first entry of every choice.
  RunResult r =
      runProgram("--headless --auto-ok --auto-choose first --max-polls 15000 --dump-state '" +
                     copy.str() + "/state.dat' '" + game + "' 2>&1",
                 lock.str());
  EXPECT_TRUE(r.code == 0 || r.code == 3) << r.code << r.out;
  EXPECT_EQ(r.out.find("KOBRE ver 1.32"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("BOX\tスクリプトエラー"), std::string::npos) << r.out;
  std::vector<uint8_t> dump = copy.read("state.dat");
  ASSERT_EQ(dump.size(), kGameStateSize);
  GameState state;
  std::memcpy(&state, dump.data(), sizeof state);
  EXPECT_EQ(state.variable('S'), 1);  // the first choice was taken
  // The ending sets F2000, a lasting flag: the title menu's new game clears
  // the running record when the demo starts over, Save00.dat keeps it.
  std::vector<uint8_t> lasting = copy.read("game/Save00.dat");
  ASSERT_EQ(lasting.size(), kGameStateSize);
  GameState stored;
  std::memcpy(&stored, lasting.data(), sizeof stored);
  EXPECT_EQ(stored.flags[2000], 1);
}

TEST(HeadlessProgram, PlaysTheDemoFromItsTitleMenuIntoEitherGame) {
  if (!std::filesystem::exists(std::filesystem::path(KOBRE_DEMO_DIR) / "arc.scr"))
    GTEST_SKIP() << "the demo game is not built";
  struct Case {
    const char* name;
    const char* hover;  // a point in the game's hot rectangle on the game select
    uint8_t game;
    const char* scripts[2];  // what the game's scripts are named like
  };
  const Case cases[] = {{"game 0", "150,450", 0, {"m_", "t_"}},
                        {"game 1", "600,480", 1, {"q_", "q_"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder copy, lock;
    std::filesystem::copy(KOBRE_DEMO_DIR, copy.path("game"),
                          std::filesystem::copy_options::recursive);
    const std::string game = copy.str() + "/game";
    // Game select, the title's first button (new game), the first route;
    // then Ok on every other poll through the story.
    std::string input = std::string("60 - ") + c.hover + "\n70 Ok\n71 -\n200 Ok\n201 -\n";
    input += "330 Ok\n331 -\n";
    for (int p = 500; p < 2400; p += 2)
      input += std::to_string(p) + " Ok\n" + std::to_string(p + 1) + " -\n";
    copy.write("input.txt", input);
    RunResult r =
        runProgram("--headless --max-polls 2400 --input '" + copy.str() +
                       "/input.txt' --dump-state '" + copy.str() + "/state.dat' --dump-sprites '" +
                       copy.str() + "/title.txt@120' '" + game + "' 2>&1",
                   lock.str());
    EXPECT_TRUE(r.code == 0 || r.code == 3) << r.code << r.out;
    EXPECT_EQ(r.out.find("スクリプトエラー"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("System Error"), std::string::npos) << r.out;
    const auto state = copy.read("state.dat");
    ASSERT_EQ(state.size(), kGameStateSize);
    EXPECT_EQ(state[offsetof(GameState, flags) + 1000], c.game);
    EXPECT_EQ(state[offsetof(GameState, flags) + 1001], 0);
    const std::string script(reinterpret_cast<const char*>(state.data()) + 8);
    EXPECT_TRUE(script.rfind(c.scripts[0], 0) == 0 || script.rfind(c.scripts[1], 0) == 0) << script;
    // The title screen of the chosen game, with the new game button shown.
    const auto dump = copy.read("title.txt");
    const std::string text(dump.begin(), dump.end());
    const std::string variant = c.game == 0 ? "1" : "2";
    EXPECT_NE(text.find("40\tpicture\tcg\\_MnBack" + variant + ".bmp\t0\t0\t1"), std::string::npos)
        << text;
    EXPECT_NE(text.find("60\tpicture\tcg\\_MnFirst" + variant + ".psd\t"), std::string::npos)
        << text;
  }
}

// From a Save00.dat with some unlocks: the extras of both games, each
// screen once, a full view, a scene to its end and a track.
TEST(HeadlessProgram, OpensEveryExtrasScreenOfBothGamesFromSave00) {
  if (!std::filesystem::exists(std::filesystem::path(KOBRE_DEMO_DIR) / "arc.scr"))
    GTEST_SKIP() << "the demo game is not built";
  TempFolder copy, lock;
  std::filesystem::copy(KOBRE_DEMO_DIR, copy.path("game"),
                        std::filesystem::copy_options::recursive);
  const std::string game = copy.str() + "/game";
  auto lasting = std::make_unique<GameState>();
  lasting->clear();
  for (int f : {2000, 2001, 1201, 1202, 1203, 1401, 1402, 1132, 1156, 1301}) lasting->flags[f] = 1;
  std::strcpy(lasting->windowPicture, "_MsgWaku");
  lasting->windowX = 20;
  lasting->windowY = 440;
  lasting->windowWidth = 710;
  lasting->windowHeight = 150;
  lasting->textX = 25;
  lasting->textY = 20;
  lasting->textColumns = 29;
  lasting->textRows = 4;
  lasting->updateChecksum();
  const auto image = lasting->bytes();
  copy.write("game/Save00.dat", std::vector<uint8_t>(image.begin(), image.end()));
  // Game 0: game select, title, extras, gallery (full view of the first
  // picture), recollection (the first scene, then the mouse off the
  // thumbnails and Ok through it), music room (the third track), title.
  // Game 1 the same way, with the eleventh track.
  copy.write("input.txt", std::string("100 Left\n"
                                      "102 -\n"
                                      "110 Ok\n"
                                      "112 -\n"
                                      "300 - 178,426\n"
                                      "310 Ok\n"
                                      "312 -\n"
                                      "500 Ok\n"
                                      "502 -\n"
                                      "700 - 112,131\n"
                                      "710 Ok\n"
                                      "712 -\n"
                                      "900 Ok\n"
                                      "902 -\n"
                                      "1100 - 634,38\n"
                                      "1110 Ok\n"
                                      "1112 -\n"
                                      "1300 - 112,131\n"
                                      "1310 Ok\n"
                                      "1312 -\n"
                                      "1320 - 400,300\n"
                                      "1500 Ok\n"
                                      "1502 -\n"
                                      "1650 Ok\n"
                                      "1652 -\n"
                                      "1800 Ok\n"
                                      "1802 -\n"
                                      "1950 Ok\n"
                                      "1952 -\n"
                                      "2300 - 634,38\n"
                                      "2310 Ok\n"
                                      "2312 -\n"
                                      "2500 - 284,399\n"
                                      "2510 Ok\n"
                                      "2512 -\n"
                                      "2900 - 700,570\n"
                                      "2910 Ok\n"
                                      "2912 -\n"
                                      "3100 - 50,20\n"
                                      "3110 Ok\n"
                                      "3112 -\n"
                                      "3300 Right\n"
                                      "3302 -\n"
                                      "3310 Ok\n"
                                      "3312 -\n"
                                      "3500 - 648,426\n"
                                      "3510 Ok\n"
                                      "3512 -\n"
                                      "3700 Ok\n"
                                      "3702 -\n"
                                      "3900 - 112,131\n"
                                      "3910 Ok\n"
                                      "3912 -\n"
                                      "4100 Ok\n"
                                      "4102 -\n"
                                      "4300 - 634,38\n"
                                      "4310 Ok\n"
                                      "4312 -\n"
                                      "4500 - 112,131\n"
                                      "4510 Ok\n"
                                      "4512 -\n"
                                      "4520 - 400,300\n"
                                      "4700 Ok\n"
                                      "4702 -\n"
                                      "4850 Ok\n"
                                      "4852 -\n"
                                      "5000 Ok\n"
                                      "5002 -\n"
                                      "5300 - 634,38\n"
                                      "5310 Ok\n"
                                      "5312 -\n"
                                      "5500 - 577,399\n"
                                      "5510 Ok\n"
                                      "5512 -\n"
                                      "5900 - 700,570\n"
                                      "5910 Ok\n"
                                      "5912 -\n"));
  std::string dumps;
  for (int p : {850, 1560, 2700, 3100, 4050, 4800, 5700, 6100})
    dumps += " --dump-sprites '" + copy.str() + "/s" + std::to_string(p) + ".txt@" +
             std::to_string(p) + "'";
  RunResult r = runProgram("--headless --max-polls 6200 --input '" + copy.str() +
                               "/input.txt' --audio-out '" + copy.str() + "/audio.wav'" + dumps +
                               " '" + game + "' 2>&1",
                           lock.str());
  EXPECT_EQ(r.code, 3) << r.out;
  EXPECT_EQ(r.out.find("BOX"), std::string::npos) << r.out;
  auto slotLine = [&](int poll, const std::string& start) {
    const auto bytes = copy.read("s" + std::to_string(poll) + ".txt");
    const std::string text = "\n" + std::string(bytes.begin(), bytes.end());
    const size_t at = text.find("\n" + start);  // the line of that slot
    return at == std::string::npos ? std::string("missing: ") + text
                                   : text.substr(at + 1, text.find('\n', at + 1) - at - 1);
  };
  EXPECT_EQ(slotLine(850, "1\t"), "1\tpicture\tcg\\ev_m01.bmp\t0\t0\t1\t0");
  EXPECT_EQ(slotLine(1560, "0\t"), "0\tpicture\tcg\\bg_sky.bmp\t0\t0\t1\t0");
  EXPECT_EQ(slotLine(2700, "46\t"), "46\tpicture\tcg\\_MuPlay1.psd\t191\t380\t1\t2");
  EXPECT_EQ(slotLine(3100, "40\t"), "40\tpicture\tcg\\_MnBack1.bmp\t0\t0\t1\t0");
  EXPECT_EQ(slotLine(4050, "1\t"), "1\tpicture\tcg\\ev_q01.bmp\t0\t0\t1\t0");
  EXPECT_EQ(slotLine(4800, "0\t"), "0\tpicture\tcg\\bg_lake.bmp\t0\t0\t1\t0");
  EXPECT_EQ(slotLine(5700, "46\t"), "46\tpicture\tcg\\_MuPlay2.psd\t191\t380\t1\t10");
  EXPECT_EQ(slotLine(6100, "40\t"), "40\tpicture\tcg\\_MnBack2.bmp\t0\t0\t1\t0");
  EXPECT_GT(copy.read("audio.wav").size(), 44u);
}

TEST(HeadlessInput, DialogLinesQueueAnswersFromTheirPoll) {
  std::vector<InputStep> steps;
  std::vector<platform::headless::PadStep> pad;
  std::vector<platform::headless::DialogStep> dialogs;
  std::string error;
  ASSERT_TRUE(
      app::parseInputScript("1 Ok\n3 dialog ok  two  words \n4 DIALOG cancel\n5 dialog ok\n6 -\n",
                            steps, pad, dialogs, error))
      << error;
  EXPECT_EQ(steps.size(), 2u);
  ASSERT_EQ(dialogs.size(), 3u);
  EXPECT_EQ(dialogs[0].poll, 3u);
  EXPECT_TRUE(dialogs[0].ok);
  EXPECT_EQ(dialogs[0].text, " two  words ");
  EXPECT_FALSE(dialogs[1].ok);
  EXPECT_TRUE(dialogs[2].ok);
  EXPECT_EQ(dialogs[2].text, "");
  for (const char* bad :
       {"7 dialog maybe", "x dialog cancel", "7 dialog cancel now", "0 dialog ok", "7 dialog"}) {
    EXPECT_FALSE(app::parseInputScript(std::string(bad) + "\n", steps, pad, dialogs, error)) << bad;
    EXPECT_NE(error.find("line 1"), std::string::npos) << bad;
  }

  // An answer waits for its poll; without one the dialog keeps its preset.
  TempFolder dir;
  platform::headless::HeadlessPlatform headless(dir.str());
  platform::headless::DialogStep later;
  later.poll = 2;
  later.text = "門";
  headless.dialogs.queue(later);
  EXPECT_EQ(headless.dialogs.saveComment("preset").text, "preset");
  platform::InputState in;
  headless.host.readInput(in);
  headless.host.readInput(in);
  const platform::CommentAnswer a = headless.dialogs.saveComment("preset");
  EXPECT_TRUE(a.ok);
  EXPECT_EQ(a.text, "\x96\xe5");  // CP932
  EXPECT_EQ(headless.dialogs.saveComment("again").text, "again");
}

TEST(HeadlessRun, TheSaveCommandSavesWithTheDialogsAnswer) {
  GameFolder game("save\n");
  game.dir.write("input.txt", "1 dialog ok 門の前\n60 Ok\n61 -\n120 Cancel\n121 -\n");
  HeadlessOptions o;
  o.gameFolder = game.str();
  o.inputFile = game.dir.str() + "/input.txt";
  o.maxPolls = 2000;
  RunResult r = runIn(o);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("DIALOG\tsaveComment\tok\t門の前\n"), std::string::npos) << r.out;
  const std::vector<uint8_t> save = game.dir.read("Save01.dat");
  ASSERT_EQ(save.size(), kGameStateSize);
  GameState state;
  std::memcpy(&state, save.data(), sizeof state);
  EXPECT_STREQ(state.saveComment, "\x96\xe5\x82\xcc\x91\x4f");
}

}  // namespace
}  // namespace kobre::testing
