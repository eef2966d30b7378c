#pragma once

namespace kobre::platform::sdl {

// Brings up one SDL subsystem (SDL_INIT_AUDIO, SDL_INIT_JOYSTICK) on first
// use; SDL counts the calls, so each user may ask.
bool initSubsystem(unsigned flags);

// While one lives, ALSA's library keeps its error lines to itself: SDL tries
// ALSA when it looks for a sound card, and without one ALSA writes a string
// of configuration errors on stderr. Loads nothing SDL would not load.
class QuietAlsa {
 public:
  QuietAlsa();
  ~QuietAlsa();
  QuietAlsa(const QuietAlsa&) = delete;
  QuietAlsa& operator=(const QuietAlsa&) = delete;

 private:
  void* library_ = nullptr;
  void* setHandler_ = nullptr;
};

}  // namespace kobre::platform::sdl
