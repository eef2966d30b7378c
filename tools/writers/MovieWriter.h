// MPEG-1 movies for tools and tests: frames drawn by the caller as XRGB
// pixels, encoded by libavcodec's MPEG-1 video encoder (and MPEG audio layer
// II for an optional stereo sound track) into an MPEG program stream, in
// bit-exact mode so the same input gives the same bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kobre::writers {

struct MovieSource {
  int width = 0, height = 0;  // multiples of 16
  int frames = 0;
  int fps = 25;
  // Fills width x height XRGB pixels for frame number `frame`.
  std::function<void(int frame, std::vector<uint32_t>& pixels)> draw;
  // Interleaved 16-bit stereo at soundRate (44100 or 48000); none when empty.
  std::vector<int16_t> sound;
  int soundRate = 44100;
};

bool writeMpegMovie(const MovieSource& source, std::vector<uint8_t>& out, std::string& error);

// A movie of solid frames: frame k has colour colours[k % size].
MovieSource solidMovie(int width, int height, int frames, int fps, std::vector<uint32_t> colours);

}  // namespace kobre::writers
