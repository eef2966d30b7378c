#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/mail/InstallationId.h"
#include "tests/support/mail/LoopbackSmtp.h"
#include "tests/support/upfetch/EngineFixture.h"
#include "tests/support/upfetch/HttpServers.h"

namespace kobre::upfetch {
namespace {

namespace fs = std::filesystem;
using test::okReply;
using test::readAll;
using test::ScriptedHttp;
using test::TempFolder;
using test::writeAll;

struct Outcome {
  int exitCode = -1;
  std::string out;
};

// Runs the updater program in `folder` with its own data and runtime folders.
Outcome runProgram(const fs::path& folder, const std::string& arguments) {
  const std::string command = "cd '" + folder.string() + "' && XDG_DATA_HOME='" +
                              (folder / "data").string() + "' XDG_RUNTIME_DIR='" + folder.string() +
                              "' " UPFETCH_PROGRAM " " + arguments + " 2>/dev/null";
  Outcome outcome;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return outcome;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.out.append(buffer, n);
  const int status = ::pclose(pipe);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

TEST(UpfetchHeadless, AWholeRunPrintsItsBoxesAndRunsTheUpdateInTheCurrentFolder) {
  TempFolder folder;
  ScriptedHttp info;
  ScriptedHttp download;
  test::LoopbackSmtp smtp;
  info.reply(okReply("succeeded\tMk\tSw\t1.1\tup.sh"));
  download.reply(okReply("#!/bin/sh\npwd > ran.txt\n"));
  writeAll(folder.path() / "maker.ini", "[Server]\nMailbox=notice@maker.test\n");

  const Outcome outcome =
      runProgram(folder.path(), "--headless --answer yes --config maker.ini --info " + info.url() +
                                    " --download " + download.url() +
                                    " --mail-host 127.0.0.1:" + std::to_string(smtp.port()));
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.out,
            "BOX\tupfetch\t新しいアップデートがあります\\n以下の情報を送信します\\nバージョン "
            "1.1\\nユーザーＩＤ " +
                support::installationId("/") + "\\n\\n※いいえを選ぶとアップデートされません\n");
  EXPECT_EQ(readAll(folder.path() / "ran.txt"), fs::canonical(folder.path()).string() + "\n");
  EXPECT_EQ(test::modeOf(folder.path() / "up.sh"), 0700u);
  const std::string saved = readAll(folder.path() / "data" / "upfetch" / "upfetch.db");
  EXPECT_NE(saved.find("\tInstallVersion\t1.1\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\tStatus\t\tok\r\n"), std::string::npos);
  EXPECT_EQ(smtp.deliveries().size(), 1u);
}

TEST(UpfetchHeadless, WithoutConfigurationOneBoxAndNothingWritten) {
  TempFolder folder;
  writeAll(folder.path() / "empty.ini", "");
  const Outcome outcome = runProgram(folder.path(), "--headless --config empty.ini");
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.out.rfind("BOX\tupfetch\t", 0), 0u);
  EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 1);
  EXPECT_FALSE(fs::exists(folder.path() / "data"));
}

TEST(UpfetchHeadless, NoIsTheDefaultAnswerAndBadOptionsAreUsageErrors) {
  TempFolder folder;
  ScriptedHttp info;
  ScriptedHttp download;
  info.reply(okReply("succeeded\tMk\tSw\t1.1\tup.sh"));
  writeAll(folder.path() / "empty.ini", "");
  const std::string servers = " --info " + info.url() + " --download " + download.url();
  const Outcome declined = runProgram(folder.path(), "--headless --config empty.ini" + servers);
  EXPECT_EQ(declined.exitCode, 0);
  EXPECT_EQ(std::count(declined.out.begin(), declined.out.end(), '\n'), 1);
  EXPECT_EQ(download.connections(), 0);

  for (const std::string bad : {"--headless --answer maybe", "--headless --bogus",
                                "--headless --info", "--headless --mail-host host:x"})
    EXPECT_EQ(runProgram(folder.path(), bad).exitCode, 2) << bad;
}

}  // namespace
}  // namespace kobre::upfetch
