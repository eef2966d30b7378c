// The system screens a script opens (title menu, load and save screens, the
// ending roll) and the device commands (rumble, releasing sprites and sound
// channels).
#include "script/Lexer.h"

namespace kobre {

bool Lexer::Menu() {
  return true;
}
bool Lexer::LoadScreen() {
  return true;
}
bool Lexer::SaveScreen() {
  return true;
}
bool Lexer::Ending(const char*) {
  return true;
}
void Lexer::SetRumble(int32_t) {}
void Lexer::ReleaseAllSprites() {}
void Lexer::ReleaseAllChannels() {}

}  // namespace kobre
