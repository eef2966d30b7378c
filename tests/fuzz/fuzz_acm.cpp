// A whole WAVE file through the converter, once whole and once streamed in
// small pieces (every decoder front end is reached through the file's tag).
#include <cstdint>
#include <vector>

#include "sound/AcmConverter.h"

namespace {

void whole(std::span<const uint8_t> bytes) {
  kobre::AcmConverter c(kobre::SoundFiles{});
  uint32_t pcm = 0;
  if (!c.openMemory(bytes) || !c.readTargetFormat(nullptr, 0) || !c.convertAll(pcm)) return;
  std::vector<int16_t> out;
  c.takeOutput(out);
}

void streamed(std::span<const uint8_t> bytes) {
  kobre::AcmConverter c(kobre::SoundFiles{});
  if (!c.openMemory(bytes) || !c.readTargetFormat(nullptr, 0)) return;
  uint64_t length = c.decodedLength();
  if (length == 0 || length > (1u << 22)) return;
  if (!c.readAllSource() || !c.prepareChunks(4096) || !c.beginStream()) return;
  std::vector<uint8_t> buffer(length);
  uint64_t at = 0;
  for (int i = 0; i < 4096; ++i) {
    uint32_t produced = 0;
    if (!c.decodeNext(buffer.data(), at, produced) || produced == 0) break;
    at += produced;
  }
  c.endStream();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> bytes(data, size);
  whole(bytes);
  streamed(bytes);
  return 0;
}
