#include "common/SjisText.h"

#include <gtest/gtest.h>

#include "common/Sjis.h"
#include "platform/posix/IconvTextCodec.h"

namespace kobre {
namespace {

struct Entry {
  const char* name;
  std::string_view cp932;
  std::string_view utf8;
};

#define KOBRE_SJIS_ENTRY(name, bytes, utf8) Entry{#name, name, utf8},
const Entry kEntries[] = {KOBRE_SJIS_TEXTS(KOBRE_SJIS_ENTRY)};
#undef KOBRE_SJIS_ENTRY

TEST(SjisText, EveryConstantMatchesIconv) {
  for (const Entry& e : kEntries) {
    EXPECT_EQ(platform::utf8ToCp932(e.utf8), e.cp932) << e.name;
    EXPECT_EQ(platform::cp932ToUtf8(e.cp932), e.utf8) << e.name;
  }
}

TEST(SjisText, WaveDashUsesMicrosoftTable) {
  EXPECT_EQ(platform::cp932ToUtf8("\x81\x60"), "\xEF\xBD\x9E");  // U+FF5E
  EXPECT_EQ(platform::utf8ToCp932("\xEF\xBD\x9E"), "\x81\x60");
}

TEST(SjisText, BadBytesAreReplacedNotDropped) {
  // A lone lead byte at the end and an unmapped sequence each become one mark.
  EXPECT_EQ(platform::cp932ToUtf8("a\x82"), "a\xEF\xBF\xBD");
  EXPECT_EQ(platform::utf8ToCp932("x\xF0\x9F\x98\x80y"), "x?y");  // emoji has no CP932 form
}

TEST(Sjis, WideLeadRangeIsTheEnginesWideRange) {
  struct Case {
    int byte;
    bool wide;
  } cases[] = {{0x80, false}, {0x81, true},  {0x9F, true},  {0xA0, true}, {0xA1, false},
               {0xBF, false}, {0xC0, true},  {0xDF, true},  {0xE0, true}, {0xFC, true},
               {0xFD, false}, {0x41, false}, {0x00, false}, {0xFF, false}};
  for (const Case& c : cases)
    EXPECT_EQ(isWideLead(static_cast<uint8_t>(c.byte)), c.wide) << std::hex << c.byte;
}

}  // namespace
}  // namespace kobre
