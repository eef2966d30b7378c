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

// Whether the two bytes at c equal one of the two-byte characters of table
// (the opening brackets or the closing marks: two-byte characters, ending at
// the first zero). Only even offsets of the table are compared, so the trail
// byte of one character and the lead byte of the next never match.
bool textTableHas(std::string_view table, const char* c);

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
  std::string_view openingBrackets;  // characters that start a hanging indent
  std::string_view closingMarks;     // characters that may hang in the last column
  std::string_view heroName;         // drawn in place of "●●"
};

// Lays the text out and appends its runs to `runs` (cleared first), in
// drawing order. The runs' bytes point into input.text or input.heroName.
void layoutText(const TextLayoutInput& input, std::vector<TextRun>& runs);

// Number of two-byte characters in the text (single-byte ones do not count).
int textCharCount(std::string_view text);

}  // namespace kobre
