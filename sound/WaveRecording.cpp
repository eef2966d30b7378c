#include "sound/WaveRecording.h"

#include <algorithm>

#include "common/ByteWriter.h"

namespace kobre {

std::vector<uint8_t> makePcmWaveBytes(std::span<const int16_t> samples, int sampleRate,
                                      int channels) {
  if (channels < 1) channels = 1;
  // A RIFF size is 32-bit: keep the whole frames that fit.
  const uint64_t frameBytes = 2 * static_cast<uint64_t>(channels);
  uint64_t dataBytes = std::min<uint64_t>(samples.size() * 2, 0xFFFFFFFFu - 36);
  dataBytes -= dataBytes % frameBytes;
  std::vector<uint8_t> out;
  out.reserve(44 + dataBytes);
  ByteWriter w(out);
  w.text("RIFF");
  w.le32(static_cast<uint32_t>(36 + dataBytes));
  w.text("WAVEfmt ");
  w.le32(16);
  w.le16(1);  // PCM
  w.le16(static_cast<uint16_t>(channels));
  w.le32(static_cast<uint32_t>(sampleRate));
  w.le32(static_cast<uint32_t>(static_cast<uint64_t>(sampleRate) * frameBytes));
  w.le16(static_cast<uint16_t>(frameBytes));
  w.le16(16);
  w.text("data");
  w.le32(static_cast<uint32_t>(dataBytes));
  for (uint64_t i = 0; i < dataBytes / 2; ++i) w.le16(static_cast<uint16_t>(samples[i]));
  return out;
}

}  // namespace kobre
