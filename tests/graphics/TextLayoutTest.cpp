#include "graphics/TextLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/SjisText.h"
#include "platform/posix/IconvTextCodec.h"

namespace kobre {
namespace {

std::string sj(std::string_view utf8) {
  return platform::utf8ToCp932(utf8);
}

// A run as the tests write it: position and UTF-8 text.
struct Placed {
  int x, y;
  std::string utf8;
  bool operator==(const Placed&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Placed& p) {
  return os << "(" << p.x << "," << p.y << " " << p.utf8 << ")";
}

struct LayoutCase {
  const char* name;
  std::string utf8;  // the text; "\\" and control bytes are taken as they stand
  int columns;
  int rows;
  int shownChars;
  std::vector<Placed> expected;
};

std::vector<Placed> lay(const std::string& cp932, int columns, int rows, int shownChars,
                        int cellWidth = 22, std::string_view hero = kSjisDefaultHeroName) {
  TextLayoutInput in;
  in.text = cp932;
  in.cellWidth = cellWidth;
  in.columns = columns;
  in.rows = rows;
  in.shownChars = shownChars;
  in.openingBrackets = kSjisOpeningBrackets;
  in.closingMarks = kSjisClosingMarks;
  in.heroName = hero;
  std::vector<TextRun> runs;
  layoutText(in, runs);
  std::vector<Placed> out;
  for (const TextRun& r : runs) out.push_back({r.x, r.y, platform::cp932ToUtf8(r.bytes)});
  return out;
}

// Characters placed one cell apart from (x0, y) on.
std::vector<Placed> row(std::string_view utf8Chars, int x0, int y, int cell = 22) {
  std::vector<Placed> out;
  std::string cp = sj(utf8Chars);
  for (size_t i = 0; i < cp.size(); i += 2) {
    out.push_back({x0, y, platform::cp932ToUtf8(cp.substr(i, 2))});
    x0 += cell;
  }
  return out;
}

std::vector<Placed> cat(std::vector<std::vector<Placed>> parts) {
  std::vector<Placed> out;
  for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(TextLayout, GridExamples) {
  const std::vector<LayoutCase> cases = {
      {"nine characters fill a 10-column line", "あいうえおかきくけこさし", 10, 4, 10000,
       cat({row("あいうえおかきく", 0, 0), row("け", 176, 0), row("こさし", 0, 26)})},
      {"a full stop hangs in the last column", "あいうえおかきくけ。こ", 10, 4, 10000,
       cat({row("あいうえおかきくけ", 0, 0), row("。", 198, 0), row("こ", 0, 26)})},
      {"a comma hangs too and a line feed after the break is eaten", "あいうえおかきくけ、\nこ", 10,
       4, 10000, cat({row("あいうえおかきくけ、", 0, 0), row("こ", 0, 26)})},
      {"hanging indent after an opening bracket", "「あいうえおかきくけこさしすせそたち", 10, 4,
       10000,
       cat({row("「あいうえおかきく", 0, 0), row("けこさしすせそた", 22, 26), row("ち", 22, 52)})},
      {"a later opening bracket stands in the bracket's column", "「あい」\n「うえ」", 10, 4, 10000,
       cat({row("「あい」", 0, 0), row("「うえ」", 0, 26)})},
      {"an indent begun mid-line starts later lines under the bracket", "あい「うえおかきくけこ", 6,
       4, 10000,
       cat({row("あい「うえ", 0, 0), row("おか", 66, 26), row("きく", 66, 52),
            row("けこ", 66, 78)})},
      {"line feed breaks the line", "あい\nう", 10, 4, 10000,
       cat({row("あい", 0, 0), row("う", 0, 26)})},
      {"backslash n and N break the line, another byte after it draws nothing", "あ\\nい\\Nう\\xえ",
       10, 4, 10000, cat({row("あ", 0, 0), row("い", 0, 26), row("うえ", 0, 52)})},
      {"a backslash at the very end ends the text", "あ\\", 10, 4, 10000, row("あ", 0, 0)},
      {"carriage returns are ignored", "あ\r\nい", 10, 4, 10000,
       cat({row("あ", 0, 0), row("い", 0, 26)})},
      {"the hero name replaces the marker and takes two cells", "●●さん", 10, 4, 10000,
       cat({{{0, 0, "遥斗"}}, row("さん", 44, 0)})},
      {"shownChars counts the hero name as one", "●●さんこんにちは", 10, 4, 3,
       cat({{{0, 0, "遥斗"}}, row("さん", 44, 0)})},
      {"shownChars 3 shows three characters", "あいうえお", 10, 4, 3, row("あいう", 0, 0)},
      {"rows 3: the fourth line is never drawn", "あ\nい\nう\nえ\nお", 10, 3, 10000,
       cat({row("あ", 0, 0), row("い", 0, 26), row("う", 0, 52)})},
      {"the marker fits in the second-last column", "あいうえおかきく●●", 10, 4, 10000,
       cat({row("あいうえおかきく", 0, 0), {{176, 0, "遥斗"}}})},
      {"a marker in the last column moves to the next line", "あいうえおかきくけ●●", 10, 4, 10000,
       cat({row("あいうえおかきくけ", 0, 0), {{0, 26, "遥斗"}}})},
  };
  for (const LayoutCase& c : cases) {
    EXPECT_EQ(lay(sj(c.utf8), c.columns, c.rows, c.shownChars), c.expected) << c.name;
  }
}

TEST(TextLayout, SingleByteCharactersAdvanceHalfACellAndNeverBreak) {
  std::vector<Placed> got = lay("abcdefghijklmnopqrstuvwxyz", 10, 4, 10000);
  ASSERT_EQ(got.size(), 26u);
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].x, static_cast<int>(i) * 11);
    EXPECT_EQ(got[i].y, 0);
  }
  EXPECT_EQ(textCharCount("abcdefghijklmnopqrstuvwxyz"), 0);
  // With the small counter font's 18-pixel cells the half advance is 9.
  std::vector<Placed> small = lay(" 1 / 3", 100, 1, 10000, 18);
  ASSERT_EQ(small.size(), 6u);
  EXPECT_EQ(small[5].x, 45);
  // An odd cell width rounds the half advance toward zero.
  EXPECT_EQ(lay("ab", 10, 1, 10000, 23)[1].x, 11);
}

TEST(TextLayout, MixedWidthsAndTheLastColumn) {
  // Half-width characters push the grid position; the column test uses px / cell.
  std::vector<Placed> got = lay(sj("ab") + sj("あいうえ"), 4, 4, 10000);
  std::vector<Placed> want = {{0, 0, "a"},   {11, 0, "b"},  {22, 0, "あ"},
                              {44, 0, "い"}, {0, 26, "う"}, {22, 26, "え"}};
  EXPECT_EQ(got, want);
}

TEST(TextLayout, CharCountCountsTwoByteCharactersOnly) {
  EXPECT_EQ(textCharCount(sj("●●さん")), 4);
  EXPECT_EQ(textCharCount(sj("aあbい")), 2);
  EXPECT_EQ(textCharCount(""), 0);
  // Counting stops at the terminating zero.
  EXPECT_EQ(textCharCount(std::string_view("\x82\xA0\0\x82\xA2", 5)), 1);
}

TEST(TextLayout, BrokenAndDegenerateInputEndsCleanly) {
  // A lead byte with no second byte is not drawn.
  EXPECT_EQ(lay(sj("あ") + "\x82", 10, 4, 10000), row("あ", 0, 0));
  // Text stops at a zero byte.
  EXPECT_EQ(lay(std::string("\x82\xA0\0\x82\xA2", 5), 10, 4, 10000), row("あ", 0, 0));
  // One column leaves no room for ordinary characters; closing marks still hang.
  EXPECT_TRUE(lay(sj("あいう"), 1, 1000000, 10000).empty());
  EXPECT_EQ(lay(sj("。。"), 1, 4, 10000), (std::vector<Placed>{{0, 0, "。"}, {0, 26, "。"}}));
  // An indent that reaches the last column can never place a character.
  EXPECT_EQ(lay(sj("あいう「えお"), 4, 1000000, 10000), row("あいう「", 0, 0));
  EXPECT_TRUE(lay(sj("あ"), 10, 0, 10000).empty());
  EXPECT_TRUE(lay(sj("あ"), 10, 4, 0).empty());
  EXPECT_TRUE(lay(sj("あ"), 10, 4, 10000, 0).empty());
}

TEST(TextLayout, TablesCompareWholeCharactersAtEvenOffsets) {
  EXPECT_TRUE(textTableHas(kSjisOpeningBrackets, sj("「").c_str()));
  EXPECT_TRUE(textTableHas(kSjisOpeningBrackets, sj("【").c_str()));
  EXPECT_TRUE(textTableHas(kSjisClosingMarks, sj("？").c_str()));
  EXPECT_FALSE(textTableHas(kSjisClosingMarks, sj("「").c_str()));
  // 「（ is 81 75 81 69: the bytes 75 81 straddle two characters and never match.
  EXPECT_FALSE(textTableHas(kSjisOpeningBrackets, "\x75\x81"));
  // The table ends at its first zero; an odd last byte is no character.
  EXPECT_FALSE(textTableHas(std::string_view("\x81\x75\0\x81\x69", 5), sj("（").c_str()));
  EXPECT_FALSE(textTableHas(std::string_view("a\x81"), "\x81\x00"));
  EXPECT_FALSE(textTableHas("", sj("「").c_str()));
}

TEST(TextLayout, ReplacedTablesChangeTheLayout) {
  std::string text = sj("あいうえおかきくけ。「こ");
  std::string marks = sj("ー");
  TextLayoutInput in;
  in.text = text;
  in.columns = 10;
  in.rows = 4;
  in.closingMarks = marks;  // "。" is no longer a closing mark
  std::vector<TextRun> runs;
  layoutText(in, runs);
  ASSERT_EQ(runs.size(), 12u);
  EXPECT_EQ(runs[9].x, 0);
  EXPECT_EQ(runs[9].y, 26);
  // No opening brackets: "「" sets no indent.
  EXPECT_EQ(runs[10].x, 22);
  EXPECT_EQ(runs[11].x, 44);
}

TEST(TextLayout, EmptyHeroNameTakesNoCells) {
  std::vector<Placed> got = lay(sj("●●さん"), 10, 4, 10000, 22, "");
  std::vector<Placed> want = {{0, 0, ""}, {0, 0, "さ"}, {22, 0, "ん"}};
  EXPECT_EQ(got, want);
}

}  // namespace
}  // namespace kobre

namespace kobre {
namespace {

// Arbitrary bytes and grid sizes: the layout ends, every run lies inside
// the text or the hero name, and no run lands below the last row.
TEST(TextLayout, ArbitraryBytesStayInsideTheirBuffers) {
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  const std::string hero = sj("遥斗");
  const int sizes[] = {-5, 0, 1, 2, 3, 10, 31, 100, 1000000};
  std::vector<TextRun> runs;
  for (int round = 0; round < 3000; ++round) {
    std::string text(next() % 64, '\0');
    for (char& c : text) {
      // Mostly the bytes that matter: leads, LF, CR, backslash, n, brackets.
      const char pick[] = {'\x81', '\x82', '\xA0', '\xC0', '\xFC', '\n', '\r', '\\',
                           'n',    'N',    '\x75', '\x76', '\x9C', 'a',  '\0'};
      c = (next() % 4 == 0) ? static_cast<char>(next()) : pick[next() % sizeof pick];
    }
    TextLayoutInput in;
    in.text = text;
    in.cellWidth = sizes[next() % std::size(sizes)];
    in.columns = sizes[next() % std::size(sizes)];
    in.rows = sizes[next() % std::size(sizes)];
    in.shownChars = sizes[next() % std::size(sizes)];
    in.openingBrackets = kSjisOpeningBrackets;
    in.closingMarks = kSjisClosingMarks;
    in.heroName = hero;
    layoutText(in, runs);
    ASSERT_LE(runs.size(), text.size());
    for (const TextRun& r : runs) {
      const bool inText = r.bytes.data() >= text.data() &&
                          r.bytes.data() + r.bytes.size() <= text.data() + text.size();
      const bool isHero = r.bytes.data() == hero.data();
      ASSERT_TRUE(inText || isHero) << round;
      ASSERT_LT(r.y / kTextLineHeight, std::max(in.rows, 0)) << round;
    }
  }
}

}  // namespace
}  // namespace kobre
