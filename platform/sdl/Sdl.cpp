// SDL2 pieces of the desktop platform: the audio device and the joystick.
#include <SDL.h>

namespace kobre::platform::sdl {

// Starts the SDL subsystems the desktop uses once per process.
bool initSdl() {
  return SDL_Init(SDL_INIT_AUDIO | SDL_INIT_JOYSTICK) == 0;
}

}  // namespace kobre::platform::sdl
