#include "app/frame/FlagPage.h"

#include <algorithm>
#include <cstdio>

#include "script/GameState.h"

namespace kobre::frame {

namespace {

std::string format(const char* pattern, int value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, pattern, value);
  return buf;
}

}  // namespace

int readFlagStart(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return 0;
  int value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    // Anything past the last flag shows the same empty page.
    value = std::min(value * 10 + (text[i] - '0'), kFlagCount);
  }
  return negative ? 0 : value;
}

int previousFlagStart(std::string_view text) {
  return std::max(readFlagStart(text) - kFlagPageStep, 0);
}

int nextFlagStart(std::string_view text) {
  return std::min(readFlagStart(text) + kFlagPageStep, kFlagPageLastStart);
}

FlagPage buildFlagPage(const GameState& state, int start) {
  start = std::clamp(start, 0, kFlagCount);
  FlagPage page;
  for (int column = 1; column <= 10; ++column)
    page.flags[0][static_cast<size_t>(column)] = format("  +%d", column - 1);
  for (int row = 1; row <= 10; ++row) {
    const int first = start + 10 * (row - 1);
    if (first >= kFlagCount) break;
    auto& cells = page.flags[static_cast<size_t>(row)];
    cells[0] = format("%4d", first);
    for (int column = 1; column <= 10; ++column) {
      const int n = first + column - 1;
      if (n >= kFlagCount) break;
      cells[static_cast<size_t>(column)] = format("%4d", state.flags[n]);
    }
  }
  for (int v = 0; v < kVariableCount; ++v) {
    const auto column = static_cast<size_t>(v);
    page.variables[0][column] = format("   %c", 'A' + v);
    // F is never shown.
    page.variables[1][column] = v == 'F' - 'A' ? "XXXXXXX" : format("%7d", state.variables[v]);
  }
  return page;
}

}  // namespace kobre::frame
