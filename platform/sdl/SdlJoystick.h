#pragma once

#include "platform/Joystick.h"

struct _SDL_Joystick;

namespace kobre::platform::sdl {

// A joystick through SDL2: raw buttons 0-31, the X and Y axes, rumble.
class SdlJoystick : public Joystick {
 public:
  SdlJoystick();
  ~SdlJoystick() override;
  int deviceCount() override;
  std::string deviceName(int index) override;
  bool open(int index) override;
  void close() override;
  bool poll(JoystickState& state) override;
  bool rumble(uint16_t low, uint16_t high, uint32_t ms) override;

 private:
  bool ready_ = false;
  _SDL_Joystick* joystick_ = nullptr;
};

}  // namespace kobre::platform::sdl
