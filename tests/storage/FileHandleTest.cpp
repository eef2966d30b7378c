#include "storage/FileHandle.h"

#include <gtest/gtest.h>

#include <cstring>

#include <filesystem>
#include <utility>

#include "platform/posix/PosixFileSystem.h"
#include "tests/storage/TempFolder.h"

namespace kobre {
namespace {

using testing::TempFolder;

TEST(FileHandle, ReadWriteSeekSize) {
  TempFolder dir;
  platform::PosixFileSystem fs(dir.str());
  FileHandle h(&fs);
  ASSERT_TRUE(h.openWrite("Out.dat"));
  EXPECT_EQ(h.write("hello", 5), 5u);
  EXPECT_TRUE(h.close());
  EXPECT_EQ(dir.read("Out.dat"), (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));

  // Until the handle closes, the previous file stays as it was.
  ASSERT_TRUE(h.openWrite("out.dat"));
  EXPECT_EQ(h.write("bye", 3), 3u);
  EXPECT_EQ(dir.read("Out.dat").size(), 5u);
  EXPECT_TRUE(h.close());
  EXPECT_EQ(dir.read("Out.dat"), (std::vector<uint8_t>{'b', 'y', 'e'}));
  ASSERT_TRUE(h.openWrite("Out.dat"));
  ASSERT_TRUE(h.write("hello", 5));
  EXPECT_TRUE(h.close());

  ASSERT_TRUE(h.openRead("out.DAT"));  // name components match without case
  EXPECT_EQ(h.size(), 5u);
  EXPECT_TRUE(h.seek(1));
  char buf[8] = {};
  EXPECT_EQ(h.read(buf, 8), 4u);
  EXPECT_STREQ(buf, "ello");
  EXPECT_EQ(h.read(buf, 8), 0u);
  EXPECT_EQ(h.write("x", 1), 0u);  // opened for reading
  h.close();

  EXPECT_FALSE(h.openRead("missing.dat"));
  EXPECT_FALSE(h.isOpen());
  EXPECT_EQ(h.read(buf, 1), 0u);
  EXPECT_EQ(h.size(), 0u);
  EXPECT_FALSE(h.seek(0));
}

TEST(FileHandle, EmptyHandleFails) {
  FileHandle h;
  EXPECT_FALSE(h.openRead("x"));
  EXPECT_FALSE(h.openWrite("x"));
  char out[32];
  EXPECT_FALSE(h.lastWriteText(out, sizeof out));
  EXPECT_STREQ(out, "Error");
}

TEST(FileHandle, OpenWriteWhereNothingCanBeWrittenFails) {
  TempFolder dir;
  dir.write("blocker", "a file where a folder would have to be");
  // The game folder counts as read-only and the writable folder cannot be
  // created (its parent is a file), so no write can succeed, even as root.
  platform::PosixFileSystem fs(dir.str(), dir.str() + "/blocker/data");
  fs.setGameFolderReadOnly(true);
  FileHandle h(&fs);
  EXPECT_FALSE(h.openWrite("Save01.dat"));
  EXPECT_FALSE(h.isOpen());
  EXPECT_EQ(h.write("x", 1), 0u);
  EXPECT_EQ(h.size(), 0u);
}

TEST(FileHandle, OpenWriteRefusesAReadOnlyFile) {
  TempFolder dir;
  dir.write("Save01.dat", "kept");
  const auto path = dir.path("Save01.dat");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  platform::PosixFileSystem fs(dir.str());
  FileHandle h(&fs);
  EXPECT_FALSE(h.openWrite("save01.DAT"));
  EXPECT_FALSE(h.isOpen());
  // Nor does a direct whole-file write replace it.
  const uint8_t data[] = {'x'};
  EXPECT_FALSE(fs.writeAtomic("Save01.dat", data));
  EXPECT_EQ(dir.read("Save01.dat"), (std::vector<uint8_t>{'k', 'e', 'p', 't'}));
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                std::filesystem::perms::others_read);
  // A name that is a folder cannot be written either.
  std::filesystem::create_directory(dir.path("Folder"));
  EXPECT_FALSE(h.openWrite("folder"));
}

TEST(FileHandle, ReplacedFileKeepsItsPermissions) {
  TempFolder dir;
  dir.write("Read.dat", "old");
  const auto path = dir.path("Read.dat");
  const auto ownerOnly = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
  std::filesystem::permissions(path, ownerOnly);
  platform::PosixFileSystem fs(dir.str());
  FileHandle h(&fs);
  ASSERT_TRUE(h.openWrite("Read.dat"));
  h.write("new", 3);
  ASSERT_TRUE(h.close());
  EXPECT_EQ(dir.read("Read.dat"), (std::vector<uint8_t>{'n', 'e', 'w'}));
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all, ownerOnly);
}

// A file system that holds one file it cannot read, and records writes.
class UnreadableFileSystem : public platform::PosixFileSystem {
 public:
  using PosixFileSystem::PosixFileSystem;
  bool readAll(std::string_view, std::vector<uint8_t>& out, uint64_t) override {
    out.clear();
    return false;
  }
  bool writeAtomic(std::string_view name, std::span<const uint8_t> data) override {
    writes.emplace_back(std::string(name), data.size());
    return PosixFileSystem::writeAtomic(name, data);
  }
  std::vector<std::pair<std::string, size_t>> writes;
};

TEST(FileHandle, NothingIsWrittenBeforeClose) {
  TempFolder dir;
  dir.write("Save00.dat", "previous");
  UnreadableFileSystem fs(dir.str());
  FileHandle h(&fs);
  ASSERT_TRUE(h.openWrite("Save00.dat"));
  EXPECT_TRUE(fs.writes.empty());  // the file is not emptied while open
  EXPECT_EQ(dir.read("Save00.dat").size(), 8u);
  h.write("next", 4);
  ASSERT_TRUE(h.close());
  ASSERT_EQ(fs.writes.size(), 1u);
  EXPECT_EQ(fs.writes[0].second, 4u);
  EXPECT_EQ(dir.read("Save00.dat"), (std::vector<uint8_t>{'n', 'e', 'x', 't'}));
}

TEST(FileHandle, LastWriteTextFormat) {
  struct Case {
    platform::FileTime t;
    const char* text;
    bool ok;
  } cases[] = {
      {{2024, 3, 7, 9, 5, 59}, "2024/03/07 09:05", true},
      {{1980, 1, 1, 0, 0, 0}, "1980/01/01 00:00", true},
      {{2107, 12, 31, 23, 59, 58}, "2107/12/31 23:59", true},
      {{1979, 12, 31, 23, 59, 0}, "Error", false},  // before FAT time
      {{2108, 1, 1, 0, 0, 0}, "Error", false},
      {{2024, 13, 1, 0, 0, 0}, "Error", false},
  };
  for (const Case& c : cases) {
    char out[17];
    EXPECT_EQ(formatFatTime(c.t, out, sizeof out), c.ok) << c.text;
    EXPECT_STREQ(out, c.text);
  }
}

TEST(FileHandle, LastWriteTextOfAFile) {
  TempFolder dir;
  dir.write("a.dat", "x");
  platform::PosixFileSystem fs(dir.str());
  FileHandle h(&fs);
  ASSERT_TRUE(h.openRead("a.dat"));
  char out[17];
  ASSERT_TRUE(h.lastWriteText(out, sizeof out));
  EXPECT_EQ(std::strlen(out), 16u);
  EXPECT_EQ(out[4], '/');
  EXPECT_EQ(out[10], ' ');
}

TEST(FileHandle, FreeSpace) {
  TempFolder dir;
  platform::PosixFileSystem fs(dir.str());
  EXPECT_EQ(freeSpaceMegabytes(nullptr, "C:"), 0u);
  EXPECT_EQ(freeSpaceMegabytes(&fs, "C:"),
            static_cast<uint32_t>(static_cast<uint64_t>(fs.freeSpaceBytes()) >> 20));
}

TEST(MemoryFile, ReadsWithinItsBytes) {
  const uint8_t data[] = {1, 2, 3};
  MemoryFile f(data);
  uint8_t buf[8];
  EXPECT_EQ(f.read(buf, 2), 2);
  EXPECT_EQ(f.read(buf, 8), 1);
  EXPECT_EQ(f.read(buf, 8), 0);
  EXPECT_TRUE(f.seek(100));
  EXPECT_EQ(f.read(buf, 8), 0);
  EXPECT_FALSE(f.seek(-1));
  EXPECT_EQ(f.size(), 3);
}

}  // namespace
}  // namespace kobre
