// The script linter on generated games: each kind of fault is found where
// it stands, a clean game gives nothing, and the messages are the ones the
// running game shows for the same lines.
#include "script/Lint.h"

#include <filesystem>
#include <string>
#include <vector>

#include "tests/script/ScriptFixture.h"

namespace kobre::testing {
namespace {

class LintTest : public ScriptFixture {
 protected:
  // A small game with everything the scripts below may name: a picture, a
  // sound, a movie, a second script, and the picture name "部屋" defined.
  void SetUp() override {
    writeScript("open",
                "define 部屋 bg_room\n"
                "window 0 20 440 710 150 25 20 29 4 frame 0 0\n"
                "change next\n");
    writeScript("next", "@top\ncls\n");
    dir.write("cg/bg_room.bmp", "BM");
    dir.write("cg/frame.psd", "8BPS");
    dir.write("wav/ok.wav", "RIFF");
    dir.write("mov/op.mpg", "mpg");
  }

  std::vector<std::string> lint() {
    std::vector<std::string> lines;
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path("scr")))
      names.push_back(e.path().filename().string());
    for (const LintFinding& f : lintGame(headless.platform(), names))
      lines.push_back(formatFinding(f));
    return lines;
  }
};

TEST_F(LintTest, CleanGameGivesNothing) {
  writeScript("good",
              "; a comment with { and }\n"
              "bg 部屋 FADE_IN\n"
              "sp 1 部屋 FADE_NONE\n"
              "bg gone FADE_OUT\n"
              "bgm1 ok\n"
              "vo ok\n"
              "movie mov\\op\n"
              "A=10/B+F5\n"
              "[A>=3&F10!0]{\n"
              "「台詞」\n"
              "[B=1]\n"
              "{\n"
              "goto top\n"
              "}\n"
              "}\n"
              "def_sel 一\n"
              "select 1\n"
              "change next\n"
              "@top\n"
              "ret\n");
  EXPECT_EQ(lint(), std::vector<std::string>{});
}

struct FaultCase {
  const char* script;    // UTF-8 lines of "bad.scr"
  const char* expected;  // the one report line
};

TEST_F(LintTest, FindsEachKindOfFault) {
  const std::string longWord(70, 'a');
  const std::string longLine = "; " + std::string(1100, 'x');
  const FaultCase cases[] = {
      {"cls\nfoo\n", "bad.scr:2: 未定義のコマンド foo"},
      {"cls 1\n", "bad.scr:1: 未定義のコマンド 1"},
      {"AB\n", "bad.scr:1: 代入になっていない AB"},
      {"[A=]{\n}\n", "bad.scr:1: 演算が途中で終わっている"},
      {"[A=1&]{\n}\n", "bad.scr:1: 演算が途中で終わっている"},
      {"[A= 1]{\n}\n", "bad.scr:1: 余分なスペースが入っている"},
      {"[A=1\n", "bad.scr:1: 改行で終わっている"},
      {"[A=1]cls\n", "bad.scr:1: 複文が開始されていない"},
      {"cls\n[A=1]{\ncls\n", "bad.scr:2: スクリプトの終わりになった"},
      {"cls\n}\n", "bad.scr:2: 括弧が閉じていない"},
      {"goto nowhere\n@else\ncls\n", "bad.scr:1: ラベルが見つからない nowhere"},
      {"change missing\n", "bad.scr:1: ファイルが存在しない scr\\missing.scr"},
      {"bg nopic FADE_IN\n", "bad.scr:1: ファイルが存在しない cg\\nopic.psd"},
      {"sp 1 bg_room2 FADE_NONE\n", "bad.scr:1: ファイルが存在しない cg\\bg_room2.psd"},
      {"se2 nosound\n", "bad.scr:1: ファイルが存在しない wav\\nosound.wav"},
      {"vo nosound\n", "bad.scr:1: ファイルが存在しない wav\\nosound.wav"},
      {"movie mov\\none\n", "bad.scr:1: ファイルが存在しない mov\\none.mpg"},
      {"def_sel 1\ndef_sel 2\ndef_sel 3\ndef_sel 4\ndef_sel 5\ndef_sel 6\ndef_sel 7\n"
       "def_sel 8\ndef_sel 9\ndef_sel 10\ndef_sel 11\n",
       "bad.scr:11: 選択肢はこれ以上登録できない 11"},
      {"sp 1x 部屋 FADE_NONE\n", "bad.scr:1: パラメータが不正 1x"},
  };
  for (const FaultCase& c : cases) {
    writeScript("bad", c.script);
    EXPECT_EQ(lint(), std::vector<std::string>{c.expected}) << c.script;
  }
  // A picture name fills its 64-byte argument: reported, then looked up cut.
  writeScript("bad", "bg1 " + longWord + "\n");
  const std::string cut(63, 'a');
  EXPECT_EQ(lint(),
            (std::vector<std::string>{"bad.scr:1: トークンが長すぎる " + cut,
                                      "bad.scr:1: ファイルが存在しない cg\\" + cut + ".psd"}));
  writeScript("bad", longLine + "\n");
  EXPECT_EQ(lint(), std::vector<std::string>{"bad.scr:1: １行が１０２４文字を超えている"});
}

TEST_F(LintTest, ChoicesCountFromTheLastSelect) {
  std::string s;
  for (int i = 0; i < 10; ++i) s += "def_sel a\n";
  s += "select 1\n";
  for (int i = 0; i < 10; ++i) s += "def_sel a\n";
  writeScript("bad", s);
  EXPECT_EQ(lint(), std::vector<std::string>{});
}

TEST_F(LintTest, DefinesFromAnyScriptResolvePictureNames) {
  writeScript("bad", "bg 部屋 FADE_IN\nbg 廊下 FADE_IN\n");
  writeScript("zzz", "define 廊下 bg_room\n");
  EXPECT_EQ(lint(), std::vector<std::string>{});
}

TEST_F(LintTest, ScriptsAndPicturesInArchivesCount) {
  std::vector<uint8_t> bad;
  ASSERT_TRUE(writers::ScriptWriter().build("ev1 ev_a\nbgm1 music\nfoo\n", {}, bad));
  writers::ArchiveWriter scripts;
  scripts.add("packed.scr", bad);
  ASSERT_TRUE(scripts.writeFile(dir.str() + "/arc.scr", true));
  writers::ArchiveWriter pictures;
  pictures.add("ev_a.psd", "8BPS");
  ASSERT_TRUE(pictures.writeFile(dir.str() + "/arc.cg", true));
  writers::ArchiveWriter sounds;
  sounds.add("music.wav", "RIFF");
  ASSERT_TRUE(sounds.writeFile(dir.str() + "/arc.wav", false));
  EXPECT_EQ(lint(), std::vector<std::string>{"packed.scr:3: 未定義のコマンド foo"});
}

TEST_F(LintTest, MissingOpeningScriptIsReported) {
  std::filesystem::remove(dir.path("scr/open.scr"));
  const auto lines = lint();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("open.scr:0: オープンできません", 0), 0u) << lines[0];
}

// The linter's message for a line is the box the running game shows for it.
TEST_F(LintTest, MessagesMatchTheRunningGame) {
  const char* lines[] = {"foo\n", "AB\n", "[A=]{\n}\n", "goto nowhere\n", "[A=1\n]{\n}\n"};
  for (const char* line : lines) {
    writeScript("bad", line);
    const auto found = lint();
    ASSERT_FALSE(found.empty()) << line;
    headless.host.clearBoxes();
    runtime->defineTable.clear();
    writeScript("run", line);
    ASSERT_TRUE(load("run"));
    run(20);
    const auto heads = errorHeads();
    ASSERT_FALSE(heads.empty()) << line;
    std::string head = heads[0];  // "message detail"; no detail leaves a space
    while (!head.empty() && head.back() == ' ') head.pop_back();
    EXPECT_EQ(found[0], "bad.scr:1: " + head) << line;
  }
}

}  // namespace
}  // namespace kobre::testing
