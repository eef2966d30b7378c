#include "common/AsciiCase.h"

#include <gtest/gtest.h>

#include <clocale>

namespace kobre {
namespace {

TEST(AsciiCase, FoldsOnlyAsciiLetters) {
  for (int i = 0; i < 256; ++i) {
    const auto c = static_cast<char>(i);
    const bool lower = i >= 'a' && i <= 'z', upper = i >= 'A' && i <= 'Z';
    EXPECT_EQ(toUpperAscii(c), lower ? static_cast<char>(i - 32) : c) << i;
    EXPECT_EQ(toLowerAscii(c), upper ? static_cast<char>(i + 32) : c) << i;
    EXPECT_EQ(toUpperAscii(static_cast<uint8_t>(i)), static_cast<uint8_t>(toUpperAscii(c))) << i;
  }
}

TEST(AsciiCase, PlainAndShiftJisAwareCompares) {
  // "\x83\x61" is a two-byte character whose trail byte is 'a'; "\x83\x41"
  // is another character. The plain compare folds the trail byte, the
  // Shift-JIS-aware one does not.
  struct Case {
    std::string_view a, b;
    bool plain, sjis;
  } cases[] = {
      {"cg\\Title.BMP", "CG\\title.bmp", true, true},
      {"abc", "abd", false, false},
      {"abc", "abcd", false, false},
      {"", "", true, true},
      {"\x83\x61.psd", "\x83\x41.PSD", true, false},
      {"\x83\x61.psd", "\x83\x61.PSD", true, true},
      {"\xE9", "\xC9", false, false},  // no folding beyond ASCII
      {"x\x83", "X\x83", true, true},  // a lead byte at the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(equalsIgnoreAsciiCase(c.a, c.b), c.plain) << c.a << " " << c.b;
    EXPECT_EQ(equalsIgnoreAsciiCaseSjis(c.a, c.b), c.sjis) << c.a << " " << c.b;
  }
}

TEST(AsciiCase, DoesNotFollowTheLocale) {
  const char* old = std::setlocale(LC_CTYPE, nullptr);
  const std::string saved = old != nullptr ? old : "C";
  if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) std::setlocale(LC_CTYPE, "C");
  EXPECT_EQ(lowerAscii("\xC9T\xE9.EXE"), "\xC9t\xE9.exe");
  EXPECT_FALSE(equalsIgnoreAsciiCase("\xC9", "\xE9"));
  std::setlocale(LC_CTYPE, saved.c_str());
}

TEST(AsciiCase, SuffixAndKeys) {
  EXPECT_TRUE(endsWithIgnoreAsciiCase("cg\\a.BmP", ".bmp"));
  EXPECT_FALSE(endsWithIgnoreAsciiCase("bmp", ".bmp"));
  EXPECT_FALSE(endsWithIgnoreAsciiCase("a.psd", ".bmp"));
  // Single bytes upper-cased, two-byte characters kept whole.
  EXPECT_EQ(upperAsciiSjis("ab\x83\x61z"), "AB\x83\x61Z");
  EXPECT_EQ(upperAsciiSjis("a\x83"), "A\x83");
  EXPECT_NE(upperAsciiSjis("\x83\x61"), upperAsciiSjis("\x83\x41"));
}

}  // namespace
}  // namespace kobre
