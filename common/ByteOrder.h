// Little- and big-endian loads and stores of 16- and 32-bit values at a byte
// pointer. The caller has checked that the bytes are there; ByteReader and
// ByteWriter are the checked way to walk a buffer.
#pragma once

#include <cstdint>

namespace kobre {

constexpr uint16_t loadLe16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
constexpr uint32_t loadLe32(const uint8_t* p) {
  return uint32_t{loadLe16(p)} | (uint32_t{loadLe16(p + 2)} << 16);
}
constexpr uint16_t loadBe16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
constexpr uint32_t loadBe32(const uint8_t* p) {
  return (uint32_t{loadBe16(p)} << 16) | uint32_t{loadBe16(p + 2)};
}

constexpr void storeLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
constexpr void storeLe32(uint8_t* p, uint32_t v) {
  storeLe16(p, static_cast<uint16_t>(v));
  storeLe16(p + 2, static_cast<uint16_t>(v >> 16));
}
constexpr void storeBe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
constexpr void storeBe32(uint8_t* p, uint32_t v) {
  storeBe16(p, static_cast<uint16_t>(v >> 16));
  storeBe16(p + 2, static_cast<uint16_t>(v));
}

}  // namespace kobre
