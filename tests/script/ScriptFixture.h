// A generated game folder on the headless platform with a real Lexer bound
// to a Runtime, for script-driven tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/Buttons.h"
#include "input/InputMap.h"
#include "platform/headless/HeadlessPlatform.h"
#include "script/Lexer.h"
#include "script/Runtime.h"
#include "tests/storage/TempFolder.h"
#include "tools/writers/ArchiveWriter.h"
#include "tools/writers/ScriptWriter.h"

namespace kobre::testing {

class ScriptFixture : public ::testing::Test {
 protected:
  ScriptFixture()
      : headless(dir.str(), dir.str() + "/.data"),
        runtime(std::make_unique<Runtime>(headless.platform())),
        lexer(std::make_unique<Lexer>(runtime.get())) {
    runtime->topLexer = lexer.get();
    // Waits for the player (a text line's message) read the host's input as
    // the main window does; a test that shows messages gives Ok presses
    // (setInput, or setAutoOk for Ok on every second poll).
    runtime->frame.pollInput = [this] {
      headless.host.pumpEvents();
      if (runtime->closing) return false;
      platform::InputState in;
      headless.host.readInput(in);
      const uint32_t held = composeButtons(in);
      runtime->pressedButtons = held & ~runtime->heldButtons;
      runtime->heldButtons = held;
      runtime->cursorX = in.cursorX;
      runtime->cursorY = in.cursorY;
      return true;
    };
  }

  // A plain input poll for tests without the picture side: pumps, reads the
  // scripted input into the button sets (mouse buttons as Ok and Cancel) and
  // holds Ok on every second poll, so message waits advance.
  void useSimpleInput() {
    headless.host.setAutoOk(true);
    runtime->frame.pollInput = [this] {
      headless.host.pumpEvents();
      if (runtime->closing) return false;
      platform::InputState in;
      headless.host.readInput(in);
      const uint32_t old = runtime->heldButtons;
      runtime->heldButtons = composeButtons(in);
      runtime->pressedButtons = runtime->heldButtons & ~old;
      lexer->mouseX = in.cursorX;
      lexer->mouseY = in.cursorY;
      return true;
    };
  }

  // Writes scr\<name>.scr from UTF-8 text ("\n" becomes CR LF).
  void writeScript(const std::string& name, const std::string& utf8,
                   writers::ScriptOptions options = {}) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(writers::ScriptWriter().build(utf8, options, bytes)) << name;
    dir.write("scr/" + name + ".scr", bytes);
  }
  // Writes scr\<name>.scr from raw bytes after a marker byte.
  void writeRawScript(const std::string& name, const std::string& body, char marker = 'N') {
    dir.write("scr/" + name + ".scr", std::string(1, marker) + body);
  }

  bool load(const std::string& name, bool top = true) {
    return lexer->Load("scr\\" + name + ".scr", &runtime->gameState, top);
  }

  // Steps like the frame loop until Step returns false or the window closes;
  // returns the number of steps taken (capped).
  int run(int maxSteps = 100000) {
    int steps = 0;
    while (steps < maxSteps) {
      headless.host.pumpEvents();
      if (runtime->closing) break;
      ++steps;
      if (!lexer->Step()) break;
    }
    return steps;
  }

  // Loads and runs a script written from UTF-8 text.
  int runScript(const std::string& utf8, int maxSteps = 100000) {
    writeScript("test", utf8);
    EXPECT_TRUE(load("test"));
    return run(maxSteps);
  }

  std::vector<std::string> boxTexts() const {
    std::vector<std::string> out;
    for (const auto& b : headless.host.boxes()) out.push_back(b.spec.text);
    return out;
  }
  // The texts of the script error boxes, without the final "ran to the end".
  std::vector<std::string> errors() const {
    std::vector<std::string> out;
    for (const auto& t : boxTexts())
      if (t.rfind("最後まで実行しました", 0) != 0) out.push_back(t);
    return out;
  }
  bool endedNormally() const {
    const auto t = boxTexts();
    return !t.empty() && t.back().rfind("最後まで実行しました", 0) == 0;
  }
  // First line of each error box: "message detail".
  std::vector<std::string> errorHeads() const {
    std::vector<std::string> out;
    for (const auto& t : errors()) out.push_back(t.substr(0, t.find('\n')));
    return out;
  }

  int32_t var(char c) const { return runtime->gameState.variables[c - 'A']; }
  int flag(int n) const { return runtime->gameState.flags[n]; }

  TempFolder dir;
  platform::headless::HeadlessPlatform headless;
  std::unique_ptr<Runtime> runtime;
  std::unique_ptr<Lexer> lexer;
};

}  // namespace kobre::testing
