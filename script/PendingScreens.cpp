// The save, load and backlog screens the waits and the title menu
// open. Until they are built they say so once in the log and return at
// once: nothing was loaded and no return-to-title request arrived.
#include "script/Lexer.h"

namespace kobre {

Flow Lexer::SaveLoadScreen(bool load) {
  runtime_->stub(load ? "load screen" : "save screen");
  return Flow::Next;
}
Flow Lexer::BacklogScreen() {
  runtime_->stub("backlog screen");
  return Flow::Next;
}

}  // namespace kobre
