// Scene graphics commands: picture layers, fades, screen fades, shake and
// rotation. Until the sprites are built these only consume their words.
#include "script/Lexer.h"

namespace kobre {

bool Lexer::Bg(const char*, const char*) {
  return true;
}
bool Lexer::Bg1(const char*, const char*) {
  return true;
}
bool Lexer::Bg2(const char*, const char*, const char*) {
  return true;
}
bool Lexer::Bg3(const char*, const char*, const char*, const char*) {
  return true;
}
bool Lexer::Ev1(const char*, const char*) {
  return true;
}
bool Lexer::Sp(int32_t, const char*, const char*, int) {
  return true;
}
bool Lexer::Sp1(const char*, const char*) {
  return true;
}
bool Lexer::Sp2(const char*, const char*, const char*) {
  return true;
}
bool Lexer::Fade(const char*, int, int, int, int) {
  return true;
}
bool Lexer::ScreenFade(int) {
  return true;
}
bool Lexer::Shake(const char*) {
  return true;
}
bool Lexer::Rotate(int32_t, int32_t, const char*) {
  return true;
}

}  // namespace kobre
