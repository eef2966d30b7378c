// Movies and MIDI music. Neither player is built yet: each command says so
// once in the log and the script goes on.
#include "script/Lexer.h"

namespace kobre {

bool Lexer::Movie(const char*) {
  runtime_->stub("movie");
  return true;
}
bool Lexer::Midi(const char*) {
  runtime_->stub("MIDI");
  return true;
}

}  // namespace kobre
