#include <gtest/gtest.h>

#include "common/ClampByte.h"
#include "common/PathName.h"

namespace kobre {
namespace {

TEST(ClampByte, HoldsLevelsToAByte) {
  const int cases[][2] = {{-1000, 0}, {-1, 0},    {0, 0},        {128, 128},
                          {255, 255}, {256, 255}, {1 << 30, 255}};
  for (const auto& c : cases) EXPECT_EQ(clampByte(c[0]), c[1]) << c[0];
}

TEST(PathName, AfterLastBackslash) {
  EXPECT_EQ(afterLastBackslash("scr\\sub\\open.scr"), "open.scr");
  EXPECT_EQ(afterLastBackslash("open.scr"), "open.scr");
  EXPECT_EQ(afterLastBackslash("cg\\"), "");
  EXPECT_EQ(afterLastBackslash(""), "");
  // "ソ" is 0x83 0x5C: its second byte separates nothing.
  EXPECT_EQ(afterLastBackslash("cg\\\x83\x5C\x83\x89.bmp"), "\x83\x5C\x83\x89.bmp");
  EXPECT_EQ(afterLastBackslash("a/b.wav"), "a/b.wav");  // only backslashes separate
}

}  // namespace
}  // namespace kobre
