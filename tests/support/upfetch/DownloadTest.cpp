#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/upfetch/UpdateEngine.h"
#include "tests/support/upfetch/EngineFixture.h"
#include "tests/support/upfetch/HttpServers.h"

namespace kobre::upfetch {
namespace {

namespace fs = std::filesystem;
using test::modeOf;
using test::okReply;
using test::readAll;
using test::ScriptedHttp;
using test::StaticServer;
using test::TempFolder;
using test::UpdaterHome;
using test::waitForDownload;
using test::writeAll;

// Bytes of every value, so a shifted or repeated piece shows.
std::string program(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

// A real web server serving "/upfetch/00000001/00000002/<name>" from a folder of its own.
struct Site {
  Site(StaticServer::Kind kind, const std::string& name, const std::string& bytes)
      : server(kind, docs.path(), work.path()) {
    const fs::path folder = docs.path() / "upfetch" / "00000001" / "00000002";
    fs::create_directories(folder);
    writeAll(folder / name, bytes);
  }
  TempFolder docs;
  TempFolder work;
  StaticServer server;
};

int32_t download(UpdateEngine& engine, std::string& folder) {
  const int32_t started = engine.startDownload(folder);
  if (started != kResultOk) return started;
  waitForDownload(engine);
  return engine.lastResult();
}

const std::vector<StaticServer::Kind> kServers = {StaticServer::Kind::kLighttpd,
                                                  StaticServer::Kind::kNginx};

TEST(UpdateEngineDownload, FetchesTheUpdateFromARealServer) {
  const std::string bytes = program(300 * 1024);
  for (StaticServer::Kind kind : kServers) {
    ASSERT_TRUE(fs::exists(StaticServer::program(kind))) << "run scripts/setup";
    Site site(kind, "up.bin", bytes);
    ASSERT_TRUE(site.server.running()) << StaticServer::program(kind);
    UpdaterHome home;
    ScriptedHttp info;
    info.reply(okReply("succeeded\tMk\tSw\t1.1\tup.bin"));
    UpdateEngine engine(home.settings(info.url(), site.server.url()));
    ASSERT_EQ(engine.initialize(), kResultOk);
    std::string version;
    ASSERT_EQ(engine.checkForUpdate(version), kResultOk);

    std::string folder = home.downloads().string() + "/";
    EXPECT_EQ(download(engine, folder), kResultOk) << StaticServer::program(kind);
    const fs::path target = home.downloads() / "up.bin";
    EXPECT_EQ(folder, target.string());
    EXPECT_TRUE(readAll(target) == bytes) << StaticServer::program(kind);
    EXPECT_EQ(modeOf(target), 0700u);
    EXPECT_EQ(engine.record().status, "dl");
    // Only the program is left: no piece under the temporary name.
    EXPECT_EQ(std::distance(fs::directory_iterator(home.downloads()), fs::directory_iterator()), 1);
  }
}

TEST(UpdateEngineDownload, ResumesABrokenDownloadFromARealServer) {
  const std::string bytes = program(200 * 1024);
  // The piece already here differs from the server's first bytes: only a
  // 206 reply leaves it as it is; a server that sends the whole file again
  // (lighttpd does for HTTP/1.0) replaces it.
  const std::string held(70000, 'Z');
  const std::vector<std::pair<StaticServer::Kind, std::string>> cases = {
      {StaticServer::Kind::kNginx, held + bytes.substr(held.size())},
      {StaticServer::Kind::kLighttpd, bytes},
  };
  for (const auto& [kind, expected] : cases) {
    ASSERT_TRUE(fs::exists(StaticServer::program(kind))) << "run scripts/setup";
    Site site(kind, "up.bin", bytes);
    ASSERT_TRUE(site.server.running()) << StaticServer::program(kind);
    UpdaterHome home;
    home.writeRecord("rs", "1.1", "up.bin");
    writeAll(home.downloads() / ".up.bin.part", held);
    UpdateEngine engine(home.settings("http://127.0.0.1:1", site.server.url()));
    ASSERT_EQ(engine.initialize(), kResultOk);
    std::string folder = home.downloads().string();
    EXPECT_EQ(download(engine, folder), kResultOk) << StaticServer::program(kind);
    EXPECT_TRUE(readAll(home.downloads() / "up.bin") == expected) << StaticServer::program(kind);
    EXPECT_EQ(engine.record().status, "dl");
  }
}

TEST(UpdateEngineDownload, ARangeOnlyWhenResuming) {
  struct Case {
    std::string status;
    std::string reply;
    std::string range;     // expected header line, empty for none
    std::string expected;  // the file afterwards
  };
  const std::string held(37, 'h');
  const std::vector<Case> cases = {
      {"rs", "HTTP/1.1 206 Partial Content\r\nContent-Length: 3\r\n\r\nxyz", "Range: bytes=37-",
       held + "xyz"},
      {"ok", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello", "", "hello"},
      // A server that ignores the range sends the whole file: it is not appended.
      {"rs", "HTTP/1.0 200 OK\r\n\r\nwhole file", "Range: bytes=37-", "whole file"},
  };
  for (const Case& c : cases) {
    UpdaterHome home;
    home.writeRecord(c.status, "1.1", "up.bin");
    writeAll(home.downloads() / ".up.bin.part", held);
    ScriptedHttp server;
    server.reply(c.reply);
    UpdateEngine engine(home.settings("http://127.0.0.1:1", server.url()));
    ASSERT_EQ(engine.initialize(), kResultOk);
    std::string folder = home.downloads().string();
    EXPECT_EQ(download(engine, folder), kResultOk) << c.reply;
    const std::string request = server.requests().at(0);
    EXPECT_EQ(request.rfind("GET /upfetch/00000001/00000002/up.bin HTTP/1.0\r\n", 0), 0u);
    if (c.range.empty())
      EXPECT_EQ(request.find("Range:"), std::string::npos);
    else
      EXPECT_NE(request.find("\r\n" + c.range + "\r\n"), std::string::npos);
    EXPECT_EQ(readAll(home.downloads() / "up.bin"), c.expected);
  }
}

TEST(UpdateEngineDownload, ACutShortTransferIsKeptForTheNextRun) {
  UpdaterHome home;
  home.writeRecord("ok", "1.1", "up.bin");
  {
    ScriptedHttp server;
    server.reply("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123");
    UpdateEngine engine(home.settings("http://127.0.0.1:1", server.url()));
    ASSERT_EQ(engine.initialize(), kResultOk);
    std::string folder = home.downloads().string();
    EXPECT_EQ(download(engine, folder), kErrorDownload);
    EXPECT_EQ(engine.record().status, "rs");
    EXPECT_FALSE(fs::exists(home.downloads() / "up.bin"));
    EXPECT_EQ(engine.finish(), kResultOk);
  }
  ScriptedHttp server;
  server.reply("HTTP/1.0 206 Partial Content\r\nContent-Length: 6\r\n\r\n456789");
  UpdateEngine engine(home.settings("http://127.0.0.1:1", server.url()));
  ASSERT_EQ(engine.initialize(), kResultOk);
  std::string version;
  EXPECT_EQ(engine.checkForUpdate(version), kResultPending);
  std::string folder = home.downloads().string();
  EXPECT_EQ(download(engine, folder), kResultOk);
  EXPECT_NE(server.requests().at(0).find("\r\nRange: bytes=4-\r\n"), std::string::npos);
  EXPECT_EQ(readAll(home.downloads() / "up.bin"), "0123456789");
  EXPECT_EQ(engine.record().status, "dl");
}

TEST(UpdateEngineDownload, ServerErrorsAndHostileNamesWriteNothing) {
  struct Case {
    std::string status;
    std::string file;
    std::string reply;
    int32_t result;
    std::string after;
  };
  const std::vector<Case> cases = {
      {"ok", "up.bin", "HTTP/1.0 404 Not Found\r\n\r\nnot here", kErrorServerData, "na"},
      {"rs", "up.bin", "HTTP/1.0 416 Range Not Satisfiable\r\n\r\n", kErrorServerData, "na"},
      {"rs", "../up.bin", okReply("payload"), kErrorServerData, "na"},
      {"ok", ".hidden", okReply("payload"), kErrorServerData, "na"},
      {"ok", "up.bin", "", kErrorServerData, "na"},  // closed before any line: status 0
  };
  for (const Case& c : cases) {
    UpdaterHome home;
    home.writeRecord(c.status, "1.1", c.file);
    ScriptedHttp server;
    server.reply(c.reply);
    UpdateEngine engine(home.settings("http://127.0.0.1:1", server.url()));
    ASSERT_EQ(engine.initialize(), kResultOk);
    std::string folder = home.downloads().string();
    EXPECT_EQ(download(engine, folder), c.result) << c.file << " " << c.reply;
    EXPECT_EQ(engine.record().status, c.after);
    EXPECT_TRUE(fs::is_empty(home.downloads())) << c.file << " " << c.reply;
    EXPECT_FALSE(fs::exists(home.root() / "up.bin"));
  }
}

TEST(UpdateEngineDownload, NoUpdateAndAVanishedDownload) {
  {
    UpdaterHome home;
    home.writeRecord("ok", "__NUD__", "up.bin");
    UpdateEngine engine(home.settings());
    ASSERT_EQ(engine.initialize(), kResultOk);
    std::string folder = home.downloads().string();
    EXPECT_EQ(download(engine, folder), kResultNewest);
  }
  // "dl" whose file has gone is downloaded again from the start.
  UpdaterHome home;
  home.writeRecord("dl", "1.1", "up.bin");
  ScriptedHttp server;
  server.reply(okReply("fresh"));
  UpdateEngine engine(home.settings("http://127.0.0.1:1", server.url()));
  ASSERT_EQ(engine.initialize(), kResultOk);
  std::string folder = home.downloads().string();
  EXPECT_EQ(download(engine, folder), kResultOk);
  EXPECT_EQ(server.requests().at(0).find("Range:"), std::string::npos);
  EXPECT_EQ(readAll(home.downloads() / "up.bin"), "fresh");
}

TEST(UpdateEngineRun, ExitCodeDecidesTheRecordedVersion) {
  struct Case {
    int exitCode;
    int32_t result;
    std::string status;
    std::string installVersion;
  };
  for (const Case& c :
       std::vector<Case>{{0, kResultOk, "ok", "1.1"}, {1, kErrorUpdaterFailed, "dl", "1.0"}}) {
    UpdaterHome home;
    home.writeRecord("dl", "1.1", "up.sh");
    const fs::path updater = home.downloads() / "up.sh";
    writeAll(updater,
             "#!/bin/sh\necho ran > \"$0.ran\"\nexit " + std::to_string(c.exitCode) + "\n");
    fs::permissions(updater, fs::perms::owner_read | fs::perms::owner_write);
    UpdateEngine engine(home.settings());
    ASSERT_EQ(engine.initialize(), kResultOk);
    EXPECT_EQ(engine.runUpdate(updater.string()), c.result);
    EXPECT_EQ(readAll(home.downloads() / "up.sh.ran"), "ran\n");
    EXPECT_EQ(modeOf(updater), 0700u);
    EXPECT_EQ(engine.record().status, c.status);
    EXPECT_EQ(engine.record().installVersion, c.installVersion);
    EXPECT_EQ(engine.finish(), kResultOk);
    EXPECT_NE(readAll(home.dataFile()).find("\tStatus\t\t" + c.status + "\r\n"), std::string::npos);
  }
}

TEST(UpdateEngineRun, OnlyARegularFileIsRun) {
  UpdaterHome home;
  home.writeRecord("dl", "1.1", "up.sh");
  const fs::path elsewhere = home.root() / "elsewhere.sh";
  writeAll(elsewhere, "#!/bin/sh\nexit 0\n");
  fs::create_symlink(elsewhere, home.downloads() / "up.sh");
  fs::create_directory(home.downloads() / "folder");
  writeAll(home.downloads() / "garbage", "not a program");
  UpdateEngine engine(home.settings());
  ASSERT_EQ(engine.initialize(), kResultOk);
  EXPECT_EQ(engine.runUpdate((home.downloads() / "up.sh").string()), kErrorUpdaterMissing);
  EXPECT_EQ(engine.runUpdate((home.downloads() / "missing").string()), kErrorUpdaterMissing);
  EXPECT_EQ(engine.runUpdate((home.downloads() / "folder").string()), kErrorUpdaterMissing);
  // A file that cannot be started counts as a failed update.
  EXPECT_EQ(engine.runUpdate((home.downloads() / "garbage").string()), kErrorUpdaterFailed);
  EXPECT_EQ(engine.record().status, "dl");
  EXPECT_EQ(engine.record().installVersion, "1.0");
}

}  // namespace
}  // namespace kobre::upfetch
