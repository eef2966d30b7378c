// The MIDI reader over arbitrary bytes, and what it reads played for a
// moment through the synthesizer (when a soundfont is installed).
#include <cstdint>
#include <memory>
#include <vector>

#include "media/MciStrings.h"
#include "media/MidiFile.h"
#include "media/MidiSynth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::unique_ptr<kobre::MidiSynth> synth = [] {
    auto s = std::make_unique<kobre::MidiSynth>();
    if (!s->create(kobre::defaultSoundFonts(), 44100)) s.reset();
    return s;
  }();
  kobre::MidiSong song;
  if (!kobre::readMidiFile(std::span<const uint8_t>(data, size), song)) return 0;
  if (synth) {
    std::vector<int16_t> out(2 * 2048);
    synth->play(&song);
    for (int i = 0; i < 4; ++i) synth->mix(out.data(), 2048);
    synth->stop();
  }
  return 0;
}
