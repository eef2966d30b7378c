// One layer of the screen: a picture (one or more frames), a plain box, an
// empty opaque rectangle or a piece of text. The runtime keeps a fixed table
// of 130 (SpriteSlots); the back buffer draws them in slot order.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/SpriteSlotCount.h"
#include "graphics/DIBitmap.h"
#include "graphics/GraphicsContext.h"
#include "graphics/Rect.h"
#include "graphics/TextCache.h"
#include "platform/TextRasterizer.h"

namespace kobre {

class DIBSprite {
 public:
  static constexpr std::string_view kBoxName = "KOBRE_MESSAGE_BOX";
  static constexpr int kAllChars = 10000;

  explicit DIBSprite(GraphicsContext* context = nullptr) : context_(context) {}
  ~DIBSprite() { release(); }
  DIBSprite(const DIBSprite&) = delete;
  DIBSprite& operator=(const DIBSprite&) = delete;

  void setContext(GraphicsContext* context) { context_ = context; }

  // Content. Each starts by releasing the old content, except loadImage of
  // the name already loaded (compared without case), which keeps the bitmap.
  [[nodiscard]] bool loadImage(std::string_view name);
  [[nodiscard]] bool createBlank(int width, int height);
  [[nodiscard]] bool createBox(int x, int y, int width, int height);
  bool rebuildBox();
  bool setText(std::string_view text, const platform::FontSpec* font, uint32_t colour,
               int cellWidth, int columns, int rows);
  void release();
  // Exchanges everything but the context with another sprite (the cross
  // fade keeps the old picture on screen in a spare slot this way).
  void swapWith(DIBSprite& other);

  // State.
  void setVisible(bool flag);
  void show();
  void hide() { visible_ = false; }
  bool isVisible() const { return visible_; }
  bool isLoaded() const { return bitmap_ != nullptr; }
  void setPosition(int x, int y) {
    x_ = x;
    y_ = y;
  }
  void moveBy(int dx, int dy) {
    x_ += dx;
    y_ += dy;
  }
  bool setVelocity(int dx, int dy);
  int velocityX() const { return dx_; }
  int velocityY() const { return dy_; }
  // The position, or 800 and 600 without a bitmap.
  int x() const { return bitmap_ ? x_ : 800; }
  int y() const { return bitmap_ ? y_ : 600; }
  // The position as last set, with or without a bitmap (text sprites).
  int placedX() const { return x_; }
  int placedY() const { return y_; }
  int width() const { return width_; }
  int height() const { return height_; }
  void setBrightness(int v);
  int brightness() const { return brightness_; }
  void setOpacity(int v);
  int opacity() const { return opacity_; }
  // 1: translucent box (opacity from Window/Alpha), 2: opaque box.
  void setBoxStyle(int style);
  int boxStyle() const { return boxStyle_; }

  // Animation.
  void setFrame(int i) { frame_ = i; }
  int frame() const { return frame_; }
  int frameCount() const { return frameCount_; }
  void setLoopStart(int i);
  int loopStart() const { return loopStart_; }
  void setHoldLastFrame(bool flag) { holdLastFrame_ = flag; }
  bool holdsLastFrame() const { return holdLastFrame_; }
  void setStill(bool flag) { animating_ = !flag; }
  bool isAnimating() const { return animating_; }

  // Text.
  bool hasText() const { return text_ != nullptr; }
  std::string_view text() const { return text_ ? std::string_view(*text_) : std::string_view(); }
  void setFont(const platform::FontSpec* font) { font_ = font; }
  const platform::FontSpec* font() const { return font_; }
  uint32_t textColour() const { return textColour_; }
  int cellWidth() const { return cellWidth_; }
  void setShownChars(int n) { shownChars_ = n; }
  int shownChars() const { return shownChars_; }
  // Two-byte characters in the text (single bytes are not counted).
  int charCount() const;
  // Draws the text into the context (message text layout), only inside clip.
  bool drawText(DrawContext* dc, const Rect& clip = kEverywhere);
  // One run of bytes at (x, y): a black shadow one pixel right and down,
  // then the text colour.
  bool drawRun(DrawContext* dc, int x, int y, std::string_view bytes);
  // The rasterised text kept between frames (drawText).
  const TextCache& textCache() const { return textCache_; }

  bool hitTest(int screenX, int screenY) const;
  // A rectangle of this sprite's size from the source frame into frame 0;
  // parts outside the source are left as they are.
  bool copyFrom(const DIBitmap* source, int sourceX, int sourceY, int sourceFrame);
  bool setRotation(int) { return true; }
  int rotation() const { return 0; }

  // Moves, animates and blends the sprite into target (the back buffer):
  // step, then blend.
  bool draw(DIBitmap* target);
  // The per-frame part of draw: moves by the velocity and, when then on a
  // target of this size, advances the animation frame.
  void step(const DIBitmap& target);
  // The picture part of draw: blends the current frame at the current place,
  // writing only inside clip.
  bool blend(DIBitmap* target, const Rect& clip = kEverywhere);
  // The part of a target of this size that a blend can write (empty when
  // the sprite draws nothing).
  Rect area(const DIBitmap& target);
  // Whether a blend into a target of this size overwrites all of it with an
  // opaque copy (then clearing the target first is not needed).
  bool covers(const DIBitmap& target) const;

  // Everything a blend's result depends on. Equal looks blend equal pictures
  // (the bitmap's stamp stands for its pixels).
  struct Look {
    bool visible = false;
    uint64_t content = 0;
    const DIBitmap* bitmap = nullptr;
    uint64_t bitmapStamp = 0;
    int x = 0, y = 0, frame = 0, brightness = 0, opacity = 0;
    const platform::FontSpec* font = nullptr;
    platform::FontSpec fontValue;
    uint32_t textColour = 0;
    int cellWidth = 0, columns = 0, rows = 0, shownChars = 0;
    bool operator==(const Look&) const = default;
  };
  void look(Look& out) const;

  DIBitmap* bitmap() { return bitmap_.get(); }
  const DIBitmap* bitmap() const { return bitmap_.get(); }
  const std::string& name() const { return name_; }

 private:
  void report(int code, std::string_view message, std::string_view detail) const;
  int nextFrame() const;
  void newContent();
  TextDrawRequest textRequest() const;

  GraphicsContext* context_;
  std::unique_ptr<DIBitmap> bitmap_;
  std::unique_ptr<std::string> text_;
  // Renewed with every change of bitmap or text (see look).
  uint64_t content_ = 0;
  const platform::FontSpec* font_ = nullptr;
  bool visible_ = false;
  int x_ = 0, y_ = 0;
  int dx_ = 0, dy_ = 0;
  int brightness_ = 255;
  int opacity_ = 255;
  int boxStyle_ = 1;
  int width_ = 0, height_ = 0;
  uint32_t textColour_ = 0;
  int shownChars_ = kAllChars;
  int cellWidth_ = 0;
  int frameCount_ = 1;
  int frame_ = 0;
  bool holdLastFrame_ = false;
  bool animating_ = true;
  int loopStart_ = 0;
  std::string name_;
  TextCache textCache_;
};

// The fixed table of sprites; the index is the stacking order.
using SpriteSlots = std::array<DIBSprite, kSpriteSlotCount>;

// Points every slot at the context.
void attachSpriteSlots(SpriteSlots& slots, GraphicsContext* context);

}  // namespace kobre
