// The joypad: one joystick of the platform mapped onto the twelve logical
// buttons through a table of codes, and its rumble. Portable; it reaches the
// device through platform::Joystick and shows its errors through the Host.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Joystick.h"

namespace kobre {

// Codes binding a logical button to a control of the joystick: 0-31 are
// buttons, the negative ones the stick's directions, -5 nothing.
constexpr int32_t kPadCodeUp = -1;
constexpr int32_t kPadCodeDown = -2;
constexpr int32_t kPadCodeLeft = -3;
constexpr int32_t kPadCodeRight = -4;
constexpr int32_t kPadUnassigned = -5;
constexpr int32_t kPadNothingPressed = -6;  // capture: no control is down

constexpr int kPadMaxDevices = 4;
constexpr int kLogicalButtonCount = 12;
constexpr int32_t kRumbleMax = 10000;

// Index 0-11 of a logical button bit (0x001 ... 0x800); -1 for any other value.
int logicalButtonIndex(uint32_t bit);
// The bit of index 0-11.
constexpr uint32_t logicalButtonBit(int index) {
  return uint32_t{1} << index;
}

// Result codes of the joystick layer, reported in the "Direct Input Error" box.
enum DirectInputError : uint32_t {
  kDiErrGeneric = 0x80004005,
  kDiErrNotInitialized = 0x80070015,
  kDiErrInputLost = 0x8007001E,
};

// The symbolic name of a result code, "未定義のエラー" for an unknown one.
std::string_view directInputErrorText(uint32_t code);
// "unit (line)\nTEXT 0xXXXXXXXX" with the unit after the last backslash or
// slash, at most 1023 bytes.
std::string formatDirectInputError(std::string_view sourcePath, int line, uint32_t code);

class Joypad {
 public:
  // Any pointer may be null: no joystick layer means no devices; no host
  // means errors go unseen; without a clock a long rumble is not renewed.
  explicit Joypad(platform::Joystick* joystick = nullptr, platform::Host* host = nullptr,
                  platform::Clock* clock = nullptr);
  ~Joypad();
  Joypad(const Joypad&) = delete;
  Joypad& operator=(const Joypad&) = delete;

  // Releases everything, then lists the attached joysticks (at most four).
  // True when at least one was found.
  bool open();
  int deviceCount() const { return deviceCount_; }
  // The product name of entry index; empty outside the list.
  std::string deviceName(int index) const;
  // Opens entry index of the list; false when it cannot be opened.
  bool selectDevice(int index);
  // Reads the state once. False when no device is open or the read failed
  // (a pulled-out joystick); the state is then not used. While no device is
  // open, a joystick plugged in meanwhile is opened here by itself.
  bool poll();

  bool isPressed(uint32_t bit) const;
  bool isRawPressed(int32_t code) const;
  // Every logical button whose control is down in the last state read.
  uint32_t pressedButtons() const;

  int32_t assignment(uint32_t bit) const;
  void assign(uint32_t bit, int32_t code);

  void setForceFeedback(bool enabled) { forceFeedbackEnabled_ = enabled; }
  bool forceFeedback() const { return forceFeedbackEnabled_; }
  bool forceFeedbackAvailable() const { return ready_ && forceFeedbackAvailable_; }
  // Sets the rumble strength 0-10000 (clamped; 0 stops it). False without a
  // device that rumbles; true with nothing sent while the user switched it off.
  bool rumble(int32_t magnitude);
  int32_t rumbleMagnitude() const { return magnitude_; }

  // Closes the device and forgets the list.
  void release();
  bool isReady() const { return ready_; }
  // The device selectDevice opened last (also the one reopened by poll).
  int selectedDevice() const { return selected_; }

  // The raw controls of entry index when the platform knows it as a game
  // controller.
  bool controllerLayout(int index, platform::ControllerLayout& out) const;

  void reportDirectInputError(std::string_view sourcePath, int line, uint32_t code);

 private:
  bool testCode(int32_t code) const;
  bool sendRumble();
  void closeDevice();

  platform::Joystick* joystick_;
  platform::Host* host_;
  platform::Clock* clock_;
  bool layer_ = false;  // open() found a working joystick layer
  int deviceCount_ = 0;
  std::array<std::string, kPadMaxDevices> deviceTable_;
  platform::JoystickState state_;
  bool ready_ = false;
  bool forceFeedbackAvailable_ = false;
  bool forceFeedbackEnabled_ = true;
  int selected_ = 0;
  int autoOpenCount_ = -1;  // device count at the last automatic open
  int32_t magnitude_ = 0;
  uint32_t sentAt_ = 0;
  std::array<int32_t, kLogicalButtonCount> buttonAssignment_;
};

}  // namespace kobre
