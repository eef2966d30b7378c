#include "platform/sdl/SdlJoystick.h"

#include <SDL.h>

#include "platform/sdl/Sdl.h"

namespace kobre::platform::sdl {

bool parseControllerMapping(std::string_view mapping, ControllerLayout& out) {
  struct Field {
    std::string_view name;
    int ControllerLayout::*control;
  };
  static constexpr Field kFields[] = {
      {"a", &ControllerLayout::south},
      {"b", &ControllerLayout::east},
      {"x", &ControllerLayout::west},
      {"y", &ControllerLayout::north},
      {"back", &ControllerLayout::back},
      {"start", &ControllerLayout::start},
      {"leftstick", &ControllerLayout::leftStick},
      {"rightstick", &ControllerLayout::rightStick},
      {"leftshoulder", &ControllerLayout::leftShoulder},
      {"rightshoulder", &ControllerLayout::rightShoulder},
      {"dpup", &ControllerLayout::dpadUp},
      {"dpdown", &ControllerLayout::dpadDown},
      {"dpleft", &ControllerLayout::dpadLeft},
      {"dpright", &ControllerLayout::dpadRight},
  };
  out = ControllerLayout{};
  bool any = false;
  while (!mapping.empty()) {
    const size_t comma = mapping.find(',');
    const std::string_view item = mapping.substr(0, comma);
    mapping.remove_prefix(comma == std::string_view::npos ? mapping.size() : comma + 1);
    const size_t colon = item.find(':');
    if (colon == std::string_view::npos) continue;  // the GUID and name come first
    const std::string_view key = item.substr(0, colon);
    const std::string_view bind = item.substr(colon + 1);
    // Only plain buttons "bN" with N 0-31 are raw controls we can bind.
    if (bind.size() < 2 || bind.size() > 3 || bind[0] != 'b') continue;
    int index = 0;
    bool digits = true;
    for (char c : bind.substr(1)) {
      if (c < '0' || c > '9') digits = false;
      index = index * 10 + (c - '0');
    }
    if (!digits || index > 31) continue;
    for (const Field& f : kFields)
      if (f.name == key) {
        out.*f.control = index;
        any = true;
      }
  }
  return any;
}

SdlJoystick::SdlJoystick() : ready_(initSubsystem(SDL_INIT_JOYSTICK)) {}

SdlJoystick::~SdlJoystick() {
  close();
}

int SdlJoystick::deviceCount() {
  if (!ready_) return 0;
  // Nobody pumps SDL's events here: let SDL look for pads plugged in or out.
  SDL_JoystickUpdate();
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

bool SdlJoystick::hasRumble() {
  return joystick_ && SDL_JoystickHasRumble(joystick_) == SDL_TRUE;
}

bool SdlJoystick::controllerLayout(int index, ControllerLayout& out) {
  if (!ready_ || index < 0 || index >= SDL_NumJoysticks() || !SDL_IsGameController(index))
    return false;
  char* mapping = SDL_GameControllerMappingForDeviceIndex(index);
  if (mapping == nullptr) return false;
  const bool known = parseControllerMapping(mapping, out);
  SDL_free(mapping);
  return known;
}

bool SdlJoystick::rumble(uint16_t low, uint16_t high, uint32_t ms) {
  return joystick_ && SDL_JoystickRumble(joystick_, low, high, ms) == 0;
}

}  // namespace kobre::platform::sdl
