// title and ending on the real picture and sound side.
#include <gtest/gtest.h>

#include "tests/script/SceneFixture.h"

namespace kobre {
namespace {

using testing::SceneFixture;
using TitleAndEndingTest = SceneFixture;

TEST_F(TitleAndEndingTest, TitleReleasesEverySpriteAndChannel) {
  bmp("back", 800, 600, 0x123456);
  writeScript("open", "B=1\n");
  runScript("bg1 back\nA=1\ntitle\nC=1\n");
  EXPECT_EQ(var('A'), 1);
  EXPECT_EQ(var('B'), 1);
  EXPECT_EQ(var('C'), 0);
  for (int i = 0; i < kSpriteSlotCount; ++i) EXPECT_FALSE(slot(i).isLoaded()) << i;
  for (int i = 0; i < kSoundChannelCount; ++i) EXPECT_FALSE((*channels)[i].isLoaded()) << i;
}

TEST_F(TitleAndEndingTest, EndingShowsFifteenPicturesForFiveSecondsEach) {
  for (int i = 1; i <= 15; ++i) {
    char n[8];
    std::snprintf(n, sizeof n, "_Ed%02d", i);
    bmp(n, 800, 600, 0x000100u * static_cast<uint32_t>(i));
  }
  bmp("back", 800, 600, 0xFFFFFF);
  const uint64_t before = headless.clock.now();
  runScript("bg1 back\nending theme\nA=1\n");
  EXPECT_EQ(var('A'), 1);
  const uint64_t spent = headless.clock.now() - before;
  EXPECT_GE(spent, 15u * 5000u);
  EXPECT_LT(spent, 15u * 5000u + 15u * 2000u);  // fades take frames, not seconds
  EXPECT_STREQ(runtime->gameState.bgmName, "theme");
  EXPECT_STREQ(layerName(0), "");  // the last picture faded out
  EXPECT_TRUE(errors().empty());
}

TEST_F(TitleAndEndingTest, EndingLeavesOnReturnToTitle) {
  bmp("_Ed01", 800, 600, 0x010101);
  int pumps = 0;
  headless.host.onPump([&] {
    if (++pumps == 200) runtime->returnToTitle = true;
  });
  runScript("ending theme\nA=1\n");
  EXPECT_EQ(var('A'), 1);
  EXPECT_FALSE(runtime->returnToTitle);
  EXPECT_LT(headless.clock.now(), 5000u);
}

}  // namespace
}  // namespace kobre
