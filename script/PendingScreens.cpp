// The extras menu the title menu opens. Until it is built it says so once
// in the log and returns at once.
#include "script/Lexer.h"

namespace kobre {

bool Lexer::ExtrasMenu() {
  runtime_->stub("extras menu");
  return true;
}

}  // namespace kobre
