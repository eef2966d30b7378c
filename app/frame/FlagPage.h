// The flag viewer's page: one hundred flags from a start number and the 26
// variables, as the texts of its two grids, and its page buttons.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kobre {
struct GameState;
}

namespace kobre::frame {

inline constexpr int kFlagPageStep = 100;
inline constexpr int kFlagPageLastStart = 2000;

struct FlagPage {
  // 11 x 11, [row][column]; row 0 and column 0 are the headings.
  std::array<std::array<std::string, 11>, 11> flags;
  // 2 x 26: the letters, then the values.
  std::array<std::array<std::string, 26>, 2> variables;
};

// The start field read as a decimal number: text that is not one, and a
// negative number, read as 0; a number too large for the flags reads as 2048.
int readFlagStart(std::string_view text);

// The page buttons: the start 100 lower (not below 0) or 100 higher (not
// above 2000).
int previousFlagStart(std::string_view text);
int nextFlagStart(std::string_view text);

// The grids' texts for a start number (0...2048) over a game state.
FlagPage buildFlagPage(const GameState& state, int start);

}  // namespace kobre::frame
