// The number of sprite slots; the slot index is the stacking order. Shared
// by the graphics layer (which owns the slots) and the runtime (which
// borrows them).
#pragma once

namespace kobre {

constexpr int kSpriteSlotCount = 130;

}  // namespace kobre
