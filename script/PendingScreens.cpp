// The save, load and backlog screens the message and choice waits open.
// They are not built yet: each says so once in the log and returns to the
// wait as if the player had closed it at once.
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
