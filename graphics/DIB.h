// The back buffer: one 800 x 600 32-bit picture that the sprite slots are
// composed into once per frame, the frame pacing, the display-mode flag and
// the vertical shake offset used when presenting.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

  // Steps every slot (movement, animation), then clears the surface and
  // blends the 130 slots in order, then sleeps 1-15 ms by the low four bits
  // of the time since the previous compose (8 for 0). Only the part where
  // slots changed their look is cleared and blended again (nothing when none
  // did); all of it after the surface was written some other way. False
  // only without a surface.
  bool compose(SpriteSlots& slots);
  // Whether the last compose blended (false: the picture is the one before).
  bool lastComposeBlended() const { return lastBlended_; }
  // Counts the composes that blended.
  uint64_t blendCount() const { return blendCount_; }
  // Makes the next compose blend whatever it finds.
  void invalidate() { haveLooks_ = false; }
  // Shows the last composed picture, displaced by the shake offset (telling
  // the host which part changed since the last present).
  void present();

  uint32_t lastComposeEnd() const { return lastComposeEnd_; }

 private:
  // Clears a part of the surface to black.
  void clear(const Rect& r);

  GraphicsContext* context_;
  uint32_t lastComposeEnd_ = 0;
  std::unique_ptr<DIBitmap> surface_;
  bool windowed_ = false;
  int shakeOffset_ = 0;

  // The state of the last blend: each slot's look and the part it drew.
  std::vector<DIBSprite::Look> looks_, lastLooks_;
  std::vector<Rect> areas_;
  // Blended since the last present.
  Rect changed_;
  bool haveLooks_ = false;
  uint64_t blendedStamp_ = 0;
  std::string blendedHero_, blendedBrackets_, blendedMarks_;
  const void* blendedRaster_ = nullptr;
  bool lastBlended_ = false;
  // The surface as last presented.
  uint64_t presentedStamp_ = 0;
  bool havePresented_ = false;
  uint64_t blendCount_ = 0;
};

}  // namespace kobre
