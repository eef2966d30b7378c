// Saving and loading games in slot files and merging the lasting flags into
// Save00.dat, on generated games with real sprites and sound channels.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "script/SaveFile.h"
#include "storage/SystemError.h"
#include "tests/script/SceneFixture.h"
#include "tools/writers/WavWriter.h"

namespace kobre::testing {
namespace {

// A file system over the real one whose writes of one file fail: all of them
// (the file cannot be created) or only the one that puts the bytes in place
// (a full disk, a short write).
class FailingWrites : public platform::FileSystem {
 public:
  FailingWrites(platform::FileSystem& real, std::string name, bool onlyCommit)
      : real_(real), name_(std::move(name)), onlyCommit_(onlyCommit) {}
  std::unique_ptr<platform::File> openRead(std::string_view n) override {
    return real_.openRead(n);
  }
  bool exists(std::string_view n) override { return real_.exists(n); }
  bool readAll(std::string_view n, std::vector<uint8_t>& out, uint64_t max) override {
    return real_.readAll(n, out, max);
  }
  bool writeAtomic(std::string_view n, std::span<const uint8_t> data) override {
    if (n == name_) return false;
    return real_.writeAtomic(n, data);
  }
  bool canWrite(std::string_view n) override {
    if (n == name_ && !onlyCommit_) return false;
    return real_.canWrite(n);
  }
  bool remove(std::string_view n) override { return real_.remove(n); }
  bool lastWriteTime(std::string_view n, platform::FileTime& t) override {
    return real_.lastWriteTime(n, t);
  }
  int64_t freeSpaceBytes() override { return real_.freeSpaceBytes(); }
  std::vector<std::string> opticalDrives() override { return real_.opticalDrives(); }
  std::string hostPath(std::string_view n) override { return real_.hostPath(n); }

 private:
  platform::FileSystem& real_;
  std::string name_;
  bool onlyCommit_;
};

const std::string kWindow = "window 0 20 440 760 150 30 20 30 4 frame 0 0\n";

class SaveDataTest : public SceneFixture {
 protected:
  SaveDataTest() {
    systemPictures();
    psd("frame", 760, 150, 0x80000000);
    bmp("back", 800, 600, 0x203040);
    psd("girl", 200, 300, 0xFF0000FF);
  }

  void writeMusic(const std::string& name, int seconds) {
    auto tone = writers::makeSineWave(44100 * seconds, 44100, 2, 330);
    dir.write("wav/" + name + ".wav", writers::writeVorbisWave(tone, 44100, 2, 0.1f));
  }
  void writeTone(const std::string& name, int ms) {
    auto tone = writers::makeSineWave(44100 * ms / 1000, 44100, 2, 440);
    dir.write("wav/" + name + ".wav", writers::writePcmWave(tone, 44100, 2));
  }

  // A record of script "s" with a checksum, as bytes.
  std::vector<uint8_t> record(const std::function<void(GameState&)>& fill = {}) {
    auto gs = std::make_unique<GameState>();
    gs->clear();
    std::strcpy(gs->scriptName, "s");
    if (fill) fill(*gs);
    gs->updateChecksum();
    auto b = gs->bytes();
    return std::vector<uint8_t>(b.begin(), b.end());
  }
  static void fixChecksum(std::vector<uint8_t>& bytes) {
    const uint32_t sum = gameStateChecksum(bytes);
    std::memcpy(bytes.data(), &sum, 4);
  }
  std::vector<uint8_t> globalBytes() const {
    auto b = runtime->gameState.bytes();
    return std::vector<uint8_t>(b.begin(), b.end());
  }

  std::string systemBox(int code, std::string_view message, std::string_view detail = "") {
    return formatSystemError("SaveData", code, message, detail);
  }
  // Texts of the system error boxes shown.
  std::vector<std::string> systemBoxes() const {
    std::vector<std::string> out;
    for (const auto& b : headless.host.boxes())
      if (b.spec.caption == kSystemErrorCaption) out.push_back(b.spec.text);
    return out;
  }

  // Offset of the first occurrence of text in a script file.
  int32_t offsetIn(const std::string& script, const std::string& text) {
    const auto bytes = dir.read("scr/" + script + ".scr");
    auto it = std::search(bytes.begin(), bytes.end(), text.begin(), text.end());
    return it == bytes.end() ? -1 : static_cast<int32_t>(it - bytes.begin());
  }

  SoundBuffer& bgm() { return channels->bgmChannel(); }
  SoundBuffer& se() { return channels->seChannel(); }
  SoundBuffer& voice() { return channels->voiceChannel(); }
  std::string logText(int i) const { return utf8(runtime->gameState.backlog[i].text); }
};

TEST_F(SaveDataTest, SaveWritesTheRecordWithItsChecksum) {
  runtime->gameState.variable('C') = 77;
  runtime->gameState.flags[1500] = 1;
  std::memcpy(runtime->gameState.saveComment, "x\0garbage", 9);  // bytes after the zero travel
  ASSERT_TRUE(lexer->SaveGame(7));
  const auto file = dir.read("Save07.dat");
  EXPECT_EQ(file, globalBytes());
  uint32_t stored = 0;
  std::memcpy(&stored, file.data(), 4);
  EXPECT_EQ(stored, gameStateChecksum(file));
  EXPECT_NE(stored, 0u);
  EXPECT_TRUE(headless.host.boxes().empty());
}

TEST_F(SaveDataTest, AMatchingChecksumLoadsWhateverTheStringsHold) {
  writeScript("s", "あいう\n");
  // Bytes after a terminator travel with the record.
  auto bytes = record([](GameState& gs) {
    std::memcpy(gs.scriptName, "s\0\x81\x40 after the zero", 20);
    std::memset(gs.saveComment, 0xFF, kSaveCommentSize);
    std::memset(gs.backlog, 0x81, sizeof gs.backlog);
    gs.variable('Z') = -5;
  });
  dir.write("Save02.dat", bytes);
  ASSERT_TRUE(lexer->LoadGame(2));
  EXPECT_EQ(globalBytes(), bytes);  // copied whole, checksum included
  EXPECT_STREQ(lexer->scriptPath, "scr\\s.scr");
  EXPECT_EQ(lexer->position, 1);
  EXPECT_TRUE(headless.host.boxes().empty());

  // Names without any terminator are read up to their field size only.
  bytes = record([](GameState& gs) {
    std::memset(gs.layerNames[1], 'q', kNameSize);
    std::memset(gs.bgmName, 'm', kNameSize);
    std::memset(gs.windowPicture, 'w', kNameSize);
    gs.windowWidth = 100;
    gs.windowHeight = 50;
  });
  dir.write("Save02.dat", bytes);
  ASSERT_TRUE(lexer->LoadGame(2));
  const std::string q(kNameSize - 1, 'q');
  const std::string w(kNameSize, 'w');
  std::vector<std::string> expected = {"ファイルが存在しない cg\\" + q + ".psd",
                                       "ファイルが存在しない cg\\" + w + ".psd"};
  EXPECT_EQ(errorHeads(), expected);
  EXPECT_TRUE(slot(5).isLoaded());  // the window box
  EXPECT_FALSE(slot(6).isLoaded());
  EXPECT_FALSE(bgm().isPlaying());  // no such music
}

TEST_F(SaveDataTest, DamagedOrMissingSlotFilesLoadNothing) {
  writeScript("s", "あいう\n");
  std::mt19937 random(5);
  std::vector<uint8_t> noise(kGameStateSize);
  for (auto& b : noise) b = static_cast<uint8_t>(random());
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;  // empty with missing: no file
    bool missing;
  };
  std::vector<Case> cases;
  for (size_t at : {size_t{4}, size_t{8}, size_t{176}, size_t{2620}, kGameStateSize - 1}) {
    auto b = record();
    b[at] ^= 0x01;
    cases.push_back({"a changed byte", b, false});
  }
  {
    auto b = record();
    b[0] ^= 0x80;
    cases.push_back({"a changed checksum", b, false});
  }
  {
    auto b = record();
    b.pop_back();
    cases.push_back({"one byte short", b, false});
    b.resize(100);
    cases.push_back({"truncated", b, false});
    cases.push_back({"empty", {}, false});
  }
  {
    auto b = record();
    b.push_back(0);
    cases.push_back({"one byte too many", b, false});
    b.resize(kGameStateSize * 2);
    cases.push_back({"twice as long", b, false});
  }
  cases.push_back({"random bytes", noise, false});
  for (const char* name : {"..\\s", "a\\s", "a/s", ".."}) {
    auto b = record([&](GameState& gs) { std::strcpy(gs.scriptName, name); });
    cases.push_back({"a script name outside the script folder", b, false});
  }
  cases.push_back({"no file", {}, true});

  runtime->gameState.variable('A') = 42;
  const auto before = globalBytes();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir.path("Save04.dat"));
    if (!c.missing) dir.write("Save04.dat", c.bytes);
    headless.host.clearBoxes();
    runtime->pressedButtons = kButtonOk;
    EXPECT_FALSE(lexer->LoadGame(4));
    EXPECT_EQ(runtime->pressedButtons, 0u);
    EXPECT_EQ(globalBytes(), before);
    ASSERT_EQ(systemBoxes().size(), 1u);
    EXPECT_EQ(systemBoxes()[0], c.missing
                                    ? systemBox(2911, "セーブデータがありません", "Save04.dat")
                                    : systemBox(2926, "セーブデータが壊れています"));
    EXPECT_EQ(headless.host.boxes().size(), 1u);
  }
}

TEST_F(SaveDataTest, ASlotOfAMissingScriptLeavesTheGameAsItWas) {
  dir.write("Save05.dat", record([](GameState& gs) { std::strcpy(gs.scriptName, "gone"); }));
  writeScript("s", "あいう\n");
  ASSERT_TRUE(load("s"));
  const auto before = globalBytes();
  EXPECT_FALSE(lexer->LoadGame(5));
  EXPECT_EQ(globalBytes(), before);
  EXPECT_STREQ(lexer->scriptPath, "scr\\s.scr");
  ASSERT_EQ(errorHeads().size(), 1u);
  EXPECT_EQ(errorHeads()[0], "ファイルが存在しない scr\\gone.scr");
}

TEST_F(SaveDataTest, OnlyLoopingSoundsComeBack) {
  writeMusic("once", 4);
  writeTone("rain", 2000);
  headless.host.setAutoOk(true);
  writeScript("s", kWindow + "bg1 back\nbgm2 once\nse1 rain\nあいう\n");
  ASSERT_TRUE(load("s"));
  std::strcpy(runtime->gameState.scriptName, "s");  // as `change` records it
  run();
  ASSERT_TRUE(bgm().isPlaying());
  ASSERT_TRUE(lexer->SaveGame(1));
  lexer->ReleaseAllSprites();
  lexer->ReleaseAllChannels();

  ASSERT_TRUE(lexer->LoadGame(1));
  EXPECT_FALSE(bgm().isLoaded());  // the music played once: silence
  EXPECT_TRUE(se().isPlaying());
  EXPECT_EQ(se().loadedName(), "wav\\rain.wav");
  for (int i = 0; i < 30; ++i) {  // three seconds: it loops
    headless.clock.advance(100);
    channels->pollUpdate();
  }
  EXPECT_TRUE(se().isPlaying());
  EXPECT_TRUE(slot(0).isLoaded());
  EXPECT_EQ(slot(0).name(), "cg\\back.bmp");
  EXPECT_TRUE(slot(5).isLoaded());
  EXPECT_EQ(slot(6).name(), "cg\\frame.psd");
  EXPECT_EQ(slot(6).x(), 20);
  EXPECT_EQ(slot(6).y(), 440);
}

TEST_F(SaveDataTest, AGameSavedThreeMessagesAfterAVoiceResumesAtTheVoice) {
  writeTone("v1", 300);
  headless.host.setAutoOk(true);
  writeScript("s", kWindow + "あいう\nvo v1\nかきく\nさしす\nたちつ\nなにぬ\n");
  ASSERT_TRUE(load("s"));
  std::strcpy(runtime->gameState.scriptName, "s");
  // window, the first message, vo, then three messages.
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(lexer->Step());
  ASSERT_EQ(runtime->gameState.backlogIndex, 4);
  const int32_t vo = offsetIn("s", "vo v1");
  EXPECT_EQ(runtime->gameState.resumePosition, vo);
  ASSERT_TRUE(lexer->SaveGame(3));
  voice().release();

  runtime->gameState.clear();
  ASSERT_TRUE(lexer->LoadGame(3));
  EXPECT_EQ(lexer->position, vo);
  EXPECT_EQ(lexer->lineNumber, 3);
  run();
  EXPECT_EQ(voice().loadedName(), "wav\\v1.wav");
  // The three messages after the voice are shown again, then the fourth.
  ASSERT_EQ(runtime->gameState.backlogIndex, 8);
  EXPECT_EQ(logText(4), "かきく\n");
  EXPECT_EQ(logText(5), "さしす\n");
  EXPECT_EQ(logText(6), "たちつ\n");
  EXPECT_EQ(logText(7), "なにぬ\n");
}

TEST_F(SaveDataTest, ResumePositionsOutsideTheLines) {
  writeScript("s", "A=A+1 B=B+1\nC=C+1\n");
  const int32_t size = static_cast<int32_t>(dir.read("scr/s.scr").size());
  struct Case {
    const char* name;
    int32_t resume;
    int a, b, c;  // variables after running from there
  };
  const Case cases[] = {
      {"0 starts after the format marker", 0, 1, 1, 1},
      {"a negative offset too", -40, 1, 1, 1},
      {"inside a line goes on from there", offsetIn("s", "B=B"), 0, 1, 1},
      {"the start of the second line", offsetIn("s", "C=C"), 0, 0, 1},
      {"the end ends the script", size, 0, 0, 0},
      {"past the end too", size + 1000, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    headless.host.clearBoxes();
    dir.write("Save06.dat", record([&](GameState& gs) { gs.resumePosition = c.resume; }));
    ASSERT_TRUE(lexer->LoadGame(6));
    EXPECT_GE(lexer->position, 1);
    EXPECT_LE(lexer->position, size);
    run();
    EXPECT_TRUE(endedNormally());
    EXPECT_EQ(errors().size(), 0u);
    EXPECT_EQ(var('A'), c.a);
    EXPECT_EQ(var('B'), c.b);
    EXPECT_EQ(var('C'), c.c);
  }
}

TEST_F(SaveDataTest, LastingFlagsAccumulateInSave00) {
  // Two play-throughs that unlock different pictures and flags.
  runtime->gameState.flags[1100] = 1;
  runtime->gameState.flags[1024] = 1;
  runtime->gameState.flags[10] = 1;  // not a lasting flag
  runScript("flag_update\n");
  auto first = std::make_unique<GameState>();
  ASSERT_EQ(readSaveFile(&headless.files, "Save00.dat", *first), SaveImage::Ok);

  runtime->gameState.clear();
  runtime->gameState.flags[2047] = 1;
  runtime->gameState.variable('B') = 3;
  runScript("def_cg ev01 1300\nev1 ev01\n");  // the picture unlock merges too
  auto merged = std::make_unique<GameState>();
  ASSERT_EQ(readSaveFile(&headless.files, "Save00.dat", *merged), SaveImage::Ok);
  EXPECT_EQ(merged->flags[1100], 1);
  EXPECT_EQ(merged->flags[1024], 1);
  EXPECT_EQ(merged->flags[1300], 1);
  EXPECT_EQ(merged->flags[2047], 1);
  EXPECT_EQ(merged->flags[10], 0);  // the rest is the current record's
  EXPECT_EQ(merged->variable('B'), 3);
  EXPECT_EQ(runtime->gameState.flags[1100], 0);  // the global record is not changed
  EXPECT_TRUE(systemBoxes().empty());
}

TEST_F(SaveDataTest, ADamagedSave00LosesTheOldFlagsAfterTheBox) {
  dir.write("Save00.dat", record([](GameState& gs) { gs.flags[1100] = 1; }));
  auto bytes = dir.read("Save00.dat");
  bytes[176 + 1100] = 2;  // without fixing the checksum
  dir.write("Save00.dat", bytes);
  runtime->gameState.flags[1200] = 1;
  EXPECT_TRUE(lexer->UpdateGlobalFlags());
  ASSERT_EQ(systemBoxes().size(), 1u);
  EXPECT_EQ(systemBoxes()[0], systemBox(4412, "セーブデータが壊れています", "Save00.dat"));
  auto merged = std::make_unique<GameState>();
  ASSERT_EQ(readSaveFile(&headless.files, "Save00.dat", *merged), SaveImage::Ok);
  EXPECT_EQ(merged->flags[1100], 0);
  EXPECT_EQ(merged->flags[1200], 1);
  // The damaged file was not kept as the backup.
  EXPECT_FALSE(std::filesystem::exists(dir.path("Save00.dat.bak")));
}

TEST_F(SaveDataTest, AFailedWriteKeepsThePreviousSave) {
  struct Case {
    const char* name;
    bool onlyCommit;
  };
  const Case cases[] = {{"the file cannot be created", false},
                        {"the bytes never reach the disk", true}};
  runtime->gameState.variable('A') = 1;
  ASSERT_TRUE(lexer->SaveGame(8));
  const auto good = dir.read("Save08.dat");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FailingWrites failing(headless.files, "Save08.dat", c.onlyCommit);
    platform::Platform p = headless.platform();
    p.files = &failing;
    runtime->setPlatform(p);
    headless.host.clearBoxes();
    runtime->gameState.variable('A') = 2;
    runtime->pressedButtons = kButtonOk;
    EXPECT_FALSE(lexer->SaveGame(8));
    ASSERT_EQ(systemBoxes().size(), 1u);
    EXPECT_EQ(systemBoxes()[0], systemBox(2877, "セーブできませんでした"));
    EXPECT_EQ(runtime->pressedButtons, 0u);
    EXPECT_EQ(dir.read("Save08.dat"), good);
    runtime->setPlatform(headless.platform());
  }
}

TEST_F(SaveDataTest, ThePreviousGoodSaveIsKeptAsBackup) {
  runtime->gameState.variable('A') = 1;
  ASSERT_TRUE(lexer->SaveGame(9));
  const auto first = dir.read("Save09.dat");
  EXPECT_FALSE(std::filesystem::exists(dir.path("Save09.dat.bak")));
  runtime->gameState.variable('A') = 2;
  ASSERT_TRUE(lexer->SaveGame(9));
  EXPECT_EQ(dir.read("Save09.dat.bak"), first);
  EXPECT_EQ(dir.read("Save09.dat"), globalBytes());

  // A damaged slot file is reported on load and never pushes out the backup.
  auto damaged = dir.read("Save09.dat");
  damaged[100] ^= 1;
  dir.write("Save09.dat", damaged);
  EXPECT_FALSE(lexer->LoadGame(9));
  runtime->gameState.variable('A') = 3;
  ASSERT_TRUE(lexer->SaveGame(9));
  EXPECT_EQ(dir.read("Save09.dat.bak"), first);
}

TEST_F(SaveDataTest, AProcessKilledWhileSavingLeavesAWholeSave) {
  // A child saves two different records in turn as fast as it can; killed
  // at any moment, the slot file holds one of them whole.
  auto a = record([](GameState& gs) { gs.variable('A') = 1; });
  auto b = record([](GameState& gs) {
    gs.variable('A') = 2;
    std::memset(gs.backlog, 'x', sizeof gs.backlog);
  });
  dir.write("Save10.dat", a);
  for (int round = 0; round < 5; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      platform::PosixFileSystem files(dir.str(), dir.str() + "/.data");
      auto gs = std::make_unique<GameState>();
      for (int i = 0;; ++i) {
        const auto& image = i % 2 == 0 ? b : a;
        std::memcpy(static_cast<void*>(gs.get()), image.data(), kGameStateSize);
        writeSaveFile(&files, "Save10.dat", *gs);
      }
    }
    usleep(static_cast<useconds_t>(3000 + round * 4000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const auto now = dir.read("Save10.dat");
    EXPECT_TRUE(now == a || now == b) << "round " << round;
  }
  const auto bak = dir.read("Save10.dat.bak");
  EXPECT_TRUE(bak == a || bak == b);
}

}  // namespace
}  // namespace kobre::testing
