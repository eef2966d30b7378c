#include "graphics/DIB.h"

#include <algorithm>
#include <utility>

#include "common/UntilZero.h"

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
  // The text settings every text sprite is laid out with: the hero name,
  // the line-breaking tables (def_kinsoku changes them) and the rasteriser.
  std::string_view hero, brackets, marks;
  const void* raster = nullptr;
  if (context_ != nullptr) {
    hero = context_->heroName();
    brackets = untilZero(context_->textRenderer.openingBrackets);
    marks = untilZero(context_->textRenderer.closingMarks);
    raster = context_->raster;
  }
  const Rect screen{0, 0, surface_->width(), surface_->height()};
  const bool whole = !haveLooks_ || surface_->stamp() != blendedStamp_ || hero != blendedHero_ ||
                     brackets != blendedBrackets_ || marks != blendedMarks_ ||
                     raster != blendedRaster_ || lastLooks_.size() != looks_.size();
  // The part to blend again: everything, or where the slots whose look
  // changed were and are now. Every other pixel is still the blend's.
  areas_.resize(slots.size());
  Rect dirty;
  if (whole) {
    dirty = screen;
    for (size_t i = 0; i < slots.size(); ++i)
      areas_[i] = looks_[i].visible ? slots[i].area(*surface_) : Rect{};
  } else {
    for (size_t i = 0; i < slots.size(); ++i) {
      if (looks_[i] == lastLooks_[i]) continue;
      dirty.unite(areas_[i]);
      areas_[i] = looks_[i].visible ? slots[i].area(*surface_) : Rect{};
      dirty.unite(areas_[i]);
    }
  }
  lastBlended_ = !dirty.empty();
  if (whole) {
    blendedHero_ = std::string(hero);
    blendedBrackets_ = std::string(brackets);
    blendedMarks_ = std::string(marks);
    blendedRaster_ = raster;
  }
  if (lastBlended_) {
    // Clearing is only skipped when the first sprite that draws anything is
    // an opaque copy over the whole surface: the result is the same.
    bool covered = false;
    for (const DIBSprite& s : slots) {
      if (!s.isVisible() || (!s.isLoaded() && !s.hasText())) continue;
      covered = s.covers(*surface_);
      break;
    }
    if (!covered) clear(dirty);
    for (DIBSprite& s : slots) s.blend(surface_.get(), dirty);
    std::swap(looks_, lastLooks_);
    blendedStamp_ = surface_->stamp();
    haveLooks_ = true;
    changed_.unite(dirty);
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

void DIB::clear(const Rect& r) {
  if (r == Rect{0, 0, surface_->width(), surface_->height()}) {
    (void)surface_->fill(0);
    return;
  }
  uint32_t* px = surface_->pixels(0);
  if (px == nullptr) return;
  const size_t stride = static_cast<size_t>(surface_->width());
  for (int y = r.y0; y < r.y1; ++y)
    std::fill_n(px + static_cast<size_t>(y) * stride + static_cast<size_t>(r.x0), r.x1 - r.x0, 0u);
}

void DIB::present() {
  if (!surface_) return;
  // What changed since the last present: nothing when the surface is as it
  // was then, the blended parts when only compose wrote it, else all of it.
  const bool clean = haveLooks_ && surface_->stamp() == blendedStamp_;
  const bool again = havePresented_ && surface_->stamp() == presentedStamp_;
  platform::FrameArea changed{0, 0, kWidth, kHeight};
  if (again)
    changed = {};
  else if (clean && havePresented_)
    changed = {changed_.x0, changed_.y0, changed_.x1, changed_.y1};
  changed_ = {};
  DrawContext* dc = surface_->beginDraw(0);
  if (dc != nullptr && context_ != nullptr && context_->host != nullptr) {
    int v = shakeOffset_;
    if (v > kHeight) v = kHeight;
    if (v < -kHeight) v = -kHeight;
    // The surface of frame 0 itself, not the draw context's frame.
    context_->host->presentChanged(surface_->pixels(0), kWidth, v, changed);
  }
  surface_->endDraw();
  // Showing the picture does not change it.
  if (clean) blendedStamp_ = surface_->stamp();
  presentedStamp_ = surface_->stamp();
  havePresented_ = true;
}

}  // namespace kobre
