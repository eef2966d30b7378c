// Movies and MIDI in whole headless runs: the music under a message in
// --audio-out, and the demo's movie in a --screenshot.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/HeadlessRunner.h"
#include "media/MovieDecoder.h"
#include "tests/storage/TempFolder.h"
#include "tools/writers/ArchiveWriter.h"
#include "tools/writers/BmpWriter.h"
#include "tools/writers/MidiWriter.h"
#include "tools/writers/ScriptWriter.h"
// Qt after the engine's headers (its keyword macros).
#include <QImage>
#include <QString>

namespace kobre::app {
namespace {

using kobre::testing::TempFolder;

std::vector<uint8_t> readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int runHeadless(HeadlessOptions options, std::string& out) {
  std::ostringstream o, e;
  HeadlessRunner runner(std::move(options), o, e);
  const int code = runner.run();
  out = o.str() + e.str();
  return code;
}

TEST(HeadlessMedia, MidiPlaysUnderTheTextThatFollowsIt) {
  TempFolder dir;
  std::vector<uint8_t> script;
  ASSERT_TRUE(writers::ScriptWriter().build(
      "window 0 20 440 760 150 30 20 30 4 frame 0 0\nmidi song\nこんにちは\n", {}, script));
  writers::ArchiveWriter scripts, images, sounds;
  scripts.add("open.scr", script);
  images.add("dummy.bmp", std::string_view("x"));
  sounds.add("dummy.wav", std::string_view("x"));
  ASSERT_TRUE(scripts.writeFile(dir.str() + "/arc.scr", true));
  ASSERT_TRUE(images.writeFile(dir.str() + "/arc.cg", true));
  ASSERT_TRUE(sounds.writeFile(dir.str() + "/arc.wav", false));
  dir.write("cg/frame.bmp",
            writers::writeBmp24(760, 150, std::vector<uint32_t>(760 * 150, 0x202040)));
  std::vector<writers::MidiNote> notes;
  for (int i = 0; i < 16; ++i)
    notes.push_back(
        {static_cast<uint32_t>(i * 480), 460, static_cast<uint8_t>(60 + i % 8), 110, 0});
  dir.write("song.mid", writers::writeMidiFile(notes, 120, 0));

  HeadlessOptions o;
  o.gameFolder = dir.str();
  o.maxPolls = 200;  // nobody clicks: the message waits
  o.audioOut = dir.str() + "/out.wav";
  o.spriteDumps.push_back(Screenshot{dir.str() + "/sprites.txt", 150, false});
  std::string out;
  EXPECT_EQ(runHeadless(o, out), 3) << out;
  EXPECT_EQ(out.find("スクリプトエラー"), std::string::npos) << out;
  const std::vector<uint8_t> dump = readFile(dir.path("sprites.txt"));
  const std::string sprites(dump.begin(), dump.end());
  EXPECT_NE(sprites.find("7\ttext\tこんにちは"), std::string::npos) << sprites;
  // The music is heard while the message waits (from half a second on).
  const std::vector<uint8_t> wav = readFile(dir.path("out.wav"));
  ASSERT_GT(wav.size(), 44u + 4u * 66150u);
  double sum = 0;
  const size_t from = 22050, count = 44100;
  for (size_t f = from; f < from + count; ++f) {
    const auto left = static_cast<int16_t>(wav[44 + f * 4] | wav[45 + f * 4] << 8);
    sum += double(left) * left;
  }
  EXPECT_GT(std::sqrt(sum / count), 200.0);
}

// The mean difference per channel between a screenshot and the closest
// frame of a movie scaled to the window.
double distanceToMovie(const QImage& shot, const std::vector<uint8_t>& movieBytes) {
  MovieDecoder movie;
  if (!movie.open(movieBytes)) return 1e9;
  std::vector<uint32_t> frame(800 * 600);
  double best = 1e9;
  while (movie.nextFrame()) {
    if (!movie.convert(frame.data(), 800, 800, 600)) break;
    double sum = 0;
    for (int y = 0; y < 600; y += 4)
      for (int x = 0; x < 800; x += 4) {
        const uint32_t a = shot.pixel(x, y), b = frame[static_cast<size_t>(y * 800 + x)];
        for (int s : {0, 8, 16})
          sum += std::abs(static_cast<int>((a >> s) & 255) - static_cast<int>((b >> s) & 255));
      }
    best = std::min(best, sum / (200.0 * 150.0 * 3.0));
  }
  return best;
}

TEST(HeadlessMedia, AScreenshotDuringTheDemosMovieShowsTheMovie) {
  if (!std::filesystem::exists(std::filesystem::path(KOBRE_DEMO_DIR) / "arc.scr"))
    GTEST_SKIP() << "the demo game is not built";
  TempFolder copy;
  std::filesystem::copy(KOBRE_DEMO_DIR, copy.path("game"),
                        std::filesystem::copy_options::recursive);
  // The game select, the title's new game and the first route; then no
  // input, so the movie that opens the story plays to its end.
  copy.write("input.txt", std::string("60 - 150,450\n70 Ok\n71 -\n200 Ok\n201 -\n330 Ok\n331 -\n"));
  HeadlessOptions o;
  o.gameFolder = copy.str() + "/game";
  o.inputFile = copy.str() + "/input.txt";
  o.maxPolls = 420;
  o.screenshots.push_back(Screenshot{copy.str() + "/movie.png", 400, false});
  std::string out;
  const int code = runHeadless(o, out);
  EXPECT_TRUE(code == 0 || code == 3) << out;
  EXPECT_EQ(out.find("スクリプトエラー"), std::string::npos) << out;
  QImage shot(QString::fromStdString(copy.str() + "/movie.png"), "PNG");
  ASSERT_FALSE(shot.isNull());
  const double d = distanceToMovie(shot, readFile(copy.path("game/mov/opening.mpg")));
  EXPECT_LT(d, 4.0);
}

}  // namespace
}  // namespace kobre::app
