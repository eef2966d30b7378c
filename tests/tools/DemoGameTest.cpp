// The bundled demo game, built from demo/ by kobre-mkgame: it builds the same
// bytes every time, its scripts load in the runtime and use only commands of
// the command table with their arguments, and every picture and sound that
// the scripts and the system screens name is there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "common/Sjis.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/posix/IconvTextCodec.h"
#include "screens/ExtrasData.h"
#include "script/Lexer.h"
#include "script/Runtime.h"
#include "storage/ArchiveFile.h"
#include "tests/storage/TempFolder.h"
#include "tests/tools/ToolsSupport.h"
#include "tools/mkgame/GameBuilder.h"
#include "tools/mkgame/RecipeText.h"

namespace kobre::testing {
namespace {

namespace fs = std::filesystem;

// Arguments each command reads (words after the command word).
const std::map<std::string, int> kArity = {
    {"bg", 2},
    {"bg1", 1},
    {"bg1_fi", 1},
    {"bg2", 2},
    {"bg2_fi", 2},
    {"bg3", 3},
    {"bg3_fi", 3},
    {"ev1", 1},
    {"ev1_fi", 1},
    {"sp", 3},
    {"spl", 3},
    {"spr", 3},
    {"sp1", 1},
    {"sp1_fi", 1},
    {"sp1_cf", 1},
    {"sp2", 2},
    {"sp2_fi", 2},
    {"sp_fade", 1},
    {"sp_fade_out", 0},
    {"sp_fo", 0},
    {"sp_fade_in", 0},
    {"fade", 1},
    {"fade_out", 0},
    {"fo", 0},
    {"fade_in", 0},
    {"fo2", 0},
    {"fade_all_white_out", 0},
    {"fade_all_white_in", 0},
    {"bgm", 2},
    {"bgm1", 1},
    {"bgm2", 1},
    {"bgm_stop", 0},
    {"bgm_fo", 0},
    {"se", 2},
    {"se1", 1},
    {"se2", 1},
    {"se_stop", 0},
    {"se_fo", 0},
    {"se_wait", 0},
    {"vo", 1},
    {"vol", 1},
    {"vor", 1},
    {"vo2", 1},
    {"window", 12},
    {"ret", 0},
    {"ret_noskip", 0},
    {"window_sel", 14},
    {"def_sel", 1},
    {"select", 1},
    {"movie", 1},
    {"midi", 1},
    {"change", 1},
    {"change_kaisou", 1},
    {"rotate", 3},
    {"name_check", 0},
    {"wait", 1},
    {"title", 0},
    {"window_off", 0},
    {"window_on", 0},
    {"flag_update", 0},
    {"auto_ret_on", 0},
    {"auto_ret_off", 0},
    {"select_center_on", 0},
    {"select_center_off", 0},
    {"define", 2},
    {"def_cg", 2},
    {"shake", 1},
    {"cls", 0},
    {"kaisou_end", 0},
    {"menu", 0},
    {"map", 0},
    {"ending", 1},
    {"\\n", 0},
    {"\\i", 0},
    {"\\k", 0},
    {"load", 0},
    {"save", 0},
    {"goto", 1},
    {"def_indent", 1},
    {"def_kinsoku", 1},
    {"set_ff", 1},
};

// Which arguments name pictures ("cg\NAME.bmp" or ".psd") and sounds.
const std::map<std::string, std::vector<int>> kPictureArgs = {
    {"bg", {0}},        {"bg1", {0}},       {"bg1_fi", {0}},       {"bg2", {0, 1}},
    {"bg2_fi", {0, 1}}, {"bg3", {0, 1, 2}}, {"bg3_fi", {0, 1, 2}}, {"ev1", {0}},
    {"ev1_fi", {0}},    {"sp", {1}},        {"spl", {1}},          {"spr", {1}},
    {"sp1", {0}},       {"sp1_fi", {0}},    {"sp1_cf", {0}},       {"sp2", {0, 1}},
    {"sp2_fi", {0, 1}}, {"window", {9}},    {"window_sel", {11}},
};
const std::set<std::string> kSoundCommands = {"bgm", "bgm1", "bgm2", "se",  "se1",   "se2",
                                              "vo",  "vol",  "vor",  "vo2", "ending"};

std::map<std::string, std::vector<uint8_t>> readTree(const fs::path& root) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    files[fs::relative(e.path(), root).string()] = std::vector<uint8_t>(
        (std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  return files;
}

// Builds the demo into fresh folders once per test program (ctest runs each
// case in its own process, so each fixture builds only what it needs).
class DemoBuild : public ::testing::Test {
 protected:
  static void build(int times) {
    ensureGuiApp();
    const std::string demo = std::string(KOBRE_SOURCE_DIR) + "/demo";
    built_ = true;
    for (int i = 0; i < times && built_; ++i) {
      folders_.push_back(std::make_unique<TempFolder>());
      std::ostringstream log;
      built_ = mkgame::buildGame(demo, folders_.back()->str(), {}, log, error_);
    }
  }
  static void TearDownTestSuite() { folders_.clear(); }
  void SetUp() override { ASSERT_TRUE(built_) << error_; }
  static const TempFolder& game(size_t i = 0) { return *folders_[i]; }

  static std::vector<std::unique_ptr<TempFolder>> folders_;
  static bool built_;
  static std::string error_;
};
std::vector<std::unique_ptr<TempFolder>> DemoBuild::folders_;
bool DemoBuild::built_ = false;
std::string DemoBuild::error_;

class DemoGame : public DemoBuild {
 protected:
  static void SetUpTestSuite() { build(2); }
};

TEST_F(DemoGame, BuildsByteIdenticallyTwice) {
  const auto a = readTree(game(0).path()), b = readTree(game(1).path());
  std::set<std::string> names;
  for (const auto& [name, bytes] : a) names.insert(name);
  EXPECT_TRUE(names.count("arc.scr") && names.count("arc.cg") && names.count("arc2.cg") &&
              names.count("arc.wav"));
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [name, bytes] : a) {
    auto it = b.find(name);
    ASSERT_NE(it, b.end()) << name;
    EXPECT_TRUE(it->second == bytes) << name << " differs between two builds";
  }
}

// One line of a script: its first word and the words after it.
struct ScriptLine {
  std::string script;
  int number;
  std::vector<std::string> words;  // CP932
};

class DemoScripts : public DemoBuild {
 protected:
  static void SetUpTestSuite() { build(1); }
  void SetUp() override {
    DemoBuild::SetUp();
    headless_ = std::make_unique<platform::headless::HeadlessPlatform>(game().str(),
                                                                       game().str() + "/.data");
    runtime_ = std::make_unique<Runtime>(headless_->platform());
    ASSERT_TRUE(runtime_->scriptArchive.open("arc.scr", true));
    ASSERT_TRUE(runtime_->imageArchive.open("arc.cg", true));
    ASSERT_TRUE(runtime_->imageArchive.attachSupplement("arc2.cg", true));
    ASSERT_TRUE(runtime_->soundArchive.open("arc.wav", false));
  }

  // Loads every script of the archive through the Lexer and splits it into
  // lines.
  void loadAll(std::vector<ScriptLine>& lines) {
    ArchiveFile& arc = runtime_->scriptArchive;
    ASSERT_GT(arc.entryCount(), 0);
    for (int i = 0; i < arc.entryCount(); ++i) {
      const std::string name(arc.entry(i).name);
      if (!name.ends_with(".scr")) continue;  // the extras data file
      Lexer lexer(runtime_.get());
      GameState state{};
      ASSERT_TRUE(lexer.Load("scr\\" + name, &state, true)) << name;
      const std::string text(lexer.source.begin() + 1, lexer.source.begin() + lexer.sourceSize);
      std::istringstream in(text);
      std::string line;
      int number = 0;
      while (std::getline(in, line)) {
        ++number;
        EXPECT_TRUE(line.empty() || line.back() == '\r' || in.eof())
            << name << ":" << number << " does not end with CR LF";
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> words = mkgame::splitWords(line);
        if (!words.empty()) lines.push_back({name, number, words});
      }
    }
    EXPECT_TRUE(headless_->host.boxes().empty());
  }

  std::unique_ptr<platform::headless::HeadlessPlatform> headless_;
  std::unique_ptr<Runtime> runtime_;
};

TEST_F(DemoScripts, LoadAndUseOnlyCommandsOfTheTableWithTheirArguments) {
  for (const auto& [word, n] : kArity) EXPECT_TRUE(Lexer::IsCommandWord(word)) << word;
  std::vector<ScriptLine> lines;
  loadAll(lines);
  std::set<std::string> used;
  for (const ScriptLine& l : lines) {
    const std::string& w = l.words[0];
    const std::string where = l.script + ":" + std::to_string(l.number);
    const uint8_t b = static_cast<uint8_t>(w[0]);
    if (b == ';' || b == '@') continue;  // comment, label
    if (b >= 'A' && b <= 'Z') {          // assignment: one word
      EXPECT_EQ(l.words.size(), 1u) << where;
      continue;
    }
    if (b == '[' || b == '}') continue;  // condition, block end
    if (isWideLead(b)) {                 // text: an ASCII space would split it
      EXPECT_EQ(l.words.size(), 1u) << where << ": text with an ASCII space";
      continue;
    }
    EXPECT_TRUE(Lexer::IsCommandWord(w)) << where << ": \"" << w << "\" is not a command";
    used.insert(w);
    auto arity = kArity.find(w);
    if (arity != kArity.end()) {
      EXPECT_EQ(static_cast<int>(l.words.size()) - 1, arity->second)
          << where << ": \"" << w << "\" takes " << arity->second << " arguments";
    }
  }
  // The demo shows the whole command set that a game plays through.
  for (const char* w : {"define", "def_cg", "window", "window_sel", "menu", "movie", "midi",
                        "flag_update", "shake", "select", "def_sel", "ending", "kaisou_end",
                        "fade_all_white_out", "fade_all_white_in", "sp1_cf"})
    EXPECT_TRUE(used.count(w)) << w;
}

TEST_F(DemoScripts, EveryNamedPictureAndSoundIsInTheGame) {
  std::vector<ScriptLine> lines;
  loadAll(lines);
  std::map<std::string, std::string> defines;
  for (const ScriptLine& l : lines)
    if (l.words[0] == "define" && l.words.size() == 3) defines[l.words[1]] = l.words[2];
  auto picture = [&](const std::string& name) {
    return runtime_->imageArchive.find(name + ".bmp") || runtime_->imageArchive.find(name + ".psd");
  };
  auto utf8 = [](const std::string& s) { return platform::cp932ToUtf8(s); };
  std::set<std::string> voices;
  for (const ScriptLine& l : lines) {
    const std::string& w = l.words[0];
    const std::string where = l.script + ":" + std::to_string(l.number);
    auto pics = kPictureArgs.find(w);
    if (pics != kPictureArgs.end()) {
      for (int i : pics->second) {
        if (static_cast<size_t>(i + 1) >= l.words.size()) continue;
        std::string name = l.words[static_cast<size_t>(i + 1)];
        if (w != "window" && w != "window_sel" && defines.count(name)) name = defines[name];
        EXPECT_TRUE(picture(name)) << where << ": no picture " << utf8(name);
      }
    }
    if (w == "def_cg" && l.words.size() == 3) {  // the gallery shows "cg\NAME.bmp"
      EXPECT_TRUE(runtime_->imageArchive.find(l.words[1] + ".bmp")) << where;
    }
    if (kSoundCommands.count(w) && l.words.size() > 1) {
      EXPECT_TRUE(runtime_->soundArchive.find(l.words[1] + ".wav"))
          << where << ": no sound " << l.words[1];
      if (w[0] == 'v') voices.insert(l.words[1]);
    }
    if ((w == "movie" || w == "midi") && l.words.size() > 1) {
      EXPECT_TRUE(headless_->files.exists(l.words[1] + (w == "movie" ? ".mpg" : ".mid")))
          << where << ": no loose file for " << l.words[1];
    }
  }
  // Voices carry the two-character prefix of a character's pictures.
  for (const std::string& v : voices) {
    const std::string prefix = v.substr(0, 2);
    EXPECT_TRUE(picture(prefix + "_01")) << v;
  }
}

// Every picture and piece of music the system screens load, in both
// variants where the screens have two.
TEST_F(DemoScripts, HoldsEveryPictureAndTrackOfTheSystemScreens) {
  std::vector<std::string> names = {
      "_MnGsBack.bmp", "_MnGsMorvane.bmp",  "_MnGsQuellan.bmp", "_MnGsAnime.psd",
      "_MnAfter2.psd", "_MnAfterAnm2.psd",  "_LoadSel.psd",     "_SaveSel.psd",
      "_MuMenu2.psd",  "_iLogDownSel1.psd", "_Ret.psd",         "_CgBack11.bmp",
      "_CgBack31.bmp", "_CgBack12.bmp",     "_CgBack52.bmp",    "_CgPage1.psd",
      "_CgPage2.psd",  "_CgPageSel1.psd",   "_CgPageSel2.psd"};
  const char* perGame[] = {
      "_MnBack%d.bmp",        "_Mn5AnivAnime%d.psd", "_MnAnime%d.psd",       "_MnFirst%d.psd",
      "_MnCont%d.psd",        "_MnOmake%d.psd",      "_MnEnd%d.psd",         "_MnGameSel%d.bmp",
      "_MnPsBack%d.bmp",      "_MnPsHLine%d.psd",    "_MnPsLeftAnm%d.psd",   "_MnPsRightAnm%d.psd",
      "_MnPsRead%d.psd",      "_MnPsLeft%d.bmp",     "_MnPsLeftSel%d.bmp",   "_MnPsRight%d.bmp",
      "_MnPsRightSel%d.bmp",  "_MnPsMain%d.psd",     "_MnPsMainSel%d.psd",   "_MnPsLeftWaku%d.psd",
      "_MnPsRightWaku%d.psd", "_MnPsLeftName%d.psd", "_MnPsRightName%d.psd", "_LoadBack%d.bmp",
      "_SaveBack%d.bmp",      "_LoadRet%d.psd",      "_SaveRet%d.psd",       "_OmBack%d.bmp",
      "_OmAnime%d.psd",       "_OmCg%d.psd",         "_OmKaisou%d.psd",      "_OmMusic%d.psd",
      "_OmRet%d.psd",         "_CgKaisou%d.psd",     "_CgMusic%d.psd",       "_CgMenu%d.psd",
      "_KsBack1%d.bmp",       "_KsBack2%d.bmp",      "_KsBack3%d.bmp",       "_KsPage1%d.psd",
      "_KsPage2%d.psd",       "_KsName1%d.psd",      "_KsName2%d.psd",       "_KsMusic%d.psd",
      "_KsCg%d.psd",          "_KsMenu%d.psd",       "_Ks1%d.psd",           "_Ks2%d.psd",
      "_Ks3%d.psd",           "_MuBack%d.bmp",       "_MuStop%d.psd",        "_MuCg%d.psd",
      "_MuKaisou%d.psd",      "_MuName%d.psd",       "_MuSel%d.psd",         "_MuPlay%d.psd",
      "_iLog%d.psd",          "_iLogSel%d.psd",      "_iSave%d.psd",         "_iSaveSel%d.psd",
      "_iLoad%d.psd",         "_iLoadSel%d.psd",     "_iVo%d.psd",           "_iVoSel%d.psd",
      "_iLogUp%d.psd",        "_iLogUpSel%d.psd",    "_iLogDown%d.psd",      "_Log%d.psd",
      "_SelectSel%d.psd"};
  char buf[64];
  for (const char* pattern : perGame)
    for (int g = 1; g <= 2; ++g) {
      std::snprintf(buf, sizeof buf, pattern, g);
      names.push_back(buf);
    }
  for (const char* icon : {"Log", "Save", "Load", "Vo", "LogUp", "LogDown"})
    names.push_back(std::string("_i") + icon + "Anm1.psd");
  for (int p = 1; p <= 3; ++p) names.push_back("_Cg" + std::to_string(p) + "1.psd");
  for (int p = 1; p <= 5; ++p) names.push_back("_Cg" + std::to_string(p) + "2.psd");
  for (int i = 1; i <= 15; ++i) {
    std::snprintf(buf, sizeof buf, "_Ed%02d.bmp", i);
    names.push_back(buf);
  }
  for (const std::string& n : names) EXPECT_TRUE(runtime_->imageArchive.find(n)) << n;

  std::vector<std::string> tracks;
  for (int k = 1; k <= 10; ++k) {
    std::snprintf(buf, sizeof buf, "ki_%02d.wav", k);
    tracks.push_back(buf);
  }
  for (int k = 1; k <= 11; ++k) {
    std::snprintf(buf, sizeof buf, "sd_%02d.wav", k);
    tracks.push_back(buf);
  }
  for (const std::string& t : tracks) EXPECT_TRUE(runtime_->soundArchive.find(t)) << t;

  // The supplement adds a picture the main archive does not hold.
  EXPECT_TRUE(runtime_->imageArchive.find("bg_after.bmp"));
  EXPECT_EQ(runtime_->imageArchive.selected(), -2);
}

// The extras tables: their sizes, the flag rule of game 0's recollection,
// the fixed examples, and a script or a sound behind every entry.
TEST_F(DemoScripts, ExtrasDataNamesOnlyScenesAndTracksTheGameHolds) {
  ArchiveFile& arc = runtime_->scriptArchive;
  ASSERT_TRUE(arc.find("scr\\extras.txt"));
  std::vector<uint8_t> bytes(arc.size());
  ASSERT_EQ(arc.read(bytes.data(), arc.size()), bytes.size());
  extras::ExtrasData data;
  extras::ExtrasError error;
  ASSERT_TRUE(extras::parseExtras(bytes, data, error)) << error.line << ": " << error.message;
  const size_t sizes[2][3] = {{20, 5, 17}, {20, 7, 19}};
  for (int g = 0; g < 2; ++g) {
    const extras::GameExtras& t = data.games[g];
    ASSERT_EQ(t.scenePages.size(), 3u) << g;
    for (size_t p = 0; p < 3; ++p) EXPECT_EQ(t.scenePages[p].size(), sizes[g][p]) << g << p;
    for (const auto& page : t.scenePages)
      for (const extras::Scene& s : page)
        EXPECT_TRUE(arc.find("scr\\" + s.script + ".scr")) << s.script;
    for (const std::string& track : t.tracks)
      EXPECT_TRUE(runtime_->soundArchive.find(track + ".wav")) << track;
  }
  EXPECT_EQ(data.games[0].tracks.size(), 10u);
  EXPECT_EQ(data.games[1].tracks.size(), 11u);
  std::vector<int> flags0;
  for (const auto& page : data.games[0].scenePages)
    for (const extras::Scene& s : page) flags0.push_back(s.flag);
  std::vector<int> rule;
  for (int f = 1132; f <= 1155; ++f) rule.push_back(f);
  rule.push_back(1173);
  for (int f = 1156; f <= 1172; ++f) rule.push_back(f);
  EXPECT_EQ(flags0, rule);
  const auto& pages0 = data.games[0].scenePages;
  EXPECT_EQ(pages0[0][0].script, "t_01_03");
  EXPECT_EQ(pages0[1][4].script, "t_sp__");
  EXPECT_EQ(pages0[2][0].script, "r_01_04");
}

}  // namespace
}  // namespace kobre::testing
