// Text sprites drawn through the headless rasteriser: where the glyph runs go,
// that they are rasterised once per change, and the colour and shadow the
// cached result leaves in the target.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/SjisText.h"
#include "graphics/DIBSprite.h"
#include "graphics/DIBitmap.h"
#include "platform/posix/IconvTextCodec.h"
#include "tests/graphics/GraphicsFixture.h"

namespace kobre {
namespace {

std::string sj(std::string_view utf8) {
  return platform::utf8ToCp932(utf8);
}

class TextDrawTest : public testing::GraphicsFixture {
 protected:
  TextDrawTest() {
    std::memcpy(opening, kSjisOpeningBrackets.data(), kSjisOpeningBrackets.size());
    std::memcpy(closing, kSjisClosingMarks.data(), kSjisClosingMarks.size());
    context.textRenderer.openingBrackets = std::string_view(opening, sizeof opening);
    context.textRenderer.closingMarks = std::string_view(closing, sizeof closing);
    std::memcpy(settings.heroName, kSjisDefaultHeroName.data(), kSjisDefaultHeroName.size());
    EXPECT_TRUE(target.create(800, 600, 1));
    sprite.setContext(&context);
    font.face = std::string(kSjisDefaultFontFace);
    font.pixelHeight = 22;
  }

  // Clears the target to a grey background and draws the sprite once.
  void drawOnce(uint32_t background = 0x00404040) {
    uint32_t* p = target.pixels(0);
    std::fill(p, p + 800 * 600, background);
    ASSERT_TRUE(sprite.draw(&target));
  }
  const std::vector<platform::headless::HeadlessTextRasterizer::Run>& runs() {
    return headless_.raster.runs();
  }
  uint32_t at(int x, int y) { return target.pixels(0)[y * 800 + x] & 0xFFFFFF; }

  char opening[64] = {};
  char closing[64] = {};
  DIBitmap target{&context};
  DIBSprite sprite{&context};
  platform::FontSpec font;
};

TEST_F(TextDrawTest, RunsLandOnTheGridAtTheSpritePosition) {
  sprite.setText(sj("「あいうえおかきくけ"), &font, 0xFFFFFF, 22, 10, 4);
  sprite.setPosition(100, 450);
  drawOnce();
  struct Want {
    int x, y;
    const char* utf8;
  };
  const Want want[] = {{100, 450, "「"}, {122, 450, "あ"}, {144, 450, "い"}, {166, 450, "う"},
                       {188, 450, "え"}, {210, 450, "お"}, {232, 450, "か"}, {254, 450, "き"},
                       {276, 450, "く"}, {122, 476, "け"}};
  ASSERT_EQ(runs().size(), std::size(want));
  for (size_t i = 0; i < runs().size(); ++i) {
    EXPECT_EQ(runs()[i].x, want[i].x) << i;
    EXPECT_EQ(runs()[i].y, want[i].y) << i;
    EXPECT_EQ(platform::cp932ToUtf8(runs()[i].text), want[i].utf8) << i;
    EXPECT_EQ(runs()[i].font.pixelHeight, 22);
    EXPECT_EQ(runs()[i].font.face, font.face);
  }
}

TEST_F(TextDrawTest, GlyphsAreRasterisedOncePerChange) {
  sprite.setText(sj("あいう"), &font, 0xFFFFFF, 22, 10, 4);
  sprite.setPosition(10, 10);
  for (int i = 0; i < 5; ++i) drawOnce();
  EXPECT_EQ(runs().size(), 3u);
  EXPECT_EQ(sprite.textCache().rasterPasses(), 1u);

  // Typing: each step rasterises only the characters that became visible.
  headless_.raster.clear();
  sprite.setText(sj("かきくけこ"), &font, 0xFFFFFF, 22, 10, 4);
  for (int shown = 1; shown <= 5; ++shown) {
    sprite.setShownChars(shown);
    drawOnce();
    drawOnce();
  }
  sprite.setShownChars(DIBSprite::kAllChars);
  drawOnce();
  ASSERT_EQ(runs().size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(runs()[i].x, 10 + 22 * i);

  // Moving the sprite, a new font size, a new hero name or a replaced table
  // lays the text out again.
  headless_.raster.clear();
  sprite.setPosition(20, 10);
  drawOnce();
  EXPECT_EQ(runs().size(), 5u);
  EXPECT_EQ(runs()[0].x, 20);
  font.pixelHeight = 18;
  drawOnce();
  EXPECT_EQ(runs().size(), 10u);
  EXPECT_EQ(runs()[5].font.pixelHeight, 18);
  std::memset(closing, 0, sizeof closing);
  std::memcpy(closing, sj("。").data(), 2);
  drawOnce();
  EXPECT_EQ(runs().size(), 15u);
  drawOnce();
  EXPECT_EQ(runs().size(), 15u);
}

TEST_F(TextDrawTest, HeroNameComesFromTheSettings) {
  sprite.setText(sj("●●さん"), &font, 0xFFFFFF, 22, 10, 1);
  drawOnce();
  ASSERT_EQ(runs().size(), 3u);
  EXPECT_EQ(platform::cp932ToUtf8(runs()[0].text), "遥斗");
  EXPECT_EQ(runs()[1].x, 44);
  std::string name = sj("ユウ");
  std::memset(settings.heroName, 0, sizeof settings.heroName);
  std::memcpy(settings.heroName, name.data(), name.size());
  headless_.raster.clear();
  drawOnce();
  ASSERT_EQ(runs().size(), 3u);
  EXPECT_EQ(runs()[0].text, name);
}

TEST_F(TextDrawTest, TextInItsColourOverABlackShadow) {
  struct Case {
    uint32_t colour;  // 0x00BBGGRR as the sprite holds it
    uint32_t xrgb;    // as the target shows it
  };
  for (Case c : {Case{0xFFFFFF, 0xFFFFFF}, Case{0x808080, 0x808080}, Case{0x0000FF, 0xFF0000}}) {
    sprite.setText(sj("あ"), &font, c.colour, 22, 10, 1);
    sprite.setPosition(200, 100);
    drawOnce();
    // The headless rasteriser marks an 11 x 11 square from (x + 1, y + 2).
    EXPECT_EQ(at(201, 102), c.xrgb);
    EXPECT_EQ(at(211, 112), c.xrgb);
    // The shadow: the same square one pixel right and down, in black.
    EXPECT_EQ(at(212, 113), 0u);
    EXPECT_EQ(at(212, 103), 0u);
    // Around it the background stays.
    EXPECT_EQ(at(200, 101), 0x404040u);
    EXPECT_EQ(at(213, 113), 0x404040u);
    EXPECT_EQ(at(201, 114), 0x404040u);
  }
}

TEST_F(TextDrawTest, ShownCharsAndHiddenSpritesLimitWhatIsDrawn) {
  sprite.setText(sj("あいう"), &font, 0xFFFFFF, 22, 10, 1);
  sprite.setShownChars(1);
  drawOnce();
  EXPECT_EQ(at(1, 2), 0xFFFFFFu);
  EXPECT_EQ(at(23, 2), 0x404040u);
  // Fewer characters than before: the cache starts again.
  sprite.setShownChars(0);
  drawOnce();
  EXPECT_EQ(at(1, 2), 0x404040u);
  sprite.setShownChars(DIBSprite::kAllChars);
  drawOnce();
  EXPECT_EQ(at(45, 2), 0xFFFFFFu);
  sprite.hide();
  drawOnce();
  EXPECT_EQ(at(45, 2), 0x404040u);
  sprite.show();
  sprite.release();
  drawOnce();
  EXPECT_EQ(at(1, 2), 0x404040u);
}

TEST_F(TextDrawTest, TextOffTheTargetIsClipped) {
  // Half outside on every side: the rasteriser clips, nothing is written out of bounds.
  for (auto [x, y] :
       {std::pair{-30, -10}, std::pair{790, 590}, std::pair{-5000, 100}, std::pair{100, 100000}}) {
    sprite.setText(sj("あいうえお"), &font, 0xFFFFFF, 22, 10, 2);
    sprite.setPosition(x, y);
    drawOnce();
  }
  sprite.setPosition(-30, -10);
  drawOnce();
  EXPECT_EQ(at(15, 0), 0xFFFFFFu);  // "う" at x 14: its square starts at 15
}

}  // namespace
}  // namespace kobre
