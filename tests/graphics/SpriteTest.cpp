// Sprites and composition: the back buffer over the 130 slots, movement,
// clipping, animation, boxes, hit tests, pacing and the shake bands.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "common/Buttons.h"
#include "graphics/DIB.h"
#include "graphics/DIBSprite.h"
#include "tests/graphics/GraphicsFixture.h"
#include "tools/writers/BmpWriter.h"
#include "tools/writers/PsdWriter.h"

namespace kobre {
namespace {

using testing::argb;

class Compose : public testing::GraphicsFixture {
 protected:
  Compose() {
    attachSpriteSlots(*slots, &context);
    back.setContext(&context);
    EXPECT_TRUE(back.create());
  }
  uint32_t at(int x, int y) { return back.surface()->pixels(0)[y * 800 + x] & 0xFFFFFF; }
  void compose() { ASSERT_TRUE(back.compose(*slots)); }

  // A solid 24-bit picture as a loose file.
  std::string solidBmp(const std::string& name, int w, int h, uint32_t rgb) {
    writeLoose(name,
               writers::writeBmp24(w, h, std::vector<uint32_t>(static_cast<size_t>(w * h), rgb)));
    return name;
  }
  // A PSD of n frames, frame i filled with colour (i + 1) * 10 in red, alpha a.
  std::string framesPsd(const std::string& name, int w, int h, int n, uint8_t a = 255) {
    writers::PsdDocument doc;
    doc.width = static_cast<uint32_t>(w);
    doc.height = static_cast<uint32_t>(h);
    for (int i = 0; i < n; ++i)
      doc.layers.push_back(writers::makePsdLayer(0, 0, w, h, [&](int, int) {
        return argb(a, static_cast<uint32_t>((i + 1) * 10), 0, 0);
      }));
    writeLoose(name, writers::writePsd(doc));
    return name;
  }

  std::unique_ptr<SpriteSlots> slots = std::make_unique<SpriteSlots>();
  DIB back;
};

TEST_F(Compose, EmptySlotsComposeBlackAndSlotOrderStacks) {
  back.surface()->fill(0xFFFFFFFF);
  compose();
  for (int y = 0; y < 600; y += 37)
    for (int x = 0; x < 800; x += 41) ASSERT_EQ(at(x, y), 0u);
  DIBSprite& low = (*slots)[3];
  DIBSprite& high = (*slots)[10];
  ASSERT_TRUE(high.loadImage(solidBmp("b.bmp", 50, 50, 0x0000FF)));
  ASSERT_TRUE(low.loadImage(solidBmp("r.bmp", 100, 100, 0xFF0000)));
  compose();
  EXPECT_EQ(at(10, 10), 0x0000FFu);
  EXPECT_EQ(at(70, 70), 0xFF0000u);
  EXPECT_EQ(at(150, 150), 0u);
}

TEST_F(Compose, APictureWhoseOnlyLayerIsBrokenHidesNothing) {
  ASSERT_TRUE((*slots)[0].loadImage(solidBmp("grey.bmp", 800, 600, 0x808080)));
  // A document with transparency whose one layer lacks its transparency
  // channel: the layer fails, and no other layer turns alpha on.
  writers::PsdDocument doc;
  doc.width = 200;
  doc.height = 100;
  doc.layers.push_back(
      writers::makePsdLayer(0, 0, 200, 100, [](int, int) { return argb(255, 0, 0, 0); }));
  doc.layers[0].compression = 1;
  doc.layers[0].channelIds = {0, 1, 2};
  writeLoose("broken.psd", writers::writePsd(doc));
  DIBSprite& s = (*slots)[5];
  ASSERT_TRUE(s.loadImage("broken.psd"));
  compose();
  for (int y = 0; y < 100; y += 9)
    for (int x = 0; x < 200; x += 13) ASSERT_EQ(at(x, y), 0x808080u) << x << "," << y;
  ASSERT_FALSE(boxes().empty());
  EXPECT_EQ(boxMessages().back(), "チャネルのポインタが不正 broken.psd");
}

TEST_F(Compose, ClippingAtEveryEdge) {
  // Columns numbered in blue, rows in green.
  std::vector<uint32_t> px;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) px.push_back(argb(0, 0, y, x & 0xFF));
  writeLoose("grid.bmp", writers::writeBmp24(300, 200, px));
  DIBSprite& s = (*slots)[0];
  ASSERT_TRUE(s.loadImage("grid.bmp"));
  struct Case {
    int x, y;
  } cases[] = {{-100, 0}, {700, 500}, {-299, -199}, {799, 599}, {250, 450}};
  for (auto c : cases) {
    s.setPosition(c.x, c.y);
    compose();
    for (int sy = 0; sy < 600; sy += 7)
      for (int sx = 0; sx < 800; sx += 3) {
        int ix = sx - c.x, iy = sy - c.y;
        bool inside = ix >= 0 && ix < 300 && iy >= 0 && iy < 200;
        ASSERT_EQ(at(sx, sy), inside ? (static_cast<uint32_t>(iy) << 8 | (ix & 0xFF)) : 0u)
            << c.x << "," << c.y << " at " << sx << "," << sy;
      }
  }
  // x = -100: columns 100..299 at screen 0..199.
  s.setPosition(-100, 0);
  compose();
  EXPECT_EQ(at(0, 0), 100u);
  EXPECT_EQ(at(199, 0), 299u & 0xFF);
  EXPECT_EQ(at(200, 0), 0u);
}

TEST_F(Compose, VelocityMovesAlsoOffScreenAndAnimationWaits) {
  DIBSprite& s = (*slots)[1];
  ASSERT_TRUE(s.loadImage(framesPsd("anim.psd", 10, 10, 5)));
  ASSERT_EQ(s.frameCount(), 5);
  s.setPosition(800, 0);
  ASSERT_TRUE(s.setVelocity(4, 0));
  compose();
  EXPECT_EQ(s.x(), 804);
  EXPECT_EQ(s.frame(), 0);  // off screen: no advance
  s.setPosition(-12, 0);
  compose();  // moved to -8: visible, advances
  EXPECT_EQ(s.x(), -8);
  EXPECT_EQ(s.frame(), 1);
  EXPECT_EQ(at(0, 0), 20u << 16);
  EXPECT_EQ(at(2, 0), 0u);  // columns 8..9 only
  DIBSprite blank;
  EXPECT_FALSE(blank.setVelocity(1, 1));
  EXPECT_EQ(blank.x(), 800);
  EXPECT_EQ(blank.y(), 600);
}

TEST_F(Compose, AnimationRules) {
  DIBSprite& s = (*slots)[2];
  ASSERT_TRUE(s.loadImage(framesPsd("f14.psd", 4, 4, 14)));
  s.setLoopStart(13);
  std::vector<int> seen;
  for (int i = 0; i < 16; ++i) {
    compose();
    seen.push_back(s.frame());
  }
  std::vector<int> want = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 13, 13, 13};
  EXPECT_EQ(seen, want);

  s.setFrame(3);
  s.setVisible(true);  // already visible: no restart
  EXPECT_EQ(s.frame(), 3);
  s.hide();
  s.show();
  EXPECT_EQ(s.frame(), 3);
  s.setVisible(false);
  s.setVisible(true);
  EXPECT_EQ(s.frame(), 0);

  // An Ok press jumps two frames in one compose.
  pressed = kButtonOk;
  compose();
  EXPECT_EQ(s.frame(), 2);
  pressed = 0;

  s.setHoldLastFrame(true);
  s.setFrame(12);
  compose();
  compose();
  EXPECT_EQ(s.frame(), 13);

  s.setStill(true);
  s.setFrame(5);
  compose();
  EXPECT_EQ(s.frame(), 5);
  EXPECT_EQ(at(0, 0), 60u << 16);

  // A frame that does not exist is not drawn (and nothing breaks).
  s.setFrame(40);
  compose();
  EXPECT_EQ(at(0, 0), 0u);
  EXPECT_FALSE(s.hitTest(0, 0));

  s.setLoopStart(14);
  EXPECT_EQ(s.loopStart(), 0);
  s.setLoopStart(-1);
  EXPECT_EQ(s.loopStart(), 0);
}

TEST_F(Compose, BlendChoiceByAlphaOpacityAndBrightness) {
  context.blend = &packedScalarBlendRoutines();
  struct Case {
    const char* what;
    bool psd;
    int opacity, brightness;
    uint32_t want;  // over the grey (200) background
  } cases[] = {
      {"bmp as is", false, 255, 255, 100u << 16},
      {"bmp ignores opacity", false, 128, 255, 100u << 16},
      {"bmp darkened", false, 255, 128, 0},  // 100 - 127 stops at 0
      {"psd half alpha", true, 255, 255, argb(0, (100 * 128 + 200 * 127) >> 8, 99, 99)},
      {"psd opacity wins over brightness", true, 128, 10,
       argb(0, (100 * 64 + 200 * 191) >> 8, 149, 149)},
      {"psd darkened", true, 255, 128,
       argb(0, ((100 * 128 + 200 * 127) >> 8) * 128 >> 8, 99 * 128 >> 8, 99 * 128 >> 8)},
  };
  ASSERT_TRUE((*slots)[0].loadImage(solidBmp("grey.bmp", 800, 600, 0xC8C8C8)));
  writeLoose("half.psd", writers::writePsd([] {
               writers::PsdDocument d;
               d.width = 8;
               d.height = 8;
               d.layers.push_back(writers::makePsdLayer(
                   0, 0, 8, 8, [](int, int) { return argb(128, 100, 0, 0); }));
               return d;
             }()));
  solidBmp("red.bmp", 8, 8, 100u << 16);
  for (auto& c : cases) {
    DIBSprite& s = (*slots)[20];
    ASSERT_TRUE(s.loadImage(c.psd ? "half.psd" : "red.bmp"));
    s.setOpacity(c.opacity);
    s.setBrightness(c.brightness);
    compose();
    EXPECT_EQ(at(3, 3), c.want & 0xFFFFFF) << c.what;
    EXPECT_EQ(at(9, 9), 0xC8C8C8u) << c.what;
  }
}

TEST_F(Compose, MessageBoxFromTheSettings) {
  context.blend = &packedScalarBlendRoutines();
  settings.windowRed = 255;
  settings.windowGreen = 0;
  settings.windowBlue = 0;
  settings.windowAlpha = 128;
  DIBSprite& box = (*slots)[5];
  ASSERT_TRUE(box.createBox(20, 400, 760, 150));
  EXPECT_EQ(box.name(), "KOBRE_MESSAGE_BOX");
  EXPECT_EQ(box.opacity(), 128);
  compose();
  EXPECT_EQ(at(30, 410), argb(0, 126, 0, 0));  // a = (255 * 128) >> 8 = 127
  EXPECT_EQ(at(10, 410), 0u);
  box.setBoxStyle(2);
  compose();
  EXPECT_EQ(at(30, 410), 0xFF0000u);
  // Changed settings reach the box when it is rebuilt; style and visibility stay.
  settings.windowBlue = 255;
  settings.windowAlpha = 255;
  box.hide();
  ASSERT_TRUE(box.rebuildBox());
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(box.boxStyle(), 2);
  box.show();
  compose();
  EXPECT_EQ(at(30, 410), 0xFF00FFu);
  EXPECT_EQ(box.x(), 20);
  DIBSprite empty(&context);
  EXPECT_TRUE(empty.rebuildBox());
  EXPECT_FALSE(empty.isLoaded());
}

TEST_F(Compose, LoadImageRulesAndFailures) {
  DIBSprite& s = (*slots)[0];
  solidBmp("cg/Pic.bmp", 4, 4, 0x123456);
  ASSERT_TRUE(s.loadImage("cg\\Pic.bmp"));
  s.setPosition(5, 5);
  s.setOpacity(10);
  s.setBrightness(20);
  DIBitmap* first = s.bitmap();
  ASSERT_TRUE(s.loadImage("CG\\PIC.BMP"));  // same name in other case: no reload
  EXPECT_EQ(s.bitmap(), first);
  EXPECT_EQ(s.x(), 0);
  EXPECT_EQ(s.opacity(), 255);
  EXPECT_EQ(s.brightness(), 255);
  EXPECT_TRUE(s.isVisible());

  EXPECT_FALSE(s.loadImage("cg\\none.bmp"));
  EXPECT_FALSE(s.isLoaded());
  EXPECT_EQ(s.name(), "");
  auto msgs = boxMessages();
  ASSERT_EQ(msgs.size(), 2u);
  EXPECT_EQ(msgs[0], "メモリが足りない、またはファイルが開けない cg\\none.bmp");
  EXPECT_EQ(msgs[1], "ファイルが開けません cg\\none.bmp");
  EXPECT_EQ(boxTexts()[1].substr(0, 11), "DIBSprite (");
  // Once the file is there, the same name is tried again.
  solidBmp("cg/none.bmp", 2, 2, 0);
  EXPECT_TRUE(s.loadImage("cg\\none.bmp"));

  s.release();
  EXPECT_FALSE(s.isVisible());
  s.setVisible(true);
  EXPECT_FALSE(s.isVisible());  // nothing to show
}

TEST_F(Compose, HitTestFollowsAlpha) {
  writers::PsdDocument doc;
  doc.width = 10;
  doc.height = 10;
  doc.layers.push_back(writers::makePsdLayer(
      0, 0, 10, 10, [](int x, int) { return x < 5 ? argb(255, 1, 2, 3) : argb(0, 1, 2, 3); }));
  writeLoose("button.psd", writers::writePsd(doc));
  DIBSprite& s = (*slots)[40];
  ASSERT_TRUE(s.loadImage("button.psd"));
  s.setPosition(100, 100);
  EXPECT_TRUE(s.hitTest(100, 100));
  EXPECT_TRUE(s.hitTest(104, 109));
  EXPECT_FALSE(s.hitTest(105, 100));  // transparent, inside the rectangle
  EXPECT_FALSE(s.hitTest(110, 100));
  EXPECT_FALSE(s.hitTest(99, 100));
  ASSERT_TRUE(s.loadImage(solidBmp("opaque.bmp", 3, 3, 0)));
  EXPECT_TRUE(s.hitTest(2, 2));  // BMP pictures are opaque
}

TEST_F(Compose, CopyFromIsClippedToTheSource) {
  DIBitmap source(&context);
  ASSERT_TRUE(source.create(6, 4, 2));
  for (int i = 0; i < 24; ++i) source.pixels(1)[i] = static_cast<uint32_t>(i + 1);
  DIBSprite s(&context);
  EXPECT_FALSE(s.copyFrom(&source, 0, 0, 1));  // no bitmap
  ASSERT_TRUE(s.createBlank(3, 3));
  EXPECT_TRUE(s.copyFrom(&source, 4, 2, 1));
  const uint32_t* p = s.bitmap()->pixels(0);
  // Source columns 4..5 of rows 2..3; the rest stays zero.
  std::vector<uint32_t> want = {17, 18, 0, 23, 24, 0, 0, 0, 0};
  EXPECT_EQ(std::vector<uint32_t>(p, p + 9), want);
  EXPECT_TRUE(s.copyFrom(&source, -2, -2, 1));
  EXPECT_EQ(s.bitmap()->pixels(0)[8], 1u);
  EXPECT_TRUE(s.copyFrom(&source, 1000, -1000, 1));
  EXPECT_FALSE(s.copyFrom(&source, 0, 0, 2));
  EXPECT_FALSE(s.copyFrom(nullptr, 0, 0, 0));
  auto msgs = boxMessages();
  ASSERT_EQ(msgs.size(), 2u);
  EXPECT_EQ(msgs[0], "ソースのデータがありません ");
  EXPECT_TRUE(s.setRotation(90));
  EXPECT_EQ(s.rotation(), 0);
}

TEST_F(Compose, TextSpritesKeepTheirText) {
  DIBSprite& t = (*slots)[7];
  platform::FontSpec font;
  // "あいab" : two double-byte characters and two single bytes.
  ASSERT_TRUE(
      t.setText("\x82\xa0\x82\xa2"
                "ab",
                &font, 0xFFFFFF, 22, 10, 3));
  EXPECT_TRUE(t.hasText());
  EXPECT_TRUE(t.isVisible());
  EXPECT_EQ(t.charCount(), 2);
  EXPECT_EQ(t.width(), 10);
  EXPECT_EQ(t.shownChars(), 10000);
  EXPECT_FALSE(t.setVelocity(1, 1));
  compose();
  DIBSprite ascii;
  ascii.setText("abc", nullptr, 0, 22, 10, 3);
  EXPECT_EQ(ascii.charCount(), 0);
}

TEST_F(Compose, PacingSleepsByTheLowBitsOfTheElapsedTime) {
  struct Case {
    uint32_t elapsed, sleep;
  } cases[] = {{0, 8}, {16, 8}, {1, 1}, {15, 15}, {33, 1}, {100, 4}};
  for (auto c : cases) {
    uint64_t before = headless_.clock.now();
    uint32_t last = back.lastComposeEnd();
    headless_.clock.advance(c.elapsed - (static_cast<uint32_t>(before) - last));
    before = headless_.clock.now();
    compose();
    EXPECT_EQ(headless_.clock.now() - before, c.sleep) << c.elapsed;
  }
}

TEST_F(Compose, ShakeShowsTheLastComposedPictureDisplaced) {
  ASSERT_TRUE((*slots)[0].loadImage(solidBmp("w.bmp", 800, 600, 0xFFFFFF)));
  compose();
  for (int shake : {20, -20, 0}) {
    back.setShake(shake);
    back.present();
    const auto& frame = headless_.host.lastFrame();
    ASSERT_EQ(frame.size(), 800u * 600u);
    for (int y = 0; y < 600; ++y) {
      bool band = shake > 0 ? y < shake : (shake < 0 && y >= 600 + shake);
      ASSERT_EQ(frame[static_cast<size_t>(y * 800 + 400)] & 0xFFFFFF, band ? 0u : 0xFFFFFFu)
          << shake << " row " << y;
    }
  }
  EXPECT_EQ(back.shake(), 0);
  EXPECT_TRUE(back.setWindowed(true));
  EXPECT_TRUE(back.isWindowed());
}

TEST_F(Compose, PresentingAgainMovesAndAnimatesNothing) {
  DIBSprite& s = (*slots)[4];
  ASSERT_TRUE(s.loadImage(framesPsd("walk.psd", 10, 10, 4)));
  s.setVelocity(3, 0);
  compose();
  EXPECT_EQ(s.x(), 3);
  EXPECT_EQ(s.frame(), 1);
  for (int shake : {5, -5, 0}) {
    back.setShake(shake);
    back.present();
  }
  EXPECT_EQ(s.x(), 3);
  EXPECT_EQ(s.frame(), 1);
  EXPECT_EQ(headless_.host.lastFrame()[3] & 0xFFFFFF, 20u << 16);
}

TEST_F(Compose, ThreeChannelPicturesDrawOpaqueWithBlackAroundTheLayer) {
  writers::PsdDocument doc;
  doc.width = 6;
  doc.height = 6;
  doc.channels = 3;
  doc.mergedAlpha = false;
  doc.layers.push_back(
      writers::makePsdLayer(2, 2, 4, 4, [](int, int) { return argb(255, 0, 200, 0); }));
  writeLoose("flat.psd", writers::writePsd(doc));
  ASSERT_TRUE((*slots)[0].loadImage(solidBmp("white.bmp", 800, 600, 0xFFFFFF)));
  ASSERT_TRUE((*slots)[1].loadImage("flat.psd"));
  EXPECT_FALSE((*slots)[1].bitmap()->hasAlpha());
  EXPECT_FALSE((*slots)[1].hitTest(2, 2));  // no alpha: never hit
  compose();
  EXPECT_EQ(at(0, 0), 0u);
  EXPECT_EQ(at(2, 2), 0x00C800u);
  EXPECT_EQ(at(6, 6), 0xFFFFFFu);
}

TEST_F(Compose, BackBufferFailureIsReportedAfterTheBitmapsOwn) {
  context.maxBitmapBytes = 1024;
  DIB small(&context);
  clearBoxes();
  EXPECT_FALSE(small.create());
  auto texts = boxTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].substr(0, 10), "DIBitmap (");
  EXPECT_EQ(texts[1], "DIB (111)\nバックバッファが作れない ");
  EXPECT_FALSE(small.compose(*slots));
}

TEST_F(Compose, WithoutASurfaceNothingIsComposed) {
  DIB none(&context);
  EXPECT_FALSE(none.compose(*slots));
  EXPECT_EQ(none.surface(), nullptr);
  none.present();
  back.release();
  EXPECT_FALSE(back.compose(*slots));
}

TEST_F(Compose, ACoveringPictureComposesTheSameWithoutTheClear) {
  // An opaque full-screen picture at (-1, 0) moving right covers everything
  // after its move; the result must match a fresh clear and draw.
  ASSERT_TRUE((*slots)[0].loadImage(solidBmp("cover.bmp", 801, 600, 0x336699)));
  (*slots)[0].setPosition(-2, 0);
  (*slots)[0].setVelocity(1, 0);
  back.surface()->fill(0xFFFFFFFF);
  compose();
  EXPECT_EQ(back.surface()->pixels(0)[799], 0xFF336699u);
  compose();  // now at x = 0: column 800 of the picture falls off, covers all
  EXPECT_EQ(back.surface()->pixels(0)[0], 0xFF336699u);
  compose();  // at x = 1: column 0 is cleared black
  EXPECT_EQ(back.surface()->pixels(0)[0], 0u);
}

// Reading the surface without asking for writable pixels (which would count
// as a change).
const uint32_t* shown(DIB& back) {
  return std::as_const(*back.surface()).pixels(0);
}

// The picture of the last compose must equal one blended from scratch.
void expectSameAsFullBlend(DIB& back, SpriteSlots& slots, const char* what) {
  std::vector<uint32_t> kept(shown(back), shown(back) + 800 * 600);
  back.invalidate();
  ASSERT_TRUE(back.compose(slots));
  ASSERT_TRUE(back.lastComposeBlended());
  EXPECT_TRUE(std::equal(kept.begin(), kept.end(), shown(back))) << what;
}

TEST_F(Compose, AnUnchangedSceneIsNotBlendedAgainButEveryChangeIs) {
  ASSERT_TRUE((*slots)[0].loadImage(solidBmp("bg.bmp", 800, 600, 0x204060)));
  DIBSprite& box = (*slots)[4];
  ASSERT_TRUE(box.createBox(20, 400, 760, 150));
  DIBSprite& cursor = (*slots)[9];
  ASSERT_TRUE(cursor.loadImage(framesPsd("cur.psd", 16, 16, 3)));
  cursor.setStill(true);
  cursor.setPosition(700, 500);
  DIBSprite& text = (*slots)[7];
  platform::FontSpec font;
  ASSERT_TRUE(text.setText("abcdef", &font, 0xFFFFFF, 22, 20, 3));
  text.setPosition(40, 420);

  compose();
  ASSERT_TRUE(back.lastComposeBlended());
  const uint64_t blends = back.blendCount();
  std::vector<uint32_t> first(shown(back), shown(back) + 800 * 600);

  // Nothing changed: no blend, the same picture, and the pacing sleep stays.
  for (int i = 0; i < 5; ++i) {
    uint64_t before = headless_.clock.now();
    compose();
    EXPECT_FALSE(back.lastComposeBlended());
    EXPECT_GT(headless_.clock.now(), before);
  }
  EXPECT_EQ(back.blendCount(), blends);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), shown(back)));
  // Presenting does not count as a change either.
  back.present();
  compose();
  EXPECT_FALSE(back.lastComposeBlended());

  auto expectBlend = [&](const char* what) {
    compose();
    EXPECT_TRUE(back.lastComposeBlended()) << what;
    expectSameAsFullBlend(back, *slots, what);
    compose();
    EXPECT_FALSE(back.lastComposeBlended()) << what;
  };

  cursor.bitmap()->pixels(0)[0] = argb(255, 1, 2, 3);
  expectBlend("pixels written through the bitmap");
  EXPECT_EQ(shown(back)[500 * 800 + 700] & 0xFFFFFF, 0x010203u);

  cursor.setPosition(600, 500);
  expectBlend("position");
  EXPECT_NE(shown(back)[500 * 800 + 700] & 0xFFFFFF, 0x010203u);

  cursor.setFrame(2);
  expectBlend("frame");
  EXPECT_EQ(shown(back)[501 * 800 + 601] & 0xFFFFFF, 0x1E0000u);

  cursor.hide();
  expectBlend("visibility");
  EXPECT_NE(shown(back)[501 * 800 + 601] & 0xFFFFFF, 0x1E0000u);
  cursor.show();
  expectBlend("shown again");

  (*slots)[0].setBrightness(128);
  expectBlend("fade by brightness");
  EXPECT_NE(shown(back)[10 * 800 + 10] & 0xFFFFFF, 0x204060u);
  cursor.setOpacity(100);
  expectBlend("fade by opacity");
  box.setBoxStyle(2);
  expectBlend("box style");

  text.setShownChars(2);
  expectBlend("typing");
  ASSERT_TRUE(text.setText("abcdeg", &font, 0xFFFFFF, 22, 20, 3));
  text.setPosition(40, 420);
  expectBlend("new text");
  font.pixelHeight = 30;
  expectBlend("font");
  std::strcpy(settings.heroName, "Ren");
  expectBlend("hero name");
  const std::string brackets = "(";
  context.textRenderer.openingBrackets = brackets;
  expectBlend("line-breaking tables");

  ASSERT_TRUE(cursor.loadImage(solidBmp("other.bmp", 16, 16, 0x00FF00)));
  expectBlend("slot contents");
  (*slots)[3].swapWith(cursor);
  expectBlend("slots exchanged");

  // The surface itself written (a screen fade works on it directly).
  back.surface()->pixels(0)[0] = 0;
  expectBlend("surface written");
}

// The host learns which part of the picture changed since the last present.
TEST_F(Compose, PresentTellsTheHostWhatChanged) {
  ASSERT_TRUE((*slots)[0].loadImage(solidBmp("bg.bmp", 800, 600, 0x204060)));
  DIBSprite& cursor = (*slots)[9];
  ASSERT_TRUE(cursor.loadImage(framesPsd("cur.psd", 16, 16, 3)));
  cursor.setStill(true);
  cursor.setPosition(700, 500);
  auto changed = [&] {
    const platform::FrameArea& a = headless_.host.lastChanged();
    return Rect{a.x0, a.y0, a.x1, a.y1};
  };
  compose();
  back.present();
  EXPECT_EQ(changed(), (Rect{0, 0, 800, 600})) << "the first present";
  compose();
  back.present();
  EXPECT_TRUE(changed().empty()) << "nothing changed";

  cursor.setPosition(600, 490);
  compose();
  back.present();
  EXPECT_EQ(changed(), (Rect{600, 490, 716, 516})) << "where it was and where it is";
  cursor.setFrame(1);
  compose();
  cursor.setFrame(2);
  compose();
  back.present();
  EXPECT_EQ(changed(), (Rect{600, 490, 616, 506})) << "two composes between presents";
  cursor.setPosition(790, -8);
  compose();
  back.present();
  EXPECT_EQ(changed(), (Rect{600, 0, 800, 506})) << "clipped to the screen";

  back.surface()->pixels(0)[0] = 0;
  back.present();
  EXPECT_EQ(changed(), (Rect{0, 0, 800, 600})) << "the surface written directly";
  compose();  // blends all of it again over what was written
  back.present();
  back.setShake(4);
  compose();
  back.present();
  EXPECT_TRUE(changed().empty()) << "a shake moves the picture but does not change it";
}

TEST_F(Compose, MovementAndAnimationStillStepEveryCompose) {
  DIBSprite& runner = (*slots)[2];
  ASSERT_TRUE(runner.loadImage(framesPsd("run.psd", 8, 8, 3)));
  ASSERT_TRUE(runner.setVelocity(3, 0));
  for (int i = 1; i <= 4; ++i) {
    compose();
    EXPECT_TRUE(back.lastComposeBlended());
    EXPECT_EQ(runner.x(), 3 * i);
    EXPECT_EQ(runner.frame(), i % 3);
  }
  // Held on its last frame and at rest: still stepped, but nothing to blend.
  ASSERT_TRUE(runner.setVelocity(0, 0));
  runner.setHoldLastFrame(true);
  compose();
  compose();
  EXPECT_EQ(runner.frame(), 2);
  compose();
  EXPECT_FALSE(back.lastComposeBlended());
  EXPECT_EQ(runner.frame(), 2);
}

}  // namespace
}  // namespace kobre
