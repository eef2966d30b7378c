// Text sprites: the text is laid out on the cell grid and drawn with its
// shadow from a cache that is rasterised again only when the text changes.
#include <cstring>

#include "graphics/DIBSprite.h"

namespace kobre {

bool DIBSprite::drawText(DrawContext* dc) {
  if (!text_ || dc == nullptr || context_ == nullptr) return true;
  TextDrawRequest request;
  request.text = *text_;
  request.font = font_;
  request.colour = textColour_;
  request.cellWidth = cellWidth_;
  request.columns = width_;
  request.rows = height_;
  request.shownChars = shownChars_;
  request.x = x_;
  request.y = y_;
  std::string_view hero;
  if (context_->settings != nullptr) {
    const char* name = context_->settings->heroName;
    hero = std::string_view(name, strnlen(name, sizeof(context_->settings->heroName)));
  }
  textCache_.draw(request, context_->textRenderer, context_->raster, hero,
                  TextTarget{dc->pixels, dc->width, dc->height, dc->stride});
  return true;
}

}  // namespace kobre
