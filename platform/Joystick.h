#pragma once

#include <cstdint>
#include <string>

namespace kobre::platform {

struct JoystickState {
  uint32_t buttons = 0;  // raw buttons 0-31
  int x = 0;             // axes, -32768 ... 32767
  int y = 0;
};

class Joystick {
 public:
  virtual ~Joystick() = default;
  virtual int deviceCount() = 0;
  virtual std::string deviceName(int index) = 0;
  virtual bool open(int index) = 0;
  virtual void close() = 0;
  virtual bool poll(JoystickState& state) = 0;
  // Strength 0...65535 for the low and high frequency motors.
  virtual bool rumble(uint16_t low, uint16_t high, uint32_t ms) = 0;
};

}  // namespace kobre::platform
