#include "support/upfetch/UpdaterRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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
using test::UpdaterHome;

struct Box {
  std::string kind;
  std::string text;
  bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Box& box) {
  return out << box.kind << ": " << box.text;
}

class RecordingBoxes : public UpdaterBoxes {
 public:
  explicit RecordingBoxes(bool yes) : yes_(yes) {}
  void information(std::string_view text) override { boxes.push_back({"info", std::string(text)}); }
  void error(std::string_view text) override { boxes.push_back({"error", std::string(text)}); }
  bool question(std::string_view text) override {
    boxes.push_back({"question", std::string(text)});
    return yes_;
  }
  std::vector<Box> boxes;

 private:
  bool yes_;
};

const Box kNoUpdate{"info", "アップデートはありません"};

std::string questionText(const std::string& version) {
  return "新しいアップデートがあります\n以下の情報を送信します\nバージョン " + version +
         "\nユーザーＩＤ " + support::installationId("/") +
         "\n\n※いいえを選ぶとアップデートされません";
}

// The servers of one run and the answer the user gives.
struct RunSetup {
  UpdaterHome home;
  ScriptedHttp info;
  ScriptedHttp download;
  test::LoopbackSmtp smtp;
  UpdaterConfig config;
  RunOptions options;

  RunSetup() {
    config.info = info.url();
    config.download = download.url();
    config.mailHost = "127.0.0.1";
    config.mailPort = smtp.port();
    config.mailbox = "notice@maker.test";
    config.blindCopy = "copy@maker.test";
    options.downloadFolder = home.downloads().string();
  }
  std::vector<Box> run(bool yes) {
    RecordingBoxes boxes(yes);
    runUpdater(config, home.settings(), boxes, options);
    return boxes.boxes;
  }
  std::string savedData() { return readAll(home.dataFile()); }
};

TEST(UpdaterRun, WithoutServersItSaysSoOnceAndChangesNothing) {
  RunSetup setup;
  setup.config.info.clear();
  const std::vector<Box> boxes = setup.run(true);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, "error");
  EXPECT_NE(boxes[0].text.find("upfetch.ini"), std::string::npos);
  EXPECT_FALSE(fs::exists(setup.home.dataFile()));
  EXPECT_EQ(setup.download.connections(), 0);
}

TEST(UpdaterRun, NoUpdateOnTheServer) {
  RunSetup setup;
  setup.info.reply(okReply("succeeded\tMk\tSw\t__NUD__\tup.sh"));
  EXPECT_EQ(setup.run(true), std::vector<Box>{kNoUpdate});
  EXPECT_NE(setup.savedData().find("\tStatus\t\tok\r\n"), std::string::npos);
  EXPECT_EQ(setup.download.connections(), 0);
  EXPECT_EQ(setup.smtp.connections(), 0);
}

TEST(UpdaterRun, ASecondUpdaterShowsNoUpdate) {
  RunSetup setup;
  setup.info.reply(okReply("succeeded\tMk\tSw\t1.1\tup.sh"));
  UpdateEngine first(setup.home.settings());
  ASSERT_EQ(first.initialize(), kResultOk);
  EXPECT_EQ(setup.run(true), std::vector<Box>{kNoUpdate});
  EXPECT_EQ(setup.info.connections(), 0);
}

TEST(UpdaterRun, DecliningAsksAndDoesNothingElse) {
  RunSetup setup;
  setup.info.reply(okReply("succeeded\tMk\tSw\t1.1\tup.sh"));
  EXPECT_EQ(setup.run(false), (std::vector<Box>{Box{"question", questionText("1.1")}}));
  EXPECT_EQ(setup.download.connections(), 0);
  EXPECT_EQ(setup.smtp.connections(), 0);
  EXPECT_NE(setup.savedData().find("\tUpdateVersion\t1.1\r\n"), std::string::npos);
}

TEST(UpdaterRun, AnUnreadableIdentifierStopsTheRun) {
  RunSetup setup;
  setup.info.reply(okReply("succeeded\tMk\tSw\t1.1\tup.sh"));
  setup.options.idFolder = (setup.home.root() / "no such folder").string();
  EXPECT_EQ(setup.run(true), (std::vector<Box>{Box{"error", "ユーザー情報の取得に失敗しました"}}));
  EXPECT_EQ(setup.download.connections(), 0);
}

TEST(UpdaterRun, AcceptingMailsDownloadsAndRunsTheUpdate) {
  RunSetup setup;
  setup.info.reply(okReply("succeeded\tMk\tSw\t1.1\tup.sh"));
  setup.download.reply(okReply("#!/bin/sh\necho done > \"$0.ran\"\n"));
  EXPECT_EQ(setup.run(true), (std::vector<Box>{Box{"question", questionText("1.1")}}));
  EXPECT_EQ(readAll(setup.home.downloads() / "up.sh.ran"), "done\n");
  const std::string saved = setup.savedData();
  EXPECT_NE(saved.find("\tInstallVersion\t1.1\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\tStatus\t\tok\r\n"), std::string::npos);

  const auto deliveries = setup.smtp.deliveries();
  ASSERT_EQ(deliveries.size(), 1u);
  EXPECT_EQ(deliveries[0].mailFrom, "notice@maker.test");
  EXPECT_EQ(deliveries[0].recipients,
            (std::vector<std::string>{"notice@maker.test", "copy@maker.test"}));
  EXPECT_NE(deliveries[0].data.find("Subject: KOBRE User Download\r\n"), std::string::npos);
  EXPECT_EQ(deliveries[0].data.find("copy@maker.test"), std::string::npos);
  EXPECT_NE(deliveries[0].data.find("ISO-2022-JP"), std::string::npos);
  EXPECT_NE(deliveries[0].data.find(support::installationId("/")), std::string::npos);
}

TEST(UpdaterRun, DownloadErrorsAreShownAndUpdateFailuresAreNot) {
  struct Case {
    std::string downloadReply;
    std::vector<Box> extra;
    std::string status;
  };
  const std::vector<Case> cases = {
      {"HTTP/1.0 404 Not Found\r\n\r\n", {Box{"error", "サーバーのデータが不正"}}, "na"},
      {"HTTP/1.0 200 OK\r\nContent-Length: 99\r\n\r\n#!",
       {Box{"error", "ダウンロードに失敗した"}},
       "rs"},
      {okReply("#!/bin/sh\nexit 3\n"), {}, "dl"},
  };
  for (const Case& c : cases) {
    RunSetup setup;
    setup.config.mailHost.clear();  // the run goes on without the mail
    setup.info.reply(okReply("succeeded\tMk\tSw\t1.1\tup.sh"));
    setup.download.reply(c.downloadReply);
    std::vector<Box> expected{Box{"question", questionText("1.1")}};
    expected.insert(expected.end(), c.extra.begin(), c.extra.end());
    EXPECT_EQ(setup.run(true), expected) << c.downloadReply;
    EXPECT_NE(setup.savedData().find("\tStatus\t\t" + c.status + "\r\n"), std::string::npos);
    EXPECT_NE(setup.savedData().find("\tInstallVersion\t0\r\n"), std::string::npos);
  }
}

TEST(UpdaterRun, APendingDownloadAsksWithoutTheServer) {
  RunSetup setup;
  setup.home.writeRecord("dl", "2.0", "up.sh");
  setup.config.mailHost.clear();
  test::writeAll(setup.home.downloads() / "up.sh", "#!/bin/sh\nexit 1\n");
  EXPECT_EQ(setup.run(true), (std::vector<Box>{Box{"question", questionText("2.0")}}));
  EXPECT_EQ(setup.info.connections(), 0);
  EXPECT_EQ(setup.download.connections(), 0);
  // Exit code 1: the same update is offered again next time.
  EXPECT_NE(setup.savedData().find("\tStatus\t\tdl\r\n"), std::string::npos);
  EXPECT_NE(setup.savedData().find("\tInstallVersion\t1.0\r\n"), std::string::npos);
}

TEST(UpdaterConfigFile, ReadsTheServerSection) {
  const std::string ini =
      "[Other]\nInfo=http://wrong/\n[Server]\nInfo = http://info.test:8080\n"
      "Download=http://dl.test/base\nMailHost=mail.test:2525\nMailbox=n@maker.test\n"
      "BlindCopy=\"c@maker.test\"\n";
  UpdaterConfig config;
  readConfig({reinterpret_cast<const uint8_t*>(ini.data()), ini.size()}, config);
  EXPECT_EQ(config.info, "http://info.test:8080");
  EXPECT_EQ(config.download, "http://dl.test/base");
  EXPECT_EQ(config.mailHost, "mail.test");
  EXPECT_EQ(config.mailPort, 2525);
  EXPECT_EQ(config.mailbox, "n@maker.test");
  EXPECT_EQ(config.blindCopy, "c@maker.test");
  EXPECT_TRUE(config.hasServers());

  struct HostCase {
    std::string text;
    bool ok;
    std::string host;
    int port;
  };
  for (const HostCase& c : std::vector<HostCase>{{"mail.test", true, "mail.test", 25},
                                                 {"mail.test:587", true, "mail.test", 587},
                                                 {"mail.test:", false, "", 0},
                                                 {":25", false, "", 0},
                                                 {"mail.test:70000", false, "", 0},
                                                 {"mail.test:2x", false, "", 0}}) {
    std::string host;
    int port = 0;
    EXPECT_EQ(parseMailHost(c.text, host, port), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(host, c.host);
      EXPECT_EQ(port, c.port);
    }
  }
}

}  // namespace
}  // namespace kobre::upfetch
