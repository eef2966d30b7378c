#include "graphics/TextLayout.h"

#include <cstring>

#include "common/Sjis.h"
#include "common/SjisText.h"

namespace kobre {

namespace {

void storeTable(char* table, std::string_view word) {
  size_t end = word.find('\0');
  if (end != std::string_view::npos) word = word.substr(0, end);
  size_t n = word.size() < static_cast<size_t>(kTextTableMaxLength)
                 ? word.size()
                 : static_cast<size_t>(kTextTableMaxLength);
  std::memset(table, 0, kTextTableSize);
  std::memcpy(table, word.data(), n);
}

// Compares two bytes with the table's characters at even offsets only, so a
// trail byte followed by a lead byte in the table never matches.
bool tableHas(const char* table, const char* c) {
  for (int i = 0; i + 1 < kTextTableSize && table[i] != 0 && table[i + 1] != 0; i += 2)
    if (table[i] == c[0] && table[i + 1] == c[1]) return true;
  return false;
}

}  // namespace

TextTables::TextTables() {
  reset();
}

void TextTables::reset() {
  storeTable(openingBrackets, kSjisOpeningBrackets);
  storeTable(closingMarks, kSjisClosingMarks);
  ++generation;
}

void TextTables::setOpeningBrackets(std::string_view word) {
  storeTable(openingBrackets, word);
  ++generation;
}

void TextTables::setClosingMarks(std::string_view word) {
  storeTable(closingMarks, word);
  ++generation;
}

bool TextTables::isOpeningBracket(const char* twoBytes) const {
  return tableHas(openingBrackets, twoBytes);
}

bool TextTables::isClosingMark(const char* twoBytes) const {
  return tableHas(closingMarks, twoBytes);
}

void layoutText(const TextLayoutInput& in, std::vector<TextRun>& runs) {
  runs.clear();
  std::string_view text = in.text;
  size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
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
  auto opening = [&](const char* c) { return in.tables && in.tables->isOpeningBracket(c); };
  auto closing = [&](const char* c) { return in.tables && in.tables->isClosingMark(c); };

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
