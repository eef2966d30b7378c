#include "script/GameState.h"

#include <gtest/gtest.h>

#include <memory>

namespace kobre {
namespace {

TEST(GameState, ChecksumOfZeroRecordIsZero) {
  auto s = std::make_unique<GameState>();
  s->clear();
  EXPECT_EQ(s->computeChecksum(), 0u);
  s->checksum = 0x12345678;  // the field itself is not summed
  EXPECT_EQ(s->computeChecksum(), 0u);
  EXPECT_FALSE(s->checksumMatches());
  s->updateChecksum();
  EXPECT_TRUE(s->checksumMatches());
}

TEST(GameState, EveryByteFromOffsetFourCounts) {
  auto s = std::make_unique<GameState>();
  s->clear();
  auto bytes = s->bytes();
  for (size_t at : {size_t{4}, size_t{8}, size_t{176}, size_t{3101}, kGameStateSize - 1}) {
    bytes[at] = 0xFF;
    EXPECT_EQ(s->computeChecksum(), 0xFFu) << at;
    bytes[at] = 0;
  }
  // Unsigned bytes, 32-bit wrap-around.
  std::fill(bytes.begin() + 4, bytes.end(), 0xFF);
  EXPECT_EQ(s->computeChecksum(), static_cast<uint32_t>((kGameStateSize - 4) * 255u));
}

TEST(GameState, FieldsLandAtTheirOffsets) {
  auto s = std::make_unique<GameState>();
  s->clear();
  s->variable('B') = 0x01020304;
  s->flags[2047] = 9;
  s->backlogIndex = 255;
  s->backlog[255].text[511] = 'z';
  const auto b = s->bytes();
  EXPECT_EQ(b[76], 0x04);  // B is the second variable, little-endian
  EXPECT_EQ(b[79], 0x01);
  EXPECT_EQ(b[176 + 2047], 9);
  EXPECT_EQ(b[3096], 255);
  EXPECT_EQ(b[3101 + 255 * 576 + 64 + 511], 'z');
  EXPECT_EQ(3101 + 256 * 576, 150557);
}

TEST(GameState, CopiesTravelWhole) {
  auto a = std::make_unique<GameState>();
  a->clear();
  std::strcpy(a->bgmName, "ab");
  a->bgmName[5] = 'x';  // after the terminator
  auto b = std::make_unique<GameState>(*a);
  EXPECT_EQ(b->bgmName[5], 'x');
  EXPECT_EQ(gameStateChecksum(a->bytes()), gameStateChecksum(b->bytes()));
  EXPECT_EQ(gameStateChecksum(std::span<const uint8_t>(a->bytes().data(), 100)), 0u);
}

}  // namespace
}  // namespace kobre
