// How a text sprite places its characters on a grid of cells: Japanese line
// breaking (closing marks may hang in the last column), the hanging indent
// after an opening bracket, line feeds and "\n", and the hero name in place of
// the "●●" marker. Pure code: it produces glyph runs, the drawing is done by
// the text sprite.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace kobre {

constexpr int kTextLineHeight = 26;
constexpr int kTextTableSize = 1024;     // capacity of each character table
constexpr int kTextTableMaxLength = 63;  // what def_indent / def_kinsoku may store

// The two character tables of the message box, shared by every text sprite
// and replaced whole by the script. Each holds two-byte characters,
// zero-terminated.
struct TextTables {
  char openingBrackets[kTextTableSize] = {};
  char closingMarks[kTextTableSize] = {};
  // Bumped whenever a table changes so text sprites know to lay out again.
  uint32_t generation = 0;

  TextTables();
  // Replace one table by `word`, cut to kTextTableMaxLength bytes.
  void setOpeningBrackets(std::string_view word);
  void setClosingMarks(std::string_view word);
  void reset();

  bool isOpeningBracket(const char* twoBytes) const;
  bool isClosingMark(const char* twoBytes) const;
};

// One piece of text drawn at one place: a character, or the whole hero name.
struct TextRun {
  int x = 0;  // pixels right of the sprite's x
  int y = 0;  // pixels below the sprite's y
  std::string_view bytes;
};

struct TextLayoutInput {
  std::string_view text;  // CP932; ends at its first zero byte, if any
  int cellWidth = 22;
  int columns = 1;
  int rows = 1;
  int shownChars = 10000;
  const TextTables* tables = nullptr;  // null: no brackets, no closing marks
  std::string_view heroName;           // drawn in place of "●●"
};

// Lays the text out and appends its runs to `runs` (cleared first), in
// drawing order. The runs' bytes point into input.text or input.heroName.
void layoutText(const TextLayoutInput& input, std::vector<TextRun>& runs);

// Number of two-byte characters in the text (single-byte ones do not count).
int textCharCount(std::string_view text);

}  // namespace kobre
