#include "platform/sdl/SdlJoystick.h"

#include <SDL.h>

#include "platform/sdl/Sdl.h"

namespace kobre::platform::sdl {

SdlJoystick::SdlJoystick() : ready_(initSubsystem(SDL_INIT_JOYSTICK)) {}

SdlJoystick::~SdlJoystick() {
  close();
}

int SdlJoystick::deviceCount() {
  if (!ready_) return 0;
  int n = SDL_NumJoysticks();
  return n > 0 ? n : 0;
}

std::string SdlJoystick::deviceName(int index) {
  if (!ready_ || index < 0 || index >= deviceCount()) return {};
  const char* name = SDL_JoystickNameForIndex(index);
  return name ? std::string(name) : std::string();
}

bool SdlJoystick::open(int index) {
  close();
  if (!ready_ || index < 0 || index >= deviceCount()) return false;
  joystick_ = SDL_JoystickOpen(index);
  return joystick_ != nullptr;
}

void SdlJoystick::close() {
  if (joystick_) SDL_JoystickClose(joystick_);
  joystick_ = nullptr;
}

bool SdlJoystick::poll(JoystickState& state) {
  state = JoystickState{};
  if (!joystick_) return false;
  SDL_JoystickUpdate();
  if (!SDL_JoystickGetAttached(joystick_)) return false;
  int buttons = SDL_JoystickNumButtons(joystick_);
  if (buttons > 32) buttons = 32;
  for (int i = 0; i < buttons; ++i)
    if (SDL_JoystickGetButton(joystick_, i)) state.buttons |= uint32_t{1} << i;
  int axes = SDL_JoystickNumAxes(joystick_);
  if (axes > 0) state.x = SDL_JoystickGetAxis(joystick_, 0);
  if (axes > 1) state.y = SDL_JoystickGetAxis(joystick_, 1);
  return true;
}

bool SdlJoystick::rumble(uint16_t low, uint16_t high, uint32_t ms) {
  return joystick_ && SDL_JoystickRumble(joystick_, low, high, ms) == 0;
}

}  // namespace kobre::platform::sdl
