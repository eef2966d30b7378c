// The audio commands on real sound channels over the headless audio sink.
#include <gtest/gtest.h>

#include "common/Buttons.h"
#include "sound/SoundBuffer.h"
#include "sound/SoundDevice.h"
#include "tests/script/ScriptFixture.h"
#include "tools/writers/WavWriter.h"

namespace kobre {
namespace {

class AudioCommandsTest : public testing::ScriptFixture {
 protected:
  AudioCommandsTest() : device(&headless.audio) {
    device.setFileSystem(&headless.files);
    device.setArchive(&runtime->soundArchive);
    EXPECT_TRUE(device.create(&headless.host, kDsSclPriority, 2, 44100, 16));
    channels.attach(&device);
    runtime->soundChannels = &channels;
    lexer->state = &runtime->gameState;
  }
  ~AudioCommandsTest() override { channels.detach(); }

  void writeTone(const std::string& name, int ms) {
    auto tone = writers::makeSineWave(44100 * ms / 1000, 44100, 2, 440);
    dir.write("wav/" + name + ".wav", writers::writePcmWave(tone, 44100, 2));
  }
  void writeMusic(const std::string& name, int seconds) {
    auto tone = writers::makeSineWave(44100 * seconds, 44100, 2, 330);
    dir.write("wav/" + name + ".wav", writers::writeVorbisWave(tone, 44100, 2, 0.1f));
  }
  SoundBuffer& bgm() { return channels.bgmChannel(); }
  SoundBuffer& se() { return channels.seChannel(); }
  SoundBuffer& voice() { return channels.voiceChannel(); }
  std::string name(const char* field) { return std::string(field); }

  SoundDevice device;
  SoundChannels channels;
};

TEST_F(AudioCommandsTest, MusicFormsAndTheRecordedName) {
  writeMusic("theme", 4);
  runScript("bgm1 theme\n");
  EXPECT_TRUE(errors().empty());
  EXPECT_TRUE(bgm().isPlaying());
  EXPECT_EQ(bgm().loadedName(), "wav\\theme.wav");
  EXPECT_EQ(name(runtime->gameState.bgmName), "theme");
  headless.clock.advance(1000);
  uint64_t at = bgm().playPosition();
  // The same name again keeps the music running where it is.
  runScript("bgm theme LOOP\n");
  EXPECT_TRUE(bgm().isPlaying());
  EXPECT_EQ(bgm().playPosition(), at);
  // Played once: nothing to resume.
  runScript("bgm2 theme\n");
  EXPECT_EQ(name(runtime->gameState.bgmName), "");
  runScript("bgm_stop\n");
  EXPECT_FALSE(bgm().isLoaded());
}

TEST_F(AudioCommandsTest, MusicFadeOutAndBadMode) {
  writeMusic("theme", 3);
  runtime->settings.volumeBgm = 100;
  runScript("bgm1 theme\nbgm_fo\n");
  EXPECT_EQ(name(runtime->gameState.bgmName), "");
  EXPECT_EQ(bgm().fadeLevel(), 100);
  EXPECT_EQ(bgm().fadeStep(), -5);
  for (int i = 0; i < 20; ++i) channels.pollUpdate();
  EXPECT_FALSE(bgm().isLoaded());
  // A bad mode word: reported, channel unchanged, but the name already
  // updated (to empty, as the mode is not LOOP).
  runScript("bgm1 theme\nbgm theme LOUD\n");
  ASSERT_EQ(errorHeads().size(), 1u);
  EXPECT_EQ(errorHeads()[0].rfind("パラメータが不正", 0), 0u) << errorHeads()[0];
  EXPECT_TRUE(bgm().isPlaying());
  EXPECT_EQ(name(runtime->gameState.bgmName), "");
}

TEST_F(AudioCommandsTest, EffectsAndSeWait) {
  writeTone("pon", 300);
  // Nothing plays: se_wait returns at once.
  uint64_t before = headless.clock.now();
  runScript("se_wait\n");
  EXPECT_EQ(headless.clock.now(), before);
  runScript("se1 pon\n");
  EXPECT_TRUE(se().isPlaying());
  EXPECT_EQ(name(runtime->gameState.seName), "pon");
  runScript("se2 pon\nse_wait\n");
  EXPECT_FALSE(se().isPlaying());
  EXPECT_EQ(name(runtime->gameState.seName), "");
  // A missing effect is simply not played.
  runScript("se2 nothing\n");
  EXPECT_TRUE(errors().empty());
  EXPECT_FALSE(se().isLoaded());
}

TEST_F(AudioCommandsTest, SeWaitGoesThroughTheCommonWaitStep) {
  writeTone("long", 400);
  struct Case {
    const char* name;
    bool Runtime::*request;
    bool stillPlaying;  // the wait ended before the effect did
    bool requestAfter;
  } cases[] = {
      {"return to title ends the wait and is consumed", &Runtime::returnToTitle, true, false},
      {"a font change is applied and cleared", &Runtime::fontChanged, false, false},
      {"a recollection exit is left for its own waits", &Runtime::returnToMenu, false, true},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(lexer->Effect(1, "long", "LOOP_NONE"));
    ASSERT_TRUE(se().isPlaying()) << c.name;
    runtime.get()->*c.request = true;
    EXPECT_EQ(lexer->SeWait(), Flow::Next) << c.name;
    EXPECT_EQ(se().isPlaying(), c.stillPlaying) << c.name;
    EXPECT_EQ(runtime.get()->*c.request, c.requestAfter) << c.name;
    runtime.get()->*c.request = false;
    se().release();
  }
}

TEST_F(AudioCommandsTest, VoicePanFollowsTheSpeaker) {
  writeTone("miA001", 100);
  writeTone("KAb002", 100);
  writeTone("zz003", 100);
  GameState& gs = runtime->gameState;
  std::strcpy(gs.layerNames[1], "mi_left");
  gs.layerX[1] = -200;
  std::strcpy(gs.layerNames[2], "ka_right");
  gs.layerX[2] = 200;
  struct Case {
    const char* voice;
    int32_t pan;
  } cases[] = {{"miA001", -1000}, {"KAb002", 1000}, {"zz003", 0}};
  for (const Case& c : cases) {
    ASSERT_TRUE(lexer->Voice(true, true, 0, c.voice, 5));
    EXPECT_TRUE(voice().isPlaying()) << c.voice;
    EXPECT_EQ(voice().devicePan(), c.pan) << c.voice;
  }
  // One character in the middle (x 0) gives pan 0; vol/vor pan as given.
  gs.layerX[1] = 0;
  ASSERT_TRUE(lexer->Voice(true, true, 0, "miA001", 5));
  EXPECT_EQ(voice().devicePan(), 0);
  ASSERT_TRUE(lexer->Voice(true, false, -10, "zz003", 5));
  EXPECT_EQ(voice().devicePan(), -1000);
}

TEST_F(AudioCommandsTest, VoiceRecordsAndControlSuppresses) {
  writeTone("v1", 100);
  GameState& gs = runtime->gameState;
  runtime->heldButtons = kButtonControl;
  ASSERT_TRUE(lexer->Voice(true, true, 0, "v1", 42));
  EXPECT_EQ(name(gs.voiceName), "v1");
  EXPECT_EQ(gs.resumePosition, 42);
  EXPECT_FALSE(voice().isLoaded());
  runtime->heldButtons = 0;
  // vo2 plays but does not move the resume point.
  ASSERT_TRUE(lexer->Voice(false, true, 0, "v1", 99));
  EXPECT_EQ(gs.resumePosition, 42);
  EXPECT_TRUE(voice().isPlaying());
  // Skip mode with the skip-voice setting, or voice volume 0: not played.
  runtime->skipMode = true;
  runtime->settings.skipVoice = true;
  ASSERT_TRUE(lexer->Voice(true, true, 0, "v1", 7));
  EXPECT_FALSE(voice().isPlaying());
  runtime->skipMode = false;
  runtime->settings.volumeVoice = 0;
  ASSERT_TRUE(lexer->Voice(true, true, 0, "v1", 7));
  EXPECT_FALSE(voice().isPlaying());
  // An empty name is recorded too.
  ASSERT_TRUE(lexer->Voice(true, true, 0, "", 8));
  EXPECT_EQ(name(gs.voiceName), "");
  EXPECT_EQ(gs.resumePosition, 8);
}

TEST_F(AudioCommandsTest, VoiceCommandMarksTheCommandWord) {
  writeTone("v1", 100);
  runScript("A=1\nvo v1\n");
  EXPECT_TRUE(errors().empty());
  EXPECT_EQ(name(runtime->gameState.voiceName), "v1");
  // "A=1\r\n" is 5 bytes after the marker byte; the word starts right after.
  EXPECT_GT(runtime->gameState.resumePosition, 0);
  EXPECT_EQ(lexer->source[static_cast<size_t>(runtime->gameState.resumePosition)], 'v');
}

}  // namespace
}  // namespace kobre
