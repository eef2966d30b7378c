// SDL2 pieces of the desktop platform: the audio device and the joystick.
#include "platform/sdl/Sdl.h"

#include <SDL.h>

namespace kobre::platform::sdl {

bool initSubsystem(unsigned flags) {
  if (SDL_WasInit(flags) == flags) return true;
  return SDL_InitSubSystem(flags) == 0;
}

}  // namespace kobre::platform::sdl
