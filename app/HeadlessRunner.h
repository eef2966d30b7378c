// `kobre --headless`: runs a game folder on the headless platform (virtual
// clock, scripted input, boxes printed and answered, no window, no sound
// card) for game makers' tests and ours.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "app/HeadlessOptions.h"
#include "app/PngFile.h"
#include "platform/headless/HeadlessPlatform.h"

namespace kobre {
struct Runtime;
}  // namespace kobre

namespace kobre::frame {
class FrameEngine;
class MainFrame;
class MenuCommands;
}  // namespace kobre::frame

namespace kobre::app {

// Exit codes of a run.
constexpr int kExitNormal = 0;
constexpr int kExitStartUpFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitPollsRanOut = 3;

// Script steps in a row without an input poll after which a run limited by
// --max-polls ends as if its polls had run out.
constexpr uint64_t kRunawaySteps = 1000000;

// What the sprite slots hold, one line per occupied slot in slot order:
// SLOT, KIND (picture, text, box, blank), NAME (the picture name as loaded,
// or the text in UTF-8), X, Y, VISIBLE (1/0), FRAME, separated by tabs. Line
// breaks in a text are written as "\n", tabs as "\t".
std::string spriteDump(const Runtime& runtime, platform::TextCodec* codec);

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
  frame::MenuCommands& menuCommands() { return *menuCommands_; }
  // Called at each event pump, as a nested menu command would run.
  void onPump(std::function<void()> fn) { pumpHook_ = std::move(fn); }

 private:
  class Window;
  class Dialogs;

  // Clicks the menu items of the input file whose poll has come.
  void clickDueMenuItems();

  // --auto-choose: while choice boxes are shown, moves the mouse onto the
  // chosen one and clicks Ok on the next poll, as a player would.
  void autoChoose(platform::InputState& input);

  HeadlessOptions options_;
  std::ostream& out_;
  std::ostream& err_;
  std::unique_ptr<platform::headless::HeadlessPlatform> headless_;
  std::unique_ptr<Window> window_;
  std::unique_ptr<frame::FrameEngine> engine_;
  std::unique_ptr<frame::MainFrame> frame_;
  std::unique_ptr<Dialogs> dialogs_;
  std::unique_ptr<frame::MenuCommands> menuCommands_;
  std::vector<MenuStep> menuSteps_;
  size_t nextMenuStep_ = 0;
  std::function<void()> pumpHook_;
  std::mt19937 chooseRandom_;
  bool choosing_ = false;      // a choice is shown and the mouse is on its way
  bool pendingClick_ = false;  // the mouse went onto the box at the last poll
  int choiceTarget_ = 0;       // index among the boxes shown
  uint64_t chooseAttempts_ = 0;
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
