// LZSS compressor for the runtime's decompressor (4096-byte window, write
// position starting at 4078, matches of 3 to 18 bytes), and the "PAK "
// packing and head scrambling of picture entries in the image archive.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kobre::writers {

// The stream refers only to bytes it has written itself, so it decodes the
// same whatever the window held before.
std::vector<uint8_t> lzssCompress(std::span<const uint8_t> data);

// "PAK ", four zero bytes, the unpacked size (little-endian), the stream.
std::vector<uint8_t> makePakEntry(std::span<const uint8_t> data);

// An entry stored whole: its first 32 bytes XORed with the scramble key.
std::vector<uint8_t> makeScrambledEntry(std::span<const uint8_t> data);

}  // namespace kobre::writers
