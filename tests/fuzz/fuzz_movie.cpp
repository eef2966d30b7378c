// The movie opener over arbitrary bytes: open, a bounded number of frames
// decoded and scaled, and the sound track decoded (at most a second).
#include <cstdint>
#include <vector>

#include "media/MovieDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<int16_t> sound;
  int rate = 0;
  kobre::MovieDecoder::decodeAudio(std::span<const uint8_t>(data, size), sound, rate, 48000);
  kobre::MovieDecoder movie;
  if (!movie.open(std::vector<uint8_t>(data, data + size))) return 0;
  std::vector<uint32_t> pixels(80 * 60);
  for (int k = 0; k < 16 && movie.nextFrame(); ++k) movie.convert(pixels.data(), 80, 80, 60);
  return 0;
}
