// The back buffer: one 800 x 600 32-bit picture that the sprite slots are
// composed into once per frame, the frame pacing, the display-mode flag and
// the vertical shake offset used when presenting.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/DIBSprite.h"
#include "graphics/DIBitmap.h"
#include "graphics/GraphicsContext.h"

namespace kobre {

class DIB {
 public:
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 600;

  explicit DIB(GraphicsContext* context = nullptr) : context_(context) {}
  ~DIB() { release(); }
  DIB(const DIB&) = delete;
  DIB& operator=(const DIB&) = delete;

  void setContext(GraphicsContext* context) { context_ = context; }

  // Makes the 800 x 600 surface (one frame).
  [[nodiscard]] bool create();
  void release();
  DIBitmap* surface() { return surface_.get(); }

  bool setWindowed(bool flag) {
    windowed_ = flag;
    return true;
  }
  bool isWindowed() const { return windowed_; }
  void setShake(int offset) { shakeOffset_ = offset; }
  int shake() const { return shakeOffset_; }

  // Clears the surface, draws the 130 slots in order, then sleeps 1-15 ms by
  // the low four bits of the time since the previous compose (8 for 0).
  // False only without a surface.
  bool compose(SpriteSlots& slots);
  // Shows the last composed picture, displaced by the shake offset.
  void present();

  uint32_t lastComposeEnd() const { return lastComposeEnd_; }

 private:
  GraphicsContext* context_;
  uint32_t lastComposeEnd_ = 0;
  std::unique_ptr<DIBitmap> surface_;
  bool windowed_ = false;
  int shakeOffset_ = 0;
};

}  // namespace kobre
