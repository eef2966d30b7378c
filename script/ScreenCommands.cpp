// The system screens a script opens (title menu, load and save screens), the
// ending roll, and the device commands (rumble, releasing every sprite slot
// and sound channel).
#include <cstdio>

#include "input/Joypad.h"
#include "script/SceneSlots.h"

namespace kobre {

bool Lexer::Menu() {
  return TitleMenu();
}
// `load` and `save`: the script goes on whatever the screen did (a load has
// already moved it to the loaded game), unless polling or presenting failed.
bool Lexer::LoadScreen() {
  return SaveLoadScreen(true) != Flow::Unwind;
}
bool Lexer::SaveScreen() {
  return SaveLoadScreen(false) != Flow::Unwind;
}
// The joypad's rumble (clamped to 0-10000 there); nothing without a joypad.
void Lexer::SetRumble(int32_t strength) {
  if (runtime_->joypad != nullptr) runtime_->joypad->rumble(strength);
}

void Lexer::ReleaseAllSprites() {
  for (DIBSprite* sprite : runtime_->spriteSlots)
    if (sprite != nullptr) sprite->release();
}

void Lexer::ReleaseAllChannels() {
  if (runtime_->soundChannels == nullptr) return;
  for (int i = 0; i < kSoundChannelCount; ++i) (*runtime_->soundChannels)[i].release();
}

// The ending roll: darken to black, clear the scene, start the music, then
// show "_Ed01" to "_Ed15" in layer 0 for 5 s each. The music keeps playing.
bool Lexer::Ending(const char* music) {
  constexpr int kPictures = 15;
  constexpr uint32_t kHoldMs = 5000;
  if (!ScreenFade(0)) return false;
  ReleaseAllSprites();
  if (!Music(1, music, "LOOP")) return false;
  platform::Clock* clock = runtime_->platform.clock;
  for (int i = 1; i <= kPictures; ++i) {
    char name[kArgumentSize];
    std::snprintf(name, sizeof name, "_Ed%02d", i);
    if (!SetLayer(0, name, "FADE_IN", 0, 0)) return false;
    const uint32_t start = clock != nullptr ? clock->tickCount() : 0;
    while (clock != nullptr && static_cast<uint32_t>(clock->tickCount() - start) < kHoldMs) {
      if (!PollInput()) return false;
      if (runtime_->returnToTitle) {
        runtime_->returnToTitle = false;
        return true;
      }
      if (runtime_->closing) return true;
      if (!Present()) return false;
    }
    if (!Fade("FADE_OUT", 0, -1, -1, 1)) return false;
  }
  return true;
}

}  // namespace kobre
