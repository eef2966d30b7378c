#pragma once

#include <string_view>

#include "platform/Joystick.h"

struct _SDL_Joystick;

namespace kobre::platform::sdl {

// Reads SDL's game-controller mapping text ("a:b0,b:b1,dpup:b11,...") into
// the raw buttons of a layout; controls bound to hats or axes stay unset.
// False when the text names no button at all.
bool parseControllerMapping(std::string_view mapping, ControllerLayout& out);

// A joystick through SDL2: raw buttons 0-31, the X and Y axes, rumble.
class SdlJoystick : public Joystick {
 public:
  SdlJoystick();
  ~SdlJoystick() override;
  bool available() override { return ready_; }
  int deviceCount() override;
  std::string deviceName(int index) override;
  bool open(int index) override;
  void close() override;
  bool poll(JoystickState& state) override;
  bool hasRumble() override;
  bool rumble(uint16_t low, uint16_t high, uint32_t ms) override;
  bool controllerLayout(int index, ControllerLayout& out) override;

 private:
  bool ready_ = false;
  _SDL_Joystick* joystick_ = nullptr;
};

}  // namespace kobre::platform::sdl
