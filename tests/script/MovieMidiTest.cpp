// The movie and midi commands on the headless platform with the real sound
// device and command-string service: waits in virtual time, the player's
// click, the end notification, and the error boxes.
#include <gtest/gtest.h>

#include "media/MciErrors.h"
#include "script/RuntimeObjects.h"
#include "tests/media/MediaFixture.h"
#include "tests/script/ScriptFixture.h"

namespace kobre::testing {
namespace {

class MovieMidiTest : public ScriptFixture {
 protected:
  MovieMidiTest() : objects(*runtime) {
    EXPECT_TRUE(objects.createSoundDevice());
    headless.audio.setRecording(true);
  }
  ~MovieMidiTest() override { objects.releaseSoundDevice(); }

  std::string mciBox(int code, uint32_t error) {
    return std::string("ＭＣＩエラー \nScript (") + std::to_string(code) + ")\n" +
           runtime->mci->errorText(error);
  }

  RuntimeObjects objects;
};

TEST_F(MovieMidiTest, AClickEndsTheMovieAndClosesTheDevice) {
  dir.write("m.mpg", makeMovie(50, 25));  // two seconds
  std::vector<int> colours;
  headless.host.onPresent([&](const uint32_t* px, uint64_t) {
    colours.push_back(movieColourIndex(px[300 * 800 + 400]));
  });
  platform::headless::InputStep click;
  click.poll = 10;
  click.mouseLeft = true;
  platform::headless::InputStep release;
  release.poll = 11;
  headless.host.setInput({click, release});
  runScript("movie m\nA=1\n");
  EXPECT_EQ(var('A'), 1);
  EXPECT_TRUE(errors().empty()) << errors()[0];
  EXPECT_EQ(runtime->mci->sendString("status m.mpg mode", nullptr, false),
            mci::kErrInvalidDeviceName);  // closed
  EXPECT_EQ(objects.mci()->openDevices(), 0u);
  EXPECT_LT(headless.clock.now(), 400u);  // ten polls of 16 ms, not two seconds
  EXPECT_FALSE(runtime->moviePlaying);
  ASSERT_FALSE(colours.empty());
  EXPECT_EQ(colours.front(), 0);  // the movie's first frame was shown
  // Screen copy and save stay off until the frame loop turns them on again.
  EXPECT_FALSE(headless.host.menu("MnDispCopy").enabled);
  EXPECT_FALSE(headless.host.menu("MnDispSave").enabled);
}

TEST_F(MovieMidiTest, AMovieThatEndsByItselfEndsTheWaitThroughTheNotification) {
  dir.write("m.mpg", makeMovie(25, 25));  // one second
  bool playingSeen = false;
  headless.host.onPump([&] { playingSeen = playingSeen || runtime->moviePlaying; });
  runScript("movie m\nA=1\n");
  EXPECT_EQ(var('A'), 1);
  EXPECT_TRUE(errors().empty());
  EXPECT_TRUE(playingSeen);
  EXPECT_FALSE(runtime->moviePlaying);
  EXPECT_TRUE(runtime->mciNotified);
  EXPECT_GE(headless.clock.now(), 1000u);
  EXPECT_LT(headless.clock.now(), 1100u);
  EXPECT_EQ(objects.mci()->openDevices(), 0u);
}

TEST_F(MovieMidiTest, MissingFilesAreReportedAndTheScriptGoesOn) {
  for (const char* command : {"movie", "midi"}) {
    SCOPED_TRACE(command);
    headless.host.clearBoxes();
    runtime->gameState.variables[0] = 0;
    runScript(std::string(command) + " nothing\nA=1\n");
    EXPECT_EQ(var('A'), 1);
    const std::string ext = std::string(command) == "movie" ? ".mpg" : ".mid";
    EXPECT_EQ(errorHeads(), std::vector<std::string>{"ファイルが存在しない nothing" + ext});
  }
}

TEST_F(MovieMidiTest, ABrokenOrCutMovieGivesTheBoxAndTheScriptGoesOn) {
  const std::vector<uint8_t> movie = makeMovie(10, 25);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"noise", std::vector<uint8_t>(4000, 0x5A)},
      {"cut before its first picture", std::vector<uint8_t>(movie.begin(), movie.begin() + 60)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    headless.host.clearBoxes();
    runtime->gameState.variables[0] = 0;
    dir.write("bad.mpg", c.bytes);
    runScript("movie bad\nA=1\n");
    EXPECT_EQ(var('A'), 1);
    EXPECT_EQ(errors(), std::vector<std::string>{mciBox(4074, mci::kErrInvalidFile)});
    EXPECT_FALSE(runtime->moviePlaying);
  }
}

TEST_F(MovieMidiTest, ABrokenMidiFileStopsTheScriptAfterItsBox) {
  std::vector<uint8_t> midi = makeMidi();
  midi.resize(midi.size() / 2);
  dir.write("bad.mid", midi);
  runScript("midi bad\nA=1\n");
  EXPECT_EQ(var('A'), 0);
  ASSERT_FALSE(boxTexts().empty());
  EXPECT_EQ(boxTexts()[0], mciBox(4159, mci::kErrInvalidFile));
  EXPECT_FALSE(endedNormally());
}

TEST_F(MovieMidiTest, MidiPlaysOnWhileTheScriptGoesOn) {
  dir.write("song.mid", makeMidi(2.0));
  runScript("midi song\nwait 1\nA=1\n");
  EXPECT_EQ(var('A'), 1);
  EXPECT_TRUE(errors().empty());
  EXPECT_GT(rms(headless.audio.recorded(), 0, 44100), 200.0);
  // Opened once, never closed by the script.
  EXPECT_EQ(objects.mci()->openDevices(), 1u);
}

}  // namespace
}  // namespace kobre::testing
