// DIBitmap: frames, fill, draw contexts, the BMP reader and how a picture's
// bytes are found (loose file, packed or scrambled archive entries).
#include <gtest/gtest.h>

#include "graphics/DIBitmap.h"
#include "tests/graphics/GraphicsFixture.h"
#include "tools/writers/BmpWriter.h"
#include "tools/writers/LzssCompressor.h"

namespace kobre {
namespace {

using testing::argb;

class Bitmap : public testing::GraphicsFixture {};

std::vector<uint32_t> gradient(int w, int h) {
  std::vector<uint32_t> px;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px.push_back(argb(0, x * 40 & 0xFF, y * 50 & 0xFF, (x + y) & 0xFF));
  return px;
}

TEST_F(Bitmap, CreateFillAndFrames) {
  DIBitmap b(&context);
  EXPECT_EQ(b.width(), 0);
  EXPECT_EQ(b.pixels(0), nullptr);
  EXPECT_FALSE(b.fill(1));
  ASSERT_TRUE(b.create(5, 4, 3));
  EXPECT_EQ(b.frameCount(), 3);
  EXPECT_NE(b.pixels(2), nullptr);
  EXPECT_EQ(b.pixels(3), nullptr);
  EXPECT_EQ(b.pixels(-1), nullptr);
  for (int f = 0; f < 3; ++f)
    for (int i = 0; i < 20; ++i) EXPECT_EQ(b.pixels(f)[i], 0u);
  ASSERT_TRUE(b.fill(0xFF102030));
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(b.pixels(0)[i], 0xFF102030u);
    EXPECT_EQ(b.pixels(1)[i], 0u);  // only frame 0
    EXPECT_EQ(b.pixels(2)[i], 0u);
  }
  EXPECT_EQ(reinterpret_cast<uint8_t*>(b.pixels(0))[0], 0x30);  // blue first in memory
  b.setAlpha(true);
  b.release();
  EXPECT_FALSE(b.hasAlpha());
  EXPECT_EQ(b.frameCount(), 0);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(Bitmap, RefusesSizesItCannotHold) {
  struct Case {
    int w, h, frames;
  } cases[] = {{10, 10, 101}, {10, 10, 0}, {0, 10, 1}, {10, -1, 1}, {30000, 30000, 1}};
  for (auto c : cases) {
    DIBitmap b(&context);
    EXPECT_FALSE(b.create(c.w, c.h, c.frames));
    EXPECT_EQ(b.frameCount(), 0);
  }
  auto msgs = boxMessages();
  ASSERT_EQ(msgs.size(), 5u);
  for (auto& m : msgs) EXPECT_EQ(m, "ビットマップが作成できません ");
  DIBitmap b(&context);
  EXPECT_TRUE(b.create(2, 2, 100));
}

TEST_F(Bitmap, DrawContextStaysOnItsFrame) {
  DIBitmap b(&context);
  ASSERT_TRUE(b.create(4, 4, 3));
  EXPECT_EQ(b.beginDraw(7), nullptr);
  DrawContext* dc = b.beginDraw(0);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->pixels, b.pixels(0));
  DrawContext* again = b.beginDraw(2);
  EXPECT_EQ(again, dc);
  EXPECT_EQ(again->pixels, b.pixels(0));
  EXPECT_TRUE(b.endDraw());
  EXPECT_FALSE(b.endDraw());
  EXPECT_EQ(b.beginDraw(2)->pixels, b.pixels(2));
}

TEST_F(Bitmap, ReadsTwentyFourBitBmpTheRightWayUp) {
  for (int w : {1, 2, 3, 4, 5}) {
    auto px = gradient(w, 3);
    auto bmp = writers::writeBmp24(w, 3, px);
    if (w == 3) {
      EXPECT_EQ(bmp.size(), 54u + 12 * 3);  // 9 bytes of pixels and 3 of fill per row
    }
    writeLoose("cg/pic" + std::to_string(w) + ".BMP", bmp);
    DIBitmap b(&context);
    ASSERT_TRUE(b.load("cg\\pic" + std::to_string(w) + ".BMP"));
    ASSERT_EQ(b.width(), w);
    ASSERT_EQ(b.height(), 3);
    EXPECT_FALSE(b.hasAlpha());
    for (size_t i = 0; i < px.size(); ++i) EXPECT_EQ(b.pixels(0)[i], px[i] | 0xFF000000u);
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(Bitmap, RefusesOtherDepthsAndBrokenFiles) {
  auto good = writers::writeBmp24(4, 4, gradient(4, 4));
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* message;
  };
  auto withDepth = [&](int bits) {
    auto b = good;
    b[28] = static_cast<uint8_t>(bits);
    return b;
  };
  auto truncated = std::vector<uint8_t>(good.begin(), good.end() - 5);
  auto huge = good;
  huge[18] = 0xFF;
  huge[19] = 0xFF;
  huge[20] = 0xFF;
  huge[21] = 0x0F;  // width 268 million
  auto farOffset = good;
  farOffset[13] = 0x7F;
  Case cases[] = {
      {"eight.bmp", withDepth(8), "サポートされない色数"},
      {"thirtytwo.bmp", withDepth(32), "サポートされない色数"},
      {"short.bmp", truncated, "メモリが足りない、またはファイルが開けない"},
      {"header.bmp", std::vector<uint8_t>(good.begin(), good.begin() + 20),
       "メモリが足りない、またはファイルが開けない"},
      {"huge.bmp", huge, "メモリが足りない、またはファイルが開けない"},
      {"offset.bmp", farOffset, "メモリが足りない、またはファイルが開けない"},
      {"missing.bmp", {}, "メモリが足りない、またはファイルが開けない"},
  };
  for (auto& c : cases) {
    clearBoxes();
    if (!c.bytes.empty()) writeLoose(c.name, c.bytes);
    DIBitmap b(&context);
    EXPECT_FALSE(b.load(c.name)) << c.name;
    auto msgs = boxMessages();
    ASSERT_EQ(msgs.size(), 1u) << c.name;
    EXPECT_EQ(msgs[0], std::string(c.message) + " " + c.name);
    EXPECT_EQ(boxTexts()[0].substr(0, 10), "DIBitmap (");
  }
}

TEST_F(Bitmap, TopDownBmpIsReadTheRightWayUp) {
  // Our writer stores rows bottom-up; turn its rows around and negate the
  // height, as tools that write top-down files do.
  for (int w : {1, 3, 4}) {
    const int h = 3;
    auto px = gradient(w, h);
    auto bmp = writers::writeBmp24(w, h, px);
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    std::vector<uint8_t> topDown(bmp.begin(), bmp.begin() + 54);
    for (int r = h - 1; r >= 0; --r) {
      auto row = bmp.begin() + 54 + static_cast<std::ptrdiff_t>(stride * static_cast<size_t>(r));
      topDown.insert(topDown.end(), row, row + static_cast<std::ptrdiff_t>(stride));
    }
    topDown[22] = static_cast<uint8_t>(-h);
    topDown[23] = topDown[24] = topDown[25] = 0xFF;
    DIBitmap b(&context);
    ASSERT_TRUE(b.loadBmp("td.bmp", topDown)) << w;
    ASSERT_EQ(b.width(), w);
    ASSERT_EQ(b.height(), h);
    for (size_t i = 0; i < px.size(); ++i) EXPECT_EQ(b.pixels(0)[i], px[i] | 0xFF000000u) << w;
  }
  // The one height that has no positive counterpart is refused cleanly.
  auto bmp = writers::writeBmp24(2, 2, gradient(2, 2));
  bmp[22] = bmp[23] = bmp[24] = 0;
  bmp[25] = 0x80;
  DIBitmap b(&context);
  EXPECT_FALSE(b.loadBmp("min.bmp", bmp));
  EXPECT_EQ(b.frameCount(), 0);
  EXPECT_EQ(boxes().size(), 1u);
}

TEST_F(Bitmap, TheBmpReaderIsChosenByTheLastFourCharacters) {
  auto bmp = writers::writeBmp24(2, 2, gradient(2, 2));
  writeLoose("a.bmp.psd", bmp);
  writeLoose("noext", bmp);
  for (const char* name : {"a.bmp.psd", "noext"}) {
    clearBoxes();
    DIBitmap b(&context);
    EXPECT_FALSE(b.load(name));
    auto msgs = boxMessages();
    ASSERT_FALSE(msgs.empty());
    EXPECT_EQ(boxTexts()[0].substr(0, 5), "PSD (") << name;  // went to the PSD reader
  }
}

TEST_F(Bitmap, LooseFilesComeBeforeTheArchiveAndEntriesAreUnpacked) {
  auto red = writers::writeBmp24(3, 2, std::vector<uint32_t>(6, 0xFF0000));
  auto blue = writers::writeBmp24(3, 2, std::vector<uint32_t>(6, 0x0000FF));
  auto green = writers::writeBmp24(3, 2, std::vector<uint32_t>(6, 0x00FF00));
  writers::ArchiveWriter arc;
  arc.add("both.bmp", writers::makeScrambledEntry(blue));
  arc.add("packed.bmp", writers::makePakEntry(green));
  arc.add("scrambled.bmp", writers::makeScrambledEntry(red));
  setArchive(arc);
  writeLoose("cg/both.bmp", red);

  struct Case {
    const char* name;
    uint32_t colour;
  } cases[] = {{"cg\\both.bmp", 0xFFFF0000},
               {"cg\\packed.bmp", 0xFF00FF00},
               {"cg\\scrambled.bmp", 0xFFFF0000},
               {"CG\\PACKED.BMP", 0xFF00FF00}};
  for (auto c : cases) {
    DIBitmap b(&context);
    ASSERT_TRUE(b.load(c.name)) << c.name;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(b.pixels(0)[i], c.colour) << c.name;
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(Bitmap, PackedEntriesShortOrHostile) {
  auto px = gradient(8, 8);
  auto bmp = writers::writeBmp24(8, 8, px);
  auto pak = writers::makePakEntry(bmp);
  // Stream cut: the rest of the picture is zero (black).
  auto cut = std::vector<uint8_t>(pak.begin(), pak.begin() + static_cast<long>(pak.size() - 40));
  // Declared 4 GB - 1.
  auto huge = pak;
  huge[8] = huge[9] = huge[10] = huge[11] = 0xFF;
  writers::ArchiveWriter arc;
  arc.add("cut.bmp", cut);
  arc.add("huge.bmp", huge);
  arc.add("tiny.bmp", std::vector<uint8_t>{'P', 'A', 'K', ' ', 0, 0});
  setArchive(arc);

  std::vector<uint8_t> out;
  EXPECT_EQ(readPictureBytes(context, "cut.bmp", out), PictureRead::kOk);
  ASSERT_EQ(out.size(), bmp.size());
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 54, bmp.begin()));
  EXPECT_EQ(out.back(), 0);
  DIBitmap b(&context);
  ASSERT_TRUE(b.load("cut.bmp"));
  EXPECT_EQ(b.pixels(0)[7], 0xFF000000u);  // top row comes last in the file

  EXPECT_EQ(readPictureBytes(context, "huge.bmp", out), PictureRead::kNoMemory);
  EXPECT_FALSE(b.load("huge.bmp"));
  // Shorter than a "PAK " head: taken as a scrambled entry, then refused.
  EXPECT_FALSE(b.load("tiny.bmp"));
  EXPECT_EQ(readPictureBytes(context, "absent.bmp", out), PictureRead::kNotFound);
}

}  // namespace
}  // namespace kobre
