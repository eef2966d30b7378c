#include "graphics/TextLayout.h"

#include "common/Sjis.h"
#include "common/SjisText.h"
#include "common/UntilZero.h"

namespace kobre {

bool textTableHas(std::string_view table, const char* c) {
  table = untilZero(table);
  for (size_t i = 0; i + 1 < table.size(); i += 2)
    if (table[i] == c[0] && table[i + 1] == c[1]) return true;
  return false;
}

void layoutText(const TextLayoutInput& in, std::vector<TextRun>& runs) {
  runs.clear();
  const std::string_view text = untilZero(in.text);
  const std::string_view openingBrackets = untilZero(in.openingBrackets);
  const std::string_view closingMarks = untilZero(in.closingMarks);
  const int cell = in.cellWidth;
  if (cell <= 0) return;  // no grid to lay out on
  const size_t n = text.size();
  const char* s = text.data();

  size_t p = 0;
  int px = 0;
  long long line = 0;  // py / 26, kept apart so huge row counts cannot overflow
  int indentCell = -1;
  int drawn = 0;
  size_t lineStart = 0;  // p where the current line began

  auto newLine = [&]() {
    ++line;
    px = indentCell == -1 ? 0 : indentCell * cell;
    lineStart = p;
  };
  auto emit = [&](std::string_view bytes) {
    runs.push_back({px, static_cast<int>(line * kTextLineHeight), bytes});
    ++drawn;
  };
  auto opening = [&](const char* c) { return textTableHas(openingBrackets, c); };
  auto closing = [&](const char* c) { return textTableHas(closingMarks, c); };

  while (p < n && drawn < in.shownChars && line < in.rows) {
    uint8_t b = static_cast<uint8_t>(s[p]);
    if (b == 0x0A) {
      ++p;
      newLine();
      continue;
    }
    if (b == 0x0D) {
      ++p;
      continue;
    }
    if (!isWideLead(b)) {
      if (b == '\\') {
        if (p + 1 >= n) break;  // a backslash at the very end ends the text
        char next = s[p + 1];
        p += 2;
        if (next == 'n' || next == 'N') newLine();
        continue;
      }
      emit(text.substr(p, 1));
      ++p;
      px += cell / 2;
      continue;
    }
    // A lead byte without its second byte ends the text rather than drawing
    // the terminator as half of a character.
    if (p + 1 >= n) break;
    const char* c = s + p;
    if (indentCell == -1 && opening(c)) indentCell = px / cell;
    if (px / cell == indentCell) {
      if (opening(c)) {
        emit(text.substr(p, 2));
        px += cell;
        p += 2;
        continue;
      }
      px += cell;  // the text under a bracket starts one cell to its right
    }
    if (px / cell < in.columns - 1) {
      if (text.substr(p, kSjisHeroMarker.size()) == kSjisHeroMarker) {
        emit(in.heroName);
        p += kSjisHeroMarker.size();
        px += static_cast<int>(in.heroName.size() / 2) * cell;
      } else {
        emit(text.substr(p, 2));
        px += cell;
        p += 2;
      }
      continue;
    }
    // The last column: only a closing mark may stand there.
    if (closing(c)) {
      emit(text.substr(p, 2));
      p += 2;
    } else if (p == lineStart) {
      // Nothing fits on a fresh line: every further line would be the same
      // empty line, so the text ends here.
      break;
    }
    newLine();
    if (p < n && s[p] == 0x0A) {
      ++p;
      lineStart = p;
    }
  }
}

int textCharCount(std::string_view text) {
  int count = 0;
  for (size_t p = 0; p < text.size() && text[p] != 0;) {
    if (isWideLead(text[p])) {
      ++count;
      p += 2;
    } else {
      ++p;
    }
  }
  return count;
}

}  // namespace kobre
