// Small sprite steps the system screens share: placing a picture in a slot,
// showing or hiding a slot, releasing a run of slots.
#pragma once

#include <string>

#include "graphics/DIBSprite.h"
#include "script/Runtime.h"

namespace kobre::screens {

inline void releaseSlots(Runtime* rt, int first, int last) {
  for (int i = first; i <= last; ++i)
    if (DIBSprite* s = slotAt(rt, i)) s->release();
}

// Loads a picture into a slot at (x, y); the sprite, or null when the slot
// stays empty (a missing picture has been reported by the sprite).
inline DIBSprite* place(Runtime* rt, int slot, const std::string& picture, int x, int y) {
  DIBSprite* s = slotAt(rt, slot);
  if (s == nullptr || !s->loadImage(picture)) return nullptr;
  s->setPosition(x, y);
  return s;
}

// Shows (from its first frame) or hides the sprite of a slot.
inline void setVisible(Runtime* rt, int slot, bool visible) {
  if (DIBSprite* s = slotAt(rt, slot)) s->setVisible(visible);
}

}  // namespace kobre::screens
