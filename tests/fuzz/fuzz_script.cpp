// Steps a script made of arbitrary bytes through the real Lexer and its
// handlers, on a platform that answers every box, has no files and ends the
// run after a bounded number of polls (so endless waits and loops end the way
// closing the window ends them).
#include <cstdint>
#include <span>
#include <string>

#include "platform/Platform.h"
#include "script/Lexer.h"
#include "script/Runtime.h"

namespace {

class FuzzClock : public kobre::platform::Clock {
 public:
  uint32_t tickCount() override { return now; }
  void sleep(uint32_t ms) override { now += ms; }
  uint32_t now = 0;
};

class FuzzHost : public kobre::platform::Host {
 public:
  void pumpEvents() override {}
  bool isActive() override { return true; }
  void readInput(kobre::platform::InputState& s) override { s = {}; }
  void present(const uint32_t*, int, int) override {}
  kobre::platform::BoxResult messageBox(const kobre::platform::MessageBoxSpec& spec) override {
    ++boxes;
    if (spec.caption.empty() || spec.text.empty()) __builtin_trap();
    return kobre::platform::BoxResult::Ok;
  }
  void setMenuEnabled(std::string_view, bool) override {}
  void setMenuVisible(std::string_view, bool) override {}
  void setMenuChecked(std::string_view, bool) override {}
  bool isMenuChecked(std::string_view) override { return false; }
  void setMenuCaption(std::string_view, std::string_view) override {}
  int screenWidth() override { return 1920; }
  int screenHeight() override { return 1080; }
  int screenBitsPerPixel() override { return 32; }
  void requestClose() override {}
  long boxes = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzClock clock;
  FuzzHost host;
  kobre::platform::Platform p;
  p.clock = &clock;
  p.host = &host;
  auto runtime = std::make_unique<kobre::Runtime>(p);
  long polls = 0;
  runtime->frame.pollInput = [&]() {
    if (++polls > 20000) runtime->closing = true;
    return !runtime->closing;
  };
  kobre::Lexer lexer(runtime.get());
  if (!lexer.LoadFromBytes(std::span<const uint8_t>(data, size), "scr\\fuzz.scr",
                           &runtime->gameState, true))
    return 0;
  for (int steps = 0; steps < 20000 && !runtime->closing; ++steps) {
    if (!lexer.Step()) break;
    if (lexer.position < 0 || lexer.position > lexer.sourceSize + 1) __builtin_trap();
  }
  return 0;
}
