#include "storage/ArchiveFile.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/posix/PosixFileSystem.h"
#include "tests/storage/TempFolder.h"
#include "tools/writers/ArchiveWriter.h"

namespace kobre {
namespace {

using testing::bytesOf;
using testing::TempFolder;
using writers::ArchiveWriter;

std::string readWhole(ArchiveFile& a, std::string_view name) {
  if (!a.find(name)) return "<missing>";
  std::string s(a.size(), '\0');
  if (a.read(s.data(), static_cast<uint32_t>(s.size())) != s.size()) return "<short>";
  return s;
}

std::unique_ptr<platform::File> memory(const std::vector<uint8_t>& bytes) {
  return std::make_unique<MemoryFile>(bytes);
}

TEST(ArchiveKey, PartAfterLastBackslash) {
  struct Case {
    std::string_view name, key;
  } cases[] = {
      {"cg\\bg01.bmp", "bg01.bmp"},
      {"a\\b\\c.psd", "c.psd"},
      {"plain.wav", "plain.wav"},
      {"cg/bg01.bmp", "cg/bg01.bmp"},  // a forward slash is no separator
      {"cg\\", ""},
      // "表" is 0x95 0x5C: its second byte is not a separator.
      {"cg\\\x95\x5C.bmp", "\x95\x5C.bmp"},
  };
  for (const Case& c : cases) EXPECT_EQ(archiveKey(c.name), c.key) << c.name;
}

TEST(ArchiveNameEquals, AsciiFoldingOnly) {
  char name[24] = "Bg01.BMP";
  EXPECT_TRUE(archiveNameEquals(name, 24, "bg01.bmp"));
  EXPECT_TRUE(archiveNameEquals(name, 24, "BG01.bmp"));
  EXPECT_FALSE(archiveNameEquals(name, 24, "bg01.bm"));
  EXPECT_FALSE(archiveNameEquals(name, 24, "bg01.bmpx"));
  // Full-width letters are not folded, and trail bytes compare exactly:
  // 0x83 0x41 and 0x83 0x61 are different characters.
  char wide[24] = "\x83\x41.bmp";
  EXPECT_TRUE(archiveNameEquals(wide, 24, "\x83\x41.BMP"));
  EXPECT_FALSE(archiveNameEquals(wide, 24, "\x83\x61.bmp"));
  // A name filling all 24 bytes without a zero ends at the capacity.
  char full[24];
  std::memset(full, 'A', 24);
  EXPECT_TRUE(archiveNameEquals(full, 24, std::string(24, 'a')));
}

TEST(ArchiveFile, FindSizeReadPlainAndScrambled) {
  for (bool scrambled : {false, true}) {
    ArchiveWriter w;
    ASSERT_TRUE(w.add("open.scr", "first"));
    ASSERT_TRUE(w.add("BG01.bmp", "picture"));
    ASSERT_TRUE(w.add("open.scr", "shadowed"));
    ASSERT_TRUE(w.add("empty.wav", ""));
    auto image = w.build(scrambled);
    ArchiveFile a;
    ASSERT_TRUE(a.open(memory(image), scrambled));
    EXPECT_EQ(a.entryCount(), 4);
    EXPECT_EQ(readWhole(a, "scr\\OPEN.SCR"), "first");  // the earlier of two equal names
    EXPECT_EQ(a.selected(), 0);
    EXPECT_EQ(readWhole(a, "cg\\bg01.BMP"), "picture");
    EXPECT_EQ(a.selected(), 1);
    EXPECT_TRUE(a.find("empty.wav"));
    EXPECT_EQ(a.size(), 0u);
    EXPECT_FALSE(a.find("missing.bmp"));
    EXPECT_EQ(a.selected(), -1);
    EXPECT_EQ(a.size(), 0u);
    char buf[4];
    EXPECT_EQ(a.read(buf, 4), 0u);
  }
}

TEST(ArchiveFile, ScrambledIndexRestartsKeyAtIndex) {
  // The first index byte is XORed with key byte 0 (not 16 mod 9), and index
  // byte 9 with key byte 0 again.
  ArchiveWriter w;
  ASSERT_TRUE(w.add("abcdefghijklmnop", "x"));
  auto plain = w.build(false);
  auto scr = w.build(true);
  for (size_t j = 0; j < 32; ++j) EXPECT_EQ(scr[16 + j] ^ plain[16 + j], scrambleKey[j % 9]) << j;
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(scr[i] ^ plain[i], scrambleKey[i % 9]) << i;
  EXPECT_EQ(scr.back(), 'x');  // entry data untouched
  ArchiveFile a;
  ASSERT_TRUE(a.open(memory(scr), true));
  EXPECT_EQ(readWhole(a, "ABCDEFGHIJKLMNOP"), "x");
  // The same bytes opened as plain give another entry count and no names.
  ArchiveFile b;
  EXPECT_FALSE(b.open(memory(scr), false) && b.find("abcdefghijklmnop"));
}

TEST(ArchiveFile, SupplementRules) {
  ArchiveWriter main, extra;
  main.add("both.bmp", "main");
  main.add("onlymain.bmp", "m");
  extra.add("both.bmp", "supplement");
  extra.add("onlyextra.bmp", "extra");
  auto mi = main.build(true), ei = extra.build(true);

  ArchiveFile a;
  ASSERT_TRUE(a.open(memory(mi), true));
  ASSERT_TRUE(a.attachSupplement(memory(ei), true));
  EXPECT_EQ(readWhole(a, "both.bmp"), "main");
  EXPECT_EQ(readWhole(a, "cg\\OnlyExtra.bmp"), "extra");
  EXPECT_EQ(a.selected(), -2);
  EXPECT_TRUE(a.find("onlyextra.bmp"));
  EXPECT_EQ(a.size(), 5u);
  EXPECT_FALSE(a.find("none.bmp"));
  EXPECT_EQ(a.selected(), -1);

  // An empty main archive still asks its supplement.
  ArchiveWriter none;
  auto ni = none.build(true);
  ArchiveFile b;
  ASSERT_TRUE(b.open(memory(ni), true));
  EXPECT_EQ(b.entryCount(), 0);
  ASSERT_TRUE(b.attachSupplement(memory(ei), true));
  EXPECT_EQ(readWhole(b, "onlyextra.bmp"), "extra");

  // A closed main archive does not.
  ArchiveFile c;
  EXPECT_FALSE(c.open(std::unique_ptr<platform::File>(), true));
  ASSERT_TRUE(c.attachSupplement(memory(ei), true));
  EXPECT_FALSE(c.find("onlyextra.bmp"));
  EXPECT_EQ(c.size(), 0u);

  // A failed supplement stays attached and finds nothing.
  ArchiveFile d;
  ASSERT_TRUE(d.open(memory(mi), true));
  EXPECT_FALSE(d.attachSupplement(std::unique_ptr<platform::File>(), true));
  EXPECT_NE(d.supplement(), nullptr);
  EXPECT_FALSE(d.find("onlyextra.bmp"));
  EXPECT_EQ(readWhole(d, "both.bmp"), "main");

  // Reopening releases the supplement.
  ASSERT_TRUE(a.open(memory(mi), true));
  EXPECT_EQ(a.supplement(), nullptr);
  EXPECT_FALSE(a.find("onlyextra.bmp"));
}

TEST(ArchiveFile, ReadIsNotBoundedByTheEntry) {
  ArchiveWriter w;
  w.add("a", "12");
  w.add("b", "34");
  auto image = w.build(false);
  ArchiveFile a;
  ASSERT_TRUE(a.open(memory(image), false));
  ASSERT_TRUE(a.find("a"));
  char buf[4] = {};
  EXPECT_EQ(a.read(buf, 2), 2u);
  EXPECT_EQ(a.read(buf + 2, 2), 2u);  // continues into "b"
  EXPECT_EQ(std::string(buf, 4), "1234");
}

std::vector<uint8_t> le32(std::initializer_list<uint32_t> values) {
  std::vector<uint8_t> out;
  for (uint32_t v : values)
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return out;
}

TEST(ArchiveFile, RefusesBadHeadersAndEntries) {
  // Header or index promising more than the file holds: refused.
  std::vector<std::vector<uint8_t>> bad = {
      {},
      {1, 0, 0},
      le32({1, 0, 0, 0}),           // index missing
      le32({0xFFFFFFFF, 0, 0, 0}),  // absurd count: no huge allocation
      le32({0x08000000, 0, 0, 0, 0, 0, 0, 0}),
  };
  for (const auto& image : bad) {
    ArchiveFile a;
    EXPECT_FALSE(a.open(memory(image), false)) << image.size();
    EXPECT_FALSE(a.isOpen());
    EXPECT_FALSE(a.find("x"));
  }
  // Entries pointing outside the file: found by name, refused for reading.
  ArchiveWriter w;
  w.add("good", "ok");
  w.add("far", "zz");
  w.add("long", "yy");
  auto image = w.build(false);
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(16 + 32 * 1, 0xFFFFFFF0);      // offset beyond the file
  put(16 + 32 * 2 + 4, 0xFFFFFFFF);  // size beyond the file (offset + size wraps in 32 bits)
  ArchiveFile a;
  ASSERT_TRUE(a.open(memory(image), false));
  EXPECT_EQ(readWhole(a, "good"), "ok");
  EXPECT_FALSE(a.find("far"));
  EXPECT_EQ(a.size(), 0u);
  EXPECT_FALSE(a.find("long"));
  std::vector<uint8_t> out;
  EXPECT_FALSE(a.readEntry("long", out));
  EXPECT_TRUE(out.empty());
}

TEST(ArchiveFile, OpenFromFilesAndLooseFileRule) {
  TempFolder dir;
  ArchiveWriter w;
  w.add("open.scr", "archived");
  w.add("only.scr", "archived only");
  ASSERT_TRUE(w.writeFile(dir.str() + "/arc.scr", true));
  dir.write("scr/OPEN.SCR", "loose");
  platform::PosixFileSystem fs(dir.str());
  ArchiveFile a(&fs);
  ASSERT_TRUE(a.open("arc.scr", true));
  std::vector<uint8_t> out;
  ASSERT_TRUE(loadDataFile(&fs, &a, "scr\\open.scr", out));
  EXPECT_EQ(std::string(out.begin(), out.end()), "loose");
  ASSERT_TRUE(loadDataFile(&fs, &a, "scr\\only.scr", out));
  EXPECT_EQ(std::string(out.begin(), out.end()), "archived only");
  EXPECT_FALSE(loadDataFile(&fs, &a, "scr\\none.scr", out));

  // Missing main archive with its supplement present: nothing is found.
  ASSERT_TRUE(w.writeFile(dir.str() + "/arc2.cg", true));
  ArchiveFile b(&fs);
  EXPECT_FALSE(b.open("arc.cg", true));
  EXPECT_TRUE(b.attachSupplement("arc2.cg", true));
  EXPECT_FALSE(b.find("only.scr"));
}

TEST(ArchiveFile, FindOverManyEntries) {
  ArchiveWriter w;
  for (int i = 0; i < 5000; ++i) w.add("e" + std::to_string(i) + ".bmp", std::to_string(i));
  auto image = w.build(true);
  ArchiveFile a;
  ASSERT_TRUE(a.open(memory(image), true));
  EXPECT_EQ(a.entryCount(), 5000);
  EXPECT_EQ(readWhole(a, "cg\\E4999.BMP"), "4999");
  EXPECT_EQ(readWhole(a, "e0.bmp"), "0");
}

}  // namespace
}  // namespace kobre
