// `kobre --lint` as game makers run it: the bundled demo is clean, a faulty
// game gives its report lines and exit code 1, usage errors exit 2.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/storage/TempFolder.h"

namespace kobre::testing {
namespace {

struct Lint {
  int code = -1;
  std::string out;
};

Lint runLint(const std::string& args) {
  const std::string command = "timeout 120 '" + std::string(KOBRE_PROGRAM) + "' --lint " + args;
  FILE* pipe = popen(command.c_str(), "r");
  Lint r;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
  const int status = pclose(pipe);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

TEST(LintCommand, DemoGameIsClean) {
  if (!std::filesystem::exists(std::string(KOBRE_DEMO_DIR) + "/arc.scr"))
    GTEST_SKIP() << "the demo game is not built";
  const Lint r = runLint(std::string("'") + KOBRE_DEMO_DIR + "'");
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(r.out, "");
}

TEST(LintCommand, FaultyGameExitsOne) {
  TempFolder game;
  // Shift-JIS is not needed for ASCII lines; CR LF as the game's files have.
  game.write("scr/open.scr", "Ncls\r\nfoo\r\nbg nothing FADE_IN\r\n");
  const Lint r = runLint("'" + game.str() + "'");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out,
            "open.scr:2: 未定義のコマンド foo\n"
            "open.scr:3: ファイルが存在しない cg\\nothing.psd\n");
}

TEST(LintCommand, UsageErrorsExitTwo) {
  TempFolder game;
  EXPECT_EQ(runLint("2>/dev/null").code, 2);
  EXPECT_EQ(runLint("--bogus '" + game.str() + "' 2>/dev/null").code, 2);
  EXPECT_EQ(runLint("'" + game.str() + "' '" + game.str() + "' 2>/dev/null").code, 2);
  EXPECT_EQ(runLint("'" + game.str() + "/none' 2>/dev/null").code, 2);
}

}  // namespace
}  // namespace kobre::testing
