#include "graphics/DIBSprite.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <utility>

#include "common/AsciiCase.h"
#include "common/Buttons.h"
#include "common/ClampByte.h"
#include "common/Sjis.h"

namespace kobre {

namespace {

constexpr std::string_view kUnit = "DIBSprite";
// Fixed codes of the reporting places.
constexpr int kCodeNoMemory = 410;
constexpr int kCodeLoad = 411;
constexpr int kCodeBlank = 420;
constexpr int kCodeBox = 421;
constexpr int kCodeNoSource = 430;

std::atomic<uint64_t> contentCount{0};

}  // namespace

void DIBSprite::newContent() {
  content_ = contentCount.fetch_add(1, std::memory_order_relaxed) + 1;
}

void attachSpriteSlots(SpriteSlots& slots, GraphicsContext* context) {
  for (DIBSprite& s : slots) s.setContext(context);
}

void DIBSprite::report(int code, std::string_view message, std::string_view detail) const {
  if (context_ != nullptr)
    context_->reportError(kUnit, code, message, context_->displayText(detail));
}

void DIBSprite::release() {
  newContent();
  hide();
  if (bitmap_) bitmap_->release();
  bitmap_.reset();
  text_.reset();
  name_.clear();
  dx_ = dy_ = 0;
  width_ = height_ = 0;
  frameCount_ = 1;
  frame_ = 0;
  holdLastFrame_ = false;
  animating_ = true;
  loopStart_ = 0;
  shownChars_ = kAllChars;
}

bool DIBSprite::loadImage(std::string_view name) {
  name = name.substr(0, 255);
  if (!(bitmap_ && equalsIgnoreAsciiCaseSjis(name, name_))) {
    release();
    name_ = std::string(name);
    bitmap_.reset(new (std::nothrow) DIBitmap(context_));
    if (!bitmap_) {
      report(kCodeNoMemory, "メモリが足りません", name);
      release();
      return false;
    }
    if (!bitmap_->load(name)) {
      report(kCodeLoad, "ファイルが開けません", name);
      release();
      return false;
    }
    width_ = bitmap_->width();
    height_ = bitmap_->height();
  }
  frameCount_ = bitmap_->frameCount();
  setVisible(true);
  x_ = y_ = 0;
  dx_ = dy_ = 0;
  brightness_ = 255;
  opacity_ = 255;
  return true;
}

bool DIBSprite::createBlank(int width, int height) {
  release();
  bitmap_.reset(new (std::nothrow) DIBitmap(context_));
  if (!bitmap_ || !bitmap_->create(width, height, 1)) {
    report(kCodeBlank, "ボックスが作れません", "");
    release();
    return false;
  }
  bitmap_->setAlpha(false);
  width_ = width;
  height_ = height;
  frameCount_ = 1;
  visible_ = true;
  opacity_ = 255;
  brightness_ = 255;
  return true;
}

bool DIBSprite::createBox(int x, int y, int width, int height) {
  release();
  name_ = std::string(kBoxName);
  bitmap_.reset(new (std::nothrow) DIBitmap(context_));
  if (!bitmap_ || !bitmap_->create(width, height, 1)) {
    report(kCodeBox, "メッセージボックスが作れません", "");
    release();
    return false;
  }
  Settings defaults;
  const Settings& s = context_ != nullptr && context_->settings ? *context_->settings : defaults;
  uint32_t colour = 0xFF000000u | (static_cast<uint32_t>(clampByte(s.windowRed)) << 16) |
                    (static_cast<uint32_t>(clampByte(s.windowGreen)) << 8) |
                    static_cast<uint32_t>(clampByte(s.windowBlue));
  bitmap_->fill(colour);
  bitmap_->setAlpha(true);
  width_ = width;
  height_ = height;
  frameCount_ = 1;
  visible_ = true;
  x_ = x;
  y_ = y;
  brightness_ = 255;
  setBoxStyle(1);
  return true;
}

bool DIBSprite::rebuildBox() {
  if (!bitmap_) return true;
  bool wasVisible = visible_;
  int style = boxStyle_;
  if (!createBox(x_, y_, width_, height_)) return false;
  setVisible(wasVisible);
  setBoxStyle(style);
  dx_ = dy_ = 0;
  return true;
}

bool DIBSprite::setText(std::string_view text, const platform::FontSpec* font, uint32_t colour,
                        int cellWidth, int columns, int rows) {
  release();
  text_ = std::make_unique<std::string>(text);
  newContent();
  font_ = font;
  textColour_ = colour;
  cellWidth_ = cellWidth;
  width_ = columns;
  height_ = rows;
  shownChars_ = kAllChars;
  brightness_ = 255;
  visible_ = true;
  return true;
}

void DIBSprite::setVisible(bool flag) {
  if (!bitmap_ && !text_) {
    visible_ = false;
    return;
  }
  if (!visible_ && flag) frame_ = 0;
  visible_ = flag;
}

void DIBSprite::show() {
  if (bitmap_ || text_) visible_ = true;
}

bool DIBSprite::setVelocity(int dx, int dy) {
  if (!bitmap_) return false;
  dx_ = dx;
  dy_ = dy;
  return true;
}

void DIBSprite::setBrightness(int v) {
  brightness_ = clampByte(v);
}
void DIBSprite::setOpacity(int v) {
  opacity_ = clampByte(v);
}

void DIBSprite::setBoxStyle(int style) {
  boxStyle_ = style;
  if (style == 1) {
    int alpha = context_ != nullptr && context_->settings ? context_->settings->windowAlpha
                                                          : Settings{}.windowAlpha;
    opacity_ = clampByte(alpha);
  } else if (style == 2) {
    opacity_ = 255;
  }
}

void DIBSprite::setLoopStart(int i) {
  loopStart_ = (i < 0 || i >= frameCount_) ? 0 : i;
}

int DIBSprite::charCount() const {
  if (!text_) return 0;
  int count = 0;
  const std::string& t = *text_;
  for (size_t i = 0; i < t.size() && t[i] != 0; ++i) {
    if (isWideLead(t[i])) {
      ++count;
      ++i;
    }
  }
  return count;
}

bool DIBSprite::drawRun(DrawContext* dc, int x, int y, std::string_view bytes) {
  if (!text_) return false;
  if (dc == nullptr || context_ == nullptr || context_->raster == nullptr) return true;
  platform::FontSpec fallback;
  const platform::FontSpec& font = font_ ? *font_ : fallback;
  context_->raster->drawText(dc->pixels, dc->width, dc->height, dc->stride, x + 1, y + 1, bytes,
                             font, 0x000000);
  context_->raster->drawText(dc->pixels, dc->width, dc->height, dc->stride, x, y, bytes, font,
                             textColour_ & 0xFFFFFF);
  return true;
}

bool DIBSprite::hitTest(int screenX, int screenY) const {
  if (!bitmap_) return false;
  int w = bitmap_->width(), h = bitmap_->height();
  if (screenX < x_ || screenY < y_ || screenX - x_ >= w || screenY - y_ >= h) return false;
  const uint32_t* p = bitmap_->pixels(frame_);
  if (p == nullptr) return false;
  uint32_t pixel = p[static_cast<size_t>(screenY - y_) * static_cast<size_t>(w) +
                     static_cast<size_t>(screenX - x_)];
  return (pixel >> 24) != 0;
}

bool DIBSprite::copyFrom(const DIBitmap* source, int sourceX, int sourceY, int sourceFrame) {
  if (!bitmap_) return false;
  const uint32_t* src = source != nullptr ? source->pixels(sourceFrame) : nullptr;
  if (src == nullptr) {
    report(kCodeNoSource, "ソースのデータがありません", "");
    return false;
  }
  uint32_t* dst = bitmap_->pixels(0);
  const int64_t w = bitmap_->width(), h = bitmap_->height();
  const int64_t sw = source->width(), sh = source->height();
  // The part of the rectangle that lies inside the source.
  const int64_t x0 = std::max<int64_t>(0, -int64_t{sourceX});
  const int64_t x1 = std::min<int64_t>(w, sw - sourceX);
  const int64_t y0 = std::max<int64_t>(0, -int64_t{sourceY});
  const int64_t y1 = std::min<int64_t>(h, sh - sourceY);
  for (int64_t y = y0; y < y1 && x0 < x1; ++y)
    std::memcpy(dst + y * w + x0, src + (y + sourceY) * sw + (x0 + sourceX),
                static_cast<size_t>(x1 - x0) * 4);
  return true;
}

int DIBSprite::nextFrame() const {
  int f = frame_;
  if (!animating_) return f;
  if (context_ != nullptr && context_->pressedButtons != nullptr &&
      (*context_->pressedButtons & kButtonOk) != 0)
    ++f;
  ++f;
  if (f >= frameCount_) f = holdLastFrame_ ? frameCount_ - 1 : loopStart_;
  return f;
}

bool DIBSprite::covers(const DIBitmap& target) const {
  if (!visible_ || text_ || !bitmap_ || bitmap_->hasAlpha() || brightness_ != 255) return false;
  if (x_ > 0 || y_ > 0 || x_ + bitmap_->width() < target.width() ||
      y_ + bitmap_->height() < target.height())
    return false;
  return std::as_const(*bitmap_).pixels(frame_) != nullptr;
}

void DIBSprite::look(Look& out) const {
  out = Look{};
  out.visible = visible_ && (bitmap_ || text_);
  if (!out.visible) return;
  out.content = content_;
  out.bitmap = bitmap_.get();
  out.bitmapStamp = bitmap_ ? bitmap_->stamp() : 0;
  out.x = x_;
  out.y = y_;
  out.frame = frame_;
  out.brightness = brightness_;
  out.opacity = opacity_;
  if (text_) {
    out.font = font_;
    if (font_ != nullptr) out.fontValue = *font_;
    out.textColour = textColour_;
    out.cellWidth = cellWidth_;
    out.columns = width_;
    out.rows = height_;
    out.shownChars = shownChars_;
  }
}

bool DIBSprite::draw(DIBitmap* target) {
  if (!visible_) return true;
  if (target == nullptr) return false;
  step(*target);
  return blend(target);
}

void DIBSprite::step(const DIBitmap& target) {
  if (!visible_ || text_ || !bitmap_) return;
  x_ += dx_;
  y_ += dy_;
  const int w = bitmap_->width(), h = bitmap_->height();
  if (x_ + w <= 0 || x_ >= target.width() || y_ + h <= 0 || y_ >= target.height()) return;
  frame_ = nextFrame();
}

Rect DIBSprite::area(const DIBitmap& target) {
  if (!visible_) return {};
  const Rect screen{0, 0, target.width(), target.height()};
  if (text_) {
    if (context_ == nullptr) return {};
    // The layout depends on the target's size only, not on its pixels.
    const TextTarget size{nullptr, target.width(), target.height(), target.width()};
    return textCache_
        .bounds(textRequest(), context_->textRenderer, context_->raster, context_->heroName(), size)
        .clipped(screen);
  }
  if (!bitmap_) return {};
  const int64_t x1 = static_cast<int64_t>(x_) + bitmap_->width();
  const int64_t y1 = static_cast<int64_t>(y_) + bitmap_->height();
  Rect r{x_, y_, static_cast<int>(std::min<int64_t>(x1, screen.x1)),
         static_cast<int>(std::min<int64_t>(y1, screen.y1))};
  r.clip(screen);
  return r.empty() ? Rect{} : r;
}

bool DIBSprite::blend(DIBitmap* target, const Rect& clip) {
  if (!visible_) return true;
  if (target == nullptr) return false;
  if (text_) return drawText(target->beginDraw(0), clip);
  if (!bitmap_) return true;

  const Rect screen = clip.clipped({0, 0, target->width(), target->height()});
  const int screenW = target->width();
  int w = bitmap_->width(), h = bitmap_->height();
  int x = x_, y = y_;
  if (static_cast<int64_t>(x) + w <= screen.x0 || x >= screen.x1 ||
      static_cast<int64_t>(y) + h <= screen.y0 || y >= screen.y1)
    return true;
  int sx = 0, sy = 0;
  if (x < screen.x0) {
    sx = screen.x0 - x;
    w -= sx;
    x = screen.x0;
  }
  if (x + w > screen.x1) w = screen.x1 - x;
  if (y < screen.y0) {
    sy = screen.y0 - y;
    h -= sy;
    y = screen.y0;
  }
  if (y + h > screen.y1) h = screen.y1 - y;

  const uint32_t* src = std::as_const(*bitmap_).pixels(frame_);
  uint32_t* dst = target->pixels(0);
  if (src == nullptr || dst == nullptr) return true;  // a frame that does not exist
  const int srcStride = bitmap_->width();
  src += static_cast<size_t>(sy) * static_cast<size_t>(srcStride) + static_cast<size_t>(sx);
  dst += static_cast<size_t>(y) * static_cast<size_t>(screenW) + static_cast<size_t>(x);

  const BlendRoutines& r = context_ != nullptr ? context_->routines() : packedScalarBlendRoutines();
  if (bitmap_->hasAlpha()) {
    if (opacity_ < 255)
      r.blendAlphaOpacity(dst, screenW, src, w, h, srcStride, opacity_);
    else if (brightness_ < 255)
      r.blendAlphaDarken(dst, screenW, src, w, h, srcStride, brightness_);
    else
      r.blendAlpha(dst, screenW, src, w, h, srcStride);
  } else if (brightness_ < 255) {
    r.blitDarken(dst, screenW, src, w, h, srcStride, brightness_);
  } else {
    r.blitCopy(dst, screenW, src, w, h, srcStride);
  }
  return true;
}

}  // namespace kobre
