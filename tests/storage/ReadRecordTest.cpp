#include "storage/ReadRecord.h"

#include <gtest/gtest.h>

#include "platform/posix/PosixFileSystem.h"
#include "tests/storage/TempFolder.h"

namespace kobre {
namespace {

using testing::TempFolder;

std::vector<uint8_t> le32(std::initializer_list<int32_t> values) {
  std::vector<uint8_t> out;
  for (int32_t v : values)
    for (int i = 0; i < 4; ++i)
      out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
  return out;
}

std::vector<uint8_t> cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::vector<uint8_t> name(std::string_view s) {
  std::vector<uint8_t> out(s.begin(), s.end());
  out.push_back(0);
  return out;
}

TEST(ReadRecord, IsReadAddsUnknownScriptThenMarkSucceeds) {
  ReadRecord r;
  EXPECT_FALSE(r.markRead("scr\\a.scr", 5));  // not in the table yet
  EXPECT_FALSE(r.isRead("scr\\a.scr", 5));
  EXPECT_EQ(r.scriptCount(), 1);
  EXPECT_TRUE(r.markRead("scr\\a.scr", 5));
  EXPECT_TRUE(r.isRead("scr\\a.scr", 5));
  EXPECT_TRUE(r.isRead("SCR\\A.SCR", 5));  // ASCII letters without case
  EXPECT_FALSE(r.isRead("scr\\a.scr", 6));
  EXPECT_EQ(r.scriptCount(), 1);
  EXPECT_FALSE(r.markRead("scr\\a.scr", -1));  // the terminator is never stored
}

TEST(ReadRecord, RotatingCursorStaysOnTheLastScript) {
  ReadRecord r;
  for (const char* s : {"a", "b", "c"}) r.addScript(s);
  EXPECT_FALSE(r.isRead("c", 1));
  EXPECT_EQ(r.lookupCursor(), 2);
  EXPECT_FALSE(r.isRead("a", 1));  // wraps past the end to 0
  EXPECT_EQ(r.lookupCursor(), 0);
  EXPECT_FALSE(r.isRead("b", 1));
  EXPECT_EQ(r.lookupCursor(), 1);
  EXPECT_FALSE(r.isRead("d", 1));  // added, cursor back inside the used entries
  EXPECT_EQ(r.scriptCount(), 4);
  EXPECT_LT(r.lookupCursor(), 4);
}

TEST(ReadRecord, Limits) {
  ReadRecord r;
  for (int i = 0; i < ReadRecord::kMaxScripts; ++i)
    ASSERT_TRUE(r.addScript("s" + std::to_string(i)));
  EXPECT_FALSE(r.addScript("one more"));
  EXPECT_FALSE(r.isRead("one more", 1));
  EXPECT_FALSE(r.markRead("one more", 1));
  EXPECT_EQ(r.scriptCount(), ReadRecord::kMaxScripts);
  for (int k = 0; k < ReadRecord::kMaxKeys; ++k) ASSERT_TRUE(r.markRead("s7", k + 1));
  EXPECT_FALSE(r.markRead("s7", 99999));
  EXPECT_TRUE(r.isRead("s7", ReadRecord::kMaxKeys));
  EXPECT_FALSE(r.isRead("s7", 99999));
}

TEST(ReadRecord, SaveLayoutIsByteExact) {
  ReadRecord r;
  r.isRead("scr\\open.scr", 0);
  r.markRead("scr\\open.scr", 10);
  r.markRead("scr\\open.scr", 250);
  EXPECT_EQ(r.saveBytes(), cat({name("scr\\open.scr"), le32({10, 250, -1, 0})}));
  r.addScript("scr\\b.scr");
  EXPECT_EQ(r.saveBytes(),
            cat({name("scr\\open.scr"), le32({10, 250, -1}), name("scr\\b.scr"), le32({-1, 0})}));
}

TEST(ReadRecord, SaveAndLoadThroughFiles) {
  TempFolder dir;
  platform::PosixFileSystem fs(dir.str());
  ReadRecord empty;
  EXPECT_TRUE(empty.save(&fs, "Read.dat"));
  EXPECT_FALSE(dir.exists("Read.dat"));  // an empty record creates no file

  ReadRecord r;
  r.addScript("scr\\open.scr");
  for (int k = 0; k < ReadRecord::kMaxKeys; ++k) r.markRead("scr\\open.scr", k * 3 + 1);
  r.addScript("scr\\next.scr");
  r.markRead("scr\\next.scr", 77);
  ASSERT_TRUE(r.save(&fs, "Read.dat"));

  ReadRecord back;
  ASSERT_TRUE(back.load(&fs, "read.dat"));
  ASSERT_EQ(back.scriptCount(), 2);
  EXPECT_EQ(back.keyCount(0), ReadRecord::kMaxKeys);  // a full list reads back complete
  EXPECT_EQ(back.key(0, ReadRecord::kMaxKeys - 1), (ReadRecord::kMaxKeys - 1) * 3 + 1);
  EXPECT_EQ(back.scriptName(1), "scr\\next.scr");
  EXPECT_TRUE(back.isRead("scr\\next.scr", 77));
  EXPECT_EQ(back.saveBytes(), r.saveBytes());

  ReadRecord missing;
  EXPECT_FALSE(missing.load(&fs, "Nope.dat"));
  EXPECT_EQ(missing.scriptCount(), 0);
}

TEST(ReadRecord, LoadCutAnywhereKeepsWhatWasRead) {
  const auto image = cat({name("a.scr"), le32({1, 2, -1}), name("b.scr"), le32({3, -1, 0})});
  for (size_t cut = 0; cut <= image.size(); ++cut) {
    ReadRecord r;
    r.loadBytes(std::span<const uint8_t>(image.data(), cut));
    ASSERT_LE(r.scriptCount(), 2) << cut;
    if (cut > 0) {
      EXPECT_GE(r.scriptCount(), 1) << cut;
    }
    if (cut >= name("a.scr").size() + 12) {
      EXPECT_EQ(r.keyCount(0), 2) << cut;
      EXPECT_TRUE(r.isRead("a.scr", 2));
    }
    if (r.scriptCount() == 2) {
      EXPECT_LE(r.keyCount(1), 1);
    }
  }
}

TEST(ReadRecord, LoadGarbageAndOddImages) {
  // A long name is cut at 255 bytes; the rest is read as keys.
  std::vector<uint8_t> longName(300, 'n');
  longName.push_back(0);
  ReadRecord a;
  a.loadBytes(longName);
  ASSERT_GE(a.scriptCount(), 1);
  EXPECT_EQ(a.scriptName(0).size(), 255u);

  // Keys without a terminator stop at 4096 per script; records stop at 1000.
  std::vector<uint8_t> junk(20000, 0x41);
  ReadRecord b;
  b.loadBytes(junk);
  EXPECT_LE(b.scriptCount(), ReadRecord::kMaxScripts);

  std::vector<uint8_t> noise(70000);
  uint32_t x = 12345;
  for (auto& v : noise) {
    x = x * 1103515245 + 12345;
    v = static_cast<uint8_t>(x >> 24);
  }
  ReadRecord c;
  c.loadBytes(noise);
  EXPECT_LE(c.scriptCount(), ReadRecord::kMaxScripts);
  for (int i = 0; i < c.scriptCount(); ++i) EXPECT_LE(c.keyCount(i), ReadRecord::kMaxKeys);

  // 1000 records are read at most.
  std::vector<uint8_t> many;
  for (int i = 0; i < 1001; ++i) {
    auto n = name("s" + std::to_string(i));
    many.insert(many.end(), n.begin(), n.end());
    auto t = le32({-1});
    many.insert(many.end(), t.begin(), t.end());
  }
  ReadRecord d;
  d.loadBytes(many);
  EXPECT_EQ(d.scriptCount(), 1000);
}

}  // namespace
}  // namespace kobre
