#pragma once

// A temporary home for one updater test: its management file, its lock and
// its download folder, and the engine settings that point there.

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "support/upfetch/UpdateEngine.h"
#include "tests/support/upfetch/HttpServers.h"

namespace kobre::test {

class UpdaterHome {
 public:
  UpdaterHome() { std::filesystem::create_directories(downloads()); }

  std::filesystem::path root() const { return temp_.path(); }
  std::filesystem::path dataFile() const { return root() / "data" / "upfetch" / "upfetch.db"; }
  std::filesystem::path downloads() const { return root() / "dl"; }

  upfetch::EngineSettings settings(const std::string& info = "http://127.0.0.1:1",
                                   const std::string& download = "http://127.0.0.1:1") const {
    upfetch::EngineSettings s;
    s.infoServer = info;
    s.downloadServer = download;
    s.dataFile = dataFile().string();
    s.lockPath = (root() / "UpfetchNowUpdating").string();
    s.connectTimeoutMs = 2000;
    s.receiveTimeoutMs = 500;
    return s;
  }

  // A management file holding only this software's record.
  void writeRecord(const std::string& status, const std::string& updateVersion,
                   const std::string& updateFile, const std::string& installVersion = "1.0") {
    std::filesystem::create_directories(dataFile().parent_path());
    writeAll(dataFile(),
             "<Data>\r\n\tMakerCode\t00000001\r\n\tSoftwareCode\t00000002\r\n"
             "\tInstallVersion\t" +
                 installVersion + "\r\n\tUpdateVersion\t" + updateVersion + "\r\n\tUpdateFile\t" +
                 updateFile + "\r\n\tStatus\t\t" + status + "\r\n</Data>\r\n");
  }

 private:
  TempFolder temp_;
};

inline std::string okReply(const std::string& body) {
  return "HTTP/1.0 200 OK\r\n\r\n" + body;
}

inline void waitForDownload(const upfetch::UpdateEngine& engine) {
  for (int i = 0; i < 2000 && engine.isDownloading(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

inline unsigned modeOf(const std::filesystem::path& file) {
  struct stat st {};
  ::lstat(file.c_str(), &st);
  return st.st_mode & 07777;
}

}  // namespace kobre::test
