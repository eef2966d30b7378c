// Byte-level helpers for Shift-JIS (CP932) text as the engine walks it.
#pragma once

#include <cstdint>

namespace kobre {

// The engine's two-byte test: a byte in 0x81-0xA0 or 0xC0-0xFC starts a
// two-byte character. Wider than the real Shift-JIS lead range on purpose;
// scripts, text drawing and the name and comment filters all use this one.
constexpr bool isWideLead(uint8_t b) {
  return (b >= 0x81 && b <= 0xA0) || (b >= 0xC0 && b <= 0xFC);
}
constexpr bool isWideLead(char c) {
  return isWideLead(static_cast<uint8_t>(c));
}

}  // namespace kobre
