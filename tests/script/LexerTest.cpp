#include "script/Lexer.h"

#include <gtest/gtest.h>

#include "tests/script/ScriptFixture.h"

namespace kobre {
namespace {

using testing::ScriptFixture;
using writers::ArchiveWriter;
using writers::ScriptOptions;
using writers::ScriptWriter;

class LexerTest : public ScriptFixture {
 protected:
  LexerTest() { useSimpleInput(); }
};

TEST_F(LexerTest, FreshLexerState) {
  EXPECT_EQ(lexer->lineNumber, 1);
  EXPECT_EQ(lexer->position, 1);
  EXPECT_EQ(lexer->lineLength, 0);
  EXPECT_TRUE(lexer->source.empty());
  ASSERT_NE(lexer->messageText, nullptr);
  for (const auto& c : lexer->choiceTexts) EXPECT_FALSE(c.has_value());
  // Stepping with no script ends at once.
  EXPECT_FALSE(lexer->Step());
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_EQ(headless.host.boxes()[0].spec.caption, "スクリプトエラー");
}

TEST_F(LexerTest, MarkerOnlyFileEndsAtFirstStep) {
  writeRawScript("one", "");
  ASSERT_TRUE(load("one"));
  EXPECT_EQ(lexer->sourceSize, 1);
  EXPECT_FALSE(lexer->Step());
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_EQ(boxTexts()[0], "最後まで実行しました \n (1)\n");
}

TEST_F(LexerTest, PlainMarkerIsNeverExecuted) {
  // The first byte is the marker, whatever it is: "A" would be an assignment.
  writeRawScript("m", "B=2\r\n", 'A');
  ASSERT_TRUE(load("m"));
  EXPECT_EQ(lexer->source[0], 'A');
  run();
  EXPECT_EQ(var('B'), 2);
  EXPECT_EQ(var('A'), 0);
  EXPECT_TRUE(errors().empty());
}

TEST_F(LexerTest, ScrambledScriptIsUnscrambled) {
  ScriptOptions opt;
  opt.scrambled = true;
  writeScript("s", "A=1+2\nB=A*3\n", opt);
  auto raw = dir.read("scr/s.scr");
  ASSERT_EQ(raw[0], 'X');
  EXPECT_EQ(raw[1], 'A' ^ 0x5A);
  EXPECT_EQ(raw[10], 'A' ^ 0x5A);  // byte 10 uses key byte (10 - 1) mod 9 = 0
  ASSERT_TRUE(load("s"));
  EXPECT_EQ(lexer->source[0], 'N');
  run();
  EXPECT_EQ(var('B'), 9);
}

TEST_F(LexerTest, LooseFileWinsOverArchiveAndArchiveIsUsedOtherwise) {
  ArchiveWriter w;
  w.add("open.scr", ScriptWriter::buildRaw("A=1\n", {}));
  w.add("only.scr", ScriptWriter::buildRaw("A=2\n", {}));
  ASSERT_TRUE(w.writeFile(dir.str() + "/arc.scr", true));
  ASSERT_TRUE(runtime->scriptArchive.open("arc.scr", true));
  writeScript("open", "A=3\n");
  ASSERT_TRUE(load("open"));
  run();
  EXPECT_EQ(var('A'), 3);
  ASSERT_TRUE(lexer->Load("scr\\ONLY.scr", &runtime->gameState, true));
  EXPECT_STREQ(lexer->scriptPath, "scr\\ONLY.scr");
  run();
  EXPECT_EQ(var('A'), 2);
}

TEST_F(LexerTest, LoadErrors) {
  ArchiveWriter w;
  w.add("empty.scr", "");
  ASSERT_TRUE(w.writeFile(dir.str() + "/arc.scr", true));
  ASSERT_TRUE(runtime->scriptArchive.open("arc.scr", true));
  dir.write("scr/zero.scr", "");

  struct Case {
    const char* path;
    const char* text;
  } cases[] = {
      {"scr\\missing.scr", "オープンできません \nScript (297)\nscr\\missing.scr"},
      {"scr\\zero.scr", "サイズがおかしい \nScript (303)\nscr\\zero.scr"},
      {"scr\\empty.scr", "サイズがおかしい \nScript (303)\nscr\\empty.scr"},
  };
  for (const Case& c : cases) {
    headless.host.clearBoxes();
    writeScript("good", "A=1\n");
    ASSERT_TRUE(load("good"));
    EXPECT_FALSE(lexer->Load(c.path, &runtime->gameState, true)) << c.path;
    ASSERT_EQ(boxTexts().size(), 1u) << c.path;
    EXPECT_EQ(boxTexts()[0], c.text);
    EXPECT_TRUE(lexer->source.empty());  // left reset
    EXPECT_EQ(lexer->position, 1);
    EXPECT_FALSE(lexer->Step());  // and ends at once
  }
}

TEST_F(LexerTest, ShortArchiveEntryReadIsReported) {
  // An entry that claims more bytes than the archive holds is refused by the
  // archive; the script is then not found at all.
  ArchiveWriter w;
  w.add("cut.scr", "NA=1\r\n");
  auto image = w.build(false);
  image[16 + 4] = 200;  // dataSize beyond the file
  dir.write("arc.scr", image);
  ASSERT_TRUE(runtime->scriptArchive.open("arc.scr", false));
  EXPECT_FALSE(lexer->Load("scr\\cut.scr", &runtime->gameState, true));
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_EQ(errorHeads()[0], "オープンできません ");
}

TEST_F(LexerTest, ErrorBoxKeepsAScriptNameWithByte5C) {
  // "表示" is 0x95 0x5C 0x8E 0xA6: its 0x5C is no folder separator.
  std::strcpy(runtime->gameState.scriptName, "\x95\x5C\x8E\xA6");
  runScript("bogus\n");
  ASSERT_GE(errors().size(), 1u);
  EXPECT_EQ(errors()[0], "未定義のコマンド bogus\n表示 (1)\nbogus");
}

TEST_F(LexerTest, CommentsLabelsAndBlockEnds) {
  runScript("; a comment with A=5 in it\n@label\n} A=7\n;x\nB=1\n");
  EXPECT_EQ(var('A'), 7);  // after "}" the rest of the line is read
  EXPECT_EQ(var('B'), 1);
  EXPECT_TRUE(errors().empty());
  EXPECT_TRUE(endedNormally());
}

TEST_F(LexerTest, ErrorBoxShowsScriptNameLineAndLineText) {
  std::strcpy(runtime->gameState.scriptName, "chapter1");
  runScript("A=1\n\n  bogus extra words\n");
  ASSERT_GE(errors().size(), 1u);
  EXPECT_EQ(errors()[0], "未定義のコマンド bogus\nchapter1 (3)\nbogus extra words");
  // The surplus words are read as new commands.
  ASSERT_EQ(errors().size(), 3u);
  EXPECT_EQ(errorHeads()[1], "未定義のコマンド extra");
  EXPECT_EQ(errorHeads()[2], "未定義のコマンド words");
  EXPECT_EQ(boxTexts().back(), "最後まで実行しました \nchapter1 (4)\n");
}

TEST_F(LexerTest, ReadTokenQuotedAndSeparators) {
  writeRawScript("t", "  \"a b\tc\" \"\"\r\n\r\nnext\tx\"y");
  ASSERT_TRUE(load("t"));
  char buf[64];
  lexer->ReadArgument(buf);
  EXPECT_STREQ(buf, "a b\tc");
  lexer->ReadArgument(buf);
  EXPECT_STREQ(buf, "");  // "" is an empty word and both quotes are passed
  EXPECT_EQ(lexer->lineNumber, 1);
  lexer->ReadArgument(buf);
  EXPECT_STREQ(buf, "next");
  EXPECT_EQ(lexer->lineNumber, 3);
  lexer->ReadToken(buf, 64);
  EXPECT_STREQ(buf, "x\"y");  // a quote inside a word is a plain byte
  const int32_t at = lexer->position;
  lexer->ReadToken(buf, 64);
  EXPECT_EQ(lexer->position, at);  // ReadToken alone does not move on
  lexer->ReadArgument(buf);
  lexer->ReadArgument(buf);
  EXPECT_STREQ(buf, "");  // end of source
}

TEST_F(LexerTest, UnterminatedQuoteStopsAtEnd) {
  writeRawScript("q", "\"abc");
  ASSERT_TRUE(load("q"));
  char buf[64];
  lexer->ReadArgument(buf);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(lexer->position, lexer->sourceSize);
}

TEST_F(LexerTest, LfOnlyWordsRunOnAcrossLines) {
  writeRawScript("lf", "cls\nB=1\n");
  ASSERT_TRUE(load("lf"));
  char buf[64];
  lexer->ReadArgument(buf);
  EXPECT_STREQ(buf, "cls\nB=1\n");
}

TEST_F(LexerTest, ArgumentOnTheNextLineCountsTheLineBreak) {
  runScript("define\n\nkey value\ncls\n");
  EXPECT_TRUE(errors().empty());
  ASSERT_NE(runtime->defineTable.find("key"), nullptr);
  EXPECT_EQ(*runtime->defineTable.find("key"), "value");
  EXPECT_EQ(boxTexts().back(), "最後まで実行しました \n (5)\n");
}

TEST_F(LexerTest, TooLongTokenIsReportedCutAndPassedWhole) {
  const std::string name64(64, 'n');
  runScript("define k " + name64 + "\nB=1\n");
  ASSERT_EQ(errors().size(), 1u);
  EXPECT_EQ(errorHeads()[0], "トークンが長すぎる " + std::string(63, 'n'));
  ASSERT_NE(runtime->defineTable.find("k"), nullptr);
  EXPECT_EQ(*runtime->defineTable.find("k"), std::string(63, 'n'));
  EXPECT_EQ(var('B'), 1);
  // 63 characters fit.
  headless.host.clearBoxes();
  runScript("define k " + std::string(63, 'm') + "\n");
  EXPECT_TRUE(errors().empty());
}

TEST_F(LexerTest, LongLinesAreReportedAndCut) {
  const std::string longComment = "; " + std::string(1100, 'c');
  runScript(longComment + "\nB=1\n;" + std::string(1022, 'd') + "\n");
  ASSERT_EQ(errors().size(), 1u);  // the 1023-character line fits
  EXPECT_EQ(errorHeads()[0], "１行が１０２４文字を超えている ");
  // A first word longer than the token buffer is reported too.
  headless.host.clearBoxes();
  runScript(";" + std::string(1100, 'c') + "\n");
  EXPECT_EQ(errorHeads(),
            (std::vector<std::string>{"トークンが長すぎる " + (";" + std::string(1022, 'c')),
                                      "１行が１０２４文字を超えている "}));
  EXPECT_EQ(var('B'), 1);
}

TEST_F(LexerTest, ReadLineStopsAtLineEnd) {
  writeRawScript("l", "abc def\r\nnext");
  ASSERT_TRUE(load("l"));
  lexer->ReadLine();
  EXPECT_STREQ(lexer->lineText, "abc def");
  EXPECT_EQ(lexer->lineLength, 7);
  EXPECT_EQ(lexer->position, 1);
}

TEST_F(LexerTest, FileExistsByExtension) {
  ArchiveWriter scr, cg;
  scr.add("a.scr", "N");
  cg.add("pic.bmp", "B");
  cg.add("lay.PSD", "P");
  ASSERT_TRUE(scr.writeFile(dir.str() + "/arc.scr", true));
  ASSERT_TRUE(cg.writeFile(dir.str() + "/arc.cg", true));
  ASSERT_TRUE(runtime->scriptArchive.open("arc.scr", true));
  ASSERT_TRUE(runtime->imageArchive.open("arc.cg", true));
  dir.write("mov/op.mpg", "m");
  struct Case {
    const char* path;
    bool exists;
  } cases[] = {
      {"scr\\a.scr", true},
      {"scr\\A.SCR", true},
      {"scr\\b.scr", false},
      {"cg\\pic.BMP", true},
      {"cg\\lay.psd", true},
      {"cg\\pic.psd", false},
      {"wav\\none.wav", true},
      {"wav\\NONE.WAV", true},
      {"mov\\op.mpg", true},
      {"mov\\no.mpg", false},
      {"x", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lexer->FileExists(c.path, true), c.exists) << c.path;
  }
  EXPECT_TRUE(boxTexts().empty());  // silent
  EXPECT_FALSE(lexer->FileExists("cg\\missing.psd", false));
  ASSERT_EQ(errorHeads().size(), 1u);
  EXPECT_EQ(errorHeads()[0], "ファイルが存在しない cg\\missing.psd");
}

TEST_F(LexerTest, SeekToCountsLineFeeds) {
  writeRawScript("k", "a\r\nb\r\nc\r\n");
  ASSERT_TRUE(load("k"));
  lexer->SeekTo(7);
  EXPECT_EQ(lexer->position, 7);
  EXPECT_EQ(lexer->lineNumber, 3);
  lexer->SeekTo(1);
  EXPECT_EQ(lexer->lineNumber, 1);
  lexer->SeekTo(100000);  // clamped into the source
  EXPECT_EQ(lexer->position, lexer->sourceSize);
  EXPECT_EQ(lexer->lineNumber, 4);
}

TEST_F(LexerTest, ReportBadParameterFormat) {
  writeRawScript("p", "cls\r\n");
  ASSERT_TRUE(load("p"));
  std::strcpy(runtime->gameState.scriptName, "pq");
  lexer->ReadLine();
  lexer->ReportBadParameter("FADE_X");
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_EQ(boxTexts()[0], "パラメータが不正 FADE_X\npq (1)\ncls");
  // The internal form: the source file's part after the last backslash.
  lexer->ReportError("m", "d", "dir\\unit", 42, "t");
  EXPECT_EQ(boxTexts()[1], "m d\nunit (42)\nt");
}

TEST_F(LexerTest, TextLinesGoToTheTextHandler) {
  lexer->windowDefined = true;  // as if a window command had run
  runScript("テキスト\nB=1\n");
  EXPECT_TRUE(errors().empty());
  EXPECT_EQ(var('B'), 1);
}

TEST_F(LexerTest, BadBytesNeverHang) {
  // No line ends, zero bytes, a 5 MB line: each ends cleanly.
  struct Case {
    std::string body;
  } cases[] = {
      {std::string("A=1")},
      {std::string("\0\0\0A=1\0B=2", 10)},
      {std::string(5 << 20, 'x')},
      {std::string(5 << 20, ' ')},
      {"\"" + std::string(100000, 'q')},
      {std::string("[") + std::string(3000, '(')},
  };
  for (const Case& c : cases) {
    headless.host.clearBoxes();
    writeRawScript("bad", c.body);
    ASSERT_TRUE(load("bad"));
    const int steps = run(1000);
    EXPECT_LT(steps, 1000);
    EXPECT_FALSE(boxTexts().empty());
  }
}

}  // namespace
}  // namespace kobre
