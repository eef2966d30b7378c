#include "graphics/DIB.h"

#include <cstring>
#include <utility>

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
  for (DIBSprite& s : slots) s.step(*surface_);

  looks_.resize(slots.size());
  for (size_t i = 0; i < slots.size(); ++i) slots[i].look(looks_[i]);
  std::string_view hero;
  if (context_ != nullptr && context_->settings != nullptr) {
    const char* name = context_->settings->heroName;
    hero = std::string_view(name, strnlen(name, sizeof(context_->settings->heroName)));
  }
  lastBlended_ = !haveLooks_ || surface_->stamp() != blendedStamp_ || looks_ != lastLooks_ ||
                 hero != blendedHero_;
  if (lastBlended_) {
    // Clearing is only skipped when the first sprite that draws anything is
    // an opaque copy over the whole surface: the result is the same.
    bool covered = false;
    for (const DIBSprite& s : slots) {
      if (!s.isVisible() || (!s.isLoaded() && !s.hasText())) continue;
      covered = s.covers(*surface_);
      break;
    }
    if (!covered) surface_->fill(0);
    for (DIBSprite& s : slots) s.blend(surface_.get());
    std::swap(looks_, lastLooks_);
    blendedHero_ = std::string(hero);
    blendedStamp_ = surface_->stamp();
    haveLooks_ = true;
    ++blendCount_;
  }

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
  // Showing the picture does not change it.
  const bool clean = haveLooks_ && surface_->stamp() == blendedStamp_;
  const bool again = havePresented_ && surface_->stamp() == presentedStamp_;
  DrawContext* dc = surface_->beginDraw(0);
  if (dc != nullptr && context_ != nullptr && context_->host != nullptr) {
    int v = shakeOffset_;
    if (v > kHeight) v = kHeight;
    if (v < -kHeight) v = -kHeight;
    // The surface of frame 0 itself, not the draw context's frame.
    if (again)
      context_->host->presentUnchanged(surface_->pixels(0), kWidth, v);
    else
      context_->host->present(surface_->pixels(0), kWidth, v);
  }
  surface_->endDraw();
  if (clean) blendedStamp_ = surface_->stamp();
  presentedStamp_ = surface_->stamp();
  havePresented_ = true;
}

}  // namespace kobre
