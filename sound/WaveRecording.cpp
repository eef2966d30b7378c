#include "sound/WaveRecording.h"

#include <cstring>

namespace kobre {

namespace {
void put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
}  // namespace

std::vector<uint8_t> makePcmWaveBytes(std::span<const int16_t> samples, int sampleRate,
                                      int channels) {
  if (channels < 1) channels = 1;
  // A RIFF size is 32-bit: keep the whole frames that fit.
  uint64_t frameBytes = 2 * static_cast<uint64_t>(channels);
  uint64_t dataBytes = std::min<uint64_t>(samples.size() * 2, 0xFFFFFFFFu - 36);
  dataBytes -= dataBytes % frameBytes;
  std::vector<uint8_t> out(44 + dataBytes);
  uint8_t* p = out.data();
  std::memcpy(p, "RIFF", 4);
  put32(p + 4, static_cast<uint32_t>(36 + dataBytes));
  std::memcpy(p + 8, "WAVEfmt ", 8);
  put32(p + 16, 16);
  put16(p + 20, 1);
  put16(p + 22, static_cast<uint16_t>(channels));
  put32(p + 24, static_cast<uint32_t>(sampleRate));
  put32(p + 28, static_cast<uint32_t>(static_cast<uint64_t>(sampleRate) * frameBytes));
  put16(p + 32, static_cast<uint16_t>(frameBytes));
  put16(p + 34, 16);
  std::memcpy(p + 36, "data", 4);
  put32(p + 40, static_cast<uint32_t>(dataBytes));
  for (uint64_t i = 0; i < dataBytes / 2; ++i)
    put16(p + 44 + 2 * i, static_cast<uint16_t>(samples[i]));
  return out;
}

}  // namespace kobre
