// The joypad's settings object: "JoyPad.inp" (device number, the twelve
// codes, the force-feedback switch), read at start-up into the Joypad and
// written back at shutdown, and the logic of the joypad settings dialog
// (device list, the texts of its edits, capturing a press). The dialog only
// moves these values to and from its widgets.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/ProfileFile.h"
#include "input/Joypad.h"

namespace kobre {
namespace platform {
class FileSystem;
}

inline constexpr std::string_view kPadSettingsFileName = "JoyPad.inp";

// Keys of "Buttons", in the logical buttons' bit order (also the order of
// the dialog's edits).
inline constexpr std::array<std::string_view, kLogicalButtonCount> kPadButtonKeys = {
    "Up",      "Down",   "Left",    "Right",     "Ok",   "Cancel",
    "Control", "Center", "WheelUp", "WheelDown", "Load", "Save"};

// What "JoyPad.inp" holds.
struct PadSettings {
  int32_t deviceNumber = 0;
  std::array<int32_t, kLogicalButtonCount> codes{};
  bool forceFeedback = true;
};

// The fixed defaults: stick for the directions, buttons 1, 2, 6, 0, 7, 5, 8, 9.
PadSettings defaultPadSettings();

// Defaults for a pad the platform knows as a game controller: the face,
// shoulder and d-pad controls where players expect them, as raw codes.
std::array<int32_t, kLogicalButtonCount> controllerPadCodes(
    const platform::ControllerLayout& layout);

// Reads every key in order; a missing key or one that is not a number keeps
// the value `in` has (the defaults).
PadSettings readPadSettings(const ProfileFile& file, const PadSettings& defaults);
// Writes every key in order, "ForthFeedBack" spelt so.
void writePadSettings(ProfileFile& file, const PadSettings& settings);

// Name shown for a code: "B0"..."B15", "Up", "Down", "Left", "Right"; empty
// for anything else (unassigned, buttons 16-31).
std::string padCodeName(int32_t code);

// The dialog's texts (UTF-8).
inline constexpr std::string_view kPadNoDevice = "ジョイパッドは利用できません";
inline constexpr std::string_view kPadFFAvailable = "フォースフィードバックが利用できます";
inline constexpr std::string_view kPadFFUnavailable = "フォースフィードバックは利用できません";

// What the dialog shows after refresh.
struct PadView {
  std::vector<std::string> devices;  // list entries (product names or kPadNoDevice)
  int selected = 0;                  // entry to select
  std::array<std::string, kLogicalButtonCount> edits;
  bool forceFeedbackAvailable = false;
  std::string forceFeedbackLabel;
  bool forceFeedbackChecked = false;
};

// Where the focus goes after a capture: an edit 0-11, or the close button.
constexpr int kPadFocusCloseButton = kLogicalButtonCount;

struct PadCapture {
  bool bound = false;  // the focused edit was given a code
  int edit = -1;       // which edit
  int32_t code = 0;
  std::string text;    // its new text
  int nextFocus = -1;  // an edit, or kPadFocusCloseButton
};

class PadConfig {
 public:
  PadConfig(Joypad& joypad, platform::FileSystem* files) : joypad_(joypad), files_(files) {}

  // Start-up: reads "JoyPad.inp" (defaults when missing), opens the joypad
  // and selects the device it names. When there is no file and the pad is a
  // known game controller, the bindings are the controller's defaults.
  void startUp();
  // Reads a file (a name of the file layer, or an absolute path) into the
  // device number, the joypad's codes and its force-feedback switch.
  void loadSettings(std::string_view name);
  // Writes "JoyPad.inp" in the game folder (whatever file was loaded last).
  bool saveSettings();
  // The values as they would be written now.
  PadSettings current() const;

  int deviceNumber() const { return deviceNumber_; }
  int32_t lastSeenCode() const { return lastSeenCode_; }

  // The dialog's state after showing, loading, 再認識 or a list change.
  PadView refresh() const;
  // One capture tick (every 30 ms while the dialog shows). focusedEdit is the
  // edit with the keyboard focus (0-11, -1 none); deleteHeld whether Delete
  // is down now.
  PadCapture capture(int focusedEdit, bool deleteHeld);
  // The force-feedback box clicked: the switch, and with it ticked a half
  // second's full test rumble through sleep(ms) between two rumble calls.
  template <typename Wait>
  void forceFeedbackClicked(bool checked, Wait&& wait) {
    forceFeedback_ = checked;
    joypad_.setForceFeedback(checked);
    if (checked) {
      joypad_.rumble(kRumbleMax);
      wait();
    }
    joypad_.rumble(0);
  }
  // 再認識: list the joysticks again and open the chosen one.
  void recognizeAgain();
  // Another list entry chosen.
  void selectDevice(int index);

 private:
  PadSettings defaults() const;

  Joypad& joypad_;
  platform::FileSystem* files_;
  int32_t deviceNumber_ = 0;
  int32_t lastSeenCode_ = 0;
  bool forceFeedback_ = true;
};

}  // namespace kobre
