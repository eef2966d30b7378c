// The extras on a generated game: the gallery's pages and full view, the
// recollection's pages, scenes and the special scene of game 0, the music
// room's tracks, and the extras data file's faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "screens/Extras.h"
#include "script/SaveFile.h"
#include "tests/script/SceneFixture.h"
#include "tools/writers/WavWriter.h"

namespace kobre::testing {
namespace {

// One press (or mouse move) once the screen whose background (slot 40) is
// `screen` has been up long enough for its fade to end; "" is a scene of the
// recollection (slot 40 empty).
struct Action {
  std::string screen;
  uint32_t buttons = 0;
  int x = -1, y = -1;
  int wait = 40;  // polls the screen must have been up
};

constexpr int kSettlePolls = 40;
constexpr int kScenePolls = 400;  // long enough for a scene's fades and typing

class ExtrasTest : public SceneFixture {
 protected:
  ExtrasTest() {
    systemPictures();
    psd("_MsgWaku", 710, 150, 0x80000000);
    for (const char* d : {"1", "2"}) {
      const std::string n = d;
      bmp("_OmBack" + n, 800, 600, 0x101830);
      layered("_Mn5AnivAnime" + n, 340, 54, 2);
      layered("_OmAnime" + n, 297, 257, 2);
      for (const char* b : {"_OmCg", "_OmKaisou", "_OmMusic", "_OmRet"})
        layered(b + n, 116, 44, 16);
      for (const char* b : {"_CgPage", "_CgPageSel"}) layered(b + n, 130, 44, 5);
      for (const char* b : {"_CgKaisou", "_CgMusic", "_CgMenu", "_KsMusic", "_KsCg", "_KsMenu",
                            "_MuCg", "_MuKaisou", "_MuStop", "_MuMenu"})
        layered(b + n, 160, 40, 2);
      for (const char* b : {"_KsPage1", "_KsPage2", "_KsName1", "_KsName2"})
        layered(b + n, 140, 30, 1);
      for (const char* b : {"_MuName", "_MuSel", "_MuPlay"}) layered(b + n, 420, 60, 11);
      bmp("_MuBack" + n, 800, 600, 0x202020);
      for (int p = 1; p <= 5; ++p) layered("_Cg" + std::to_string(p) + n, 760, 520, 2);
      for (int p = 1; p <= 3; ++p) {
        layered("_Ks" + std::to_string(p) + n, 760, 520, 2);
        bmp("_KsBack" + std::to_string(p) + n, 800, 600, 0x303040);
      }
    }
    for (const char* b : {"_CgBack11", "_CgBack31", "_CgBack12", "_CgBack52"})
      bmp(b, 800, 600, 0x405060);
    bmp("ev_a", 800, 600, 0xC08040);
    for (const char* m : {"ki_01", "ki_03", "sd_01"}) {
      auto tone = writers::makeSineWave(44100, 8820, 2, 330);
      dir.write(std::string("wav/") + m + ".wav", writers::writeVorbisWave(tone, 44100, 2, 0.1f));
    }
    runtime->frame.pollInput = [this] { return scriptedPoll(); };
    GameState& gs = runtime->gameState;
    gs.windowX = 20;
    gs.windowY = 440;
    gs.windowWidth = 710;
    gs.windowHeight = 150;
    gs.textX = 25;
    gs.textY = 20;
    gs.textColumns = 29;
    gs.textRows = 4;
    std::strcpy(gs.windowPicture, "_MsgWaku");
  }

  // A PSD whose layers (frames) are each opaque in their own shade.
  void layered(const std::string& name, int w, int h, int frames) {
    writers::PsdDocument doc;
    doc.width = static_cast<uint32_t>(w);
    doc.height = static_cast<uint32_t>(h);
    for (int f = 0; f < frames; ++f) {
      const uint32_t argb = 0xFF102030u + static_cast<uint32_t>(f) * 0x080808u;
      doc.layers.push_back(writers::makePsdLayer(0, 0, w, h, [&](int, int) { return argb; }));
    }
    dir.write("cg/" + name + ".psd", writers::writePsd(doc));
  }

  bool scriptedPoll() {
    if (!poll()) return false;
    if (--pollsLeft == 0) {
      ADD_FAILURE() << "the screen did not react";
      runtime->closing = true;
    }
    runtime->cursorX = mouseX;
    runtime->cursorY = mouseY;
    runtime->heldButtons = runtime->pressedButtons = 0;
    if (actions.empty()) {
      if (++idle > kSettlePolls) runtime->closing = true;
      return true;
    }
    const Action& a = actions.front();
    settled = slot(40).name() == a.screen ? settled + 1 : 0;
    if (settled < a.wait) return true;
    if (a.x >= 0) {
      mouseX = runtime->cursorX = a.x;
      mouseY = runtime->cursorY = a.y;
    }
    runtime->heldButtons = runtime->pressedButtons = a.buttons;
    actions.pop_front();
    settled = 0;
    if (onAction) onAction(actions.size());
    return true;
  }

  void writeData(const std::string& text) { dir.write("scr/extras.txt", text); }

  void writeSave00(const GameState& gs) {
    auto copy = std::make_unique<GameState>(gs);
    copy->updateChecksum();
    auto b = copy->bytes();
    dir.write("Save00.dat", std::vector<uint8_t>(b.begin(), b.end()));
  }

  // Runs one screen with the actions given; the data file is read as the
  // extras menu reads it.
  int run(int (Lexer::*screen)()) {
    runtime->extrasData =
        std::make_shared<const extras::ExtrasData>(extras::readExtrasData(*lexer));
    settled = idle = 0;
    pollsLeft = 30000;
    mouseX = mouseY = runtime->cursorX = runtime->cursorY = 0;
    return ((*lexer).*screen)();
  }

  // Thumbnail slots shown, as entry numbers.
  std::vector<int> thumbsShown(int firstSlot) {
    std::vector<int> shown;
    for (int i = 0; i < 20; ++i)
      if (slot(firstSlot + i).isLoaded() && slot(firstSlot + i).isVisible()) shown.push_back(i);
    return shown;
  }

  static Action press(const char* screen, uint32_t buttons, int wait = kSettlePolls) {
    return {screen, buttons, -1, -1, wait};
  }
  static Action moveTo(const char* screen, int x, int y) { return {screen, 0, x, y}; }
  // Mouse onto a point, then Ok there.
  void click(const char* screen, int x, int y) {
    actions.push_back(moveTo(screen, x, y));
    actions.push_back(press(screen, kButtonOk));
  }
  static int thumbCentreX(int i) { return extras::thumbX(i) + 60; }
  static int thumbCentreY(int i) { return extras::thumbY(i) + 45; }

  std::deque<Action> actions;
  std::function<void(size_t left)> onAction;
  int idle = 0;
  int pollsLeft = 0;
  int settled = 0;
  int mouseX = 0, mouseY = 0;
};

const char* const kGallery0 = "cg\\_CgBack11.bmp";
const char* const kGallery0Last = "cg\\_CgBack31.bmp";
const char* const kScenes1 = "cg\\_KsBack11.bmp";
const char* const kScenes2 = "cg\\_KsBack21.bmp";
const char* const kScenes3 = "cg\\_KsBack31.bmp";
const char* const kMusic0 = "cg\\_MuBack1.bmp";

TEST_F(ExtrasTest, TheLastGalleryPageOfGameZeroShowsAtMostThirteen) {
  for (int f = 1201; f <= 1280; ++f) runtime->gameState.flags[f] = 1;
  std::vector<int> lastPage;
  onAction = [&](size_t) {
    if (lastPage.empty() && slot(40).name() == kGallery0Last)
      lastPage = thumbsShown(extras::kGalleryThumb);
  };
  runtime->galleryPage[0] = 2;
  actions = {press(kGallery0Last, 0), moveTo(kGallery0Last, 390 + 5, 26 + 5),
             press(kGallery0Last, kButtonOk)};
  click(kGallery0, 700, 570);  // the menu button
  EXPECT_EQ(run(&Lexer::PictureGallery), extras::kLeave);
  ASSERT_EQ(lastPage.size(), 13u);  // pictures 40 to 52
  EXPECT_EQ(lastPage.back(), 12);
  EXPECT_EQ(runtime->galleryPage[0], 0);  // the tab clicked is remembered
  EXPECT_TRUE(errors().empty());
}

TEST_F(ExtrasTest, AFullViewShowsTheDefCgPictureOfTheFlagOrNothing) {
  struct Case {
    const char* name;
    bool inTable;
  };
  for (const Case c : {Case{"a def_cg entry: the picture", true},
                       Case{"no entry: faded out and in, nothing shown", false}}) {
    SCOPED_TRACE(c.name);
    runtime->cgTable.clear();
    if (c.inTable) runtime->cgTable.add("ev_a", "1202");
    runtime->cgTable.add("ev_other", "1203");
    runtime->gameState.flags[1202] = 1;
    runtime->closing = false;
    runtime->galleryPage[0] = 0;
    std::string fullView;
    int thumbsDuringView = -1;
    onCompose = [&] {
      if (slot(1).isLoaded() && fullView.empty()) {
        fullView = slot(1).name();
        thumbsDuringView = static_cast<int>(thumbsShown(extras::kGalleryThumb).size());
      }
    };
    actions.clear();
    click(kGallery0, thumbCentreX(1), thumbCentreY(1));
    if (c.inTable) actions.push_back(press(kGallery0, kButtonCancel, kScenePolls));  // full view
    click(kGallery0, 700, 570);
    std::vector<int> afterwards;
    onAction = [&](size_t left) {
      if (left == 0) afterwards = thumbsShown(extras::kGalleryThumb);
    };
    EXPECT_EQ(run(&Lexer::PictureGallery), extras::kLeave);
    EXPECT_EQ(fullView, c.inTable ? "cg\\ev_a.bmp" : "");
    if (c.inTable) {
      EXPECT_EQ(thumbsDuringView, 0);
    }
    EXPECT_EQ(afterwards, std::vector<int>{1});  // the page is back
    EXPECT_FALSE(slot(1).isLoaded());
  }
  EXPECT_TRUE(errors().empty());
}

TEST_F(ExtrasTest, EveryTabOnTheThirdRecollectionPageLeadsToTheFirst) {
  std::vector<std::string> backgrounds;
  onAction = [&](size_t) { backgrounds.push_back(slot(40).name()); };
  actions.clear();
  click(kScenes1, 414 + 5, 12 + 5);  // tab 1: page 1
  click(kScenes2, 448 + 5, 30 + 5);  // third tab: page 2
  click(kScenes3, 390 + 5, 26 + 5);  // first tab: page 0
  click(kScenes1, 448 + 5, 30 + 5);  // page 2 again
  click(kScenes3, 414 + 5, 12 + 5);  // the second tab: page 0 too
  click(kScenes1, 700, 570);
  EXPECT_EQ(run(&Lexer::Recollection), extras::kLeave);
  const std::vector<std::string> expected = {kScenes1, kScenes1, kScenes2, kScenes2,
                                             kScenes3, kScenes3, kScenes1, kScenes1,
                                             kScenes3, kScenes3, kScenes1, kScenes1};
  EXPECT_EQ(backgrounds, expected);
}

TEST_F(ExtrasTest, TheSpecialSceneOpensOnlyWithAllTwentyFourStoryScenes) {
  std::string data = "game 0\n";
  for (int i = 0; i < 20; ++i) data += "scene 0 " + std::to_string(1132 + i) + " s\n";
  for (int i = 20; i < 24; ++i) data += "scene 1 " + std::to_string(1132 + i) + " s\n";
  data += "scene 1 1173 t_sp__\n";
  writeData(data);
  for (int missing : {1140, 0}) {
    SCOPED_TRACE(missing);
    runtime->gameState.clear();
    for (int f = 1132; f <= 1155; ++f) runtime->gameState.flags[f] = f == missing ? 0 : 1;
    runtime->closing = false;
    std::vector<int> page1;
    onAction = [&](size_t left) {
      if (left == 1) page1 = thumbsShown(extras::kSceneThumb);
    };
    actions.clear();
    click(kScenes1, 414 + 5, 12 + 5);
    click(kScenes2, 700, 570);
    EXPECT_EQ(run(&Lexer::Recollection), extras::kLeave);
    EXPECT_EQ(runtime->gameState.flags[1173], missing == 0 ? 1 : 0);
    EXPECT_EQ(page1,
              missing == 0 ? (std::vector<int>{0, 1, 2, 3, 4}) : (std::vector<int>{0, 1, 2, 3}));
  }
}

TEST_F(ExtrasTest, CancelEndsAScene_AndThePageComesBack) {
  writeData("game 0\nscene 0 1132 t_wait\n");
  writeScript("t_wait", "bg1 ev_a\n待っている。\n続き。\nkaisou_end\n");
  runtime->gameState.flags[1132] = 1;
  std::vector<bool> exitItem;
  std::string sceneLayer;
  onCompose = [&] {
    if (slot(40).name().empty() && slot(0).isLoaded()) sceneLayer = slot(0).name();
    exitItem.push_back(headless.host.menu("MnKaisouExit").visible);
  };
  std::vector<int> afterwards;
  std::string musicAfter;
  onAction = [&](size_t left) {
    if (left == 0) {
      afterwards = thumbsShown(extras::kSceneThumb);
      musicAfter = channels->bgmChannel().loadedName();
    }
  };
  actions.clear();
  click(kScenes1, thumbCentreX(0), thumbCentreY(0));
  actions.push_back(press("", kButtonCancel, kScenePolls));  // the first message waits
  click(kScenes1, 700, 570);
  EXPECT_EQ(run(&Lexer::Recollection), extras::kLeave);
  EXPECT_EQ(sceneLayer, "cg\\ev_a.bmp");
  EXPECT_EQ(afterwards, std::vector<int>{0});
  EXPECT_EQ(musicAfter, "wav\\ki_01.wav");
  EXPECT_FALSE(slot(0).isLoaded());
  EXPECT_TRUE(headless.host.menu("MnTitle").enabled);
  EXPECT_FALSE(headless.host.menu("MnKaisouExit").visible);
  ASSERT_FALSE(exitItem.empty());
  EXPECT_TRUE(std::find(exitItem.begin(), exitItem.end(), true) != exitItem.end());
  EXPECT_TRUE(errors().empty());  // Cancel came before the end of the script
}

TEST_F(ExtrasTest, NothingASceneChangesOutlivesIt) {
  writeData("game 0\nscene 0 1132 t_change\n");
  writeScript("t_change", "A=77\nF600=1\nF1600=1\nbgm1 ki_03\nbg1 ev_a\nそれから。\nkaisou_end\n");
  for (bool withSave00 : {false, true}) {
    SCOPED_TRACE(withSave00 ? "Save00.dat comes back" : "no Save00.dat");
    std::filesystem::remove(dir.path("Save00.dat"));
    GameState& gs = runtime->gameState;
    gs.flags[1132] = 1;
    gs.variable('B') = 3;
    std::strcpy(gs.scriptName, "m_01");
    gs.backlogIndex = 7;
    std::strcpy(gs.backlog[6].text, "before");
    auto lasting = std::make_unique<GameState>(gs);
    lasting->variable('C') = 12;
    lasting->flags[1700] = 1;
    lasting->updateChecksum();
    if (withSave00) writeSave00(*lasting);
    auto before = std::make_unique<GameState>(gs);
    runtime->closing = false;
    std::string sceneMusic;
    onCompose = [&] {
      if (slot(40).name().empty() && slot(0).isLoaded())
        sceneMusic = channels->bgmChannel().loadedName();
    };
    actions.clear();
    click(kScenes1, thumbCentreX(0), thumbCentreY(0));
    actions.push_back(press("", kButtonOk, kScenePolls));  // the scene's message
    click(kScenes1, 700, 570);
    EXPECT_EQ(run(&Lexer::Recollection), extras::kLeave);
    EXPECT_EQ(sceneMusic, "wav\\ki_03.wav");  // the scene ran
    const GameState& expected = withSave00 ? *lasting : *before;
    EXPECT_EQ(std::memcmp(&gs, &expected, kGameStateSize), 0);
    EXPECT_EQ(gs.variable('A'), 0);
    EXPECT_EQ(gs.flags[1600], 0);
  }
}

TEST_F(ExtrasTest, AfterASceneOfTheSecondGameTheRecollectionStaysWithIt) {
  writeData("game 1\nscene 0 1301 s_one\n");
  writeScript("s_one", "F700=1\nkaisou_end\n");
  GameState& gs = runtime->gameState;
  gs.flags[1301] = 1;
  auto lasting = std::make_unique<GameState>(gs);  // written while game 0 was chosen
  lasting->flags[1800] = 1;
  writeSave00(*lasting);
  gs.flags[1000] = 1;
  std::vector<std::string> backgrounds;
  onAction = [&](size_t) { backgrounds.push_back(slot(40).name()); };
  actions.clear();
  click("cg\\_KsBack12.bmp", thumbCentreX(0), thumbCentreY(0));
  click("cg\\_KsBack12.bmp", 700, 570);
  EXPECT_EQ(run(&Lexer::Recollection), extras::kLeave);
  EXPECT_EQ(backgrounds.size(), 4u);  // the page of game 1 came back
  EXPECT_EQ(gs.flags[1000], 1);
  EXPECT_EQ(gs.flags[1800], 1);  // Save00.dat came back
  EXPECT_EQ(gs.flags[700], 0);
  EXPECT_EQ(channels->bgmChannel().loadedName(), "wav\\sd_01.wav");
}

TEST_F(ExtrasTest, TheEleventhTrackOfGameZeroDoesNothing_AndLeavingBringsTheTitleMusic) {
  const int trackX[11] = {200, 237, 274, 310, 347, 383, 420, 456, 493, 530, 567};
  const int trackY[11] = {389, 410, 389, 410, 389, 410, 389, 410, 389, 410, 389};
  bool highlighted10 = false, playing10 = false;
  std::string during;
  onAction = [&](size_t left) {
    if (left == 4) highlighted10 = slot(44).isVisible() || slot(45).isVisible();
    if (left == 3) playing10 = channels->bgmChannel().isPlaying();  // after its Ok
    if (left == 1) during = std::string(channels->bgmChannel().loadedName());
  };
  actions.clear();
  actions.push_back(moveTo(kMusic0, trackX[10] + 5, trackY[10] + 5));
  actions.push_back(press(kMusic0, kButtonOk));
  click(kMusic0, trackX[2] + 5, trackY[2] + 5);  // the third track plays
  actions.push_back(moveTo(kMusic0, 700, 570));
  actions.push_back(press(kMusic0, kButtonOk));  // the menu button
  EXPECT_EQ(run(&Lexer::MusicRoom), extras::kLeave);
  EXPECT_FALSE(highlighted10);
  EXPECT_FALSE(playing10);
  EXPECT_EQ(during, "wav\\ki_03.wav");
  EXPECT_EQ(channels->bgmChannel().loadedName(), "wav\\ki_01.wav");
  EXPECT_TRUE(channels->bgmChannel().isPlaying());
  EXPECT_TRUE(errors().empty());
}

TEST_F(ExtrasTest, ADamagedDataFileGivesItsErrorAndTheExtrasStillOpen) {
  writeData("game 0\nscene 0 1132 t_01_03\nscene 9 1133 t_01_04\n");
  runtime->gameState.flags[1201] = 1;
  actions.clear();
  actions.push_back(press("cg\\_OmBack1.bmp", kButtonOk));  // the gallery
  click(kGallery0, 700, 570);
  settled = idle = 0;
  pollsLeft = 30000;
  EXPECT_FALSE(lexer->ExtrasMenu());  // back to the title through the gallery
  const auto heads = errorHeads();
  ASSERT_EQ(heads.size(), 1u);
  EXPECT_EQ(heads[0], "おまけデータが正しくありません the page '9' is not 0, 1 or 2");
  const auto texts = errors();
  EXPECT_NE(texts[0].find("extras.txt (3)\nscene 9 1133 t_01_04"), std::string::npos) << texts[0];
  EXPECT_FALSE(runtime->closing);
}

}  // namespace
}  // namespace kobre::testing
