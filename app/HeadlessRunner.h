// `kobre --headless`: runs a game folder on the headless platform (virtual
// clock, scripted input, boxes printed and answered, no window, no sound
// card) for game makers' tests and ours.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/HeadlessPlatform.h"

namespace kobre::frame {
class FrameEngine;
class MainFrame;
}  // namespace kobre::frame

namespace kobre::app {

struct Screenshot {
  std::string path;
  uint64_t poll = 0;
  bool written = false;
};

struct HeadlessOptions {
  std::string gameFolder;
  std::string inputFile;
  bool autoOk = false;
  bool answerYes = false;
  uint64_t maxPolls = 0;  // 0: no limit
  std::string dumpState;
  std::string audioOut;  // WAV file of everything the mixer played
  std::vector<Screenshot> screenshots;
};

// Exit codes of a run.
constexpr int kExitNormal = 0;
constexpr int kExitStartUpFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitPollsRanOut = 3;

// Script steps in a row without an input poll after which a run limited by
// --max-polls ends as if its polls had run out.
constexpr uint64_t kRunawaySteps = 1000000;

// Parses the arguments after "--headless"; false with a message when they
// are not understood. gameFolder is left empty when none is given.
bool parseHeadlessArguments(const std::vector<std::string>& args, HeadlessOptions& out,
                            std::string& error);

// Parses an input file: lines "POLL BUTTONS [X,Y]" (buttons by name joined
// with "+", "-" for none); blank lines and lines starting with "#" are
// skipped. False with the line's number and what is wrong.
bool parseInputScript(std::string_view text, std::vector<platform::headless::InputStep>& out,
                      std::string& error);

// "BOX<TAB>caption<TAB>text" with each line break written as "\n".
std::string boxLine(const platform::MessageBoxSpec& spec);

// An RGB PNG of an 800 x 600 XRGB picture.
std::vector<uint8_t> encodePng(const uint32_t* pixels, int width, int height);

class HeadlessRunner {
 public:
  HeadlessRunner(HeadlessOptions options, std::ostream& out, std::ostream& err);
  ~HeadlessRunner();
  HeadlessRunner(const HeadlessRunner&) = delete;
  HeadlessRunner& operator=(const HeadlessRunner&) = delete;

  // Start-up, the frame loop until the program ends, shutdown; the exit code.
  int run();

  platform::headless::HeadlessPlatform& headless() { return *headless_; }
  frame::MainFrame& frame() { return *frame_; }
  frame::FrameEngine& engine() { return *engine_; }
  // Called at each event pump, as a nested menu command would run.
  void onPump(std::function<void()> fn) { pumpHook_ = std::move(fn); }

 private:
  class WindowHost;
  class Window;

  HeadlessOptions options_;
  std::ostream& out_;
  std::ostream& err_;
  std::unique_ptr<platform::headless::HeadlessPlatform> headless_;
  std::unique_ptr<WindowHost> host_;
  std::unique_ptr<Window> window_;
  platform::Platform platform_;
  std::unique_ptr<frame::FrameEngine> engine_;
  std::unique_ptr<frame::MainFrame> frame_;
  std::function<void()> pumpHook_;
  bool ranOut_ = false;
  // Frame-loop passes since the last input poll: a script that loops
  // without ever waiting would otherwise outlive --max-polls.
  uint64_t pollsSeen_ = 0;
  uint64_t pumpsWithoutPoll_ = 0;
};

// The whole `kobre --headless ...` command (arguments after "--headless").
int runHeadlessCommand(const std::vector<std::string>& args, std::string_view defaultGameFolder,
                       std::ostream& out, std::ostream& err);

}  // namespace kobre::app
