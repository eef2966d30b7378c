// A level (opacity, brightness, colour component) held to 0..255.
#pragma once

namespace kobre {

constexpr int clampByte(int v) {
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}

}  // namespace kobre
