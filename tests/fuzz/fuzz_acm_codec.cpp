// Each decoder front end with raw bytes as its data: the first byte picks
// the format (and a channel count), the rest is the data chunk, so the
// fuzzer spends its time inside the decoders rather than the RIFF reader.
#include <cstdint>
#include <vector>

#include "sound/AudioDecoder.h"

namespace {

struct Front {
  uint16_t tag, bits, blockAlign;
  uint32_t rate;
};

constexpr Front kFronts[] = {
    {0x0001, 16, 4, 44100}, {0x0001, 8, 2, 22050},   {0x674F, 16, 1, 44100},
    {0x6771, 16, 1, 22050}, {0x0002, 4, 512, 22050}, {0x0011, 4, 512, 22050},
    {0x0006, 8, 2, 8000},   {0x0007, 8, 2, 8000},    {0x0031, 0, 65, 8000},
    {0x0055, 0, 1, 44100},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const Front& f = kFronts[data[0] % (sizeof kFronts / sizeof kFronts[0])];
  kobre::WaveFormat source;
  source.formatTag = f.tag;
  source.channels = static_cast<uint16_t>(1 + (data[0] >> 7));
  source.samplesPerSec = f.rate;
  source.bitsPerSample = f.bits;
  source.blockAlign = static_cast<uint16_t>(f.tag == 0x0001 ? source.channels * f.bits / 8
                                                            : f.blockAlign * source.channels);
  source.avgBytesPerSec = 16000;
  // MS ADPCM carries its samples per block in the extra bytes.
  std::vector<uint8_t> extra;
  if (f.tag == 0x0002) extra = {0xF4, 0x03, 0x07, 0x00};
  if (f.tag == 0x0011) extra = {0xF9, 0x03};
  kobre::WaveFormat target;
  uint32_t code = 0;
  auto decoder = kobre::makeAudioDecoder(source, extra, target, code);
  if (!decoder) return 0;
  std::span<const uint8_t> body(data + 1, size - 1);
  if (!decoder->begin(body, code)) return 0;
  std::vector<int16_t> out(4096 * 2);
  for (int i = 0; i < 10000; ++i) {
    int64_t got = decoder->decode(out.data(), 4096, code);
    if (got <= 0) break;
  }
  return 0;
}
