// Text drawn with Qt into the caller's pixels, and the real clock.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <vector>

#include "DesktopTestApp.h"
#include "platform/posix/IconvTextCodec.h"
#include "platform/qt/QtClock.h"
#include "platform/qt/QtTextRasterizer.h"

namespace kobre::platform::qt {
namespace {

constexpr uint32_t kPad = 0x12345678;

struct Canvas {
  int width, height, stride;
  std::vector<uint32_t> pixels;
  Canvas(int w, int h, int s) : width(w), height(h), stride(s), pixels(size_t(s) * h, 0) {
    for (int y = 0; y < h; ++y)
      for (int x = w; x < s; ++x) pixels[size_t(y) * s + x] = kPad;
  }
  uint32_t at(int x, int y) const { return pixels[size_t(y) * stride + x] & 0xFFFFFF; }
  int lit() const {
    int n = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) n += at(x, y) != 0;
    return n;
  }
  bool padIntact() const {
    for (int y = 0; y < height; ++y)
      for (int x = width; x < stride; ++x)
        if (pixels[size_t(y) * stride + x] != kPad) return false;
    return true;
  }
};

class RasterTest : public ::testing::Test {
 protected:
  QApplication* app = test::desktopApp();
  IconvTextCodec codec;
  QtTextRasterizer raster{codec};
  FontSpec gothic(int height, bool bold = false) {
    return FontSpec{utf8ToCp932("ＭＳ ゴシック"), height, bold, false};
  }
};

TEST_F(RasterTest, WindowsGothicIsTheIpaFont) {
  QFontInfo info(raster.fontFor(gothic(22)));
  EXPECT_EQ(info.family(), QStringLiteral("IPAGothic"));
  EXPECT_EQ(info.pixelSize(), 22);
  QFontInfo small(raster.fontFor(gothic(18, true)));
  EXPECT_EQ(small.family(), QStringLiteral("IPAGothic"));
  EXPECT_EQ(small.pixelSize(), 18);
  EXPECT_TRUE(small.bold());
}

TEST_F(RasterTest, DrawsCp932TextInsideTheBufferOnly) {
  Canvas c(200, 40, 232);
  std::string text = utf8ToCp932("あいう漢字ABC");
  raster.drawText(c.pixels.data(), c.width, c.height, c.stride, 4, 4, text, gothic(22), 0xFF8000);
  EXPECT_GT(c.lit(), 100);
  EXPECT_TRUE(c.padIntact());
  // The text cell starts at the given top left: nothing above or left of it.
  for (int x = 0; x < c.width; ++x) EXPECT_EQ(c.at(x, 0), 0u) << x;
  for (int y = 0; y < c.height; ++y) EXPECT_EQ(c.at(0, y), 0u) << y;
  // Solid strokes carry the colour asked for.
  bool exact = false;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) exact |= c.at(x, y) == 0xFF8000;
  EXPECT_TRUE(exact);
}

TEST_F(RasterTest, EdgesClipAndBoldIsHeavier) {
  Canvas edge(100, 30, 100);
  std::string text = utf8ToCp932("漢字漢字漢字漢字");
  raster.drawText(edge.pixels.data(), edge.width, edge.height, edge.stride, -10, 20, text,
                  gothic(22), 0xFFFFFF);
  raster.drawText(edge.pixels.data(), edge.width, edge.height, edge.stride, 90, -15, text,
                  gothic(22), 0xFFFFFF);
  EXPECT_GT(edge.lit(), 0);

  Canvas plain(300, 30, 300), bold(300, 30, 300);
  raster.drawText(plain.pixels.data(), 300, 30, 300, 0, 0, text, gothic(22), 0xFFFFFF);
  raster.drawText(bold.pixels.data(), 300, 30, 300, 0, 0, text, gothic(22, true), 0xFFFFFF);
  EXPECT_GT(bold.lit(), plain.lit());

  // Nothing to draw or nowhere to draw it: no change, no failure.
  Canvas empty(10, 10, 10);
  raster.drawText(empty.pixels.data(), 10, 10, 10, 0, 0, "", gothic(22), 0xFFFFFF);
  raster.drawText(empty.pixels.data(), 10, 10, 5, 0, 0, text, gothic(22), 0xFFFFFF);
  raster.drawText(nullptr, 10, 10, 10, 0, 0, text, gothic(22), 0xFFFFFF);
  EXPECT_EQ(empty.lit(), 0);
}

TEST(QtClockTest, TicksFollowRealSleep) {
  QtClock clock;
  uint32_t before = clock.tickCount();
  clock.sleep(20);
  uint32_t after = clock.tickCount();
  EXPECT_GE(after - before, 20u);
  clock.sleep(0);
}

}  // namespace
}  // namespace kobre::platform::qt
