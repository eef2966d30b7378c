#include <gtest/gtest.h>

#include "platform/headless/HeadlessPlatform.h"
#include "sound/SoundErrors.h"

namespace kobre {
namespace {

TEST(SoundErrors, DirectSoundBoxText) {
  struct Case {
    const char* path;
    int line;
    uint32_t code;
    const char* text;
  } cases[] = {
      {"C:\\src\\DSB.cpp", 120, 0x88780064, "DSB.cpp (120)\nDSERR_BADFORMAT : 0x88780064"},
      {"DS.cpp", 7, 0x80004005, "DS.cpp (7)\nDSERR_GENERIC : 0x80004005"},
      // Outside the table, code 1 included: the undefined-error text, and the
      // code still in eight upper-case digits.
      {"a\\b\\DSB.cpp", 3, 1, "DSB.cpp (3)\n未定義のエラー : 0x00000001"},
      {"DS.cpp", 9, 0x8878abcd, "DS.cpp (9)\n未定義のエラー : 0x8878ABCD"},
      // A path without a backslash is shown whole (a slash is no separator).
      {"x/y/DS.cpp", 1, 0x887800AA, "x/y/DS.cpp (1)\nDSERR_UNINITIALIZED : 0x887800AA"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatDirectSoundError(c.path, c.line, c.code), c.text) << c.path;
  }
}

TEST(SoundErrors, MultimediaBoxText) {
  EXPECT_EQ(formatMultimediaError("Wave.cpp", 10, 265),
            "Wave.cpp (10)\nMMIOERR_CHUNKNOTFOUND : 0x00000109");
  EXPECT_EQ(formatMultimediaError("ACM.cpp", 2, 512),
            "ACM.cpp (2)\nACMERR_NOTPOSSIBLE : 0x00000200");
  EXPECT_EQ(multimediaErrorText(515), "ACMERR_CANCELED");
  EXPECT_EQ(multimediaErrorText(256), "MMIOERR_BASE");
  EXPECT_EQ(multimediaErrorText(272), "MMIOERR_INVALIDFILE");
  // Code 1 has the general error's own text; unknown codes the undefined one.
  EXPECT_NE(multimediaErrorText(1), "未定義のエラー");
  EXPECT_EQ(multimediaErrorText(99999), "未定義のエラー");
}

TEST(SoundErrors, TextIsCutAt255Bytes) {
  std::string longPath(400, 'x');
  std::string text = formatDirectSoundError(longPath, 1, 1);
  EXPECT_EQ(text.size(), 255u);
}

TEST(SoundErrors, BoxesHaveTheirCaptionsAndOwners) {
  platform::headless::HeadlessHost host;
  reportDirectSoundError(&host, "DS.cpp", 5, 0x88780078);
  reportMultimediaError(&host, "Wave.cpp", 6, 257);
  ASSERT_EQ(host.boxes().size(), 2u);
  EXPECT_EQ(host.boxes()[0].spec.caption, "DirectSound Error");
  EXPECT_FALSE(host.boxes()[0].spec.ownerless);
  EXPECT_EQ(host.boxes()[0].spec.icon, platform::BoxIcon::None);
  EXPECT_EQ(host.boxes()[0].spec.text, "DS.cpp (5)\nDSERR_NODRIVER : 0x88780078");
  EXPECT_EQ(host.boxes()[1].spec.caption, "MMSystem Error");
  EXPECT_TRUE(host.boxes()[1].spec.ownerless);
  EXPECT_EQ(host.boxes()[1].spec.buttons, platform::BoxButtons::Ok);
}

}  // namespace
}  // namespace kobre
