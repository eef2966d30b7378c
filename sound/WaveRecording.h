// A RIFF/WAVE byte image of 16-bit PCM, for writing out what the mixer
// played (the headless runner's audio output).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kobre {

// Interleaved 16-bit samples at the given rate and channel count, as a
// canonical 44-byte-header PCM WAVE file.
std::vector<uint8_t> makePcmWaveBytes(std::span<const int16_t> samples, int sampleRate,
                                      int channels);

}  // namespace kobre
