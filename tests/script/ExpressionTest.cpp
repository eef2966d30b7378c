#include <gtest/gtest.h>

#include "tests/script/ScriptFixture.h"

namespace kobre {
namespace {

using testing::ScriptFixture;
class ExpressionTest : public ScriptFixture {
 protected:
  ExpressionTest() { useSimpleInput(); }
};

TEST_F(ExpressionTest, EvaluateTable) {
  writeRawScript("e", "");
  ASSERT_TRUE(load("e"));
  auto& gs = runtime->gameState;
  gs.variable('A') = 7;
  gs.variable('Z') = -3;
  gs.flags[5] = 200;
  gs.flags[2047] = 1;
  struct Case {
    const char* text;
    int32_t value;
    const char* error;  // head of the box, or nullptr
  } cases[] = {
      {"", 0, nullptr},
      {"1+2*3", 9, nullptr},  // strictly left to right
      {"-5", -5, nullptr},
      {"+5", 5, nullptr},
      {"10/3", 3, nullptr},
      {"A*2", 14, nullptr},
      {"Z-1", -4, nullptr},
      {"F5+1", 201, nullptr},
      {"F2047", 1, nullptr},
      {"12&10", 8, nullptr},
      {"12|3", 15, nullptr},
      {"12^10", 6, nullptr},
      {"5*-3", 2, nullptr},                  // the last of several operators counts
      {"2147483647+1", INT32_MIN, nullptr},  // 32-bit wrap-around
      {"AB+1", 8, "不正な変数 AB"},          // first letter used
      {"F", 0, nullptr},                     // F alone is the variable F
      {"F2048", kEvaluateError, "フラグの範囲を超えている F2048"},
      {"F99999999999", kEvaluateError, "フラグの範囲を超えている F99999999999"},
      {"1+", kEvaluateError, "パラメータが不正 1+"},
      {"a", kEvaluateError, "パラメータが不正 a"},
      {"1 2", kEvaluateError, "パラメータが不正 1 2"},
      {"(1)", kEvaluateError, "パラメータが不正 (1)"},
      {"1=1", kEvaluateError, "パラメータが不正 1=1"},
      {"5/0", kEvaluateError, "パラメータが不正 5/0"},
      {"5/A-7", kEvaluateError, "パラメータが不正 5/A-7"},  // A-7 is not grouped: 5/7-7 = -7
  };
  for (const Case& c : cases) {
    headless.host.clearBoxes();
    const int32_t v = lexer->Evaluate(c.text);
    if (std::string(c.text) == "5/A-7") {
      EXPECT_EQ(v, -7) << c.text;
      EXPECT_TRUE(boxTexts().empty()) << c.text;
      continue;
    }
    EXPECT_EQ(v, c.value) << c.text;
    if (c.error == nullptr) {
      EXPECT_TRUE(boxTexts().empty()) << c.text;
    } else {
      ASSERT_EQ(errorHeads().size(), 1u) << c.text;
      EXPECT_EQ(errorHeads()[0], c.error);
    }
  }
}

TEST_F(ExpressionTest, LongExpressions) {
  // 500 operators fit in one word and evaluate left to right.
  std::string e = "1";
  for (int i = 0; i < 500; ++i) e += "+1";
  runScript("A=" + e + "\n");
  EXPECT_EQ(var('A'), 501);
  EXPECT_TRUE(errors().empty());

  // 1000 operators in a row, given directly: the last one counts.
  std::string ops = "1";
  for (int i = 0; i < 1000; ++i) ops += "*+-/&|^";
  ops += "2";
  EXPECT_EQ(lexer->Evaluate(ops.c_str()), 1 ^ 2);

  // In a script such a word is longer than a line's word may be: it is cut,
  // reported, and the script goes on.
  headless.host.clearBoxes();
  runScript("A=" + ops + "\nB=1\n");
  EXPECT_EQ(var('B'), 1);
  EXPECT_TRUE(endedNormally());
}

TEST_F(ExpressionTest, Assignments) {
  runScript("A=1+2*3\nB=-5\nC=10/3\nF5=300\nF6=-1\nF7=F5+1\nD=F5+1\nE=7\nF10+E=4\nFOO=3\n");
  EXPECT_EQ(var('A'), 9);
  EXPECT_EQ(var('B'), -5);
  EXPECT_EQ(var('C'), 3);
  EXPECT_EQ(flag(5), 255);  // clamped
  EXPECT_EQ(flag(6), 0);
  EXPECT_EQ(flag(7), 255);
  EXPECT_EQ(var('D'), 256);
  EXPECT_EQ(flag(17), 4);  // the left side is an expression: F(10+E)
  EXPECT_EQ(var('F'), 3);  // further letters of a variable are ignored
  EXPECT_TRUE(errors().empty());
}

TEST_F(ExpressionTest, AssignmentErrors) {
  struct Case {
    const char* script;
    const char* head;
    bool goesOn;
  } cases[] = {
      {"A=F2048\nB=1\n", "フラグの範囲を超えている F2048", true},
      {"F3=F2048\nB=1\n", "フラグの範囲を超えている F2048", true},
      {"A=1/0\nB=1\n", "パラメータが不正 1/0", true},
      {"ABC\nB=1\n", "代入になっていない ABC", false},
      {"F2048=1\nB=1\n", "フラグの範囲を超えている F2048", false},
      {"F1-2=1\nB=1\n", "フラグの範囲を超えている F1-2", false},
  };
  for (const Case& c : cases) {
    headless.host.clearBoxes();
    runtime->gameState.clear();
    runtime->gameState.variable('A') = 5;
    runtime->gameState.flags[3] = 9;
    runScript(c.script);
    ASSERT_GE(errorHeads().size(), 1u) << c.script;
    EXPECT_EQ(errorHeads()[0], c.head) << c.script;
    EXPECT_EQ(var('B'), c.goesOn ? 1 : 0) << c.script;
    EXPECT_EQ(endedNormally(), c.goesOn) << c.script;
  }
  // An evaluation error still assigns: the smallest integer, or 0 into a flag.
  headless.host.clearBoxes();
  runtime->gameState.flags[3] = 9;
  runScript("A=F2048\nF3=1/0\n");
  EXPECT_EQ(var('A'), INT32_MIN);
  EXPECT_EQ(flag(3), 0);
}

TEST_F(ExpressionTest, Conditions) {
  struct Case {
    const char* cond;
    bool taken;
  } cases[] = {
      {"[A=1&F10=0]", true},    {"[A=1&F10=1]", false}, {"[A=2|A=1]", true}, {"[A=2|A=3]", false},
      {"[A>=1]", true},         {"[A>=2]", false},      {"[A<=1]", true},    {"[A<=0]", false},
      {"[A!1]", false},         {"[A!2]", true},        {"[A<2]", true},     {"[A>0]", true},
      {"[F10]", false},         {"[1]", false},         {"[B=0]", true},     {"[F11=7]", true},
      {"[A=1&B=1|C=0]", true},   // left to right: (true & false) | true
      {"[A=1|B=1&C=1]", false},  // (true | false) & false
      {"[F99999=0]", true},      // flags past the table read 0
      {"[2=A+1]", true},  // "+" is not a condition character: A and 1 compare as 2=1... see below
  };
  for (const Case& c : cases) {
    headless.host.clearBoxes();
    runtime->gameState.clear();
    runtime->gameState.variable('A') = 1;
    runtime->gameState.flags[11] = 7;
    runScript(std::string(c.cond) + "\n{\nD=1\n}\nE=1\n");
    if (std::string(c.cond) == "[2=A+1]") {
      // "+" is reported as an illegal character and the script stops.
      ASSERT_EQ(errorHeads().size(), 1u);
      EXPECT_EQ(errorHeads()[0].rfind("不正な文字", 0), 0u);
      continue;
    }
    EXPECT_EQ(var('D'), c.taken ? 1 : 0) << c.cond;
    EXPECT_EQ(var('E'), 1) << c.cond;
    EXPECT_TRUE(errors().empty()) << c.cond << " " << (errors().empty() ? "" : errors()[0]);
  }
}

TEST_F(ExpressionTest, FalseBlocksSkipNestedBracesCommentsAndTwoByteCharacters) {
  // "ボ" is 0x83 0x7B and "マ" is 0x83 0x7D: their second bytes are "{" and
  // "}" and must not count.
  runScript(
      "[A=1]\n"
      "{\n"
      "  ; a comment with } and { in it\n"
      "  ボタンとマ\n"
      "  [B=0]\n"
      "  {\n"
      "    C=1\n"
      "  }\n"
      "  D=1 ; }\n"
      "}\n"
      "E=1\n");
  EXPECT_EQ(var('C'), 0);
  EXPECT_EQ(var('D'), 0);
  EXPECT_EQ(var('E'), 1);
  EXPECT_TRUE(errors().empty());
}

TEST_F(ExpressionTest, TrueBlockAfterCommentLine) {
  runtime->gameState.variable('A') = 1;
  runScript("[A=1]\n; the brace comes later\n\n   {\nB=1\n}\nC=1\n");
  EXPECT_EQ(var('B'), 1);
  EXPECT_EQ(var('C'), 1);
  EXPECT_TRUE(errors().empty());
}

TEST_F(ExpressionTest, ConditionErrors) {
  struct Case {
    const char* script;
    std::vector<std::string> heads;
    bool goesOn;
  } cases[] = {
      {"[A=0 ]\n{\n}\nB=1\n", {"余分なスペースが入っている "}, true},
      {"[A=0\r\n]\n{\n}\nB=1\n", {"改行で終わっている ", "改行で終わっている "}, true},
      {"[A=]\n{\n}\nB=1\n", {"演算が途中で終わっている "}, false},
      {"[A=0&]\n{\n}\nB=1\n", {"演算が途中で終わっている "}, false},
      {"[A=0]\nB=1\n", {"複文が開始されていない "}, false},
      {"[A=1]\n}\nB=1\n", {"括弧が閉じていない "}, false},
      {"[A=0", {"スクリプトの終わりになった "}, false},
      {"[A=0]\n; only a comment", {"スクリプトの終わりになった "}, false},
      {"[A=1]\n{\nB=1\n", {"スクリプトの終わりになった "}, false},
      {"[A=1]\n{\n{\n}\n", {"スクリプトの終わりになった "}, false},
      {"[A=0#]\n{\n}\n", {"不正な文字 #"}, false},
  };
  for (const Case& c : cases) {
    headless.host.clearBoxes();
    runtime->gameState.clear();
    runScript(c.script);
    EXPECT_EQ(errorHeads(), c.heads) << c.script;
    EXPECT_EQ(var('B'), c.goesOn ? 1 : 0) << c.script;
    EXPECT_EQ(endedNormally(), c.goesOn) << c.script;
  }
}

TEST_F(ExpressionTest, LineNumbersCountWhileSkipping) {
  runtime->gameState.variable('A') = 1;
  runScript("[A=0]\n{\n;x\n\n}\nbogus\n");
  ASSERT_EQ(errors().size(), 1u);
  EXPECT_EQ(errors()[0], "未定義のコマンド bogus\n (6)\nbogus");
}

TEST_F(ExpressionTest, UnbalancedBracketsNeverHang) {
  for (const char* s : {"[[[[[[", "]]]]]", "}}}}}}", "{{{{{{", "[A=1]{{{{", "[A=0]{{{{",
                        "[A=0]{{}}}}}", "[A", "[", "[A=1]", "[A=0]"}) {
    headless.host.clearBoxes();
    runScript(s, 1000);
    EXPECT_FALSE(boxTexts().empty()) << s;
  }
}

}  // namespace
}  // namespace kobre
