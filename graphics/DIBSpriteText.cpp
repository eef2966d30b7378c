// Text sprites: the text is laid out on the cell grid and drawn with its
// shadow from a cache that is rasterised again only when the text changes.
// Also the exchange of two sprites' contents.
#include <cstring>
#include <utility>

#include "graphics/DIBSprite.h"

namespace kobre {

TextDrawRequest DIBSprite::textRequest() const {
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
  return request;
}

bool DIBSprite::drawText(DrawContext* dc, const Rect& clip) {
  if (!text_ || dc == nullptr || context_ == nullptr) return true;
  TextTarget target{dc->pixels, dc->width, dc->height, dc->stride};
  target.clip = clip;
  textCache_.draw(textRequest(), context_->textRenderer, context_->raster, context_->heroName(),
                  target);
  return true;
}

void DIBSprite::swapWith(DIBSprite& other) {
  if (this == &other) return;
  using std::swap;
  swap(bitmap_, other.bitmap_);
  swap(text_, other.text_);
  swap(font_, other.font_);
  swap(visible_, other.visible_);
  swap(x_, other.x_);
  swap(y_, other.y_);
  swap(dx_, other.dx_);
  swap(dy_, other.dy_);
  swap(brightness_, other.brightness_);
  swap(opacity_, other.opacity_);
  swap(boxStyle_, other.boxStyle_);
  swap(width_, other.width_);
  swap(height_, other.height_);
  swap(textColour_, other.textColour_);
  swap(shownChars_, other.shownChars_);
  swap(cellWidth_, other.cellWidth_);
  swap(frameCount_, other.frameCount_);
  swap(frame_, other.frame_);
  swap(holdLastFrame_, other.holdLastFrame_);
  swap(animating_, other.animating_);
  swap(loopStart_, other.loopStart_);
  swap(name_, other.name_);
  swap(textCache_, other.textCache_);
  newContent();
  other.newContent();
}

}  // namespace kobre
