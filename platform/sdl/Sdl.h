#pragma once

namespace kobre::platform::sdl {

// Brings up one SDL subsystem (SDL_INIT_AUDIO, SDL_INIT_JOYSTICK) on first
// use; SDL counts the calls, so each user may ask.
bool initSubsystem(unsigned flags);

}  // namespace kobre::platform::sdl
