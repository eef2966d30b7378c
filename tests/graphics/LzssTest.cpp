// The LZSS decompressor: round trips with our compressor, hand-made streams
// for the window rules, truncation and dropping.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "graphics/Lzss.h"
#include "tools/writers/LzssCompressor.h"

namespace kobre {
namespace {

std::vector<uint8_t> decode(const std::vector<uint8_t>& stream, size_t size, LzssWindow& w) {
  std::vector<uint8_t> out(size, 0xAA);
  lzssDecompress(stream, out, w);
  return out;
}

std::vector<uint8_t> scriptLike(size_t bytes, uint32_t seed) {
  static const char* words[] = {"bg ",          "cg\\",
                                "FADE_IN ",     "「",
                                "」",           "text ",
                                "wait 30\r\n",  "if F1000 == 1 goto *label",
                                "voice v0001 ", "\x82\xa0\x82\xa2"};
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < bytes) s += words[rng() % 10];
  s.resize(bytes);
  return {s.begin(), s.end()};
}

TEST(Lzss, RoundTripsWithTheCompressor) {
  std::mt19937 rng(7);
  std::vector<std::vector<uint8_t>> inputs = {{},
                                              {42},
                                              {1, 2},
                                              std::vector<uint8_t>(5000, 0),
                                              std::vector<uint8_t>(70000, 0x5A),
                                              scriptLike(100000, 1)};
  std::vector<uint8_t> noise(9000);
  for (auto& b : noise) b = static_cast<uint8_t>(rng());
  inputs.push_back(noise);
  for (const auto& in : inputs) {
    std::vector<uint8_t> stream = writers::lzssCompress(in);
    LzssWindow w;
    // Whatever an earlier run left in the window does not matter to our streams.
    std::memset(w.bytes, 0x77, sizeof w.bytes);
    EXPECT_EQ(decode(stream, in.size(), w), in) << in.size();
  }
}

TEST(Lzss, MatchesReachTheZeroedWindowAndOverlapThemselves) {
  // Flag 0b010: a match, a literal, a match.
  // Match 1 at 0 (zeroed area) of 5 bytes; literal 'x'; match 2 at 4082 of
  // 18 bytes, which starts at the last byte of match 1 and overlaps itself.
  std::vector<uint8_t> stream = {0x02, 0x00, 0x02, 'x', 0xF2, 0xFF};
  LzssWindow w;
  auto out = decode(stream, 24, w);
  std::vector<uint8_t> want = {0, 0, 0, 0, 0, 'x'};
  // From position 4082 (output byte 4) on: 0, 'x', then the 18 bytes repeat
  // the pattern that is being written.
  for (int k = 0; k < 18; ++k) want.push_back(want[4 + k]);
  EXPECT_EQ(out, want);
}

TEST(Lzss, TheWindowTailCarriesOverToTheNextRun) {
  LzssWindow w;
  // 4096 literals fill the whole window once; the last 18 land at 4078..4095.
  std::vector<uint8_t> data(4096 + 18);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13 + 1);
  std::vector<uint8_t> stream;
  for (size_t i = 0; i < data.size(); i += 8) {
    stream.push_back(0xFF);
    for (size_t k = i; k < i + 8 && k < data.size(); ++k) stream.push_back(data[k]);
  }
  decode(stream, data.size(), w);
  // Output byte k went to window (4078 + k) mod 4096.
  for (size_t i = 4078; i < 4096; ++i) EXPECT_EQ(w.bytes[i], data[4096 + (i - 4078)]);
  // The next run reads those bytes back through a match at 4078 of 18 bytes
  // (a stream no writer would make, but the rule is what it is).
  std::vector<uint8_t> second = {0x00, 0xEE, 0xFF};
  auto out = decode(second, 18, w);
  EXPECT_EQ(out, std::vector<uint8_t>(data.end() - 18, data.end()));
  // And bytes 0..4077 start at zero again.
  std::vector<uint8_t> third = {0x00, 0x00, 0x0F};
  EXPECT_EQ(decode(third, 18, w), std::vector<uint8_t>(18, 0));
}

TEST(Lzss, ShortStreamsLeaveZeroesAndLongOnesAreCut) {
  auto in = scriptLike(3000, 2);
  auto stream = writers::lzssCompress(in);
  struct Case {
    size_t streamBytes, outBytes;
  } cases[] = {{stream.size() / 2, in.size()},
               {stream.size(), in.size() + 500},
               {stream.size(), 100},
               {1, 50},
               {0, 10}};
  for (auto c : cases) {
    LzssWindow w;
    std::vector<uint8_t> part(stream.begin(), stream.begin() + static_cast<long>(c.streamBytes));
    std::vector<uint8_t> out(c.outBytes, 0xAA);
    uint64_t produced = lzssDecompress(part, out, w);
    size_t good = std::min<uint64_t>(produced, out.size());
    for (size_t i = 0; i < good; ++i) ASSERT_EQ(out[i], in[i]);
    for (size_t i = good; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
    if (c.streamBytes == stream.size()) {
      EXPECT_EQ(produced, in.size());
      // The window after a cut run is the same as after a full one.
      LzssWindow full;
      std::vector<uint8_t> all(in.size());
      lzssDecompress(stream, all, full);
      EXPECT_EQ(std::memcmp(full.bytes, w.bytes, sizeof w.bytes), 0);
    }
  }
}

TEST(Lzss, MaxOutputBoundsEveryStream) {
  // Nothing but 18-byte matches: the most a stream can give.
  std::vector<uint8_t> stream;
  for (int g = 0; g < 100; ++g) {
    stream.push_back(0);
    for (int i = 0; i < 8; ++i) {
      stream.push_back(0);
      stream.push_back(0x0F);
    }
  }
  LzssWindow w;
  std::vector<uint8_t> out(1 << 20);
  EXPECT_EQ(lzssDecompress(stream, out, w), 100u * 8 * 18);
  EXPECT_LE(100u * 8 * 18, lzssMaxOutput(stream.size()));
}

TEST(Lzss, PakEntriesAndScrambledHeads) {
  auto data = scriptLike(400, 3);
  auto pak = writers::makePakEntry(data);
  ASSERT_GE(pak.size(), 12u);
  EXPECT_EQ(std::string(pak.begin(), pak.begin() + 4), "PAK ");
  EXPECT_EQ(pak[8] | (pak[9] << 8), 400);
  auto scrambled = writers::makeScrambledEntry(data);
  EXPECT_NE(scrambled, data);
  EXPECT_TRUE(std::equal(scrambled.begin() + 32, scrambled.end(), data.begin() + 32));
}

}  // namespace
}  // namespace kobre
