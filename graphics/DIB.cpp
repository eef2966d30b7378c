#include "graphics/DIB.h"

namespace kobre {

namespace {

constexpr std::string_view kUnit = "DIB";
// Fixed codes of the reporting places.
constexpr int kCodeAllocate = 110;
constexpr int kCodeCreate = 111;

}  // namespace

bool DIB::create() {
  release();
  surface_.reset(new (std::nothrow) DIBitmap(context_));
  if (!surface_) {
    if (context_ != nullptr)
      context_->reportError(kUnit, kCodeAllocate, "バックバッファが作れない", "");
    return false;
  }
  if (!surface_->create(kWidth, kHeight, 1)) {
    // The bitmap has reported its own failure; the object stays until the
    // next create or release.
    if (context_ != nullptr)
      context_->reportError(kUnit, kCodeCreate, "バックバッファが作れない", "");
    return false;
  }
  return true;
}

void DIB::release() {
  if (surface_) surface_->release();
  surface_.reset();
}

bool DIB::compose(SpriteSlots& slots) {
  if (!surface_ || !surface_->isComplete()) return false;
  // Clearing is only skipped when the first sprite that draws anything is an
  // opaque copy over the whole surface: the result is the same.
  bool covered = false;
  for (const DIBSprite& s : slots) {
    if (!s.isVisible() || (!s.isLoaded() && !s.hasText())) continue;
    covered = s.willCover(*surface_);
    break;
  }
  if (!covered) surface_->fill(0);
  for (DIBSprite& s : slots) s.draw(surface_.get());

  if (context_ != nullptr && context_->clock != nullptr) {
    uint32_t now = context_->clock->tickCount();
    uint32_t elapsed = now - lastComposeEnd_;
    lastComposeEnd_ = now;
    uint32_t ms = elapsed & 15;
    context_->clock->sleep(ms == 0 ? 8 : ms);
  }
  return true;
}

void DIB::present() {
  if (!surface_) return;
  DrawContext* dc = surface_->beginDraw(0);
  if (dc != nullptr && context_ != nullptr && context_->host != nullptr) {
    int v = shakeOffset_;
    if (v > kHeight) v = kHeight;
    if (v < -kHeight) v = -kHeight;
    // The surface of frame 0 itself, not the draw context's frame.
    context_->host->present(surface_->pixels(0), kWidth, v);
  }
  surface_->endDraw();
}

}  // namespace kobre
