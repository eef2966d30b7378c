// Standard MIDI files (formats 0 and 1) read into one time-ordered list of
// channel messages with their times in microseconds (the tempo map applied).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kobre {

struct MidiEvent {
  uint64_t timeUs = 0;
  uint8_t status = 0;  // 0x80-0xEF
  uint8_t data1 = 0;
  uint8_t data2 = 0;
};

struct MidiSong {
  std::vector<MidiEvent> events;  // ascending time; order within a time kept
  uint64_t lengthUs = 0;          // time of the last event of any kind
};

// Refuses (false) anything that is not a whole, well-formed file: a missing
// or short header, a track that runs past the file or ends inside an event,
// format 2, a zero time division, or more events than we keep.
bool readMidiFile(std::span<const uint8_t> bytes, MidiSong& song);

}  // namespace kobre
