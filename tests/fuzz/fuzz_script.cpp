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
#include "tests/fuzz/FuzzPlatform.h"

using kobre::fuzz::FuzzClock;
using kobre::fuzz::FuzzHost;

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
