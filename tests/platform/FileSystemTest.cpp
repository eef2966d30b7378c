#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
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

TEST_F(FileSystemTest, SecondByte5CIsNoSeparator) {
  // "ソ" is 0x83 0x5C and "表" is 0x95 0x5C: the byte after a lead byte
  // belongs to its character, in file names and in folder names alike.
  fs::create_directories(root / "game" / "cg");
  write(root / "game" / "cg" / "ソラ.bmp", "sky");
  fs::create_directories(root / "game" / "表");
  write(root / "game" / "表" / "a.txt", "table");
  write(root / "game" / "Scr" / "能力.SCR", "skill");
  PosixFileSystem files((root / "game").string());
  struct Case {
    const char* name;
    const char* text;
  } cases[] = {
      {"cg\\\x83\x5C\x83\x89.bmp", "sky"},     // cg\ソラ.bmp
      {"cg/\x83\x5C\x83\x89.BMP", "sky"},      // other separator, other case
      {"\x95\x5C\\a.txt", "table"},            // 表\a.txt
      {"scr\\\x94\x5C\x97\xCD.scr", "skill"},  // scr\能力.scr
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> out;
    EXPECT_TRUE(files.readAll(c.name, out)) << c.text;
    EXPECT_EQ(text(out), c.text);
  }
  // A new file under such a folder is written where it is read back.
  const uint8_t data[] = {'n'};
  ASSERT_TRUE(files.writeAtomic("\x95\x5C\\\x83\x5C.dat", data));  // 表\ソ.dat
  EXPECT_TRUE(fs::exists(root / "game" / "表" / "ソ.dat"));
}

TEST_F(FileSystemTest, SecondBytesAreNoLettersWhenFolding) {
  // A file stored under its raw CP932 bytes: "ア" (0x83 0x41) must not be
  // found as "ヂ" (0x83 0x61), though 0x41 and 0x61 are "A" and "a".
  write(root / "game" / "\x83\x41.bin", "a");
  PosixFileSystem files((root / "game").string());
  EXPECT_TRUE(files.exists("\x83\x41.BIN"));
  EXPECT_FALSE(files.exists("\x83\x61.bin"));
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
  std::string path =
      fs::temp_directory_path().string() + "/kobre_lock_test_" + std::to_string(::getpid());
  InstanceLock first, second;
  ASSERT_EQ(first.acquire(path), InstanceLock::Result::Acquired);
  EXPECT_EQ(second.acquire(path), InstanceLock::Result::HeldElsewhere);
  EXPECT_FALSE(second.held());
  first.release();
  EXPECT_EQ(second.acquire(path), InstanceLock::Result::Acquired);
  second.release();
  fs::remove(path);
}

TEST_F(FileSystemTest, LockThatCannotBeMadeIsNoSecondCopy) {
  write(root / "file", "x");
  fs::create_directories(root / "real");
  fs::create_symlink(root / "real" / "target", root / "link");
  struct Case {
    fs::path path;
    const char* why;
  } cases[] = {
      {root / "missing" / "KOBRE_MUTEX_OBJECT", "folder missing"},
      {root / "file" / "KOBRE_MUTEX_OBJECT", "folder is a file"},
      {root / "game", "a folder where the file would be"},
      {root / "link", "a symlink, in a shared folder"},
  };
  for (const Case& c : cases) {
    InstanceLock lock;
    EXPECT_EQ(lock.acquire(c.path.string()), InstanceLock::Result::Unavailable) << c.why;
    EXPECT_NE(lock.error().find(c.path.string()), std::string::npos) << lock.error();
    EXPECT_FALSE(lock.held());
  }
  EXPECT_FALSE(fs::exists(root / "real" / "target"));
}

TEST_F(FileSystemTest, FoldersLockWithoutAFileInThem) {
  fs::create_directories(root / "other");
  InstanceLock first, same, other;
  ASSERT_EQ(first.acquireFolder((root / "game").string()), InstanceLock::Result::Acquired);
  EXPECT_EQ(same.acquireFolder((root / "game").string()), InstanceLock::Result::HeldElsewhere);
  EXPECT_EQ(other.acquireFolder((root / "other").string()), InstanceLock::Result::Acquired);
  EXPECT_EQ(same.acquireFolder((root / "none").string()), InstanceLock::Result::Unavailable);
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "game"), fs::directory_iterator{}), 1);
  first.release();
  EXPECT_EQ(same.acquireFolder((root / "game").string()), InstanceLock::Result::Acquired);
}

TEST(InstanceLock, DefaultPathIsPerUser) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  std::string savedValue = saved ? saved : "";
  const std::string uid = std::to_string(::geteuid());
  ::unsetenv("XDG_RUNTIME_DIR");
  std::string shared = InstanceLock::defaultPath();
  EXPECT_NE(shared.find("/KOBRE_MUTEX_OBJECT." + uid), std::string::npos) << shared;
  ::setenv("XDG_RUNTIME_DIR", "/no/such/folder", 1);
  EXPECT_EQ(InstanceLock::defaultPath(), shared);
  std::string runtime = fs::temp_directory_path().string();
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  EXPECT_EQ(InstanceLock::defaultPath(), runtime + "/KOBRE_MUTEX_OBJECT");
  if (saved)
    ::setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
  else
    ::unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace kobre::platform
