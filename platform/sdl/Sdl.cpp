// SDL2 pieces of the desktop platform: the audio device and the joystick.
#include "platform/sdl/Sdl.h"

#include <SDL.h>
#include <dlfcn.h>

namespace kobre::platform::sdl {

bool initSubsystem(unsigned flags) {
  if (SDL_WasInit(flags) == flags) return true;
  // SDL would turn SIGINT/SIGTERM into quit events nobody reads here, and the
  // program would no longer stop on them.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  return SDL_InitSubSystem(flags) == 0;
}

namespace {
// ALSA's error handler type and its setter (alsa/error.h), called through
// dlsym so that the program does not link the library itself.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int err,
                                  const char* fmt, ...);
using AlsaSetHandler = int (*)(AlsaErrorHandler);

void dropAlsaError(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

QuietAlsa::QuietAlsa() {
  library_ = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
  if (!library_) return;
  setHandler_ = dlsym(library_, "snd_lib_error_set_handler");
  if (setHandler_) reinterpret_cast<AlsaSetHandler>(setHandler_)(&dropAlsaError);
}

QuietAlsa::~QuietAlsa() {
  // Back to ALSA's own handler: errors of a device in use are worth seeing.
  if (setHandler_) reinterpret_cast<AlsaSetHandler>(setHandler_)(nullptr);
  if (library_) dlclose(library_);
}

}  // namespace kobre::platform::sdl
