#include "media/MciStrings.h"

#include <gtest/gtest.h>

#include "media/MciErrors.h"
#include "tests/media/MediaFixture.h"

namespace kobre::testing {
namespace {

class MciStringsTest : public MediaFixture {};

TEST_F(MciStringsTest, CommandsAndTheirErrors) {
  dir.write("movie.mpg", makeMovie(4, 25));
  dir.write("song.mid", makeMidi());
  dir.write("notes.txt", std::vector<uint8_t>{'x'});
  dir.write("broken.mpg", std::vector<uint8_t>(2000, 0x47));
  dir.write("broken.mid", std::vector<uint8_t>{'M', 'T', 'h', 'd', 0, 0});
  ASSERT_EQ(mci->sendString("open movie.mpg type MPEGVideo", nullptr, false), 0u);
  ASSERT_EQ(mci->sendString("open song.mid", nullptr, false), 0u);
  struct Case {
    const char* command;
    uint32_t code;
  } cases[] = {
      {"", mci::kErrMissingCommandString},
      {"jump movie.mpg", mci::kErrUnrecognizedCommand},
      {"play nothing.mpg", mci::kErrInvalidDeviceName},
      {"play", mci::kErrMissingParameter},
      {"open missing.mpg type MPEGVideo", mci::kErrFileNotFound},
      {"open notes.txt", mci::kErrExtensionNotFound},
      {"open \"movie.mpg type MPEGVideo", mci::kErrNoClosingQuote},
      {"open movie.mpg type laserdisc", mci::kErrInvalidDeviceName},
      {"open movie.mpg type MPEGVideo", mci::kErrDeviceOpen},
      {"open broken.mpg type MPEGVideo", mci::kErrInvalidFile},
      {"open broken.mid", mci::kErrInvalidFile},
      {"window movie.mpg handle", mci::kErrMissingParameter},
      {"window movie.mpg handle x1", mci::kErrBadInteger},
      {"window movie.mpg size 3", mci::kErrUnrecognizedKeyword},
      {"put movie.mpg destination at 0 0 -5 10", mci::kErrOutOfRange},
      {"put movie.mpg destination at 0 0 800", mci::kErrMissingParameter},
      {"put song.mid destination at 0 0 800 600", mci::kErrUnsupportedFunction},
      {"play movie.mpg backwards", mci::kErrUnrecognizedKeyword},
      {"window MOVIE.MPG handle 7", 0},  // names match without case
      {"put movie.mpg destination at 0 0 800 600", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(mci->sendString(c.command, nullptr, false), c.code) << c.command;
  EXPECT_EQ(mci->openDevices(), 2u);
  EXPECT_EQ(mci->sendString("close all", nullptr, false), 0u);
  EXPECT_EQ(mci->openDevices(), 0u);
  // Every code has its own text; an unknown one a generic text.
  EXPECT_NE(mci->errorText(mci::kErrInvalidFile), mci->errorText(mci::kErrFileNotFound));
  EXPECT_EQ(mci->errorText(1), "Unknown MCI error.");
}

TEST_F(MciStringsTest, OpenRepliesWithTheDeviceId) {
  dir.write("a.mpg", makeMovie(2, 25));
  dir.write("b.mid", makeMidi());
  std::string reply;
  ASSERT_EQ(mci->sendString("open a.mpg type MPEGVideo", &reply, false), 0u);
  EXPECT_EQ(reply, "1");
  ASSERT_EQ(mci->sendString("open b.mid", &reply, false), 0u);
  EXPECT_EQ(reply, "2");
  ASSERT_EQ(mci->sendString("play b.mid", &reply, false), 0u);
  EXPECT_EQ(reply, "");
}

TEST_F(MciStringsTest, MovieFramesFollowTheClockAndTheEndNotifies) {
  // Eight frames at 25 a second: 320 ms.
  dir.write("m.mpg", makeMovie(8, 25));
  std::vector<std::pair<uint64_t, int>> shown;  // (virtual ms, colour)
  headless.host.onPresent([&](const uint32_t* px, uint64_t) {
    shown.push_back({headless.clock.now(), movieColourIndex(px[300 * 800 + 400])});
  });
  ASSERT_EQ(mci->sendString("open m.mpg type MPEGVideo", nullptr, false), 0u);
  ASSERT_EQ(mci->sendString("play m.mpg notify", nullptr, true), 0u);
  ASSERT_EQ(mci->sendString("put m.mpg destination at 0 0 800 600", nullptr, false), 0u);
  const uint64_t start = headless.clock.now();
  while (notifications == 0 && headless.clock.now() - start < 5000) pass(16);
  EXPECT_EQ(notifications, 1);
  const uint64_t took = headless.clock.now() - start;
  EXPECT_GE(took, 320u);
  EXPECT_LT(took, 350u);
  // Each frame shown once, in order, at its time.
  ASSERT_EQ(shown.size(), 8u);
  for (size_t k = 0; k < shown.size(); ++k) {
    EXPECT_EQ(shown[k].second, static_cast<int>(k % kMovieColours.size())) << k;
    EXPECT_GE(shown[k].first - start, k * 40) << k;
    EXPECT_LT(shown[k].first - start, k * 40 + 20) << k;
  }
  // A play without notify ends quietly; the movie starts again from its start.
  shown.clear();
  ASSERT_EQ(mci->sendString("play m.mpg", nullptr, true), 0u);
  pass(1000);
  EXPECT_EQ(notifications, 1);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front().second, 0);
  EXPECT_EQ(mci->sendString("close m.mpg", nullptr, false), 0u);
}

TEST_F(MciStringsTest, DestinationPlacesTheFrameOverBlack) {
  dir.write("m.mpg", makeMovie(2, 25));
  ASSERT_EQ(mci->sendString("open m.mpg type MPEGVideo", nullptr, false), 0u);
  ASSERT_EQ(mci->sendString("put m.mpg destination at 100 50 200 100", nullptr, false), 0u);
  ASSERT_EQ(mci->sendString("play m.mpg", nullptr, false), 0u);
  pass(16);
  const auto& frame = headless.host.lastFrame();
  ASSERT_EQ(frame.size(), 800u * 600u);
  auto at = [&](int x, int y) { return movieColourIndex(frame[static_cast<size_t>(y * 800 + x)]); };
  EXPECT_EQ(at(101, 51), 0);
  EXPECT_EQ(at(298, 148), 0);
  EXPECT_EQ(at(99, 51), -1);
  EXPECT_EQ(at(200, 151), -1);
  EXPECT_EQ(at(700, 500), -1);
}

TEST_F(MciStringsTest, MovieSoundPlaysAtTheMusicVolume) {
  const auto tone = writers::makeSineWave(44100, 44100, 2, 440.0);
  dir.write("m.mpg", makeMovie(25, 25, tone));
  double level[2] = {};
  for (int i = 0; i < 2; ++i) {
    musicVolume = i == 0 ? 100 : 60;  // 60: ten decibels down
    const size_t from = headless.audio.recorded().size() / 2;
    ASSERT_EQ(mci->sendString("open m.mpg type MPEGVideo", nullptr, false), 0u);
    ASSERT_EQ(mci->sendString("play m.mpg notify", nullptr, true), 0u);
    pass(1200);
    EXPECT_EQ(notifications, i + 1);
    EXPECT_EQ(mci->sendString("close m.mpg", nullptr, false), 0u);
    level[i] = rms(headless.audio.recorded(), from + 4410, 22050);
  }
  EXPECT_GT(level[0], 1000.0);
  EXPECT_NEAR(level[1] / level[0], std::pow(10.0, -0.5), 0.05);
}

TEST_F(MciStringsTest, MidiRendersIntoTheMixerAndMayBeOpenedAgain) {
  dir.write("song.mid", makeMidi(1.0));
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const size_t from = headless.audio.recorded().size() / 2;
    ASSERT_EQ(mci->sendString("open song.mid", nullptr, false), 0u);
    ASSERT_EQ(mci->sendString("play song.mid", nullptr, false), 0u);
    std::string mode;
    ASSERT_EQ(mci->sendString("status song.mid mode", &mode, false), 0u);
    EXPECT_EQ(mode, "playing");
    pass(500);
    EXPECT_GT(rms(headless.audio.recorded(), from, 22050), 200.0);
    pass(1000);
    ASSERT_EQ(mci->sendString("status song.mid mode", &mode, false), 0u);
    EXPECT_EQ(mode, "stopped");
  }
  EXPECT_EQ(mci->openDevices(), 1u);
}

}  // namespace
}  // namespace kobre::testing
