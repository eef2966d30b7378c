// The save and load screens: the twenty slot files of the running game
// (F1000 picks files 1-20 or 21-40) with their times and comments, over the
// game's hidden picture slots.
#pragma once

#include <array>
#include <cstdint>

#include "script/Lexer.h"

namespace kobre {

namespace saveload {

constexpr int kSlotCount = 20;
constexpr int kCommentSize = 128;
constexpr char kEmptyMark = 0x01;  // a comment of this one byte: no file

// Sprite slots of the screen.
constexpr int kBackground = 80;
constexpr int kCursor = 88;
constexpr int kFirstCaption = 90;  // + list index
constexpr int kReturnButton = 120;
constexpr int kComment = 123;
constexpr int kLastScreenSlot = 123;
constexpr int kGameSlots = 80;  // slots 0-79 belong to the running game
constexpr int kReturnCursor = 20;

// The slot file number of list index i in game (0 or 1): 1-20 or 21-40.
constexpr int slotFileNumber(int index, int game) {
  return index + 20 * game + 1;
}

}  // namespace saveload

struct SlotRecord {
  int32_t x = 0, y = 0;          // hot area and cursor picture
  int32_t textX = 0, textY = 0;  // the file time
  char comment[saveload::kCommentSize] = {saveload::kEmptyMark};
  bool empty() const { return comment[0] == saveload::kEmptyMark && comment[1] == 0; }
};
using SlotList = std::array<SlotRecord, saveload::kSlotCount>;

// Reads the twenty slot files of game into list and fills slots 80 (the
// background), 88 (the cursor picture, invisible), 90-109 (the file times)
// and 120 (the return button, invisible) for the mode.
void buildSlotList(Lexer& lexer, bool load, int game, SlotList& list);

}  // namespace kobre
