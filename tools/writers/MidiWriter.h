// Standard MIDI files for tools and tests: one track of notes at a tempo.
#pragma once

#include <cstdint>
#include <vector>

namespace kobre::writers {

struct MidiNote {
  uint32_t startTick = 0;
  uint32_t lengthTicks = 0;
  uint8_t key = 60;
  uint8_t velocity = 96;
  uint8_t channel = 0;
};

// Format 0 (one track) or 1 (a tempo track, then the notes' track), 480
// ticks a quarter note, the given General MIDI program on each channel used.
std::vector<uint8_t> writeMidiFile(const std::vector<MidiNote>& notes, double bpm = 120,
                                   uint8_t program = 0, int format = 0);

}  // namespace kobre::writers
