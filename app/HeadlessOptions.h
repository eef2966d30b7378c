// The command line and the input file of `kobre --headless`.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Host.h"
#include "platform/headless/HeadlessPlatform.h"

namespace kobre::app {

struct Screenshot {
  std::string path;
  uint64_t poll = 0;
  bool written = false;
};

// Which choice --auto-choose picks among the boxes shown.
enum class AutoChoose { Off, First, Last, Random };

struct HeadlessOptions {
  std::string gameFolder;
  std::string inputFile;
  bool autoOk = false;
  bool answerYes = false;
  AutoChoose autoChoose = AutoChoose::Off;
  bool autoChooseSeeded = false;  // random:SEED given; else a seed is drawn and printed
  uint32_t autoChooseSeed = 0;
  uint64_t maxPolls = 0;  // 0: no limit
  std::string dumpState;
  std::string audioOut;  // WAV file of everything the mixer played
  std::vector<Screenshot> screenshots;
  std::vector<Screenshot> spriteDumps;  // --dump-sprites FILE@POLL
  bool debugMenu = false;               // the debugging menu is shown
};

// A menu item clicked at an input poll (a `POLL menu ITEM` line).
struct MenuStep {
  uint64_t poll = 1;
  std::string item;  // component name ("MnTitle")
};

// Parses the arguments after "--headless"; false with a message when they
// are not understood. gameFolder is left empty when none is given.
bool parseHeadlessArguments(const std::vector<std::string>& args, HeadlessOptions& out,
                            std::string& error);

// "usage: kobre --headless [...] GAME_DIR", from the option table.
std::string headlessUsage();

// Parses an input file: lines "POLL BUTTONS [X,Y]" (buttons by name joined
// with "+", "-" for none); blank lines and lines starting with "#" are
// skipped. False with the line's number and what is wrong.
bool parseInputScript(std::string_view text, std::vector<platform::headless::InputStep>& out,
                      std::string& error);
// The same, also taking pad lines "POLL pad LIST": the raw controls of the
// virtual pad held from that poll on ("-" for none, or "B0"..."B31", "Up",
// "Down", "Left", "Right" joined with "+"). Pad lines are independent of the
// keyboard and mouse lines.
bool parseInputScript(std::string_view text, std::vector<platform::headless::InputStep>& out,
                      std::vector<platform::headless::PadStep>& pad, std::string& error);
// The same, also taking menu lines "POLL menu ITEM": the menu item of that
// component name is clicked at that poll (in the order of the lines).
bool parseInputScript(std::string_view text, std::vector<platform::headless::InputStep>& out,
                      std::vector<platform::headless::PadStep>& pad, std::vector<MenuStep>& menu,
                      std::string& error);

// The same, also taking dialog answers "POLL dialog ok [TEXT]" and "POLL
// dialog cancel": each answers the first modal dialog that opens at or after
// that poll (TEXT, UTF-8, is the rest of the line after "ok ").
bool parseInputScript(std::string_view text, std::vector<platform::headless::InputStep>& out,
                      std::vector<platform::headless::PadStep>& pad,
                      std::vector<platform::headless::DialogStep>& dialogs, std::string& error);
// Every kind of line at once.
bool parseInputScript(std::string_view text, std::vector<platform::headless::InputStep>& out,
                      std::vector<platform::headless::PadStep>& pad, std::vector<MenuStep>& menu,
                      std::vector<platform::headless::DialogStep>& dialogs, std::string& error);

// "BOX<TAB>caption<TAB>text" with each line break written as "\n".
std::string boxLine(const platform::MessageBoxSpec& spec);

}  // namespace kobre::app
