#include "media/MidiFile.h"

#include <gtest/gtest.h>

#include "tools/writers/MidiWriter.h"

namespace kobre {
namespace {

std::vector<uint8_t> header(uint16_t format, uint16_t tracks, uint16_t division) {
  return {'M',
          'T',
          'h',
          'd',
          0,
          0,
          0,
          6,
          static_cast<uint8_t>(format >> 8),
          static_cast<uint8_t>(format),
          static_cast<uint8_t>(tracks >> 8),
          static_cast<uint8_t>(tracks),
          static_cast<uint8_t>(division >> 8),
          static_cast<uint8_t>(division)};
}

std::vector<uint8_t> withTrack(std::vector<uint8_t> file, const std::vector<uint8_t>& body,
                               uint32_t declared = UINT32_MAX) {
  const uint32_t n = declared == UINT32_MAX ? static_cast<uint32_t>(body.size()) : declared;
  file.insert(file.end(),
              {'M', 'T', 'r', 'k', static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
               static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

TEST(MidiFile, NotesOfBothFormatsAtTheirTempo) {
  // Two quarter notes at 60 beats a minute: one second each.
  const std::vector<writers::MidiNote> notes = {{0, 480, 60, 100, 0}, {480, 480, 64, 90, 1}};
  for (int format : {0, 1}) {
    SCOPED_TRACE(format);
    MidiSong song;
    ASSERT_TRUE(readMidiFile(writers::writeMidiFile(notes, 60, 5, format), song));
    // Two program changes, two note-ons, two note-offs.
    ASSERT_EQ(song.events.size(), 6u);
    EXPECT_EQ(song.events[0].status, 0xC0);
    EXPECT_EQ(song.events[0].data1, 5);
    EXPECT_EQ(song.events[2].status, 0x90);
    EXPECT_EQ(song.events[2].data1, 60);
    EXPECT_EQ(song.events[2].timeUs, 0u);
    const MidiEvent& second = song.events[4];  // the first note ends as the second starts
    EXPECT_EQ(second.status, 0x91);
    EXPECT_EQ(second.timeUs, 1000000u);
    EXPECT_EQ(song.events[5].status, 0x81);
    EXPECT_EQ(song.events[5].timeUs, 2000000u);
    EXPECT_EQ(song.lengthUs, 2000000u);
  }
}

TEST(MidiFile, RunningStatusAndTempoChangesMidway) {
  // 96 ticks a quarter: a note-on, another one 96 ticks later with running
  // status, then the tempo drops to one quarter a second (a meta event ends
  // running status, so the note-off names its own).
  std::vector<uint8_t> body = {0x00, 0x90, 60,   100,                     //
                               0x60, 62,   100,                           //
                               0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  //
                               0x60, 0x80, 60,   0,    0x00, 0xFF, 0x2F, 0x00};
  MidiSong song;
  ASSERT_TRUE(readMidiFile(withTrack(header(0, 1, 96), body), song));
  ASSERT_EQ(song.events.size(), 3u);
  EXPECT_EQ(song.events[1].data1, 62);
  EXPECT_EQ(song.events[1].timeUs, 500000u);
  EXPECT_EQ(song.events[2].timeUs, 1500000u);
}

TEST(MidiFile, RefusesDamagedFiles) {
  const std::vector<uint8_t> good = {0x00, 0x90, 60, 100, 0x10, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0};
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"not a MIDI file", {'R', 'I', 'F', 'F', 0, 0, 0, 0}},
      {"header only", header(0, 1, 96)},
      {"format 2", withTrack(header(2, 1, 96), good)},
      {"zero division", withTrack(header(0, 1, 0), good)},
      {"track longer than the file", withTrack(header(0, 1, 96), good, 400)},
      {"cut inside an event", withTrack(header(0, 1, 96), {0x00, 0x90, 60})},
      {"data byte with no status", withTrack(header(0, 1, 96), {0x00, 60, 100})},
      {"length past the track", withTrack(header(0, 1, 96), {0x00, 0xFF, 0x01, 0x7F, 'a'})},
      {"over-long delta", withTrack(header(0, 1, 96), {0xFF, 0xFF, 0xFF, 0xFF, 0x7F})},
      {"fewer tracks than the header says", withTrack(header(1, 2, 96), good)},
  };
  for (const Case& c : cases) {
    MidiSong song;
    EXPECT_FALSE(readMidiFile(c.bytes, song)) << c.name;
  }
  MidiSong song;
  EXPECT_TRUE(readMidiFile(withTrack(header(0, 1, 96), good), song));
}

}  // namespace
}  // namespace kobre
