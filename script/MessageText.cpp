// Message window text: text lines, ret, window, cls and the window group.
// Until the message display is built these only consume their words.
#include "script/Lexer.h"

namespace kobre {

bool Lexer::AddText() {
  PassToken();
  return true;
}

bool Lexer::Ret(bool /*skippable*/) {
  return true;
}

bool Lexer::Window(const WindowArgs& /*args*/) {
  return true;
}

void Lexer::SetWindowSlotsVisible(bool /*visible*/) {}

bool Lexer::Cls() {
  return true;
}

}  // namespace kobre
