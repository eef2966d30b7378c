// SDL2 pieces of the desktop platform: the audio device and the joystick.
#include "platform/sdl/Sdl.h"

#include <SDL.h>

namespace kobre::platform::sdl {

bool initSubsystem(unsigned flags) {
  if (SDL_WasInit(flags) == flags) return true;
  // SDL would turn SIGINT/SIGTERM into quit events nobody reads here, and the
  // program would no longer stop on them.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  return SDL_InitSubSystem(flags) == 0;
}

}  // namespace kobre::platform::sdl
