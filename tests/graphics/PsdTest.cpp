// The PSD reader over documents made by our writer: accepted and refused
// documents, layers as frames, clipping, raw and PackBits channels, and
// hostile lengths.
#include <gtest/gtest.h>

#include "graphics/DIBitmap.h"
#include "graphics/PSD.h"
#include "tests/graphics/GraphicsFixture.h"
#include "tools/writers/PsdWriter.h"

namespace kobre {
namespace {

using testing::argb;
using writers::PsdDocument;
using writers::PsdLayer;

class Psd : public testing::GraphicsFixture {
 protected:
  // Loads a document through a loose file.
  bool load(DIBitmap& b, const PsdDocument& doc, const std::string& name = "pic.psd") {
    writeLoose(name, writers::writePsd(doc));
    return b.load(name);
  }
};

uint32_t colourAt(int x, int y) {
  return argb(0, (x * 9) & 0xFF, (y * 7) & 0xFF, (x ^ y) & 0xFF);
}

PsdLayer layer(int left, int top, int right, int bottom, uint8_t alpha, uint16_t compression) {
  PsdLayer l = writers::makePsdLayer(left, top, right, bottom, [&](int x, int y) {
    return colourAt(x, y) | (static_cast<uint32_t>(alpha) << 24);
  });
  l.compression = compression;
  return l;
}

TEST_F(Psd, LayersBecomeFramesPlacedAndClippedInTheDocument) {
  struct Coding {
    uint16_t compression;
    uint8_t padding;  // 0x80 bytes after every PackBits row
  } codings[] = {{0, 0}, {1, 0}, {1, 3}, {2, 0}, {3, 0}};
  for (const Coding& coding : codings) {
    const uint16_t compression = coding.compression;
    PsdDocument doc;
    doc.width = 20;
    doc.height = 10;
    doc.layers.push_back(layer(0, 0, 20, 10, 255, compression));
    doc.layers.push_back(layer(-10, 2, 5, 6, 128, compression));    // left cut off
    doc.layers.push_back(layer(15, -3, 40, 4, 200, compression));   // right and top cut
    doc.layers.push_back(layer(3, 8, 6, 30, 255, compression));     // bottom cut
    doc.layers.push_back(layer(50, 50, 60, 60, 255, compression));  // wholly outside
    doc.layers.push_back(layer(4, 4, 4, 9, 255, compression));      // empty
    for (PsdLayer& l : doc.layers) l.packBitsPadding = coding.padding;
    DIBitmap b(&context);
    ASSERT_TRUE(load(b, doc));
    ASSERT_EQ(b.frameCount(), 6);
    EXPECT_TRUE(b.hasAlpha());
    for (int f = 0; f < 6; ++f) {
      const PsdLayer& l = doc.layers[static_cast<size_t>(f)];
      for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
          bool inside = x >= l.left && x < l.right && y >= l.top && y < l.bottom;
          uint32_t want = inside ? (colourAt(x, y) | (l.pixels[0] & 0xFF000000u)) : 0;
          ASSERT_EQ(b.pixels(f)[y * 20 + x], want)
              << "frame " << f << " at " << x << "," << y << " compression " << compression
              << " padding " << int{coding.padding};
        }
    }
    EXPECT_TRUE(boxes().empty());
  }
}

TEST_F(Psd, ThreeChannelDocumentsHaveNoAlpha) {
  PsdDocument doc;
  doc.width = 6;
  doc.height = 4;
  doc.channels = 3;
  doc.mergedAlpha = false;
  doc.layers.push_back(layer(1, 1, 4, 3, 255, 1));
  DIBitmap b(&context);
  ASSERT_TRUE(load(b, doc));
  EXPECT_FALSE(b.hasAlpha());
  EXPECT_EQ(b.pixels(0)[0], 0u);                  // outside the layer: black, alpha 0
  EXPECT_EQ(b.pixels(0)[6 + 1], colourAt(1, 1));  // alpha bytes stay 0
  EXPECT_TRUE(boxes().empty());
}

TEST_F(Psd, AFirstLayerOfThreeChannelsIsReportedOncePerChannel) {
  PsdDocument doc;
  doc.width = 4;
  doc.height = 4;
  doc.channels = 3;
  doc.mergedAlpha = false;
  doc.layers.push_back(layer(0, 0, 4, 4, 255, 0));
  doc.layers[0].channelIds = {0, 1, 2};
  DIBitmap b(&context);
  ASSERT_TRUE(load(b, doc));
  EXPECT_EQ(b.pixels(0)[5], colourAt(1, 1));
  auto msgs = boxMessages();
  ASSERT_EQ(msgs.size(), 3u);
  for (auto& m : msgs) EXPECT_EQ(m, "チャネルの数が不正 pic.psd");
}

TEST_F(Psd, RefusedDocuments) {
  auto base = [] {
    PsdDocument d;
    d.width = 4;
    d.height = 4;
    d.layers.push_back(layer(0, 0, 4, 4, 255, 0));
    return d;
  };
  auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
    auto f = writers::writePsd(base());
    for (size_t i = 0; i < bytes.size(); ++i) f[at + i] = bytes[i];
    return f;
  };
  PsdDocument noMerged = base();
  noMerged.mergedAlpha = false;
  PsdDocument threeMerged = base();
  threeMerged.channels = 3;
  PsdDocument five = base();
  five.channels = 5;
  PsdDocument noLayers = base();
  noLayers.layers.clear();
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    std::string message;
  } cases[] = {
      {"4 channels, positive count", writers::writePsd(noMerged),
       "現在サポートしていないチャネルの数 \npic.psd\nチャネル数 4\nレイヤ数 1\nαチャネル false"},
      {"3 channels, merged alpha", writers::writePsd(threeMerged),
       "現在サポートしていないチャネルの数 \npic.psd\nチャネル数 3\nレイヤ数 1\nαチャネル true"},
      {"5 channels", writers::writePsd(five),
       "現在サポートしていないチャネルの数 \npic.psd\nチャネル数 5\nレイヤ数 1\nαチャネル true"},
      {"no layers", writers::writePsd(noLayers),
       "現在サポートしていないチャネルの数 \npic.psd\nチャネル数 4\nレイヤ数 0\nαチャネル false"},
      {"signature", patched(0, {'8', 'B', 'P', 'X'}), "イメージ情報が取得できない pic.psd"},
      {"version", patched(4, {0, 2}), "イメージ情報が取得できない pic.psd"},
      {"reserved", patched(9, {1}), "イメージ情報が取得できない pic.psd"},
      {"colour mode", patched(24, {0, 4}), "現在サポートしていないカラーモ－ド pic.psd"},
      {"depth", patched(22, {0, 16}), "現在サポートしていない色深度 pic.psd"},
      {"tiny", {'8', 'B', 'P', 'S'}, "イメージ情報が取得できない pic.psd"},
      {"huge document", patched(14, {0x7F, 0, 0, 0}), "データサイズがおかしい pic.psd"},
  };
  for (auto& c : cases) {
    clearBoxes();
    DIBitmap b(&context);
    writeLoose("pic.psd", c.bytes);
    EXPECT_FALSE(b.load("pic.psd")) << c.what;
    auto msgs = boxMessages();
    ASSERT_EQ(msgs.size(), 1u) << c.what;
    EXPECT_EQ(msgs[0], c.message) << c.what;
    EXPECT_EQ(boxTexts()[0].substr(0, 5), "PSD (");
  }
  clearBoxes();
  DIBitmap b(&context);
  EXPECT_FALSE(b.load("absent.psd"));
  ASSERT_EQ(boxMessages().size(), 1u);
  EXPECT_EQ(boxMessages()[0], "ファイルが開けない absent.psd");
  clearBoxes();
  PSD psd(&context);
  EXPECT_FALSE(psd.openBytes("empty.psd", {}));
  EXPECT_EQ(boxMessages()[0], "データサイズがおかしい empty.psd");
}

// PackBits rows written by hand: header bytes and runs.
std::vector<uint8_t> rleDocument(int width, std::vector<uint8_t> row, uint16_t compression = 1) {
  PsdDocument doc;
  doc.width = static_cast<uint32_t>(width);
  doc.height = 1;
  doc.layers.push_back(layer(0, 0, width, 1, 255, 1));
  auto f = writers::writePsd(doc);
  // Replace the red channel's data (id 0, the second channel) with ours: find
  // it from the record, rebuild the file around it.
  // Record starts after: 26 header, 4+4 colour/resources, 4 section, 4 info, 2 count.
  size_t rec = 26 + 8 + 4 + 4 + 2;
  size_t channelsAt = rec + 18;
  auto be32 = [&](size_t at) {
    return (uint32_t{f[at]} << 24) | (uint32_t{f[at + 1]} << 16) | (uint32_t{f[at + 2]} << 8) |
           f[at + 3];
  };
  uint32_t len0 = be32(channelsAt + 2);  // channel -1
  uint32_t len1 = be32(channelsAt + 8);  // channel 0
  size_t extraLenAt = channelsAt + 24 + 12;
  size_t dataAt = extraLenAt + 4 + be32(extraLenAt);
  std::vector<uint8_t> channel = {static_cast<uint8_t>(compression >> 8),
                                  static_cast<uint8_t>(compression), 0,
                                  static_cast<uint8_t>(row.size())};
  channel.insert(channel.end(), row.begin(), row.end());
  std::vector<uint8_t> out(f.begin(), f.begin() + static_cast<long>(dataAt + len0));
  out.insert(out.end(), channel.begin(), channel.end());
  out.insert(out.end(), f.begin() + static_cast<long>(dataAt + len0 + len1), f.end());
  uint32_t n = static_cast<uint32_t>(channel.size());
  for (int i = 0; i < 4; ++i)
    out[channelsAt + 8 + static_cast<size_t>(i)] = static_cast<uint8_t>(n >> (24 - 8 * i));
  return out;
}

TEST_F(Psd, PackBitsRuns) {
  const std::string overrun = "RLE データがオーバーランしました\nrle.psd\nレイヤ 0 チャネル 0 ";
  const std::string shortData = "ファイルが正常に読み込めない rle.psd";
  struct Case {
    const char* what;
    int width;
    std::vector<uint8_t> row;
    uint16_t compression;
    std::vector<uint8_t> red;  // expected red bytes; empty: the channel fails
    std::string message;       // the box of a failed channel
  } cases[] = {
      {"literal and repeat", 5, {0x01, 10, 20, 0xFE, 7}, 1, {10, 20, 7, 7, 7}, ""},
      {"-128 is no operation", 3, {0x80, 0x01, 4, 5, 0x80, 0x00, 6}, 1, {4, 5, 6}, ""},
      {"padding after the row is passed over", 2, {0xFF, 9, 0x80, 0x80, 0x80}, 1, {9, 9}, ""},
      {"-128 then a single byte leaves the row short", 129, {0x80, 7}, 1, {}, shortData},
      {"repeat past the edge", 2, {0xFD, 7}, 1, {}, overrun},
      {"literal past the edge", 3, {0x03, 1, 2, 3, 4}, 1, {}, overrun},
      {"compression 2 is deflate, not PackBits", 2, {0x01, 5, 6}, 2, {}, shortData},
      {"compression 3 damaged", 2, {0x78, 0x9C, 1, 2}, 3, {}, shortData},
      {"unknown compression", 2, {0x01, 5, 6}, 4, {}, shortData},
  };
  for (auto& c : cases) {
    clearBoxes();
    writeLoose("rle.psd", rleDocument(c.width, c.row, c.compression));
    DIBitmap b(&context);
    ASSERT_TRUE(b.load("rle.psd")) << c.what;
    auto msgs = boxMessages();
    if (c.red.empty()) {
      ASSERT_EQ(msgs.size(), 1u) << c.what;
      EXPECT_EQ(msgs[0], c.message) << c.what;
      // The failed layer is left fully transparent, and drawn so.
      EXPECT_TRUE(b.hasAlpha()) << c.what;
      for (int x = 0; x < c.width; ++x) EXPECT_EQ(b.pixels(0)[x], 0u) << c.what << " " << x;
      continue;
    }
    EXPECT_TRUE(msgs.empty()) << c.what << (msgs.empty() ? "" : msgs[0]);
    for (int x = 0; x < c.width; ++x)
      EXPECT_EQ((b.pixels(0)[x] >> 16) & 0xFF, c.red[static_cast<size_t>(x)]) << c.what << " " << x;
  }
}

TEST_F(Psd, ADamagedLayerHidesNothing) {
  // Over a good background layer, a layer whose deflate data is cut short.
  for (uint16_t compression : {1, 2}) {
    clearBoxes();
    PsdDocument doc;
    doc.width = 8;
    doc.height = 4;
    doc.layers.push_back(layer(0, 0, 8, 4, 255, 0));
    doc.layers.push_back(layer(0, 0, 8, 4, 255, compression));
    doc.layers.push_back(layer(2, 1, 6, 3, 255, 0));
    auto f = writers::writePsd(doc);
    // Damage the second layer's first channel (transparency, written first):
    // it follows the first layer's four raw channels of 2 + 32 bytes.
    size_t rec = 26 + 8 + 4 + 4 + 2;
    size_t recordSize = 18 + 24 + 12 + 4 + 32;  // extra: mask, ranges, name, lyid
    size_t dataAt = rec + 3 * recordSize + 4 * 34;
    ASSERT_EQ(f[dataAt + 1], compression);  // the compression field found
    for (size_t i = dataAt + 2; i < dataAt + 6; ++i) f[i] = 0xFF;
    writeLoose("pic.psd", f);
    DIBitmap b(&context);
    ASSERT_TRUE(b.load("pic.psd")) << compression;
    EXPECT_EQ(boxes().size(), 1u) << compression;
    EXPECT_TRUE(b.hasAlpha());
    for (int i = 0; i < 32; ++i) {
      EXPECT_EQ(b.pixels(0)[i], colourAt(i % 8, i / 8) | 0xFF000000u) << i;  // background intact
      EXPECT_EQ(b.pixels(1)[i], 0u) << compression << " " << i;              // damaged: transparent
    }
    EXPECT_EQ(b.pixels(2)[8 + 2], colourAt(2, 1) | 0xFF000000u);  // later layers still read
  }
  // Without transparency a broken layer cannot be left out: the picture fails.
  clearBoxes();
  PsdDocument doc;
  doc.width = 4;
  doc.height = 2;
  doc.channels = 3;
  doc.mergedAlpha = false;
  doc.layers.push_back(layer(0, 0, 4, 2, 255, 0));
  doc.layers.push_back(layer(0, 0, 4, 2, 255, 0));
  doc.layers[1].channelIds = {-1, 0, 1};  // no blue
  DIBitmap b(&context);
  EXPECT_FALSE(load(b, doc));
  EXPECT_EQ(b.frameCount(), 0);
  auto msgs = boxMessages();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0], "チャネルのポインタが不正 pic.psd");
}

TEST_F(Psd, AnyCompleteLayerTurnsAlphaOn) {
  PsdDocument doc;
  doc.width = 4;
  doc.height = 2;
  doc.layers.push_back(layer(0, 0, 4, 2, 255, 0));
  doc.layers.push_back(layer(0, 0, 4, 2, 255, 0));
  doc.layers[1].channelIds = {0, 1, 2};  // no transparency channel
  DIBitmap b(&context);
  ASSERT_TRUE(load(b, doc));
  EXPECT_TRUE(b.hasAlpha());
  auto msgs = boxMessages();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0], "チャネルのポインタが不正 pic.psd");
}

TEST_F(Psd, FirstLayerInformationBlocksMustBeSigned) {
  PsdDocument doc;
  doc.width = 2;
  doc.height = 2;
  doc.layers.push_back(layer(0, 0, 2, 2, 255, 0));
  writers::PsdInfoBlock bad;
  bad.signature = "XXXX";
  bad.key = "luni";
  bad.data = {0, 0, 0, 0};
  writers::PsdInfoBlock id;
  id.key = "lyid";
  id.data = {0, 0, 0, 1};
  doc.layers[0].blocks = {bad, id};
  DIBitmap b(&context);
  ASSERT_TRUE(load(b, doc));  // the picture stays, its channels fail
  EXPECT_TRUE(b.hasAlpha());  // and its broken layer is transparent
  EXPECT_EQ(b.pixels(0)[0], 0u);
  auto msgs = boxMessages();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0], "レイヤ情報が取得できない pic.psd");
  // After the "lyid" block the signature no longer matters.
  clearBoxes();
  doc.layers[0].blocks = {id, bad};
  ASSERT_TRUE(load(b, doc));
  EXPECT_TRUE(b.hasAlpha());
  EXPECT_TRUE(boxes().empty());
}

TEST_F(Psd, HostileLengthsAndCountsAreRefusedCleanly) {
  PsdDocument doc;
  doc.width = 8;
  doc.height = 8;
  doc.layers.push_back(layer(0, 0, 8, 8, 255, 1));
  doc.layers.push_back(layer(2, 2, 6, 6, 255, 0));
  const auto good = writers::writePsd(doc);
  size_t rec = 26 + 8 + 4 + 4 + 2;
  struct Case {
    const char* what;
    size_t at;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"channel length far away", rec + 18 + 2, {0x7F, 0xFF, 0xFF, 0xFF}},
      {"channel count huge", rec + 16, {0xFF, 0xFF}},
      {"rectangle huge", rec + 8, {0x7F, 0xFF, 0xFF, 0xFF}},
      {"rectangle reversed", rec, {0x7F, 0, 0, 0}},
      {"extra length huge", rec + 18 + 24 + 12, {0xFF, 0xFF, 0xFF, 0xF0}},
      {"layer count 30000", rec - 2, {0x8A, 0xD0}},
      {"colour data length huge", 26, {0xFF, 0xFF, 0xFF, 0xFF}},
      {"section length huge", 34, {0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (auto& c : cases) {
    auto f = good;
    for (size_t i = 0; i < c.bytes.size(); ++i) f[c.at + i] = c.bytes[i];
    PSD psd(&context);
    if (!psd.openBytes("h.psd", f)) continue;  // refused at the door
    DIBitmap b(&context);
    if (!psd.loadInto(b)) continue;
    EXPECT_LE(b.frameCount(), 100) << c.what;
  }
  // Every cut of the file is refused or read without harm.
  for (size_t n = 0; n < good.size(); n += 3) {
    PSD psd(&context);
    if (!psd.openBytes("cut.psd",
                       std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n))))
      continue;
    DIBitmap b(&context);
    (void)psd.loadInto(b);
  }
}

}  // namespace
}  // namespace kobre
