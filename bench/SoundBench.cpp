// Sound: a Vorbis WAV decoded whole through the WAV reader and the converter
// (with libvorbisfile alone on the same stream as its peer), the streamed
// music load (returns after its first 2 seconds), and the mixer with five
// playing channels (mixed rates, and five 22,050 Hz ones). Counters:
// "x_realtime" is seconds of sound per second of work; "core_fraction" is the
// share of one core the mixer needs, "core_fraction_per_channel" that share
// divided among the five channels.
#include <benchmark/benchmark.h>
#include <vorbis/vorbisfile.h>

#include <cstring>

#include "platform/headless/HeadlessPlatform.h"
#include "sound/AcmConverter.h"
#include "sound/SoundBuffer.h"
#include "sound/SoundDevice.h"
#include "tests/storage/TempFolder.h"
#include "tools/writers/WavWriter.h"

namespace {

using namespace kobre;

constexpr int kSeconds = 20;

const std::vector<uint8_t>& vorbisWave() {
  static const std::vector<uint8_t> wave = [] {
    auto tone = writers::makeSineWave(44100 * kSeconds, 44100, 2, 330);
    // Some noise so the encoder has real work (and the decoder too).
    uint32_t seed = 1;
    for (int16_t& s : tone) {
      seed = seed * 1664525u + 1013904223u;
      s = static_cast<int16_t>(s / 2 + static_cast<int16_t>(seed >> 20) - 2048);
    }
    return writers::writeVorbisWave(tone, 44100, 2, 0.4f);
  }();
  return wave;
}

void BM_VorbisWhole(benchmark::State& state) {
  const auto& wave = vorbisWave();
  for (auto _ : state) {
    AcmConverter c(SoundFiles{});
    uint32_t pcm = 0;
    bool ok = c.openMemory(wave) && c.readTargetFormat(nullptr, 0) && c.convertAll(pcm);
    std::vector<int16_t> out;
    ok = ok && c.takeOutput(out);
    if (!ok) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["x_realtime"] =
      benchmark::Counter(static_cast<double>(kSeconds) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VorbisWhole)->Name("vorbis_whole/kobre")->Unit(benchmark::kMillisecond);

struct Memory {
  const uint8_t* data;
  size_t size, at;
};

void BM_VorbisWholePeer(benchmark::State& state) {
  const auto& wave = vorbisWave();
  // The Ogg stream is the data chunk, after the 12 + 26 + 12 + 8 header bytes.
  size_t start = 0;
  for (size_t i = 0; i + 4 < wave.size(); ++i) {
    if (std::memcmp(&wave[i], "OggS", 4) == 0) {
      start = i;
      break;
    }
  }
  ov_callbacks cb = {[](void* p, size_t s, size_t n, void* src) -> size_t {
                       auto* m = static_cast<Memory*>(src);
                       size_t k = std::min(n, (m->size - m->at) / s);
                       std::memcpy(p, m->data + m->at, k * s);
                       m->at += k * s;
                       return k;
                     },
                     nullptr, nullptr, nullptr};
  std::vector<char> pcm(static_cast<size_t>(44100) * 4 * kSeconds + 65536);
  for (auto _ : state) {
    Memory m{wave.data() + start, wave.size() - start, 0};
    OggVorbis_File f;
    if (ov_open_callbacks(&m, &f, nullptr, 0, cb) != 0) state.SkipWithError("open failed");
    size_t at = 0;
    int section = 0;
    for (;;) {
      long got =
          ov_read(&f, pcm.data() + at, static_cast<int>(std::min<size_t>(65536, pcm.size() - at)),
                  0, 2, 1, &section);
      if (got <= 0) break;
      at += static_cast<size_t>(got);
    }
    ov_clear(&f);
    benchmark::DoNotOptimize(pcm.data());
  }
  state.counters["x_realtime"] =
      benchmark::Counter(static_cast<double>(kSeconds) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VorbisWholePeer)->Name("vorbis_whole/libvorbisfile")->Unit(benchmark::kMillisecond);

struct Rig {
  testing::TempFolder folder;
  platform::headless::HeadlessPlatform hp{folder.str()};
  SoundDevice device{&hp.audio};
  SoundChannels channels;
  Rig() {
    device.setFileSystem(&hp.files);
    (void)device.create(&hp.host, kDsSclPriority, 2, 44100, 16);
    channels.attach(&device);
  }
  ~Rig() { channels.detach(); }
};

void BM_StreamedLoad(benchmark::State& state) {
  Rig rig;
  rig.folder.write("wav/music.wav", vorbisWave());
  SoundBuffer& b = rig.channels.bgmChannel();
  for (auto _ : state) {
    b.release();
    if (!b.loadStreamed("wav\\music.wav")) state.SkipWithError("load failed");
  }
  state.counters["decoded_seconds"] = static_cast<double>(b.decodedSoFar()) / 176400.0;
  state.counters["sound_seconds"] = static_cast<double>(b.decodedLength()) / 176400.0;
}
BENCHMARK(BM_StreamedLoad)->Name("streamed_load/kobre")->Unit(benchmark::kMillisecond);

// Five looping channels, panned, mixed for one second of output per
// iteration in device-sized pieces.
void mixFive(benchmark::State& state, const int (&rates)[SoundChannels::kCount], bool allStereo) {
  Rig rig;
  for (int i = 0; i < SoundChannels::kCount; ++i) {
    const int channels = allStereo ? 2 : 1 + (i & 1);
    auto tone = writers::makeSineWave(rates[i], rates[i], channels, 200 + 50 * i);
    rig.folder.write("wav/c" + std::to_string(i) + ".wav",
                     writers::writePcmWave(tone, rates[i], channels));
    SoundBuffer& b = rig.channels[i];
    (void)b.loadWhole("wav\\c" + std::to_string(i) + ".wav");
    b.setVolume(80, true);
    b.setPan(i * 20 - 40);
    b.play(true);
  }
  std::vector<int16_t> out(1024 * 2);
  for (auto _ : state) {
    for (int i = 0; i < 44100 / 1024 + 1; ++i) rig.device.mixer().mix(out.data(), 1024);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["core_fraction"] =
      benchmark::Counter(static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["core_fraction_per_channel"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * SoundChannels::kCount,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_MixFiveChannels(benchmark::State& state) {
  // Different rates, mono and stereo.
  const int rates[SoundChannels::kCount] = {44100, 22050, 48000, 11025, 32000};
  mixFive(state, rates, false);
}
BENCHMARK(BM_MixFiveChannels)->Name("mix_five_channels/kobre")->Unit(benchmark::kMicrosecond);

void BM_MixFive22kChannels(benchmark::State& state) {
  // Every channel resampled: five 22,050 Hz stereo sounds.
  const int rates[SoundChannels::kCount] = {22050, 22050, 22050, 22050, 22050};
  mixFive(state, rates, true);
}
BENCHMARK(BM_MixFive22kChannels)
    ->Name("mix_five_22k_channels/kobre")
    ->Unit(benchmark::kMicrosecond);

}  // namespace
