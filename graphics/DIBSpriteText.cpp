// Text sprites: the message-text layout is drawn here. Until the layout is
// in place a text sprite draws nothing.
#include "graphics/DIBSprite.h"

namespace kobre {

bool DIBSprite::drawText(DrawContext*) {
  return true;
}

}  // namespace kobre
