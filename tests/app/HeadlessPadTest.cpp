// Pad play in the headless runner: pad lines of the input file drive the
// virtual pad, "JoyPad.inp" is read and written, rumble is recorded.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/HeadlessOptions.h"
#include "app/HeadlessRunner.h"
#include "app/frame/FrameEngine.h"
#include "common/Buttons.h"
#include "script/GameState.h"
#include "script/Runtime.h"
#include "tests/storage/TempFolder.h"
#include "tools/writers/ArchiveWriter.h"
#include "tools/writers/ScriptWriter.h"

namespace kobre::testing {
namespace {

using app::HeadlessOptions;
using app::HeadlessRunner;
using platform::headless::InputStep;
using platform::headless::PadStep;

TEST(HeadlessPadInput, ParsesPadLinesApartFromTheKeyboard) {
  std::vector<InputStep> steps;
  std::vector<PadStep> pad;
  std::string error;
  ASSERT_TRUE(app::parseInputScript("1 Ok\n2 pad B1+Up\n3 PAD b31+left+Down\n4 pad -\n5 -\n", steps,
                                    pad, error))
      << error;
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0].buttons, kButtonOk);
  EXPECT_EQ(steps[1].poll, 5u);
  ASSERT_EQ(pad.size(), 3u);
  EXPECT_EQ(pad[0].poll, 2u);
  EXPECT_EQ(pad[0].state.buttons, 1u << 1);
  EXPECT_EQ(pad[0].state.x, 0);
  EXPECT_EQ(pad[0].state.y, -32768);
  EXPECT_EQ(pad[1].state.buttons, 1u << 31);
  EXPECT_EQ(pad[1].state.x, -32768);
  EXPECT_EQ(pad[1].state.y, 32767);
  EXPECT_EQ(pad[2].state.buttons, 0u);
  EXPECT_EQ(pad[2].state.x, 0);

  for (const char* bad :
       {"3 pad", "3 pad B32", "3 pad B", "3 pad Bx", "3 pad Up+Down", "3 pad Left+Right",
        "3 pad B1+", "3 pad Ok", "0 pad B1", "3 pad B1 1,2"}) {
    EXPECT_FALSE(app::parseInputScript(std::string("1 Ok\n") + bad + "\n", steps, pad, error))
        << bad;
    EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
  }
  // The plain form still takes the keyboard lines and skips the pad's.
  ASSERT_TRUE(app::parseInputScript("1 Ok\n2 pad B1\n", steps, error)) << error;
  EXPECT_EQ(steps.size(), 1u);
}

// A game folder whose opening script is given.
struct PadGame {
  explicit PadGame(const std::string& script) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(writers::ScriptWriter().build(script, {}, bytes));
    writers::ArchiveWriter scripts;
    scripts.add("open.scr", bytes);
    EXPECT_TRUE(scripts.writeFile(dir.str() + "/arc.scr", true));
    writers::ArchiveWriter images;
    images.add("dummy.bmp", std::string_view("x"));
    EXPECT_TRUE(images.writeFile(dir.str() + "/arc.cg", true));
    writers::ArchiveWriter sounds;
    sounds.add("dummy.wav", std::string_view("x"));
    EXPECT_TRUE(sounds.writeFile(dir.str() + "/arc.wav", false));
  }
  TempFolder dir;
};

struct PadRun {
  int code = -1;
  std::string out, err;
  std::vector<platform::headless::HeadlessJoystick::Rumble> rumbles;
  uint32_t heldSeen = 0;  // every logical button held at some poll
  GameState state{};
};

PadRun runGame(const std::string& folder, const std::string& input, uint64_t maxPolls) {
  TempFolder work;
  work.write("input.txt", input);
  HeadlessOptions o;
  o.gameFolder = folder;
  o.inputFile = work.str() + "/input.txt";
  o.maxPolls = maxPolls;
  o.dumpState = work.str() + "/state.dat";
  std::ostringstream out, err;
  PadRun r;
  {
    HeadlessRunner runner(o, out, err);
    runner.onPump([&] { r.heldSeen |= runner.engine().runtime().heldButtons; });
    r.code = runner.run();
    r.rumbles = runner.headless().joystick.rumbles();
  }
  r.out = out.str();
  r.err = err.str();
  std::vector<uint8_t> dump = work.read("state.dat");
  EXPECT_EQ(dump.size(), sizeof r.state);
  if (dump.size() == sizeof r.state) std::memcpy(&r.state, dump.data(), sizeof r.state);
  return r;
}

TEST(HeadlessPad, PadControlsReachTheInputSetsAndRumbleIsRecorded) {
  PadGame game("wait 1\nset_ff 20000\nset_ff -3\nshake x\nA=3\n");
  PadRun r = runGame(game.dir.str(), "1 pad -\n3 pad B1+Up\n5 pad B2\n7 pad -\n", 2000);
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(r.state.variable('A'), 3);
  EXPECT_EQ(r.heldSeen, uint32_t{kButtonOk | kButtonUp | kButtonCancel});
  // set_ff clamped to 10000 and 0, then shake's full force and its stop.
  ASSERT_EQ(r.rumbles.size(), 4u);
  EXPECT_EQ(r.rumbles[0].low, 0xFFFF);
  EXPECT_EQ(r.rumbles[1].low, 0);
  EXPECT_EQ(r.rumbles[2].low, 0xFFFF);
  EXPECT_EQ(r.rumbles[3].low, 0);
  // "JoyPad.inp" is written at exit, with the defaults.
  const std::vector<uint8_t> inp = game.dir.read("JoyPad.inp");
  EXPECT_NE(std::string(inp.begin(), inp.end()).find("[Buttons]\r\nUp=-1\r\n"), std::string::npos);
  // Keyboard lines do not end the pad's hold, nor the pad line theirs.
  r = runGame(game.dir.str(), "1 Control\n2 pad B0\n", 2000);
  EXPECT_EQ(r.heldSeen, uint32_t{kButtonControl | kButtonCenter});
}

TEST(HeadlessPad, JoyPadInpBindingsApply) {
  PadGame game("wait 1\n");
  game.dir.write("JoyPad.inp", "[Buttons]\r\nOk=12\r\n[ForthFeedBack]\r\nEnable=0\r\n");
  PadRun r = runGame(game.dir.str(), "3 pad B1\n", 2000);
  EXPECT_EQ(r.heldSeen, 0u);  // B1 is no longer Ok
  r = runGame(game.dir.str(), "3 pad B12\n", 2000);
  EXPECT_EQ(r.heldSeen, uint32_t{kButtonOk});
  const std::vector<uint8_t> inp = game.dir.read("JoyPad.inp");
  const std::string text(inp.begin(), inp.end());
  EXPECT_NE(text.find("Ok=12\r\n"), std::string::npos);
  EXPECT_NE(text.find("[ForthFeedBack]\r\nEnable=0\r\n"), std::string::npos);
}

TEST(HeadlessPad, TheDemoPlaysThroughAChoiceWithThePadAlone) {
  if (!std::filesystem::exists(std::filesystem::path(KOBRE_DEMO_DIR) / "arc.scr"))
    GTEST_SKIP() << "the demo game is not built";
  TempFolder copy;
  std::filesystem::copy(KOBRE_DEMO_DIR, copy.path("game"),
                        std::filesystem::copy_options::recursive);
  // The stick left and button 1 (Ok) pick game 0 on the game select; then
  // Ok and the stick down, each pressed and released in turn.
  std::string input = "60 pad Left\n62 pad -\n64 pad B1\n66 pad -\n";
  for (int poll = 100; poll < 6000; poll += 8) {
    input += std::to_string(poll) + " pad B1\n";
    input += std::to_string(poll + 2) + " pad -\n";
    input += std::to_string(poll + 4) + " pad Down\n";
    input += std::to_string(poll + 6) + " pad -\n";
  }
  PadRun r = runGame(copy.str() + "/game", input, 6000);
  EXPECT_TRUE(r.code == 0 || r.code == 3) << r.code << r.out;
  EXPECT_EQ(r.out.find("KOBRE ver 1.32"), std::string::npos) << r.out;
  // The first choice was answered (its first entry), and the shake rumbled.
  EXPECT_EQ(r.state.variable('S'), 1);
  bool full = false;
  for (const auto& rumble : r.rumbles) full = full || rumble.low == 0xFFFF;
  EXPECT_TRUE(full);
}

}  // namespace
}  // namespace kobre::testing
