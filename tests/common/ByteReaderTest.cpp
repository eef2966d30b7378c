#include "common/ByteReader.h"

#include <gtest/gtest.h>

#include "common/ByteWriter.h"

namespace kobre {
namespace {

TEST(ByteOrder, LoadsAndStoresBothOrders) {
  const uint8_t b[4] = {0x12, 0x34, 0x56, 0x78};
  EXPECT_EQ(loadLe16(b), 0x3412);
  EXPECT_EQ(loadLe32(b), 0x78563412u);
  EXPECT_EQ(loadBe16(b), 0x1234);
  EXPECT_EQ(loadBe32(b), 0x12345678u);
  const uint8_t high[4] = {0xFF, 0xFE, 0x80, 0x81};
  EXPECT_EQ(loadLe32(high), 0x8180FEFFu);
  EXPECT_EQ(loadBe32(high), 0xFFFE8081u);
  uint8_t out[4] = {};
  storeLe32(out, 0x8180FEFFu);
  EXPECT_EQ(0, std::memcmp(out, high, 4));
  storeBe32(out, 0xFFFE8081u);
  EXPECT_EQ(0, std::memcmp(out, high, 4));
  storeLe16(out, 0xABCD);
  EXPECT_EQ(out[0], 0xCD);
  EXPECT_EQ(out[1], 0xAB);
  storeBe16(out, 0xABCD);
  EXPECT_EQ(out[0], 0xAB);
  EXPECT_EQ(out[1], 0xCD);
}

TEST(ByteReader, ReadsFieldsInOrder) {
  const uint8_t b[] = {'8', 'B', 'P', 'S', 0x00, 0x01, 0xFF, 0xFE, 0x01, 0x02, 0x03, 0x04, 0x7F};
  ByteReader r(b);
  EXPECT_TRUE(r.match("8BPS"));
  EXPECT_EQ(r.be16(), 1);
  EXPECT_EQ(r.be16s(), -2);
  EXPECT_EQ(r.le32(), 0x04030201u);
  EXPECT_EQ(r.u8(), 0x7F);
  EXPECT_TRUE(r.atEnd());
  EXPECT_FALSE(r.ranOut());
}

TEST(ByteReader, RunningOutIsStickyAndReadsZero) {
  const uint8_t b[] = {1, 2, 3};
  ByteReader r(b);
  EXPECT_EQ(r.le16(), 0x0201);
  EXPECT_EQ(r.le32(), 0u);  // only one byte left
  EXPECT_TRUE(r.ranOut());
  EXPECT_TRUE(r.atEnd());
  EXPECT_EQ(r.u8(), 0);  // nothing after running out, even what was there
  EXPECT_TRUE(r.ranOut());
  r.seek(0);  // a seek back does not clear the flag
  EXPECT_TRUE(r.ranOut());
}

TEST(ByteReader, EveryShortReadRunsOut) {
  const uint8_t b[] = {1, 2, 3};
  struct Case {
    const char* name;
    void (*read)(ByteReader&);
  };
  const Case cases[] = {
      {"le32", [](ByteReader& r) { (void)r.le32(); }},
      {"be32", [](ByteReader& r) { (void)r.be32(); }},
      {"bytes4", [](ByteReader& r) { EXPECT_TRUE(r.bytes(4).empty()); }},
      {"skip4", [](ByteReader& r) { r.skip(4); }},
      {"skipHuge", [](ByteReader& r) { r.skip(UINT64_MAX); }},
      {"seekPast", [](ByteReader& r) { r.seek(4); }},
      {"sub4", [](ByteReader& r) { EXPECT_EQ(r.sub(4).size(), 0u); }},
      {"match4", [](ByteReader& r) { EXPECT_FALSE(r.match("abcd")); }},
  };
  for (const Case& c : cases) {
    ByteReader r(b);
    c.read(r);
    EXPECT_TRUE(r.ranOut()) << c.name;
    EXPECT_EQ(r.remaining(), 0u) << c.name;
  }
  ByteReader exact(b);
  exact.skip(3);
  exact.seek(3);
  EXPECT_FALSE(exact.ranOut());
  EXPECT_FALSE(exact.has(1));
}

TEST(ByteReader, SubReaderIsBoundedAndIndependent) {
  const uint8_t b[] = {0xAA, 2, 0, 0xBB, 0xCC};
  ByteReader r(b);
  r.skip(1);
  ByteReader s = r.sub(2);
  EXPECT_EQ(r.pos(), 3u);
  EXPECT_EQ(s.le16(), 2);
  EXPECT_EQ(s.u8(), 0);
  EXPECT_TRUE(s.ranOut());
  EXPECT_FALSE(r.ranOut());
  EXPECT_TRUE(r.peekMatch("\xBB"));
  EXPECT_EQ(r.peek(), 0xBB);
  EXPECT_EQ(r.u8(), 0xBB);
  EXPECT_EQ(r.rest().size(), 1u);
  r.skip(1);
  EXPECT_EQ(r.peek(), 0);  // at the end
  EXPECT_FALSE(r.ranOut());
}

TEST(ByteWriter, WritesWhatTheReaderReads) {
  std::vector<uint8_t> out;
  ByteWriter w(out);
  w.text("RIFF");
  w.le32(0);
  w.be16(0x1234);
  w.le16(0xFFFE);
  w.be32(0xDEADBEEF);
  w.u8(7);
  w.zeros(2);
  const uint8_t tail[] = {9, 8};
  w.bytes(tail);
  w.patchLe32(4, static_cast<uint32_t>(w.size() - 8));
  ASSERT_EQ(out.size(), 21u);
  ByteReader r(out);
  EXPECT_TRUE(r.match("RIFF"));
  EXPECT_EQ(r.le32(), 13u);
  EXPECT_EQ(r.be16(), 0x1234);
  EXPECT_EQ(r.le16s(), -2);
  EXPECT_EQ(r.be32(), 0xDEADBEEFu);
  EXPECT_EQ(r.u8(), 7);
  EXPECT_EQ(r.le16(), 0);
  EXPECT_EQ(r.u8(), 9);
  EXPECT_EQ(r.u8(), 8);
  EXPECT_FALSE(r.ranOut());
  w.patchBe16(8, 0xABCD);
  w.patchBe32(12, 1);
  w.patchLe16(10, 3);
  ByteReader again(out);
  again.skip(8);
  EXPECT_EQ(again.be16(), 0xABCD);
  EXPECT_EQ(again.le16(), 3);
  EXPECT_EQ(again.be32(), 1u);
}

}  // namespace
}  // namespace kobre
