// The save, load and backlog screens the message and choice waits open.
// Until the system screens are built they return at once: nothing was
// loaded and no return-to-title request arrived.
#include "script/Lexer.h"

namespace kobre {

Flow Lexer::SaveLoadScreen(bool /*load*/) {
  return Flow::Next;
}
Flow Lexer::BacklogScreen() {
  return Flow::Next;
}

}  // namespace kobre
