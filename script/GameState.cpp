#include "script/GameState.h"

namespace kobre {

uint32_t gameStateChecksum(std::span<const uint8_t> image) {
  if (image.size() < kGameStateSize) return 0;
  uint32_t sum = 0;
  for (size_t i = 4; i < kGameStateSize; ++i) sum += image[i];
  return sum;
}

uint32_t GameState::computeChecksum() const {
  return gameStateChecksum(bytes());
}

}  // namespace kobre
