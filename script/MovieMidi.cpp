// Movies and MIDI music.
#include "script/Lexer.h"

namespace kobre {

bool Lexer::Movie(const char*) {
  return true;
}
bool Lexer::Midi(const char*) {
  return true;
}

}  // namespace kobre
