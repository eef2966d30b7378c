#include "support/upfetch/UpdateEngine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/upfetch/EngineFixture.h"
#include "tests/support/upfetch/HttpServers.h"

namespace kobre::upfetch {
namespace {

namespace fs = std::filesystem;
using test::okReply;
using test::readAll;
using test::ScriptedHttp;
using test::UpdaterHome;
using test::waitForDownload;
using test::writeAll;

TEST(UpdateEngineQuery, ReadsTheInformationServersAnswer) {
  struct Case {
    std::string reply;
    int32_t result;
    std::string version;
    std::string status;
  };
  const std::vector<Case> cases = {
      {okReply("succeeded\tMk\tSw\t__NUD__\tup.bin"), kResultOk, "", "ok"},
      {okReply("succeeded\t\tMk\tSw\t1.1\tup.bin\r\n"), kResultOk, "1.1", "ok"},
      {okReply("failed\tMk\tSw\t1.1\tup.bin"), kErrorServerData, "", "na"},
      {okReply("succeeded\tMk\tSw\t1.1"), kErrorServerData, "", "na"},
      {okReply(""), kErrorServerData, "", "na"},
      {"HTTP/1.0 404 Not Found\r\n\r\nsucceeded\tMk\tSw\t1.1\tup.bin", kErrorNetwork, "", "na"},
      {"", kErrorNetwork, "", "na"},
      // An UpdateFile that is not a plain name in this folder is refused.
      {okReply("succeeded\tMk\tSw\t1.1\t../up.bin"), kErrorServerData, "", "na"},
      {okReply("succeeded\tMk\tSw\t1.1\tdir/up.bin"), kErrorServerData, "", "na"},
      {okReply("succeeded\tMk\tSw\t1.1\t/tmp/up.bin"), kErrorServerData, "", "na"},
      {okReply("succeeded\tMk\tSw\t1.1\t..\\up.exe"), kErrorServerData, "", "na"},
      {okReply("succeeded\tMk\tSw\t1.1\t.profile"), kErrorServerData, "", "na"},
      {okReply("succeeded\tMk\tSw\t1.1\tup\x01.bin"), kErrorServerData, "", "na"},
      // A line break inside a field would break the saved record.
      {okReply("succeeded\tM\nk\tSw\t1.1\tup.bin"), kErrorServerData, "", "na"},
      {okReply("succeeded\tMk\tSw\t1.1\r\n\tup.bin"), kErrorServerData, "", "na"},
  };
  for (const Case& c : cases) {
    UpdaterHome home;
    ScriptedHttp info;
    info.reply(c.reply);
    UpdateEngine engine(home.settings(info.url()));
    ASSERT_EQ(engine.initialize(), kResultOk);
    std::string version = "stale";
    EXPECT_EQ(engine.checkForUpdate(version), c.result) << c.reply;
    EXPECT_EQ(engine.lastResult(), c.result);
    EXPECT_EQ(version, c.version) << c.reply;
    EXPECT_EQ(engine.record().status, c.status) << c.reply;
    if (c.result == kResultOk) {
      EXPECT_EQ(engine.record().maker, "Mk");
      EXPECT_EQ(engine.record().updateFile, "up.bin");
    }
    ASSERT_EQ(info.requests().size(), 1u);
    const std::string request = info.requests()[0];
    EXPECT_EQ(request.rfind("POST /getinfo.php HTTP/1.0\r\n", 0), 0u);
    EXPECT_NE(request.find("\r\nUser-Agent: upfetchlib/0.11-Beta\r\n"), std::string::npos);
    EXPECT_EQ(request.substr(request.size() - 28), "mc=00000001&sc=00000002&iv=0");
    // The query's outcome is saved at once.
    EXPECT_NE(readAll(home.dataFile()).find("\tStatus\t\t" + c.status + "\r\n"), std::string::npos);
    EXPECT_EQ(engine.finish(), kResultOk);
  }
}

TEST(UpdateEngineQuery, APendingUpdateSkipsTheServer) {
  for (const std::string status : {"dl", "rs"}) {
    UpdaterHome home;
    home.writeRecord(status, "2.0", "up.bin");
    ScriptedHttp info;
    UpdateEngine engine(home.settings(info.url()));
    ASSERT_EQ(engine.initialize(), kResultOk);
    std::string version;
    EXPECT_EQ(engine.checkForUpdate(version), kResultPending);
    EXPECT_EQ(version, "2.0");
    EXPECT_EQ(info.connections(), 0);
  }
}

TEST(UpdateEngineQuery, AServerThatNeverAnswersTimesOut) {
  UpdaterHome home;
  ScriptedHttp info(ScriptedHttp::Mode::kSilent);
  UpdateEngine engine(home.settings(info.url()));
  ASSERT_EQ(engine.initialize(), kResultOk);
  std::string version;
  EXPECT_EQ(engine.checkForUpdate(version), kErrorNetwork);
  EXPECT_EQ(engine.record().status, "na");
}

TEST(UpdateEngineData, LoadsAFileWithCommentsAndBlankLines) {
  UpdaterHome home;
  fs::create_directories(home.dataFile().parent_path());
  writeAll(home.dataFile(),
           "# written by hand\r\n\r\n\r\n<Data>\r\n\tMakerCode\t00000001\r\n\r\n"
           "\tSoftwareCode\t00000002\r\n# note\r\n\tInstallVersion\t1.5\r\n\tStatus\t\tok\r\n"
           "</Data>\r\n\r\n");
  UpdateEngine engine(home.settings());
  EXPECT_EQ(engine.initialize(), kResultOk);
  EXPECT_EQ(engine.records().size(), 1u);
  EXPECT_EQ(engine.record().installVersion, "1.5");
  EXPECT_EQ(engine.record().status, "ok");
}

TEST(UpdateEngineData, AKeyOutsideTheTableDropsTheRecordsAfterIt) {
  UpdaterHome home;
  fs::create_directories(home.dataFile().parent_path());
  writeAll(home.dataFile(),
           "<Data>\n\tMakerCode\t00000000\n\tSoftwareCode\t00000009\n\tInstallVersion\t7\n</Data>\n"
           "<Data>\n\tMakerCode\t00000003\n\tSoftwareCode\t00000003\n\tColour\tred\n"
           "\tInstallVersion\t3\n</Data>\n"
           "<Data>\n\tMakerCode\t00000001\n\tSoftwareCode\t00000002\n\tInstallVersion\t5\n"
           "\tStatus\tok\n</Data>\n");
  UpdateEngine engine(home.settings());
  EXPECT_EQ(engine.initialize(), kErrorLoad);
  ASSERT_EQ(engine.records().size(), 2u);
  EXPECT_EQ(engine.records()[0].softwareCode, "00000009");
  // This software's record was after the fault: it is made anew.
  EXPECT_EQ(engine.record().installVersion, "0");
  EXPECT_EQ(engine.record().status, "na");
  EXPECT_EQ(engine.finish(), kResultOk);
  const std::string saved = readAll(home.dataFile());
  EXPECT_NE(saved.find("\tSoftwareCode\t00000009\r\n"), std::string::npos);
  EXPECT_EQ(saved.find("00000003"), std::string::npos);
  EXPECT_NE(saved.find("\tInstallVersion\t0\r\n"), std::string::npos);
}

TEST(UpdateEngineLock, ASecondUpdaterSeesTheLockAndDoesNothing) {
  UpdaterHome home;
  ScriptedHttp info;
  info.reply(okReply("succeeded\tMk\tSw\t1.1\tup.bin"));
  UpdateEngine first(home.settings(info.url()));
  ASSERT_EQ(first.initialize(), kResultOk);
  EXPECT_EQ(first.initialize(), kErrorAlreadyInitialized);

  UpdateEngine second(home.settings(info.url()));
  EXPECT_EQ(second.initialize(), kResultOtherUpdater);
  std::string version;
  EXPECT_EQ(second.checkForUpdate(version), kErrorNotInitialized);
  EXPECT_EQ(version, "");
  std::string folder = home.downloads().string();
  EXPECT_EQ(second.startDownload(folder), kErrorNotInitialized);
  EXPECT_EQ(second.finish(), kErrorNotInitialized);
  EXPECT_EQ(info.connections(), 0);

  EXPECT_EQ(first.finish(), kResultOk);
  UpdateEngine third(home.settings(info.url()));
  EXPECT_EQ(third.initialize(), kResultOk);
}

}  // namespace
}  // namespace kobre::upfetch
