// kobre-arc and the archive writer against the runtime's archive reader.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "storage/ArchiveFile.h"
#include "storage/FileHandle.h"
#include "tests/storage/TempFolder.h"
#include "tests/tools/ToolsSupport.h"
#include "tools/arc/ArcTool.h"
#include "tools/writers/ArchiveWriter.h"
#include "tools/writers/LzssCompressor.h"
#include "tools/writers/ScriptWriter.h"

namespace kobre::testing {
namespace {

std::vector<uint8_t> randomBytes(size_t n, uint32_t seed, bool runs) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> out(n);
  for (size_t i = 0; i < n; ++i)
    out[i] = runs ? static_cast<uint8_t>((i / 37) * 13 + (rng() % 3)) : static_cast<uint8_t>(rng());
  return out;
}

std::string cp932(const std::string& utf8) {
  std::string out;
  EXPECT_TRUE(writers::utf8ToCp932(utf8, out)) << utf8;
  return out;
}

struct RunResult {
  int status;
  std::string out, err;
};

RunResult runArc(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = arc::run(args, out, err);
  return {status, out.str(), err.str()};
}

// Every entry written comes back byte for byte through ArchiveFile, found by
// its name with a folder prefix and in another case.
TEST(ArchiveRoundTrip, WriterEntriesReadBackThroughArchiveFile) {
  struct Case {
    const char* label;
    bool scrambled;
    int entries;
  };
  const Case cases[] = {
      {"plain, one entry", false, 1},
      {"scrambled, one entry", true, 1},
      {"plain, index spans many key periods", false, 40},
      {"scrambled, index spans many key periods", true, 40},
      {"scrambled, empty archive", true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    writers::ArchiveWriter writer;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> stored;
    for (int i = 0; i < c.entries; ++i) {
      std::string name = i % 3 == 0   ? "entry" + std::to_string(i) + ".bmp"
                         : i % 3 == 1 ? cp932("絵" + std::to_string(i) + ".psd")
                                      : "Long_Name_" + std::to_string(100000 + i) + ".wav";
      // Sizes include zero, one and sizes around the key period.
      const size_t size = i == 0 ? 0 : static_cast<size_t>((i * 977) % 5000 + (i % 9));
      stored.emplace_back(name, randomBytes(size, static_cast<uint32_t>(i), i % 2 == 0));
      ASSERT_TRUE(writer.add(stored.back().first, stored.back().second));
    }
    const std::vector<uint8_t> image = writer.build(c.scrambled);
    ArchiveFile archive;
    ASSERT_TRUE(archive.open(std::make_unique<MemoryFile>(image), c.scrambled));
    ASSERT_EQ(archive.entryCount(), c.entries);
    for (const auto& [name, data] : stored) {
      std::vector<uint8_t> back;
      ASSERT_TRUE(archive.readEntry(name, back)) << name;
      EXPECT_EQ(back, data) << name;
      std::string other = "cg\\";
      for (char ch : name) other += (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 32) : ch;
      ASSERT_TRUE(archive.readEntry(other, back)) << other;
      EXPECT_EQ(back, data) << other;
    }
    EXPECT_FALSE(archive.find("missing.bmp"));
    // The same bytes opened the other way do not pass for an archive
    // holding these entries.
    if (c.entries > 0) {
      ArchiveFile wrong;
      const bool opened = wrong.open(std::make_unique<MemoryFile>(image), !c.scrambled);
      EXPECT_TRUE(!opened || wrong.entryCount() != c.entries);
    }
  }
}

// pack, list and extract for the three kinds: what comes out is what went in
// (pictures decoded as the game reads them).
TEST(ArcTool, PackListExtractRoundTrip) {
  struct Case {
    const char* archive;
    std::vector<std::string> options;
    bool scrambledIndex;
    const char* storedForm;  // how list shows a picture entry, or ""
  };
  const Case cases[] = {
      {"arc.scr", {}, true, ""},
      {"arc.wav", {}, false, ""},
      {"arc.cg", {}, true, "PAK "},
      {"arc2.cg", {"--store", "scrambled"}, true, "head-scrambled"},
      {"data.bin", {"--kind", "cg", "--plain"}, false, "PAK "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    TempFolder dir;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"open.scr", randomBytes(3000, 1, true)},
        {"絵.bmp", randomBytes(70000, 2, true)},
        {"b.psd", randomBytes(31, 3, false)},
        {"tiny.wav", randomBytes(5, 4, false)},
        {"empty.bmp", {}},
    };
    for (const auto& [name, data] : files) dir.write("in/" + name, data);
    const std::string arcPath = dir.str() + "/" + c.archive;
    std::vector<std::string> pack = {"pack", arcPath, dir.str() + "/in"};
    pack.insert(pack.end(), c.options.begin(), c.options.end());
    RunResult r = runArc(pack);
    ASSERT_EQ(r.status, 0) << r.err;

    // The runtime's reader sees every entry under its Shift-JIS name.
    const std::vector<uint8_t> image = dir.read(c.archive);
    ArchiveFile archive;
    ASSERT_TRUE(archive.open(std::make_unique<MemoryFile>(image), c.scrambledIndex));
    ASSERT_EQ(archive.entryCount(), static_cast<int>(files.size()));
    for (const auto& [name, data] : files) {
      std::vector<uint8_t> stored;
      ASSERT_TRUE(archive.readEntry(cp932(name), stored)) << name;
      if (std::string(c.storedForm) == "PAK ") {
        ASSERT_GE(stored.size(), 12u);
        EXPECT_EQ(std::string(stored.begin(), stored.begin() + 4), "PAK ");
      } else if (std::string(c.storedForm).empty()) {
        EXPECT_EQ(stored, data) << name;
      }
    }

    std::vector<std::string> list = {"list", arcPath};
    list.insert(list.end(), c.options.begin(), c.options.end());
    r = runArc(list);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const auto& f : files) EXPECT_NE(r.out.find(f.first), std::string::npos) << r.out;
    if (*c.storedForm) {
      EXPECT_NE(r.out.find(c.storedForm), std::string::npos) << r.out;
    }

    std::vector<std::string> extract = {"extract", arcPath, dir.str() + "/out"};
    extract.insert(extract.end(), c.options.begin(), c.options.end());
    r = runArc(extract);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const auto& [name, data] : files) EXPECT_EQ(dir.read("out/" + name), data) << name;
  }
}

// Without --plain or --scrambled the tool finds the index form itself and
// says so when it is not the one the name suggests.
TEST(ArcTool, NoticesAnIndexFormOtherThanTheNameSuggests) {
  TempFolder dir;
  writers::ArchiveWriter writer;
  writer.add("a.wav", bytesOf("RIFF...."));
  ASSERT_TRUE(writer.writeFile(dir.str() + "/arc.scr", false));
  const RunResult r = runArc({"list", dir.str() + "/arc.scr"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("plain index"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("a.wav"), std::string::npos);
  // Forced to the wrong form it refuses.
  EXPECT_EQ(runArc({"list", dir.str() + "/arc.scr", "--scrambled"}).status, 1);
}

// Entries the game can never read (a later entry of an equal name) are not
// extracted over the one it reads; names that would leave the folder are
// refused.
TEST(ArcTool, ExtractSkipsShadowedAndUnsafeNames) {
  TempFolder dir;
  writers::ArchiveWriter writer;
  writer.add("Same.scr", bytesOf("first"));
  writer.add("SAME.scr", bytesOf("second"));
  writer.add("..", bytesOf("escape"));
  ASSERT_TRUE(writer.writeFile(dir.str() + "/arc.scr", true));
  const RunResult r = runArc({"extract", dir.str() + "/arc.scr", dir.str() + "/out"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("never reads"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("unsafe name"), std::string::npos) << r.err;
  const std::vector<uint8_t> got = dir.read("out/Same.scr");
  EXPECT_EQ(std::string(got.begin(), got.end()), "first");
  const RunResult listed = runArc({"list", dir.str() + "/arc.scr"});
  EXPECT_NE(listed.out.find("[hidden by entry 0]"), std::string::npos) << listed.out;
}

TEST(ArcTool, RefusesBadInputWithAMessageAndAnExitStatus) {
  TempFolder dir;
  // A header announcing five entries over a 40-byte file.
  std::vector<uint8_t> truncated(40, 0);
  truncated[0] = 5;
  dir.write("short/arc.wav", truncated);
  dir.write("tiny/arc.wav", bytesOf("abc"));
  // One entry whose data lies past the end of the file.
  std::vector<uint8_t> outside(48, 0);
  outside[0] = 1;
  outside[16] = 48;
  outside[20] = 100;
  outside[24] = 'x';
  dir.write("outside/arc.wav", outside);
  // A picture entry whose declared size is far beyond what its stream holds.
  std::vector<uint8_t> pak = {'P', 'A', 'K', ' ', 0, 0, 0, 0, 0, 0, 0, 0x40, 0xFF, 1, 2, 3};
  writers::ArchiveWriter damaged;
  damaged.add("bad.bmp", pak);
  ASSERT_TRUE(damaged.writeFile(dir.str() + "/arc.cg", true));
  dir.write("long/" + std::string(24, 'n') + ".bmp", bytesOf("x"));
  dir.write("twins/A.bmp", bytesOf("1"));
  dir.write("twins/a.bmp", bytesOf("2"));
  dir.write("plain/x.bmp", bytesOf("1"));
  const std::string d = dir.str();
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{}, 2, "usage"},
      {{"frobnicate"}, 2, "unknown command"},
      {{"list"}, 2, "usage"},
      {{"list", d + "/none/arc.wav"}, 1, "cannot be opened"},
      {{"list", d + "/short"}, 1, "is a folder"},
      {{"list", d + "/short/arc.wav"}, 1, "index runs past the end"},
      {{"list", d + "/tiny/arc.wav"}, 1, "shorter than an archive header"},
      {{"list", d + "/outside/arc.wav"}, 1, "lies outside the file"},
      {{"extract", d + "/arc.cg", d + "/x"}, 1, "damaged packed picture"},
      {{"pack", d + "/o/arc.cg", d + "/long"}, 1, "23 bytes"},
      {{"pack", d + "/arc9.cg", d + "/twins"}, 1, "the same name"},
      {{"pack", d + "/arc.dat", d + "/plain"}, 2, "--kind"},
      {{"pack", d + "/arc9.cg", d + "/plain", "--store", "zip"}, 2, "unknown store"},
      {{"pack", d + "/arc9.cg", d + "/plain", "--kind"}, 2, "needs a value"},
      {{"pack", d + "/arc9.cg", d + "/nothing.bmp"}, 1, "cannot be opened"},
      {{"list", d + "/arc.cg", "--fast"}, 2, "unknown option"},
  };
  for (const Case& c : cases) {
    std::string label;
    for (const std::string& a : c.args) label += a + " ";
    SCOPED_TRACE(label);
    const RunResult r = runArc(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

// Picture entries as the runtime stores them decode back to the file.
TEST(ArcTool, PictureEntryFormsDecodeToTheFile) {
  const std::vector<std::vector<uint8_t>> files = {{},
                                                   randomBytes(1, 5, false),
                                                   randomBytes(31, 6, false),
                                                   randomBytes(32, 7, false),
                                                   randomBytes(100000, 8, true),
                                                   randomBytes(5000, 9, false)};
  for (const auto& file : files) {
    for (arc::PictureStore store : {arc::PictureStore::Pak, arc::PictureStore::Scrambled}) {
      const std::vector<uint8_t> stored = arc::encodePictureEntry(file, store);
      std::vector<uint8_t> back;
      ASSERT_TRUE(arc::decodePictureEntry(stored, back));
      EXPECT_EQ(back, file) << file.size();
    }
  }
}

}  // namespace
}  // namespace kobre::testing
