#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/posix/InstanceLock.h"
#include "platform/posix/PosixFileSystem.h"

namespace kobre::platform {
namespace {

namespace fs = std::filesystem;

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("kobre_fs_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root / "game" / "Scr");
  }
  void TearDown() override {
    fs::permissions(root / "game", fs::perms::owner_all);
    fs::remove_all(root);
  }
  static void write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  static std::string text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }
  fs::path root;
};

TEST_F(FileSystemTest, WindowsNamesMatchComponentsWithoutCase) {
  write(root / "game" / "Scr" / "OPEN.SCR", "hello");
  write(root / "game" / "arc.scr", "a");
  PosixFileSystem files((root / "game").string());
  std::vector<uint8_t> out;
  ASSERT_TRUE(files.readAll("scr\\open.scr", out));
  EXPECT_EQ(text(out), "hello");
  EXPECT_TRUE(files.exists("SCR/Open.Scr"));
  EXPECT_TRUE(files.exists("ARC.SCR"));
  EXPECT_FALSE(files.exists("scr\\missing.scr"));
  EXPECT_FALSE(files.exists("scr"));                     // a folder is not a file
  EXPECT_FALSE(files.readAll("scr\\open.scr", out, 3));  // larger than allowed
}

TEST_F(FileSystemTest, ShiftJisNamesFindUtf8FilesOnDisk) {
  write(root / "game" / "背景.bmp", "x");
  PosixFileSystem files((root / "game").string());
  EXPECT_TRUE(files.exists("\x94\x77\x8C\x69.bmp"));  // 背景 in CP932
}

TEST_F(FileSystemTest, WritesReplaceThroughATemporaryFile) {
  PosixFileSystem files((root / "game").string());
  const uint8_t first[] = {1, 2, 3};
  const uint8_t second[] = {9};
  ASSERT_TRUE(files.writeAtomic("Read.dat", first));
  ASSERT_TRUE(files.writeAtomic("read.DAT", second));  // same file, other case
  std::vector<uint8_t> out;
  ASSERT_TRUE(files.readAll("Read.dat", out));
  EXPECT_EQ(out, std::vector<uint8_t>{9});
  EXPECT_FALSE(fs::exists(root / "game" / "Read.dat.tmp"));
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "game"), fs::directory_iterator{}), 2);
  FileTime t;
  ASSERT_TRUE(files.lastWriteTime("Read.dat", t));
  EXPECT_GE(t.year, 2020);
  EXPECT_GT(files.freeSpaceBytes(), 0);
}

TEST_F(FileSystemTest, ReadOnlyGameFolderWritesToTheUserFolder) {
  write(root / "game" / "KOBRE.ini", "old");
  fs::permissions(root / "game", fs::perms::owner_read | fs::perms::owner_exec);
  PosixFileSystem files((root / "game").string(), (root / "user").string());
  files.setGameFolderReadOnly(true);  // root ignores the permission bits
  const uint8_t data[] = {'n', 'e', 'w'};
  ASSERT_TRUE(files.writeAtomic("KOBRE.ini", data));
  std::vector<uint8_t> out;
  ASSERT_TRUE(files.readAll("KOBRE.ini", out));
  EXPECT_EQ(text(out), "new");  // the user folder is read first
  EXPECT_TRUE(fs::exists(root / "user" / "KOBRE.ini"));
  files.setGameFolderReadOnly(false);
  fs::permissions(root / "game", fs::perms::owner_all);
  ASSERT_TRUE(files.readAll("KOBRE.ini", out));
  EXPECT_EQ(text(out), "old");  // the game's own copy was never touched
}

TEST_F(FileSystemTest, UserFolderFollowsTheGameFolderName) {
  PosixFileSystem files((root / "game").string(), (root / "user").string());
  EXPECT_EQ(files.writeFolder(), (root / "game").string());
}

TEST(OpticalMounts, ParsesMediaMountsOnly) {
  const char* mounts =
      "/dev/sda1 / ext4 rw 0 0\n"
      "/dev/sr0 /media/cdrom0 iso9660 ro 0 0\n"
      "/dev/sr1 /media/My\\040Disc udf ro 0 0\n"
      "proc /proc proc rw 0 0\n"
      "garbage\n";
  auto roots = PosixFileSystem::parseOpticalMounts(mounts);
  ASSERT_EQ(roots.size(), 2u);
  EXPECT_EQ(roots[0], "/media/cdrom0/");
  EXPECT_EQ(roots[1], "/media/My Disc/");
}

TEST(InstanceLock, SecondHolderIsRefused) {
  std::string folder = fs::temp_directory_path().string();
  std::string name = "kobre_lock_test_" + std::to_string(::getpid());
  InstanceLock first, second;
  ASSERT_TRUE(first.acquire(name, folder));
  EXPECT_FALSE(second.acquire(name, folder));
  first.release();
  EXPECT_TRUE(second.acquire(name, folder));
  second.release();
  fs::remove(fs::path(folder) / name);
}

}  // namespace
}  // namespace kobre::platform
