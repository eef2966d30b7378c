#include "tools/writers/MidiWriter.h"

#include <algorithm>

namespace kobre::writers {

namespace {

constexpr uint16_t kTicks = 480;

void varLen(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t buf[5];
  int n = 0;
  buf[n++] = v & 0x7F;
  while ((v >>= 7) != 0) buf[n++] = static_cast<uint8_t>(0x80 | (v & 0x7F));
  while (n > 0) out.push_back(buf[--n]);
}

void chunk(std::vector<uint8_t>& out, const char* id, const std::vector<uint8_t>& body) {
  out.insert(out.end(), id, id + 4);
  const auto n = static_cast<uint32_t>(body.size());
  out.insert(out.end(), {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                         static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
  out.insert(out.end(), body.begin(), body.end());
}

}  // namespace

std::vector<uint8_t> writeMidiFile(const std::vector<MidiNote>& notes, double bpm, uint8_t program,
                                   int format) {
  struct Event {
    uint32_t tick;
    int order;
    std::vector<uint8_t> bytes;
  };
  std::vector<Event> events;
  int order = 0;
  std::vector<bool> used(16, false);
  for (const MidiNote& n : notes) used[n.channel & 15] = true;
  for (int c = 0; c < 16; ++c)
    if (used[static_cast<size_t>(c)])
      events.push_back({0, order++, {static_cast<uint8_t>(0xC0 | c), program}});
  for (const MidiNote& n : notes) {
    const auto ch = static_cast<uint8_t>(n.channel & 15);
    events.push_back(
        {n.startTick + n.lengthTicks, order++, {static_cast<uint8_t>(0x80 | ch), n.key, 0}});
    events.push_back(
        {n.startTick, 1000000 + order++, {static_cast<uint8_t>(0x90 | ch), n.key, n.velocity}});
  }
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });
  const auto tempo = static_cast<uint32_t>(60000000.0 / bpm);
  const std::vector<uint8_t> tempoEvent = {0x00,
                                           0xFF,
                                           0x51,
                                           0x03,
                                           static_cast<uint8_t>(tempo >> 16),
                                           static_cast<uint8_t>(tempo >> 8),
                                           static_cast<uint8_t>(tempo)};
  const std::vector<uint8_t> endOfTrack = {0x00, 0xFF, 0x2F, 0x00};
  std::vector<uint8_t> notesTrack;
  if (format == 0) notesTrack = tempoEvent;
  uint32_t last = 0;
  for (const Event& e : events) {
    varLen(notesTrack, e.tick - last);
    last = e.tick;
    notesTrack.insert(notesTrack.end(), e.bytes.begin(), e.bytes.end());
  }
  notesTrack.insert(notesTrack.end(), endOfTrack.begin(), endOfTrack.end());

  std::vector<uint8_t> out;
  const uint8_t tracks = format == 0 ? 1 : 2;
  chunk(out, "MThd",
        {0, static_cast<uint8_t>(format == 0 ? 0 : 1), 0, tracks, kTicks >> 8, kTicks & 0xFF});
  if (format != 0) {
    std::vector<uint8_t> tempoTrack = tempoEvent;
    tempoTrack.insert(tempoTrack.end(), endOfTrack.begin(), endOfTrack.end());
    chunk(out, "MTrk", tempoTrack);
  }
  chunk(out, "MTrk", notesTrack);
  return out;
}

}  // namespace kobre::writers
