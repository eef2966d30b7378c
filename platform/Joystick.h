#pragma once

#include <cstdint>
#include <string>

namespace kobre::platform {

struct JoystickState {
  uint32_t buttons = 0;  // raw buttons 0-31
  int x = 0;             // axes, -32768 ... 32767
  int y = 0;
};

// Where a pad that the platform knows as a game controller has its controls,
// as raw joystick controls: a button index (0-31), or a stick direction
// (kLayoutStickUp ... kLayoutStickRight, the X/Y axes), or kLayoutNone.
struct ControllerLayout {
  static constexpr int kLayoutNone = -100;
  static constexpr int kLayoutStickUp = -1;
  static constexpr int kLayoutStickDown = -2;
  static constexpr int kLayoutStickLeft = -3;
  static constexpr int kLayoutStickRight = -4;
  int south = kLayoutNone;  // A on Xbox layouts, cross on PlayStation
  int east = kLayoutNone;
  int west = kLayoutNone;
  int north = kLayoutNone;
  int back = kLayoutNone;
  int start = kLayoutNone;
  int leftStick = kLayoutNone;  // stick presses
  int rightStick = kLayoutNone;
  int leftShoulder = kLayoutNone;
  int rightShoulder = kLayoutNone;
  int dpadUp = kLayoutNone;
  int dpadDown = kLayoutNone;
  int dpadLeft = kLayoutNone;
  int dpadRight = kLayoutNone;
};

class Joystick {
 public:
  virtual ~Joystick() = default;
  // Whether the joystick layer could be brought up at all.
  virtual bool available() { return true; }
  // Attached joysticks; asking also notices pads plugged in or pulled out.
  virtual int deviceCount() = 0;
  virtual std::string deviceName(int index) = 0;
  virtual bool open(int index) = 0;
  virtual void close() = 0;
  // False when nothing is open or the open joystick was pulled out.
  virtual bool poll(JoystickState& state) = 0;
  // Whether the open joystick has rumble motors.
  virtual bool hasRumble() { return false; }
  // Strength 0...65535 for the low and high frequency motors.
  virtual bool rumble(uint16_t low, uint16_t high, uint32_t ms) = 0;
  // The raw controls of a known game controller's buttons; false when the
  // device at index is not one.
  virtual bool controllerLayout(int /*index*/, ControllerLayout& /*out*/) { return false; }
};

}  // namespace kobre::platform
