// Movie decoding as the movie device does it: one frame decoded and scaled
// to the 800 x 600 window per iteration, the movie rewound at its end. The
// movie is the demo's when it has been built, else one of the same size and
// rate drawn here (moving bars, so every frame differs).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "media/MciStrings.h"
#include "media/MidiFile.h"
#include "media/MidiSynth.h"
#include "media/MovieDecoder.h"
#include "tools/writers/MidiWriter.h"
#include "tools/writers/MovieWriter.h"

namespace {

std::vector<uint8_t> demoMovie() {
  const auto path = std::filesystem::path(KOBRE_DEMO_DIR) / "mov" / "opening.mpg";
  std::ifstream in(path, std::ios::binary);
  if (in) return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  kobre::writers::MovieSource s;
  s.width = 320;
  s.height = 240;
  s.frames = 60;
  s.fps = 24;
  s.draw = [](int k, std::vector<uint32_t>& px) {
    for (int y = 0; y < 240; ++y)
      for (int x = 0; x < 320; ++x)
        px[static_cast<size_t>(y * 320 + x)] =
            ((x + 4 * k) / 16 % 2) ? 0x3A4C8Cu : (0x0E1430u + static_cast<uint32_t>(y));
  };
  std::vector<uint8_t> out;
  std::string error;
  kobre::writers::writeMpegMovie(s, out, error);
  return out;
}

void BM_MovieFrame(benchmark::State& state) {
  const std::vector<uint8_t> bytes = demoMovie();
  kobre::MovieDecoder movie;
  if (!movie.open(bytes)) {
    state.SkipWithError("the movie does not open");
    return;
  }
  std::vector<uint32_t> window(800 * 600);
  for (auto _ : state) {
    if (!movie.nextFrame()) {
      movie.rewind();
      movie.nextFrame();
    }
    movie.convert(window.data(), 800, 800, 600);
    benchmark::DoNotOptimize(window.data());
  }
  // Share of one core while the movie plays at its own rate.
  state.counters["frame_ms"] = movie.frameMs();
}
BENCHMARK(BM_MovieFrame)->Name("movie_frame/kobre")->Unit(benchmark::kMicrosecond);

// One second of General MIDI rendered (a chord a beat), as the mixer pulls it.
void BM_MidiSecond(benchmark::State& state) {
  std::vector<kobre::writers::MidiNote> notes;
  for (int i = 0; i < 64; ++i)
    for (int k : {0, 4, 7})
      notes.push_back(
          {static_cast<uint32_t>(i * 240), 240, static_cast<uint8_t>(55 + i % 12 + k), 100, 0});
  kobre::MidiSong song;
  kobre::readMidiFile(kobre::writers::writeMidiFile(notes, 120, 0), song);
  kobre::MidiSynth synth;
  if (!synth.create(kobre::defaultSoundFonts(), 44100)) {
    state.SkipWithError("no soundfont");
    return;
  }
  synth.play(&song);
  std::vector<int16_t> out(2 * 441);
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) synth.mix(out.data(), 441);
    if (synth.finished()) synth.play(&song);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_MidiSecond)->Name("midi_second/kobre")->Unit(benchmark::kMillisecond);

}  // namespace
