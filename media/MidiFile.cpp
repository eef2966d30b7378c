#include "media/MidiFile.h"

#include <algorithm>

#include "common/ByteReader.h"

namespace kobre {

namespace {

constexpr size_t kMaxEvents = 2'000'000;
constexpr int kMaxTracks = 256;

struct TickEvent {
  uint64_t tick;
  uint32_t order;  // file order across tracks, to keep equal ticks stable
  uint8_t status, data1, data2;
  uint32_t tempo;  // for tempo changes (status 0xFF), microseconds per quarter
};

// A variable-length quantity of at most four bytes.
bool readVarLen(ByteReader& r, uint32_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i) {
    const uint8_t b = r.u8();
    if (r.ranOut()) return false;
    value = (value << 7) | (b & 0x7F);
    if ((b & 0x80) == 0) return true;
  }
  return false;
}

int dataBytes(uint8_t status) {
  const uint8_t kind = status & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

bool readTrack(ByteReader r, std::vector<TickEvent>& out, uint32_t& order) {
  uint64_t tick = 0;
  uint8_t running = 0;
  while (!r.atEnd()) {
    uint32_t delta = 0;
    if (!readVarLen(r, delta)) return false;
    tick += delta;
    uint8_t status = r.peek();
    if (r.atEnd()) return false;
    if (status & 0x80) {
      r.u8();
    } else {
      if (running == 0) return false;  // data byte with no status to repeat
      status = running;
    }
    if (status == 0xFF) {
      const uint8_t type = r.u8();
      uint32_t length = 0;
      if (!readVarLen(r, length) || !r.has(length)) return false;
      std::span<const uint8_t> data = r.bytes(length);
      if (type == 0x2F) {
        out.push_back({tick, order++, 0xFF, 0x2F, 0, 0});
        return true;  // end of track: what follows is ignored
      }
      if (type == 0x51 && length == 3)
        out.push_back({tick, order++, 0xFF, 0x51, 0,
                       (uint32_t{data[0]} << 16) | (uint32_t{data[1]} << 8) | data[2]});
      running = 0;
    } else if (status == 0xF0 || status == 0xF7) {
      uint32_t length = 0;
      if (!readVarLen(r, length) || !r.has(length)) return false;
      r.skip(length);  // system exclusive: not passed on
      running = 0;
    } else if (status >= 0xF0) {
      return false;  // system common and real-time bytes do not belong in a file
    } else {
      running = status;
      const uint8_t d1 = r.u8();
      const uint8_t d2 = dataBytes(status) == 2 ? r.u8() : 0;
      if (r.ranOut() || (d1 & 0x80) || (d2 & 0x80)) return false;
      out.push_back({tick, order++, status, d1, d2, 0});
    }
    if (out.size() > kMaxEvents) return false;
  }
  return true;
}

}  // namespace

bool readMidiFile(std::span<const uint8_t> bytes, MidiSong& song) {
  song = MidiSong{};
  ByteReader r(bytes);
  if (!r.match("MThd")) return false;
  const uint32_t headerSize = r.be32();
  if (headerSize < 6 || !r.has(headerSize)) return false;
  ByteReader header = r.sub(headerSize);
  const uint16_t format = header.be16();
  const uint16_t tracks = header.be16();
  const uint16_t division = header.be16();
  if (format > 1 || tracks == 0 || tracks > kMaxTracks || division == 0) return false;

  std::vector<TickEvent> events;
  uint32_t order = 0;
  int found = 0;
  while (found < tracks) {
    if (!r.has(8)) return false;
    const bool isTrack = r.match("MTrk");
    const uint32_t size = r.be32();
    if (!r.has(size)) return false;  // cut short
    ByteReader chunk = r.sub(size);
    if (!isTrack) continue;  // chunks of unknown kinds are skipped
    if (!readTrack(chunk, events, order)) return false;
    ++found;
  }
  std::stable_sort(events.begin(), events.end(), [](const TickEvent& a, const TickEvent& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });

  // Ticks to microseconds. Metrical time follows the tempo map (120 beats a
  // minute until the first change); SMPTE time has a fixed tick length.
  const bool smpte = (division & 0x8000) != 0;
  double usPerTick = 0;
  if (smpte) {
    const int fps = 256 - (division >> 8);
    const int perFrame = division & 0xFF;
    if (fps <= 0 || perFrame == 0) return false;
    usPerTick = 1e6 / (fps == 29 ? 29.97 : fps) / perFrame;
  } else {
    usPerTick = 500000.0 / division;
  }
  double timeUs = 0;
  uint64_t lastTick = 0;
  song.events.reserve(events.size());
  for (const TickEvent& e : events) {
    timeUs += static_cast<double>(e.tick - lastTick) * usPerTick;
    lastTick = e.tick;
    const uint64_t at = static_cast<uint64_t>(std::min(timeUs, 1e12));
    song.lengthUs = std::max(song.lengthUs, at);
    if (e.status == 0xFF) {
      if (e.data1 == 0x51 && !smpte && e.tempo > 0) usPerTick = e.tempo / double(division);
      continue;
    }
    song.events.push_back({at, e.status, e.data1, e.data2});
  }
  return true;
}

}  // namespace kobre
