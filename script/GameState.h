// The game state record: everything a game resumes from, in one fixed
// 150,560-byte layout. The global record, the save slot files and Save00.dat
// are byte images of it (little-endian, no padding).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace kobre {

constexpr int kVariableCount = 26;       // A..Z
constexpr int kFlagCount = 2048;         // F0..F2047
constexpr int kLayerCount = 3;           // picture layers 0..2
constexpr int kNameSize = 64;            // every name field, zero-terminated
constexpr int kBacklogEntries = 256;     // ring of the last messages
constexpr int kBacklogVoiceSize = 64;    // voice name of a backlog entry
constexpr int kBacklogTextSize = 512;    // text of a backlog entry
constexpr int kSaveCommentSize = 256;    // save comment
constexpr int kFirstLastingFlag = 1024;  // F1024..F2047 outlive a play-through

// Flags with a fixed use.
constexpr int kFlagSecondGame = 1000;     // second set of interface pictures
constexpr int kFlagSelectCenter = 2045;   // choice labels centred
constexpr int kFlagWindowHidden = 2046;   // message window hidden
constexpr int kFlagAutoReturnOff = 2047;  // text lines collect without waiting

struct BacklogEntry {
  char voice[kBacklogVoiceSize];
  char text[kBacklogTextSize];
};
static_assert(sizeof(BacklogEntry) == 576);

struct GameState {
  uint32_t checksum;  // byte sum of offsets 4..end
  uint32_t reserved0;
  char scriptName[kNameSize];  // current script, no folder or extension
  int32_t variables[kVariableCount];
  uint8_t flags[kFlagCount];
  char layerNames[kLayerCount][kNameSize];
  int32_t layerX[kLayerCount];
  char bgmName[kNameSize];
  char seName[kNameSize];
  char voiceName[kNameSize];
  int32_t resumePosition;
  char windowPicture[kNameSize];
  int32_t windowX;
  int32_t windowY;
  int32_t windowWidth;
  int32_t windowHeight;
  int32_t windowPictureX;
  int32_t windowPictureY;
  int32_t textX;
  int32_t textY;
  int32_t textColumns;
  int32_t textRows;
  char selectPicture[kNameSize];
  int32_t selectX;
  int32_t selectY;
  int32_t selectWidth;
  int32_t selectHeight;
  int32_t selectTextX;
  int32_t selectTextY;
  int32_t selectColumns;
  int32_t selectRows;
  int32_t selectStepX;
  int32_t selectStepY;
  int32_t selectPictureX;
  int32_t selectPictureY;
  char saveComment[kSaveCommentSize];
  int32_t backlogIndex;    // 0..255: next entry to write
  uint8_t backlogWrapped;  // 1 once the ring has been filled
  BacklogEntry backlog[kBacklogEntries];
  uint8_t reserved1[3];

  // The record's bytes, for copying and for save files.
  std::span<uint8_t, 150560> bytes() {
    return std::span<uint8_t, 150560>(reinterpret_cast<uint8_t*>(this), 150560);
  }
  std::span<const uint8_t, 150560> bytes() const {
    return std::span<const uint8_t, 150560>(reinterpret_cast<const uint8_t*>(this), 150560);
  }

  // 32-bit wrap-around sum of the unsigned bytes at offsets 4..150,559.
  uint32_t computeChecksum() const;
  // Stores computeChecksum() at offset 0 (done before writing a file).
  void updateChecksum() { checksum = computeChecksum(); }
  bool checksumMatches() const { return checksum == computeChecksum(); }

  void clear() { std::memset(static_cast<void*>(this), 0, sizeof(GameState)); }

  // Variable by letter 'A'..'Z' (no check beyond the index).
  int32_t& variable(char letter) { return variables[letter - 'A']; }
  int32_t variable(char letter) const { return variables[letter - 'A']; }
};

constexpr size_t kGameStateSize = 150560;

static_assert(std::endian::native == std::endian::little,
              "the record is kept in memory as it is on disk");
static_assert(sizeof(GameState) == kGameStateSize);
static_assert(alignof(GameState) == 4);
static_assert(offsetof(GameState, checksum) == 0);
static_assert(offsetof(GameState, reserved0) == 4);
static_assert(offsetof(GameState, scriptName) == 8);
static_assert(offsetof(GameState, variables) == 72);
static_assert(offsetof(GameState, flags) == 176);
static_assert(offsetof(GameState, layerNames) == 2224);
static_assert(offsetof(GameState, layerX) == 2416);
static_assert(offsetof(GameState, bgmName) == 2428);
static_assert(offsetof(GameState, seName) == 2492);
static_assert(offsetof(GameState, voiceName) == 2556);
static_assert(offsetof(GameState, resumePosition) == 2620);
static_assert(offsetof(GameState, windowPicture) == 2624);
static_assert(offsetof(GameState, windowX) == 2688);
static_assert(offsetof(GameState, windowY) == 2692);
static_assert(offsetof(GameState, windowWidth) == 2696);
static_assert(offsetof(GameState, windowHeight) == 2700);
static_assert(offsetof(GameState, windowPictureX) == 2704);
static_assert(offsetof(GameState, windowPictureY) == 2708);
static_assert(offsetof(GameState, textX) == 2712);
static_assert(offsetof(GameState, textY) == 2716);
static_assert(offsetof(GameState, textColumns) == 2720);
static_assert(offsetof(GameState, textRows) == 2724);
static_assert(offsetof(GameState, selectPicture) == 2728);
static_assert(offsetof(GameState, selectX) == 2792);
static_assert(offsetof(GameState, selectY) == 2796);
static_assert(offsetof(GameState, selectWidth) == 2800);
static_assert(offsetof(GameState, selectHeight) == 2804);
static_assert(offsetof(GameState, selectTextX) == 2808);
static_assert(offsetof(GameState, selectTextY) == 2812);
static_assert(offsetof(GameState, selectColumns) == 2816);
static_assert(offsetof(GameState, selectRows) == 2820);
static_assert(offsetof(GameState, selectStepX) == 2824);
static_assert(offsetof(GameState, selectStepY) == 2828);
static_assert(offsetof(GameState, selectPictureX) == 2832);
static_assert(offsetof(GameState, selectPictureY) == 2836);
static_assert(offsetof(GameState, saveComment) == 2840);
static_assert(offsetof(GameState, backlogIndex) == 3096);
static_assert(offsetof(GameState, backlogWrapped) == 3100);
static_assert(offsetof(GameState, backlog) == 3101);
static_assert(offsetof(GameState, reserved1) == 150557);

// Checksum of a record image held as bytes (a save file being read); 0 when
// the span is shorter than a record.
uint32_t gameStateChecksum(std::span<const uint8_t> image);

}  // namespace kobre
