// The WAV reader over arbitrary bytes: open, both format reads, data search
// and a bounded data read.
#include <cstdint>
#include <vector>

#include "sound/WaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kobre::WaveFile wave(kobre::SoundFiles{});
  if (!wave.openMemory(std::span<const uint8_t>(data, size))) return 0;
  uint8_t header[18];
  if (!wave.readFormat(header, sizeof header)) return 0;
  std::vector<uint8_t> block(wave.formatBlock().size());
  (void)wave.readFormat(block.data(), block.size());
  uint32_t dataSize = 0;
  if (!wave.findData(dataSize)) return 0;
  if (dataSize <= wave.bytesLeft()) {
    std::vector<uint8_t> bytes(dataSize);
    (void)wave.readData(bytes.data(), dataSize);
  }
  return 0;
}
