// The extras data file: what a good file gives, the defaults without one,
// and the line and reason of each kind of fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screens/ExtrasData.h"

namespace kobre::testing {
namespace {

using extras::ExtrasData;
using extras::ExtrasError;

bool parse(const std::string& text, ExtrasData& data, ExtrasError& error) {
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  return extras::parseExtras(std::span<const uint8_t>(p, text.size()), data, error);
}

TEST(ExtrasDataTest, DefaultsFillBothGalleriesAndTheMusicButNameNoScene) {
  const ExtrasData d = extras::defaultExtras();
  EXPECT_EQ(d.games[0].galleryFirstFlag, 1201);
  EXPECT_EQ(d.games[0].galleryPageSizes, (std::vector<int>{20, 20, 13}));
  EXPECT_EQ(d.games[1].galleryFirstFlag, 1401);
  EXPECT_EQ(d.games[1].galleryPageSizes, (std::vector<int>{20, 20, 20, 20, 10}));
  ASSERT_EQ(d.games[0].tracks.size(), 10u);
  EXPECT_EQ(d.games[0].tracks[9], "ki_10");
  ASSERT_EQ(d.games[1].tracks.size(), 11u);
  EXPECT_EQ(d.games[1].tracks[0], "sd_01");
  EXPECT_TRUE(d.games[0].scenePages.empty());
  EXPECT_TRUE(d.games[1].scenePages.empty());
}

TEST(ExtrasDataTest, AGoodFileReplacesOnlyTheTablesItNames) {
  const std::string text =
      "# the demo's tables\r\n"
      "game 0\r\n"
      "  scene 0 1132 t_01_03   \r\n"
      "scene 2\t1156 r_01_04\r\n"
      "scene 0 1133 t_01_04\r\n"
      "; a comment\r\n"
      "track ki_05\r\n"
      "game 1\n"
      "gallery 1500 4 0 7\n";
  ExtrasData d;
  ExtrasError e;
  ASSERT_TRUE(parse(text, d, e)) << e.line << ": " << e.message;
  const auto& g0 = d.games[0];
  ASSERT_EQ(g0.scenePages.size(), 3u);
  ASSERT_EQ(g0.scenePages[0].size(), 2u);
  EXPECT_EQ(g0.scenePages[0][0].flag, 1132);
  EXPECT_EQ(g0.scenePages[0][0].script, "t_01_03");
  EXPECT_EQ(g0.scenePages[0][1].script, "t_01_04");
  EXPECT_TRUE(g0.scenePages[1].empty());
  ASSERT_EQ(g0.scenePages[2].size(), 1u);
  EXPECT_EQ(g0.scenePages[2][0].flag, 1156);
  EXPECT_EQ(g0.tracks, (std::vector<std::string>{"ki_05"}));
  EXPECT_EQ(g0.galleryPageSizes, (std::vector<int>{20, 20, 13}));  // not named: default
  const auto& g1 = d.games[1];
  EXPECT_EQ(g1.galleryFirstFlag, 1500);
  EXPECT_EQ(g1.galleryPageSizes, (std::vector<int>{4, 0, 7}));
  EXPECT_EQ(g1.tracks.size(), 11u);
}

TEST(ExtrasDataTest, EachFaultNamesItsLineAndWhatIsWrong) {
  std::string twentyOne = "game 0\n";
  for (int i = 0; i < 21; ++i) twentyOne += "scene 1 " + std::to_string(1132 + i) + " s\n";
  std::string twelve = "game 1\n";
  for (int i = 0; i < 12; ++i) twelve += "track sd_01\n";
  struct Case {
    std::string text;
    int line;
    const char* message;  // a part of the message
  };
  const std::vector<Case> cases = {
      {"gallery 1201 20\n", 1, "'gallery' comes before any 'game' line"},
      {"game 0\n\nmusic ki_01\n", 3, "unknown word 'music'"},
      {"game 2\n", 1, "'game' takes one number, 0 or 1"},
      {"game 0 1\n", 1, "'game' takes one number"},
      {"game 1\ngame 0\ngame 1\n", 3, "game 1 has a section already"},
      {"game 0\ngallery 1201 20 20 20 20\n", 2, "1 to 3 page sizes"},
      {"game 0\ngallery 1201\n", 2, "1 to 3 page sizes"},
      {"game 1\ngallery 1201 20 20 20 20 20 1\n", 2, "1 to 5 page sizes"},
      {"game 0\ngallery 12x1 20\n", 2, "the first flag '12x1'"},
      {"game 0\ngallery 1201 21\n", 2, "the page size '21'"},
      {"game 0\ngallery 2040 5 3\n", 2, "pass F2047"},
      {"game 0\ngallery 1201 20\ngallery 1201 20\n", 3, "a second 'gallery' line"},
      {"game 0\nscene 3 1132 t_01\n", 2, "the page '3'"},
      {"game 0\nscene 0 2048 t_01\n", 2, "the flag '2048'"},
      {"game 0\nscene 0 -1 t_01\n", 2, "the flag '-1'"},
      {"game 0\nscene 0 1132 ..\\open\n", 2, "the script name '..\\open'"},
      {"game 0\nscene 0 1132 ..\n", 2, "the script name '..'"},
      {"game 0\nscene 0 1132\n", 2, "'scene' takes a page, a flag and a script name"},
      {twentyOne, 22, "more than 20 scenes"},
      {"game 0\ntrack ki 01\n", 2, "'track' takes one music name"},
      {"game 0\ntrack wav/ki_01\n", 2, "the music name 'wav/ki_01'"},
      {twelve, 13, "more than 11 tracks"},
      {std::string("game 0\ntrack ki\0_01\n", 20), 2, "a zero byte"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ExtrasData d;
    ExtrasError e;
    EXPECT_FALSE(parse(c.text, d, e));
    EXPECT_EQ(e.line, c.line);
    EXPECT_NE(e.message.find(c.message), std::string::npos) << e.message;
    // A refused file leaves the defaults, not half of its tables.
    EXPECT_TRUE(d.games[0].scenePages.empty());
    EXPECT_EQ(d.games[1].tracks.size(), 11u);
  }
}

TEST(ExtrasDataTest, TheLineTextOfAFaultIsGivenWithoutItsLineEnd) {
  ExtrasData d;
  ExtrasError e;
  EXPECT_FALSE(parse("game 0\r\nscene 0 9999 x\r\n", d, e));
  EXPECT_EQ(e.line, 2);
  EXPECT_EQ(e.lineText, "scene 0 9999 x");
}

}  // namespace
}  // namespace kobre::testing
